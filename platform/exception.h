#pragma once

#include <QString>
#include <cstdint>

// The failure family of the program. Thrown by value, caught by reference;
// the download worker turns each kind into its outcome code.
class CException {
public:
    CException() = default;
    explicit CException(QString message) : m_strMessage(std::move(message)) {}
    virtual ~CException() = default;

    const QString& GetErrorMessage() const { return m_strMessage; }

protected:
    QString m_strMessage;
};

// Memory a task must not take: it ends that task, not the program.
class CMemoryException : public CException {
public:
    using CException::CException;
};

// A stop request, or an operation that rejected its input after telling the user.
class CUserException : public CException {
public:
    using CException::CException;
};

// Any network failure: resolve, connect, send, read, time-out, transfer cut.
class CInternetException : public CException {
public:
    CInternetException(uint32_t dwError, QString message) : CException(std::move(message)), m_dwError(dwError) {}

    uint32_t m_dwError = 0;  // the HTTP layer's error code (a CURLcode)
};

// A file that cannot be created, locked, written or closed.
class CFileException : public CException {
public:
    CFileException(int osError, QString fileName, QString message)
        : CException(std::move(message)), m_lOsError(osError), m_strFileName(std::move(fileName))
    {
    }

    int m_lOsError = 0;  // errno of the failing call
    QString m_strFileName;
};
