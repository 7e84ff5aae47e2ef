#include "httpconnection.h"

namespace {

// Bytes that cannot stand in a request line are escaped; everything else,
// including '?', '&' and '=', goes as the caller formed it.
std::string EscapeObject(const QString& object)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : object.toUtf8()) {
        if (c <= 0x20 || c >= 0x7f || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}' || c == '#') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

}  // namespace

CHttpConnection::CHttpConnection(QString server, uint16_t port, QString agent)
    : m_strServer(std::move(server)), m_nPort(port), m_strAgent(std::move(agent))
{
}

void CHttpConnection::SetOption(uint32_t option, uint32_t value)
{
    if (option == INTERNET_OPTION_RECEIVE_TIMEOUT)
        m_dwReceiveTimeout = value;
}

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(const QString& /*verb: always GET*/, const QString& object,
                                                        uint32_t flags)
{
    const std::string url =
        "http://" + m_strServer.toStdString() + ":" + std::to_string(m_nPort) + "/" + EscapeObject(object);
    return std::make_unique<CHttpFile>(url, m_strAgent, m_dwReceiveTimeout, !(flags & INTERNET_FLAG_NO_AUTO_REDIRECT));
}
