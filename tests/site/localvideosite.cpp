#include "localvideosite.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <strings.h>

namespace localsite {

namespace {

using BodyFn = std::function<void(uint64_t offset, char* out, size_t n)>;

std::string QueryValue(const std::string& target, const std::string& name)
{
    const size_t q = target.find('?');
    if (q == std::string::npos)
        return {};
    size_t pos = q + 1;
    while (pos <= target.size()) {
        size_t amp = target.find('&', pos);
        if (amp == std::string::npos)
            amp = target.size();
        const std::string pair = target.substr(pos, amp - pos);
        const size_t eq = pair.find('=');
        if (pair.substr(0, eq) == name)
            return eq == std::string::npos ? std::string() : pair.substr(eq + 1);
        pos = amp + 1;
    }
    return {};
}

// N of a "Range: bytes=N-" header line; none without one.
std::optional<uint64_t> RangeStart(const Request& req)
{
    for (const auto& [name, value] : req.headers) {
        if (strcasecmp(name.c_str(), "Range") != 0 || value.rfind("bytes=", 0) != 0)
            continue;
        const char* digits = value.c_str() + 6;
        char* end = nullptr;
        const unsigned long long n = std::strtoull(digits, &end, 10);
        if (end != digits && std::strcmp(end, "-") == 0)
            return n;
    }
    return std::nullopt;
}

}  // namespace

LocalVideoSite::LocalVideoSite()
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        throw std::runtime_error("socket");
    int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_listenFd, 64) != 0)
        throw std::runtime_error("bind/listen");
    socklen_t len = sizeof addr;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

LocalVideoSite::~LocalVideoSite()
{
    m_stopping = true;
    ::shutdown(m_listenFd, SHUT_RDWR);
    m_acceptThread.join();
    ::close(m_listenFd);
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int fd : m_openFds)
            ::shutdown(fd, SHUT_RDWR);
        workers.swap(m_workers);
    }
    for (std::thread& t : workers)
        t.join();
}

void LocalVideoSite::setVideo(const std::string& id, Video video)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_videos[id] = std::move(video);
}

bool LocalVideoSite::lookup(const std::string& id, Video& out) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_videos.find(id);
    if (it == m_videos.end())
        return false;
    out = it->second;
    return true;
}

std::vector<Request> LocalVideoSite::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

int LocalVideoSite::count(const std::string& prefix) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(std::count_if(m_requests.begin(), m_requests.end(),
                             [&](const Request& r) { return r.target.rfind(prefix, 0) == 0; }));
}

void LocalVideoSite::clearRequests()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
}

void LocalVideoSite::acceptLoop()
{
    while (!m_stopping) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (m_stopping)
                return;
            continue;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) {
            ::close(fd);
            return;
        }
        m_openFds.push_back(fd);
        m_workers.emplace_back([this, fd] { serve(fd); });
    }
}

namespace {

class Connection {
public:
    Connection(int fd, const std::atomic<bool>& stopping) : m_fd(fd), m_stopping(stopping) {}

    bool sendAll(const char* p, size_t n)
    {
        while (n > 0) {
            const ssize_t w = ::send(m_fd, p, n, MSG_NOSIGNAL);
            if (w <= 0)
                return false;
            p += w;
            n -= size_t(w);
        }
        return true;
    }
    bool sendAll(const std::string& s) { return sendAll(s.data(), s.size()); }

