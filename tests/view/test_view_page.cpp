// Drives the real view of the program's page through the DevTools port, as a
// user would, and checks what the page model saw.
#include "tests/support/devtoolsclient.h"
#include "ui/page/dom.h"
#include "viewharness.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

int g_port = 0;

std::string Str(const QJsonValue& v)
{
    return v.toString().toStdString();
}

QRect Box(HELEMENT he)
{
    RECT r{};
    HTMLayoutGetElementLocation(he, &r, 0x21);
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

uint32_t State(HELEMENT he)
{
    return GetElementState(he);
}

QString Text(HELEMENT he)
{
    return QString::fromStdString(GetElementInnerText(he));
}

bool Has(const std::vector<ViewHarness::BehaviorEvent>& ev, uint32_t cmd, const QString& target,
         const QString& source = {})
{
    for (const auto& e : ev)
        if (e.cmd == cmd && e.targetId == target && (source.isEmpty() || e.sourceId == source))
            return true;
    return false;
}

TEST(ViewPage, MirrorsThePageAndCarriesUserInputToTheModel)
{
    ViewHarness h;
    ASSERT_TRUE(h.loadPage());
    HELEMENT running =
        h.insertRow(0x7FFFFFFF, QStringLiteral("aaaaaaaaaa1"), QStringLiteral("Big Buck Bunny"),
                    QStringLiteral("3.4 MB / 9.8 MB  (412.0 KB/s)  -  16 Sec Left "), true, 10276044, 3565158);
    HELEMENT done = h.insertRow(0x7FFFFFFF, QStringLiteral("bbbbbbbbbb2"), QStringLiteral("Sintel Trailer"),
                                QStringLiteral("4.2 MB"), false, 0, 0);
    HELEMENT failed = h.insertRow(0x7FFFFFFF, QStringLiteral("cccccccccc3"), QStringLiteral("Unknown-cccccccccc3"),
                                  QStringLiteral("<span class=\"error\">Internet Error!</span>"), false, 0, 0);
    ASSERT_TRUE(h.showView(60000)) << "the view never reported its boxes";
    Pump(500);

    // Boxes the view reported for the bands and the list.
    const QRect top = Box(h.byId("top")), bottom = Box(h.byId("bottom")), content = Box(h.byId("content"));
    EXPECT_EQ(top, QRect(0, 0, 680, 63));
    EXPECT_EQ(bottom, QRect(0, 571, 680, 29));
    EXPECT_EQ(content, QRect(0, 63, 680, 508));
    EXPECT_EQ(Box(h.byId("add")).size(), QSize(28, 23));
    EXPECT_EQ(Box(h.byId("close")).size(), QSize(14, 15));
    EXPECT_EQ(Box(h.byId("close")).right(), 680 - 6 - 1);
    EXPECT_EQ(Box(h.byId("url")).height(), 22);

    DevToolsClient dt;
    ASSERT_TRUE(dt.attach(g_port));
    EXPECT_EQ(dt.box(QStringLiteral("body")).size(), QSizeF(680, 600));
    // The styles reach Chromium: 40-pixel rows, alternating colours, red error text.
    EXPECT_EQ(dt.eval(QStringLiteral("document.querySelectorAll('#content option').length")).toInt(), 3);
    EXPECT_EQ(dt.box(QStringLiteral("#content option")).height(), 40);
    EXPECT_EQ(
        dt.eval(QStringLiteral("getComputedStyle(document.querySelectorAll('#content option')[0]).backgroundColor"))
            .toString(),
        QStringLiteral("rgb(241, 245, 250)"));
    EXPECT_EQ(
        dt.eval(QStringLiteral("getComputedStyle(document.querySelectorAll('#content option')[1]).backgroundColor"))
            .toString(),
        QStringLiteral("rgb(255, 255, 255)"));
    EXPECT_EQ(dt.eval(QStringLiteral("getComputedStyle(document.querySelector('#content .error')).color")).toString(),
              QStringLiteral("rgb(255, 0, 0)"));
    // The model's root chooses the scheme; the mirror restyles the same rows.
    HELEMENT root = nullptr;
    HTMLayoutGetRootElement(h.window(), &root);
    HTMLayoutSetAttributeByName(root, "color-scheme", u"dark");
    const QString odd =
        QStringLiteral("getComputedStyle(document.querySelectorAll('#content option')[0]).backgroundColor");
    EXPECT_TRUE(WaitFor([&] { return dt.eval(odd).toString() == QStringLiteral("rgb(51, 54, 59)"); }, 3000));
    HTMLayoutSetAttributeByName(root, "color-scheme", u"light");
    EXPECT_TRUE(WaitFor([&] { return dt.eval(odd).toString() == QStringLiteral("rgb(241, 245, 250)"); }, 3000));
    // The bar's fill is the share done.
    EXPECT_NEAR(
        dt.eval(QStringLiteral("parseFloat(document.querySelector('#content .progress input > *').style.width)"))
            .toDouble(),
        100.0 * 3565158 / 10276044, 0.01);
    EXPECT_TRUE(dt.eval(QStringLiteral("document.querySelector('#thumb_tip_img').complete && "
                                       "document.querySelector('#thumb_tip_img').naturalWidth === 48"))
                    .toBool());

    // Typing into the address field: the model's text is what was typed.
    dt.click(dt.centre(QStringLiteral("#url")));
    const QString address = QStringLiteral("http://www.youtube.com/watch?v=dQw4w9WgXcQ");
    dt.call("Input.insertText", {{"text", address}});
    EXPECT_TRUE(WaitFor([&] { return Text(h.byId("url")) == address; }, 3000)) << Text(h.byId("url")).toStdString();

    // The Add button: a button click with "add" as its target.
    h.events.clear();
    dt.click(dt.centre(QStringLiteral("#add")));
    EXPECT_TRUE(Has(h.events, BUTTON_CLICK, QStringLiteral("add")));

    // Click, Ctrl-click, then a plain click on the failed row.
    dt.click(dt.centre(QStringLiteral("#content option"), 0));
    EXPECT_TRUE(State(running) & STATE_CHECKED);
    EXPECT_FALSE(State(failed) & STATE_CHECKED);
    dt.click(dt.centre(QStringLiteral("#content option"), 2), "left", 2 /* Ctrl */);
    EXPECT_TRUE(State(running) & STATE_CHECKED);
    EXPECT_TRUE(State(failed) & STATE_CHECKED);
    EXPECT_FALSE(State(done) & STATE_CHECKED);
    dt.click(dt.centre(QStringLiteral("#content option"), 2));
    EXPECT_FALSE(State(running) & STATE_CHECKED);
    EXPECT_TRUE(State(failed) & STATE_CHECKED);
    // Keys in the list go to the model: the row below becomes the selection.
    dt.call("Input.dispatchKeyEvent",
            {{"type", "rawKeyDown"}, {"key", "ArrowUp"}, {"code", "ArrowUp"}, {"windowsVirtualKeyCode", 38}});
    dt.call("Input.dispatchKeyEvent",
            {{"type", "keyUp"}, {"key", "ArrowUp"}, {"code", "ArrowUp"}, {"windowsVirtualKeyCode", 38}});
    EXPECT_TRUE(WaitFor([&] { return (State(done) & STATE_CHECKED) != 0; }, 3000));
    EXPECT_FALSE(State(failed) & STATE_CHECKED);
    dt.click(dt.centre(QStringLiteral("#content option"), 2));
    EXPECT_TRUE(State(failed) & STATE_CHECKED);
    EXPECT_FALSE(State(done) & STATE_CHECKED);
    Pump(300);
    // The checked state reaches the view's CSS: white error text on the gradient.
    EXPECT_EQ(dt.eval(QStringLiteral("getComputedStyle(document.querySelector('#content .error')).color")).toString(),
              QStringLiteral("rgb(255, 255, 255)"));
    dt.eval(QStringLiteral("document.activeElement && document.activeElement.blur()"));
    Pump(200);
    EXPECT_TRUE(dt.screenshot(QDir::current().filePath(QStringLiteral("view_page.png"))));

    // Right-click on a row: set-up event, the menu shown, then an item click.
    h.events.clear();
    dt.click(dt.centre(QStringLiteral("#content option"), 1), "right");
    // The set-up names the row itself as target (the body names the same menu) and the menu as source.
    const auto setups =
        std::count_if(h.events.begin(), h.events.end(), [](const auto& e) { return e.cmd == CONTEXT_MENU_SETUP; });
    EXPECT_EQ(setups, 1);
    const auto setup =
        std::find_if(h.events.begin(), h.events.end(), [](const auto& e) { return e.cmd == CONTEXT_MENU_SETUP; });
    ASSERT_NE(setup, h.events.end());
    EXPECT_EQ(setup->target, done);
    EXPECT_EQ(setup->source, h.byId("item_menu"));
    EXPECT_TRUE(dt.eval(QStringLiteral("document.getElementById('item_menu').offsetHeight > 100")).toBool());
    const QRectF menu = dt.box(QStringLiteral("#item_menu"));
    ASSERT_FALSE(menu.isNull());
    EXPECT_LE(menu.right(), 680.0);  // kept inside the window
    EXPECT_LE(menu.bottom(), 600.0);
    EXPECT_TRUE(dt.screenshot(QDir::current().filePath(QStringLiteral("view_menu.png"))));
    dt.click(dt.centre(QStringLiteral("#mi_select_all")));
    EXPECT_TRUE(Has(h.events, MENU_ITEM_CLICK, QStringLiteral("mi_select_all")));
    Pump(300);
    EXPECT_FALSE(dt.eval(QStringLiteral("document.getElementById('item_menu').offsetHeight > 0")).toBool());

    // Hovering a thumbnail: the model asks for the pop-up, the view shows it next to the image.
    h.events.clear();
    const QPoint thumb = dt.centre(QStringLiteral("#content .thumb img"), 0);
    dt.mouse("mouseMoved", thumb, "none", 0, 0);
    Pump(400);
    EXPECT_TRUE(Has(h.events, POPUP_REQUEST, QStringLiteral("thumb_tip")));
    const QRectF tip = dt.box(QStringLiteral("#thumb_tip"));
    EXPECT_GT(tip.width(), 48.0);  // the image inside its padding and border
    EXPECT_GE(tip.top(), double(thumb.y()));
    EXPECT_LE(tip.bottom(), 600.0);
    dt.mouse("mouseMoved", QPoint(400, 400), "none", 0, 0);
    Pump(300);
    EXPECT_EQ(dt.box(QStringLiteral("#thumb_tip")).height(), 0);
}

// Batches change only what they name: the other nodes, the scroll position,
// the focus and the text being typed all survive a refresh.
TEST(ViewPage, LaysOutOnlyTheRowsNearTheVisiblePartOfTheList)
{
    ViewHarness h;
    ASSERT_TRUE(h.loadPage());
    for (int i = 0; i < 80; ++i)
        h.insertRow(0x7FFFFFFF, QStringLiteral("v%1").arg(i), QStringLiteral("Video %1").arg(i),
                    QStringLiteral("1.0 MB "), false, 1 << 20, 1 << 20);
    ASSERT_TRUE(h.showView(60000));
    DevToolsClient dt;
    ASSERT_TRUE(dt.attach(g_port));
    const QString shown = QStringLiteral("document.querySelectorAll('#content .title')[%1].getClientRects().length");
    EXPECT_EQ(dt.eval(shown.arg(0)).toInt(), 1);
    EXPECT_EQ(dt.eval(shown.arg(79)).toInt(), 0);  // far below: no box for its cells
    const QString height =
        QStringLiteral("document.querySelectorAll('#content option')[79].getBoundingClientRect().height");
    EXPECT_EQ(dt.eval(height).toInt(), 40);  // its place kept
    dt.eval(QStringLiteral("const c = document.getElementById('content'); c.scrollTop = c.scrollHeight; 0"));
    EXPECT_TRUE(WaitFor([&] { return dt.eval(shown.arg(79)).toInt() == 1; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return dt.eval(shown.arg(0)).toInt() == 0; }, 5000));
}

TEST(ViewPage, AppliesBatchesInPlace)
{
    ViewHarness h;
    ASSERT_TRUE(h.loadPage());
    std::vector<HELEMENT> rows;
    for (int i = 0; i < 30; ++i)
        rows.push_back(h.insertRow(0x7FFFFFFF, QStringLiteral("v%1").arg(i), QStringLiteral("Video %1").arg(i),
                                   QStringLiteral("0 KB / 1.0 MB "), true, 1 << 20, 0));
    ASSERT_TRUE(h.showView(60000));
    DevToolsClient dt;
    ASSERT_TRUE(dt.attach(g_port));

    dt.eval(QStringLiteral("window.__rows = Array.from(document.querySelectorAll('#content option'));"
                           "document.getElementById('content').scrollTop = 300; 0"));
    dt.click(dt.centre(QStringLiteral("#url")));
    dt.call("Input.insertText", {{"text", QStringLiteral("http://www.you")}});
    Pump(300);

    h.setRowStatus(rows[3], QStringLiteral("512 KB / 1.0 MB "), 1 << 19);
    h.setRowStatus(rows[20], QStringLiteral("<span class=\"error\">Internet Error!</span>"), 0);
    h.view()->flush();
    const int seq = h.view()->lastBatchSeq();
    int applied = 0;
    QObject::connect(h.view(), &layout::LayoutWebView::batchApplied, [&](int s, double) { applied = s; });
    ASSERT_TRUE(WaitFor([&] { return applied >= seq; }, 5000));
    EXPECT_LT(h.view()->lastBatchBytes(), 1000);  // two rows' worth, not the document

    EXPECT_TRUE(dt.eval(QStringLiteral("Array.from(document.querySelectorAll('#content option'))"
                                       ".every((r, i) => r === window.__rows[i])"))
                    .toBool());
    EXPECT_EQ(dt.eval(QStringLiteral("document.getElementById('content').scrollTop")).toInt(), 300);
    EXPECT_EQ(dt.eval(QStringLiteral("document.activeElement.id")).toString(), QStringLiteral("url"));
    EXPECT_EQ(dt.eval(QStringLiteral("document.querySelectorAll('#content .text')[3].textContent")).toString(),
              QStringLiteral("512 KB / 1.0 MB "));
    EXPECT_EQ(
        dt.eval(QStringLiteral("document.querySelectorAll('#content .progress input > *')[3].style.width")).toString(),
        QStringLiteral("50%"));
    EXPECT_EQ(
        dt.eval(QStringLiteral("getComputedStyle(document.querySelectorAll('#content .text')[20].firstChild).color"))
            .toString(),
        QStringLiteral("rgb(255, 0, 0)"));

    // A thumbnail named by its absolute path is read from the disk by the view.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString thumbPath = dir.filePath(QStringLiteral("v5.png"));
    QImage thumbImage(120, 90, QImage::Format_RGB32);
    thumbImage.fill(Qt::darkGreen);
    ASSERT_TRUE(thumbImage.save(thumbPath, "PNG"));
    const auto showThumbnail = [&](HELEMENT row, const QString& path) {
        HELEMENT img = ViewHarness::First(row, "img");
        ASSERT_NE(img, nullptr);
        SetAttribute(img, "src", path);
        h.view()->flush();
    };
    showThumbnail(rows[5], thumbPath);
    EXPECT_TRUE(WaitFor(
        [&] {
            return dt.eval(QStringLiteral("document.querySelectorAll('#content .thumb img')[5].naturalWidth"))
                       .toInt() == 120;
        },
        5000));

    // Past 2 MiB the file is no thumbnail: the row shows no image.
    const QString largePath = dir.filePath(QStringLiteral("v6.png"));
    ASSERT_TRUE(QFile::copy(thumbPath, largePath));
    {
        QFile f(largePath);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QByteArray(2 * 1024 * 1024, '\0'));
    }
    showThumbnail(rows[6], largePath);
    const QString sixth = QStringLiteral("document.querySelectorAll('#content .thumb img')[6]");
    EXPECT_TRUE(WaitFor(
        [&] {
            return dt
                .eval(sixth + QStringLiteral(".getAttribute('src').endsWith('v6.png') && ") + sixth +
                      QStringLiteral(".complete"))
                .toBool();
        },
        5000));
    EXPECT_EQ(dt.eval(sixth + QStringLiteral(".naturalWidth")).toInt(), 0);

    // Typing goes on where it stopped.
    dt.call("Input.insertText", {{"text", QStringLiteral("tube.com/watch?v=x")}});
    EXPECT_TRUE(
        WaitFor([&] { return Text(h.byId("url")) == QStringLiteral("http://www.youtube.com/watch?v=x"); }, 3000))
        << Text(h.byId("url")).toStdString();

    // Removing a row removes exactly that node; emptying the field from the program shows in the view.
    HTMLayoutDeleteElement(rows[0]);
    const char16_t empty[] = u"";
    HTMLayoutSetElementInnerText16(h.byId("url"), empty, 0);
    h.view()->flush();
    Pump(500);
    EXPECT_EQ(dt.eval(QStringLiteral("document.querySelectorAll('#content option').length")).toInt(), 29);
    EXPECT_TRUE(
        dt.eval(QStringLiteral("document.querySelectorAll('#content option')[0] === window.__rows[1]")).toBool());
    EXPECT_EQ(dt.eval(QStringLiteral("document.getElementById('url').textContent")).toString(), QString());
}

