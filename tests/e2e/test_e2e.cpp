// The real ferrowick binary as a user meets it: on an X server of its own,
// with its own data folders, driven through the page's DevTools port,
// downloading from the local video site through http_proxy. Its message boxes
// are read through the accessibility bus and answered with keys; what it
// opens reaches an xdg-open and a file manager of the test's. Each step checks
// what a user would see: row texts, the status bar, files on disk and app.xml.

#include "store/appxml.h"
#include "tests/e2e/testdesktop.h"
#include "tests/site/localvideosite.h"
#include "tests/support/testprogram.h"

#include <QBuffer>
#include <QColor>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

#include "tests/waitfor.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace localsite;

namespace {

// One running copy of the program on a desktop, with what a user does on its page.
class Program : public TestProgram {
public:
    Program(const QString& home, TestDesktop& desktop, const LocalVideoSite& site, const QStringList& args = {},
            const QMap<QString, QString>& more = {})
        : TestProgram(home, desktop.environment(QString::fromStdString(site.proxyUrl()), more)), m_desktop(desktop)
    {
        start(args);
    }
    // Also notes its main window, so that a message box is told from it.
    bool connect()
    {
        return TestProgram::connect() &&
               WaitFor([&] { return !(m_windows = m_desktop.windows("Ferrowick")).isEmpty(); }, 10000);
    }

    void doubleClick(const QString& selector)
    {
        const QPoint p = centre(selector);
        for (int clicks : {1, 2})
            for (const char* type : {"mousePressed", "mouseReleased"})
                mouse(type, p, "left", 0, clicks);
        Pump(250);
    }
    void type(const QString& text)
    {
        click("#url");
        call("Input.insertText", {{"text", text}});
        Pump(250);
    }
    // Ctrl+V in the address box: what the desktop's clipboard holds.
    void paste()
    {
        click("#url");
        for (const char* type : {"rawKeyDown", "keyUp"})
            call("Input.dispatchKeyEvent", {{"type", type},
                                            {"key", "v"},
                                            {"code", "KeyV"},
                                            {"windowsVirtualKeyCode", 86},
                                            {"modifiers", 2 /* Ctrl */}});
        Pump(250);
    }
    // The row menu opened on a row (or elsewhere), then one of its items.
    void menu(const QString& on, const QString& item)
    {
        click(on, 0, "right");
        WaitFor(
            [&] { return eval("getComputedStyle(document.getElementById('item_menu')).display != 'none'").toBool(); },
            5000);
        click("#" + item);
    }
    bool disabled(const QString& id)
    {
        return eval(QStringLiteral("document.getElementById('%1').hasAttribute('state-disabled')").arg(id)).toBool();
    }
    QStringList rows()
    {
        QStringList out;
        for (const QJsonValue& v :
             eval("[...document.querySelectorAll('#content option')].map(o => [...o.querySelectorAll('.title, .text')]"
                  ".map(e => e.textContent).join(' '))")
                 .toArray())
            out << v.toString().simplified();
        return out;
    }
    QString status() { return text("#status-bar"); }
    // What a user would see amiss: a bar that is not 5 pixels high across its
    // cell or whose fill is not the share done, a broken picture drawn or its
    // cell out of size, blanks of a status text lost, a menu or pop-up (border
    // and shadow) not wholly inside the window. Empty when all is well.
    std::string pageFaults()
    {
        const QJsonValue faults = eval(R"((() => { const out = [], box = e => e.getBoundingClientRect();
            for (const cell of document.querySelectorAll('#content .progress')) {
                const bar = cell.querySelector('input'), fill = bar && bar.firstElementChild;
                const max = bar && +bar.getAttribute('maxvalue'), done = bar && +bar.getAttribute('value');
                const share = max > 0 ? Math.min(Math.max(done, 0), max) / max : 0;
                if (!fill || box(bar).width !== box(cell).width || box(bar).height !== 5 ||
                    Math.abs(box(fill).width / bar.clientWidth - share) > 0.02) out.push('bar: ' + cell.innerHTML);
            }
            for (const img of document.querySelectorAll('#content img, #thumb_tip img'))
                if (img.complete && !img.naturalWidth && img.getClientRects().length &&
                    getComputedStyle(img).visibility === 'visible') out.push('broken picture: ' + img.src);
            for (const img of document.querySelectorAll('#content .thumb img'))
                if (box(img).width !== 50 || box(img).height !== 34 || box(img.parentNode).width !== 56)
                    out.push('picture cell: ' + img.src);
            for (const text of document.querySelectorAll('#content .text'))
                if (text.innerText !== text.textContent) out.push('status: ' + text.innerText);
            for (const m of document.querySelectorAll('menu, popup')) {
                const style = getComputedStyle(m), r = box(m);
                const [dx = 0, dy = 0, blur = 0] = (style.boxShadow.match(/-?[\d.]+px/g) || []).map(parseFloat);
                if (style.display !== 'none' && style.visibility === 'visible' &&
                    (r.left < blur - dx || r.top < blur - dy || r.right + blur + dx > innerWidth ||
                     r.bottom + blur + dy > innerHeight)) out.push(m.id + ' at ' + [r.left, r.top, r.right, r.bottom]);
            }
            return out; })())");
        return faults.isArray() ? QVariant(faults.toArray().toVariantList()).toStringList().join(" | ").toStdString()
                                : "the page did not answer";
    }
    std::string focused()
    {
        return eval("document.activeElement.id || document.activeElement.localName").toString().toStdString();
    }
    bool menuShown() { return eval("document.getElementById('item_menu').hasAttribute('fw-shown')").toBool(); }
    // Keys as the user's keyboard sends them to the main window (xdotool names).
    void press(const QString& keys)
    {
        m_desktop.key(m_windows.value(0), keys);
        Pump(300);
    }
    void screenshot(const QString& name)
    {
        DevToolsClient::screenshot(QStringLiteral(FERROWICK_SHOT_DIR "/") + name + ".png");
    }

    // Waits for the program's next message box and for a screen reader to
    // read this text in it, then answers it with keys.
    ::testing::AssertionResult answer(const QString& text, const QString& keys)
    {
        const QString box = m_desktop.newWindow("Ferrowick", m_windows);
        if (box.isEmpty())
            return ::testing::AssertionFailure() << "no message box came";
        m_windows << box;
        QStringList texts;
        const bool read =
            WaitFor([&] { return (texts = m_desktop.messageBoxTexts(process().processId())).contains(text); });
        m_desktop.key(box, keys);
        if (!read)
            return ::testing::AssertionFailure() << "the message box said: " << texts.join(" | ").toStdString();
        return ::testing::AssertionSuccess();
    }

private:
    TestDesktop& m_desktop;
    QStringList m_windows;  // the program's windows seen so far
};

// The accessibility tree as Chromium hands it to a screen reader: the nodes
// it does not leave out, by role, each with its children's ids.
struct AxNode {
    QString role, name, description;
    QJsonValue value;
    QJsonObject properties;
    QStringList children;
};

