#pragma once

#include "tests/waitfor.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QTcpServer>

// A page-level DevTools client for Qt WebEngine's remote debugging port: the
// helper devtools.py, one JSON line each way.
class DevToolsClient {
public:
    DevToolsClient() = default;
    ~DevToolsClient()
    {
        m_tools.closeWriteChannel();
        if (m_tools.state() != QProcess::NotRunning && !m_tools.waitForFinished(3000))
            m_tools.kill();
        m_tools.waitForFinished(1000);
    }
    DevToolsClient(const DevToolsClient&) = delete;
    DevToolsClient& operator=(const DevToolsClient&) = delete;

    // A loopback port nobody listens on, for QTWEBENGINE_REMOTE_DEBUGGING.
    static int FreePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    // Connects to the first page target on the port; false when none comes.
    bool attach(int port, int ms = 40000)
    {
        m_tools.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_tools.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(FERROWICK_DEVTOOLS), QString::number(port)});
        return !readLine(ms).isEmpty();
    }
    QJsonObject call(const char* method, const QJsonObject& params = {})
    {
        m_tools.write(
            QJsonDocument(QJsonObject{{"method", method}, {"params", params}}).toJson(QJsonDocument::Compact) + '\n');
        return QJsonDocument::fromJson(readLine(30000)).object();
    }
    QJsonValue eval(const QString& expr)
    {
        const QJsonObject r = call("Runtime.evaluate", {{"expression", expr}, {"returnByValue", true}});
        return r.value("result").toObject().value("value");
    }
    // Input.dispatchMouseEvent at p in page pixels; modifiers 1 Alt, 2 Ctrl, 4 Shift.
    void mouse(const char* type, QPoint p, const char* button = "left", int modifiers = 0, int clicks = 1)
    {
        call("Input.dispatchMouseEvent", {{"type", type},
                                          {"x", p.x()},
                                          {"y", p.y()},
                                          {"button", button},
                                          {"clickCount", clicks},
                                          {"modifiers", modifiers}});
    }
    // Moves there, presses and releases, then lets the input reach the page's
    // model, which the channel carries after the call has returned.
    void click(QPoint p, const char* button = "left", int modifiers = 0)
    {
        mouse("mouseMoved", p, "none", modifiers, 0);
        mouse("mousePressed", p, button, modifiers);
        mouse("mouseReleased", p, button, modifiers);
        Pump(300);
    }
    void click(const QString& selector, int n = 0, const char* button = "left") { click(centre(selector, n), button); }
    // The n-th element that matches: its border box in page pixels (empty when
    // there is none), its centre, its text.
    QRectF box(const QString& selector, int n = 0)
    {
        const QJsonArray r = eval(QStringLiteral("(() => { const e = document.querySelectorAll('%1')[%2];"
                                                 " if (!e) return []; const r = e.getBoundingClientRect();"
                                                 " return [r.left, r.top, r.width, r.height]; })()")
                                      .arg(selector)
                                      .arg(n))
                                 .toArray();
        return r.size() == 4 ? QRectF(r[0].toDouble(), r[1].toDouble(), r[2].toDouble(), r[3].toDouble()) : QRectF();
    }
    QPoint centre(const QString& selector, int n = 0)
    {
        const QRectF r = box(selector, n);
        return r.isNull() ? QPoint(-1, -1) : QPoint(int(r.center().x()), int(r.center().y()));
    }
    QString text(const QString& selector, int n = 0)
    {
        return eval(QStringLiteral("(() => { const e = document.querySelectorAll('%1')[%2];"
                                   " return e ? e.innerText : null; })()")
                        .arg(selector)
                        .arg(n))
            .toString();
    }
    bool screenshot(const QString& path)
    {
        const QJsonObject r = call("Page.captureScreenshot", {{"format", "png"}});
        const QByteArray png = QByteArray::fromBase64(r.value("data").toString().toLatin1());
        QFile f(path);
        return !png.isEmpty() && f.open(QIODevice::WriteOnly) && f.write(png) == png.size();
    }

private:
    QByteArray readLine(int ms)
    {
        WaitFor([&] { return m_tools.canReadLine() || m_tools.state() == QProcess::NotRunning; }, ms);
        return m_tools.canReadLine() ? m_tools.readLine().trimmed() : QByteArray();
    }

    QProcess m_tools;
};
