#pragma once

#include <QString>
#include <cstdint>

// A file opened for writing and not shared: the exclusive lock is taken
// before the file is truncated, so a file that another writer holds open is
// refused and left untouched. A symbolic link or anything but a plain file at
// the name is refused too. Failures raise CFileException.
class CFile {
public:
    enum OpenMode {
        CreateAlways,  // an existing file is truncated
        KeepContent,   // only an existing file, which keeps its bytes; writes go after them
        CreateNew,     // only a new file: anything at the name fails with EEXIST
    };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    void Open(const QString& path, OpenMode mode = CreateAlways);
    void Write(const void* data, unsigned count);
    // Its size now, under the lock, so no other writer changes it meanwhile.
    int64_t Size() const;
    // Drops the content: writes start again at 0.
    void Truncate();
    void Close();

    bool IsOpen() const { return m_fd >= 0; }

private:
    [[noreturn]] void Fail(int err, const char* what) const;

    int m_fd = -1;
    QString m_strPath;
};
