#include "folders.h"

#include "settings.h"

QString GetVideoFolderSetting()
{
    return CSettings::Instance().VideoFolder();
}

void SetVideoFolderSetting(const QString& folder)
{
    CSettings::Instance().SetVideoFolder(folder);
}

QString GetTempFolderSetting()
{
    return CSettings::Instance().TempFolder();
}

void SetTempFolderSetting(const QString& folder)
{
    CSettings::Instance().SetTempFolder(folder);
}
