#include "tests/store/profile.h"
#include "storefixture.h"

#include <QElapsedTimer>

using LoadTest = StoreTest;

namespace {

QByteArray Doc(const QByteArray& dirs, const QByteArray& content)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<application><options><directories>" + dirs +
           "</directories></options><content>" + content + "</content></application>\n";
}

QByteArray Item(const QByteArray& id, const QByteArray& title, int error = 0)
{
    return "<item id=\"" + id + "\"><title>" + title + "</title><videopath>/v/" + title +
           ".mp4</videopath><thumbpath>/t/" + id +
           ".jpg</thumbpath><imagepath></imagepath><length>100</length>"
           "<completed>50</completed><error>" +
           QByteArray::number(error) + "</error></item>";
}

}  // namespace

TEST_F(LoadTest, NoFileKeepsTheDefaultsAndStillReadsTheProfile)
{
    RemoveProfileLearnValue();
    EXPECT_FALSE(frame.LoadAppXml(dir.filePath("missing.xml")));
    EXPECT_EQ(learn, 1);
    EXPECT_EQ(Video(), DefaultVideo());
    EXPECT_EQ(GetTempFolderSetting(), "/opt/prog/Temp");
    EXPECT_TRUE(items.empty());

    SetProfileLearnValue(0);
    learn = -1;
    EXPECT_FALSE(frame.LoadAppXml(dir.filePath("missing.xml")));
    EXPECT_EQ(learn, 0);
    RemoveProfileLearnValue();
}

TEST_F(LoadTest, FoldersFromDirElements)
{
    EXPECT_TRUE(Load(Doc("<dir type=\"video\">/home/u/Videos</dir>", "")));
    EXPECT_EQ(Video(), "/home/u/Videos");
    EXPECT_EQ(GetTempFolderSetting(), "/opt/prog/Temp");

    CMainFrame::SetDefaultFolders("/opt/prog");
    EXPECT_TRUE(Load(Doc("<dir type=\"Video\">/nope</dir><dir type=\"temp\">  /t m p  </dir><dir>/x</dir>"
                         "<dir type=\"temp\">/last</dir><DIR TYPE=\"video\"></DIR>",
                         "")));
    EXPECT_EQ(Video(), "");  // an empty dir sets an empty folder
    EXPECT_EQ(GetTempFolderSetting(), "/last");

    EXPECT_TRUE(Load(Doc("<dir type=\"temp\">  /t m p  </dir><dir type=\"video\"/>", "")));
    EXPECT_EQ(GetTempFolderSetting(), "  /t m p  ");  // taken untrimmed
    EXPECT_EQ(Video(), "");
}

TEST_F(LoadTest, ItemsInFileOrderWithEveryField)
{
    EXPECT_TRUE(Load(Doc("", Item("b2", "Second &amp; <x>", 3).replace("<x>", "&lt;x&gt;") + Item("a1", "First", 1))));
    EXPECT_EQ(Ids(), QStringList({"b2", "a1"}));
    const DownloaderInfo b = Info("b2");
    EXPECT_EQ(b.state, DS_DONE);
    EXPECT_EQ(b.title, "Second & <x>");
    EXPECT_EQ(b.videopath, "/v/Second & <x>.mp4");
    EXPECT_EQ(b.thumbpath, "/t/b2.jpg");
    EXPECT_EQ(b.imagepath, "");
    EXPECT_EQ(b.length, 100);
    EXPECT_EQ(b.completed, 50);
    EXPECT_EQ(b.error, 3);
    EXPECT_EQ(b.starttick, 0u);  // restored, never started
    EXPECT_EQ(Info("a1").error, 1);
}

TEST_F(LoadTest, NamesMatchInAnyCaseButTypeValuesExactly)
{
    EXPECT_TRUE(Load("<Application><CONTENT><ITEM ID=\"up\"><Title>Loud</Title><ERROR>5</ERROR></ITEM>"
                     "<iTeM Id=\"mixed\"><tItLe>quiet</tItLe></iTeM></CONTENT>"
                     "<dir TYPE=\"temp\">/T</dir></Application>"));
    EXPECT_EQ(Ids(), QStringList({"up", "mixed"}));
    EXPECT_EQ(Info("up").title, "Loud");
    EXPECT_EQ(Info("up").error, 5);
    EXPECT_EQ(Info("mixed").title, "quiet");
    EXPECT_EQ(GetTempFolderSetting(), "/T");
}

TEST_F(LoadTest, IdsAreTrimmedBlankOnesDroppedDuplicatesKeepTheFirst)
{
    EXPECT_TRUE(Load(Doc("", Item("  pad\t", "P") + Item("   ", "blank") + "<item><title>noid</title></item>" +
                                 Item("dup", "one") + Item("dup", "two") + Item("pad", "again"))));
    EXPECT_EQ(Ids(), QStringList({"pad", "dup"}));
    EXPECT_EQ(Info("pad").title, "P");
    EXPECT_EQ(Info("dup").title, "one");
}

