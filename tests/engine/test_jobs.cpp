#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "engine/settings.h"
#include "platform/exception.h"
#include "tests/site/localvideosite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace localsite;

namespace {

std::atomic<int> g_deletions{0};
std::atomic<int> g_stateAtDeletion{-1};
std::atomic<bool> g_deletedOnWorker{false};
std::atomic<int> g_workersStarted{0};
std::atomic<int> g_workersEnded{0};

// Counts worker threads as they start and as they end; a thread counted as
// ended has returned from everything the engine runs on it.
struct WorkerEnd {
    WorkerEnd() { ++g_workersStarted; }
    ~WorkerEnd() { ++g_workersEnded; }
};
thread_local bool t_isWorker = false;

void NoteWorker()
{
    thread_local WorkerEnd end;
    (void)end;
    t_isWorker = true;
}

// A job that counts its deletion and can hold its worker at the start.
struct TestJob : CMyYouTubeDownloader {
    std::function<void()> atBegin;
    std::function<void(QString&)> tempFolder;

    ~TestJob() override
    {
        g_stateAtDeletion = m_nState;
        g_deletedOnWorker = t_isWorker;
        ++g_deletions;
    }
    void OnBegin() override
    {
        NoteWorker();
        resumedAt = -1;
        reportsAheadOfTheFile = 0;
        CMyYouTubeDownloader::OnBegin();
        if (atBegin)
            atBegin();
    }
    void GetTempFolder(QString& folder) override
    {
        if (tempFolder)
            tempFolder(folder);
        else
            CMyYouTubeDownloader::GetTempFolder(folder);
    }

    // What the worker saw at each progress report; read once the job is done.
    QString videoPath;
    int64_t lastCompleted = 0;
    int64_t largestStep = 0;
    int progressReports = 0;
    int reportsAheadOfTheFile = 0;
    int64_t resumedAt = -1;
    void OnVideoResume(int64_t completed) override
    {
        resumedAt = completed;
        CMyYouTubeDownloader::OnVideoResume(completed);
    }
    void OnVideoStart(int64_t length, const QString& path) override
    {
        videoPath = path;
        CMyYouTubeDownloader::OnVideoStart(length, path);
    }
    void OnVideoProgress(int64_t completed, int64_t length) override
    {
        ++progressReports;
        largestStep = std::max(largestStep, completed - lastCompleted);
        lastCompleted = completed;
        if (QFileInfo(videoPath).size() != completed)
            ++reportsAheadOfTheFile;
        CMyYouTubeDownloader::OnVideoProgress(completed, length);
    }
};

class Gate {
public:
    void open()
    {
        std::lock_guard<std::mutex> l(m);
        opened = true;
        cv.notify_all();
    }
    void wait()
    {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return opened; });
    }

private:
    std::mutex m;
    std::condition_variable cv;
    bool opened = false;
};

DownloaderInfo Snapshot(CMyYouTubeDownloader& job)
{
    DownloaderInfo info;
    info.mask = uint32_t(-1);
    job.GetInfo(info, false);
    return info;
}

bool WaitFor(const std::function<bool()>& done, int ms = 15000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool IsVideoBody(const QByteArray& bytes)
{
    return bytes.toStdString() == VideoBody(uint64_t(bytes.size()));
}

struct JobTest : ::testing::Test {
    QTemporaryDir dir;
    LocalVideoSite site;
    ScopedProxy proxy{site.proxyUrl()};
    std::vector<TestJob*> jobs;

    void SetUp() override
    {
        g_deletions = 0;
        SetVideoFolderSetting(dir.filePath("Video"));
        SetTempFolderSetting(dir.filePath("Temp"));
    }
    void TearDown() override
    {
        for (TestJob* job : jobs)
            job->Discard();
        ASSERT_TRUE(WaitFor([&] { return g_deletions.load() == created; })) << "every job deleted exactly once";
        ASSERT_TRUE(WaitFor([] { return g_workersEnded.load() == g_workersStarted.load(); }));
        EXPECT_EQ(g_deletions.load(), created);
        CYouTubeDownloader::SetReceiveTimeout(20000);
    }

    TestJob* makeJob(const std::string& id)
    {
        auto* job = new TestJob;
        ++created;
        EXPECT_TRUE(job->SetAddress(QString::fromStdString("http://www.youtube.com/watch?v=" + id)));
        jobs.push_back(job);
        return job;
    }
    int created = 0;

    // Starts the job and waits for the end of that run: after the clear below,
    // only the new worker sets the changed mark, and it reaches DS_DONE last.
    DownloaderInfo run(TestJob* job, bool resume = false)
    {
        DownloaderInfo info;
        info.mask = uint32_t(-1);
        job->GetInfo(info, true);
        EXPECT_TRUE(resume ? job->Resume() : job->Start());
        EXPECT_TRUE(WaitFor([&] { return job->GetInfo(info, true) && info.state == DS_DONE; }));
        return Snapshot(*job);
    }

    static Video Good(uint64_t size = 50000) { return GoodVideo("Funny Cats", size, "tok123"); }
};

}  // namespace

