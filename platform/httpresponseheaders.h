#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A header's name or value without the blanks and line ends around it.
std::string_view TrimHeaderText(std::string_view text);

// The header lines of an answer as libcurl hands them over, one at a time.
// A status line starts a new answer; an empty line ends one, and the final
// answer's end is the end of the headers. Interim answers (1xx), and
// redirects that are followed, are replaced by the answer after them.
class CHttpResponseHeaders {
public:
    explicit CHttpResponseHeaders(bool followRedirects) : m_bFollow(followRedirects) {}

    // One line, with or without its line end.
    void Feed(std::string_view line);
    bool Done() const { return m_bDone; }
    void SetDone() { m_bDone = true; }
    uint32_t Status() const { return m_nStatus; }
    // The first header of this name (any case), trimmed.
    bool Find(const char* name, std::string& value) const;

private:
    std::vector<std::pair<std::string, std::string>> m_headers;
    uint32_t m_nStatus = 0;
    bool m_bDone = false;
    bool m_bFollow;
};
