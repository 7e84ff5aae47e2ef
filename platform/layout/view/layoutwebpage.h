#pragma once

#include <QUrl>
#include <QWebEnginePage>

namespace layout {

// The page of the view. It stays on the shell: the channel to the host is
// installed in every document the page shows, so a link, a form or a refresh
// in the model's markup must never take the page anywhere else.
class LayoutWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit LayoutWebPage(QObject* parent = nullptr);

    static QUrl ShellUrl();

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};

}  // namespace layout
