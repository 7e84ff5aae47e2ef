#include "platform/exception.h"
#include "platform/httpresponseheaders.h"
#include "platform/internetsession.h"
#include "tests/site/localvideosite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace localsite;

namespace {

struct HttpTest : ::testing::Test {
    LocalVideoSite site;
    ScopedProxy proxy{site.proxyUrl()};
    CInternetSession session;

    std::unique_ptr<CHttpFile> open(const char* host, const QString& object, uint32_t flags = 0,
                                    uint32_t timeoutMs = 2000)
    {
        auto conn = session.GetHttpConnection(host, 80);
        conn->SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, timeoutMs);
        return conn->OpenRequest("GET", object, flags | INTERNET_FLAG_EXISTING_CONNECT);
    }

    static std::string readAll(CHttpFile& f)
    {
        std::string body;
        char buf[1024];
        while (unsigned n = f.Read(buf, 1023))
            body.append(buf, n);
        return body;
    }
};

}  // namespace

TEST_F(HttpTest, SendsEachHeaderLineOnceInOrderThroughTheProxy)
{
    Video v;
    v.title = "Cats";
    site.setVideo("abc", v);
    auto f = open(kSiteHost, "watch?v=abc");
    f->AddRequestHeaders("User-Agent: Test/1.0");
    f->AddRequestHeaders("Accept: text/html");
    f->AddRequestHeaders("user-agent: Second/2.0");  // same name: not added again
    f->AddRequestHeaders("Accept-Language: en");
    f->SendRequest();
    EXPECT_EQ(f->GetStatusCode(), 200u);
    EXPECT_NE(readAll(*f).find("<title>YouTube - Cats</title>"), std::string::npos);

    const auto reqs = site.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].requestLine, "GET http://www.youtube.com/watch?v=abc HTTP/1.1");
    EXPECT_EQ(reqs[0].host, kSiteHost);
    std::vector<std::string> names;
    int agents = 0;
    for (const auto& [name, value] : reqs[0].headers) {
        if (strcasecmp(name.c_str(), "User-Agent") == 0) {
            ++agents;
            EXPECT_EQ(value, "Test/1.0");
        }
        if (name == "User-Agent" || name == "Accept" || name == "Accept-Language")
            names.push_back(name);
    }
    EXPECT_EQ(agents, 1);
    EXPECT_EQ(names, (std::vector<std::string>{"User-Agent", "Accept", "Accept-Language"}));
}

TEST_F(HttpTest, MalformedHeaderLinesAreNotSent)
{
    auto f = open(kSiteHost, "watch?v=none");
    f->AddRequestHeaders("X-One: 1\r\nX-Smuggled: 2");
    f->AddRequestHeaders("no colon here");
    f->AddRequestHeaders(": no name");
    f->AddRequestHeaders("  X-Two : 2  \r\n");  // surrounding blanks and the line end are dropped
    f->SendRequest();
    const auto reqs = site.requests();
    ASSERT_EQ(reqs.size(), 1u);
    std::vector<std::string> extra;
    for (const auto& [name, value] : reqs[0].headers)
        if (name.rfind("X-", 0) == 0 || name.empty() || name.find(' ') != std::string::npos)
            extra.push_back(name + "=" + value);
    EXPECT_EQ(extra, (std::vector<std::string>{"X-Two=2"}));
}

