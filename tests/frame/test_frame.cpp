// The main window's decisions over the real page in the model, with no view:
// the add flow, the status bar, close and the exit wait, and the row menu.
// Jobs run against the local video site.

#include "engine/folders.h"
#include "engine/myyoutubedownloader.h"
#include "platform/layout/layoutview.h"
#include "platform/shellopen.h"
#include "store/appxml.h"
#include "tests/frame/fakelogin.h"
#include "tests/frame/fakeportal.h"
#include "tests/frame/fakenotifications.h"
#include "tests/frame/frameprobe.h"
#include "tests/site/localvideosite.h"
#include "tests/support/privatebus.h"
#include "ui/frame/appservice.h"
#include "ui/frame/colorscheme.h"
#include "ui/frame/mainframe.h"
#include "ui/frame/notifier.h"
#include "ui/page/dom.h"
#include "ui/page/selectedelementlist.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDialog>
#include <QTimer>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QThread>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include "tests/waitfor.h"

using namespace localsite;

namespace {

// Answers in place of the user and records what the window asked.
class TestFrame : public CMainFrame {
public:
    QStringList messages;
    QMessageBox::StandardButton answer = QMessageBox::No;
    int addressDialogs = 0;
    int addressResult = 2;  // what the dialog ends with
    int addressLearn = 0;   // the box's state when it ends with OK
    int presetLearn = -1;
    int optionsDialogs = 0;
    QStringList shown;
    bool signalWhileAsking = false;
    std::function<void()> duringMessage;  // what arrives while a message is up

protected:
    QMessageBox::StandardButton MessageBox(const QString& text, QMessageBox::StandardButtons, QMessageBox::Icon,
                                           QMessageBox::StandardButton) override
    {
        messages << text;
        if (signalWhileAsking) {
            // A real question with its own loop, and a signal's exit arriving meanwhile.
            QDialog box(this);
            QTimer::singleShot(100, this, [this] { ExitAfterStopping(); });
            box.exec();
        }
        if (auto during = std::exchange(duringMessage, nullptr)) {
            during();
            QCoreApplication::processEvents();
        }
        return answer;
    }
    int RunAddressDialog(int& learn) override
    {
        ++addressDialogs;
        presetLearn = learn;
        if (addressResult == 1)
            learn = addressLearn;
        return addressResult;
    }
    void RunOptionsDialog() override { ++optionsDialogs; }
    void RunAboutDialog() override {}
    void ShowInFolder(const QString& path) override { shown << path; }
};

struct FrameTest : ::testing::Test {
    QTemporaryDir home;
    LocalVideoSite site;
    ScopedProxy proxy{site.proxyUrl()};
    QPointer<TestFrame> frame;
    std::vector<QUrl> opened;

    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        QCoreApplication::setApplicationName("Ferrowick");
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath("config"));
        SetShellOpenHook([this](const QUrl& url) { opened.push_back(url); });
        CYouTubeDownloader::SetReceiveTimeout(10000);
    }
    // The frame's own element of this page id, and its item table.
    HELEMENT Page(const char* id) const { return FrameProbe::Element(*frame, id); }
    ItemTable& Items() const { return FrameProbe::Items(*frame); }

    void TearDown() override
    {
        delete frame.data();
        SetShellOpenHook({});
        CYouTubeDownloader::SetReceiveTimeout(20000);
    }

    void Open()
    {
        frame = new TestFrame;
        ASSERT_TRUE(frame->Create(false));
    }
    QString AppXml() const { return home.filePath("data/Ferrowick/app.xml"); }
    void WriteAppXml(const QByteArray& bytes)
    {
        QDir().mkpath(home.filePath("data/Ferrowick"));
        QFile f(AppXml());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static Video Good(uint64_t size = 20000) { return GoodVideo("Funny Cats", size); }

    void Type(const QString& text)
    {
        layout::LayoutInput in;
        in.type = layout::LayoutInput::TextChanged;
        in.target = layout::NodeId(Page("url"));
        in.text = text;
        layout::ProcessInput(frame->GetLayoutWindow(), in);
    }
    // Button 2 as the view reports a right-click: the press, then the menu.
    void Click(HELEMENT he, int button = 0)
    {
        layout::LayoutInput in;
        in.type = button == 2 ? layout::LayoutInput::MouseDown : layout::LayoutInput::Click;
        in.target = layout::NodeId(he);
        in.button = button;
        layout::ProcessInput(frame->GetLayoutWindow(), in);
        if (button == 2) {
            in.type = layout::LayoutInput::ContextMenu;
            layout::ProcessInput(frame->GetLayoutWindow(), in);
        }
    }
    void Add(const QString& address)
    {
        Type(address);
        Click(Page("add"));
    }
    QString UrlText() const { return QString::fromStdString(GetElementInnerText(Page("url"))); }
    QStringList RowIds() const
    {
        CSelectedElementList rows;
        SelectElements(Page("content"), "option", rows);
        QStringList ids;
        for (const auto& r : rows)
            ids << GetAttribute(r, "value").value_or(QString());
        return ids;
    }
    HELEMENT Row(const QString& id) const { return Items().at(id)->m_row; }
    DownloaderInfo Info(const QString& id) const
    {
        DownloaderInfo info;
        info.mask = uint32_t(-1);
        Items().at(id)->m_pDownloader->GetInfo(info, false);
        return info;
    }
    bool Done(const QString& id) const { return Info(id).state == DS_DONE; }
    void Select(std::initializer_list<QString> ids)
    {
        CSelectedElementList rows;
        SelectElements(Page("content"), "option", rows);
        for (const auto& r : rows)
            SetElementState(r, 0, STATE_CHECKED);
        for (const QString& id : ids)
            SetElementState(Row(id), STATE_CHECKED, 0);
    }
    bool Disabled(HELEMENT he) const { return GetElementState(he) & STATE_DISABLED; }
    QString Status()
    {
        frame->OnTimer(TIMER_REFRESH);
        return QString::fromStdString(GetElementInnerText(Page("status-bar")));
    }
};

