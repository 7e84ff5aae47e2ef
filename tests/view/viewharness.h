#pragma once

#include "platform/layout/htmlayout.h"
#include "platform/layout/view/layoutwebview.h"
#include "tests/waitfor.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// A layout window with the program's page and a real view of it, for the
// view's tests and benchmark. Serves the page's resources like the main frame.
class ViewHarness {
public:
    struct BehaviorEvent {
        uint32_t cmd;
        QString targetId;
        QString sourceId;
        HELEMENT target;  // for elements without an id
        HELEMENT source;
    };

    // Call before QApplication: the scheme and the WebEngine switches.
    static void PrepareProcess(int debugPort);

    ViewHarness();
    ~ViewHarness();
    ViewHarness(const ViewHarness&) = delete;
    ViewHarness& operator=(const ViewHarness&) = delete;

    bool loadPage();               // DEFAULT into the model
    bool showView(int timeoutMs);  // the view built and its first boxes reported

    HWND window() const { return m_hwnd; }
    layout::LayoutWebView* view() const { return m_view.get(); }
    HELEMENT byId(const char* id) const;
    // The first match of the selector under root; no use taken.
    static HELEMENT First(HELEMENT root, const char* selector);

    // A list row of the program's shape; returns the row (no use held by the caller).
    HELEMENT insertRow(int index, const QString& value, const QString& title, const QString& statusHtml, bool running,
                       int length, int completed);
    void setRowStatus(HELEMENT row, const QString& statusHtml, int completed);

    std::vector<BehaviorEvent> events;

private:
    static intptr_t HostNotify(uint32_t msg, uintptr_t wParam, intptr_t lParam, void* param);
    static bool ElementProc(void* tag, HELEMENT he, uint32_t group, void* params);

    HWND m_hwnd = nullptr;
    std::unique_ptr<layout::LayoutWebView> m_view;
};