    // Sleeps, but wakes early when the site stops.
    bool pause(int ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (m_stopping)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 10)));
        }
        return !m_stopping;
    }

    void respond(int status, const std::vector<std::string>& headers, uint64_t length, const BodyFn& body,
                 const Misbehaviour& m)
    {
        if (m.stallBeforeHeadersMs && !pause(m.stallBeforeHeadersMs))
            return;
        std::string head = "HTTP/1.1 " + std::to_string(status) + (status < 300 ? " OK" : " Answer") + "\r\n";
        if (m.headerTrickleMs) {
            bool sent = sendAll(head);
            while (sent && pause(m.headerTrickleMs))
                sent = sendAll("X-Wait: 1\r\n");
            return;
        }
        for (const std::string& h : headers)
            head += h + "\r\n";
        if (m.zeroContentLength)
            length = 0;
        if (!m.noContentLength && !m.endless)
            head += "Content-Length: " + std::to_string(length) + "\r\n";
        if (m.chunkedBytes >= 0)
            head += "Transfer-Encoding: chunked\r\n";
        head += "Connection: close\r\n\r\n";
        if (!sendAll(head))
            return;
        if (m.chunkedBytes >= 0) {
            char buf[4096];
            bool ok = true;
            for (int64_t sent = 0; ok && sent < m.chunkedBytes; sent += int64_t(sizeof buf)) {
                const size_t n = size_t(std::min<int64_t>(sizeof buf, m.chunkedBytes - sent));
                std::memset(buf, 'x', n);
                if (uint64_t(sent) < length)
                    body(uint64_t(sent), buf, size_t(std::min<uint64_t>(n, length - uint64_t(sent))));
                char size[32];
                std::snprintf(size, sizeof size, "%zx\r\n", n);
                ok = sendAll(size) && sendAll(buf, n) && sendAll("\r\n");
            }
            if (ok)
                sendAll("0\r\n\r\n");
            return;
        }
        uint64_t limit = m.endless ? UINT64_MAX : length;
        if (m.cutAfter >= 0)
            limit = std::min<uint64_t>(limit, uint64_t(m.cutAfter));
        char buf[64 * 1024];
        uint64_t sent = 0;
        bool stalled = false;
        while (sent < limit) {
            size_t n = size_t(std::min<uint64_t>(sizeof buf, limit - sent));
            if (m.trickleBytes)
                n = std::min(n, m.trickleBytes);
            if (m.stallAfterBytes >= 0 && !stalled) {
                if (sent >= uint64_t(m.stallAfterBytes)) {
                    stalled = true;
                    if (!pause(m.stallMs))
                        return;
                } else {
                    n = size_t(std::min<uint64_t>(n, uint64_t(m.stallAfterBytes) - sent));
                }
            }
            if (sent < length) {
                n = size_t(std::min<uint64_t>(n, length - sent));
                body(sent, buf, n);
            } else {
                std::memset(buf, 'x', n);  // past the end of an endless body
            }
            if (!sendAll(buf, n))
                return;
            sent += n;
            if (m.trickleMs && !pause(m.trickleMs))
                return;
        }
    }

    void respondText(int status, const std::vector<std::string>& headers, const std::string& text,
                     const Misbehaviour& m)
    {
        respond(
            status, headers, text.size(),
            [&](uint64_t off, char* out, size_t n) { std::memcpy(out, text.data() + off, n); }, m);
    }

private:
    int m_fd;
    const std::atomic<bool>& m_stopping;
};

}  // namespace

