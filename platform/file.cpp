#include "file.h"

#include "exception.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

CFile::~CFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void CFile::Fail(int err, const char* what) const
{
    throw CFileException(
        err, m_strPath,
        QStringLiteral("%1 %2: %3").arg(QString::fromUtf8(what), m_strPath, QString::fromUtf8(std::strerror(err))));
}

void CFile::Open(const QString& path, OpenMode mode)
{
    if (m_fd >= 0)
        Close();
    m_strPath = path;
    const QByteArray native = path.toUtf8();
    if (path.isEmpty() || native.contains('\0'))
        Fail(EINVAL, "cannot create");
    // No O_TRUNC: truncating before the lock would destroy a file another
    // writer holds. No link is followed: one planted at the name would have
    // the download overwrite whatever it points to. O_NONBLOCK keeps a pipe
    // planted there from holding the worker; only a plain file is written.
    const int create = mode == CreateAlways ? O_CREAT : mode == CreateNew ? O_CREAT | O_EXCL : 0;
    const int fd = ::open(native.constData(), O_WRONLY | create | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd < 0)
        Fail(errno, mode == KeepContent ? "cannot open" : "cannot create");
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        Fail(err == EWOULDBLOCK ? EBUSY : err, "in use");
    }
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        const int err = known ? EINVAL : errno;
        ::close(fd);
        Fail(err, "not a plain file");
    }
    // Only a file with content is truncated: on ext4 a truncated file is
    // flushed synchronously when it is closed, which an empty one needs not be.
    const bool ready = mode == KeepContent ? ::lseek(fd, 0, SEEK_END) >= 0 : st.st_size == 0 || ::ftruncate(fd, 0) == 0;
    if (!ready) {
        const int err = errno;
        ::close(fd);
        Fail(err, mode == KeepContent ? "cannot seek in" : "cannot truncate");
    }
    m_fd = fd;
}

int64_t CFile::Size() const
{
    if (m_fd < 0)
        Fail(EBADF, "not open");
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        Fail(errno, "cannot read the size of");
    return int64_t(st.st_size);
}

void CFile::Truncate()
{
    if (m_fd < 0)
        Fail(EBADF, "not open");
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) < 0)
        Fail(errno, "cannot truncate");
}

void CFile::Write(const void* data, unsigned count)
{
    if (m_fd < 0)
        Fail(EBADF, "not open");
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = ::write(m_fd, p, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno, "cannot write");
        }
        if (n == 0)
            Fail(ENOSPC, "cannot write");
        p += n;
        count -= unsigned(n);
    }
}

void CFile::Close()
{
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        Fail(errno, "cannot close");
}
