#pragma once

#include <QByteArray>
#include <QString>

/// File names as the system keeps them: bytes, UTF-8 by custom but not by
/// rule. An old archive unpacked without conversion leaves Shift-JIS or
/// Latin-1 bytes in a name, and such a file must open all the same.
///
/// In a QString a name holds each byte that is not part of valid UTF-8 as
/// the lone surrogate U+DC00 + byte (U+DC80 to U+DCFF), which no valid text
/// contains; encodeFileName() gives those bytes back. Qt's own file classes
/// would turn them into "?", so names that may hold them are checked with
/// fileStatus() and opened by their encodeFileName() bytes.

/// The name for `bytes`, every byte kept.
QString decodeFileName(const QByteArray &bytes);
/// The bytes of `name`: UTF-8, with each U+DC80..U+DCFF back as its byte.
QByteArray encodeFileName(const QString &name);
/// True when `name` holds bytes that are not UTF-8.
bool hasRawBytes(const QString &name);
/// A readable form of `name` for the window: the raw bytes read as
/// Shift-JIS where they are that, else as Latin-1. Text that is UTF-8
/// already comes back unchanged.
QString readableFileName(const QString &name);

/// `name` made absolute against `base` (the current folder when empty)
/// without cleaning "..": "link/../movie.avi" must stay the file the system
/// finds through the link, not "./movie.avi". Only "." segments and doubled
/// slashes are dropped. An absolute name stays as given.
QString absoluteFileName(const QString &name, const QString &base = QString());

/// What the system says of the file `name` (following links).
struct FileStatus {
    bool exists = false;
    bool regular = false; ///< a regular file (not a folder, FIFO, device, socket)
    bool directory = false;
    qint64 size = 0;
};
FileStatus fileStatus(const QString &name);
