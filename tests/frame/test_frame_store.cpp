#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "tests/frame/frameprobe.h"
#include "tests/store/profile.h"
#include "ui/frame/mainframe.h"
#include "ui/page/dom.h"
#include "ui/page/selectedelementlist.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

// The frame's own operations over its members: defaults, load, save, and
// its destruction taking every row off the page.
TEST(FrameStore, LoadAndSaveThroughTheFrameMembers)
{
    static const char page[] = "<html><body><widget id=\"content\" type=\"select\" multiple></widget></body></html>";
    HWND hwnd = HTMLayoutCreateWindow();
    ASSERT_TRUE(HTMLayoutLoadHtml(hwnd, reinterpret_cast<const uint8_t*>(page), uint32_t(strlen(page))));
    HELEMENT content = FindElementById(GetRootElement(hwnd), "content");
    QTemporaryDir dir;
    const QString path = dir.filePath("app.xml");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<application><options><directories><dir type=\"temp\">/tmp/t</dir></directories></options>"
                "<content><item id=\"one\"><title>One</title><error>0</error></item>"
                "<item id=\"two\"><title>Two</title></item></content></application>");
    }
    SetProfileLearnValue(0);
    {
        CMainFrame frame;
        FrameProbe::Content(frame) = content;
        frame.m_strProgramFolder = dir.path();
        frame.m_strAppXmlPath = path;
        frame.SetDefaultFolders(frame.m_strProgramFolder);
        EXPECT_EQ(frame.AddressDlgLearn, 1);
        EXPECT_TRUE(frame.LoadAppXml(frame.m_strAppXmlPath));
        EXPECT_EQ(frame.AddressDlgLearn, 0);
        EXPECT_EQ(GetTempFolderSetting(), "/tmp/t");
        EXPECT_EQ(GetVideoFolderSetting(),
                  QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + "/Ferrowick");
        ASSERT_EQ(FrameProbe::Items(frame).size(), 2u);
        FrameProbe::Items(frame).erase("one");
        frame.AddressDlgLearn = 1;
        EXPECT_EQ(frame.SaveAppXml(frame.m_strAppXmlPath), 1);
    }
    CSelectedElementList rows;
    SelectElements(content, "option", rows);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(ProfileLearnValue(), 1);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_EQ(text.indexOf("\"one\""), -1);
    EXPECT_NE(text.indexOf("<item id=\"two\">"), -1);
    HTMLayoutDestroyWindow(hwnd);
}
