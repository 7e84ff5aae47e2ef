#include "platform/shellopen.h"
#include "ui/dialogs/helppage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html></html>");
}

TEST(HelpPage, FoundBesideTheProgramElseUnderTheInstallPrefix)
{
    QTemporaryDir tmp;
    const QString prefix = tmp.path() + QStringLiteral("/my prefix é");
    const QString bin = prefix + QStringLiteral("/bin");
    const QString installed = prefix + QStringLiteral("/share/ferrowick/help/ferrowick-help.html");
    const QString beside = bin + QStringLiteral("/help/ferrowick-help.html");
    QDir().mkpath(bin);

    // Neither: the URL names the copy beside the program.
    EXPECT_EQ(HelpPageUrl(bin).toLocalFile(), beside);
    WriteFile(installed);
    EXPECT_EQ(HelpPageUrl(bin), QUrl::fromLocalFile(installed));
    EXPECT_EQ(HelpPageUrl(bin).toLocalFile(), installed);  // no ".." left in it
    WriteFile(beside);
    EXPECT_EQ(HelpPageUrl(bin).toLocalFile(), beside);
}

TEST(HelpPage, TheShippedPageNeedsNothingFromTheNetwork)
{
    QFile f(QStringLiteral(FERROWICK_HELP_SOURCE));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    // Links inside the page are fine; anything loaded from elsewhere is not.
    const QRegularExpression external(QStringLiteral(R"((?:src|href)\s*=\s*(?!["']?#)|<link\b|@import|url\()"),
                                      QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = external.match(page);
    EXPECT_FALSE(m.hasMatch()) << page.mid(m.capturedStart(), 60).toStdString();
}

TEST(ShellOpen, TheHookTakesTheUrlsInPlaceOfTheDesktopUntilCleared)
{
    QList<QUrl> hooked;
    SetShellOpenHook([&](const QUrl& url) { hooked.append(url); });
    ShellOpen(QUrl::fromLocalFile(QStringLiteral("/tmp/a b/Vidéo\nline.mp4")));
    ShellOpen(QUrl(QStringLiteral("http://www.ferrowick.example/")));
    SetShellOpenHook({});
    ShellOpen(QUrl(QStringLiteral("http://www.youtube.com/watch?v=Fw7dLrn2Xk0")));

    EXPECT_EQ(hooked, (QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/a b/Vidéo\nline.mp4")),
                                   QUrl(QStringLiteral("http://www.ferrowick.example/"))}));
}

}  // namespace
