#include "ui/page/statustext.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

DownloaderInfo Running(int32_t state, int64_t length, int64_t completed, uint32_t starttick)
{
    DownloaderInfo i;
    i.mask = uint32_t(-1);
    i.state = state;
    i.length = length;
    i.completed = completed;
    i.starttick = starttick;
    return i;
}

DownloaderInfo Finished(int32_t error, int64_t length, int64_t completed)
{
    DownloaderInfo i = Running(DS_DONE, length, completed, 1234);
    i.error = error;
    return i;
}

}  // namespace

TEST(FormatSize, UnitsAndTheFirstDecimalTruncated)
{
    EXPECT_EQ(FormatSize(0), "0 Bytes");
    EXPECT_EQ(FormatSize(1023), "1023 Bytes");
    EXPECT_EQ(FormatSize(-1), "-1 Bytes");
    EXPECT_EQ(FormatSize(std::numeric_limits<int32_t>::min()), "-2147483648 Bytes");
    EXPECT_EQ(FormatSize(1024), "1.0 KB");
    EXPECT_EQ(FormatSize(1536), "1.5 KB");
    EXPECT_EQ(FormatSize(1024 + 102), "1.0 KB");  // 102*10/1024 = 0.99..: truncated
    EXPECT_EQ(FormatSize(1024 + 103), "1.1 KB");
    EXPECT_EQ(FormatSize(1048575), "1023.9 KB");
    EXPECT_EQ(FormatSize(1048576), "1.0 MB");
    EXPECT_EQ(FormatSize(128000), "125.0 KB");
    EXPECT_EQ(FormatSize(1073741823), "1023.9 MB");
    EXPECT_EQ(FormatSize(1073741824), "1.0 GB");
    EXPECT_EQ(FormatSize(std::numeric_limits<int32_t>::max()), "1.9 GB");
}

TEST(FormatDuration, SecondsMinutesHoursAndDaysFrom25Hours)
{
    EXPECT_EQ(FormatDuration(0), "0 Sec");
    EXPECT_EQ(FormatDuration(59), "59 Sec");
    EXPECT_EQ(FormatDuration(-5), "-5 Sec");
    EXPECT_EQ(FormatDuration(60), "1 Min 0 Sec");
    EXPECT_EQ(FormatDuration(3599), "59 Min 59 Sec");
    EXPECT_EQ(FormatDuration(3600), "1 Hr 0 Min 0 Sec");
    EXPECT_EQ(FormatDuration(7322), "2 Hr 2 Min 2 Sec");
    EXPECT_EQ(FormatDuration(86400), "24 Hr 0 Min 0 Sec");
    EXPECT_EQ(FormatDuration(89999), "24 Hr 59 Min 59 Sec");
    EXPECT_EQ(FormatDuration(90000), "1 Day 1 Hr 0 Min 0 Sec");
    EXPECT_EQ(FormatDuration(std::numeric_limits<int32_t>::max()), "24855 Day 3 Hr 14 Min 7 Sec");
}

TEST(StatusText, RunningBeforeTheTransferShowsThePhase)
{
    EXPECT_EQ(StatusText(Running(DS_THUMBNAIL, 0, 0, 0), 5000), "Downloading Thumbnail...");
    EXPECT_EQ(StatusText(Running(DS_PARSING, 0, 0, 0), 5000), "Parsing Title...");
    EXPECT_EQ(StatusText(Running(DS_IDLE, 0, 0, 0), 5000), "Parsing...");
    EXPECT_EQ(StatusText(Running(DS_QUEUED, 4194304, 2097152, 7000), 9000), "Queued");
    // Same millisecond as the start: no rate can be formed yet.
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, 4194304, 2097152, 7000), 7000), "Parsing...");
    // A start tick of 0 means "not started" even with bytes counted.
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, 4194304, 2097152, 0), 16384), "Parsing...");
}

