#include "engine/myyoutubedownloader.h"
#include "engine/patterns.h"

#include <gtest/gtest.h>

namespace {

// Exposes the protected notifications so the record rules can be checked directly.
struct RecordProbe : CMyYouTubeDownloader {
    using CMyYouTubeDownloader::OnError;
    using CMyYouTubeDownloader::OnParseStart;
    using CMyYouTubeDownloader::OnThumbnailDone;
    using CMyYouTubeDownloader::OnThumbnailStart;
    using CMyYouTubeDownloader::OnTitle;
    using CMyYouTubeDownloader::OnVideoProgress;
    void setId(const QString& id) { m_strVideoId = id; }
};

QString IdOf(const QString& address)
{
    RecordProbe job;
    job.setId("unchanged");
    const bool ok = job.SetAddress(address);
    EXPECT_EQ(ok, job.GetVideoId() != "unchanged") << address.toStdString();
    return ok ? job.GetVideoId() : QString();
}

QString FileTitleOf(const QString& title)
{
    RecordProbe job;
    job.setId("vid42");
    job.OnTitle(title);
    DownloaderInfo info;
    info.mask = DIF_TITLE;
    job.GetInfo(info, false);
    return info.title;
}

}  // namespace

TEST(SetAddress, AcceptsWatchEmbedAndThumbnailAddresses)
{
    EXPECT_EQ(IdOf("http://www.youtube.com/watch?v=aB3_x-9&feature=related"), "aB3_x-9");
    EXPECT_EQ(IdOf("http://youtube.com/watch?v=aB3_x-9"), "aB3_x-9");
    EXPECT_EQ(IdOf("http://a.b.c.youtube.com/watch?v=aB3"), "aB3");
    EXPECT_EQ(IdOf("http://youtube.com/v/aB3_x-9&hl=en"), "aB3_x-9");
    EXPECT_EQ(IdOf("http://i.ytimg.com/vi/aB3_x-9/default.jpg"), "aB3_x-9");
    EXPECT_EQ(IdOf("http://i.ytimg.com/vi/aB3/defaultXjpg"), "aB3");  // the dot is any character
    EXPECT_EQ(IdOf("http://www.youtube.com:8080/watch?v=port"), "port");
    EXPECT_EQ(IdOf("http://www.youtube.com/watch?v=abc#frag"), "abc");
    EXPECT_EQ(IdOf("http://WWW.YouTube.COM/watch?v=abc"), "abc");
    // What a browser's address bar takes: unsafe characters are encoded, a
    // lone % kept, dot segments removed.
    EXPECT_EQ(IdOf("http://www.youtube.com/watch?v=abc&x=a b"), "abc");
    EXPECT_EQ(IdOf("http://www.youtube.com/watch?v=abc&q=\"a|b\"<{}>^&p=100%"), "abc");
    EXPECT_EQ(IdOf("http://www.youtube.com/v/abc def"), "abc");
    EXPECT_EQ(IdOf("http://www.youtube.com/x/../watch?v=abc"), "abc");
    EXPECT_EQ(IdOf("http://www.youtube.com/./watch?v=abc"), "abc");
}

TEST(SetAddress, RejectsEverythingElse)
{
    for (const char* address : {
             "aB3_x-9",                              // bare id
             "www.youtube.com/watch?v=aB3",          // no scheme
             "https://www.youtube.com/watch?v=aB3",  // not plain http
             "ftp://www.youtube.com/watch?v=aB3",
             "http://www.youtube.com.evil.org/watch?v=aB3",  // something after the domain
             "http://www.youtube.community/watch?v=aB3",
             "http://notyoutube.com/watch?v=aB3",
             "http://www.youtube.com/watch?feature=x&v=aB3",  // v= not first
             "http://www.youtube.com/watch?v=",               // empty id
             "http://www.youtube.com/watch?v=&x=1",
             "http://www.youtube.com/",
             "http://i.ytimg.com/vi/aB3/default.png",
             "http://i.ytimg.com/watch?v=aB3",                // watch path on the thumbnail host
             "http://www.youtube.com/vi/aB3/default.jpg",     // thumbnail path on the site host
             "http://www.youtube.com/watch/../v/ab c/../..",  // nothing left but the root
             "http:/www.youtube.com/watch?v=aB3",             // no host
             "",
             "http://",
         })
        EXPECT_EQ(IdOf(address), QString()) << address;
}

TEST(Patterns, TitleAndTokensAreFoundWhereTheSiteWritesThem)
{
    std::string g;
    EXPECT_TRUE(Search("<html><TITLE>YouTube - Cats</Title>", g_reTitle, g));
    EXPECT_EQ(g, "Cats");
    EXPECT_FALSE(Search("<title>youtube - Cats</title>", g_reTitle, g));
    EXPECT_FALSE(Search("<title> YouTube - Cats</title>", g_reTitle, g));
    EXPECT_TRUE(Search("<title>YouTube - </title>", g_reTitle, g));
    EXPECT_EQ(g, "");

    EXPECT_TRUE(Search(R"({"a": 1, "t": "  tok  ", "t": "second"})", g_rePageToken, g));
    EXPECT_EQ(g, "  tok  ");
    EXPECT_FALSE(Search(R"({"t": "tok"})", g_rePageToken, g));  // needs the leading comma

    EXPECT_TRUE(Search("http://x/y?video_id=a&t=Ab_9-z&z=1", g_reLocationToken, g));
    EXPECT_EQ(g, "Ab_9-z");
    EXPECT_FALSE(Search("http://x/y?t=Ab_9-z", g_reLocationToken, g));  // first parameter
}

