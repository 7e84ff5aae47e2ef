#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// An xdg-open of the test's own, for a program that has its folder first on
// PATH: every argument it is given becomes one line of its record, and nothing
// is opened. Qt's desktop services run xdg-open on a desktop they do not know.
class FakeOpener {
public:
    FakeOpener()
    {
        QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
        if (!script.open(QIODevice::WriteOnly))
            return;
        script.write(
            QStringLiteral("#!/bin/sh\nfor a; do printf '%s\\n' \"$a\"; done >> '%1'\n").arg(record()).toUtf8());
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // PATH with the fake's folder first.
    QString path() const
    {
        return m_dir.path() + QLatin1Char(':') + qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin"));
    }
    // Every argument given so far, in order.
    QStringList opened() const
    {
        QFile file(record());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                              : QStringList();
    }

private:
    QString record() const { return m_dir.filePath(QStringLiteral("opened")); }

    QTemporaryDir m_dir;
};