TEST_F(JobTest, DownloadsThumbnailPageAndVideo)
{
    site.setVideo("good", Good());
    TestJob* job = makeJob("good");
    const DownloaderInfo info = run(job);

    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.title, "Funny Cats");
    EXPECT_EQ(info.length, 50000);
    EXPECT_EQ(info.completed, 50000);
    EXPECT_NE(info.starttick, 0u);
    EXPECT_EQ(info.videopath, dir.filePath("Video/Funny Cats.mp4"));
    EXPECT_EQ(info.thumbpath, dir.filePath("Temp/good.jpg"));
    const QByteArray video = Contents(info.videopath);
    EXPECT_EQ(video.size(), 50000);
    EXPECT_TRUE(IsVideoBody(video));
    EXPECT_EQ(Contents(info.thumbpath), QByteArray(kThumbBody));

    // Thumbnail, page, video: no embed request, and the four header lines on each.
    const auto reqs = site.requests();
    ASSERT_EQ(reqs.size(), 3u);
    EXPECT_EQ(reqs[0].host, kThumbHost);
    EXPECT_EQ(reqs[0].target, "/vi/good/default.jpg");
    EXPECT_EQ(reqs[1].target, "/watch?v=good");
    EXPECT_EQ(reqs[2].target, "/get_video?video_id=good&t=tok123&fmt=18");
    for (const Request& r : reqs) {
        std::vector<std::pair<std::string, std::string>> ours;
        for (const auto& h : r.headers)
            if (h.first == "User-Agent" || h.first == "Accept-Charset" || h.first == "Accept" ||
                h.first == "Accept-Language")
                ours.push_back(h);
        ASSERT_EQ(ours.size(), 4u) << r.requestLine;
        EXPECT_EQ(ours[0].second,
                  "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.13) Gecko/20080311 Firefox/2.0.0.13");
        EXPECT_EQ(ours[1].second, "ISO-8859-1,utf-8;q=0.7,*;q=0.7");
        EXPECT_EQ(
            ours[2].second,
            "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5");
        EXPECT_EQ(ours[3].second, "en-us,en;q=0.5");
    }
}

TEST_F(JobTest, EachChunkIsOnDiskWhenItsProgressIsReported)
{
    const uint64_t size = 3 * 1024 * 1024 + 7;
    site.setVideo("chunks", Good(size));
    TestJob* job = makeJob("chunks");
    const DownloaderInfo info = run(job);
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.completed, int32_t(size));
    EXPECT_EQ(job->lastCompleted, int32_t(size));
    EXPECT_EQ(job->reportsAheadOfTheFile, 0);
    EXPECT_GT(job->largestStep, 0);
    EXPECT_LE(job->largestStep, 64 * 1024);  // no read asks for more
    EXPECT_GE(job->progressReports, int(size / (64 * 1024)));
    EXPECT_TRUE(IsVideoBody(Contents(info.videopath)));
}

TEST_F(JobTest, TokenComesFromTheRedirectWhenThePageHasNone)
{
    Video v = Good();
    v.pageToken.reset();
    v.redirectToken = "fromRedirect";
    v.acceptedToken = "fromRedirect";
    site.setVideo("redir", v);
    const DownloaderInfo info = run(makeJob("redir"));
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.title, "Unknown-redir");  // the page title is dropped along with the missing token
    EXPECT_EQ(site.count("/v/redir"), 1);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("Video/Unknown-redir.mp4")));
}

TEST_F(JobTest, PaddedTokenIsTrimmedAndHugePagesAreScraped)
{
    Video v = Good();
    v.pageToken = "  tok123 ";
    v.pagePadding = 6 * 1024 * 1024;
    site.setVideo("big", v);
    const DownloaderInfo info = run(makeJob("big"));
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.title, "Funny Cats");
    EXPECT_EQ(site.count("/v/"), 0);
}

TEST_F(JobTest, NoTokenAnywhereAsksWithAnEmptyTokenAndFails)
{
    Video v = Good();
    v.pageToken.reset();
    site.setVideo("notok", v);
    const DownloaderInfo info = run(makeJob("notok"));
    // The site refuses an empty token with an error page, which is not saved as the video.
    EXPECT_EQ(site.count("/get_video?video_id=notok&t=&fmt=18"), 1);
    EXPECT_EQ(info.error, DE_INTERNET);
    EXPECT_TRUE(info.videopath.isEmpty());
    EXPECT_TRUE(info.title.isEmpty());
    EXPECT_TRUE(QDir(dir.filePath("Video")).isEmpty());
}