TEST(Patterns, FileNamePatternTakesReferencesAndForbiddenCharacters)
{
    EXPECT_EQ(ReplaceFileNameCharacters("Tom &amp; Jerry; the movie"), "Tom   Jerry; the movie");
    EXPECT_EQ(ReplaceFileNameCharacters("Tom & Jerry; the movie"), "Tom   the movie");  // one run to the ';'
    EXPECT_EQ(ReplaceFileNameCharacters("Tom & Jerry"), "Tom & Jerry");
    EXPECT_EQ(ReplaceFileNameCharacters(R"(a\b/c:d?e<f>g|h"i*j)"), "a b c d e f g h i j");
}

// Hostile input costs no recursion: a host of 60,000 labels is judged, and
// the host and file-name rules answer as the patterns do.
TEST(Patterns, HostsOfAnyLengthAndHostileTitlesAnswerAsThePatterns)
{
    std::string labels;
    for (int i = 0; i < 60000; ++i)
        labels += "a.";
    EXPECT_EQ(IdOf(QString::fromStdString("http://" + labels + "youtube.com/watch?v=deep")), "deep");
    EXPECT_EQ(IdOf(QString::fromStdString("http://" + labels + ".ytimg.com/vi/deep/default.jpg")), "");
    for (const std::string host : {"youtube.com", "a.B-c_9.youtube.com", "ayoutube.com", ".youtube.com",
                                   "a..youtube.com", "a.youtube.com.x", "i.ytimg.com", "a b.ytimg.com"}) {
        EXPECT_EQ(IsSiteHost(host), WholeMatch(host, g_reSiteHost)) << host;
        EXPECT_EQ(IsThumbHost(host), WholeMatch(host, g_reThumbHost)) << host;
    }
    for (const std::string& title :
         std::initializer_list<std::string>{"a&;b", "&a&b;c;", "&", "&&;;", ";&x;&", std::string(2000, '&') + "x"})
        EXPECT_EQ(ReplaceFileNameCharacters(title), ReplaceFileNameCharactersByPattern(title)) << title;
}

TEST(FileTitle, FollowsTheFileTitleRule)
{
    EXPECT_EQ(FileTitleOf(""), "Unknown-vid42");
    EXPECT_EQ(FileTitleOf(" \t "), "Unknown-vid42");
    EXPECT_EQ(FileTitleOf("a/b:c"), "a b c");
    EXPECT_EQ(FileTitleOf("  padded  "), "padded");
    EXPECT_EQ(FileTitleOf("&quot; "), "");  // no fall-back after replacing
    EXPECT_EQ(FileTitleOf("Tom &amp; Jerry"), "Tom   Jerry");
    EXPECT_EQ(FileTitleOf(QString::fromUtf8("Caf\xc3\xa9 it's 1.0")), QString::fromUtf8("Caf\xc3\xa9 it's 1.0"));
}

TEST(JobRecord, ChangedMarkIsClearedOnlyWhenAsked)
{
    RecordProbe job;
    DownloaderInfo info;
    info.mask = uint32_t(-1);
    EXPECT_TRUE(job.GetInfo(info, false));  // set at construction
    EXPECT_TRUE(job.GetInfo(info, false));
    EXPECT_TRUE(job.GetInfo(info, true));
    EXPECT_FALSE(job.GetInfo(info, true));
    EXPECT_EQ(info.state, DS_IDLE);

    job.OnThumbnailStart();
    EXPECT_TRUE(job.GetInfo(info, true));
    EXPECT_EQ(info.state, DS_THUMBNAIL);
    job.OnThumbnailStart();  // already in that state
    EXPECT_FALSE(job.GetInfo(info, true));

    job.OnThumbnailDone("/t/a.jpg");
    EXPECT_TRUE(job.GetInfo(info, true));
    job.OnThumbnailDone("/t/a.jpg");
    EXPECT_FALSE(job.GetInfo(info, true));

    job.OnVideoProgress(10, 100);
    EXPECT_TRUE(job.GetInfo(info, true));
    job.OnVideoProgress(10, 100);
    EXPECT_FALSE(job.GetInfo(info, true));

    job.OnError(0);  // always marks
    EXPECT_TRUE(job.GetInfo(info, true));
    job.OnTitle("x");
    EXPECT_TRUE(job.GetInfo(info, true));
}

TEST(JobRecord, MaskSelectsTheFieldsCopied)
{
    RecordProbe job;
    job.Restore("id1", "Title", "/v/a.mp4", "/t/id1.jpg", "/i", 3, 1000, 400);
    DownloaderInfo info;
    info.mask = DIF_TITLE | DIF_COMPLETED;
    info.state = -9;
    info.length = -9;
    job.GetInfo(info, false);
    EXPECT_EQ(info.title, "Title");
    EXPECT_EQ(info.completed, 400);
    EXPECT_EQ(info.state, -9);
    EXPECT_EQ(info.length, -9);
    EXPECT_TRUE(info.videopath.isEmpty());

    info.mask = uint32_t(-1);
    job.GetInfo(info, false);
    EXPECT_EQ(info.state, DS_DONE);
    EXPECT_EQ(info.error, 3);
    EXPECT_EQ(info.length, 1000);
    EXPECT_EQ(info.videopath, "/v/a.mp4");
    EXPECT_EQ(info.thumbpath, "/t/id1.jpg");
    EXPECT_EQ(info.imagepath, "/i");
    EXPECT_EQ(job.GetVideoId(), "id1");
}
