#include "engine/myyoutubedownloader.h"
#include "platform/layout/layoutview.h"
#include "platform/tickcount.h"
#include "ui/page/dom.h"
#include "ui/page/downloaditem.h"
#include "ui/page/rows.h"
#include "ui/page/selectedelementlist.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

const char kPage[] = "<html><body><div id=\"top\"></div>"
                     "<widget id=\"content\" type=\"select\" multiple></widget></body></html>";

// A job whose record the test drives through the worker's notifications.
struct TestJob : CMyYouTubeDownloader {
    explicit TestJob(const QString& id) { m_strVideoId = id; }
    using CMyYouTubeDownloader::OnBegin;
    using CMyYouTubeDownloader::OnEnd;
    using CMyYouTubeDownloader::OnError;
    using CMyYouTubeDownloader::OnThumbnailDone;
    using CMyYouTubeDownloader::OnTitle;
    using CMyYouTubeDownloader::OnVideoProgress;
    using CMyYouTubeDownloader::OnVideoStart;
};

// "tag{attr=value,...}[children]" with text nodes as 'text'; tags in lower case.
QString Describe(const QJsonObject& n)
{
    if (n.contains(QStringLiteral("text")))
        return QLatin1Char('\'') + n.value(QStringLiteral("text")).toString() + QLatin1Char('\'');
    QString s = n.value(QStringLiteral("tag")).toString().toLower();
    const QJsonObject attrs = n.value(QStringLiteral("attrs")).toObject();
    if (!attrs.isEmpty()) {
        QStringList parts;
        for (auto it = attrs.begin(); it != attrs.end(); ++it)
            parts << it.key() + QLatin1Char('=') + it.value().toString();
        s += QLatin1Char('{') + parts.join(QLatin1Char(',')) + QLatin1Char('}');
    }
    const QJsonArray kids = n.value(QStringLiteral("children")).toArray();
    if (!kids.isEmpty()) {
        QStringList parts;
        for (const auto& k : kids)
            parts << Describe(k.toObject());
        s += QLatin1Char('[') + parts.join(QLatin1Char(' ')) + QLatin1Char(']');
    }
    return s;
}

const QJsonObject* FindNode(const QJsonObject& n, qint64 id, QJsonObject& out)
{
    if (n.value(QStringLiteral("id")).toInteger() == id) {
        out = n;
        return &out;
    }
    for (const auto& k : n.value(QStringLiteral("children")).toArray())
        if (FindNode(k.toObject(), id, out))
            return &out;
    return nullptr;
}

struct Rows : ::testing::Test {
    HWND hwnd = HTMLayoutCreateWindow();
    HELEMENT content = nullptr;
    size_t liveBefore = 0;

    void SetUp() override
    {
        ASSERT_TRUE(HTMLayoutLoadHtml(hwnd, reinterpret_cast<const uint8_t*>(kPage), uint32_t(strlen(kPage))));
        content = FindElementById(GetRootElement(hwnd), "content");
        ASSERT_NE(content, nullptr);
        layout::SetDirtyCallback(hwnd, [] {});
        liveBefore = HTMLayoutLiveNodeCount();
    }
    void TearDown() override { HTMLayoutDestroyWindow(hwnd); }

    // An item whose job is a TestJob with the given id.
    std::unique_ptr<CDownloadItem> Item(const QString& id, TestJob** job = nullptr)
    {
        auto item = std::make_unique<CDownloadItem>();
        item->m_pDownloader->Discard();
        auto* j = new TestJob(id);
        item->m_pDownloader = j;
        if (job)
            *job = j;
        return item;
    }

    std::unique_ptr<CDownloadItem> Restored(const QString& id, const QString& title, const QString& thumb,
                                            int32_t error, int32_t length, int32_t completed)
    {
        auto item = Item(id);
        item->m_pDownloader->Restore(id, title, QStringLiteral("/v/x.mp4"), thumb, QString(), error, length, completed);
        return item;
    }

    QString Row(const CDownloadItem& item)
    {
        const QJsonObject doc = QJsonDocument::fromJson(layout::SnapshotDocument(hwnd)).object();
        QJsonObject row;
        if (!FindNode(doc.value(QStringLiteral("root")).toObject(), layout::NodeId(item.m_row), row))
            return QStringLiteral("<not on the page>");
        return Describe(row);
    }