class AxTree {
public:
    explicit AxTree(DevToolsClient& page)
    {
        page.call("Accessibility.enable");
        for (const QJsonValue& v : page.call("Accessibility.getFullAXTree").value("nodes").toArray()) {
            if (v["ignored"].toBool())
                continue;
            AxNode n;
            n.role = v["role"]["value"].toString();
            n.name = v["name"]["value"].toString();
            n.description = v["description"]["value"].toString();
            n.value = v["value"]["value"];
            for (const QJsonValue& p : v["properties"].toArray())
                n.properties.insert(p["name"].toString(), p["value"]["value"]);
            for (const QJsonValue& c : v["childIds"].toArray())
                n.children << c.toString();
            m_nodes.insert(v["nodeId"].toString(), n);
        }
    }
    QList<AxNode> withRole(const QString& role, const AxNode* parent = nullptr) const
    {
        QList<AxNode> out;
        for (const QString& id : parent ? parent->children : m_nodes.keys())
            if (m_nodes.value(id).role == role)
                out << m_nodes.value(id);
        return out;
    }

private:
    QMap<QString, AxNode> m_nodes;
};

appxml::Document Stored(const QString& home)
{
    appxml::Document doc;
    appxml::Load(home + "/data/Ferrowick/app.xml", doc);
    return doc;
}

QString Addr(const char* id)
{
    return QStringLiteral("http://www.youtube.com/watch?v=%1").arg(id);
}

// 1 MiB in 16 KiB pieces every 100 ms: about six seconds to stop it half way.
constexpr int kTrickleSize = 1024 * 1024;
Video Trickle(const std::string& title)
{
    Video v = GoodVideo(title, kTrickleSize);
    v.video.trickleBytes = 16 * 1024;
    v.video.trickleMs = 100;
    return v;
}

// Whether the file holds the site's bytes of a video of this size.
bool HoldsTheVideo(const QString& path, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readAll().toStdString() == VideoBody(uint64_t(size));
}

// The Range line of the site's last get_video request for this id; empty without one.
std::string LastRange(const LocalVideoSite& site, const std::string& id)
{
    std::string range = "none";
    for (const Request& r : site.requests())
        if (r.target.rfind("/get_video?video_id=" + id + "&", 0) == 0)
            range = r.header("Range");
    return range;
}

// Resume on row n, until the row reads `done`: the site was asked for the
// rest from `part`, and the file holds the whole video.
void ResumeRow(Program& app, const LocalVideoSite& site, int n, const std::string& id, const QString& path, qint64 part,
               qint64 size, const QString& done)
{
    app.click("#content option", n);
    app.menu(QStringLiteral("#content option:nth-child(%1)").arg(n + 1), "mi_resume");
    ASSERT_TRUE(WaitFor([&] { return app.rows().value(n) == done; })) << app.rows().value(n).toStdString();
    EXPECT_EQ(LastRange(site, id), "bytes=" + std::to_string(part) + "-");
    EXPECT_TRUE(HoldsTheVideo(path, size));
}

// The running copy's instance socket for a home of these tests: the fixed
// name, then a hash of the user id and the canonical data folder.
QString InstanceName(const QString& home)
{
    const QString data = QFileInfo(home + "/data/Ferrowick").canonicalFilePath();
    const QByteArray key = QByteArray::number(::getuid()) + '\0' + data.toUtf8();
    return QStringLiteral("{160AFF58-2421-47e6-BEB2-262334CADCC6}-") +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32));
}

