// The local video site with a few demo videos, for trying Ferrowick with no
// network: point http_proxy at the address it prints and paste the watch
// addresses into the program. Runs until SIGINT, SIGTERM or SIGHUP.
// --ignore-range makes it answer a resumed download with the whole video, as
// a server without ranges does.
#include "tests/site/localvideosite.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

#include <pthread.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct DemoVideo {
    const char* id;  // 11 characters, as the site's addresses have
    const char* title;
    uint64_t size;
    size_t trickleBytes;
    int trickleMs;
    QColor colour;
};

constexpr uint64_t kMB = 1024 * 1024;

// A 120x90 picture, the size of the site's default.jpg, so each row shows
// something recognisable.
std::string Thumbnail(const DemoVideo& v)
{
    QImage image(120, 90, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 90);
    sky.setColorAt(0, v.colour.lighter(150));
    sky.setColorAt(1, v.colour.darker(200));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawPolygon(QPolygonF({QPointF(48, 28), QPointF(48, 62), QPointF(76, 45)}));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(0, 68, 120, 20), Qt::AlignCenter, QStringLiteral("%1 MB").arg(v.size / kMB));
    p.end();

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 85))
        return {};  // no JPEG writer: the site's stand-in bytes are served instead
    return jpeg.toStdString();
}

}  // namespace

int main(int argc, char** argv)
{
    // The pictures are drawn without a display.
    std::vector<char*> args(argv, argv + argc);
    char platform[] = "-platform";
    char offscreen[] = "offscreen";
    args.push_back(platform);
    args.push_back(offscreen);
    int qtArgc = int(args.size());
    QGuiApplication app(qtArgc, args.data());

    // Blocked before the site starts its threads, so only sigwait sees them.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    const std::vector<DemoVideo> videos = {
        {"demoSmall01", "Harbour Lights at Dusk", 2 * kMB, 0, 0, QColor(40, 110, 200)},
        // About 5 MB/s: a few seconds of progress. The site sends at most 64 KB a piece.
        {"demoLarge20", "Night Train Across the Plains", 20 * kMB, 64 * 1024, 10, QColor(200, 120, 30)},
        // About 210 KB/s: half a minute to watch the progress, stop and restart it.
        {"demoSlow030", "Watching Paint Dry, Slowly", 6 * kMB, 64 * 1024, 300, QColor(60, 160, 80)},
    };

    bool ignoreRange = false;
    for (int i = 1; i < argc; ++i)
        ignoreRange = ignoreRange || std::strcmp(argv[i], "--ignore-range") == 0;

    int signal = 0;
    {
        localsite::LocalVideoSite site;
        for (const DemoVideo& d : videos) {
            localsite::Video v;
            v.title = d.title;
            v.pageToken = std::string("demo-token-") + d.id;
            v.acceptedToken = *v.pageToken;
            v.size = d.size;
            v.video.trickleBytes = d.trickleBytes;
            v.video.trickleMs = d.trickleMs;
            v.thumbnail = Thumbnail(d);
            v.ranges = ignoreRange ? localsite::Ranges::Ignore : localsite::Ranges::Honour;
            site.setVideo(d.id, std::move(v));
        }

        std::string line = "proxy " + site.proxyUrl() + " videos";
        for (const DemoVideo& d : videos)
            line += std::string(" http://") + localsite::kSiteHost + "/watch?v=" + d.id;
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);

        sigwait(&stop, &signal);
        // The site closes its connections and joins its threads here.
    }
    std::fprintf(stderr, "demo site stopped (%s)\n", strsignal(signal));
    return 0;
}
