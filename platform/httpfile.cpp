#include "httpfile.h"

#include "exception.h"
#include "internetsession.h"
#include "transferbudget.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <strings.h>
#include <thread>

namespace {

uint64_t NowMs()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

struct CHttpFile::Curl {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    bool added = false;

    ~Curl()
    {
        if (multi && easy && added)
            curl_multi_remove_handle(multi, easy);
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
        if (headers)
            curl_slist_free_all(headers);
    }
};

CHttpFile::CHttpFile(std::string url, QString agent, uint32_t receiveTimeoutMs, bool followRedirects)
    : m_strUrl(std::move(url)), m_strAgent(std::move(agent)),
      m_dwTimeout(receiveTimeoutMs ? receiveTimeoutMs : INTERNET_DEFAULT_RECEIVE_TIMEOUT_MS),
      m_bFollow(followRedirects), m_headers(followRedirects)
{
}

CHttpFile::~CHttpFile()
{
    Close();
}

void CHttpFile::Fail(uint32_t code, const QString& what) const
{
    throw CInternetException(code, what + QStringLiteral(" (") + QString::fromStdString(m_strUrl) + ')');
}

void CHttpFile::AddRequestHeaders(const QString& line, uint32_t flags)
{
    const std::string text = line.trimmed().toStdString();
    const std::string_view view = text;
    const size_t colon = text.find(':');
    // A line break inside the text would smuggle in further header lines.
    if (colon == std::string::npos || colon == 0 || text.find_first_of("\r\n") != std::string::npos)
        return;
    const std::string name(TrimHeaderText(view.substr(0, colon)));
    if (flags & HTTP_ADDREQ_FLAG_ADD_IF_NEW) {
        for (const std::string& have : m_headerLines) {
            const std::string haveName(TrimHeaderText(std::string_view(have).substr(0, have.find(':'))));
            if (strcasecmp(haveName.c_str(), name.c_str()) == 0)
                return;
        }
    }
    // Blanks before the colon are not allowed on the wire.
    m_headerLines.push_back(name + ": " + std::string(TrimHeaderText(view.substr(colon + 1))));
}

size_t CHttpFile::HeaderCallback(char* data, size_t size, size_t n, void* p)
{
    auto* self = static_cast<CHttpFile*>(p);
    const size_t len = size * n;
    self->m_nLastActivityMs = NowMs();
    self->m_headers.Feed(std::string_view(data, len));
    return len;
}

size_t CHttpFile::WriteCallback(char* data, size_t size, size_t n, void* p)
{
    auto* self = static_cast<CHttpFile*>(p);
    const size_t len = size * n;
    // A full chunk unread pauses the transfer until the reader catches up.
    if (self->m_buffer.size() - self->m_nBufferPos >= INTERNET_READ_CHUNK) {
        self->m_bPaused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (self->m_nBufferPos > 0 && self->m_nBufferPos == self->m_buffer.size()) {
        self->m_buffer.clear();
        self->m_nBufferPos = 0;
    } else if (self->m_nBufferPos > INTERNET_READ_CHUNK) {
        self->m_buffer.erase(0, self->m_nBufferPos);
        self->m_nBufferPos = 0;
    }
    self->m_headers.SetDone();
    self->m_nLastActivityMs = NowMs();
    self->m_buffer.append(data, len);
    return len;
}

void CHttpFile::SendRequest()
{
    CInternetSession::InitLibrary();
    if (m_curl)
        Fail(CURLE_FAILED_INIT, QStringLiteral("request already sent"));

    m_curl = std::make_unique<Curl>();
    m_curl->easy = curl_easy_init();
    m_curl->multi = curl_multi_init();
    if (!m_curl->easy || !m_curl->multi)
        Fail(CURLE_OUT_OF_MEMORY, QStringLiteral("cannot create a request"));

    for (const std::string& line : m_headerLines) {
        curl_slist* next = curl_slist_append(m_curl->headers, line.c_str());
        if (!next)
            Fail(CURLE_OUT_OF_MEMORY, QStringLiteral("cannot add a header line"));
        m_curl->headers = next;
    }

    CURL* e = m_curl->easy;
    const std::string agent = m_strAgent.toStdString();
    curl_easy_setopt(e, CURLOPT_URL, m_strUrl.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());  // an added User-Agent line replaces it
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, m_curl->headers);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, m_bFollow ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, INTERNET_MAX_REDIRECTS);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http");
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(m_dwTimeout));
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CHttpFile::HeaderCallback);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CHttpFile::WriteCallback);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, long(INTERNET_READ_CHUNK));

    if (curl_multi_add_handle(m_curl->multi, e) != CURLM_OK)
        Fail(CURLE_FAILED_INIT, QStringLiteral("cannot start the request"));
    m_curl->added = true;
    m_nSentMs = NowMs();
    m_nLastActivityMs = m_nSentMs;
    Pump(true);
    if (m_bCancelled)
        throw CUserException(QStringLiteral("stopped while waiting for %1").arg(QString::fromStdString(m_strUrl)));
    if (!m_headers.Done() && m_bDone && m_nResult == CURLE_OK)
        m_headers.SetDone();
    if (m_bDone && m_nResult != CURLE_OK && m_buffer.empty() && !m_headers.Done())
        Fail(uint32_t(m_nResult), QString::fromUtf8(curl_easy_strerror(CURLcode(m_nResult))));
}