TEST_F(JobTest, VideoErrorStatusIsAnInternetErrorWithNoFile)
{
    Video v = Good();
    v.video.status = 404;
    site.setVideo("gone", v);
    const DownloaderInfo info = run(makeJob("gone"));
    EXPECT_EQ(info.error, DE_INTERNET);
    EXPECT_TRUE(info.title.isEmpty());
    EXPECT_TRUE(info.videopath.isEmpty());
    EXPECT_FALSE(QDir(dir.filePath("Video")).exists() && !QDir(dir.filePath("Video")).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("Temp/gone.jpg")));
}

TEST_F(JobTest, MissingOrZeroLengthIsAParseError)
{
    Video zero = Good();
    zero.video.zeroContentLength = true;
    site.setVideo("zero", zero);
    Video none = Good();
    none.video.noContentLength = true;
    site.setVideo("none", none);

    for (const char* id : {"zero", "none"}) {
        const DownloaderInfo info = run(makeJob(id));
        EXPECT_EQ(info.error, DE_PARSE) << id;
        EXPECT_TRUE(info.title.isEmpty()) << id;
        EXPECT_TRUE(info.videopath.isEmpty()) << id;
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(QString("Temp/%1.jpg").arg(id)))) << id;
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Video/Funny Cats.mp4")));
}

TEST_F(JobTest, BodyCutShortKeepsThePartialFileAndIsAnInternetError)
{
    Video v = Good(100000);
    v.video.cutAfter = 40000;
    site.setVideo("cut", v);
    const DownloaderInfo info = run(makeJob("cut"));
    EXPECT_EQ(info.error, DE_INTERNET);
    EXPECT_EQ(info.length, 100000);
    EXPECT_EQ(info.completed, 40000);
    const QByteArray partial = Contents(dir.filePath("Video/Funny Cats.mp4"));
    EXPECT_EQ(partial.size(), 40000);
    EXPECT_TRUE(IsVideoBody(partial));
}

TEST_F(JobTest, NetworkFailuresEndWithCodeThree)
{
    CYouTubeDownloader::SetReceiveTimeout(300);
    Video stall = Good(100000);
    stall.video.stallAfterBytes = 5000;
    stall.video.stallMs = 2000;
    site.setVideo("stall", stall);
    Video thumbDown = Good();
    thumbDown.thumb.stallBeforeHeadersMs = 2000;
    site.setVideo("thumbdown", thumbDown);

    DownloaderInfo info = run(makeJob("stall"));
    EXPECT_EQ(info.error, DE_INTERNET);
    EXPECT_EQ(info.completed, 5000);
    EXPECT_EQ(QFileInfo(dir.filePath("Video/Funny Cats.mp4")).size(), 5000);

    info = run(makeJob("thumbdown"));
    EXPECT_EQ(info.error, DE_INTERNET);
    EXPECT_EQ(site.count("/watch?v=thumbdown"), 0);  // the job ends before the page is asked for
}

TEST_F(JobTest, UnreachableSiteIsAnInternetError)
{
    ScopedProxy nowhere("http://127.0.0.1:1");
    site.setVideo("x", Good());
    const DownloaderInfo info = run(makeJob("x"));
    EXPECT_EQ(info.error, DE_INTERNET);
    EXPECT_EQ(info.state, DS_DONE);
}

