// Reads a 256 MiB body from the local site through CHttpFile in 1023-byte
// pieces, then fetches the same URL with the curl command line, and prints
// throughput, CPU time and memory growth of our reader. Asserts nothing.

#include "platform/internetsession.h"
#include "tests/site/localvideosite.h"
#include "processstats.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>

using namespace localsite;
using bench::CpuSeconds;
using bench::Now;
using bench::StatusKb;

int main(int argc, char** argv)
{
    const uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
    const uint64_t size = mib * 1024 * 1024;
    LocalVideoSite site;
    ScopedProxy proxy(site.proxyUrl());
    site.setVideo("bench", GoodVideo("Benchmark", size));
    const char* object = "get_video?video_id=bench&t=tok&fmt=18";

    // Best of three rounds each: the machine is shared, a single run is noisy.
    const long rssBefore = StatusKb("VmRSS:");
    long peakRss = rssBefore;
    double ours = 1e9, oursCpu = 0, theirs = 1e9;
    uint64_t total = 0, theirTotal = 0;
    bool intact = true;
    for (int round = 0; round < 3; ++round) {
        const double cpu0 = CpuSeconds();
        const double t0 = Now();
        total = 0;
        {
            CInternetSession session;
            auto conn = session.GetHttpConnection(kSiteHost, 80);
            auto file = conn->OpenRequest("GET", object, INTERNET_FLAG_EXISTING_CONNECT);
            file->SendRequest();
            char buf[1023];
            while (unsigned n = file->Read(buf, sizeof buf)) {
                // Spot checks keep the reader honest without costing the measurement.
                if (buf[0] != VideoByte(total) || buf[n - 1] != VideoByte(total + n - 1))
                    intact = false;
                total += n;
                if ((total & 0xffffff) < sizeof buf)
                    peakRss = std::max(peakRss, StatusKb("VmRSS:"));
            }
        }
        if (total != size)
            intact = false;
        const double took = Now() - t0;
        if (took < ours) {
            ours = took;
            oursCpu = CpuSeconds() - cpu0;
        }

        // The same body with the curl command line; the site's own CPU is in ours too, so
        // the wall-clock figures compare like with like.
        const std::string cmd =
            "curl -s -o /dev/null -w '%{size_download}' 'http://" + std::string(kSiteHost) + "/" + object + "'";
        const double t1 = Now();
        FILE* p = popen(cmd.c_str(), "r");
        char out[64] = {};
        if (p) {
            if (!std::fgets(out, sizeof out, p))
                out[0] = 0;
            pclose(p);
        }
        theirs = std::min(theirs, Now() - t1);
        theirTotal = std::strtoull(out, nullptr, 10);
    }

    const double mb = double(size) / (1024.0 * 1024.0);
    std::printf("bench_http_read: %llu MiB in 1023-byte reads, best of 3\n", (unsigned long long)mib);
    std::printf("  CHttpFile: %llu bytes %s, %.2f s, %.1f MiB/s, CPU %.2f s, RSS growth %ld KiB (peak %ld KiB)\n",
                (unsigned long long)total, intact && total == size ? "intact" : "WRONG", ours, mb / ours, oursCpu,
                peakRss - rssBefore, peakRss);
    std::printf("  curl CLI:  %llu bytes, %.2f s, %.1f MiB/s\n", (unsigned long long)theirTotal, theirs, mb / theirs);
    std::printf("  ratio: %.0f%% of curl's throughput\n", 100.0 * theirs / ours);
    return total == size && intact ? 0 : 1;
}
