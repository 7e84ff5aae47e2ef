// Loads and saves an app.xml of 10 000 items into a page, then runs one
// refresh pass over the 10 000 idle rows, and prints the times and the peak
// memory. Asserts nothing.

#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "tests/frame/frameprobe.h"
#include "ui/frame/mainframe.h"
#include "ui/page/dom.h"
#include "ui/page/rows.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

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

    std::printf("bench_appxml: %zu items loaded, file %lld bytes\n", items.size(),
                static_cast<long long>(QFileInfo(path).size()));
    std::printf("  load:    %8.1f ms\n", loadMs);
    std::printf("  save:    %8.1f ms (result %d, %lld bytes)\n", saveMs, saved,
                static_cast<long long>(QFileInfo(dir.filePath("saved.xml")).size()));
    std::printf("  refresh: %8.2f ms for %d idle rows (snapshots only)\n", refreshMs, kItems);
    std::printf("  memory:  peak %ld KB, %ld KB over the start before the load\n", StatusKb("VmHWM:"),
                peakAfterLoad - rssBefore);
    items.clear();
    FrameProbe::Content(frame).release();
    HTMLayoutDestroyWindow(hwnd);
    return 0;
}