TEST_F(JobTest, FileFailuresEndWithCodeFive)
{
    site.setVideo("f", Good());
    {
        // A plain file where the video folder should be.
        QFile blocker(dir.filePath("Video"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    DownloaderInfo info = run(makeJob("f"));
    EXPECT_EQ(info.error, DE_FILE);
    EXPECT_NE(info.state, DS_DOWNLOADING);
    EXPECT_TRUE(info.videopath.isEmpty());  // never reached the transfer

    // A title longer than a file name holds is cut at a whole character:
    // 90 Japanese characters are 270 bytes, and 83 fit before ".mp4".
    std::string japanese;
    for (int i = 0; i < 90; ++i)
        japanese += "\xe5\x8b\x95";
    Video longTitle = Good();
    longTitle.title = japanese;
    site.setVideo("long", longTitle);
    ASSERT_TRUE(QFile::remove(dir.filePath("Video")));
    info = run(makeJob("long"));
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.title, QString::fromStdString(japanese));
    EXPECT_EQ(QFileInfo(info.videopath).fileName(), QString::fromStdString(japanese.substr(0, 249) + ".mp4"));
}

// Another video of the same title takes the next free name, running or
// not, and its Restart keeps writing its own file.
TEST_F(JobTest, ASecondVideoWithTheSameTitleGetsTheNextFreeName)
{
    Video slow = Good(60000);
    slow.video.trickleBytes = 2000;
    slow.video.trickleMs = 20;
    site.setVideo("one", slow);
    site.setVideo("two", Good(1000));  // same title, so the same path

    TestJob* first = makeJob("one");
    ASSERT_TRUE(first->Start());
    ASSERT_TRUE(WaitFor([&] { return Snapshot(*first).completed > 0; }));
    const DownloaderInfo second = run(makeJob("two"));
    EXPECT_EQ(second.error, DE_NONE);
    EXPECT_EQ(second.videopath, dir.filePath("Video/Funny Cats (2).mp4"));

    ASSERT_TRUE(WaitFor([&] { return Snapshot(*first).state == DS_DONE; }));
    EXPECT_EQ(Snapshot(*first).error, DE_NONE);
    EXPECT_EQ(run(jobs.back()).videopath, second.videopath);
    const QByteArray file = Contents(dir.filePath("Video/Funny Cats.mp4"));
    EXPECT_EQ(file.size(), 60000);
    EXPECT_TRUE(IsVideoBody(file));
    EXPECT_EQ(QFileInfo(second.videopath).size(), 1000);
}

TEST_F(JobTest, StopBeforeTheFirstRequestSendsNothing)
{
    site.setVideo("early", Good());
    TestJob* job = makeJob("early");
    Gate begun, release;
    job->atBegin = [&] {
        begun.open();
        release.wait();
    };
    ASSERT_TRUE(job->Start());
    begun.wait();
    EXPECT_FALSE(job->Start());  // its worker runs
    job->Stop();
    release.open();
    ASSERT_TRUE(WaitFor([&] { return Snapshot(*job).state == DS_DONE; }));
    EXPECT_EQ(Snapshot(*job).error, DE_STOPPED);
    EXPECT_TRUE(site.requests().empty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Temp/early.jpg")));
}

TEST_F(JobTest, StopMidTransferKeepsThePartialFile)
{
    Video v = Good(400000);
    v.video.trickleBytes = 1000;
    v.video.trickleMs = 5;
    site.setVideo("mid", v);
    TestJob* job = makeJob("mid");
    ASSERT_TRUE(job->Start());
    ASSERT_TRUE(WaitFor([&] { return Snapshot(*job).completed >= 5000; }));
    job->Stop();
    ASSERT_TRUE(WaitFor([&] { return Snapshot(*job).state == DS_DONE; }));
    const DownloaderInfo info = Snapshot(*job);
    EXPECT_EQ(info.error, DE_STOPPED);
    EXPECT_EQ(info.videopath, dir.filePath("Video/Funny Cats.mp4"));
    EXPECT_GT(info.completed, 0);
    EXPECT_LT(info.completed, 400000);
    EXPECT_EQ(QFileInfo(info.videopath).size(), info.completed);
}

TEST_F(JobTest, DiscardOfARunningJobDeletesItOnceWhenItsWorkerEnds)
{
    Video v = Good(400000);
    v.video.trickleBytes = 1000;
    v.video.trickleMs = 5;
    site.setVideo("disc", v);
    TestJob* job = makeJob("disc");
    jobs.clear();  // the test discards it itself
    ASSERT_TRUE(job->Start());
    ASSERT_TRUE(WaitFor([&] {
        DownloaderInfo i = Snapshot(*job);
        return i.completed > 0;
    }));
    const int before = g_deletions;
    job->Discard();  // returns at once; the worker deletes it
    // Once the worker thread has ended nothing can delete the job any more.
    ASSERT_TRUE(WaitFor([] { return g_workersEnded.load() == g_workersStarted.load(); }));
    EXPECT_EQ(g_deletions, before + 1);
    EXPECT_TRUE(g_deletedOnWorker.load());
    EXPECT_NE(g_stateAtDeletion.load(), DS_DONE);

    // A job without a worker goes at once.
    TestJob* idle = makeJob("idle");
    jobs.clear();
    const int now = g_deletions;
    idle->Discard();
    EXPECT_EQ(g_deletions, now + 1);
    EXPECT_FALSE(g_deletedOnWorker.load());
}

namespace {
Gate* g_atEnd = nullptr;
Gate* g_endRelease = nullptr;
std::atomic<int> g_endHookCalls{0};

// Holds the first worker that reaches the hook until the test lets it go.
void HoldFirstWorkerAfterEnd()
{
    if (g_endHookCalls++ != 0)
        return;
    g_atEnd->open();
    g_endRelease->wait();
}

struct AfterEndHook {
    Gate reached, release;
    AfterEndHook()
    {
        g_endHookCalls = 0;
        g_atEnd = &reached;
        g_endRelease = &release;
        CMyYouTubeDownloader::SetAfterEndHook(&HoldFirstWorkerAfterEnd);
    }
    ~AfterEndHook()
    {
        release.open();
        CMyYouTubeDownloader::SetAfterEndHook(nullptr);
    }
};
}  // namespace

// The moment after a worker hands its job back: the job already reads as
// done, and a Discard or Start there finds a job the worker no longer touches
// (ASan reports a worker that writes a discarded job).
TEST_F(JobTest, AfterItsLastHoldTheWorkerLeavesTheJobAlone)
{
    site.setVideo("late", Good(2000));
    {
        AfterEndHook hook;
        TestJob* job = makeJob("late");
        jobs.clear();
        ASSERT_TRUE(job->Start());
        hook.reached.wait();
        EXPECT_EQ(Snapshot(*job).state, DS_DONE);
        const int before = g_deletions;
        job->Discard();
        EXPECT_EQ(g_deletions, before + 1);  // no worker counts as running: deleted at once
        EXPECT_FALSE(g_deletedOnWorker.load());
        hook.release.open();
        ASSERT_TRUE(WaitFor([] { return g_workersEnded.load() == g_workersStarted.load(); }));
        EXPECT_EQ(g_deletions, before + 1);
    }
    {
        // A restart at that moment: the old worker must not end the new run.
        AfterEndHook hook;
        TestJob* job = makeJob("late");
        Gate begun, go;
        ASSERT_TRUE(job->Start());
        hook.reached.wait();
        job->atBegin = [&] {
            begun.open();
            go.wait();
        };
        const int ended = g_workersEnded;
        ASSERT_TRUE(job->Start());
        begun.wait();
        hook.release.open();
        ASSERT_TRUE(WaitFor([&] { return g_workersEnded.load() == ended + 1; }));  // the old worker is gone
        EXPECT_EQ(Snapshot(*job).state, DS_IDLE);
        go.open();
        ASSERT_TRUE(WaitFor([&] { return Snapshot(*job).state == DS_DONE; }));
        EXPECT_EQ(Snapshot(*job).error, DE_NONE);
        EXPECT_EQ(Snapshot(*job).completed, 2000);
    }
}

TEST_F(JobTest, RestartRunsTheWholeJobAgain)
{
    Video v = Good(3000);
    v.title = "First";
    site.setVideo("re", v);
    TestJob* job = makeJob("re");
    EXPECT_EQ(run(job).title, "First");

    v.title = "Second";
    site.setVideo("re", v);
    const DownloaderInfo info = run(job);
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.title, "Second");
    EXPECT_EQ(info.videopath, dir.filePath("Video/Second.mp4"));
    EXPECT_EQ(site.count("/vi/re/"), 2);
}

// The value of a request's header line; empty without one.
std::vector<Request> VideoRequests(const LocalVideoSite& site)
{
    std::vector<Request> out;
    for (const Request& r : site.requests())
        if (r.target.rfind("/get_video", 0) == 0)
            out.push_back(r);
    return out;
}

// Stopped part way, then resumed: the rest is asked for from the partial
// file's size and appended. A site without ranges, a range that does not fit
// the stored length, Restart and a new title each write a file from 0.
TEST_F(JobTest, ResumeContinuesThePartialFileAndAnythingElseStartsFromZero)
{
    const QString path = dir.filePath("Video/Funny Cats.mp4");
    Video v = Good(300000);
    v.video.trickleBytes = 2000;
    v.video.trickleMs = 2;
    site.setVideo("res", v);
    TestJob* job = makeJob("res");
    // A run stopped with about a third on disk; then only the next run's requests count.
    const auto partWay = [&] {
        EXPECT_TRUE(job->Start());
        // Only the new worker sets DS_DOWNLOADING: the figures are this run's.
        EXPECT_TRUE(WaitFor([&] {
            const DownloaderInfo now = Snapshot(*job);
            return now.state == DS_DOWNLOADING && now.completed >= 100000;
        }));
        job->Stop();
        EXPECT_TRUE(WaitFor([&] { return Snapshot(*job).state == DS_DONE; }));
        site.clearRequests();
        return Snapshot(*job);
    };

    const DownloaderInfo stopped = partWay();
    EXPECT_EQ(stopped.error, DE_STOPPED);
    EXPECT_LT(stopped.completed, 300000);
    EXPECT_EQ(QFileInfo(path).size(), stopped.completed);
    EXPECT_TRUE(CMyYouTubeDownloader::CanResume(stopped));
    DownloaderInfo info = run(job, true);
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.length, 300000);
    EXPECT_EQ(info.completed, 300000);
    EXPECT_EQ(info.resumed, stopped.completed);
    EXPECT_EQ(job->resumedAt, stopped.completed);  // bytes done count from there
    EXPECT_EQ(job->reportsAheadOfTheFile, 0);      // each report is the file's size: appended in place
    QByteArray bytes = Contents(path);
    EXPECT_EQ(bytes.size(), 300000);
    EXPECT_TRUE(IsVideoBody(bytes));
    auto requests = VideoRequests(site);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Range"), "bytes=" + std::to_string(stopped.completed) + "-");
    EXPECT_FALSE(requests[0].header("User-Agent").empty());
    EXPECT_FALSE(requests[0].header("Accept-Language").empty());
    EXPECT_FALSE(CMyYouTubeDownloader::CanResume(info));  // complete

    // The whole video instead (once as it is, once after a request with a
    // range that does not match), or a video whose length is not the stored one.
    struct Case {
        Ranges ranges;
        uint64_t size;
        size_t requests;
    };
    for (const Case& c :
         {Case{Ranges::Ignore, 300000, 1}, Case{Ranges::Misplace, 300000, 2}, Case{Ranges::Honour, 310000, 2}}) {
        SCOPED_TRACE(int(c.ranges));
        v.ranges = Ranges::Honour;
        v.size = 300000;
        site.setVideo("res", v);
        const DownloaderInfo part = partWay();
        v.ranges = c.ranges;
        v.size = c.size;
        site.setVideo("res", v);
        info = run(job, true);
        EXPECT_EQ(info.error, DE_NONE);
        EXPECT_EQ(info.completed, int32_t(c.size));
        EXPECT_EQ(info.resumed, 0);
        EXPECT_EQ(job->resumedAt, -1);
        bytes = Contents(path);
        EXPECT_EQ(bytes.size(), int(c.size));
        EXPECT_TRUE(IsVideoBody(bytes));
        requests = VideoRequests(site);
        ASSERT_EQ(requests.size(), c.requests);
        EXPECT_EQ(requests[0].header("Range"), "bytes=" + std::to_string(part.completed) + "-");
        if (c.requests == 2) {
            EXPECT_EQ(requests[1].header("Range"), "");  // the whole video, as Restart asks for it
        }
    }

    // Restart asks for no range and writes the file again from 0.
    v.ranges = Ranges::Honour;
    v.size = 300000;
    site.setVideo("res", v);
    partWay();
    info = run(job);
    EXPECT_EQ(info.error, DE_NONE);
    requests = VideoRequests(site);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Range"), "");
    bytes = Contents(path);
    EXPECT_EQ(bytes.size(), 300000);
    EXPECT_TRUE(IsVideoBody(bytes));

    // A new title names another file: nothing to continue, and the partial one stays.
    const DownloaderInfo part = partWay();
    v.title = "Other Cats";
    site.setVideo("res", v);
    info = run(job, true);
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.videopath, dir.filePath("Video/Other Cats.mp4"));
    EXPECT_TRUE(IsVideoBody(Contents(info.videopath)));
    EXPECT_EQ(QFileInfo(info.videopath).size(), 300000);
    EXPECT_EQ(QFileInfo(path).size(), part.completed);
    requests = VideoRequests(site);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Range"), "");
}

