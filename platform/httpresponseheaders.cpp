#include "httpresponseheaders.h"

#include <strings.h>

std::string_view TrimHeaderText(std::string_view s)
{
    const char* ws = " \t\r\n";
    const size_t b = s.find_first_not_of(ws);
    if (b == std::string_view::npos)
        return {};
    return s.substr(b, s.find_last_not_of(ws) - b + 1);
}

namespace {

bool IsFollowedRedirect(uint32_t status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The three digits after "HTTP/x "; 0 when there are none. A status of more
// digits is not a status.
uint32_t StatusOf(std::string_view line)
{
    const size_t sp = line.find(' ');
    if (sp == std::string_view::npos)
        return 0;
    uint32_t status = 0;
    size_t i = sp + 1;
    for (; i < line.size() && i < sp + 4 && line[i] >= '0' && line[i] <= '9'; ++i)
        status = status * 10 + uint32_t(line[i] - '0');
    const bool three = i == sp + 4 && (i == line.size() || line[i] < '0' || line[i] > '9');
    return three ? status : 0;
}

}  // namespace

void CHttpResponseHeaders::Feed(std::string_view line)
{
    if (line.substr(0, 5) == "HTTP/") {
        // A new answer begins (after a redirect or an interim answer): its headers replace the last.
        m_headers.clear();
        m_nStatus = StatusOf(line);
        return;
    }
    line = TrimHeaderText(line);
    if (line.empty()) {
        const bool interim = m_nStatus >= 100 && m_nStatus < 200;
        bool redirected = false;
        if (m_bFollow && IsFollowedRedirect(m_nStatus)) {
            for (const auto& [name, value] : m_headers)
                redirected = redirected || (strcasecmp(name.c_str(), "Location") == 0 && !value.empty());
        }
        if (!interim && !redirected)
            m_bDone = true;
        return;
    }
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos)
        m_headers.emplace_back(TrimHeaderText(line.substr(0, colon)), TrimHeaderText(line.substr(colon + 1)));
}

bool CHttpResponseHeaders::Find(const char* name, std::string& value) const
{
    for (const auto& [have, text] : m_headers) {
        if (strcasecmp(have.c_str(), name) == 0) {
            value = text;
            return true;
        }
    }
    return false;
}
