#include "folders.h"

QString g_strVideoFolder;
QString g_strTempFolder;
CCriticalSection g_csFolders;
