#pragma once

#include "httpfile.h"
#include "internetdefs.h"

#include <QString>
#include <memory>

// A server and port plus the options its requests inherit. Opening a
// request costs nothing on the network; sending does.
class CHttpConnection {
public:
    CHttpConnection(QString server, uint16_t port, QString agent);

    void SetOption(uint32_t option, uint32_t value);
    std::unique_ptr<CHttpFile> OpenRequest(const QString& verb, const QString& object, uint32_t flags);

private:
    QString m_strServer;
    uint16_t m_nPort;
    QString m_strAgent;
    uint32_t m_dwReceiveTimeout = INTERNET_DEFAULT_RECEIVE_TIMEOUT_MS;
};
