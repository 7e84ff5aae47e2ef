#include "viewharness.h"

#include "platform/layout/view/layoutschemehandler.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utility>

namespace {

QByteArray ResourceBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class LayoutScheme : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.loadPage()); }
    std::optional<layout::LayoutSchemeHandler::Reply> get(const QString& url) { return handler.resolve(QUrl(url)); }
    ViewHarness h;
    layout::LayoutSchemeHandler handler{h.window()};
};

TEST_F(LayoutScheme, ServesTheViewsOwnFilesOnly)
{
    auto shell = get(QStringLiteral("ferrowick://view/shell.html"));
    ASSERT_TRUE(shell);
    EXPECT_EQ(shell->mime, "text/html");
    EXPECT_TRUE(shell->data.contains("view.js"));
    auto js = get(QStringLiteral("ferrowick://view/view.js"));
    ASSERT_TRUE(js);
    EXPECT_EQ(js->mime, "text/javascript");
    EXPECT_FALSE(get(QStringLiteral("ferrowick://view/missing.js")));
    EXPECT_FALSE(get(QStringLiteral("ferrowick://view/")));
    EXPECT_FALSE(get(QStringLiteral("ferrowick://view/sub/view.js")));
}

TEST_F(LayoutScheme, AsksTheHostForPageResourcesInAnyCase)
{
    auto top = get(QStringLiteral("ferrowick://page/top.png"));
    ASSERT_TRUE(top);
    EXPECT_EQ(top->mime, "image/png");
    EXPECT_EQ(top->data, ResourceBytes(QStringLiteral(":/res/PNG/TOP")));
    auto upper = get(QStringLiteral("ferrowick://page/TOP.PNG"));
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->data, top->data);
    // The page's drawing for a device pixel ratio of 2, by its name on the page.
    auto twice = get(QStringLiteral("ferrowick://page/top@2x.png"));
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->mime, "image/png");
    EXPECT_EQ(twice->data, ResourceBytes(QStringLiteral(":/res/PNG/TOP@2X")));
    EXPECT_NE(twice->data, top->data);
    auto css = get(QStringLiteral("ferrowick://page/std-menu.css"));
    ASSERT_TRUE(css);
    EXPECT_EQ(css->mime, "text/css");
    EXPECT_TRUE(css->data.startsWith("/*"));
    EXPECT_FALSE(get(QStringLiteral("ferrowick://page/nothing.png")));
    EXPECT_FALSE(get(QStringLiteral("ferrowick://page/")));
    EXPECT_FALSE(get(QStringLiteral("ferrowick://other/top.png")));
    EXPECT_FALSE(get(QStringLiteral("http://page/top.png")));
}

TEST_F(LayoutScheme, ReadsLocalImagesButNothingElse)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString jpg = dir.filePath(QStringLiteral("abcdefghijk.jpg"));
    const QString txt = dir.filePath(QStringLiteral("notes.txt"));
    QImage picture(1000, 800, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(jpg, "JPG") && picture.save(txt, "JPG"));
    // A still picture that fits the pop-up, whatever size it came in.
    auto thumb = get(QStringLiteral("ferrowick://page") + QUrl::toPercentEncoding(jpg, "/"));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->mime, "image/png");
    EXPECT_EQ(QImage::fromData(thumb->data, "PNG").size(), QSize(300, 240));
    EXPECT_FALSE(get(QStringLiteral("ferrowick://page") + txt));
    EXPECT_FALSE(get(QStringLiteral("ferrowick://page") + dir.filePath(QStringLiteral("missing.jpg"))));
    EXPECT_FALSE(get(QStringLiteral("ferrowick://page") + dir.path() + QStringLiteral(".png")));  // a folder-like name
    // A picture too large to decode, and bytes that are no picture, are not there.
    QImage bomb(5000, 5000, QImage::Format_Mono);
    bomb.fill(0);
    ASSERT_TRUE(bomb.save(dir.filePath(QStringLiteral("bomb.png"))));
    EXPECT_FALSE(get(QStringLiteral("ferrowick://page") + dir.filePath(QStringLiteral("bomb.png"))));
    QFile text(dir.filePath(QStringLiteral("text.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("\x89PNG no picture") > 0);
    text.close();
    EXPECT_FALSE(get(QStringLiteral("ferrowick://page") + text.fileName()));
}

// Thumbnails are read off the interface thread and only up to 2 MiB; a
// larger file, or a pipe named like an image, is answered as not there.
TEST_F(LayoutScheme, ReadsNoLocalImageOverTwoMebibytesAndWaitsOnNoPipe)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fits = dir.filePath(QStringLiteral("fits.jpg"));
    const QString large = dir.filePath(QStringLiteral("large.jpg"));
    const QString pipe = dir.filePath(QStringLiteral("pipe.jpg"));
    const QByteArray limit(2 * 1024 * 1024, 'j');
    for (const auto& [path, bytes] : {std::pair{fits, limit}, std::pair{large, limit + 'k'}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);

    auto whole = layout::LayoutSchemeHandler::ReadLocalImage(fits);
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, limit);
    EXPECT_FALSE(layout::LayoutSchemeHandler::ReadLocalImage(large));
    EXPECT_FALSE(layout::LayoutSchemeHandler::ReadLocalImage(pipe));
}

}  // namespace