    QStringList Values()
    {
        CSelectedElementList rows;
        SelectElements(content, "option", rows);
        QStringList out;
        for (const auto& r : rows)
            out << GetAttribute(r, "value").value_or(QStringLiteral("?"));
        return out;
    }
};

const QString kThumb = QStringLiteral("div{class=thumb}[img{src=%1,titleid=thumb_tip}]");

}  // namespace

TEST_F(Rows, FinishedRowHasExactlyTheDocumentedShape)
{
    auto item = Restored("abc", "My Video", "/t/abc.jpg", DE_NONE, 4194304, 4194304);
    InsertRow(item.get(), content, ROW_AT_END);
    EXPECT_EQ(Row(*item), "option{value=abc}[" + kThumb.arg("/t/abc.jpg") +
                              " div{class=info}[div{class=title}['My Video'] "
                              "div{class=status}[div{class=text}['4.0 MB']]]]");
}

TEST_F(Rows, FreshJobShowsPlaceholdersAndAnEmptyProgressBar)
{
    auto item = Item("q_W-9");
    InsertRow(item.get(), content, ROW_AT_END);
    EXPECT_EQ(Row(*item), "option{value=q_W-9}[" + kThumb.arg("unknown.png") +
                              " div{class=info}[div{class=title}['Unknown-q_W-9'] "
                              "div{class=status}[div{class=text}['Parsing...'] "
                              "div{class=progress}[input{maxvalue=0,type=progress,value=0}]]]]");
}

TEST_F(Rows, RunningRowShowsRateTimeLeftAndProgressAtTheGivenTick)
{
    TestJob* job = nullptr;
    auto item = Item("run", &job);
    InsertRow(item.get(), content, ROW_AT_END);
    job->OnTitle(QStringLiteral("Song"));
    job->OnThumbnailDone(QStringLiteral("/t/run.jpg"));
    job->OnVideoStart(4194304, QStringLiteral("/v/Song.mp4"));
    job->OnVideoProgress(2097152, 4194304);
    DownloaderInfo info;
    info.mask = DIF_STARTTICK;
    job->GetInfo(info, false);

    UpdateRow(item.get(), info.starttick + 16384);
    EXPECT_EQ(Row(*item), "option{value=run}[" + kThumb.arg("/t/run.jpg") +
                              " div{class=info}[div{class=title}['Song'] div{class=status}[div{class=text}['2.0 MB / "
                              "4.0 MB  (125.0 KB/s)  -  16 Sec Left '] "
                              "div{class=progress}[input{maxvalue=4194304,type=progress,value=2097152}]]]]");
}

TEST_F(Rows, ErrorTextBecomesMarkupWithTheRedSpan)
{
    auto stopped = Restored("s", "t", "", DE_STOPPED, 4194304, 2097152);
    auto unlisted = Restored("u", "t", "", 4, 4194304, 2097152);
    auto plain = Restored("p", "<b>bold</b> & co", "", DE_NONE, 0, 0);
    InsertRow(stopped.get(), content, ROW_AT_END);
    InsertRow(unlisted.get(), content, ROW_AT_END);
    InsertRow(plain.get(), content, ROW_AT_END);
    EXPECT_NE(Row(*stopped).indexOf("div{class=text}['2.0 MB / 4.0 MB - ' span{class=error}['Uncompleted']]"), -1)
        << Row(*stopped).toStdString();
    // An unlisted code has no text at all: the cell stays empty.
    EXPECT_NE(Row(*unlisted).indexOf("div{class=status}[div{class=text}]]"), -1) << Row(*unlisted).toStdString();
    // With outcome 0 nothing is parsed: the title and status stay literal text.
    EXPECT_NE(Row(*plain).indexOf("div{class=title}['<b>bold</b> & co'] "
                                  "div{class=status}[div{class=text}['Unknown file size']]"),
              -1)
        << Row(*plain).toStdString();
    stopped.reset();
    unlisted.reset();
    plain.reset();
    EXPECT_EQ(HTMLayoutLiveNodeCount(), liveBefore);  // parsed markup is freed with its row
}

