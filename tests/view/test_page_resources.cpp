#include "viewharness.h"

#include "platform/layout/layoutview.h"
#include "ui/page/resourceloader.h"
#include "ui/res/resources.h"

#include <QFile>
#include <QImage>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

#include <optional>

namespace {

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(PageResources, EveryImageHasItsSizeAndTheBandsHaveAlpha)
{
    InitPageResources();
    const struct {
        const char* name;
        int w, h;
    } images[] = {
        {"TOP", 20, 63},        {"BOTTOM", 20, 29},  {"CONTENT", 12, 81}, {"MINIMIZE", 14, 15}, {"MINIMIZE_H", 14, 15},
        {"MINIMIZE_A", 14, 15}, {"CLOSE", 14, 15},   {"CLOSE_H", 14, 15}, {"CLOSE_A", 14, 15},  {"URL", 23, 22},
        {"ADD", 28, 23},        {"ADD_A", 28, 23},   {"ADD_D", 28, 23},   {"OPTIONS", 60, 23},  {"OPTIONS_A", 60, 23},
        {"HELP", 40, 23},       {"HELP_A", 40, 23},  {"BUTTON", 7, 20},   {"BUTTON_A", 7, 20},  {"CHECKED_F", 1, 40},
        {"CHECKED", 1, 40},     {"UNKNOWN", 48, 32},
    };
    for (const auto& i : images) {
        const QString name = QStringLiteral(":/res/PNG/") + QLatin1String(i.name);
        const QImage img = QImage::fromData(Bytes(name), "PNG");
        ASSERT_FALSE(img.isNull()) << i.name;
        EXPECT_EQ(img.size(), QSize(i.w, i.h)) << i.name;
        // Its drawing for a device pixel ratio of 2: the same picture at twice the size.
        const QImage twice = QImage::fromData(Bytes(name + QStringLiteral("@2X")), "PNG");
        ASSERT_FALSE(twice.isNull()) << i.name << "@2X";
        EXPECT_EQ(twice.size(), QSize(2 * i.w, 2 * i.h)) << i.name << "@2X";
    }
    for (const char* band : {"TOP", "BOTTOM", "CONTENT", "TOP@2X", "BOTTOM@2X", "CONTENT@2X"})
        EXPECT_TRUE(QImage::fromData(Bytes(QStringLiteral(":/res/PNG/") + QLatin1String(band))).hasAlphaChannel())
            << band;
    // The states of a button must look different.
    EXPECT_NE(Bytes(QStringLiteral(":/res/PNG/ADD")), Bytes(QStringLiteral(":/res/PNG/ADD_D")));
    EXPECT_NE(Bytes(QStringLiteral(":/res/PNG/CLOSE")), Bytes(QStringLiteral(":/res/PNG/CLOSE_H")));
}

QImage ImageByUrl(const QString& url)
{
    const auto data = LoadResourceByUrl(url);
    return data ? QImage::fromData(data->data, int(data->size), "PNG") : QImage();
}

TEST(PageResources, EveryImageOnThePageComesWithItsDrawingAtTwiceTheSize)
{
    InitPageResources();
    // Chromium picks the candidate for the screen's device pixel ratio; an
    // image named without one would be stretched, and blurred, at ratio 2.
    QString sheets =
        QString::fromUtf8(Bytes(QStringLiteral(":/res/HTML/DEFAULT")) + Bytes(QStringLiteral(":/res/CSS/STD-MENU")));
    static const QRegularExpression set(
        QStringLiteral("-webkit-image-set\\(url\\(([a-z_]+)\\.png\\) 1x, url\\(([a-z_@0-9]+)\\.png\\) 2x\\)"));
    QSet<QString> named;
    for (auto it = set.globalMatch(sheets); it.hasNext();) {
        const auto m = it.next();
        const QString one = m.captured(1), two = m.captured(2);
        EXPECT_EQ(two, one + QStringLiteral("@2x"));
        // Found the way the view asks for it: by the name in the page.
        const QImage small = ImageByUrl(one + QStringLiteral(".png")), large = ImageByUrl(two + QStringLiteral(".png"));
        ASSERT_FALSE(small.isNull()) << qPrintable(one);
        ASSERT_FALSE(large.isNull()) << qPrintable(two);
        EXPECT_EQ(large.size(), small.size() * 2) << qPrintable(two);
        named << one;
    }
    // Every page image but CHECKED, which the page does not use, and the dark
    // scheme's variants of all but the placeholder.
    EXPECT_EQ(named.size(), 21 + 20);
    // The rows' placeholder is an element's source: the sheet replaces it.
    EXPECT_TRUE(
        sheets.contains(QStringLiteral("img[src=\"unknown.png\"] { content:-webkit-image-set(url(unknown.png) 1x")));
    sheets.remove(set);
    EXPECT_FALSE(sheets.contains(QRegularExpression(QStringLiteral("url\\([^)]*\\.png"))))
        << "an image without its drawing at twice the size";
}

TEST(PageResources, ThePageHoldsEveryElementTheProgramLooksUp)
{
    ViewHarness h;
    ASSERT_TRUE(h.loadPage());
    for (const char* id :
         {"top",       "caption",     "caption_text", "minimize",   "close",        "tool",    "bottom",
          "url",       "add",         "content",      "status-bar", "help",         "about",   "options",
          "item_menu", "mi_open",     "mi_open_file", "mi_restart", "mi_resume",    "mi_stop", "mi_select_all",
          "mi_remove", "mi_open_url", "mi_options",   "thumb_tip",  "thumb_tip_img"})
        EXPECT_NE(h.byId(id), nullptr) << id;
    const char* type = nullptr;
    HTMLayoutGetElementType(h.byId("thumb_tip"), &type);
    EXPECT_STREQ(type, "popup");
    HTMLayoutGetElementType(h.byId("item_menu"), &type);
    EXPECT_STREQ(type, "menu");
    const char16_t* value = nullptr;
    HTMLayoutGetAttributeByName(h.byId("content"), "type", &value);
    EXPECT_EQ(QString::fromUtf16(value), QStringLiteral("select"));
    EXPECT_EQ(HTMLayoutGetAttributeByName(h.byId("content"), "multiple", &value), HLDOM_OK);

    // Menu items in order, with three separators between the groups.
    unsigned count = 0;
    HTMLayoutGetChildrenCount(h.byId("item_menu"), &count);
    QStringList order;
    for (unsigned i = 0; i < count; ++i) {
        HELEMENT child = nullptr;
        HTMLayoutGetNthChild(h.byId("item_menu"), i, &child);
        const char* tag = nullptr;
        HTMLayoutGetElementType(child, &tag);
        const char16_t* id = nullptr;
        HTMLayoutGetAttributeByName(child, "id", &id);
        order << (id ? QString::fromUtf16(id) : QString::fromLatin1(tag));
    }
    EXPECT_EQ(order.join(','), QStringLiteral("mi_restart,mi_resume,mi_stop,hr,mi_select_all,hr,mi_remove,hr,"
                                              "mi_open_file,mi_open,mi_open_url,hr,mi_options"));
}

// A style sheet as a list of rules; none when it is not a run of well-formed
// "selectors { name:value; ... }" rules (so a lost brace or semicolon shows).
struct Rule {
    QString selectors;
    QMap<QString, QString> declarations;
};

std::optional<QList<Rule>> ParseRules(QString css)
{
    static const QRegularExpression comment(QStringLiteral("/\\*.*?\\*/"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression name(QStringLiteral("^(--)?-?[a-z][a-z-]*$"));
    css.remove(comment);
    QList<Rule> rules;
    qsizetype at = 0;
    for (qsizetype open; (open = css.indexOf('{', at)) >= 0;) {
        const qsizetype close = css.indexOf('}', open);
        Rule r{css.mid(at, open - at).simplified(), {}};
        if (close < 0 || r.selectors.isEmpty() || r.selectors.contains(QRegularExpression(QStringLiteral("[{};]"))))
            return std::nullopt;
        const QString body = css.mid(open + 1, close - open - 1);
        if (body.contains('{'))
            return std::nullopt;
        for (const QString& d : body.split(';', Qt::SkipEmptyParts)) {
            if (d.trimmed().isEmpty())
                continue;
            const qsizetype colon = d.indexOf(':');
            const QString key = d.left(colon).trimmed(), value = d.mid(colon + 1).trimmed();
            if (colon < 0 || !name.match(key).hasMatch() || value.isEmpty() || value.contains(':'))
                return std::nullopt;
            r.declarations.insert(key, value);
        }
        rules.append(r);
        at = close + 1;
    }
    if (!css.mid(at).trimmed().isEmpty())
        return std::nullopt;
    return rules;
}

// The declarations of the rule whose selector list holds the given selector.
QMap<QString, QString> RuleFor(const QList<Rule>& rules, const QString& selector)
{
    for (const Rule& r : rules)
        for (const QString& s : r.selectors.split(','))
            if (s.trimmed() == selector)
                return r.declarations;
    return {};
}

TEST(PageResources, StylesStartWithTheMenuSheetAndNameTheRowMenu)
{
    InitPageResources();
    const QByteArray page = Bytes(QStringLiteral(":/res/HTML/DEFAULT"));
    const qsizetype style = page.indexOf("<style>"), end = page.indexOf("</style>");
    ASSERT_GE(style, 0);
    ASSERT_GT(end, style);
    const QString sheet = QString::fromUtf8(page.mid(style + 7, end - style - 7)).trimmed();
    const QString import = QStringLiteral("@import url(std-menu.css);");
    ASSERT_TRUE(sheet.startsWith(import));
    const auto pageRules = ParseRules(sheet.mid(import.size()));
    ASSERT_TRUE(pageRules);
    EXPECT_TRUE(page.contains("title=\"Example: http://www.youtube.com/watch?v=XXXXXXXX\""));

    // The model reads the context-menu rules: the rows and the rest of the
    // window both open the row menu, each as its own owner.
    ViewHarness h;
    ASSERT_TRUE(h.loadPage());
    HELEMENT row =
        h.insertRow(0, QStringLiteral("aaaaaaaaaa1"), QStringLiteral("Title"), QStringLiteral("1 KB"), false, 0, 0);
    HELEMENT title = nullptr;
    HTMLayoutSelectElements(
        row, ".title",
        [](HELEMENT e, void* p) {
            *static_cast<HELEMENT*>(p) = e;
            return true;
        },
        &title);
    HELEMENT body = nullptr;
    HTMLayoutGetParentElement(h.byId("top"), &body);
    for (HELEMENT clicked : {title, h.byId("status-bar")}) {
        h.events.clear();
        layout::LayoutInput in;
        in.type = layout::LayoutInput::ContextMenu;
        in.target = layout::NodeId(clicked);
        layout::ProcessInput(h.window(), in);
        ASSERT_EQ(h.events.size(), 1u);
        EXPECT_EQ(h.events[0].cmd, uint32_t(CONTEXT_MENU_SETUP));
        EXPECT_EQ(h.events[0].target, clicked == title ? row : body);
        EXPECT_EQ(h.events[0].source, h.byId("item_menu"));
    }

    // The menu sheet is well formed, hides the menus until the model shows one,
    // and styles the item states the view marks.
    const auto menu = ParseRules(QString::fromUtf8(Bytes(QStringLiteral(":/res/CSS/STD-MENU"))));
    ASSERT_TRUE(menu);
    EXPECT_EQ(RuleFor(*menu, QStringLiteral("menu")).value(QStringLiteral("display")), QStringLiteral("none"));
    EXPECT_EQ(RuleFor(*menu, QStringLiteral("menu li[state-current]")).value(QStringLiteral("background-color")),
              QStringLiteral("var(--fw-menu-current)"));
    EXPECT_EQ(RuleFor(*menu, QStringLiteral("menu li[state-disabled]")).value(QStringLiteral("color")),
              QStringLiteral("var(--fw-menu-disabled)"));
    // Their colours are the page's; the light highlight is a shade darker
    // than it was, for 4.5:1 with its white text.
    const auto light = RuleFor(*pageRules, QStringLiteral("html"));
    EXPECT_EQ(light.value(QStringLiteral("--fw-menu-current")), QStringLiteral("#3570D0"));
    EXPECT_EQ(light.value(QStringLiteral("--fw-menu-disabled")), QStringLiteral("#8C8C8C"));
}

}  // namespace