QStringList g_logged;

void Record(QtMsgType, const QMessageLogContext&, const QString& text)
{
    g_logged << text;
}

QByteArray StoredItems(const QByteArray& items)
{
    return "<application><content>" + items + "</content></application>";
}

QByteArray Stored(const char* id, int error, const char* video = "")
{
    return QByteArray("<item id=\"") + id + "\"><title>" + id + "</title><videopath>" + video +
           "</videopath><thumbpath></thumbpath><imagepath></imagepath><length>10</length><completed>10</completed>"
           "<error>" +
           QByteArray::number(error) + "</error></item>";
}

}  // namespace

TEST_F(FrameTest, AddFlowRefusesAndAccepts)
{
    WriteAppXml(StoredItems(Stored("restored123", 0)));
    Open();
    for (const QString& bad :
         {QString(), QString(" \t\r\n "), QString("dQw4w9WgXcQ"), QString("http://example.com/watch?v=abc"),
          QString(1 << 20, QChar(0x202E)), QString::fromUtf8("\xff\xfe<script>alert(1)</script>\x01")})
        Add(bad);
    EXPECT_EQ(frame->addressDialogs, 6);
    EXPECT_TRUE(frame->messages.isEmpty());
    EXPECT_EQ(RowIds(), QStringList{"restored123"});

    // A refused address stays in the box for the user to mend.
    Add("  http://www.youtube.com/watch?x=first  ");
    EXPECT_EQ(UrlText(), "  http://www.youtube.com/watch?x=first  ");

    site.setVideo("first", Good());
    Add("\t http://www.youtube.com/watch?v=first&feature=x \n");
    EXPECT_EQ(UrlText(), "");
    EXPECT_EQ(RowIds(), (QStringList{"first", "restored123"}));
    EXPECT_TRUE(WaitFor([&] { return Done("first"); }));
    EXPECT_EQ(Info("first").error, DE_NONE);
    EXPECT_TRUE(QFile::exists(Info("first").videopath));

    // The same video by another address form, and a restored one: the message
    // quotes what was typed, trimmed.
    Add(" http://www.youtube.com/v/first ");
    Add("http://i.ytimg.com/vi/restored123/default.jpg");
    EXPECT_EQ(frame->messages,
              (QStringList{"http://www.youtube.com/v/first has already in the download list.",
                           "http://i.ytimg.com/vi/restored123/default.jpg has already in the download list."}));
    EXPECT_EQ(UrlText(), "http://i.ytimg.com/vi/restored123/default.jpg");
    EXPECT_EQ(Items().size(), 2u);

    // Removed earlier in the run, it can come back.
    Select({"first"});
    Click(Row("first"), 2);
    Click(Page("mi_remove"));
    EXPECT_EQ(RowIds(), QStringList{"restored123"});
    Add("http://www.youtube.com/watch?v=first");
    EXPECT_EQ(RowIds(), (QStringList{"first", "restored123"}));
    EXPECT_TRUE(WaitFor([&] { return Done("first"); }));
}

// Five addresses under a limit of two: two run and three wait; the last is
// stopped while it waits, and the other four start and finish in the order
// they were added, never more than two at once.
TEST_F(FrameTest, AQueueRunsTwoAtOnceInTheOrderAsked)
{
    WriteAppXml("<application><options><limits><limit type=\"downloads\">2</limit></limits></options></application>");
    Open();
    QStringList ids, lines;
    for (int i = 1; i <= 5; ++i) {
        ids << QStringLiteral("queue%1").arg(i);
        Video v = Good(20000 * i);
        v.video.trickleBytes = 1000;
        v.video.trickleMs = 10;
        site.setVideo(ids.back().toStdString(), v);
        lines << "http://www.youtube.com/watch?v=" + ids.back();
    }
    Add(lines.join('\n'));
    EXPECT_EQ(Status(), "Total: 5 videos, 2 downloading, 3 queued");
    Select({"queue5"});
    Click(Row("queue5"), 2);
    EXPECT_FALSE(Disabled(Page("mi_stop")));
    EXPECT_TRUE(Disabled(Page("mi_restart")));
    Click(Page("mi_stop"));
    EXPECT_EQ(Info("queue5").error, DE_STOPPED);

    QStringList started, finished;
    int most = 0;
    EXPECT_TRUE(WaitFor([&] {
        int running = 0;
        for (const QString& id : ids.mid(0, 4)) {
            const int32_t state = Info(id).state;
            running += state != DS_DONE && state != DS_QUEUED;
            if (state != DS_QUEUED && !started.contains(id))
                started << id;
            if (state == DS_DONE && !finished.contains(id))
                finished << id;
        }
        most = std::max(most, running);
        return finished.size() == 4;
    }));
    EXPECT_LE(most, 2);
    EXPECT_EQ(started, ids.mid(0, 4));
    EXPECT_EQ(finished, ids.mid(0, 4));
    EXPECT_EQ(site.count("/vi/queue5/"), 0);
}

