// Downloads a 256 MiB video from the local site through a real job, then the
// same URL with the curl command line, and prints throughput, CPU time and
// the engine's memory growth. Asserts nothing.

#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "tests/site/localvideosite.h"
#include "processstats.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <thread>

using namespace localsite;
using bench::CpuSeconds;
using bench::Now;
using bench::StatusKb;

int main(int argc, char** argv)
{
    const uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
    const uint64_t size = mib * 1024 * 1024;
    QTemporaryDir dir;
    LocalVideoSite site;
    ScopedProxy proxy(site.proxyUrl());
    Video v;
    v.title = "Benchmark";
    v.pageToken = "tok";
    v.acceptedToken = "tok";
    v.size = size;
    site.setVideo("bench", v);
    g_strVideoFolder = dir.filePath("Video");
    g_strTempFolder = dir.filePath("Temp");

    // The engine: one real job, polled the way the list polls it.
    const long rssBefore = StatusKb("VmRSS:");
    const double cpu0 = CpuSeconds();
    const double t0 = Now();
    auto* job = new CMyYouTubeDownloader;
    job->SetAddress("http://www.youtube.com/watch?v=bench");
    job->Start();
    DownloaderInfo info;
    info.mask = uint32_t(-1);
    long peakRss = rssBefore;
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        job->GetInfo(info, true);
        peakRss = std::max(peakRss, StatusKb("VmRSS:"));
    } while (info.state != DS_DONE);
    const double engineSeconds = Now() - t0;
    const double engineCpu = CpuSeconds() - cpu0;
    job->Discard();
    const qint64 engineBytes = QFileInfo(info.videopath).size();

    // curl on the same URL through the same proxy, into the same folder.
    const std::string out = dir.filePath("Video/curl.mp4").toStdString();
    const std::string cmd = "curl -s -o '" + out + "' -x " + site.proxyUrl()
                            + " 'http://www.youtube.com/get_video?video_id=bench&t=tok&fmt=18'";
    const double t1 = Now();
    const int rc = std::system(cmd.c_str());
    const double curlSeconds = Now() - t1;
    const qint64 curlBytes = QFileInfo(QString::fromStdString(out)).size();

    const double engineMBs = double(engineBytes) / 1e6 / engineSeconds;
    const double curlMBs = double(curlBytes) / 1e6 / curlSeconds;
    std::printf("video size            %llu MiB (engine wrote %lld bytes, outcome %d; curl wrote %lld bytes, exit %d)\n",
                (unsigned long long)mib, (long long)engineBytes, info.error, (long long)curlBytes, rc);
    std::printf("engine                %.1f MB/s (%.2f s, includes thumbnail and page)\n", engineMBs, engineSeconds);
    std::printf("curl command line     %.1f MB/s (%.2f s)\n", curlMBs, curlSeconds);
    std::printf("engine / curl         %.2f\n", engineMBs / curlMBs);
    std::printf("engine CPU            %.2f s per GiB (whole process, server included)\n",
                engineCpu / (double(engineBytes) / (1024.0 * 1024 * 1024)));
    std::printf("engine memory         peak %.1f MiB above start (RSS %ld -> %ld KiB)\n",
                double(peakRss - rssBefore) / 1024.0, rssBefore, peakRss);
    return 0;
}
