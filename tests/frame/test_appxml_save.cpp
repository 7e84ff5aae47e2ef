#include "tests/store/profile.h"
#include "storefixture.h"
#include "platform/exception.h"
#include "store/appxml.h"
#include "ui/page/rows.h"

#include <QDir>
#include <QSettings>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct SaveTest : StoreTest {
    CDownloadItem* Add(const QString& id, const QString& title, const QString& video, const QString& thumb,
                       const QString& image, int32_t error, int32_t length, int32_t completed,
                       unsigned where = ROW_AT_END)
    {
        auto item = std::make_unique<CDownloadItem>();
        item->m_pDownloader->Restore(id, title, video, thumb, image, error, length, completed);
        InsertRow(item.get(), content, where);
        CDownloadItem* raw = item.get();
        items.emplace(id, std::move(item));
        return raw;
    }
    // A job that was never finished: created by the add flow, not started.
    void AddUnfinished(const QString& id)
    {
        auto item = std::make_unique<CDownloadItem>();
        ASSERT_TRUE(item->m_pDownloader->SetAddress("http://www.youtube.com/watch?v=" + id));
        InsertRow(item.get(), content, ROW_AT_TOP);
        items.emplace(id, std::move(item));
    }
    int Save(const QString& to = QString()) { return frame.SaveAppXml(to.isEmpty() ? path : to); }
    QStringList Entries() { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
};

// Lowers one resource limit for the lifetime of the object.
struct Limit {
    int resource;
    rlimit saved{};
    Limit(int r, rlim_t soft) : resource(r)
    {
        getrlimit(resource, &saved);
        rlimit l = saved;
        l.rlim_cur = soft;
        setrlimit(resource, &l);
    }
    ~Limit() { setrlimit(resource, &saved); }
};

// A 64 KiB tmpfs of its own for the test's lifetime; mounting needs root.
struct SmallDisk {
    QTemporaryDir dir;
    QString path = dir.path();
    int error = 0;
    SmallDisk()
    {
        if (::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, "size=64k") != 0)
            error = errno;
    }
    ~SmallDisk()
    {
        if (!error)
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
    // Takes every free block.
    void Fill()
    {
        QFile f(path + "/filler");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'f');
        while (f.write(block) == block.size() && f.flush()) {
        }
    }
    bool Remount(unsigned long flags)
    {
        return ::mount(nullptr, QFile::encodeName(path).constData(), nullptr, MS_REMOUNT | flags, "size=64k") == 0;
    }
};

// The profile store in another folder while the object lives.
struct ProfileIn {
    explicit ProfileIn(const QString& folder)
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    }
    ~ProfileIn() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, ProfileFolder()); }
};

}  // namespace