TEST_F(FrameTest, LearnSettingChangesOnlyThroughOk)
{
    Open();
    EXPECT_EQ(frame->AddressDlgLearn, 1);
    frame->addressResult = 2;
    frame->addressLearn = 0;
    Add("");
    EXPECT_EQ(frame->AddressDlgLearn, 1);  // Escape keeps it
    frame->addressResult = 1;
    Add("");
    EXPECT_EQ(frame->AddressDlgLearn, 0);
    Add("nonsense");
    EXPECT_EQ(frame->presetLearn, 0);  // preset from the last OK

    frame->close();  // nothing runs: saved at once, with the setting
    EXPECT_TRUE(WaitFor([&] { return frame.isNull(); }));
    EXPECT_EQ(appxml::LoadLearnSetting(), 0);
}

TEST_F(FrameTest, StatusBarCountsTotalsFailuresAndDownloads)
{
    Open();
    EXPECT_EQ(QString::fromStdString(GetElementInnerText(Page("status-bar"))), "");  // until the first tick
    EXPECT_EQ(Status(), "Total: 0 video");
    delete frame.data();

    WriteAppXml(StoredItems(Stored("a", 0) + Stored("b", 3) + Stored("c", 1) + Stored("d", 0) + Stored("e", 0)));
    Open();
    EXPECT_EQ(Status(), "Total: 5 videos, 2 uncompleted");
    site.setVideo("slow1", SlowVideo("Slow 1"));
    Add("http://www.youtube.com/watch?v=slow1");
    EXPECT_EQ(Status(), "Total: 6 videos, 2 uncompleted, 1 downloading");
    EXPECT_TRUE(frame->IsTimerRunning(TIMER_REFRESH));
}

TEST_F(FrameTest, CloseAsksWhileDownloadsRunAndSavesAfterTheLastEnds)
{
    WriteAppXml(StoredItems(Stored("old", 0)));
    Open();
    site.setVideo("slow1", SlowVideo("Slow 2"));
    site.setVideo("slow2", SlowVideo("Slow 3"));
    Add("http://www.youtube.com/watch?v=slow1");
    frame->show();
    frame->answer = QMessageBox::No;
    frame->close();
    EXPECT_EQ(frame->messages, QStringList{"1 video is downloading! Do you really want to exit?"});
    Add("http://www.youtube.com/watch?v=slow2");
    frame->close();
    EXPECT_EQ(frame->messages.last(), "2 videos are downloading! Do you really want to exit?");
    ASSERT_FALSE(frame.isNull());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(Done("slow1"));

    const QByteArray before = [&] {
        QFile f(AppXml());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_TRUE(WaitFor([&] { return Info("slow1").completed > 0; }));
    frame->answer = QMessageBox::Yes;
    frame->close();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(frame->IsTimerRunning(TIMER_REFRESH));
    EXPECT_TRUE(frame->IsTimerRunning(TIMER_EXIT_WAIT));
    {
        QFile f(AppXml());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);  // nothing written while jobs still run
    }
    ASSERT_TRUE(WaitFor([&] { return frame.isNull(); }));

    appxml::Document doc;
    ASSERT_TRUE(appxml::Load(AppXml(), doc));
    ASSERT_EQ(doc.items.size(), 3u);
    EXPECT_EQ(doc.items[0].id, "slow2");  // page order: new ones on top
    EXPECT_EQ(doc.items[0].error, DE_STOPPED);
    EXPECT_EQ(doc.items[1].error, DE_STOPPED);
    EXPECT_GT(doc.items[1].completed, 0);
    EXPECT_EQ(doc.items[2].id, "old");
}