TEST_F(LoadTest, ItemsWhoseIdIsNoVideoIdAreSkippedAndTheRestLoads)
{
    // A leading U+FEFF, astral and escaped characters, a path: none is what
    // an address yields, and each could reach a file name.
    EXPECT_TRUE(Load(Doc("", Item("&#xFEFF;bom", "b") + Item("&#x1F600;&amp;&lt;", "e") + Item("plain", "p") +
                                 Item("../../victim/pwn", "v") + Item("a b", "s") + Item("caf\xC3\xA9", "c") +
                                 Item("Az09_-", "last"))));
    EXPECT_EQ(Ids(), QStringList({"plain", "Az09_-"}));  // Ids() checks each row against its item
}

TEST_F(LoadTest, MissingAndOddNumbers)
{
    EXPECT_TRUE(Load(Doc("", "<item id=\"bare\"><title>only</title></item>"
                             "<item id=\"odd\"><length> 12abc</length><completed>-5</completed>"
                             "<error>x</error></item>"
                             "<item id=\"big\"><length>99999999999</length><completed>+7</completed></item>")));
    const DownloaderInfo bare = Info("bare");
    EXPECT_EQ(bare.state, DS_DONE);
    EXPECT_EQ(bare.error, 0);
    EXPECT_EQ(bare.length, 0);
    EXPECT_EQ(bare.completed, 0);
    EXPECT_EQ(bare.videopath, "");
    EXPECT_EQ(Info("odd").length, 12);
    EXPECT_EQ(Info("odd").completed, -5);
    EXPECT_EQ(Info("odd").error, 0);
    EXPECT_EQ(Info("big").length, 99999999999);
    EXPECT_EQ(Info("big").completed, 7);
}

TEST_F(LoadTest, EmptyElementTagsAndTextRules)
{
    EXPECT_TRUE(
        Load(Doc("<dir type=\"video\"/>",
                 "<item id=\"e\"><title>a<!-- c -->b<![CDATA[ignored]]><?pi x?></title><videopath>  </videopath>"
                 "<thumbpath/><imagepath>img</imagepath><length>10</length></item>"
                 "<item id=\"nsx\" xmlns:p=\"urn:p\"><p:title>prefixed</p:title></item>")));
    EXPECT_EQ(Video(), "");
    const DownloaderInfo e = Info("e");
    EXPECT_EQ(e.title, "b");     // the last text node; CDATA and PIs are no text
    EXPECT_EQ(e.videopath, "");  // white space alone is no text
    EXPECT_EQ(e.thumbpath, "");
    EXPECT_EQ(e.imagepath, "img");  // read on after the empty thumbpath
    EXPECT_EQ(e.length, 10);
    EXPECT_EQ(Info("nsx").title, "prefixed");  // the local name counts
}

TEST_F(LoadTest, FieldsGoOnlyToTheirDirectParentItem)
{
    EXPECT_TRUE(Load(Doc("<dir type=\"video\"><title>stray</title>/real</dir>",
                         "<wrapper><item id=\"deep\"><b><title>grandchild</title></b><error>2</error></item></wrapper>"
                         "<title>in content</title>")));
    EXPECT_EQ(Video(), "/real");
    EXPECT_EQ(Ids(), QStringList({"deep"}));  // items count wherever they stand
    EXPECT_EQ(Info("deep").title, "");
    EXPECT_EQ(Info("deep").error, 2);
}

TEST_F(LoadTest, FieldAsTheDocumentElementStopsWithFalse)
{
    EXPECT_FALSE(Load("<title>t</title>"));
    EXPECT_TRUE(items.empty());
    EXPECT_FALSE(Load("<ERROR/>"));
}

TEST_F(LoadTest, CutInsideTheThirdItemKeepsTheFirstTwo)
{
    QByteArray whole = Doc("<dir type=\"temp\">/cut</dir>", Item("one", "1") + Item("two", "2") + Item("three", "3"));
    const qsizetype third = whole.indexOf("<item id=\"three\"");
    EXPECT_TRUE(Load(whole.left(third + 40)));
    EXPECT_EQ(Ids(), QStringList({"one", "two"}));
    EXPECT_EQ(GetTempFolderSetting(), "/cut");
}