// A real picture as the site's thumbnail: a 120 x 90 JPEG in one colour.
std::string Picture(QColor colour)
{
    QImage image(120, 90, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return jpeg.toStdString();
}

int OpenDescriptors(qint64 pid)
{
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

}  // namespace

TEST(EndToEnd, AUsersSessionFromFirstStartToACrash)
{
    QTemporaryDir homeDir;
    const QString home = homeDir.path();
    const QString videos = home + "/Videos/Ferrowick";
    TestDesktop desktop;
    ASSERT_TRUE(desktop.isRunning());
    LocalVideoSite site;
    Video first = GoodVideo("Sunset over the bay", 300000);
    first.thumb.stallBeforeHeadersMs = 2500;  // long enough to see the first state
    first.thumbnail = Picture(QColor(230, 140, 40));
    site.setVideo("goodvideo01", first);
    Video broken = GoodVideo("Broken clip", 1000);
    broken.video.status = 404;
    broken.thumb.status = 404;  // its error page is kept as its picture
    site.setVideo("badvideo002", broken);
    site.setVideo("slowvideo03", SlowVideo("Slow river"));
    Video waiting = GoodVideo("Waiting for its picture", 1000);
    waiting.thumb.stallBeforeHeadersMs = 8000;
    site.setVideo("waitvideo04", waiting);
    site.setVideo("slowvideo05", SlowVideo("Slow stream"));

    {
        Program app(home, desktop, site);
        ASSERT_TRUE(app.connect());
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 0 video"; }));
        app.screenshot("e2e-01-empty");

        // A pasted address becomes a row at the top that runs to its size.
        app.type(Addr("goodvideo01"));
        app.click("#add");
        EXPECT_EQ(app.text("#url"), "");
        ASSERT_TRUE(
            WaitFor([&] { return app.rows() == QStringList{"Unknown-goodvideo01 Downloading Thumbnail..."}; }, 5000))
            << app.rows().join('|').toStdString();
        EXPECT_EQ(app.pageFaults(), "");  // its length not known yet: an empty bar
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 1 video"; }));
        EXPECT_EQ(app.rows(), QStringList{"Sunset over the bay 292.9 KB"});
        EXPECT_EQ(QFileInfo(videos + "/Sunset over the bay.mp4").size(), 300000);

        // One that fails shows its error and counts as uncompleted.
        app.type(Addr("badvideo002"));
        app.click("#add");
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 2 videos, 1 uncompleted"; }));
        EXPECT_EQ(app.eval("!!document.querySelector('#content option .error')").toBool(), true);

        // One stopped from the row menu.
        app.type(Addr("slowvideo03"));
        app.click("#add");
        ASSERT_TRUE(WaitFor([&] { return app.status().endsWith("1 downloading"); }));
        ASSERT_TRUE(WaitFor([&] { return app.rows().value(0).contains("/s"); }));  // bytes, rate, time left
        app.screenshot("e2e-02-downloading");
        app.click("#content option", 0);
        app.menu("#content option", "mi_stop");
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 3 videos, 2 uncompleted"; }));
        app.screenshot("e2e-03-stopped");

        // A row in every state as the page's rules draw it: running with a
        // length, running before it is known, stopped, failed (its picture
        // the kept error page) and selected, finished.
        for (const char* id : {"waitvideo04", "slowvideo05"}) {
            app.type(Addr(id));
            app.click("#add");
        }
        ASSERT_TRUE(WaitFor([&] { return app.rows().size() == 5; }));
        app.click("#content option", 3);
        const QString failedPicture = "document.querySelector('#content img[src$=\"badvideo002.jpg\"]')";
        ASSERT_TRUE(WaitFor(
            [&] { return app.rows().value(0).contains("/s") && app.eval(failedPicture + ".complete").toBool(); }));
        EXPECT_EQ(app.eval(failedPicture + ".naturalWidth").toInt(), 0);
        EXPECT_TRUE(app.text("#content option .text").contains(QRegularExpression("  \\(.*/s\\)  -  .* Left $")));
        EXPECT_EQ(app.pageFaults(), "");
        app.screenshot("e2e-03a-every-state");

        // The row menu at the right edge (the selected row's: it stays the
        // selection), the page's in the bottom right corner, the pop-up.
        app.click(QPoint(676, app.centre("#content option", 3).y()), "right");
        ASSERT_TRUE(WaitFor([&] { return !app.disabled("mi_restart"); }, 5000));
        EXPECT_EQ(app.pageFaults(), "");
        app.screenshot("e2e-03b-menu-at-the-right-edge");
        app.call("Input.dispatchKeyEvent", {{"type", "keyDown"}, {"key", "Escape"}});
        app.click(QPoint(676, 596), "right");
        ASSERT_TRUE(WaitFor([&] { return app.disabled("mi_remove"); }, 5000));
        EXPECT_EQ(app.pageFaults(), "");
        app.screenshot("e2e-03c-menu-in-the-corner");
        app.call("Input.dispatchKeyEvent", {{"type", "keyDown"}, {"key", "Escape"}});
        for (const int row : {5, 4}) {  // a picture, then one that failed: nothing shows
            const QPoint p = app.centre(QStringLiteral("#content option:nth-child(%1) .thumb").arg(row));
            app.call("Input.dispatchMouseEvent", {{"type", "mouseMoved"}, {"x", p.x()}, {"y", p.y()}});
            Pump(500);
            const bool shown = app.eval("(s => s.display != 'none' && s.visibility == 'visible')"
                                        "(getComputedStyle(document.getElementById('thumb_tip')))")
                                   .toBool();
            EXPECT_EQ(shown ? app.box("#thumb_tip_img").size() : QSizeF(), row == 5 ? QSizeF(122, 92) : QSizeF());
            EXPECT_EQ(app.pageFaults(), "");
            app.screenshot(QStringLiteral("e2e-03d-pop-up-%1").arg(row));
        }

        // A right-click outside the selection acts on the row pointed at.
        app.menu("#content option", "mi_remove");
        ASSERT_TRUE(WaitFor([&] { return app.rows().size() == 4 && !app.rows().join('|').contains("Slow stream"); }));
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 4 videos, 2 uncompleted"; }));
        app.menu("#content option", "mi_remove");
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 3 videos, 2 uncompleted"; }));
        EXPECT_TRUE(app.rows()[1].startsWith("Unknown-badvideo002"));

        // The site mends the broken video; Restart fetches it, and its
        // picture, where the error page was, shows.
        Video mended = GoodVideo("Broken clip", 1000);
        mended.thumbnail = Picture(QColor(40, 110, 200));
        site.setVideo("badvideo002", mended);
        app.click("#content option", 1);
        app.menu("#content option:nth-child(2)", "mi_restart");
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 3 videos, 1 uncompleted"; }));
        EXPECT_TRUE(QFile::exists(videos + "/Broken clip.mp4"));
        EXPECT_TRUE(WaitFor([&] { return app.eval(failedPicture + ".naturalWidth").toInt() == 120; }, 5000));

        // Remove takes the row and its thumbnail, never the video.
        const QString thumb = home + "/data/Ferrowick/Temp/goodvideo01.jpg";
        EXPECT_TRUE(QFile::exists(thumb));
        app.click("#content option", 2);
        app.menu("#content option:nth-child(3)", "mi_remove");
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 2 videos, 1 uncompleted"; }));
        EXPECT_FALSE(QFile::exists(thumb));
        EXPECT_TRUE(QFile::exists(videos + "/Sunset over the bay.mp4"));

        // Outside the rows only Options is offered.
        app.click("#status-bar", 0, "right");
        ASSERT_TRUE(WaitFor([&] { return app.disabled("mi_remove"); }, 5000));
        for (const char* id :
             {"mi_restart", "mi_resume", "mi_stop", "mi_select_all", "mi_open_file", "mi_open", "mi_open_url"})
            EXPECT_TRUE(app.disabled(id)) << id;
        EXPECT_FALSE(app.disabled("mi_options"));
        app.screenshot("e2e-04-menu-outside");
        app.call("Input.dispatchKeyEvent", {{"type", "keyDown"}, {"key", "Escape"}});

        // The page's close button with nothing running saves and ends the program.
        app.click("#close");
        ASSERT_TRUE(app.exited());
        EXPECT_EQ(app.process().exitCode(), 0);
    }
    appxml::Document saved = Stored(home);
    ASSERT_EQ(saved.items.size(), 2u);
    EXPECT_EQ(saved.items[0].id, "slowvideo03");
    EXPECT_EQ(saved.items[0].error, 1);
    EXPECT_EQ(saved.items[1].id, "badvideo002");
    EXPECT_EQ(saved.items[1].error, 0);

    {
        // The list comes back in order, the stopped one uncompleted, nothing started.
        Program app(home, desktop, site);
        ASSERT_TRUE(app.connect());
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 2 videos, 1 uncompleted"; }));
        const QStringList rows = app.rows();
        ASSERT_EQ(rows.size(), 2);
        EXPECT_TRUE(rows[0].startsWith("Slow river")) << rows[0].toStdString();
        EXPECT_TRUE(rows[1].startsWith("Broken clip")) << rows[1].toStdString();
        app.screenshot("e2e-05-restored");

        // A second start shows nothing and leaves this one alone.
        ASSERT_EQ(app.startBeside(), 0);
        EXPECT_EQ(app.rows().size(), 2);

        // A start on another data folder (another user's, or a test's) is a
        // copy of its own, not a hand-over to this one.
        QTemporaryDir otherData;
        EXPECT_EQ(app.startBeside({}, otherData.path(), 5000), -1) << "a copy on its own data folder ended at once";

        // Killed while a download runs: the next start is clean.
        app.click("#content option", 0);
        app.menu("#content option", "mi_restart");
        ASSERT_TRUE(WaitFor([&] { return app.status().endsWith("1 downloading"); }));
        ::kill(pid_t(app.process().processId()), SIGKILL);
        ASSERT_TRUE(app.exited());
    }
    {
        // Started cleanly; an idle list writes nothing.
        Program app(home, desktop, site);
        ASSERT_TRUE(app.connect());
        ASSERT_TRUE(WaitFor([&] { return app.status().startsWith("Total: 2 videos"); }));
        EXPECT_FALSE(app.status().contains("downloading"));
        const QString file = home + "/data/Ferrowick/app.xml";
        const QDateTime stamp = QFileInfo(file).lastModified();
        QThread::msleep(5000);
        EXPECT_EQ(QFileInfo(file).lastModified(), stamp);

        // What happened in the run is on disk within seconds: a kill loses
        // neither a finished download nor a Remove.
        app.type(Addr("goodvideo01"));
        app.click("#add");
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 3 videos, 1 uncompleted"; }));
        app.click("#content option", 2);
        app.menu("#content option:nth-child(3)", "mi_remove");
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 2 videos, 1 uncompleted"; }));
        ASSERT_TRUE(WaitFor(
            [&] {
                const appxml::Document d = Stored(home);
                return d.items.size() == 2 && d.items[0].id == "goodvideo01" && d.items[0].error == 0;
            },
            5000));
        ::kill(pid_t(app.process().processId()), SIGKILL);
        ASSERT_TRUE(app.exited());
    }
    {
        Program app(home, desktop, site);
        ASSERT_TRUE(app.connect());
        ASSERT_TRUE(WaitFor([&] { return app.rows().size() == 2 && app.rows()[0].startsWith("Sunset over the bay"); }));

        // SIGTERM while a download runs: stopped, saved as uncompleted, exit code 0.
        app.click("#content option", 1);
        app.menu("#content option:nth-child(2)", "mi_restart");
        ASSERT_TRUE(WaitFor([&] { return app.status().endsWith("1 downloading"); }));
        ASSERT_TRUE(WaitFor([&] { return QFileInfo(videos + "/Slow river.mp4").size() > 0; }));  // resumed below
        ::kill(pid_t(app.process().processId()), SIGTERM);
        ASSERT_TRUE(app.exited());
        EXPECT_EQ(app.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(app.process().exitCode(), 0);
    }
    saved = Stored(home);
    ASSERT_EQ(saved.items.size(), 2u);
    EXPECT_EQ(saved.items[1].id, "slowvideo03");
    EXPECT_EQ(saved.items[1].error, 1);

    const QString sea = videos + "/Half a sea.mp4", river = videos + "/Half a river.mp4";
    const QString slow = videos + "/Slow river.mp4";
    qint64 riverPart = 0;
    site.setVideo("trickle0001", Trickle("Half a river"));
    site.setVideo("trickle0002", Trickle("Half a sea"));
    {
        Program app(home, desktop, site);
        ASSERT_TRUE(app.connect());
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 2 videos, 1 uncompleted"; }));

        // A list pasted at once, one line of it no address: two rows, that
        // line left in the box, and one dialog.
        const QString refused = "http://www.youtube.com/watch?x=trickle0003";
        ASSERT_TRUE(desktop.setClipboard(Addr("trickle0001") + "\n" + refused + "\n" + Addr("trickle0002") + "\n"));
        app.paste();
        // From the keyboard: a DevTools click would wait for the page, which
        // waits for the dialog it opens.
        app.press("Tab");
        ASSERT_EQ(app.focused(), "add");
        app.press("space");
        const QString dialog = desktop.newWindow("Incorrect Address", {});
        ASSERT_FALSE(dialog.isEmpty());
        desktop.key(dialog, "Escape");
        ASSERT_TRUE(WaitFor([&] { return desktop.windows("Incorrect Address").isEmpty(); }, 5000));
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 4 videos, 1 uncompleted, 2 downloading"; }))
            << app.status().toStdString();
        EXPECT_EQ(app.text("#url"), refused);
        EXPECT_EQ(app.rows().mid(0, 2).join('|').count("Half a"), 2);
        EXPECT_TRUE(desktop.windows("Incorrect Address").isEmpty()) << "a second dialog";
        app.screenshot("e2e-08-list-pasted");

        // Both stopped at about half.
        ASSERT_TRUE(WaitFor([&] { return QFileInfo(sea).size() >= kTrickleSize * 2 / 5; }));
        app.click("#content option", 0);
        app.menu("#content option", "mi_stop");
        app.click("#content option", 1);
        app.menu("#content option:nth-child(2)", "mi_stop");
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 4 videos, 3 uncompleted"; }));
        const qint64 seaPart = QFileInfo(sea).size();
        ASSERT_GT(seaPart, 0);
        ASSERT_LT(seaPart, kTrickleSize);

        // Resume asks for the rest from the partial file's size and completes the file.
        ResumeRow(app, site, 0, "trickle0002", sea, seaPart, kTrickleSize, "Half a sea 1.0 MB");

        // The site ignores the range for the row stopped in the last run: the
        // whole video comes and is written from 0.
        Video ignoring = GoodVideo("Slow river", 50 * 1024 * 1024);
        ignoring.ranges = Ranges::Ignore;
        site.setVideo("slowvideo03", ignoring);
        const qint64 slowPart = QFileInfo(slow).size();
        ASSERT_GT(slowPart, 0);
        ResumeRow(app, site, 3, "slowvideo03", slow, slowPart, 50 * 1024 * 1024, "Slow river 50.0 MB");

        riverPart = QFileInfo(river).size();
        app.click("#close");
        ASSERT_TRUE(app.exited());
    }
    {
        // Across a close and a new start, the stopped row resumes the same way.
        Program app(home, desktop, site);
        ASSERT_TRUE(app.connect());
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 4 videos, 1 uncompleted"; }));
        ASSERT_GT(riverPart, 0);
        ASSERT_LT(riverPart, kTrickleSize);
        EXPECT_EQ(QFileInfo(river).size(), riverPart);
        ResumeRow(app, site, 1, "trickle0001", river, riverPart, kTrickleSize, "Half a river 1.0 MB");
    }
}

TEST(EndToEnd, StoredMarkupStaysTextAndTheRowCommandsReachTheDesktop)
{
    QTemporaryDir homeDir;
    const QString home = homeDir.path();
    QDir().mkpath(home + "/data/Ferrowick");
    QDir().mkpath(home + "/Videos/Ferrowick");
    const QString video = home + "/Videos/Ferrowick/Done clip.mp4";
    QFile(video).open(QIODevice::WriteOnly);
    // Titles and paths as a hand-edited or hostile list might hold them.
    const std::vector<appxml::ItemRecord> items = {
        {"donevideo01", "Done clip", video, "", "", 0, 10, 10},
        {"markup00001", "<script>window.__ran = 1</script><img src=x onerror=\"window.__ran = 2\">",
         "javascript:window.__ran = 3", "\" onerror=\"window.__ran = 4", "<iframe src=javascript:1>", 3, 0, 0},
    };
    ASSERT_EQ(appxml::Save(home + "/data/Ferrowick/app.xml", {"", home + "/data/Ferrowick/Temp"}, items), 1);

    TestDesktop desktop(true);
    LocalVideoSite site;
    site.setVideo("slowvideo03", SlowVideo("Slow river"));
    // Variables that test builds of the program once obeyed change nothing:
    // it still asks its question and still opens what it is asked to.
    Program app(home, desktop, site, {},
                {{"FERROWICK_TEST_ANSWER", "yes"}, {"FERROWICK_OPEN_LOG", home + "/opened.log"}});
    ASSERT_TRUE(app.connect());
    ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 2 videos, 1 uncompleted"; }));
    EXPECT_EQ(app.text("#content option .title", 1), items[1].title);
    EXPECT_TRUE(app.eval("window.__ran === undefined").toBool());
    EXPECT_EQ(app.eval("document.querySelectorAll('script, iframe, object, embed').length").toInt(), 1);
    EXPECT_EQ(app.eval("[...document.querySelectorAll('*')].some(e => [...e.attributes].some(a =>"
                       " /^on/i.test(a.name) || /^\\s*javascript:/i.test(a.value)))")
                  .toBool(),
              false);

    // The page is laid out as its styles say.
    EXPECT_EQ(app.box("body"), QRect(0, 0, 680, 600));
    EXPECT_EQ(app.box("#top"), QRect(0, 0, 680, 63));
    EXPECT_EQ(app.box("#bottom").top() + app.box("#bottom").height(), 600);
    EXPECT_EQ(app.box("#content").top(), 63);
    EXPECT_EQ(app.box("#content").top() + app.box("#content").height(), app.box("#bottom").top());
    EXPECT_EQ(app.box("#content option").height(), 40);
    app.screenshot("e2e-06-markup-as-text");

    // Opening the file, by double click and from the menu, and the watch page:
    // each address reaches the desktop's opener as one argument.
    app.doubleClick("#content option");
    ASSERT_TRUE(WaitFor([&] { return desktop.opened().size() == 1; }, 5000));
    app.click("#content option", 0);
    app.menu("#content option", "mi_open_url");
    ASSERT_TRUE(WaitFor([&] { return desktop.opened().size() == 2; }, 5000));
    EXPECT_EQ(desktop.opened(), (QStringList{QUrl::fromLocalFile(video).toString(QUrl::FullyEncoded),
                                             "http://www.youtube.com/watch?v=donevideo01"}));
    // Its folder: the file manager shows the file selected.
    app.menu("#content option", "mi_open");
    ASSERT_TRUE(WaitFor([&] { return !desktop.shown().isEmpty(); }, 5000));
    EXPECT_EQ(desktop.shown(), QStringList{QUrl::fromLocalFile(video).toString(QUrl::FullyEncoded)});
    EXPECT_EQ(desktop.opened().size(), 2);

    // A file manager that hangs holds nothing up: the page takes the next
    // click at once; an answer after that, within the wait, opens nothing
    // more, and none at all opens the folder itself after the wait.
    desktop.holdAnswers(true);
    for (const bool answer : {true, false}) {
        app.menu("#content option", "mi_open");
        app.click("#content option", 1);
        EXPECT_TRUE(WaitFor(
            [&] { return app.eval("!!document.querySelector('option + option[state-checked]')").toBool(); }, 5000));
        if (answer)
            desktop.answerHeld();
        Pump(4000);
        EXPECT_EQ(desktop.opened().size(), answer ? 2 : 3);
    }
    EXPECT_EQ(desktop.opened().value(2), QUrl::fromLocalFile(home + "/Videos/Ferrowick").toString(QUrl::FullyEncoded));
    EXPECT_EQ(desktop.shown().size(), 3);
    desktop.holdAnswers(false);
    app.click("#content option", 0, "right");
    app.screenshot("e2e-07-row-menu");
    app.call("Input.dispatchKeyEvent", {{"type", "keyDown"}, {"key", "Escape"}});

    // Closing while a download runs asks; on Yes the job stops, and the list
    // is saved with it as uncompleted before the program ends with 0.
    app.type(Addr("slowvideo03"));
    app.click("#add");
    ASSERT_TRUE(WaitFor([&] { return app.status().endsWith("1 downloading"); }));
    app.click("#close");
    EXPECT_TRUE(app.answer("1 video is downloading! Do you really want to exit?", "y"));
    ASSERT_TRUE(app.exited());
    EXPECT_EQ(app.process().exitCode(), 0);
    const appxml::Document saved = Stored(home);
    ASSERT_EQ(saved.items.size(), 3u);
    EXPECT_EQ(saved.items[0].id, "slowvideo03");
    EXPECT_EQ(saved.items[0].error, 1);
    EXPECT_EQ(saved.items[2].title, items[1].title);
}

TEST(EndToEnd, AddressesFromTheCommandLineAndFromASecondStart)
{
    QTemporaryDir homeDir;
    const QString home = homeDir.path();
    TestDesktop desktop(true);
    LocalVideoSite site;
    site.setVideo("cmdline0001", GoodVideo("First argument", 1000));
    site.setVideo("cmdline0002", GoodVideo("Second argument", 2000));
    site.setVideo("handover003", GoodVideo("Handed over", 3000));

    Program app(home, desktop, site, {Addr("cmdline0001"), Addr("cmdline0002")});
    ASSERT_TRUE(app.connect());
    ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 2 videos"; }));
    EXPECT_EQ(app.rows(), (QStringList{"Second argument 1.9 KB", "First argument 1000 Bytes"}));

    // Later starts hand their addresses over and end at once with 0.
    EXPECT_EQ(app.startBeside({Addr("handover003")}), 0);
    ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 3 videos"; }));
    EXPECT_EQ(app.rows().value(0), "Handed over 2.9 KB");
    ASSERT_TRUE(WaitFor([&] { return Stored(home).items.size() == 3; }, 5000));

    // A local client cannot make the running copy hold its descriptors: at
    // most 16 hand-overs are open at once, the rest are refused at once, and
    // one that never completes an address is closed after 5 s.
    const qint64 pid = app.process().processId();
    const int before = OpenDescriptors(pid);
    std::vector<std::unique_ptr<QLocalSocket>> clients;
    for (int i = 0; i < 32; ++i) {
        auto client = std::make_unique<QLocalSocket>();
        client->setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        client->connectToServer(InstanceName(home));
        ASSERT_TRUE(client->waitForConnected(3000));
        client->write("http://www.youtube.com/watch?v=partial0001");  // no NUL: never complete
        client->flush();
        clients.push_back(std::move(client));
    }
    const auto closed = [&] {
        return int(std::count_if(clients.begin(), clients.end(),
                                 [](const auto& c) { return c->state() == QLocalSocket::UnconnectedState; }));
    };
    QElapsedTimer sinceConnected;
    sinceConnected.start();
    EXPECT_TRUE(WaitFor([&] { return closed() >= 16; }, 3000)) << closed() << " closed";
    QThread::msleep(500);
    const int during = OpenDescriptors(pid);
    if (sinceConnected.elapsed() < 4000) {
        EXPECT_EQ(closed(), 16);
        EXPECT_LE(during - before, 16 + 6) << before << " descriptors before, " << during << " during";
    }
    EXPECT_TRUE(WaitFor([&] { return closed() == 32; }, 8000)) << closed() << " closed";
    EXPECT_TRUE(WaitFor([&] { return OpenDescriptors(pid) <= before + 6; }, 3000))
        << before << " descriptors before, " << OpenDescriptors(pid) << " after";
    clients.clear();
    site.setVideo("handover004", GoodVideo("After the crowd", 4000));
    EXPECT_EQ(app.startBeside({Addr("handover004")}), 0);
    ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 4 videos"; })) << app.status().toStdString();
    EXPECT_EQ(app.rows().value(0), "After the crowd 3.9 KB");

    // Without arguments nothing changes; a duplicate gets its message in the
    // running copy and adds nothing.
    EXPECT_EQ(app.startBeside(), 0);
    EXPECT_EQ(app.startBeside({"http://www.youtube.com/v/handover003"}), 0);
    EXPECT_TRUE(app.answer("http://www.youtube.com/v/handover003 has already in the download list.", "Return"));
    EXPECT_EQ(app.status(), "Total: 4 videos");
    EXPECT_EQ(app.rows().size(), 4);
    EXPECT_EQ(app.process().state(), QProcess::Running);
}

namespace {

QStringList StoredIds(const QByteArray& bytes)
{
    appxml::Document doc;
    appxml::Parse(bytes, doc);
    QStringList ids;
    for (const appxml::ItemRecord& r : doc.items)
        ids << r.id;
    return ids;
}

}  // namespace

// Killed around the save that follows an add or a remove, half the time
// the moment the save's new file appears, half at a random moment: after
// every kill app.xml is whole and holds the list from before the change or
// the one after it, never less, and the next start removes what the save
// left.
TEST(EndToEnd, AKillWhileTheListIsSavedLeavesTheOldListOrTheNewOne)
{
    QTemporaryDir homeDir;
    const QString home = homeDir.path();
    const QString file = home + "/data/Ferrowick/app.xml";
    // A long list takes a while to write, which widens the moment to hit.
    std::vector<appxml::ItemRecord> items;
    for (int i = 0; i < 2000; ++i) {
        const QString id = QStringLiteral("stored%1").arg(i, 5, 10, QChar('0'));
        items.push_back({id, "Stored video " + id, home + "/Videos/" + id + ".mp4", "", "", 0, 1000, 1000});
    }
    ASSERT_TRUE(QDir().mkpath(home + "/data/Ferrowick"));
    ASSERT_EQ(appxml::Save(file, {home + "/Videos", home + "/data/Ferrowick/Temp"}, items), 1);
    TestDesktop desktop;
    LocalVideoSite site;
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    SCOPED_TRACE(seed);

    const int rounds = 20;
    int kills = 0, insideASave = 0;
    // What a save cut short leaves beside app.xml; the next start removes it.
    const auto leftovers = [&] {
        return QDir(home + "/data/Ferrowick").entryList({".app.xml.tmp-*"}, QDir::Files | QDir::Hidden);
    };
    // Nothing but a save's new file is created beside app.xml from here on.
    ASSERT_TRUE(QDir().mkpath(home + "/data/Ferrowick/Temp"));
    const int created = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ::inotify_add_watch(created, QFile::encodeName(home + "/data/Ferrowick").constData(), IN_CREATE);
    alignas(inotify_event) char events[4096];
    for (int round = 0; round < rounds; ++round) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QStringList before = StoredIds(f.readAll());
        f.close();
        Program app(home, desktop, site);
        ASSERT_TRUE(app.connect());
        ASSERT_TRUE(WaitFor([&] { return app.rows().size() == before.size(); }, 30000)) << round;
        EXPECT_EQ(leftovers(), QStringList()) << "round " << round;

        QStringList after = before;
        while (::read(created, events, sizeof events) > 0) {
        }
        if (round % 2 == 0) {
            const QString id = QStringLiteral("killed%1").arg(round, 5, 10, QChar('0'));
            site.setVideo(id.toStdString(), GoodVideo("Added in round " + std::to_string(round), 2000));
            app.type(Addr(id.toLatin1().constData()));
            app.click("#add");
            after.prepend(id);
        } else {
            app.click("#content option", 0);
            app.menu("#content option", "mi_remove");
            after.removeFirst();
        }
        if (round % 4 < 2) {
            // Within the first milliseconds of writing the new file.
            pollfd p{created, POLLIN, 0};
            EXPECT_EQ(::poll(&p, 1, 5000), 1) << "round " << round << ": no save began";
            QThread::usleep(random.bounded(3000u));
        } else {
            QThread::msleep(random.bounded(500u, 1300u));  // the save comes about a second after the change
        }
        ::kill(pid_t(app.process().processId()), SIGKILL);
        ASSERT_TRUE(app.exited());
        ++kills;
        insideASave += int(leftovers().size());

        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        f.close();
        EXPECT_TRUE(bytes.endsWith("</application>\n")) << "round " << round << ": " << bytes.size() << " bytes";
        const QStringList ids = StoredIds(bytes);
        EXPECT_TRUE(ids == before || ids == after) << "round " << round << ": " << ids.size() << " items, "
                                                   << before.size() << " before, " << after.size() << " after";
    }
    ::close(created);
    std::printf("[ kills    ] %d kills, %d of them while a save was being written\n", kills, insideASave);
}

// At a device pixel ratio of 2 the window keeps its size in logical pixels,
// which stay the page's CSS pixels, and the page draws with its 2x images.
TEST(EndToEnd, TwiceTheScaleKeepsTheLayoutAndTakesTheSharpImages)
{
    TestDesktop desktop;
    LocalVideoSite site;
    for (const int ratio : {1, 2}) {
        SCOPED_TRACE(ratio);
        QTemporaryDir homeDir;
        const QString home = homeDir.path();
        // One finished video without a picture: its row shows the placeholder.
        appxml::ItemRecord item;
        item.id = "nopicture01";
        item.title = "No picture";
        item.videopath = home + "/Videos/No picture.mp4";
        item.length = item.completed = 1000;
        ASSERT_TRUE(QDir().mkpath(home + "/data/Ferrowick"));
        ASSERT_EQ(
            appxml::Save(home + "/data/Ferrowick/app.xml", {home + "/Videos", home + "/data/Ferrowick/Temp"}, {item}),
            1);

        Program app(home, desktop, site, {}, {{"QT_SCALE_FACTOR", QString::number(ratio)}});
        ASSERT_TRUE(app.connect());
        ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 1 video"; }));
        EXPECT_EQ(app.eval("devicePixelRatio").toDouble(), ratio);
        // The window hit-tests its mouse positions, in logical pixels, against
        // the boxes the page reports in CSS pixels: they must be one unit.
        EXPECT_EQ(app.eval("[innerWidth, innerHeight].join()").toString(), "681,601");
        EXPECT_EQ(app.box("#top"), QRectF(0, 0, 680, 63));
        EXPECT_EQ(app.box("#bottom"), QRectF(0, 571, 680, 29));

        // The page images Chromium fetched: the 1x ones at ratio 1, only the 2x
        // ones at ratio 2. The row's placeholder is also the <img>'s own source.
        QStringList images;
        const auto fetched = [&] {
            images.clear();
            const QJsonArray resources =
                app.call("Page.getResourceTree").value("frameTree").toObject().value("resources").toArray();
            for (const QJsonValue& r : resources) {
                const QString url = r.toObject().value("url").toString();
                if (url.startsWith("ferrowick://page/") && url.endsWith(".png"))
                    images << url.mid(17);
            }
            images.sort();
            return images.contains(ratio == 2 ? "unknown@2x.png" : "unknown.png") &&
                   images.contains(ratio == 2 ? "top@2x.png" : "top.png");
        };
        ASSERT_TRUE(WaitFor(fetched, 10000)) << images.join(' ').toStdString();
        for (const char* name :
             {"top", "bottom", "content", "minimize", "close", "url", "add", "options", "help", "button"})
            EXPECT_TRUE(images.contains(QLatin1String(name) + (ratio == 2 ? "@2x.png" : ".png"))) << name;
        for (const QString& name : images)
            EXPECT_TRUE(ratio == 2 ? name.endsWith("@2x.png") || name == "unknown.png" : !name.contains('@'))
                << name.toStdString();

        // The pop-up shows the picture at its own size: 48 x 32 CSS pixels (and a
        // border) whichever drawing fills it.
        const QPoint thumb = app.centre("#content option .thumb img");
        app.call("Input.dispatchMouseEvent", {{"type", "mouseMoved"}, {"x", thumb.x()}, {"y", thumb.y()}});
        ASSERT_TRUE(WaitFor(
            [&] {
                return app.eval("getComputedStyle(document.getElementById('thumb_tip')).display != 'none'").toBool();
            },
            5000));
        EXPECT_EQ(app.box("#thumb_tip_img").size(), QSizeF(50, 34));
        const QString shot = QStringLiteral("e2e-scale-%1x").arg(ratio);
        app.screenshot(shot);
        EXPECT_EQ(QImage(QStringLiteral(FERROWICK_SHOT_DIR "/") + shot + ".png").size(), QSize(681, 601) * ratio);

        // A running download's bar keeps the page's size in CSS pixels.
        site.setVideo("slowvideo01", SlowVideo("Slow at scale"));
        app.type(Addr("slowvideo01"));
        app.click("#add");
        ASSERT_TRUE(WaitFor([&] { return app.rows().value(0).contains("/s"); }));
        EXPECT_EQ(app.pageFaults(), "");
        app.screenshot(shot + "-downloading");
    }
}

namespace {

// A finished row and a failed row, stored with their results.
void StoreFinishedAndFailed(const QString& home)
{
    const QString video = home + "/Videos/Done clip.mp4";
    QDir().mkpath(home + "/data/Ferrowick");
    QDir().mkpath(home + "/Videos");
    QFile(video).open(QIODevice::WriteOnly);
    appxml::Save(home + "/data/Ferrowick/app.xml", {home + "/Videos", home + "/data/Ferrowick/Temp"},
                 {{"donevideo01", "Done clip", video, "", "", 0, 1000, 1000},
                  {"failvideo02", "Broken clip", "", "", "", 3, 0, 0}});
}

}  // namespace

// What a screen reader reads of the window: one frame, the list and its rows
// with their states, the running row's bar, the named buttons and address
// box, the status line as a live region that keeps quiet for a while after it
// spoke, and the row menu with its disabled and current items. No picture is read.
TEST(EndToEnd, AScreenReaderReadsTheListTheButtonsAndTheMenu)
{
    QTemporaryDir homeDir;
    StoreFinishedAndFailed(homeDir.path());
    TestDesktop desktop(true);
    LocalVideoSite site;
    for (const char* id : {"slowvideo03", "slowvideo04", "slowvideo05"}) {
        Video video = SlowVideo(std::string("Slow ") + id);
        video.thumbnail = Picture(QColor(90, 160, 60));  // a pop-up shows only a picture that can be drawn
        site.setVideo(id, video);
    }
    Program app(homeDir.path(), desktop, site, {Addr("slowvideo03")});
    ASSERT_TRUE(app.connect());
    ASSERT_TRUE(WaitFor([&] { return app.rows().value(0).contains("/s"); }));
    app.click("#content option", 1);

    AxTree tree(app);
    const QList<AxNode> list = tree.withRole("listbox");
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].name, "Download list");
    EXPECT_TRUE(list[0].properties["multiselectable"].toBool());
    QStringList rows;  // the running row's text ends in the time left
    for (const AxNode& row : tree.withRole("option", &list[0]))
        rows << row.name + " / " + row.description.trimmed().section(' ', -2) +
                    (row.properties["selected"].toBool() ? " *" : "");
    EXPECT_EQ(rows.join(" | ").toStdString(),
              "Slow slowvideo03 / Sec Left | Done clip / 1000 Bytes * | Broken clip / Internet Error!");
    const QList<AxNode> bar = tree.withRole("progressbar");
    ASSERT_EQ(bar.size(), 1);
    const qint64 length = 50 * 1024 * 1024, done = qint64(bar[0].value.toDouble());
    EXPECT_GT(done, 0);
    EXPECT_EQ(bar[0].properties["valuemax"].toDouble(), length);
    EXPECT_EQ(bar[0].properties["valuetext"].toString(), QStringLiteral("%1 %").arg(done * 100 / length));
    QStringList names;
    for (const char* role : {"button", "textbox", "status"})
        for (const AxNode& n : tree.withRole(role))
            names << n.name + (n.properties.contains("live") ? " live=" + n.properties["live"].toString() : "");
    names.sort();
    EXPECT_EQ(names.join(" | ").toStdString(),
              " live=polite | About | Add | Close | Help | Minimize | Options | Video address");
    QString addDescription;
    for (const AxNode& n : tree.withRole("button"))
        if (n.name == "Add")
            addDescription = n.description;
    EXPECT_EQ(addDescription, "Add a new video download");

    // Over AT-SPI the window is one frame named by its title, and the text
    // of the button the pointer rests on is no description of the view's.
    app.mouse("mouseMoved", app.centre("#add"), "none", 0, 0);
    Pump(1000);
    EXPECT_EQ(desktop.accessibleTree(app.process().processId(), 3).join(" | ").toStdString(),
              "frame 'Ferrowick' | filler '' | web document ''");

    // Two changes of the status line within seconds: the second is told only
    // when five seconds have passed since the first.
    const auto live = [&] { return app.eval("document.getElementById('status-bar').getAttribute('aria-live')"); };
    for (const char* id : {"slowvideo04", "slowvideo05"}) {
        const QString before = app.status();
        app.type(Addr(id));
        app.click("#add");
        ASSERT_TRUE(WaitFor([&] { return app.status() != before; }));
    }
    EXPECT_EQ(live().toString(), "off");
    EXPECT_TRUE(WaitFor([&] { return live().isNull(); }, 7000));

    // The thumbnail's pop-up is open, yet no picture is read.
    app.mouse("mouseMoved", app.centre("#content option .thumb img"), "none", 0, 0);
    ASSERT_TRUE(WaitFor([&] { return app.eval("!!document.querySelector('#thumb_tip[fw-shown]')").toBool(); }, 5000));
    EXPECT_TRUE(AxTree(app).withRole("image").isEmpty());

    // The finished row's menu: its items by their texts, the ones it does not
    // offer disabled, and the current one focused.
    app.click("#content option", 3, "right");
    ASSERT_TRUE(WaitFor([&] { return app.menuShown(); }, 5000));
    app.call("Input.dispatchKeyEvent", {{"type", "rawKeyDown"}, {"key", "ArrowDown"}, {"windowsVirtualKeyCode", 40}});
    ASSERT_TRUE(WaitFor([&] { return app.focused() == "mi_select_all"; }, 5000));
    tree = AxTree(app);
    const QList<AxNode> menu = tree.withRole("menu");
    ASSERT_EQ(menu.size(), 1);
    QStringList items;
    for (const AxNode& item : tree.withRole("menuitem", &menu[0]))
        items << item.name + (item.properties["disabled"].toBool() ? " -" : "") +
                     (item.properties["focused"].toBool() ? " *" : "");
    EXPECT_EQ(items.join(" | ").toStdString(),
              "Restart - | Resume - | Stop - | Select All * | Remove | Open Video File | "
              "Open Containing Folder | Open Video Web Page on youtube.com | Options...");
}

