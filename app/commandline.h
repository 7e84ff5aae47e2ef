#pragma once

#include <QString>
#include <QStringList>

// The program's command line, read before anything else runs: --help and
// --version need no display and touch no file. Only the program's own
// options and Qt's common ones (-platform, -style ...) are options; every
// other argument is an address, and after "--" every argument is one.
// Whatever follows "--webEngineArgs" belongs to Qt WebEngine.
class CCommandLine {
public:
    enum Action { Run, ShowHelp, ShowVersion, Fail };
    // The exit code of a command line that cannot be used.
    static constexpr int kUsageError = 2;

    // arguments[0] is the program.
    explicit CCommandLine(const QStringList& arguments);

    Action GetAction() const { return m_action; }
    // In the order given.
    const QStringList& Addresses() const { return m_addresses; }
    // What the application object is given: the program, Qt's options
    // with their values, and the web engine's part. Never an address, so
    // none is ever taken for one of Qt's options.
    const QStringList& QtArguments() const { return m_qtArguments; }
    // One line that says what is wrong, for Fail.
    const QString& Error() const { return m_error; }

    static QString HelpText();
    static QString VersionText();

private:
    Action m_action = Run;
    QStringList m_addresses;
    QStringList m_qtArguments;
    QString m_error;
};
