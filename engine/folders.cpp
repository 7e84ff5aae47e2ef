#include "folders.h"

QString g_strVideoFolder;
QString g_strTempFolder;
CCriticalSection g_csFolders;

QString GetVideoFolderSetting()
{
    CSingleLock lock(g_csFolders);
    return g_strVideoFolder;
}

void SetVideoFolderSetting(const QString& folder)
{
    CSingleLock lock(g_csFolders);
    g_strVideoFolder = folder;
}