TEST_F(FrameTest, RowCommandsActOnTheSelectedRows)
{
    QTemporaryDir files;
    const QString video = files.filePath("kept video.mp4");
    QFile(video).open(QIODevice::WriteOnly);
    WriteAppXml(StoredItems(Stored("done1", 0, video.toUtf8().constData()) + Stored("fail1", 3) + Stored("done2", 0)));
    Video mended = Good();
    mended.title = "Mended";
    site.setVideo("fail1", mended);
    site.setVideo("run1", SlowVideo("Slow 4"));
    Open();
    Add("http://www.youtube.com/watch?v=run1");
    ASSERT_EQ(RowIds(), (QStringList{"run1", "done1", "fail1", "done2"}));

    // Menu set-up on a row: what the selection allows.
    Select({"done1"});
    Click(Row("done1"), 2);
    EXPECT_TRUE(Disabled(Page("mi_restart")));
    EXPECT_TRUE(Disabled(Page("mi_stop")));
    EXPECT_FALSE(Disabled(Page("mi_open_file")));
    EXPECT_FALSE(Disabled(Page("mi_open")));
    EXPECT_FALSE(Disabled(Page("mi_open_url")));
    Click(Page("mi_open_file"));
    Click(Row("done1"), 2);
    Click(Page("mi_open"));
    Click(Row("done1"), 2);
    Click(Page("mi_open_url"));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(video));
    EXPECT_EQ(opened[1].toString(), "http://www.youtube.com/watch?v=done1");
    EXPECT_EQ(frame->shown, QStringList{video});

    // With nothing selected the single-row commands do nothing.
    Select({});
    for (HELEMENT item :
         {Page("mi_open_file"), Page("mi_open"), Page("mi_open_url"), Page("mi_remove"), Page("mi_stop")}) {
        Click(GetParentElement(Page("content")), 2);
        SetElementState(item, 0, STATE_DISABLED);  // as if the menu had offered it
        Click(item);
    }
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(frame->shown.size(), 1);
    EXPECT_EQ(RowIds().size(), 4);
    EXPECT_FALSE(Done("run1"));

    Select({"run1"});
    Click(Row("run1"), 2);
    EXPECT_TRUE(Disabled(Page("mi_open_file")));
    EXPECT_TRUE(Disabled(Page("mi_open")));
    EXPECT_FALSE(Disabled(Page("mi_stop")));

    Select({"done1", "fail1", "run1"});
    Click(Row("fail1"), 2);
    EXPECT_FALSE(Disabled(Page("mi_restart")));
    EXPECT_FALSE(Disabled(Page("mi_stop")));
    EXPECT_TRUE(Disabled(Page("mi_open_url")));
    EXPECT_TRUE(Disabled(Page("mi_open_file")));

    // Outside the rows only Options stays.
    Click(GetParentElement(Page("content")), 2);
    for (HELEMENT he : {Page("mi_open"), Page("mi_open_file"), Page("mi_restart"), Page("mi_stop"),
                        Page("mi_select_all"), Page("mi_remove"), Page("mi_open_url")})
        EXPECT_TRUE(Disabled(he));
    EXPECT_FALSE(Disabled(Page("mi_options")));

    // Restart with a mixed selection restarts the failed one only.
    ASSERT_TRUE(WaitFor([&] { return Info("run1").state == DS_DOWNLOADING; }));
    site.clearRequests();
    Select({"done1", "fail1", "run1"});
    Click(Row("fail1"), 2);
    Click(Page("mi_restart"));
    EXPECT_TRUE(WaitFor([&] { return Done("fail1") && Info("fail1").error == DE_NONE; }));
    EXPECT_EQ(site.count("/watch?v=done1"), 0);
    EXPECT_EQ(site.count("/watch?v=run1"), 0);
    EXPECT_FALSE(Done("run1"));

    // Stop on finished rows changes nothing; on the running one it ends it.
    Select({"done1", "run1"});
    Click(Row("run1"), 2);
    Click(Page("mi_stop"));
    EXPECT_TRUE(WaitFor([&] { return Done("run1"); }));
    EXPECT_EQ(Info("run1").error, DE_STOPPED);
    EXPECT_EQ(Info("done1").error, DE_NONE);

    // Select All, then Remove: thumbnails go, videos stay, a running job is discarded.
    site.setVideo("run2", SlowVideo("Slow 5"));
    Add("http://www.youtube.com/watch?v=run2");
    ASSERT_TRUE(WaitFor([&] { return Info("run2").state == DS_DOWNLOADING; }));
    const QString thumb = Info("run2").thumbpath;
    const QString partial = Info("run2").videopath;
    ASSERT_TRUE(QFile::exists(thumb));
    Click(Row("done1"), 2);
    Click(Page("mi_select_all"));
    EXPECT_EQ(GetElementState(Row("done2")) & STATE_CHECKED, STATE_CHECKED);
    Click(Row("done1"), 2);
    Click(Page("mi_remove"));
    EXPECT_TRUE(RowIds().isEmpty());
    EXPECT_TRUE(Items().empty());
    EXPECT_FALSE(QFile::exists(thumb));
    EXPECT_TRUE(QFile::exists(video));
    // The discarded job stops writing: its file stops growing.
    QThread::msleep(300);
    const qint64 size = QFileInfo(partial).size();
    QThread::msleep(300);
    EXPECT_EQ(QFileInfo(partial).size(), size);
}

// The menu acts on the row pointed at: a right-click outside the selection
// selects that row alone, one inside it keeps the selection.
TEST_F(FrameTest, TheRowMenuActsOnTheRowPointedAt)
{
    WriteAppXml(StoredItems(Stored("rowA", 0) + Stored("rowB", 3) + Stored("rowC", 0) + Stored("rowD", 0)));
    Open();
    for (const QStringList& removed : {QStringList{"rowC"}, QStringList{"rowA", "rowB"}}) {
        Select({"rowA", "rowB"});
        Click(Row(removed.last()), 2);
        Click(Page("mi_remove"));
        for (const QString& id : removed)
            EXPECT_FALSE(RowIds().contains(id)) << id.toStdString();
    }
    EXPECT_EQ(RowIds(), QStringList{"rowD"});
}

