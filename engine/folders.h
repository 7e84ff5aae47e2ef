#pragma once

#include "platform/criticalsection.h"

#include <QString>

// Process-wide folder settings. The video folder is read by workers and
// replaced by the Options dialog; both go through the two functions below,
// which hold g_csFolders only for the copy. The temporary folder is set at
// start-up and read without a lock.
extern QString g_strVideoFolder;
extern QString g_strTempFolder;
extern CCriticalSection g_csFolders;

// A copy of g_strVideoFolder, taken under g_csFolders.
QString GetVideoFolderSetting();
// Puts folder in force as g_strVideoFolder, under g_csFolders.
void SetVideoFolderSetting(const QString& folder);