// A Resume that fails before its video begins keeps the partial file, and
// the next one continues it; counts past 2^31 keep their 64 bits.
TEST_F(JobTest, AFailedResumeKeepsItsFileAndCountsPassTwoGibibytes)
{
    const int64_t length = int64_t(3) << 30, part = (int64_t(1) << 31) + 100;
    Video v = Good(uint64_t(length));
    v.video.cutAfter = 10000;
    site.setVideo("huge", v);
    TestJob* job = makeJob("huge");
    const DownloaderInfo cut = run(job);
    EXPECT_EQ(cut.error, DE_INTERNET);
    EXPECT_EQ(cut.length, length);
    ASSERT_TRUE(QFile::resize(cut.videopath, part));  // sparse
    job->Restore("huge", cut.title, cut.videopath, "", "", DE_INTERNET, length, part);

    v.page.cutAfter = 10;  // the watch page fails this time
    site.setVideo("huge", v);
    const DownloaderInfo failed = run(job, true);
    EXPECT_EQ(failed.error, DE_INTERNET);
    EXPECT_EQ(failed.videopath, cut.videopath);
    EXPECT_EQ(failed.completed, part);
    EXPECT_TRUE(CMyYouTubeDownloader::CanResume(failed));

    v.page.cutAfter = -1;
    site.setVideo("huge", v);
    EXPECT_EQ(run(job, true).completed, part + 10000);
    EXPECT_EQ(VideoRequests(site).back().header("Range"), "bytes=" + std::to_string(part) + "-");
}