TEST_F(Rows, UnchangedJobLeavesTheRowUntouched)
{
    TestJob* job = nullptr;
    auto item = Item("same", &job);
    InsertRow(item.get(), content, ROW_AT_END);
    HELEMENT firstChild = nullptr;
    HTMLayoutGetNthChild(item->m_row, 0, &firstChild);
    const QString before = Row(*item);  // also empties the mutation log
    const size_t live = HTMLayoutLiveNodeCount();

    UpdateRow(item.get(), GetTickCount() + 5000);
    UpdateRow(item.get());
    EXPECT_EQ(layout::PendingMutations(hwnd), 0);
    EXPECT_EQ(HTMLayoutLiveNodeCount(), live);
    HELEMENT still = nullptr;
    HTMLayoutGetNthChild(item->m_row, 0, &still);
    EXPECT_EQ(still, firstChild);
    EXPECT_EQ(Row(*item), before);

    // A change is drawn once, then the row is quiet again.
    job->OnTitle(QStringLiteral("Now titled"));
    UpdateRow(item.get());
    EXPECT_GT(layout::PendingMutations(hwnd), 0);
    EXPECT_LE(layout::PendingMutations(hwnd), 3);  // cleared once, two subtrees appended
    layout::TakeMutations(hwnd);
    UpdateRow(item.get());
    EXPECT_EQ(layout::PendingMutations(hwnd), 0);
}

TEST_F(Rows, RebuildKeepsTheRowItsValueAndSelection)
{
    TestJob* job = nullptr;
    auto item = Item("keep", &job);
    InsertRow(item.get(), content, ROW_AT_END);
    const HELEMENT row = item->m_row;
    SetElementState(row, STATE_CHECKED, 0);
    job->OnVideoStart(1000, QStringLiteral("/v/k.mp4"));
    job->OnError(DE_INTERNET);
    job->OnEnd();  // finished: the progress cell goes
    UpdateRow(item.get());
    EXPECT_EQ(item->m_row.get(), row);
    EXPECT_EQ(GetElementState(row) & STATE_CHECKED, STATE_CHECKED);
    EXPECT_EQ(GetAttribute(row, "value").value_or(QString()), "keep");
    EXPECT_EQ(Row(*item).indexOf("progress"), -1);
    EXPECT_NE(Row(*item).indexOf("1000 Bytes - ' span{class=error}['Internet Error!']"), -1)
        << Row(*item).toStdString();

    job->OnBegin();  // a restart empties the record and brings the bar back
    UpdateRow(item.get());
    EXPECT_NE(Row(*item).indexOf("div{class=progress}[input{maxvalue=0,type=progress,value=0}]"), -1);
    EXPECT_NE(Row(*item).indexOf("'Unknown-keep'"), -1);
}

TEST_F(Rows, InsertAtTopOrEndAndDestroyTakesTheRowAway)
{
    {
        auto a = Restored("a", "A", "", 0, 1, 1);
        auto b = Restored("b", "B", "", 0, 1, 1);
        auto c = Restored("c", "C", "", 0, 1, 1);
        InsertRow(a.get(), content, ROW_AT_END);
        InsertRow(b.get(), content, ROW_AT_END);
        InsertRow(c.get(), content, ROW_AT_TOP);
        EXPECT_EQ(Values(), QStringList({"c", "a", "b"}));
        a.reset();
        EXPECT_EQ(Values(), QStringList({"c", "b"}));
    }
    EXPECT_TRUE(Values().isEmpty());
    // Every node the rows made, and every use the items held, is gone.
    EXPECT_EQ(HTMLayoutLiveNodeCount(), liveBefore);
}

TEST_F(Rows, ItemWithoutRowOrJobIsHarmless)
{
    auto item = Item("none");
    UpdateRow(item.get());  // no row yet: nothing to draw into
    EXPECT_FALSE(item->m_row.is_valid());
    InsertRow(nullptr, content, ROW_AT_END);
    UpdateRow(nullptr);
    EXPECT_TRUE(Values().isEmpty());
}