// Markup from the model that would run script, embed content or lead the page
// away: the view shows text as text and builds none of the rest, and the
// page's policy stops what the mirror would let through.
TEST(ViewPage, RunsNoScriptFromThePageModel)
{
    const QString title =
        QStringLiteral("<script>window.__ran='title'</script><img src=x onerror=\"window.__ran='title img'\">"
                       " javascript:window.__ran='title url'");
    const QString status =
        QStringLiteral("<span class=\"error\">Internet Error!</span><script>window.__ran='script'</script>"
                       "<img class=\"bad\" src=\"x\" onerror=\"window.__ran='onerror'\"><a class=\"js\" "
                       "href=\"javascript:window.__ran='href'\">go</a>"
                       "<iframe src=\"javascript:parent.__ran='iframe'\"></iframe><object "
                       "data=\"javascript:window.__ran='object'\"></object>"
                       "<embed src=\"javascript:window.__ran='embed'\"><div class=\"hover\" "
                       "OnMouseOver=\"window.__ran='hover'\">over</div>");

    ViewHarness h;
    ASSERT_TRUE(h.loadPage());
    // The first row reaches the view in the snapshot, the second in batches.
    HELEMENT first = h.insertRow(0x7FFFFFFF, QStringLiteral("aaaaaaaaaa1"), title, status, false, 0, 0);
    SetAttribute(ViewHarness::First(first, "img"), "src", QStringLiteral("javascript:window.__ran='thumb'"));
    SetAttribute(first, "onclick", QStringLiteral("window.__ran='row click'"));
    ASSERT_TRUE(h.showView(60000));
    DevToolsClient dt;
    ASSERT_TRUE(dt.attach(g_port));
    dt.eval(QStringLiteral("window.__marker = 1"));

    HELEMENT second = h.insertRow(0x7FFFFFFF, QStringLiteral("bbbbbbbbbb2"), title, status, false, 0, 0);
    SetAttribute(ViewHarness::First(second, "img"), "src",
                 QStringLiteral(" JAVA\tscript:window.__ran='thumb attr'"));  // was unknown.png
    SetAttribute(ViewHarness::First(second, "a"), "href", QStringLiteral("javascript:window.__ran='href attr'"));
    SetAttribute(second, "ONDBLCLICK", QStringLiteral("window.__ran='row dblclick'"));
    // A refresh and a link out of the shell.
    h.setRowStatus(first,
                   status + QStringLiteral("<meta http-equiv=\"refresh\" content=\"0; url=ferrowick://view/view.css\">"
                                           "<a class=\"away\" href=\"ferrowick://view/view.css\">away</a>"),
                   0);
    int applied = 0;
    QObject::connect(h.view(), &layout::LayoutWebView::batchApplied, [&](int seq, double) { applied = seq; });
    h.view()->flush();
    ASSERT_TRUE(WaitFor([&] { return applied >= h.view()->lastBatchSeq(); }, 5000));
    dt.click(dt.centre(QStringLiteral("#content a.js")));
    dt.click(dt.centre(QStringLiteral("#content option")));
    const QPoint row2 = dt.centre(QStringLiteral("#content option"), 1);
    dt.mouse("mousePressed", row2, "left", 0, 2);
    dt.mouse("mouseReleased", row2, "left", 0, 2);
    const QPoint hover = dt.centre(QStringLiteral("#content .hover"));
    dt.mouse("mouseMoved", hover, "none", 0, 0);
    dt.click(dt.centre(QStringLiteral("#content a.away")));
    Pump(1500);  // image errors and the refresh have had their time

    // Still the shell, and the same document.
    EXPECT_EQ(Str(dt.eval(QStringLiteral("location.href"))), "ferrowick://view/shell.html");
    EXPECT_EQ(dt.eval(QStringLiteral("window.__marker")).toInt(), 1);
    EXPECT_EQ(Str(dt.eval(QStringLiteral("String(window.__ran)"))), "undefined");
    // Text stays text; the harmless part of the markup is shown.
    EXPECT_EQ(Str(dt.eval(QStringLiteral("document.querySelectorAll('#content .title')[0].textContent"))),
              title.toStdString());
    EXPECT_EQ(Str(dt.eval(QStringLiteral("document.querySelectorAll('#content .title')[1].textContent"))),
              title.toStdString());
    EXPECT_EQ(dt.eval(QStringLiteral("document.querySelectorAll('#content .title img').length")).toInt(), 0);
    EXPECT_EQ(Str(dt.eval(QStringLiteral(
                  "Array.from(document.querySelectorAll('#content .text .error')).map(e => e.textContent).join('|')"))),
              "Internet Error!|Internet Error!");
    EXPECT_EQ(Str(dt.eval(QStringLiteral(
                  "Array.from(document.querySelectorAll('#content img.bad')).map(e => e.getAttribute('src')).join()"))),
              "x,x");
    // Nothing that runs or embeds: the shell's own script is the only one.
    EXPECT_EQ(Str(dt.eval(QStringLiteral("Array.from(document.querySelectorAll('script, iframe, object, embed'))"
                                         ".map(e => e.localName + ' ' + e.getAttribute('src')).join()"))),
              "script ferrowick://view/view.js");
    EXPECT_EQ(Str(dt.eval(QStringLiteral(
                  "Array.from(document.querySelectorAll('*')).flatMap(e => Array.from(e.attributes))"
                  ".filter(a => /^on/i.test(a.name) || /javascript:/i.test(a.value)).map(a => a.name).join()"))),
              "");
    EXPECT_EQ(dt.eval(QStringLiteral("document.querySelectorAll('#content .thumb img[src], #content a[href]').length"))
                  .toInt(),
              1)
        << "only the link to the view's file keeps its address";

    // What would slip past the mirror meets the page's policy: no inline script,
    // no inline handler, no javascript: navigation.
    EXPECT_EQ(Str(dt.eval(QStringLiteral(
                  "(() => { const s = document.createElement('script'); s.textContent = \"window.__ran = 'inline'\";"
                  " document.body.appendChild(s); return String(window.__ran); })()"))),
              "undefined");
    dt.eval(QStringLiteral(
        "(() => { const i = document.createElement('img'); i.setAttribute('onerror', \"window.__ran = 'handler'\");"
        " i.src = 'ferrowick://page/nothing.png'; document.body.appendChild(i); })()"));
    Pump(500);
    EXPECT_EQ(Str(dt.eval(QStringLiteral("String(window.__ran)"))), "undefined");
    dt.eval(QStringLiteral("location.href = \"javascript:void(window.__ran = 'url')\""));
    Pump(500);
    EXPECT_EQ(Str(dt.eval(QStringLiteral("String(window.__ran)"))), "undefined");
    // The view still works: the model's changes keep arriving.
    h.setRowStatus(second, QStringLiteral("1.0 MB"), 0);
    h.view()->flush();
    EXPECT_TRUE(WaitFor(
        [&] {
            return dt.eval(QStringLiteral("document.querySelectorAll('#content .text')[1].textContent")).toString() ==
                   QStringLiteral("1.0 MB");
        },
        5000));
}

}  // namespace

int main(int argc, char** argv)
{
    g_port = DevToolsClient::FreePort();
    ViewHarness::PrepareProcess(g_port);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