TEST_F(LoadTest, ReaderErrorsKeepWhatCameBefore)
{
    EXPECT_TRUE(
        Load(Doc("", Item("ok", "fine") + "<item id=\"bad\"><title>\xff\xfe</title></item>" + Item("after", "x"))));
    EXPECT_EQ(Ids(), QStringList({"ok"}));
    items.clear();
    EXPECT_TRUE(Load(Doc("", Item("ok", "fine") + "<item id=\"bad\"><title>&undeclared;</title></item>")));
    EXPECT_EQ(Ids(), QStringList({"ok"}));
    items.clear();
    EXPECT_TRUE(Load(Doc("", Item("ok", "fine")) + "<trailing/>"));
    EXPECT_EQ(Ids(), QStringList({"ok"}));
    items.clear();
    EXPECT_TRUE(Load("\xEF\xBB\xBF" + Doc("", Item("bom", "b"))));
    EXPECT_EQ(Ids(), QStringList({"bom"}));
    items.clear();
    EXPECT_TRUE(Load(QByteArray("\x00\x01\x02\xff<<>>&&\x7f", 11)));
    EXPECT_TRUE(Load(""));
    EXPECT_TRUE(items.empty());
}

TEST_F(LoadTest, DocumentTypesAreRefusedAndNothingOfThemExpands)
{
    // Billion laughs: ten levels of ten-fold entities.
    QByteArray dtd = "<?xml version=\"1.0\"?>\n<!DOCTYPE application [\n<!ENTITY l0 \"ha\">\n";
    for (int i = 1; i <= 10; ++i) {
        dtd += "<!ENTITY l" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j)
            dtd += "&l" + QByteArray::number(i - 1) + ";";
        dtd += "\">\n";
    }
    dtd += "]>\n";
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(Load(dtd + Doc("", Item("laugh", "&l10;")).mid(39)));
    EXPECT_TRUE(items.empty());
    EXPECT_LT(t.elapsed(), 5000);

    // An external entity naming a local file is never read.
    const QString secret = dir.filePath("secret.txt");
    Write("TOPSECRET", secret);
    EXPECT_TRUE(Load("<!DOCTYPE a [<!ENTITY x SYSTEM \"file://" + secret.toUtf8() + "\">]>" +
                     Doc("<dir type=\"video\">&x;</dir>", Item("ext", "&x;"))));
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(Video(), DefaultVideo());

    // An internal entity in a plain declaration: the document stops at the DTD.
    EXPECT_TRUE(Load("<!DOCTYPE a [<!ENTITY e \"zz\">]><application><content>" + Item("e", "&e;") +
                     "</content></application>"));
    EXPECT_TRUE(items.empty());
}

TEST_F(LoadTest, DeepNestingAndHugeValues)
{
    // 100 000 open elements: the load's stack is a list, not the call stack.
    QByteArray deep;
    deep.reserve(1200000);
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    deep += Item("deep", "d");
    for (int i = 0; i < 100000; ++i)
        deep += "</a>";
    EXPECT_TRUE(Load(deep));
    EXPECT_EQ(Ids(), QStringList({"deep"}));
    items.clear();

    EXPECT_TRUE(Load(deep.left(deep.size() / 2)));  // and cut in the middle of it
    EXPECT_EQ(Ids(), QStringList({"deep"}));
    items.clear();

    const QByteArray huge(8 * 1024 * 1024, 'h');
    EXPECT_TRUE(Load(Doc("", "<item id=\"" + huge + "\" extra=\"" + huge + "\"><title>" + huge + "</title></item>")));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items.begin()->first.size(), huge.size());
    EXPECT_EQ(Info(items.begin()->first).title.size(), huge.size());
}

TEST_F(LoadTest, InvalidUtf8StopsExactlyWhereItStands)
{
    // Far enough apart that a block-wise decoder would see the bad byte first.
    QByteArray body;
    for (int i = 0; i < 300; ++i)
        body += Item("i" + QByteArray::number(i), "title");
    for (const QByteArray& bad :
         {QByteArray("\xC0\xAF"), QByteArray("\xED\xA0\x80"), QByteArray("\xF4\x90\x80\x80"), QByteArray("\xE2\x82")}) {
        items.clear();
        EXPECT_TRUE(Load(Doc("", body + "<item id=\"bad\"><title>" + bad + "</title></item>" + Item("after", "x"))));
        EXPECT_EQ(items.size(), 300u) << bad.toHex().toStdString();
        EXPECT_EQ(items.count("after"), 0u);
    }
    items.clear();
    // Valid multi-byte text right up to the end is read whole.
    EXPECT_TRUE(Load(Doc("", Item("u", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"))));
    EXPECT_EQ(Info("u").title, QString::fromUtf8("\u00e9\u20ac\U0001F600"));
    items.clear();
    // A document in another encoding is decoded by the reader as declared.
    EXPECT_TRUE(Load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><application><content>"
                     "<item id=\"l1\"><title>caf\xE9</title></item></content></application>"));
    EXPECT_EQ(Info("l1").title, QString::fromUtf8("caf\u00e9"));
    items.clear();
    const QString utf16 = QStringLiteral("<application><content><item id=\"w\"><title>\u00e9\u00e8</title></item>"
                                         "</content></application>");
    QByteArray wide("\xFF\xFE");
    wide += QByteArray(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2);
    EXPECT_TRUE(Load(wide));
    EXPECT_EQ(Info("w").title, QString::fromUtf8("\u00e9\u00e8"));
}
