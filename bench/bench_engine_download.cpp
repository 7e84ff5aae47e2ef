// Downloads a video (256 MiB unless told) from the local site through a real
// job and the same URL with the curl command line, in interleaved pairs, and
// prints each pair's throughput, the median engine/curl ratio with its range,
// CPU time and the process's memory; then three jobs at once under a rate
// limit of 1 MiB/s, with the sum they reached and each one's share. Asserts
// nothing.
//
//   bench_engine_download [MiB [pairs [limit KiB/s]]]    pairs: at least 5; limit 1024 unless told

#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "engine/settings.h"
#include "tests/site/localvideosite.h"
#include "processstats.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <spawn.h>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace localsite;
using bench::CpuSeconds;
using bench::Now;
using bench::StatusKb;

namespace {

// Woken by the worker itself the moment the job is done, so the measured
// time carries no polling interval.
struct Finish {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    double at = 0;

    void Signal()
    {
        const double now = Now();
        std::lock_guard<std::mutex> l(m);
        at = now;
        done = true;
        cv.notify_all();
    }
    double Wait()
    {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return done; });
        return at;
    }
};

class BenchJob : public CMyYouTubeDownloader {
public:
    explicit BenchJob(Finish& finish) : m_finish(finish) {}

protected:
    void OnEnd() override
    {
        Finish& finish = m_finish;  // the job is the caller's again once OnEnd returns
        CMyYouTubeDownloader::OnEnd();
        finish.Signal();
    }

private:
    Finish& m_finish;
};

struct Run {
    double seconds = 0;
    double cpu = 0;
    qint64 bytes = 0;
    int outcome = -1;
};

Run RunEngine(const QString& videoPath)
{
    QFile::remove(videoPath);
    Finish finish;
    auto* job = new BenchJob(finish);
    job->SetAddress("http://www.youtube.com/watch?v=bench");
    Run r;
    const double cpu0 = CpuSeconds();
    const double t0 = Now();
    if (!job->Start()) {
        job->Discard();
        return r;
    }
    r.seconds = finish.Wait() - t0;
    r.cpu = CpuSeconds() - cpu0;
    DownloaderInfo info;
    info.mask = DIF_ERROR | DIF_VIDEOPATH;
    job->GetInfo(info, true);
    job->Discard();
    r.outcome = info.error;
    r.bytes = info.videopath == videoPath ? QFileInfo(videoPath).size() : -1;
    return r;
}

// curl started directly, without a shell in between.
Run RunCurl(const std::string& out, const std::string& proxy)
{
    QFile::remove(QString::fromStdString(out));
    const std::string url = "http://www.youtube.com/get_video?video_id=bench&t=tok&fmt=18";
    std::vector<std::string> args = {"curl", "-s", "-o", out, "-x", proxy, url};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Run r;
    const double t0 = Now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0)
        return r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.seconds = Now() - t0;
    r.outcome = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.bytes = QFileInfo(QString::fromStdString(out)).size();
    return r;
}

