#pragma once

#include <QString>
#include <cstdint>

// Job states, in the order a run passes through them: 0, 1, 3, 2, 5. A
// job that waits for a slot of the download queue is 4 until it starts.
enum : int32_t {
    DS_IDLE = 0,
    DS_THUMBNAIL = 1,
    DS_DOWNLOADING = 2,
    DS_PARSING = 3,
    DS_QUEUED = 4,
    DS_DONE = 5,
};

// Outcome codes. app.xml stores them, so the values never change.
enum : int32_t {
    DE_NONE = 0,
    DE_STOPPED = 1,
    DE_PARSE = 2,
    DE_INTERNET = 3,
    DE_FILE = 5,
    DE_FRAMEWORK = 6,
    DE_UNKNOWN = 7,
};

// Which fields GetInfo copies.
enum : uint32_t {
    DIF_STATE = 0x001,
    DIF_TITLE = 0x002,
    DIF_VIDEOPATH = 0x004,
    DIF_THUMBPATH = 0x008,
    DIF_IMAGEPATH = 0x010,
    DIF_LENGTH = 0x020,
    DIF_COMPLETED = 0x040,
    DIF_STARTTICK = 0x080,
    DIF_ERROR = 0x100,
    DIF_RESUMED = 0x200,
};

// A snapshot of a job record; the caller sets mask.
struct DownloaderInfo {
    uint32_t mask = 0;
    int32_t state = 0;
    QString title;
    QString videopath;
    QString thumbpath;
    QString imagepath;
    int64_t length = 0;  // bytes; videos pass 2 GiB
    int64_t completed = 0;
    uint32_t starttick = 0;
    int32_t error = 0;
    int64_t resumed = 0;  // bytes already on disk when this run's transfer began
};
