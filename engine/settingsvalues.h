#pragma once

#include <QString>

// The values of the user's settings, copied whole: a dialog edits a copy
// and applies it, the store reads and writes one.
struct SettingsValues {
    static constexpr int kDefaultDownloadLimit = 3;
    static constexpr int kMaxDownloadLimit = 20;
    static constexpr int kMaxRateLimitKiB = 1024 * 1024;

    QString videoFolder;
    QString tempFolder;
    int downloadLimit = kDefaultDownloadLimit;  // the most downloads at once; 0: no limit
    int rateLimitKiB = 0;                       // all downloads together, KiB/s; 0: off

    bool operator==(const SettingsValues&) const = default;
};
