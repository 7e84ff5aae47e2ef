#pragma once

#include "devtoolsclient.h"

#include <QDir>
#include <QMap>
#include <QProcessEnvironment>

// The real ferrowick binary started for a test, with its home, data, config
// and runtime folders under home and a DevTools port of its own, and a
// page-level client for that port. Offscreen unless the environment given,
// which goes over the test's own, says otherwise.
class TestProgram : public DevToolsClient {
public:
    explicit TestProgram(const QString& home, const QMap<QString, QString>& environment = {}) : m_port(FreePort())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QMap<QString, QString> own{{"HOME", home},
                                         {"XDG_DATA_HOME", home + "/data"},
                                         {"XDG_CONFIG_HOME", home + "/config"},
                                         {"XDG_RUNTIME_DIR", home + "/run"},
                                         {"no_proxy", ""},
                                         {"NO_PROXY", ""},
                                         {"QT_QPA_PLATFORM", "offscreen"},
                                         {"QTWEBENGINE_DISABLE_SANDBOX", "1"},
                                         {"QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu"}};
        for (const auto& values : {own, environment})
            for (auto it = values.begin(); it != values.end(); ++it)
                env.insert(it.key(), it.value());
        env.insert("QTWEBENGINE_REMOTE_DEBUGGING", QStringLiteral("127.0.0.1:%1").arg(m_port));
        QDir().mkpath(home + "/run");
        QFile::setPermissions(home + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_app.setProcessEnvironment(env);
        m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_app.setStandardOutputFile(QProcess::nullDevice());
    }
    ~TestProgram()
    {
        m_app.kill();
        m_app.waitForFinished(5000);
    }

    void start(const QStringList& args = {}) { m_app.start(QStringLiteral(FERROWICK_BINARY), args); }
    // The client attached, and the page there once the model's snapshot reached it.
    bool connect()
    {
        return attach(m_port) && WaitFor([&] { return eval("!!document.getElementById('status-bar')").toBool(); });
    }
    bool exited(int ms = 30000)
    {
        return WaitFor([&] { return m_app.state() == QProcess::NotRunning; }, ms);
    }
    QProcess& process() { return m_app; }
    // Another start beside this one, with its environment and no DevTools
    // port; its exit code, or -1 when it did not end on its own in time.
    int startBeside(const QStringList& args = {}, const QString& dataHome = {}, int ms = 10000)
    {
        QProcessEnvironment env = m_app.processEnvironment();
        env.remove("QTWEBENGINE_REMOTE_DEBUGGING");
        if (!dataHome.isEmpty())
            env.insert("XDG_DATA_HOME", dataHome);
        QProcess other;
        other.setProcessEnvironment(env);
        other.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        other.start(QStringLiteral(FERROWICK_BINARY), args);
        const bool ended = other.waitForFinished(ms) && other.exitStatus() == QProcess::NormalExit;
        other.kill();
        other.waitForFinished(5000);
        return ended ? other.exitCode() : -1;
    }

private:
    int m_port;
    QProcess m_app;
};