// A chunked body is never written past its stated length, and one that
// ends short of it is a failure whose partial file can be resumed.
TEST_F(JobTest, ABodyLongerThanItsLengthIsCutAndAShorterOneFails)
{
    Video longer = Good(20000), shorter = Good(1000000);
    longer.video.chunkedBytes = int64_t(1) << 40;
    shorter.video.chunkedBytes = 10;
    site.setVideo("longer", longer);
    site.setVideo("shorter", shorter);
    const DownloaderInfo whole = run(makeJob("longer"));
    EXPECT_EQ(whole.error, DE_NONE);
    EXPECT_TRUE(IsVideoBody(Contents(whole.videopath)));
    EXPECT_EQ(QFileInfo(whole.videopath).size(), 20000);
    const DownloaderInfo cut = run(makeJob("shorter"));
    EXPECT_EQ(cut.error, DE_INTERNET);
    EXPECT_EQ(cut.completed, 10);
    EXPECT_TRUE(CMyYouTubeDownloader::CanResume(cut));
}

// Stop ends a wait for a server that is silent; headers that never end fail.
TEST_F(JobTest, StopEndsAWaitForASilentServerAndEndlessHeadersFail)
{
    CYouTubeDownloader::SetReceiveTimeout(1500);
    Video silent = Good(), trickle = Good();
    silent.page.stallBeforeHeadersMs = 60000;
    trickle.page.headerTrickleMs = 300;
    site.setVideo("silent", silent);
    site.setVideo("trickle", trickle);
    TestJob* job = makeJob("silent");
    ASSERT_TRUE(job->Start());
    ASSERT_TRUE(WaitFor([&] { return site.count("/watch") == 1; }));
    job->Stop();
    EXPECT_TRUE(WaitFor([&] { return Snapshot(*job).state == DS_DONE; }, 1000));
    EXPECT_EQ(run(makeJob("trickle")).error, DE_INTERNET);
}

