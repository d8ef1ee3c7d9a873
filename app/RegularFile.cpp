#include "app/RegularFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace regular_file {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    // Reports a failed close, which on some file systems is where a failed write shows.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

QString errorText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A second name (a hard link) could belong to a file outside the folder.
QString whyRefused(const struct stat& info) {
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("not a regular file");
    if (info.st_nlink != 1)
        return QStringLiteral("a regular file with more than one name");
    return {};
}

// Looks at the name without opening it: opening a FIFO or a device may block or act.
Status lookAt(const QByteArray& name, QString* reason) {
    struct stat info;
    if (::lstat(name.constData(), &info) != 0) {
        if (errno == ENOENT)
            return Status::Missing;
        *reason = errorText();
        return Status::Refused;
    }
    *reason = whyRefused(info);
    return reason->isEmpty() ? Status::Ok : Status::Refused;
}

// The name may have been swapped between the look and the open.
bool checkOpened(int fd, struct stat* info, QString* reason) {
    if (::fstat(fd, info) != 0) {
        *reason = errorText();
        return false;
    }
    *reason = whyRefused(*info);
    return reason->isEmpty();
}

int openFlags() {
    return O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
}

bool writeAll(int fd, const QByteArray& content, QString* reason) {
    qint64 done = 0;
    while (done < content.size()) {
        const ssize_t n =
            ::pwrite(fd, content.constData() + done, size_t(content.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *reason = errorText();
            return false;
        }
        done += n;
    }
    // Cut off the rest of a longer old content only now, so the file is never seen empty.
    if (::ftruncate(fd, off_t(content.size())) != 0) {
        *reason = errorText();
        return false;
    }
    return true;
}

} // namespace

ReadResult read(const QString& path, qint64 maxBytes) {
    ReadResult result;
    const QByteArray name = QFile::encodeName(path);
    result.status = lookAt(name, &result.reason);
    if (result.status != Status::Ok)
        return result;

    Descriptor fd(::open(name.constData(), O_RDONLY | openFlags()));
    struct stat info;
    if (fd.get() < 0) {
        result.status = errno == ENOENT ? Status::Missing : Status::Refused;
        result.reason = errorText();
        return result;
    }
    result.status = Status::Refused;
    if (!checkOpened(fd.get(), &info, &result.reason))
        return result;
    const QString tooLarge = QStringLiteral("larger than %1 bytes").arg(maxBytes);
    if (info.st_size > maxBytes) {
        result.reason = tooLarge;
        return result;
    }
    // The size may grow while it is read: never read more than the limit and one byte.
    QByteArray content(int(maxBytes + 1), Qt::Uninitialized);
    qint64 done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(fd.get(), content.data() + done, size_t(content.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.reason = errorText();
            return result;
        }
        if (n == 0)
            break;
        done += n;
    }
    if (done > maxBytes) {
        result.reason = tooLarge;
        return result;
    }
    content.truncate(int(done));
    result.content = content;
    result.status = Status::Ok;
    return result;
}

bool write(const QString& path, const QByteArray& content, QString* reason) {
    const QByteArray name = QFile::encodeName(path);
    const Status status = lookAt(name, reason);
    if (status == Status::Refused)
        return false;

    // O_EXCL: a name that appeared since the look, a dangling link included, is not created.
    Descriptor fd(status == Status::Ok
                      ? ::open(name.constData(), O_WRONLY | openFlags())
                      : ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | openFlags(), 0666));
    if (fd.get() < 0) {
        *reason = errorText();
        return false;
    }
    struct stat info;
    if (!checkOpened(fd.get(), &info, reason) || !writeAll(fd.get(), content, reason))
        return false;
    if (!fd.close()) {
        *reason = errorText();
        return false;
    }
    return true;
}

} // namespace regular_file