// A session with the keyboard alone: Tab through the window, a button by
// Space, a row by the arrows, the row menu by Shift+F10 and one of its items
// by the arrows and Enter. No key removes a row.
TEST(EndToEnd, TheKeyboardReachesEveryControlAndTheRowMenu)
{
    QTemporaryDir homeDir;
    StoreFinishedAndFailed(homeDir.path());
    TestDesktop desktop;
    LocalVideoSite site;
    Program app(homeDir.path(), desktop, site);
    ASSERT_TRUE(app.connect());
    ASSERT_TRUE(WaitFor([&] { return app.status() == "Total: 2 videos, 1 uncompleted"; }));

    std::string order;
    for (int i = 0; i < 8; ++i) {
        app.press("Tab");
        order += app.focused() + ' ';
    }
    EXPECT_EQ(order, "url add options help content about minimize close ");
    for (int i = 0; i < 5; ++i)
        app.press("shift+Tab");
    ASSERT_EQ(app.focused(), "options");
    const QStringList before = desktop.windows("Options");
    app.press("space");
    const QString options = desktop.newWindow("Options", before);
    ASSERT_FALSE(options.isEmpty()) << "Space on Options opened no dialog";
    desktop.key(options, "Escape");
    ASSERT_TRUE(WaitFor([&] { return desktop.windows("Options").isEmpty(); }, 5000));

    app.press("Tab");
    app.press("Tab");
    app.press("Down");
    const QString selected =
        "[...document.querySelectorAll('#content option')].map(o => o.getAttribute('aria-selected'))"
        ".join()";
    EXPECT_EQ(app.eval(selected).toString().toStdString(), "true,false");
    app.press("Delete");
    app.press("shift+F10");
    ASSERT_TRUE(WaitFor([&] { return app.menuShown(); }, 5000));
    EXPECT_EQ(app.focused(), "item_menu");
    app.press("Down");
    EXPECT_EQ(app.focused(), "mi_select_all");  // Restart and Stop are not offered for a finished row
    app.press("Return");
    EXPECT_TRUE(WaitFor([&] { return !app.menuShown(); }, 5000));
    EXPECT_EQ(app.eval(selected).toString().toStdString(), "true,true");
    EXPECT_EQ(app.focused(), "content");
    EXPECT_EQ(app.status(), "Total: 2 videos, 1 uncompleted");
}

