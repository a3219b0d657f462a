#include "util/FileFingerprint.h"

#include "util/FileNames.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes the descriptor however the reading ends.
class OpenFile final {
public:
    explicit OpenFile(int fd)
        : m_fd(fd)
    {}
    ~OpenFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(OpenFile)
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Adds `length` bytes from `offset` to `hash`; false when the file ends
// before them (it shrank since it was measured) or a read fails.
bool hashRange(int fd, qint64 offset, qint64 length, QCryptographicHash &hash)
{
    QByteArray buffer(static_cast<qsizetype>(length), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, buffer.data() + done, static_cast<size_t>(length - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    hash.addData(buffer);
    return true;
}

} // namespace

QString FileFingerprint::sizePrefix(qint64 size)
{
    return QString::number(size) + QLatin1Char(',');
}

QString FileFingerprint::toText() const
{
    return sizePrefix(size) + QString::fromLatin1(digest.toHex());
}

std::optional<FileFingerprint> fileFingerprint(const QString &name)
{
    if (name.isEmpty())
        return std::nullopt;
    // Non-blocking so that a named pipe given as a media file does not hang
    // the open; it is refused below as not a regular file.
    const OpenFile file(
        ::open(encodeFileName(name).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.fd() < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
        return std::nullopt;

    FileFingerprint print;
    print.size = static_cast<qint64>(info.st_size);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const qint64 head = std::min(print.size, FingerprintSpan);
    // The tail starts after the head, so a file below twice the span is
    // hashed once through.
    const qint64 tailStart = std::max(head, print.size - FingerprintSpan);
    if (!hashRange(file.fd(), 0, head, hash) ||
        (tailStart < print.size && !hashRange(file.fd(), tailStart, print.size - tailStart, hash)))
        return std::nullopt;
    print.digest = hash.result();
    return print;
}