// Jobs share one rate limit: none gets past it, none is starved, and the
// wait for a share is no silence of the server's.
TEST_F(JobTest, JobsShareOneRateLimitFairly)
{
    CYouTubeDownloader::SetReceiveTimeout(1000);
    CSettings::Instance().SetRateLimitKiB(100);
    std::vector<TestJob*> three;
    for (const char* id : {"r1", "r2", "r3"}) {
        site.setVideo(id, GoodVideo(id, 100000));
        three.push_back(makeJob(id));
    }
    const auto started = std::chrono::steady_clock::now();
    for (TestJob* job : three)
        ASSERT_TRUE(job->Start());
    ASSERT_TRUE(WaitFor([&] {
        return std::any_of(three.begin(), three.end(), [](TestJob* j) { return Snapshot(*j).state == DS_DONE; });
    }));
    for (TestJob* job : three)
        EXPECT_GT(Snapshot(*job).completed, 100000 / 3);
    ASSERT_TRUE(WaitFor([&] {
        return std::all_of(three.begin(), three.end(), [](TestJob* j) { return Snapshot(*j).state == DS_DONE; });
    }));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2500));  // 300 kB at 100 KiB/s
    for (TestJob* job : three)
        EXPECT_EQ(Snapshot(*job).error, DE_NONE);
    CSettings::Instance().SetRateLimitKiB(0);
}

// A worker that cannot be created ends its job at once, finished with code 6.
TEST(JobStart, AWorkerThatCannotBeCreatedEndsTheJobAtOnce)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The limit binds only a process without root's privileges.
        const rlimit none{0, 0};
        if ((::geteuid() == 0 && ::setuid(65534) != 0) || ::setrlimit(RLIMIT_NPROC, &none) != 0)
            ::_exit(2);
        CMyYouTubeDownloader job;
        const bool started = job.SetAddress("http://www.youtube.com/watch?v=nothread") && job.Start();
        const DownloaderInfo info = Snapshot(job);
        ::_exit(!started && info.state == DS_DONE && info.error == DE_FRAMEWORK ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
}

TEST_F(JobTest, InvalidUtf8TitleStillGivesAFile)
{
    Video v = Good(2000);
    v.title = "bad\xff\xfe name";
    site.setVideo("utf", v);
    const DownloaderInfo info = run(makeJob("utf"));
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_TRUE(info.title.startsWith("bad"));
    EXPECT_TRUE(info.title.endsWith("name"));
    EXPECT_TRUE(QFileInfo::exists(info.videopath));
}

