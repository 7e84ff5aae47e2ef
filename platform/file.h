#pragma once

#include <QString>

// A file opened for writing, create-always and not shared: the exclusive lock
// is taken before the file is truncated, so a file that another writer holds
// open is refused and left untouched. A symbolic link or anything but a plain
// file at the name is refused too. Failures raise CFileException.
class CFile {
public:
    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    void Open(const QString& path);
    void Write(const void* data, unsigned count);
    void Close();

    bool IsOpen() const { return m_fd >= 0; }

private:
    [[noreturn]] void Fail(int err, const char* what) const;

    int m_fd = -1;
    QString m_strPath;
};
