// Holds many rows in the view and changes one row's status each period:
// prints the bytes sent to the view per refresh and the view's time to apply
// each batch, at 50 and at 500 rows. Usage: bench_view [period_ms] [seconds]
#include "tests/view/viewharness.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Sample {
    qint64 bytes;
    double applyMs;
};

QString Status(int done, int total)
{
    return QStringLiteral("%1 KB / %2 KB  (%3 KB/s)  -  %4 Secs Left ")
        .arg(done / 1024)
        .arg(total / 1024)
        .arg(400)
        .arg((total - done) / 409600);
}

void Report(int rows, const char* phase, const std::vector<Sample>& s)
{
    if (s.empty()) {
        std::printf("%4d rows  %-6s no refreshes\n", rows, phase);
        return;
    }
    qint64 bytes = 0, maxBytes = 0;
    double ms = 0, maxMs = 0;
    for (const Sample& x : s) {
        bytes += x.bytes;
        maxBytes = std::max(maxBytes, x.bytes);
        ms += x.applyMs;
        maxMs = std::max(maxMs, x.applyMs);
    }
    std::printf("%4d rows  %-6s %3zu refreshes  bytes/refresh avg %6.0f max %6lld  apply avg %6.3f ms max %6.3f ms\n",
                rows, phase, s.size(), double(bytes) / s.size(), static_cast<long long>(maxBytes), ms / s.size(),
                maxMs);
}

void Run(int rows, int periodMs, int seconds)
{
    ViewHarness h;
    if (!h.loadPage()) {
        std::printf("no page\n");
        return;
    }
    std::vector<HELEMENT> list;
    const int total = 10 * 1024 * 1024;
    for (int i = 0; i < rows; ++i)
        list.push_back(h.insertRow(0x7FFFFFFF, QStringLiteral("id%1").arg(i), QStringLiteral("Video number %1").arg(i),
                                   Status(0, total), true, total, 0));
    if (!h.showView(120000)) {
        std::printf("%4d rows  the view did not come up\n", rows);
        return;
    }
    std::printf("%4d rows  snapshot %lld bytes\n", rows, static_cast<long long>(h.view()->lastBatchBytes()));
    Pump(500);

    std::vector<Sample> samples;
    int pendingSeq = -1;
    qint64 pendingBytes = 0;
    QObject::connect(h.view(), &layout::LayoutWebView::batchApplied, [&](int seq, double ms) {
        if (seq == pendingSeq)
            samples.push_back({pendingBytes, ms});
    });
    const int steps = std::max(1, seconds * 1000 / periodMs);
    for (int step = 0; step < steps; ++step) {
        const int done = (step + 1) * 40960;
        h.setRowStatus(list[size_t(step * 7 % rows)], Status(done, total), done);
        h.view()->flush();  // the refresh timer's moment
        pendingSeq = h.view()->lastBatchSeq();
        pendingBytes = h.view()->lastBatchBytes();
        Pump(periodMs);
    }
    const size_t half = samples.size() / 2;
    Report(rows, "first", std::vector<Sample>(samples.begin(), samples.begin() + long(half)));
    Report(rows, "second", std::vector<Sample>(samples.begin() + long(half), samples.end()));
}

}  // namespace

int main(int argc, char** argv)
{
    const int periodMs = argc > 1 ? std::max(10, atoi(argv[1])) : 1000;
    const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 30;
    ViewHarness::PrepareProcess(0);
    QApplication app(argc, argv);
    std::printf("one row's status changed every %d ms for %d s\n", periodMs, seconds);
    Run(50, periodMs, seconds);
    Run(500, periodMs, seconds);
    return 0;
}
