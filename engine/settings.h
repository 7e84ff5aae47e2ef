#pragma once

#include "settingsvalues.h"

#include "platform/criticalsection.h"

#include <QObject>
#include <QString>

// The program's one set of settings. Workers read it under its lock; the
// user-interface thread changes it and hears of every change.
class CSettings : public QObject {
    Q_OBJECT
public:
    static CSettings& Instance();

    SettingsValues Values() const;
    // Puts the values in force; `changed` follows when any of them differs.
    void Apply(const SettingsValues& values);

    QString VideoFolder() const;
    void SetVideoFolder(const QString& folder);
    QString TempFolder() const;
    void SetTempFolder(const QString& folder);
    int DownloadLimit() const;
    void SetDownloadLimit(int limit);
    int RateLimitKiB() const;
    void SetRateLimitKiB(int kib);

signals:
    void changed();

private:
    CSettings() = default;

    mutable CCriticalSection m_cs;
    SettingsValues m_values;
};
