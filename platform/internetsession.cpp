#include "internetsession.h"

#include "exception.h"

#include <curl/curl.h>

void CInternetSession::InitLibrary()
{
    // Once per process, whichever thread gets here first; later callers wait for it.
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised)
        throw CInternetException(CURLE_FAILED_INIT, QStringLiteral("the HTTP library cannot be initialised"));
}

CInternetSession::CInternetSession(const QString& agent) : m_strAgent(agent)
{
    InitLibrary();
}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const QString& server, uint16_t port,
                                                                     uint32_t /*flags*/) const
{
    return std::make_unique<CHttpConnection>(server, port, m_strAgent);
}
