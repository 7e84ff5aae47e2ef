#include "settings.h"

#include "platform/transferbudget.h"

#include <algorithm>

CSettings& CSettings::Instance()
{
    static CSettings settings;
    return settings;
}

SettingsValues CSettings::Values() const
{
    CSingleLock lock(m_cs);
    return m_values;
}

void CSettings::Apply(const SettingsValues& wanted)
{
    SettingsValues values = wanted;
    values.downloadLimit = std::clamp(values.downloadLimit, 0, SettingsValues::kMaxDownloadLimit);
    values.rateLimitKiB = std::clamp(values.rateLimitKiB, 0, SettingsValues::kMaxRateLimitKiB);
    {
        CSingleLock lock(m_cs);
        if (values == m_values)
            return;
        m_values = values;
    }
    // Every transfer draws from this budget: the new rate holds from their next read.
    CTransferBudget::Global().SetRate(uint64_t(values.rateLimitKiB) * 1024);
    emit changed();
}

QString CSettings::VideoFolder() const
{
    CSingleLock lock(m_cs);
    return m_values.videoFolder;
}

void CSettings::SetVideoFolder(const QString& folder)
{
    SettingsValues values = Values();
    values.videoFolder = folder;
    Apply(values);
}

QString CSettings::TempFolder() const
{
    CSingleLock lock(m_cs);
    return m_values.tempFolder;
}

void CSettings::SetTempFolder(const QString& folder)
{
    SettingsValues values = Values();
    values.tempFolder = folder;
    Apply(values);
}

int CSettings::DownloadLimit() const
{
    CSingleLock lock(m_cs);
    return m_values.downloadLimit;
}

void CSettings::SetDownloadLimit(int limit)
{
    SettingsValues values = Values();
    values.downloadLimit = limit;
    Apply(values);
}

int CSettings::RateLimitKiB() const
{
    CSingleLock lock(m_cs);
    return m_values.rateLimitKiB;
}

void CSettings::SetRateLimitKiB(int kib)
{
    SettingsValues values = Values();
    values.rateLimitKiB = kib;
    Apply(values);
}