// Three jobs at once for `seconds` under a limit over all of them, then stopped.
void RunLimited(int kib, int seconds)
{
    CSettings::Instance().SetRateLimitKiB(kib);
    std::vector<std::unique_ptr<Finish>> finishes;
    std::vector<BenchJob*> jobs;
    for (const char* id : {"limited1", "limited2", "limited3"}) {
        finishes.push_back(std::make_unique<Finish>());
        jobs.push_back(new BenchJob(*finishes.back()));
        jobs.back()->SetAddress(QStringLiteral("http://www.youtube.com/watch?v=%1").arg(id));
        jobs.back()->Start();
    }
    const auto completed = [](BenchJob* job) {
        DownloaderInfo info;
        info.mask = DIF_COMPLETED;
        job->GetInfo(info, false);
        return double(info.completed);
    };
    // From the moment every video transfer runs: the thumbnails and pages come first.
    while (std::any_of(jobs.begin(), jobs.end(), [&](BenchJob* j) { return completed(j) == 0; }))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::vector<double> from;
    for (BenchJob* job : jobs)
        from.push_back(completed(job));
    const double t0 = Now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::vector<double> got;
    for (size_t i = 0; i < jobs.size(); ++i)
        got.push_back(completed(jobs[i]) - from[i]);
    const double elapsed = Now() - t0;
    const double sum = (got[0] + got[1] + got[2]) / elapsed / 1024;
    std::printf("rate limit %d KiB/s   three jobs together %.1f KiB/s (%.1f %% of the limit) over %.1f s; "
                "shares %.1f / %.1f / %.1f %%\n",
                kib, sum, 100 * sum / kib, elapsed, 100 * got[0] / (sum * elapsed * 1024),
                100 * got[1] / (sum * elapsed * 1024), 100 * got[2] / (sum * elapsed * 1024));
    for (BenchJob* job : jobs)
        job->Stop();
    for (auto& finish : finishes)
        finish->Wait();
    for (BenchJob* job : jobs)
        job->Discard();
    CSettings::Instance().SetRateLimitKiB(0);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
    const int pairs = std::max(5, argc > 2 ? std::atoi(argv[2]) : 5);
    const uint64_t size = mib * 1024 * 1024;
    QTemporaryDir dir;
    LocalVideoSite site;
    ScopedProxy proxy(site.proxyUrl());
    site.setVideo("bench", GoodVideo("Benchmark", size));
    SetVideoFolderSetting(dir.filePath("Video"));
    SetTempFolderSetting(dir.filePath("Temp"));
    const QString enginePath = dir.filePath("Video/Benchmark.mp4");
    const std::string curlPath = dir.filePath("Video/curl.mp4").toStdString();

    std::printf("video size %llu MiB, %d interleaved pairs (the first of each pair alternates)\n",
                (unsigned long long)mib, pairs);
    std::printf("pair  engine MB/s      curl MB/s        ratio\n");
    const long rssStart = StatusKb("VmRSS:");
    std::vector<double> ratios, engineRates, curlRates;
    double engineCpu = 0, engineBytes = 0;
    long rssAfterFirst = 0, rssAfterLast = 0;
    bool complete = true;
    for (int i = 0; i < pairs; ++i) {
        Run e, c;
        if (i % 2 == 0) {
            e = RunEngine(enginePath);
            c = RunCurl(curlPath, site.proxyUrl());
        } else {
            c = RunCurl(curlPath, site.proxyUrl());
            e = RunEngine(enginePath);
        }
        (i == 0 ? rssAfterFirst : rssAfterLast) = StatusKb("VmRSS:");
        const bool ok = e.outcome == DE_NONE && e.bytes == qint64(size) && c.outcome == 0 && c.bytes == qint64(size);
        complete = complete && ok;
        const double er = double(e.bytes) / 1e6 / e.seconds;
        const double cr = double(c.bytes) / 1e6 / c.seconds;
        std::printf("%4d  %6.1f (%5.2f s)  %6.1f (%5.2f s)  %5.2f%s\n", i + 1, er, e.seconds, cr, c.seconds, er / cr,
                    ok ? "" : "  INCOMPLETE");
        if (!ok) {
            std::printf("      engine outcome %d, %lld bytes; curl exit %d, %lld bytes\n", e.outcome,
                        (long long)e.bytes, c.outcome, (long long)c.bytes);
            continue;
        }
        ratios.push_back(er / cr);
        engineRates.push_back(er);
        curlRates.push_back(cr);
        engineCpu += e.cpu;
        engineBytes += double(e.bytes);
    }
    if (ratios.empty()) {
        std::printf("no complete pair\n");
        return 1;
    }
    std::printf("engine / curl         median %.2f (min %.2f, max %.2f) over %zu pairs%s\n", Median(ratios),
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
                ratios.size(), complete ? "" : " (incomplete pairs left out)");
    std::printf("engine                median %.1f MB/s (includes thread start, thumbnail and page)\n",
                Median(engineRates));
    std::printf("curl command line     median %.1f MB/s (includes process start)\n", Median(curlRates));
    std::printf("engine CPU            %.2f s per GiB (whole process, server included)\n",
                engineCpu / (engineBytes / (1024.0 * 1024 * 1024)));
    std::printf("memory                RSS %ld KiB at start, %ld after the first pair, %ld after the last; "
                "peak %ld KiB (server included)\n",
                rssStart, rssAfterFirst, pairs > 1 ? rssAfterLast : rssAfterFirst, StatusKb("VmHWM:"));
    for (const char* id : {"limited1", "limited2", "limited3"})
        site.setVideo(id, GoodVideo(id, 4ull << 30));
    RunLimited(argc > 3 ? std::atoi(argv[3]) : 1024, 10);
    return 0;
}