TEST_F(HttpTest, ParallelRequestsEachGetTheirOwnBody)
{
    for (int i = 0; i < 4; ++i) {
        Video v;
        v.acceptedToken = "t" + std::to_string(i);
        v.size = 150000 + uint64_t(i) * 1000;
        site.setVideo("p" + std::to_string(i), v);
    }
    std::vector<size_t> sizes(4);
    std::vector<char> intact(4);  // not vector<bool>: its bits share bytes between threads
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i) {
        workers.emplace_back([&, i] {
            // Each job has its own session, as the download workers do.
            CInternetSession own;
            auto conn = own.GetHttpConnection(kSiteHost, 80);
            auto f = conn->OpenRequest("GET", QString("get_video?video_id=p%1&t=t%1&fmt=18").arg(i),
                                       INTERNET_FLAG_EXISTING_CONNECT);
            std::string body;
            try {
                f->SendRequest();
                body = readAll(*f);
            } catch (const CInternetException&) {
                return;  // shows as a wrong size below
            }
            sizes[i] = body.size();
            bool same = true;
            for (size_t k = 0; k < body.size(); ++k)
                same = same && body[k] == VideoByte(k);
            intact[i] = same;
        });
    }
    for (std::thread& t : workers)
        t.join();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(sizes[i], 150000u + size_t(i) * 1000) << i;
        EXPECT_TRUE(intact[i]) << i;
    }
}

TEST_F(HttpTest, QueriesHeadersOfTheFinalResponse)
{
    Video v;
    v.acceptedToken = "tok";
    v.size = 5000;
    v.redirectToken = "XYZ";
    v.video.redirects = 2;
    site.setVideo("vid", v);

    auto f = open(kSiteHost, "get_video?video_id=vid&t=tok&fmt=18");
    f->SendRequest();
    QString len, loc;
    EXPECT_TRUE(f->QueryInfo(HTTP_QUERY_CONTENT_LENGTH, len));
    EXPECT_EQ(len, "5000");
    EXPECT_FALSE(f->QueryInfo(HTTP_QUERY_LOCATION, loc));
    EXPECT_TRUE(loc.isEmpty());
    const std::string body = readAll(*f);
    ASSERT_EQ(body.size(), 5000u);
    for (size_t i = 0; i < body.size(); ++i)
        ASSERT_EQ(body[i], VideoByte(i)) << i;
    EXPECT_EQ(site.count("/get_video"), 3);  // two hops, then the video

    // Without automatic redirects the redirect itself is the answer.
    auto e = open(kSiteHost, "v/vid", INTERNET_FLAG_NO_AUTO_REDIRECT);
    e->SendRequest();
    EXPECT_EQ(e->GetStatusCode(), 303u);
    EXPECT_TRUE(e->QueryInfo(HTTP_QUERY_LOCATION, loc));
    EXPECT_TRUE(loc.endsWith("&t=XYZ"));
}

TEST_F(HttpTest, ErrorStatusIsReadLikeAnyBody)
{
    Video v;
    v.page.status = 500;
    site.setVideo("e", v);
    auto f = open(kSiteHost, "watch?v=e");
    f->SendRequest();
    EXPECT_EQ(f->GetStatusCode(), 500u);
    EXPECT_EQ(readAll(*f), "<html><body>error page</body></html>");
}

TEST_F(HttpTest, EmbedErrorIsOneWholeAnswer)
{
    Video v;
    v.redirectToken = "T";
    v.embed.status = 500;
    site.setVideo("ee", v);
    auto f = open(kSiteHost, "v/ee", INTERNET_FLAG_NO_AUTO_REDIRECT);
    f->SendRequest();
    EXPECT_EQ(f->GetStatusCode(), 500u);
    QString loc;
    EXPECT_FALSE(f->QueryInfo(HTTP_QUERY_LOCATION, loc));
    EXPECT_EQ(readAll(*f), "<html><body>error page</body></html>");
}

TEST_F(HttpTest, RedirectChainIsNotFollowedWhenSwitchedOff)
{
    Video v;
    v.acceptedToken = "t";
    v.video.redirects = 3;
    site.setVideo("r", v);
    auto f = open(kSiteHost, "get_video?video_id=r&t=t&fmt=18", INTERNET_FLAG_NO_AUTO_REDIRECT);
    f->SendRequest();
    EXPECT_EQ(f->GetStatusCode(), 302u);
    QString loc, status;
    ASSERT_TRUE(f->QueryInfo(HTTP_QUERY_LOCATION, loc));
    EXPECT_TRUE(loc.endsWith("&hop=1")) << loc.toStdString();
    EXPECT_TRUE(f->QueryInfo(HTTP_QUERY_STATUS_CODE, status));
    EXPECT_EQ(status, "302");
    EXPECT_EQ(readAll(*f), "moved");
    EXPECT_EQ(site.count("/get_video"), 1);
}