TEST_F(SaveTest, WritesTheDocumentWithFullEndTagsAndNoBom)
{
    CMainFrame::SetDefaultFolders("/p");
    SetVideoFolderSetting("/p/Video");
    Add("abc", "A & <B>", "/v/a.mp4", "", "", DE_NONE, 10, 10);
    AddUnfinished("new1");
    learn = 1;
    ASSERT_EQ(Save(), 1);
    EXPECT_EQ(Read(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<application>\n"
                      "    <options>\n"
                      "        <directories>\n"
                      "            <dir type=\"video\">/p/Video</dir>\n"
                      "            <dir type=\"temp\">/p/Temp</dir>\n"
                      "        </directories>\n"
                      "        <limits>\n"
                      "            <limit type=\"downloads\">3</limit>\n"
                      "            <limit type=\"rate\">0</limit>\n"
                      "        </limits>\n"
                      "    </options>\n"
                      "    <content>\n"
                      "        <item id=\"new1\">\n"
                      "            <title></title>\n"
                      "            <videopath></videopath>\n"
                      "            <thumbpath></thumbpath>\n"
                      "            <imagepath></imagepath>\n"
                      "            <length>0</length>\n"
                      "            <completed>0</completed>\n"
                      "            <error>1</error>\n"
                      "        </item>\n"
                      "        <item id=\"abc\">\n"
                      "            <title>A &amp; &lt;B&gt;</title>\n"
                      "            <videopath>/v/a.mp4</videopath>\n"
                      "            <thumbpath></thumbpath>\n"
                      "            <imagepath></imagepath>\n"
                      "            <length>10</length>\n"
                      "            <completed>10</completed>\n"
                      "            <error>0</error>\n"
                      "        </item>\n"
                      "    </content>\n"
                      "</application>\n");
}

TEST_F(SaveTest, EmptyListAndEmptyFoldersStillGetFullEndTags)
{
    CMainFrame::SetDefaultFolders("/p");
    SetTempFolderSetting(QString());
    SetVideoFolderSetting(QString());
    ASSERT_EQ(Save(), 1);
    const QByteArray text = Read();
    EXPECT_EQ(text.indexOf("/>"), -1) << text.toStdString();
    EXPECT_NE(text.indexOf("<dir type=\"video\"></dir>"), -1);
    EXPECT_NE(text.indexOf("<content></content>"), -1);
}

TEST_F(SaveTest, RoundTripKeepsFoldersItemsOrderFieldsAndTheLearnSetting)
{
    CMainFrame::SetDefaultFolders(QString::fromUtf8("/home/zoë/€ & <prog>"));
    SetTempFolderSetting("  spaced temp  ");
    const QString title = QString::fromUtf8("<b>\"Quotes\" & 'apostrophes'</b> — 日本語 😀 ]]> line\r\nbreak");
    Add("x1", title, "/v/x1.mp4", "/t/x1.jpg", "/i/x1.png", DE_INTERNET, 4194304, 1024);
    Add("x2", "second", "", "", "", DE_NONE, -1, 0, ROW_AT_TOP);
    Add("x3", "third", "", "", "", 4, 2147483647, -2147483647 - 1);
    AddUnfinished("x0");
    SetProfileLearnValue(1);
    learn = 0;
    ASSERT_EQ(Save(), 1);

    const QString video = Video();
    const QString temp = GetTempFolderSetting();
    items.clear();
    CMainFrame::SetDefaultFolders("/elsewhere");
    learn = -1;
    ASSERT_TRUE(frame.LoadAppXml(path));
    EXPECT_EQ(learn, 0);
    EXPECT_EQ(Video(), video);
    EXPECT_EQ(GetTempFolderSetting(), temp);
    EXPECT_EQ(Ids(), QStringList({"x0", "x2", "x1", "x3"}));
    const DownloaderInfo a = Info("x1");
    EXPECT_EQ(a.title, title);
    EXPECT_EQ(a.videopath, "/v/x1.mp4");
    EXPECT_EQ(a.thumbpath, "/t/x1.jpg");
    EXPECT_EQ(a.imagepath, "/i/x1.png");
    EXPECT_EQ(a.length, 4194304);
    EXPECT_EQ(a.completed, 1024);
    EXPECT_EQ(a.error, DE_INTERNET);
    EXPECT_EQ(Info("x2").length, -1);
    EXPECT_EQ(Info("x3").error, 4);
    EXPECT_EQ(Info("x3").length, 2147483647);
    EXPECT_EQ(Info("x3").completed, -2147483647 - 1);
    EXPECT_EQ(Info("x0").error, DE_STOPPED);  // unfinished comes back as uncompleted
    EXPECT_EQ(Info("x0").state, DS_DONE);
}

TEST_F(SaveTest, RowsAreWrittenInPageOrderNotTableOrder)
{
    QStringList expected;
    for (int i = 0; i < 60; ++i) {
        const QString id = QStringLiteral("id%1").arg(i);
        Add(id, id, "", "", "", 0, 0, 0, i % 2 ? ROW_AT_TOP : ROW_AT_END);
    }
    const QStringList before = Ids();
    ASSERT_EQ(Save(), 1);
    items.clear();
    ASSERT_TRUE(frame.LoadAppXml(path));
    EXPECT_EQ(Ids(), before);
}

TEST_F(SaveTest, CharactersXmlCannotCarryBecomeReplacementsNotABrokenFile)
{
    const QString bad = QStringLiteral("a") + QChar(1) + QChar(0xFFFE) + QChar(0xD800) + QStringLiteral("b") +
                        QChar(0xDFFF) + QChar(0) + QStringLiteral("c");
    Add("bad", bad, bad, "", "", 0, 0, 0);
    Add("after", "still here", "", "", "", 0, 0, 0);
    ASSERT_EQ(Save(), 1);
    items.clear();
    ASSERT_TRUE(frame.LoadAppXml(path));
    EXPECT_EQ(Ids(), QStringList({"bad", "after"}));
    const QString r(QChar::ReplacementCharacter);
    EXPECT_EQ(Info("bad").title, "a" + r + r + r + "b" + r + r + "c");
    EXPECT_EQ(Info("after").title, "still here");
}

TEST_F(SaveTest, WhenTheFileCannotBeCreatedTheOldOneStaysAndTheProfileIsWritten)
{
    Write("old contents");
    Add("n", "new", "", "", "", 0, 0, 0);

    // No descriptor can be opened: the temporary file cannot be created.
    {
        Limit noFiles(RLIMIT_NOFILE, 0);
        EXPECT_EQ(Save(), -1);
    }
    EXPECT_EQ(Read(), "old contents");

    // app.xml is a folder.
    const QString folder = dir.filePath("folder.xml");
    ASSERT_TRUE(QDir().mkpath(folder + "/inside"));
    SetProfileLearnValue(7);
    learn = 0;
    EXPECT_EQ(Save(folder), -1);
    EXPECT_TRUE(QFileInfo(folder + "/inside").isDir());
    EXPECT_EQ(ProfileLearnValue(), 0);  // written even though the file was not

    // The folder is gone.
    EXPECT_EQ(Save(dir.filePath("no/such/folder/app.xml")), -1);
    EXPECT_EQ(Entries(), QStringList({"app.xml", "folder.xml"}));
}

TEST_F(SaveTest, WhenWritingFailsHalfwayTheOldFileStaysWhole)
{
    const QByteArray old = "<application><content><item id=\"keep\"/></content></application>";
    Write(old);
    // Files may not grow past 200 bytes, then 4 KB: the write fails like a
    // full disk would, for one item (far below any write buffer) and for 200.
    std::signal(SIGXFSZ, SIG_IGN);
    Add("one", "A & <B>", "/v/a.mp4", "", "", DE_NONE, 10, 10);
    {
        Limit tiny(RLIMIT_FSIZE, 200);
        EXPECT_EQ(Save(), 0);
        EXPECT_EQ(Read(), old);
    }
    for (int i = 0; i < 200; ++i)
        Add(QStringLiteral("v%1").arg(i), QString(200, 'x'), "", "", "", 0, 0, 0);
    {
        Limit small(RLIMIT_FSIZE, 4096);
        EXPECT_EQ(Save(), 0);
    }
    EXPECT_EQ(Read(), old);
    EXPECT_EQ(Entries(), QStringList({"app.xml"}));  // no temporary file left behind
    EXPECT_EQ(Save(), 1);
    EXPECT_GT(Read().size(), 40000);
}

TEST_F(SaveTest, OnAFullOrReadOnlyDiskTheOldListAndTheOldLearnSettingStay)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a full tmpfs needs root; WhenWritingFailsHalfwayTheOldFileStaysWhole"
                        " covers a failed write without it";
    SmallDisk disk;
    if (disk.error)
        GTEST_SKIP() << "no tmpfs here: " << std::strerror(disk.error);
    const QString file = disk.path + "/app.xml";
    const QByteArray old = appxml::Serialize(
        {"/p/Video", "/p/Temp"}, {{"old1", "first", "", "", "", 0, 1, 1}, {"old2", "second", "", "", "", 0, 2, 2}});
    Write(old, file);
    ProfileIn profile(disk.path);
    SetProfileLearnValue(5);
    const QByteArray oldProfile = Read(disk.path + "/Ferrowick.conf");
    ASSERT_TRUE(oldProfile.contains("AddressDlgLearn=5"));

    disk.Fill();
    learn = 0;
    Add("abc", "A & <B>", "/v/a.mp4", "", "", DE_NONE, 10, 10);
    EXPECT_EQ(Save(file), 0);
    EXPECT_EQ(Read(file), old);
    AddUnfinished("new1");
    EXPECT_EQ(Save(file), 0);
    EXPECT_EQ(Read(file), old);
    EXPECT_FALSE(appxml::SaveLearnSetting(0));
    EXPECT_EQ(Read(disk.path + "/Ferrowick.conf"), oldProfile);

    ASSERT_TRUE(QFile::remove(disk.path + "/filler"));
    ASSERT_TRUE(disk.Remount(MS_RDONLY));
    EXPECT_EQ(Save(file), -1);
    EXPECT_EQ(Read(file), old);
    EXPECT_EQ(QDir(disk.path).entryList(QDir::Files | QDir::Hidden), QStringList({"app.xml", "Ferrowick.conf"}));

    ASSERT_TRUE(disk.Remount(0));
    EXPECT_EQ(Save(file), 1);
    EXPECT_TRUE(Read(file).contains("<item id=\"new1\">"));
    EXPECT_TRUE(Read(disk.path + "/Ferrowick.conf").contains("AddressDlgLearn=0"));
}

// A start that could not build the stored list whole never saves over it.
TEST_F(SaveTest, AListThatCouldNotBeBuiltWholeIsNeverSavedOver)
{
    struct Refusing : CMainFrame {
        int made = 0;
        std::unique_ptr<CDownloadItem> NewItem() override
        {
            if (++made == 2)
                throw CInternetException(2, QStringLiteral("the session was refused"));
            return CMainFrame::NewItem();
        }
    } refusing;
    FrameProbe::Content(refusing) = content;
    std::vector<appxml::ItemRecord> stored(3);
    stored[0].id = "a1", stored[1].id = "b2", stored[2].id = "c3";
    const QByteArray bytes = appxml::Serialize({"/v", "/t"}, stored);
    Write(bytes);
    EXPECT_THROW(refusing.LoadAppXml(path), CInternetException);
    EXPECT_EQ(refusing.SaveAppXml(path), -1);
    EXPECT_EQ(Read(), bytes);
    FrameProbe::Items(refusing).clear();
    FrameProbe::Content(refusing).release();
}