// Restored rows: Resume is offered for a stopped or failed one whose file is
// there and short of its stored length, and continues that file.
TEST_F(FrameTest, ResumeIsOfferedForAPartialFileAndContinuesIt)
{
    const QString videos = home.filePath("videos");
    ASSERT_TRUE(QDir().mkpath(videos));
    const auto file = [&](const QString& name, int size) {
        QFile f(videos + "/" + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(VideoBody(uint64_t(size))));
        return f.fileName();
    };
    const auto item = [](const char* id, int error, const QString& video, int length) {
        return QByteArray("<item id=\"") + id + "\"><title>Funny Cats</title><videopath>" + video.toUtf8() +
               "</videopath><length>" + QByteArray::number(length) + "</length><completed>0</completed><error>" +
               QByteArray::number(error) + "</error></item>";
    };
    const QString partial = file("Funny Cats.mp4", 3000);
    WriteAppXml("<application><options><directories><dir type=\"video\">" + videos.toUtf8() +
                "</dir></directories></options><content>" + item("part1", DE_STOPPED, partial, 20000) +
                item("whole1", DE_INTERNET, file("whole.mp4", 500), 500) + item("done1", DE_NONE, partial, 20000) +
                item("gone1", DE_STOPPED, videos + "/gone.mp4", 20000) +
                item("empty1", DE_FILE, file("empty.mp4", 0), 20000) + item("nopath", DE_STOPPED, QString(), 20000) +
                "</content></application>");
    site.setVideo("part1", Good());
    Open();
    ASSERT_EQ(RowIds().size(), 6);

    for (const QString id : {"whole1", "done1", "gone1", "empty1", "nopath"}) {
        Select({id});
        Click(Row(id), 2);
        EXPECT_TRUE(Disabled(Page("mi_resume"))) << id.toStdString();
    }
    Select({"done1", "part1", "gone1"});
    Click(Row("done1"), 2);
    EXPECT_FALSE(Disabled(Page("mi_resume")));
    Click(GetParentElement(Page("content")), 2);
    EXPECT_TRUE(Disabled(Page("mi_resume")));

    // Chosen on the mixed selection: the partial row alone runs, and asks for the rest.
    Select({"done1", "part1", "gone1"});
    Click(Row("part1"), 2);
    Click(Page("mi_resume"));
    ASSERT_TRUE(WaitFor([&] { return Done("part1") && Info("part1").error == DE_NONE; }));
    EXPECT_TRUE(Done("gone1") && Info("gone1").error == DE_STOPPED);
    EXPECT_EQ(site.count("/watch?v=gone1") + site.count("/watch?v=done1"), 0);
    const auto requests = site.requests();
    const auto video = std::find_if(requests.begin(), requests.end(),
                                    [](const Request& r) { return r.target.rfind("/get_video", 0) == 0; });
    ASSERT_NE(video, requests.end());
    EXPECT_EQ(video->header("Range"), "bytes=3000-");
    QFile f(partial);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.size(), 20000);
    EXPECT_TRUE(bytes.toStdString() == VideoBody(20000));
    EXPECT_EQ(Info("part1").completed, 20000);
}

// A pasted list: every line through the add flow; the refused lines stay in
// the box in their order, and one dialog or message tells of the first.
TEST_F(FrameTest, AListOfAddressesAddsEachLineAndTellsOnce)
{
    site.setVideo("list1", SlowVideo("List 1"));
    site.setVideo("list2", SlowVideo("List 2"));
    Open();
    Add("http://www.youtube.com/watch?v=list1\n\n not an address\r\n  http://www.youtube.com/watch?v=list2  \n"
        "http://www.youtube.com/v/list1\n");
    EXPECT_EQ(RowIds(), (QStringList{"list2", "list1"}));
    EXPECT_EQ(UrlText(), " not an address\nhttp://www.youtube.com/v/list1");
    EXPECT_EQ(frame->addressDialogs, 1);
    EXPECT_TRUE(frame->messages.isEmpty());

    // A duplicate first: its message alone.
    Add("http://www.youtube.com/v/list2\nnonsense");
    EXPECT_EQ(frame->messages, QStringList{"http://www.youtube.com/v/list2 has already in the download list."});
    EXPECT_EQ(frame->addressDialogs, 1);
    EXPECT_EQ(UrlText(), "http://www.youtube.com/v/list2\nnonsense");
    EXPECT_EQ(Items().size(), 2u);
}

// A hostile list: an id that climbs out of the temporary folder, and a
// thumbnail path that names another file. Neither is written nor deleted.
TEST_F(FrameTest, AStoredListCannotMakeTheWindowWriteOrDeleteOutsideItsFolders)
{
    QTemporaryDir victim;
    ASSERT_TRUE(QDir().mkpath(victim.filePath("sub")));
    const QString keep = victim.filePath("keep.txt");
    {
        QFile f(keep);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    QByteArray climb;
    for (int i = 0; i < 16; ++i)
        climb += "../";
    climb += victim.filePath("sub/pwn").mid(1).toUtf8();
    WriteAppXml(StoredItems(Stored(climb.constData(), 3) + "<item id=\"other1\"><title>x</title><thumbpath>" +
                            keep.toUtf8() + "</thumbpath><error>0</error></item>" + Stored("after1", 3)));
    site.setVideo("after1", Good());
    Open();
    EXPECT_EQ(RowIds(), (QStringList{"other1", "after1"}));  // the bad id alone is skipped

    // Restart every failed row: nothing lands beside the victim.
    Click(Row("after1"), 2);
    Click(Page("mi_select_all"));
    Click(Row("after1"), 2);
    Click(Page("mi_restart"));
    ASSERT_TRUE(WaitFor([&] { return Done("after1") && Info("after1").error == DE_NONE; }));
    EXPECT_TRUE(QDir(victim.filePath("sub")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));

    // Remove deletes the job's own thumbnail, never a file a record names.
    const QString thumb = Info("after1").thumbpath;
    ASSERT_TRUE(QFile::exists(thumb));
    Click(Row("after1"), 2);
    Click(Page("mi_remove"));
    EXPECT_TRUE(RowIds().isEmpty());
    EXPECT_FALSE(QFile::exists(thumb));
    EXPECT_TRUE(QFile::exists(keep));
}

TEST_F(FrameTest, PopupShowsTheHoveredThumbnail)
{
    Open();
    HELEMENT img = Page("thumb_tip_img");
    BEHAVIOR_EVENT_PARAMS p{POPUP_REQUEST, Page("thumb_tip"), nullptr, 0};
    htmlayout::dom::element a = CreateElement("img"), b = CreateElement("img");
    SetAttribute(a, "src", "/t/a.jpg");
    SetAttribute(b, "src", "/t/b.jpg");
    p.he = a;
    EXPECT_TRUE(frame->handle_event(nullptr, p));
    p.he = b;
    EXPECT_TRUE(frame->handle_event(nullptr, p));
    EXPECT_EQ(GetAttribute(img, "src"), QString("/t/b.jpg"));
    p.heTarget = Page("item_menu");
    EXPECT_FALSE(frame->handle_event(nullptr, p));
}

TEST_F(FrameTest, AnExitSignalWhileTheQuestionIsOpenClosesItFirst)
{
    Open();
    site.setVideo("slow1", SlowVideo("Slow 6"));
    Add("http://www.youtube.com/watch?v=slow1");
    frame->show();
    frame->signalWhileAsking = true;
    frame->close();  // returns once the question was closed for the exit
    EXPECT_FALSE(frame.isNull());
    ASSERT_TRUE(WaitFor([&] { return frame.isNull(); }));
    appxml::Document doc;
    ASSERT_TRUE(appxml::Load(AppXml(), doc));
    ASSERT_EQ(doc.items.size(), 1u);
    EXPECT_EQ(doc.items[0].error, DE_STOPPED);
}

TEST_F(FrameTest, WithoutItsPageTheWindowNeverWritesAnEmptyListOverTheStoredOne)
{
    const QByteArray stored = StoredItems(Stored("keep1", 0) + Stored("keep2", 3));
    WriteAppXml(stored);
    frame = new TestFrame;  // no page: the window's list element is missing
    frame->LoadAppXml(AppXml());
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(frame->SaveAppXml(AppXml()), -1);
    QFile f(AppXml());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), stored);
}

