#pragma once

#include "platform/criticalsection.h"

#include <QString>

// Process-wide folder settings. The video folder is read by workers and
// replaced by the Options dialog, both under g_csFolders held only for the
// copy; the temporary folder is set at start-up and read without a lock.
extern QString g_strVideoFolder;
extern QString g_strTempFolder;
extern CCriticalSection g_csFolders;