TEST_F(JobTest, OtherExceptionsMapToCodesSixAndSeven)
{
    site.setVideo("six", Good());
    site.setVideo("seven", Good());
    TestJob* six = makeJob("six");
    six->tempFolder = [](QString&) { throw CException(QStringLiteral("framework failure")); };
    TestJob* seven = makeJob("seven");
    seven->tempFolder = [](QString&) { throw 42; };
    EXPECT_EQ(run(six).error, DE_FRAMEWORK);
    EXPECT_EQ(run(seven).error, DE_UNKNOWN);
}

namespace {

// The most this process has held resident so far, in KiB.
long PeakResidentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

}  // namespace

// A page that never ends must end its own job, never the program; a large
// page whose token stands at its very end is still a page.
TEST_F(JobTest, AnEndlessPageEndsItsOwnJobWithCodeSixAndNothingElse)
{
    Video endless = Good();
    endless.page.endless = true;
    site.setVideo("endless", endless);
    Video other = Good(200000);
    other.video.trickleBytes = 4096;
    other.video.trickleMs = 10;
    site.setVideo("other", other);
    Video tail = Good(3000);
    tail.rawPage = "<title>YouTube - Tail</title>" + std::string(5 * 1000 * 1000, 'x') + ", \"t\": \"tok123\"";
    site.setVideo("tail", tail);

    const long before = PeakResidentKb();
    TestJob* running = makeJob("other");
    ASSERT_TRUE(running->Start());
    const DownloaderInfo info = run(makeJob("endless"));
    EXPECT_EQ(info.error, DE_FRAMEWORK);
    EXPECT_TRUE(info.videopath.isEmpty());
    EXPECT_EQ(site.count("/get_video?video_id=endless"), 0);
    EXPECT_LT(PeakResidentKb() - before, 256 * 1024) << "the page was read far past its limit";
    ASSERT_TRUE(WaitFor([&] { return Snapshot(*running).state == DS_DONE; }));
    EXPECT_EQ(Snapshot(*running).error, DE_NONE);
    EXPECT_EQ(Snapshot(*running).completed, 200000);

    const DownloaderInfo last = run(makeJob("tail"));
    EXPECT_EQ(last.error, DE_NONE);
    EXPECT_EQ(last.title, "Tail");
}

TEST_F(JobTest, AThumbnailStopsAtTwoMebibytesAndTheVideoStillComes)
{
    Video v = Good();
    for (int i = 0; v.thumbnail.size() < 3 * 1024 * 1024; ++i)
        v.thumbnail += char('a' + i % 26);
    site.setVideo("bigthumb", v);
    const DownloaderInfo info = run(makeJob("bigthumb"));
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.thumbpath, dir.filePath("Temp/bigthumb.jpg"));
    EXPECT_EQ(Contents(info.thumbpath), QByteArray::fromStdString(v.thumbnail.substr(0, 2 * 1024 * 1024)));
    EXPECT_EQ(Contents(info.videopath).size(), 50000);
}

// A link, or a pipe, planted where a file goes: the thumbnail's job ends
// with code 5, the video takes the next free name, and what the link points
// to stays as it was.
TEST_F(JobTest, ALinkOrAPipeAtTheThumbnailOrVideoNameIsNotWritten)
{
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath("keep.txt");
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    ASSERT_TRUE(QDir().mkpath(dir.filePath("Temp")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("Video")));
    ASSERT_TRUE(QFile::link(victim, dir.filePath("Temp/linkthumb.jpg")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("Temp/pipethumb.jpg")).constData(), 0644), 0);
    Video linked = Good();
    linked.title = "Linked";
    ASSERT_TRUE(QFile::link(victim, dir.filePath("Video/Linked.mp4")));
    site.setVideo("linkthumb", Good());
    site.setVideo("pipethumb", Good());
    site.setVideo("linkvideo", linked);

    for (const char* id : {"linkthumb", "pipethumb"}) {
        const DownloaderInfo info = run(makeJob(id));
        EXPECT_EQ(info.error, DE_FILE) << id;
        EXPECT_EQ(site.count(std::string("/watch?v=") + id), 0) << id;
    }
    const DownloaderInfo info = run(makeJob("linkvideo"));
    EXPECT_EQ(info.error, DE_NONE);
    EXPECT_EQ(info.videopath, dir.filePath("Video/Linked (2).mp4"));
    EXPECT_TRUE(QFileInfo(dir.filePath("Video/Linked.mp4")).isSymLink());
    EXPECT_EQ(Contents(victim), QByteArray("precious"));
}
