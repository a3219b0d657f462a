#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/// What tells one file's content from another's without reading it all: its
/// size and the SHA-1 of its first and last 64 KiB (the whole file when it is
/// smaller than 128 KiB). Two reads of 64 KiB at most, so it is cheap on a
/// slow or network disk too, and it stays the same when the file is renamed,
/// moved or copied.
///
/// SHA-1 rather than a faster non-cryptographic hash: it comes with Qt, its
/// value is the same in every build and release (Qt's qHash is seeded and may
/// change between versions), and over 128 KiB its cost is far below that of
/// reading the bytes.
struct FileFingerprint {
    qint64 size = 0;
    QByteArray digest; ///< SHA-1, 20 bytes

    /// "size,hex", for example "734003200,2fd4e1c6...": the size first, so a
    /// reader can pass over prints of another size without hashing anything.
    QString toText() const;
    /// The start of every print of a file of `size` bytes: "size,".
    static QString sizePrefix(qint64 size);

    friend bool operator==(const FileFingerprint &a, const FileFingerprint &b)
    {
        return a.size == b.size && a.digest == b.digest;
    }
    friend bool operator!=(const FileFingerprint &a, const FileFingerprint &b) { return !(a == b); }
};

/// Bytes read from each end of a file.
constexpr qint64 FingerprintSpan = 64 * 1024;

/// The print of the file `name` (opened by its bytes, see FileNames.h), or
/// nullopt when it is not a regular file, is empty, or cannot be read whole
/// where the print needs it. Never blocks on a pipe or a device.
std::optional<FileFingerprint> fileFingerprint(const QString &name);
