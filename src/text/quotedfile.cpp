#include "text/quotedfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace quill {

namespace {

WriteResult Failed(const QString& path, int error) {
    return {false, path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error))};
}

// Writes every byte; the errno of the call that failed, 0 when all went.
int WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        p += n;
        left -= n;
    }
    return 0;
}

// Closes fd; the errno of the first failure, 0 when there was none.
int Close(int fd, int error) {
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

// A named pipe or a device is written into: it cannot be replaced.
WriteResult WriteInPlace(const QString& path, const QByteArray& native, const QByteArray& bytes) {
    const int fd = ::open(native.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Failed(path, errno);
    const int error = Close(fd, WriteAll(fd, bytes));
    if (error != 0) return Failed(path, error);
    return {true, {}};
}

}  // namespace

QByteArray QuotedItemsBytes(const QStringList& items) {
    QByteArray out;
    for (const QString& item : items) {
        out += '"';
        out += item.toUtf8();
        out += "\"\r\n";
    }
    return out;
}

WriteResult WriteQuotedItems(const QString& path, const QStringList& items) {
    return WriteFileAtomically(path, QuotedItemsBytes(items));
}

WriteResult WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) return Failed(path, ENOENT);
    QByteArray native = QFile::encodeName(path);
    struct stat old;
    const bool exists = ::stat(native.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return Failed(path, EISDIR);
    if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(path, native, bytes);
    // A link is followed: the file it names is replaced, the link stays.
    if (exists) native = QFile::encodeName(QFileInfo(path).canonicalFilePath());

    // Everything goes to a new file beside the target, which replaces the
    // target only when every write, the flush to disk and the close went
    // well; otherwise the old file stays as it was.
    const qsizetype slash = native.lastIndexOf('/');
    QByteArray temp = native.left(slash + 1) + '.' + native.mid(slash + 1) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return Failed(path, errno);
    mode_t mode = 0;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);  // as the old file had it; some file systems keep none
    int error = WriteAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) error = errno;
    error = Close(fd, error);
    if (error == 0 && ::rename(temp.constData(), native.constData()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return Failed(path, error);
    }
    return {true, {}};
}

}  // namespace quill