// With no X server and no platform asked for, the window shows on a Wayland
// compositor of the test's own, and its picture there has the desktop in the corners.
TEST(EndToEnd, OnWaylandTheWindowShowsWithRoundCorners)
{
    const QString weston = QStandardPaths::findExecutable("weston");
    const QString shooter = QStandardPaths::findExecutable("weston-screenshooter");
    if (weston.isEmpty() || shooter.isEmpty())
        GTEST_SKIP() << "no weston";
    QTemporaryDir homeDir;
    const QString home = homeDir.path();
    const QString socket = QStringLiteral("wayland-ferrowick-test");
    QProcess compositor;  // ends after the program, which would complain of a lost connection
    TestProgram app(home, {{"WAYLAND_DISPLAY", socket}});  // makes home/run, the compositor's too
    QProcessEnvironment env = app.process().processEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    app.process().setProcessEnvironment(env);
    {
        QFile ini(home + "/weston.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[shell]\nbackground-image=none\nbackground-color=0xff00ff00\npanel-position=none\n");
    }
    compositor.setProcessEnvironment(env);
    compositor.setStandardErrorFile(QProcess::nullDevice());
    // --debug lets the screenshooter in.
    compositor.start(weston, {"--backend=headless-backend.so", "--use-pixman", "--debug", "--idle-time=0",
                              "--width=800", "--height=700", "--socket=" + socket, "--config=" + home + "/weston.ini"});
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(home + "/run/" + socket); }));
    app.start();
    ASSERT_TRUE(app.connect());
    QImage shot;
    QRect box;  // the window: what is not the desktop across the middle
    const auto shoot = [&] {
        QProcess take;
        take.setProcessEnvironment(env);
        take.setWorkingDirectory(home);
        take.start(shooter);
        take.waitForFinished(10000);
        const QString file = home + "/" + QDir(home).entryList({"wayland-screenshot*.png"}).value(0);
        shot = QImage(file).convertToFormat(QImage::Format_RGB32);
        QFile::remove(file);
        box = {};
        if (shot.isNull() || shot.pixel(0, 0) != qRgb(0, 255, 0))
            return false;  // none yet, or the desktop still fading in
        for (int x = 0; x < 800; ++x)
            box |= shot.pixel(x, 350) != qRgb(0, 255, 0) ? QRect(x, 350, 1, 1) : QRect();
        for (int y = 0; y < 700; ++y)
            box |= shot.pixel(400, y) != qRgb(0, 255, 0) ? QRect(400, y, 1, 1) : QRect();
        return box.width() >= 680 && box.width() <= 681 && box.height() >= 600 && box.height() <= 601;
    };
    ASSERT_TRUE(WaitFor(shoot, 60000)) << box.width() << "x" << box.height();
    for (const QPoint corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
        EXPECT_EQ(QColor(shot.pixel(corner)).name(), "#00ff00") << corner.x() << "," << corner.y();
    app.process().kill();
    app.process().waitForFinished(5000);
    compositor.terminate();
    compositor.waitForFinished(5000);
}