void LocalVideoSite::serve(int fd)
{
    std::string in;
    char buf[4096];
    while (in.find("\r\n\r\n") == std::string::npos && in.size() < 64 * 1024) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        in.append(buf, size_t(n));
    }
    Request req;
    const size_t eol = in.find("\r\n");
    if (eol != std::string::npos) {
        req.requestLine = in.substr(0, eol);
        size_t pos = eol + 2;
        while (pos < in.size()) {
            const size_t e = in.find("\r\n", pos);
            if (e == std::string::npos || e == pos)
                break;
            const std::string line = in.substr(pos, e - pos);
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(' '));
                req.headers.emplace_back(line.substr(0, colon), value);
            }
            pos = e + 2;
        }
        const size_t sp1 = req.requestLine.find(' ');
        const size_t sp2 = req.requestLine.rfind(' ');
        std::string target =
            sp1 != std::string::npos && sp2 > sp1 ? req.requestLine.substr(sp1 + 1, sp2 - sp1 - 1) : "";
        if (target.rfind("http://", 0) == 0) {  // proxy form
            const size_t slash = target.find('/', 7);
            req.host = target.substr(7, slash == std::string::npos ? std::string::npos : slash - 7);
            target = slash == std::string::npos ? "/" : target.substr(slash);
        } else {
            for (const auto& [name, value] : req.headers)
                if (strcasecmp(name.c_str(), "Host") == 0)
                    req.host = value;
        }
        const size_t colon = req.host.find(':');
        if (colon != std::string::npos)
            req.host.resize(colon);
        req.target = target;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(req);
    }

    Connection conn(fd, m_stopping);
    const std::string& t = req.target;
    Video v;
    const Misbehaviour plain;
    auto hops = [&](const Misbehaviour& m) {
        const int hop = std::atoi(QueryValue(t, "hop").c_str());
        if (hop < m.redirects) {
            const std::string sep = t.find('?') == std::string::npos ? "?" : "&";
            std::string next = t;
            const size_t h = next.find("&hop=");
            if (h != std::string::npos)
                next.resize(h);
            conn.respondText(302, {"Location: http://" + req.host + next + sep + "hop=" + std::to_string(hop + 1)},
                             "moved", plain);
            return true;
        }
        return false;
    };
    auto errorOr = [&](const Misbehaviour& m) {
        if (m.status >= 300) {
            conn.respondText(m.status, {"Content-Type: text/html"}, "<html><body>error page</body></html>", m);
            return true;
        }
        return false;
    };

    if (req.host == kThumbHost && t.rfind("/vi/", 0) == 0) {
        const std::string id = t.substr(4, t.find('/', 4) - 4);
        if (!lookup(id, v))
            conn.respondText(404, {}, "no such thumbnail", plain);
        else if (!hops(v.thumb) && !errorOr(v.thumb))
            conn.respondText(200, {"Content-Type: image/jpeg"}, v.thumbnail.empty() ? kThumbBody : v.thumbnail,
                             v.thumb);
    } else if (req.host == kSiteHost && t.rfind("/watch?", 0) == 0) {
        if (!lookup(QueryValue(t, "v"), v)) {
            conn.respondText(404, {}, "<html><title>YouTube - Broadcast Yourself.</title></html>", plain);
        } else if (!hops(v.page) && !errorOr(v.page)) {
            std::string page = v.rawPage;
            if (page.empty()) {
                page = "<html><head>";
                if (v.title)
                    page += "<title>YouTube - " + *v.title + "</title>";
                page += "</head><body>" + std::string(v.pagePadding, 'x') + "<script>var args = {\"video_id\": \"id\"";
                if (v.pageToken)
                    page += ", \"t\": \"" + *v.pageToken + "\"";
                page += "};</script></body></html>";
            }
            conn.respondText(200, {"Content-Type: text/html; charset=utf-8"}, page, v.page);
        }
    } else if (req.host == kSiteHost && t.rfind("/v/", 0) == 0) {
        const std::string id = t.substr(3, t.find_first_of("&?", 3) - 3);
        if (!lookup(id, v))
            conn.respondText(404, {}, "no such video", plain);
        else if (errorOr(v.embed))
            ;  // the error page is the whole answer
        else if (v.redirectToken)
            conn.respondText(
                303, {"Location: http://www.youtube.com/swf/player.swf?video_id=" + id + "&t=" + *v.redirectToken}, "",
                v.embed);
        else
            conn.respondText(200, {"Content-Type: application/x-shockwave-flash"}, "swf", v.embed);
    } else if (req.host == kSiteHost && t.rfind("/get_video?", 0) == 0) {
        if (!lookup(QueryValue(t, "video_id"), v) || QueryValue(t, "t") != v.acceptedToken) {
            conn.respondText(403, {"Content-Type: text/html"}, "<html><body>forbidden</body></html>", plain);
        } else if (!hops(v.video) && !errorOr(v.video)) {
            int status = 200;
            uint64_t from = 0;
            std::vector<std::string> headers{"Content-Type: video/mp4"};
            const std::optional<uint64_t> asked = RangeStart(req);
            if (asked && v.ranges != Ranges::Ignore) {
                if (*asked >= v.size) {
                    conn.respondText(416, {"Content-Range: bytes */" + std::to_string(v.size)}, "", plain);
                    status = 0;
                } else {
                    status = 206;
                    from = v.ranges == Ranges::Honour ? *asked : 0;
                    headers.push_back("Content-Range: bytes " + std::to_string(from) + "-" +
                                      std::to_string(v.size - 1) + "/" + std::to_string(v.size));
                }
            }
            if (status != 0)
                conn.respond(
                    status, headers, v.size - from,
                    [from](uint64_t off, char* out, size_t n) {
                        // The pattern repeats every 256 bytes: copy it from a table.
                        static const std::string table = [] {
                            std::string t(64 * 1024 + 256, '\0');
                            for (size_t i = 0; i < t.size(); ++i)
                                t[i] = VideoByte(i);
                            return t;
                        }();
                        std::memcpy(out, table.data() + (from + off) % 256, n);
                    },
                    v.video);
        }
    } else {
        conn.respondText(404, {}, "not found", plain);
    }

    std::lock_guard<std::mutex> lock(m_mutex);
    m_openFds.erase(std::remove(m_openFds.begin(), m_openFds.end(), fd), m_openFds.end());
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

namespace {

std::optional<std::string> GetEnv(const char* name)
{
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

void RestoreEnv(const char* name, const std::optional<std::string>& value)
{
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

}  // namespace

Video GoodVideo(const std::string& title, uint64_t size, const std::string& token)
{
    Video v;
    v.title = title;
    v.pageToken = token;
    v.acceptedToken = token;
    v.size = size;
    return v;
}

Video SlowVideo(const std::string& title)
{
    Video v = GoodVideo(title, 50 * 1024 * 1024);
    v.video.trickleBytes = 4096;
    v.video.trickleMs = 30;
    return v;
}

ScopedProxy::ScopedProxy(const std::string& url)
    : m_old(GetEnv("http_proxy")), m_oldNoProxy(GetEnv("no_proxy")), m_oldNoProxyUpper(GetEnv("NO_PROXY"))
{
    ::setenv("http_proxy", url.c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
}

ScopedProxy::~ScopedProxy()
{
    RestoreEnv("http_proxy", m_old);
    RestoreEnv("no_proxy", m_oldNoProxy);
    RestoreEnv("NO_PROXY", m_oldNoProxyUpper);
}

}  // namespace localsite
