#pragma once

#include "httpresponseheaders.h"
#include "internetdefs.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// One HTTP request read in the pull model: add header lines, send, query a
// response header, then read the body in small pieces. libcurl pushes data
// through callbacks; the transfer is paused while our small buffer is full,
// so memory never grows with the size of the body.
class CHttpFile {
public:
    CHttpFile(std::string url, QString agent, uint32_t receiveTimeoutMs, bool followRedirects);
    ~CHttpFile();
    CHttpFile(const CHttpFile&) = delete;
    CHttpFile& operator=(const CHttpFile&) = delete;

    // Asked at least every 200 ms while the request waits for the server:
    // true ends the wait at once. SendRequest then throws CUserException,
    // and Read returns 0 as at the end of the body.
    void SetCancelCheck(std::function<bool()> check) { m_cancel = std::move(check); }

    // Adds one "Name: value" line unless the request already has a header of that name.
    void AddRequestHeaders(const QString& line, uint32_t flags = HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    // Sends and waits for the final response's headers, which must be in
    // within the receive time-out. Throws CInternetException.
    void SendRequest();
    // Value of a header of the final response; false and empty when absent.
    bool QueryInfo(uint32_t query, QString& value) const;
    uint32_t GetStatusCode() const { return m_headers.Status(); }
    // At most count bytes; 0 at the end of the body or once cancelled. Throws CInternetException on
    // a failure, a time-out, or a body that ends before its Content-Length.
    unsigned Read(void* buffer, unsigned count);
    void Close();

private:
    struct Curl;
    static size_t HeaderCallback(char* data, size_t size, size_t n, void* self);
    static size_t WriteCallback(char* data, size_t size, size_t n, void* self);
    void Pump(bool untilHeaders);
    // Up to `wanted` bytes of the budget all transfers share; 0 once cancelled.
    size_t Draw(size_t wanted);
    [[noreturn]] void Fail(uint32_t code, const QString& what) const;

    std::string m_strUrl;
    QString m_strAgent;
    uint32_t m_dwTimeout;
    bool m_bFollow;
    std::vector<std::string> m_headerLines;
    std::function<bool()> m_cancel;
    std::unique_ptr<Curl> m_curl;

    // Response state, filled by the callbacks.
    CHttpResponseHeaders m_headers;
    bool m_bDone = false;
    bool m_bPaused = false;
    bool m_bCancelled = false;
    bool m_bDrawing = false;  // joined the shared budget
    int m_nResult = 0;
    std::string m_buffer;
    size_t m_nBufferPos = 0;
    uint64_t m_nLastActivityMs = 0;
    uint64_t m_nSentMs = 0;
};
