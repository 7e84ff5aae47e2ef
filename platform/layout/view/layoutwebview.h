#pragma once

#include "platform/layout/htmlayout.h"

#include <QWebEngineView>
#include <memory>

class QWebChannel;

namespace layout {

class LayoutBridge;
class LayoutSchemeHandler;

// Shows a layout window's document in Chromium: the snapshot once, then the
// batches of changes as the model logs them. Input and boxes go back to the
// model; the view itself decides nothing.
class LayoutWebView : public QWebEngineView {
    Q_OBJECT
public:
    // Must run before QApplication exists.
    static void RegisterScheme();

    explicit LayoutWebView(HWND hwnd, QWidget* parent = nullptr);
    ~LayoutWebView() override;

    // Sends what the model logged since the last batch, now.
    void flush();

    bool isReady() const { return m_ready; }
    qint64 lastBatchBytes() const { return m_lastBatchBytes; }
    int lastBatchSeq() const { return m_seq; }
    LayoutBridge* bridge() const { return m_bridge.get(); }

signals:
    void ready();
    void batchApplied(int seq, double milliseconds);
    void boxesReported();

protected:
    bool event(QEvent* event) override;

private:
    void sendSnapshot();
    void scheduleFlush();

    HWND m_hwnd;
    std::unique_ptr<LayoutBridge> m_bridge;
    std::unique_ptr<QWebChannel> m_channel;
    std::unique_ptr<LayoutSchemeHandler> m_scheme;
    bool m_ready = false;
    bool m_flushQueued = false;
    int m_seq = 0;
    qint64 m_lastBatchBytes = 0;
};

}  // namespace layout