TEST_F(FrameTest, ANewVideoFolderServesTheNextDownloadNotTheOneUnderWay)
{
    Open();
    const QString before = GetVideoFolderSetting();
    site.setVideo("slow1", SlowVideo("Slow 7"));
    Add("http://www.youtube.com/watch?v=slow1");
    ASSERT_TRUE(WaitFor([&] { return Info("slow1").state == DS_DOWNLOADING; }));
    const QString moved = home.filePath("new folder -x 'q' \u00e9");
    SetVideoFolderSetting(moved);  // what OK in Options does
    site.setVideo("next1", Good());
    Add("http://www.youtube.com/watch?v=next1");
    ASSERT_TRUE(WaitFor([&] { return Done("next1"); }));
    EXPECT_EQ(Info("next1").videopath, moved + "/Funny Cats.mp4");
    EXPECT_TRUE(QFile::exists(moved + "/Funny Cats.mp4"));
    EXPECT_TRUE(Info("slow1").videopath.startsWith(before + "/"));
    EXPECT_FALSE(Done("slow1"));
}

TEST_F(FrameTest, OnlyTheBandsThemselvesDragTheWindow)
{
    Open();
    auto box = [](HELEMENT he, QRect r) { return QPair<uint32_t, QRect>(layout::NodeId(he), r); };
    // Boxes as the view reports them for the page's layout.
    layout::SetElementBoxes(frame->GetLayoutWindow(),
                            {box(GetParentElement(Page("content")), QRect(0, 0, 680, 600)),
                             box(Page("top"), QRect(0, 0, 680, 63)), box(Page("url"), QRect(30, 34, 440, 22)),
                             box(Page("close"), QRect(660, 6, 14, 15)), box(Page("content"), QRect(0, 63, 680, 508)),
                             box(Page("bottom"), QRect(0, 571, 680, 29)), box(Page("about"), QRect(23, 577, 46, 20))});
    EXPECT_TRUE(frame->HitTestCaption({300, 10}));
    EXPECT_TRUE(frame->HitTestCaption({300, 590}));
    EXPECT_FALSE(frame->HitTestCaption({100, 40}));   // the address box
    EXPECT_FALSE(frame->HitTestCaption({665, 10}));   // the close button
    EXPECT_FALSE(frame->HitTestCaption({40, 585}));   // About
    EXPECT_FALSE(frame->HitTestCaption({300, 300}));  // the list
}

