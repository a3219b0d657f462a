#pragma once

#include <QString>

/// How an entry's name (a key) is written to the data file and read back.
///
/// A key is written exactly as it is whenever the next load reads it back
/// unchanged. A key that would come back different or not at all (one that
/// holds "=", CR, LF or a character Shift-JIS cannot hold, or that starts
/// with "[", ";", "#" or "=") is written escaped: "%" followed by the key in
/// which "%", "=", CR, LF and every character Shift-JIS cannot hold are
/// replaced by "%XX" for each of their UTF-8 bytes (upper-case hex); all other
/// characters stay, so "/動画/Café.mp4" becomes "%/動画/Caf%C3%A9.mp4".
///
/// A key in the file counts as escaped only when it is exactly what escaping
/// its decoded form writes, so any other key starting with "%" reads as it
/// stands and is written back the same; a literal key that would read as
/// escaped is escaped itself. A file name's byte that is not UTF-8 (held as
/// U+DC80..U+DCFF, see decodeFileName) is written as "%XX" of that byte.
/// For every key without unpaired surrogates, and every key decodeFileName
/// makes, unescapeKey(escapeKey(key)) == key.

/// The text written for `key`. An empty key (a data entry) stays empty.
QString escapeKey(const QString &key);

/// The key that the text `fileKey` read from the file stands for.
QString unescapeKey(const QString &fileKey);
