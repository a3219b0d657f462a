#include "settings/ShiftJis.h"

#include "util/RuntimeError.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char *kUtf16 = "UTF-16LE";
#else
constexpr const char *kUtf16 = "UTF-16BE";
#endif

constexpr char16_t kReplacement = u'\uFFFD';

iconv_t openConverter(const char *to, const char *from)
{
    // glibc knows code page 932 under both names; older builds only one.
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        const bool toSjis = qstrcmp(to, kUtf16) != 0;
        cd = toSjis ? iconv_open("WINDOWS-31J", from) : iconv_open(to, "WINDOWS-31J");
    }
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw RuntimeError(ErrNo::DeviceIOError,
                           QStringLiteral("No Shift-JIS (CP932) converter is available on this system"));
    }
    return cd;
}

// Opened once and kept for the whole run; the process is single-threaded
// where settings are concerned.
iconv_t decoder()
{
    static const iconv_t cd = openConverter(kUtf16, "CP932");
    return cd;
}

iconv_t encoder()
{
    static const iconv_t cd = openConverter("CP932", kUtf16);
    return cd;
}

} // namespace

QString decodeShiftJis(QByteArrayView bytes)
{
    const iconv_t cd = decoder();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);

    // One byte never gives more than one UTF-16 unit, replacements included.
    QString text(bytes.size(), Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char *outStart = reinterpret_cast<char *>(text.data());
    char *out = outStart;
    size_t outLeft = static_cast<size_t>(bytes.size()) * sizeof(char16_t);

    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno != EILSEQ && errno != EINVAL) {
            // E2BIG cannot happen with the size above; stop rather than spin.
            break;
        }
        const char16_t replacement = kReplacement;
        memcpy(out, &replacement, sizeof replacement);
        out += sizeof replacement;
        outLeft -= sizeof replacement;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    text.truncate(static_cast<qsizetype>((out - outStart) / sizeof(char16_t)));
    return text;
}

QByteArray encodeShiftJis(QStringView text)
{
    const iconv_t cd = encoder();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);

    // Two bytes per UTF-16 unit at most; a "?" for a unit or a pair is less.
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.data()));
    size_t inLeft = static_cast<size_t>(text.size()) * sizeof(char16_t);
    char *outStart = bytes.data();
    char *out = outStart;
    size_t outLeft = static_cast<size_t>(bytes.size());

    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno != EILSEQ && errno != EINVAL) {
            break;
        }
        const auto *unit = reinterpret_cast<const char16_t *>(in);
        const bool pair = inLeft >= 2 * sizeof(char16_t) && QChar::isHighSurrogate(unit[0]) &&
                          QChar::isLowSurrogate(unit[1]);
        const size_t skip = (pair ? 2 : 1) * sizeof(char16_t);
        *out++ = '?';
        --outLeft;
        in += skip;
        inLeft -= skip < inLeft ? skip : inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    bytes.truncate(out - outStart);
    return bytes;
}