TEST_F(FrameTest, AddressesFromOutsideTakeTheAddFlowOneByOne)
{
    site.setVideo("drop1", Good());
    site.setVideo("drop2", SlowVideo("Dropped link"));
    site.setVideo("drop3", SlowVideo("Dropped text"));
    site.setVideo("drop4", SlowVideo("Dropped text 2"));
    site.setVideo("late1", SlowVideo("Came late"));
    site.setVideo("cmd1", SlowVideo("From the command line"));
    Open();

    // Links dropped on the window: each address of the list, taken after
    // the drop has ended.
    QMimeData links;
    links.setData("text/uri-list", "# from a browser\r\nhttp://www.youtube.com/watch?v=drop1\r\n"
                                   "http://www.youtube.com/watch?v=drop2\r\n");
    links.setText("http://www.youtube.com/watch?v=drop2");
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction | Qt::MoveAction, &links, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.data(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction | Qt::MoveAction, &links, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.data(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_TRUE(RowIds().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return RowIds() == (QStringList{"drop2", "drop1"}); }, 5000));
    EXPECT_EQ(UrlText(), "");

    // Dropped text: each line with something in it.
    QMimeData text;
    text.setText("\n   \n  http://www.youtube.com/v/drop3  \nhttp://www.youtube.com/watch?v=drop4\n");
    EXPECT_TRUE(frame->OnDropAddress(&text));
    QMimeData picture;
    picture.setData("image/png", "\x89PNG");
    EXPECT_FALSE(frame->OnDropAddress(&picture));
    QDragEnterEvent pictureEnter(QPoint(300, 300), Qt::CopyAction, &picture, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.data(), &pictureEnter);
    EXPECT_FALSE(pictureEnter.isAccepted());
    ASSERT_TRUE(WaitFor([&] { return RowIds() == (QStringList{"drop4", "drop3", "drop2", "drop1"}); }, 5000));

    // Handed over from a second start: a duplicate gets its message, a bad
    // address its dialog, as if typed; one that comes while the message is
    // up waits for it.
    frame->duringMessage = [&] { frame->AddAddresses({"http://www.youtube.com/watch?v=late1"}); };
    frame->AddAddresses(
        {" http://www.youtube.com/watch?v=drop1 ", "not an address", "http://www.youtube.com/watch?v=cmd1"});
    ASSERT_TRUE(WaitFor([&] { return RowIds().size() == 6; }, 5000));
    EXPECT_EQ(frame->messages, QStringList{"http://www.youtube.com/watch?v=drop1 has already in the download list."});
    EXPECT_EQ(frame->addressDialogs, 1);
    EXPECT_EQ(RowIds(), (QStringList{"late1", "cmd1", "drop4", "drop3", "drop2", "drop1"}));

    // Once the exit has begun nothing more comes in.
    frame->ExitAfterStopping();
    site.setVideo("gone1", Good());
    frame->AddAddresses({"http://www.youtube.com/watch?v=gone1"});
    QCoreApplication::processEvents();
    EXPECT_EQ(Items().count("gone1"), 0u);
    ASSERT_TRUE(WaitFor([&] { return frame.isNull(); }));
}

TEST_F(FrameTest, OpenOverTheSessionBusTakesTheAddFlowAndTheNameIsNeverTaken)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.IsRunning());
    site.setVideo("bus1", Good());
    site.setVideo("bus2", Good());
    Open();
    QDBusConnection client = bus.Connect("client");
    const auto owner = [&] { return client.interface()->serviceOwner(CApplicationService::Name()).value(); };
    const auto call = [&](const QString& method, const QVariantList& arguments) {
        QDBusMessage m = QDBusMessage::createMethodCall(CApplicationService::Name(), CApplicationService::Path(),
                                                        "org.freedesktop.Application", method);
        m.setArguments(arguments);
        QDBusPendingCall pending = client.asyncCall(m);
        EXPECT_TRUE(WaitFor([&] { return pending.isFinished(); }, 5000));
        return pending.reply().type();
    };

    // A name held by another process stays with it, even one that lets go of it.
    QDBusConnection other = bus.Connect("other");
    ASSERT_TRUE(other.interface()->registerService(CApplicationService::Name(),
                                                   QDBusConnectionInterface::DontQueueService,
                                                   QDBusConnectionInterface::AllowReplacement));
    {
        CApplicationService second(frame);
        second.Serve(bus.Connect("second"));
        Pump(300);
    }
    EXPECT_EQ(owner(), other.baseService());
    other.unregisterService(CApplicationService::Name());

    CApplicationService service(frame);
    QDBusConnection served = bus.Connect("service");
    service.Serve(served);
    ASSERT_TRUE(WaitFor([&] { return owner() == served.baseService(); }, 5000));
    const QVariantMap platformData;
    EXPECT_EQ(call("Open",
                   {QStringList{"http://www.youtube.com/watch?v=bus1", "http://www.youtube.com/v/bus2"}, platformData}),
              QDBusMessage::ReplyMessage);
    ASSERT_TRUE(WaitFor([&] { return RowIds() == (QStringList{"bus2", "bus1"}); }, 5000));
    EXPECT_EQ(call("Activate", {platformData}), QDBusMessage::ReplyMessage);
    EXPECT_EQ(call("ActivateAction", {"quit", QVariantList(), platformData}), QDBusMessage::ReplyMessage);

    // On its way out the window says it took nothing.
    frame->ExitAfterStopping();
    EXPECT_EQ(call("Open", {QStringList{"http://www.youtube.com/watch?v=bus3"}, platformData}),
              QDBusMessage::ErrorMessage);
}

TEST_F(FrameTest, JobsEndingWhileTheWindowIsNotActiveAreNotified)
{
    FakeNotifications bus;
    ASSERT_TRUE(bus.IsRunning());
    ASSERT_TRUE(bus.Serve(false));
    Video told = Good();
    told.title = "Told one";
    site.setVideo("seen1", Good());
    site.setVideo("told1", told);
    site.setVideo("slow1", SlowVideo("Slow one"));
    site.setVideo("slow2", SlowVideo("Slow two"));
    Open();
    frame->Notifier().SetConnection(bus.Client());
    const auto tick = [&] { frame->OnTimer(TIMER_REFRESH); };

    // Ended under the user's eyes: no notification.
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return frame->isActiveWindow(); }, 5000));
    Add("http://www.youtube.com/watch?v=seen1");
    ASSERT_TRUE(WaitFor([&] { return Done("seen1"); }));
    tick();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return !frame->isActiveWindow(); }, 5000));
    tick();

    // Done while the user is elsewhere, even before the first look at it.
    Add("http://www.youtube.com/watch?v=told1");
    ASSERT_TRUE(WaitFor([&] { return Done("told1"); }));
    tick();
    ASSERT_TRUE(WaitFor([&] { return bus.Notes().size() == 1; }));
    EXPECT_EQ(bus.Notes()[0].summary, "Told one");
    EXPECT_EQ(bus.Notes()[0].body, "19.5 KB");

    // Two stopped together: one summary with their status texts.
    Add("http://www.youtube.com/watch?v=slow1");
    Add("http://www.youtube.com/watch?v=slow2");
    tick();
    ASSERT_TRUE(WaitFor([&] { return Info("slow1").completed > 0 && Info("slow2").completed > 0; }));
    Select({"slow1", "slow2"});
    Click(Row("slow1"), 2);
    Click(Page("mi_stop"));
    ASSERT_TRUE(WaitFor([&] { return Done("slow1") && Done("slow2"); }));
    tick();
    tick();  // an ending is told once
    ASSERT_TRUE(WaitFor([&] { return bus.Notes().size() == 2; }));
    EXPECT_EQ(bus.Notes()[1].summary, "2 downloads ended");
    const QStringList lines = bus.Notes()[1].body.split('\n');
    ASSERT_EQ(lines.size(), 2);
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith("Slow ") && line.endsWith(" / 50.0 MB - Uncompleted")) << line.toStdString();
    QThread::msleep(1200);
    QCoreApplication::processEvents();
    EXPECT_EQ(bus.Notes().size(), 2u);
}

