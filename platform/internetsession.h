#pragma once

#include "httpconnection.h"

#include <QString>
#include <memory>

// One per download job. Holds the agent string; the proxy is the system's
// (libcurl reads http_proxy / no_proxy itself).
class CInternetSession {
public:
    // Throws CInternetException when libcurl cannot be initialised.
    explicit CInternetSession(const QString& agent = QStringLiteral("Ferrowick"));
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    std::unique_ptr<CHttpConnection> GetHttpConnection(const QString& server, uint16_t port = 80,
                                                       uint32_t flags = 0) const;

    // Initialises libcurl once per process; throws CInternetException when it refuses.
    static void InitLibrary();

private:
    QString m_strAgent;
};
