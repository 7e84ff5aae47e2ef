// The command line: what is an option and what an address, and the real
// binary's --help, --version and unknown options, which need no display,
// touch no file and open no window.

#include "app/commandline.h"
#include "ui/dialogs/productinfo.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int code = -1;
    QString out, err;
};

// The binary with no display at all, or offscreen, and a HOME and data
// folders of its own, which must stay empty.
struct CommandLineTest : ::testing::Test {
    QTemporaryDir home;

    Outcome Start(const QStringList& arguments, bool display = false)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        if (display)
            env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", home.path());
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
            env.insert(QString::fromLatin1(name), home.filePath(QString::fromLatin1(name)));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(FERROWICK_BINARY), arguments);
        Outcome r;
        if (!p.waitForFinished(20000)) {
            p.kill();  // a window came up where none should
            p.waitForFinished();
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }
    QStringList Written() const
    {
        QStringList files;
        QDirIterator it(home.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }
};

}  // namespace

TEST(CommandLine, OnlyRealOptionsAreOptions)
{
    const CCommandLine line({"ferrowick", "-style", "fusion", "http://www.youtube.com/watch?v=a", "-", "--platform",
                             "offscreen", "--", "-reverse", "--help", "--webEngineArgs", "--no-such-flag"});
    EXPECT_EQ(line.GetAction(), CCommandLine::Run);
    EXPECT_EQ(line.Addresses(), QStringList({"http://www.youtube.com/watch?v=a", "-", "-reverse", "--help"}));
    EXPECT_EQ(line.QtArguments(), QStringList({"ferrowick", "-platform", "offscreen", "-style", "fusion",
                                               "--webEngineArgs", "--no-such-flag"}));

    EXPECT_EQ(CCommandLine({"ferrowick", "http://www.youtube.com/watch?v=a", "-h"}).GetAction(),
              CCommandLine::ShowHelp);
    EXPECT_EQ(CCommandLine({"ferrowick", "--version"}).GetAction(), CCommandLine::ShowVersion);
    const CCommandLine unknown({"ferrowick", "-x", "http://www.youtube.com/watch?v=a"});
    EXPECT_EQ(unknown.GetAction(), CCommandLine::Fail);
    EXPECT_TRUE(unknown.Error().startsWith("ferrowick: ")) << unknown.Error().toStdString();
    EXPECT_FALSE(unknown.Error().contains('\n'));
    EXPECT_EQ(CCommandLine({"ferrowick", "-platform"}).GetAction(), CCommandLine::Fail);
}

TEST_F(CommandLineTest, HelpAndVersionNeedNoDisplayAndTouchNoFile)
{
    ASSERT_TRUE(home.isValid());
    const Outcome help = Start({"--help"});
    EXPECT_EQ(help.code, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("Usage: ferrowick [OPTION]... [ADDRESS]...\n")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("  -v, --version")) << help.out.toStdString();
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(Start({"http://www.youtube.com/watch?v=a", "-h"}).out, help.out);

    const Outcome version = Start({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, QStringLiteral("Ferrowick %1\n").arg(FERROWICK_VERSION));
    EXPECT_EQ(version.out, "Ferrowick 3.0.0.1\n");
    EXPECT_EQ(Written(), QStringList());
}

TEST_F(CommandLineTest, AnUnknownOptionSaysSoInOneLineAndOpensNoWindow)
{
    ASSERT_TRUE(home.isValid());
    for (const QStringList& arguments : {QStringList{"--frobnicate", "http://www.youtube.com/watch?v=a"},
                                         QStringList{"http://www.youtube.com/watch?v=a", "-platform"}}) {
        // With a display, so that a window would come up if the line were taken.
        const Outcome r = Start(arguments, true);
        EXPECT_EQ(r.code, CCommandLine::kUsageError) << arguments.join(' ').toStdString();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("ferrowick: ")) << r.err.toStdString();
    }
    EXPECT_TRUE(Start({"--frobnicate"}).err.contains("frobnicate"));
    EXPECT_EQ(Written(), QStringList());

    // What follows --webEngineArgs is the web engine's: here it is the
    // missing display that ends the start.
    const Outcome engine = Start({"--webEngineArgs", "--frobnicate"});
    EXPECT_EQ(engine.code, 1);
    EXPECT_TRUE(engine.err.contains("no display was found")) << engine.err.toStdString();
}
