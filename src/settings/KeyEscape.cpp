#include "settings/KeyEscape.h"

#include "settings/ShiftJis.h"
#include "util/FileNames.h"

#include <optional>

namespace {

constexpr char16_t kMark = u'%';

// Inside an escaped key, everything but these stays readable as it is.
bool staysInEscapedKey(char16_t unit)
{
    return unit != kMark && unit != u'=' && unit != u'\r' && unit != u'\n' && shiftJisHolds(unit);
}

// Whether the key, written as it is, would load as something else: another
// kind of line, a key cut at "=" or a line break, or a character changed by
// the code page.
bool loadsDifferently(QStringView key)
{
    const QChar first = key.front();
    if (first == u'[' || first == u';' || first == u'#' || first == u'=') {
        return true;
    }
    for (const QChar c : key) {
        if (c == u'=' || c == u'\r' || c == u'\n' || !shiftJisHolds(c.unicode())) {
            return true;
        }
    }
    return false;
}

QString escaped(QStringView key)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    QString out(1, QChar(kMark));
    out.reserve(key.size() + 16);
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char16_t unit = key[i].unicode();
        if (staysInEscapedKey(unit)) {
            out += QChar(unit);
            continue;
        }
        // A surrogate pair is one character and one UTF-8 sequence; a file
        // name's byte that is not UTF-8 is written as that byte.
        const qsizetype length =
            QChar::isHighSurrogate(unit) && i + 1 < key.size() && key[i + 1].isLowSurrogate() ? 2 : 1;
        for (const char byte : encodeFileName(key.mid(i, length).toString())) {
            const auto value = static_cast<unsigned char>(byte);
            out += QChar(kMark);
            out += QLatin1Char(hexDigits[value >> 4]);
            out += QLatin1Char(hexDigits[value & 0x0F]);
        }
        i += length - 1;
    }
    return out;
}

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9') {
        return c.unicode() - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c.unicode() - u'A' + 10;
    }
    return -1;
}

// The text of an escaped key after its mark; nullopt when a "%" is not
// followed by two hex digits. Bytes that are not UTF-8 are a file name's own
// and stay as they are (decodeFileName), so such a key comes back the same.
std::optional<QString> unescaped(QStringView body)
{
    QString out;
    QByteArray bytes;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i] != kMark) {
            out += decodeFileName(bytes);
            bytes.clear();
            out += body[i];
            continue;
        }
        const int high = i + 2 < body.size() ? hexValue(body[i + 1]) : -1;
        const int low = high < 0 ? -1 : hexValue(body[i + 2]);
        if (low < 0) {
            return std::nullopt;
        }
        bytes += static_cast<char>(high << 4 | low);
        i += 2;
    }
    out += decodeFileName(bytes);
    return out;
}

} // namespace

QString escapeKey(const QString &key)
{
    if (key.isEmpty()) {
        return key;
    }
    if (loadsDifferently(key) || (key.front() == kMark && unescapeKey(key) != key)) {
        return escaped(key);
    }
    return key;
}

QString unescapeKey(const QString &fileKey)
{
    if (!fileKey.startsWith(QChar(kMark))) {
        return fileKey;
    }
    // Only the one form escapeKey writes counts, so every other key in "%"
    // that a file holds reads as it always did.
    const std::optional<QString> key = unescaped(QStringView(fileKey).mid(1));
    if (key && !key->isEmpty() && escapeKey(*key) == fileKey) {
        return *key;
    }
    return fileKey;
}
