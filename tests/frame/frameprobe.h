#pragma once

#include "ui/frame/mainframe.h"

#include <cstring>
#include <utility>

// The window's own page elements and item table, for the tests of its logic
// and the store benchmark: the frame names this fixture as its one friend.
struct FrameProbe {
    static ItemTable& Items(CMainFrame& frame) { return frame.m_items; }
    // A frame that is never made a window is given a list on the test's page.
    static htmlayout::dom::element& Content(CMainFrame& frame) { return frame.m_content; }
    // The element the frame holds for this page id; null for an id it does not hold.
    static HELEMENT Element(const CMainFrame& frame, const char* id)
    {
        using Member = htmlayout::dom::element CMainFrame::*;
        static const std::pair<const char*, Member> members[] = {
            {"top", &CMainFrame::m_top},
            {"bottom", &CMainFrame::m_bottom},
            {"minimize", &CMainFrame::m_minimize},
            {"close", &CMainFrame::m_close},
            {"url", &CMainFrame::m_url},
            {"add", &CMainFrame::m_add},
            {"content", &CMainFrame::m_content},
            {"status-bar", &CMainFrame::m_statusBar},
            {"help", &CMainFrame::m_help},
            {"caption_text", &CMainFrame::m_captionText},
            {"about", &CMainFrame::m_about},
            {"options", &CMainFrame::m_options},
            {"item_menu", &CMainFrame::m_itemMenu},
            {"mi_open", &CMainFrame::m_miOpen},
            {"mi_restart", &CMainFrame::m_miRestart},
            {"mi_resume", &CMainFrame::m_miResume},
            {"mi_stop", &CMainFrame::m_miStop},
            {"mi_select_all", &CMainFrame::m_miSelectAll},
            {"mi_remove", &CMainFrame::m_miRemove},
            {"mi_open_url", &CMainFrame::m_miOpenUrl},
            {"mi_options", &CMainFrame::m_miOptions},
            {"mi_open_file", &CMainFrame::m_miOpenFile},
            {"thumb_tip", &CMainFrame::m_thumbTip},
            {"thumb_tip_img", &CMainFrame::m_thumbTipImg},
        };
        for (const auto& [name, member] : members)
            if (std::strcmp(name, id) == 0)
                return (frame.*member).get();
        return nullptr;
    }
};