TEST(StatusText, RunningFigures)
{
    const uint32_t start = 100000;
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, 4194304, 2097152, start), start + 16384),
              "2.0 MB / 4.0 MB  (125.0 KB/s)  -  16 Sec Left ");
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, 0, 5000, start), start + 10), "");
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, -1, 5000, start), start + 10), "");
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, 4194304, 0, start), start + 10), "0 KB / 4.0 MB ");
    // Fewer bytes than milliseconds: the truncated quotient makes the rate 0.
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, 4194304, 999, start), start + 1000), "999 Bytes / 4.0 MB ");
    // 1999 bytes in 1000 ms is 1 byte/ms, so 1000 B/s, not 1999.
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, 11999, 1999, start), start + 1000),
              "1.9 KB / 11.7 KB  (1000 Bytes/s)  -  10 Sec Left ");
    // A resumed run found 3 MB on disk: the rate is this run's 1 MB in 8 s,
    // the time left the remaining 1 MB at that rate.
    DownloaderInfo resumed = Running(DS_DOWNLOADING, 4194304, 3145728, start);
    resumed.resumed = 2097152;
    EXPECT_EQ(StatusText(resumed, start + 8192), "3.0 MB / 4.0 MB  (125.0 KB/s)  -  8 Sec Left ");
    resumed.completed = resumed.resumed;  // nothing of this run yet
    EXPECT_EQ(StatusText(resumed, start + 8192), "2.0 MB / 4.0 MB ");
    // More bytes than the announced length: the time left goes negative.
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, 1000, 10000, start), start + 10000),
              "9.7 KB / 1000 Bytes  (1000 Bytes/s)  -  -9 Sec Left ");
}

TEST(StatusText, ElapsedWrapsIn32BitsAndSizesPassTwoGibibytes)
{
    // The tick counter wrapped between the start and now: 8192 ms elapsed.
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, 4194304, 2097152, 0xFFFFF000u), 0x1000u),
              "2.0 MB / 4.0 MB  (250.0 KB/s)  -  8 Sec Left ");
    EXPECT_EQ(StatusText(Running(DS_DOWNLOADING, int64_t(5) << 30, int64_t(3) << 30, 50), 10050),
              "3.0 GB / 5.0 GB  (307.1 MB/s)  -  6 Sec Left ");
}

TEST(StatusText, FinishedByOutcome)
{
    EXPECT_EQ(StatusText(Finished(DE_NONE, 4194304, 4194304), 0), "4.0 MB");
    EXPECT_EQ(StatusText(Finished(DE_NONE, 0, 0), 0), "Unknown file size");
    EXPECT_EQ(StatusText(Finished(DE_NONE, -2, 0), 0), "-2 Bytes");  // "not 0", unlike the error rows
    EXPECT_EQ(StatusText(Finished(DE_STOPPED, 4194304, 2097152), 0),
              "2.0 MB / 4.0 MB - <span class=\"error\">Uncompleted</span>");
    EXPECT_EQ(StatusText(Finished(DE_STOPPED, 0, 0), 0),
              "Unknown file size - <span class=\"error\">Uncompleted</span>");
    EXPECT_EQ(StatusText(Finished(DE_PARSE, 4194304, 10), 0), "<span class=\"error\">Parsing Error!</span>");
    EXPECT_EQ(StatusText(Finished(DE_INTERNET, 4194304, 1024), 0),
              "1.0 KB / 4.0 MB - <span class=\"error\">Internet Error!</span>");
    EXPECT_EQ(StatusText(Finished(DE_INTERNET, 0, 1024), 0), "<span class=\"error\">Internet Error!</span>");
    EXPECT_EQ(StatusText(Finished(DE_INTERNET, -1, 1024), 0), "<span class=\"error\">Internet Error!</span>");
    EXPECT_EQ(StatusText(Finished(DE_FILE, 2048, 1024), 0),
              "1.0 KB / 2.0 KB - <span class=\"error\">File IO Error!</span>");
    EXPECT_EQ(StatusText(Finished(DE_FILE, 0, 0), 0), "<span class=\"error\">File IO Error!</span>");
    EXPECT_EQ(StatusText(Finished(DE_FRAMEWORK, 2048, 0), 0),
              "0 Bytes / 2.0 KB - <span class=\"error\">Unknown Error!</span>");
    EXPECT_EQ(StatusText(Finished(DE_UNKNOWN, 2048, 0), 0),
              "0 Bytes / 2.0 KB - <span class=\"error\">Unknown Error!</span>");
    EXPECT_EQ(StatusText(Finished(DE_UNKNOWN, 0, 0), 0), "<span class=\"error\">Unknown Error!</span>");
    for (int32_t unlisted : {4, 8, -1, 1000})
        EXPECT_EQ(StatusText(Finished(unlisted, 2048, 1024), 0), "") << unlisted;
}
