// Loads and saves an app.xml of 10 000 items into a page, then runs one
// refresh pass over the 10 000 idle rows, then the frame's whole refresh tick
// with 20 of them moving on as running downloads do, the view's batch taken
// as a view would, and prints the times and the peak memory. Asserts nothing.

#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "tests/frame/frameprobe.h"
#include "ui/frame/mainframe.h"
#include "ui/page/dom.h"
#include "ui/page/rows.h"
#include "platform/layout/layoutview.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr int kItems = 10000;

long StatusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

double Ms(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

QByteArray Document()
{
    QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<application>\n<options><directories>"
                     "<dir type=\"video\">/home/user/Videos</dir><dir type=\"temp\">/tmp/ferrowick</dir>"
                     "</directories></options>\n<content>\n";
    for (int i = 0; i < kItems; ++i) {
        const QByteArray id = "vid" + QByteArray::number(i) + "_xY-9";
        doc += "<item id=\"" + id + "\"><title>Some video title number " + QByteArray::number(i) +
               " &amp; more</title><videopath>/home/user/Videos/Some video title number " + QByteArray::number(i) +
               ".mp4</videopath><thumbpath>/tmp/ferrowick/" + id + ".jpg</thumbpath><imagepath></imagepath><length>" +
               QByteArray::number(10000000 + i) + "</length><completed>" + QByteArray::number(5000000 + i) +
               "</completed><error>" + QByteArray::number(i % 4) + "</error></item>\n";
    }
    return doc + "</content>\n</application>\n";
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    const QString path = dir.filePath("app.xml");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(Document()) < 0)
            return 1;
    }

    static const char page[] = "<html><body><widget id=\"content\" type=\"select\" multiple></widget></body></html>";
    HWND hwnd = HTMLayoutCreateWindow();
    HTMLayoutLoadHtml(hwnd, reinterpret_cast<const uint8_t*>(page), uint32_t(strlen(page)));
    HELEMENT content = FindElementById(GetRootElement(hwnd), "content");
    CMainFrame::SetDefaultFolders(dir.path());

    const long rssBefore = StatusKb("VmRSS:");
    CMainFrame frame;  // never made a window: its load and save run over this page
    FrameProbe::Content(frame) = content;
    ItemTable& items = FrameProbe::Items(frame);
    auto t = std::chrono::steady_clock::now();
    frame.LoadAppXml(path);
    const double loadMs = Ms(t);
    const long peakAfterLoad = StatusKb("VmHWM:");

    t = std::chrono::steady_clock::now();
    const int saved = frame.SaveAppXml(dir.filePath("saved.xml"));
    const double saveMs = Ms(t);

    // Every row was drawn by the load; a refresh now finds no change anywhere.
    t = std::chrono::steady_clock::now();
    for (auto& [id, item] : items)
        UpdateRow(item.get());
    UpdateElement(content, false);
    const double refreshMs = Ms(t);

    // Twenty jobs move on between ticks (a new byte count, as progress brings); each tick rebuilds their
    // rows, and the changes are serialised for the view as its flush does.
    constexpr int kRunning = 20;
    constexpr int kTicks = 40;
    std::vector<CDownloadItem*> running;
    for (auto& [id, item] : items)
        if (running.size() < size_t(kRunning))
            running.push_back(item.get());
    layout::SetDirtyCallback(hwnd, [] {});
    std::vector<double> ticks;
    qint64 batchBytes = 0;
    for (int tick = 1; tick <= kTicks; ++tick) {
        for (CDownloadItem* item : running) {
            const DownloaderInfo info = item->Snapshot(uint32_t(-1));
            item->m_pDownloader->Restore(item->m_pDownloader->GetVideoId(), info.title, info.videopath, info.thumbpath,
                                         info.imagepath, 0, 10000000, int64_t(tick) * 100000);
        }
        t = std::chrono::steady_clock::now();
        frame.OnTimer(TIMER_REFRESH);
        batchBytes = layout::TakeMutations(hwnd).size();
        ticks.push_back(Ms(t));
    }
    layout::SetDirtyCallback(hwnd, {});
    std::sort(ticks.begin(), ticks.end());

    std::printf("bench_appxml: %zu items loaded, file %lld bytes\n", items.size(),
                static_cast<long long>(QFileInfo(path).size()));
    std::printf("  load:    %8.1f ms\n", loadMs);
    std::printf("  save:    %8.1f ms (result %d, %lld bytes)\n", saveMs, saved,
                static_cast<long long>(QFileInfo(dir.filePath("saved.xml")).size()));
    std::printf("  refresh: %8.2f ms for %d idle rows (snapshots only)\n", refreshMs, kItems);
    std::printf("  tick:    %8.2f ms median, %.2f ms slowest of %d refresh ticks with %d running rows"
                " (batch %lld bytes)\n",
                ticks[ticks.size() / 2], ticks.back(), kTicks, kRunning, static_cast<long long>(batchBytes));
    std::printf("  memory:  peak %ld KB, %ld KB over the start before the load\n", StatusKb("VmHWM:"),
                peakAfterLoad - rssBefore);
    items.clear();
    FrameProbe::Content(frame).release();
    HTMLayoutDestroyWindow(hwnd);
    return 0;
}