// Drives the transfer until the final headers are in (or, for reads, until
// data is buffered), the transfer ends, or nothing arrives within the time-out.
void CHttpFile::Pump(bool untilHeaders)
{
    auto satisfied = [&] { return untilHeaders ? m_headers.Done() : m_nBufferPos < m_buffer.size(); };
    // The time-out counts from the start of this wait: time the caller spent
    // between reads is not the server's silence.
    m_nLastActivityMs = NowMs();
    while (!satisfied() && !m_bDone) {
        int running = 0;
        if (curl_multi_perform(m_curl->multi, &running) != CURLM_OK)
            Fail(CURLE_RECV_ERROR, QStringLiteral("transfer failed"));
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(m_curl->multi, &left)) {
            if (msg->msg == CURLMSG_DONE) {
                m_bDone = true;
                m_nResult = msg->data.result;
            }
        }
        if (satisfied() || m_bDone)
            break;
        if (m_cancel && m_cancel()) {
            m_bCancelled = true;
            return;
        }
        const uint64_t now = NowMs();
        const uint64_t idle = now - m_nLastActivityMs;
        if (idle >= m_dwTimeout)
            Fail(CURLE_OPERATION_TIMEDOUT, QStringLiteral("the server sent nothing in time"));
        // Header lines that trickle in keep the line busy but never end the
        // headers: they count from the request, not from the last line.
        if (untilHeaders && now - m_nSentMs >= m_dwTimeout)
            Fail(CURLE_OPERATION_TIMEDOUT, QStringLiteral("the server did not finish its headers in time"));
        const int wait = int(std::min<uint64_t>(m_dwTimeout - idle, 200));
        curl_multi_poll(m_curl->multi, nullptr, 0, wait, nullptr);
    }
}

bool CHttpFile::QueryInfo(uint32_t query, QString& value) const
{
    value.clear();
    if (query == HTTP_QUERY_STATUS_CODE) {
        if (!m_headers.Status())
            return false;
        value = QString::number(m_headers.Status());
        return true;
    }
    const char* name = query == HTTP_QUERY_CONTENT_LENGTH  ? "Content-Length"
                       : query == HTTP_QUERY_LOCATION      ? "Location"
                       : query == HTTP_QUERY_CONTENT_RANGE ? "Content-Range"
                                                           : nullptr;
    std::string text;
    if (!name || !m_headers.Find(name, text))
        return false;
    value = QString::fromUtf8(text.c_str());
    return true;
}

unsigned CHttpFile::Read(void* buffer, unsigned count)
{
    if (!m_curl)
        Fail(CURLE_SEND_ERROR, QStringLiteral("read before send"));
    if (count == 0 || m_bCancelled)
        return 0;
    if (m_nBufferPos == m_buffer.size()) {
        m_buffer.clear();
        m_nBufferPos = 0;
        if (m_bPaused) {
            m_bPaused = false;
            m_nLastActivityMs = NowMs();
            curl_easy_pause(m_curl->easy, CURLPAUSE_CONT);
        }
        Pump(false);
    }
    const size_t avail = m_buffer.size() - m_nBufferPos;
    if (avail == 0 && m_bCancelled)
        return 0;
    if (avail == 0) {
        // The end of the body: a transfer that ended in error (a cut body, a
        // reset, a short Content-Length) is a failed read, not the end.
        if (m_nResult != CURLE_OK)
            Fail(uint32_t(m_nResult), QString::fromUtf8(curl_easy_strerror(CURLcode(m_nResult))));
        return 0;
    }
    const size_t n = Draw(std::min<size_t>(avail, count));
    if (n == 0)
        return 0;
    std::memcpy(buffer, m_buffer.data() + m_nBufferPos, n);
    m_nBufferPos += n;
    return unsigned(n);
}

size_t CHttpFile::Draw(size_t wanted)
{
    CTransferBudget& budget = CTransferBudget::Global();
    if (budget.GetRate() == 0)
        return wanted;
    if (!m_bDrawing) {
        budget.Join(this);
        m_bDrawing = true;
    }
    // Waiting for a share is no silence of the server's: the receive
    // time-out counts only while the layer waits for data.
    for (;;) {
        int waitMs = 0;
        if (const size_t granted = budget.Take(this, wanted, waitMs))
            return granted;
        if (m_cancel && m_cancel()) {
            m_bCancelled = true;
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    }
}

void CHttpFile::Close()
{
    if (m_bDrawing) {
        CTransferBudget::Global().Leave(this);
        m_bDrawing = false;
    }
    m_curl.reset();
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_nBufferPos = 0;
}