TEST_F(FrameTest, TheComputerStaysAwakeFromTheFirstDownloadToTheLast)
{
    // logind on the system bus that the program finds through the environment,
    // at first not there at all.
    FakeLogin login;
    ASSERT_TRUE(login.IsRunning());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", login.Address().toUtf8());
    g_logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Record);
    site.setVideo("slow1", SlowVideo("Slow 1"));
    site.setVideo("slow2", SlowVideo("Slow 2"));
    Open();
    const auto tick = [&] { frame->OnTimer(TIMER_REFRESH); };
    const auto stop = [&](std::initializer_list<QString> ids) {
        Select(ids);
        Click(Row(*ids.begin()), 2);
        Click(Page("mi_stop"));
        for (const QString& id : ids)
            ASSERT_TRUE(WaitFor([&] { return Done(id); }));
        tick();
    };
    const auto restart = [&](std::initializer_list<QString> ids) {
        Select(ids);
        Click(Row(*ids.begin()), 2);
        Click(Page("mi_restart"));
        tick();
    };

    // No logind: the download goes on and nothing is said.
    Add("http://www.youtube.com/watch?v=slow1");
    tick();
    const int before = Info("slow1").completed;
    ASSERT_TRUE(WaitFor([&] { return Info("slow1").completed > before; }));
    tick();
    stop({"slow1"});

    // A refusal is not asked again at every refresh.
    ASSERT_TRUE(login.Serve());
    login.SetRefusing(true);
    restart({"slow1"});
    ASSERT_TRUE(WaitFor([&] { return login.Calls().size() == 1; }));
    tick();
    tick();
    EXPECT_EQ(login.Calls().size(), 1u);
    EXPECT_EQ(Status(), "Total: 1 video, 1 downloading");
    stop({"slow1"});

    // Granted: one lock for any number of downloads, given back when the
    // last of them stops.
    login.SetRefusing(false);
    restart({"slow1"});
    Add("http://www.youtube.com/watch?v=slow2");
    tick();
    ASSERT_TRUE(WaitFor([&] { return login.Held() == 1; }));
    ASSERT_EQ(login.Calls().size(), 2u);
    EXPECT_EQ(login.Calls()[1], QStringList({"sleep", "Ferrowick", "Downloading videos", "block"}));
    stop({"slow1"});
    EXPECT_EQ(login.Held(), 1);
    stop({"slow2"});
    ASSERT_TRUE(WaitFor([&] { return login.Held() == 0; }));

    // Held again through the exit wait, until the window is gone.
    restart({"slow1"});
    ASSERT_TRUE(WaitFor([&] { return login.Held() == 1; }));
    frame->answer = QMessageBox::Yes;
    frame->close();
    ASSERT_TRUE(WaitFor([&] { return frame.isNull(); }));
    EXPECT_EQ(login.Held(), 0);
    EXPECT_EQ(login.Calls().size(), 3u);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_logged.isEmpty()) << g_logged.join('\n').toStdString();
}

TEST_F(FrameTest, ThePageFollowsTheDesktopsColourSchemeWhileItRuns)
{
    FakePortal portal(1);
    ASSERT_TRUE(portal.Serve());
    site.setVideo("seen1", Good());
    Open();
    const auto scheme = [&] { return GetAttribute(GetRootElement(frame->GetLayoutWindow()), "color-scheme"); };
    EXPECT_EQ(scheme(), "light");  // until the desktop answers
    Add("http://www.youtube.com/watch?v=seen1");
    const HELEMENT row = Row("seen1");

    const int lightWindow = QApplication::palette().color(QPalette::Window).lightness();
    frame->ColorScheme().SetConnection(portal.Client());
    ASSERT_TRUE(WaitFor([&] { return scheme() == "dark"; }, 1000));
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 128);  // the dialogs too
    portal.SetScheme(2);
    ASSERT_TRUE(WaitFor([&] { return scheme() == "light"; }, 1000));
    portal.SetScheme(1);
    ASSERT_TRUE(WaitFor([&] { return scheme() == "dark"; }, 1000));
    EXPECT_EQ(Row("seen1"), row);  // restyled, not rebuilt
    portal.SetScheme(0);           // no preference
    ASSERT_TRUE(WaitFor([&] { return scheme() == "light"; }, 1000));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window).lightness(), lightWindow);
}
