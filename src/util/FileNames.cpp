#include "util/FileNames.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringList>

#include <sys/stat.h>

namespace {

constexpr char16_t RawByteBase = 0xDC00;

bool isRawByte(char16_t unit)
{
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

/// Length of the valid UTF-8 sequence at `i`, 0 when none starts there.
int validSequence(const QByteArray &bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

} // namespace

QString decodeFileName(const QByteArray &bytes)
{
    QString name;
    name.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = validSequence(bytes, i);
        if (length == 0) {
            name += QChar(char16_t(RawByteBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        // Decoded here rather than by Qt, which may drop a leading byte
        // order mark: that is a character of the name.
        static constexpr unsigned char leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t code = static_cast<unsigned char>(bytes[i]) & leadMask[length];
        for (int k = 1; k < length; ++k)
            code = code << 6 | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        if (QChar::requiresSurrogates(code)) {
            name += QChar(QChar::highSurrogate(code));
            name += QChar(QChar::lowSurrogate(code));
        } else {
            name += QChar(char16_t(code));
        }
        i += length;
    }
    return name;
}

QByteArray encodeFileName(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0; // of the text not yet encoded
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        // A low surrogate after a high one is half of a real character.
        if (!isRawByte(unit) || (i > 0 && name[i - 1].isHighSurrogate()))
            continue;
        bytes += QStringView(name).mid(start, i - start).toUtf8();
        bytes += static_cast<char>(unit - RawByteBase);
        start = i + 1;
    }
    bytes += QStringView(name).mid(start).toUtf8();
    return bytes;
}

bool hasRawBytes(const QString &name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isRawByte(name[i].unicode()) && !(i > 0 && name[i - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

QString readableFileName(const QString &name)
{
    if (!hasRawBytes(name))
        return name;
    const QByteArray bytes = encodeFileName(name);
    QStringDecoder shiftJis("Shift_JIS", QStringDecoder::Flag::Stateless);
    if (shiftJis.isValid()) {
        const QString text = shiftJis.decode(bytes);
        if (!shiftJis.hasError() && !text.contains(QChar::ReplacementCharacter))
            return text;
    }
    return QString::fromLatin1(bytes);
}

QString absoluteFileName(const QString &name, const QString &base)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return name;
    const QString from = base.isEmpty() ? QDir::currentPath() : base;
    QStringList parts;
    for (const QString &part : (from + QLatin1Char('/') + name).split(QLatin1Char('/'))) {
        // ".." stays: the folder before it may be a link.
        if (!part.isEmpty() && part != QLatin1String("."))
            parts << part;
    }
    QString result = QLatin1Char('/') + parts.join(QLatin1Char('/'));
    if (name.endsWith(QLatin1Char('/')) && result.size() > 1)
        result += QLatin1Char('/');
    return result;
}

FileStatus fileStatus(const QString &name)
{
    FileStatus status;
    struct stat info {};
    if (name.isEmpty() || ::stat(encodeFileName(name).constData(), &info) != 0)
        return status;
    status.exists = true;
    status.regular = S_ISREG(info.st_mode);
    status.directory = S_ISDIR(info.st_mode);
    status.size = static_cast<qint64>(info.st_size);
    return status;
}
