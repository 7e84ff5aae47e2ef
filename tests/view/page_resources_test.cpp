#include "viewharness.h"

#include "ui/res/resources.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(PageResources, EveryImageHasItsSizeAndTheBandsHaveAlpha)
{
    InitPageResources();
    const struct { const char* name; int w, h; } images[] = {
        {"TOP", 20, 63}, {"BOTTOM", 20, 29}, {"CONTENT", 12, 81},
        {"MINIMIZE", 14, 15}, {"MINIMIZE_H", 14, 15}, {"MINIMIZE_A", 14, 15},
        {"CLOSE", 14, 15}, {"CLOSE_H", 14, 15}, {"CLOSE_A", 14, 15}, {"URL", 23, 22},
        {"ADD", 28, 23}, {"ADD_A", 28, 23}, {"ADD_D", 28, 23},
        {"OPTIONS", 60, 23}, {"OPTIONS_A", 60, 23}, {"HELP", 40, 23}, {"HELP_A", 40, 23},
        {"BUTTON", 7, 20}, {"BUTTON_A", 7, 20}, {"CHECKED_F", 1, 40}, {"CHECKED", 1, 40}, {"UNKNOWN", 48, 32},
    };
    for (const auto& i : images) {
        const QImage img = QImage::fromData(Bytes(QStringLiteral(":/res/PNG/") + QLatin1String(i.name)), "PNG");
        ASSERT_FALSE(img.isNull()) << i.name;
        EXPECT_EQ(img.size(), QSize(i.w, i.h)) << i.name;
    }
    for (const char* band : {"TOP", "BOTTOM", "CONTENT"})
        EXPECT_TRUE(QImage::fromData(Bytes(QStringLiteral(":/res/PNG/") + QLatin1String(band))).hasAlphaChannel()) << band;
    // The states of a button must look different.
    EXPECT_NE(Bytes(QStringLiteral(":/res/PNG/ADD")), Bytes(QStringLiteral(":/res/PNG/ADD_D")));
    EXPECT_NE(Bytes(QStringLiteral(":/res/PNG/CLOSE")), Bytes(QStringLiteral(":/res/PNG/CLOSE_H")));
}

TEST(PageResources, ThePageHoldsEveryElementTheProgramLooksUp)
{
    ViewHarness h;
    ASSERT_TRUE(h.loadPage());
    for (const char* id : {"top", "caption", "caption_text", "minimize", "close", "tool", "bottom", "url", "add",
                           "content", "status-bar", "help", "about", "options", "item_menu", "mi_open",
                           "mi_open_file", "mi_restart", "mi_stop", "mi_select_all", "mi_remove", "mi_open_url",
                           "mi_options", "thumb_tip", "thumb_tip_img"})
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
    EXPECT_EQ(order.join(','), QStringLiteral("mi_restart,mi_stop,hr,mi_select_all,hr,mi_remove,hr,mi_open_file,"
                                              "mi_open,mi_open_url,hr,mi_options"));
}

TEST(PageResources, StylesStartWithTheMenuSheetAndNameTheRowMenu)
{
    InitPageResources();
    const QByteArray page = Bytes(QStringLiteral(":/res/HTML/DEFAULT"));
    const int style = page.indexOf("<style>");
    ASSERT_GE(style, 0);
    EXPECT_TRUE(page.mid(style + 7).trimmed().startsWith("@import url(std-menu.css);"));
    EXPECT_EQ(page.count("context-menu: selector(menu#item_menu)"), 2);
    EXPECT_TRUE(page.contains("title=\"Example: http://www.youtube.com/watch?v=XXXXXXXX\""));
    const QString menu = QString::fromLatin1(Bytes(QStringLiteral(":/res/CSS/STD-MENU")));
    EXPECT_EQ(menu.count(QLatin1Char('{')), 30);
}

} // namespace
