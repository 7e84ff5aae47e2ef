#pragma once

#include <QString>

// The folder settings by the names the program has always used them under,
// over the settings object (settings.h), whose lock each call holds only
// for the copy. Workers read them; the Options dialog and app.xml set them.
QString GetVideoFolderSetting();
void SetVideoFolderSetting(const QString& folder);
QString GetTempFolderSetting();
void SetTempFolderSetting(const QString& folder);
