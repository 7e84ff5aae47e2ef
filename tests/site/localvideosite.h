#pragma once

// A real HTTP server on a loopback port that speaks the video site's
// protocol, reached through http_proxy with the real host names, and that
// misbehaves on demand. One connection per request (Connection: close).

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace localsite {

// How one kind of response goes wrong (all off by default).
struct Misbehaviour {
    int status = 200;                // an error status is sent with a small body
    bool noContentLength = false;    // the body ends at the close
    bool zeroContentLength = false;  // "Content-Length: 0" and no body
    int64_t cutAfter = -1;           // close after this many body bytes (Content-Length stays whole)
    int stallBeforeHeadersMs = 0;    // wait before answering at all
    int headerTrickleMs = 0;         // then one header line this often, and never an end
    int64_t stallAfterBytes = -1;    // then stall for stallMs after this many body bytes
    int stallMs = 0;
    size_t trickleBytes = 0;    // send the body in pieces of this size...
    int trickleMs = 0;          // ...with this pause between them
    int redirects = 0;          // answer with this many 302 hops first
    bool endless = false;       // no Content-Length, and after the body 'x' for ever
    int64_t chunkedBytes = -1;  // a chunked body of this many bytes, under the Content-Length all the same
};

// How get_video answers "Range: bytes=N-".
enum class Ranges {
    Honour,    // 206 with the rest of the body from N
    Ignore,    // 200 with the whole body, as a server without ranges
    Misplace,  // 206 with the whole body, its Content-Range starting at 0
};

struct Video {
    std::optional<std::string> title;          // page holds <title>YouTube - TITLE</title>
    std::optional<std::string> pageToken;      // page holds , "t": "TOKEN"
    std::optional<std::string> redirectToken;  // v/ID answers 303 with Location ...&t=TOKEN, else 200
    std::string acceptedToken;                 // get_video checks t against this
    uint64_t size = 4096;                      // video body length
    size_t pagePadding = 0;                    // extra bytes in the watch page
    std::string rawPage;                       // when set, the whole watch page as given
    std::string thumbnail;                     // when set, the thumbnail body instead of kThumbBody
    Ranges ranges = Ranges::Honour;
    Misbehaviour page, embed, video, thumb;
};

// A video the whole protocol serves: its title on the watch page, its token
// there and accepted.
Video GoodVideo(const std::string& title, uint64_t size, const std::string& token = "tok");
// 50 MiB that trickle out, so its download runs until it is stopped.
Video SlowVideo(const std::string& title);

struct Request {
    std::string requestLine;
    std::string host;    // from the absolute target or the Host header
    std::string target;  // path and query
    std::vector<std::pair<std::string, std::string>> headers;

    // The value of the last header line of this name; empty without one.
    std::string header(const std::string& name) const
    {
        std::string value;
        for (const auto& [have, text] : headers)
            if (have == name)
                value = text;
        return value;
    }
};

// The byte at offset i of every generated video body.
inline char VideoByte(uint64_t i)
{
    return char((i * 31 + 7) & 0xff);
}

// The first n bytes of every generated video body.
inline std::string VideoBody(uint64_t n)
{
    std::string body(n, '\0');
    for (uint64_t i = 0; i < n; ++i)
        body[i] = VideoByte(i);
    return body;
}

inline const char* kSiteHost = "www.youtube.com";
inline const char* kThumbHost = "i.ytimg.com";
inline const char* kThumbBody = "\xff\xd8\xff\xe0 thumbnail bytes \xff\xd9";

class LocalVideoSite {
public:
    LocalVideoSite();   // listens on 127.0.0.1 at an ephemeral port
    ~LocalVideoSite();  // stops and joins every connection
    LocalVideoSite(const LocalVideoSite&) = delete;
    LocalVideoSite& operator=(const LocalVideoSite&) = delete;

    uint16_t port() const { return m_port; }
    std::string proxyUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    void setVideo(const std::string& id, Video video);
    std::vector<Request> requests() const;
    // Requests whose path starts with prefix ("/watch", "/v/", "/get_video", "/vi/").
    int count(const std::string& prefix) const;
    void clearRequests();

private:
    void acceptLoop();
    void serve(int fd);
    bool lookup(const std::string& id, Video& out) const;

    int m_listenFd = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;
    std::map<std::string, Video> m_videos;
    std::vector<Request> m_requests;
    std::vector<std::thread> m_workers;
    std::vector<int> m_openFds;
};

// Points libcurl's proxy setting at the site for the scope's lifetime
// (http_proxy set, no_proxy / NO_PROXY cleared); the old values come back after.
class ScopedProxy {
public:
    explicit ScopedProxy(const std::string& url);
    ~ScopedProxy();
    ScopedProxy(const ScopedProxy&) = delete;
    ScopedProxy& operator=(const ScopedProxy&) = delete;

private:
    std::optional<std::string> m_old, m_oldNoProxy, m_oldNoProxyUpper;
};

}  // namespace localsite