TEST_F(HttpTest, ZeroLengthAndHugeBodies)
{
    Video empty;
    empty.acceptedToken = "t";
    empty.video.zeroContentLength = true;
    site.setVideo("z", empty);
    auto f = open(kSiteHost, "get_video?video_id=z&t=t&fmt=18");
    f->SendRequest();
    QString len;
    ASSERT_TRUE(f->QueryInfo(HTTP_QUERY_CONTENT_LENGTH, len));
    EXPECT_EQ(len, "0");
    char buf[16];
    EXPECT_EQ(f->Read(buf, sizeof buf), 0u);
    EXPECT_EQ(f->Read(buf, sizeof buf), 0u);  // the end stays the end

    Video huge;
    huge.title = "Big";
    huge.pageToken = "tail-token";
    huge.pagePadding = 5 * 1024 * 1024;
    site.setVideo("h", huge);
    auto page = open(kSiteHost, "watch?v=h");
    page->SendRequest();
    const std::string body = readAll(*page);
    EXPECT_GT(body.size(), huge.pagePadding);
    EXPECT_EQ(body.rfind("<html><head><title>YouTube - Big</title>", 0), 0u);
    EXPECT_NE(body.find(", \"t\": \"tail-token\"", huge.pagePadding), std::string::npos);
}

TEST_F(HttpTest, TimeSpentBetweenReadsIsNotCountedAsSilence)
{
    Video v;
    v.acceptedToken = "t";
    v.size = 3000;
    v.video.stallAfterBytes = 1000;
    v.video.stallMs = 1700;  // the rest comes 500 ms into the reader's next wait
    site.setVideo("pause", v);
    auto f = open(kSiteHost, "get_video?video_id=pause&t=t&fmt=18", 0, 1000);
    f->SendRequest();
    char buf[1024];
    size_t got = 0;
    while (got < 1000)
        got += f->Read(buf, 1023);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // the caller busy elsewhere
    got += readAll(*f).size();
    EXPECT_EQ(got, 3000u);
}

TEST_F(HttpTest, ReadsOutsideASentRequestRaise)
{
    auto f = open(kSiteHost, "watch?v=none");
    char buf[8];
    EXPECT_THROW(f->Read(buf, sizeof buf), CInternetException);
    f->SendRequest();
    EXPECT_EQ(f->GetStatusCode(), 404u);
    EXPECT_THROW(f->SendRequest(), CInternetException);  // one request per object
    f->Close();
    f->Close();
    EXPECT_THROW(f->Read(buf, sizeof buf), CInternetException);
}

TEST_F(HttpTest, BodyWithoutContentLengthEndsAtTheClose)
{
    Video v;
    v.acceptedToken = "t";
    v.size = 100000;
    v.video.noContentLength = true;
    site.setVideo("n", v);
    auto f = open(kSiteHost, "get_video?video_id=n&t=t&fmt=18");
    f->SendRequest();
    QString len;
    EXPECT_FALSE(f->QueryInfo(HTTP_QUERY_CONTENT_LENGTH, len));
    EXPECT_EQ(readAll(*f).size(), 100000u);
}

TEST_F(HttpTest, BodyCutShortOfItsContentLengthIsAFailedRead)
{
    Video v;
    v.acceptedToken = "t";
    v.size = 100000;
    v.video.cutAfter = 30000;
    site.setVideo("c", v);
    auto f = open(kSiteHost, "get_video?video_id=c&t=t&fmt=18");
    f->SendRequest();
    size_t got = 0;
    char buf[1024];
    EXPECT_THROW(
        {
            while (unsigned n = f->Read(buf, 1023))
                got += n;
        },
        CInternetException);
    EXPECT_EQ(got, 30000u);  // everything that did arrive was delivered first
}

