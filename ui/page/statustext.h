#pragma once

#include "engine/downloaderinfo.h"

#include <QString>
#include <cstdint>

// The texts of a list row's status line, composed from a job snapshot alone
// so that they can be checked without a page.

// "%d Bytes", or one decimal of KB/MB/GB.
QString FormatSize(int64_t bytes);
// "%d Sec", "%d Min %d Sec", "%d Hr ...", "%d Day ...".
QString FormatDuration(int64_t seconds);
// The status line of a snapshot taken at tick `now` (milliseconds). Markup
// (the red error span) whenever info.error is not zero.
QString StatusText(const DownloaderInfo& info, uint32_t now);