TEST_F(HttpTest, StallsPastTheReceiveTimeoutFail)
{
    Video v;
    v.acceptedToken = "t";
    v.size = 10000;
    v.video.stallAfterBytes = 2000;
    v.video.stallMs = 3000;
    v.page.stallBeforeHeadersMs = 3000;
    site.setVideo("s", v);

    auto page = open(kSiteHost, "watch?v=s", 0, 300);
    EXPECT_THROW(page->SendRequest(), CInternetException);

    auto video = open(kSiteHost, "get_video?video_id=s&t=t&fmt=18", 0, 300);
    video->SendRequest();
    size_t got = 0;
    char buf[1024];
    EXPECT_THROW(
        {
            while (unsigned n = video->Read(buf, 1023))
                got += n;
        },
        CInternetException);
    EXPECT_EQ(got, 2000u);
}

TEST_F(HttpTest, SlowButSteadyTrickleIsNoTimeout)
{
    Video v;
    v.acceptedToken = "t";
    v.size = 2000;
    v.video.trickleBytes = 200;
    v.video.trickleMs = 100;  // each gap well inside the time-out, the whole well beyond it
    site.setVideo("slow", v);
    auto f = open(kSiteHost, "get_video?video_id=slow&t=t&fmt=18", 0, 400);
    f->SendRequest();
    EXPECT_EQ(readAll(*f).size(), 2000u);
}

TEST(HttpResponseHeaders, OnlyTheFinalAnswerCountsAndAStatusIsThreeDigits)
{
    CHttpResponseHeaders headers(true);
    for (const char* line : {"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 302 Found\r\n", "Location: /n\r\n", "\r\n"})
        headers.Feed(line);
    EXPECT_FALSE(headers.Done());
    for (const char* line : {"HTTP/1.1 200 OK\r\n", "content-length:  42 \r\n", "\r\n"})
        headers.Feed(line);
    std::string value;
    EXPECT_TRUE(headers.Done());
    EXPECT_EQ(headers.Status(), 200u);
    EXPECT_TRUE(headers.Find("Content-Length", value));
    EXPECT_EQ(value, "42");
    EXPECT_FALSE(headers.Find("Location", value));

    CHttpResponseHeaders odd(false);
    odd.Feed("HTTP/1.1 2000 OK\r\n");
    EXPECT_EQ(odd.Status(), 0u);
    odd.Feed("HTTP/2 404\r\n");
    EXPECT_EQ(odd.Status(), 404u);
}

TEST(ScopedProxyTest, ClearsNoProxyAndRestoresEverything)
{
    ::setenv("http_proxy", "http://old:1", 1);
    ::setenv("no_proxy", "www.youtube.com", 1);
    ::unsetenv("NO_PROXY");
    {
        ScopedProxy proxy("http://127.0.0.1:9");
        EXPECT_STREQ(std::getenv("http_proxy"), "http://127.0.0.1:9");
        EXPECT_EQ(std::getenv("no_proxy"), nullptr);
    }
    EXPECT_STREQ(std::getenv("http_proxy"), "http://old:1");
    EXPECT_STREQ(std::getenv("no_proxy"), "www.youtube.com");
    EXPECT_EQ(std::getenv("NO_PROXY"), nullptr);
    ::unsetenv("http_proxy");
    ::unsetenv("no_proxy");
}

TEST(HttpFailures, ConnectionRefusedRaises)
{
    // A port that was just free: nothing listens there.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    const int port = ntohs(addr.sin_port);
    ::close(fd);

    ScopedProxy proxy("http://127.0.0.1:" + std::to_string(port));
    CInternetSession session;
    auto conn = session.GetHttpConnection(kSiteHost, 80);
    auto f = conn->OpenRequest("GET", "watch?v=x", 0);
    EXPECT_THROW(f->SendRequest(), CInternetException);
}
