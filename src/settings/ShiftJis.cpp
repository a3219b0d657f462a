#include "settings/ShiftJis.h"

#include "util/RuntimeError.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <iconv.h>
#include <memory>
#include <mutex>
#include <vector>

// The system's iconv supplies the code page, but only once per byte sequence
// and per character: glibc looks characters it cannot encode up slowly
// (microseconds each), and an iconv call per invalid byte is slow as well,
// so a file full of either would take seconds. The answers are kept in
// tables, which also makes the handling of invalid bytes plain to see.

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char *kUtf16 = "UTF-16LE";
#else
constexpr const char *kUtf16 = "UTF-16BE";
#endif

constexpr char16_t kReplacement = u'\uFFFD';
// Never produced by the code page: marks "no character" in the tables.
constexpr char16_t kNoChar = u'\uFFFF';
constexpr std::uint16_t kNotAsked = 0xFFFE;
constexpr std::uint16_t kUnmappable = 0xFFFF;

class Converter final {
public:
    explicit Converter(const char *to, const char *from)
    {
        // glibc knows code page 932 under both names; other builds one of them.
        m_cd = iconv_open(to, from);
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            const bool toSjis = qstrcmp(to, kUtf16) != 0;
            m_cd = toSjis ? iconv_open("WINDOWS-31J", from) : iconv_open(to, "WINDOWS-31J");
        }
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            throw RuntimeError(ErrNo::DeviceIOError,
                               QStringLiteral("No Shift-JIS (CP932) converter is available on this system"));
        }
    }
    ~Converter() { iconv_close(m_cd); }
    Q_DISABLE_COPY_MOVE(Converter)

    /// Converts all of `in` in one go; the output length, or -1 on any error.
    int convert(const char *in, size_t inLength, char *out, size_t outLength)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char *inPtr = const_cast<char *>(in);
        char *outPtr = out;
        const size_t result = iconv(m_cd, &inPtr, &inLength, &outPtr, &outLength);
        if (result == static_cast<size_t>(-1) || inLength != 0) {
            return -1;
        }
        return static_cast<int>(outPtr - out);
    }

private:
    iconv_t m_cd;
};

struct DecodeTables {
    std::array<char16_t, 256> single{};
    std::vector<char16_t> pair = std::vector<char16_t>(65536, kNoChar);
};

const DecodeTables &decodeTables()
{
    static const DecodeTables tables = [] {
        DecodeTables built;
        Converter converter(kUtf16, "CP932");
        for (int lead = 0; lead < 256; ++lead) {
            const char bytes[2] = {static_cast<char>(lead), 0};
            char16_t unit = kNoChar;
            const int length = converter.convert(bytes, 1, reinterpret_cast<char *>(&unit), sizeof unit);
            built.single[static_cast<std::size_t>(lead)] = length == 2 ? unit : kNoChar;
            if (length == 2) {
                continue;
            }
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char pairBytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                if (converter.convert(pairBytes, 2, reinterpret_cast<char *>(&unit), sizeof unit) == 2) {
                    built.pair[static_cast<std::size_t>(lead << 8 | trail)] = unit;
                }
            }
        }
        return built;
    }();
    return tables;
}

// The code of each UTF-16 unit, asked for on first use: a byte value, a
// two-byte code (lead << 8 | trail), kUnmappable or kNotAsked. The GUI
// thread and the thread that writes the settings file while a file plays
// both encode: the table is read without a lock, the converter asked under one.
std::uint16_t encodeUnit(char16_t unit)
{
    static const std::unique_ptr<std::atomic<std::uint16_t>[]> codes = [] {
        auto table = std::make_unique<std::atomic<std::uint16_t>[]>(65536);
        for (std::size_t i = 0; i < 65536; ++i)
            table[i].store(kNotAsked, std::memory_order_relaxed);
        return table;
    }();
    std::atomic<std::uint16_t> &slot = codes[unit];
    std::uint16_t code = slot.load(std::memory_order_relaxed);
    if (code != kNotAsked)
        return code;
    static std::mutex asking;
    const std::lock_guard<std::mutex> lock(asking);
    static Converter converter("CP932", kUtf16);
    unsigned char out[8];
    const int length = converter.convert(reinterpret_cast<const char *>(&unit), sizeof unit,
                                         reinterpret_cast<char *>(out), 8);
    if (length == 1) {
        code = out[0];
    } else if (length == 2) {
        code = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
    } else {
        code = kUnmappable;
    }
    slot.store(code, std::memory_order_relaxed);
    return code;
}

} // namespace

QString decodeShiftJis(QByteArrayView bytes, bool *valid)
{
    const DecodeTables &tables = decodeTables();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype written = 0;
    bool allValid = true;
    for (qsizetype i = 0; i < size;) {
        const char16_t single = tables.single[in[i]];
        if (single != kNoChar) {
            out[written++] = single;
            ++i;
            continue;
        }
        const char16_t pair =
            i + 1 < size ? tables.pair[static_cast<std::size_t>(in[i] << 8 | in[i + 1])] : kNoChar;
        if (pair != kNoChar) {
            out[written++] = pair;
            i += 2;
        } else {
            // Only the byte at fault is replaced, so a CR or LF after a
            // broken lead byte still ends its line.
            out[written++] = kReplacement;
            allValid = false;
            ++i;
        }
    }
    text.truncate(written);
    if (valid) {
        *valid = allValid;
    }
    return text;
}

QByteArray encodeShiftJis(QStringView text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    char *out = bytes.data();
    qsizetype written = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            out[written++] = static_cast<char>(unit);
            continue;
        }
        if (QChar::isSurrogate(unit)) {
            // The code page holds nothing outside the basic plane: one "?"
            // for a pair, as for any other character it cannot hold.
            if (QChar::isHighSurrogate(unit) && i + 1 < size && text[i + 1].isLowSurrogate()) {
                ++i;
            }
            out[written++] = '?';
            continue;
        }
        const std::uint16_t code = encodeUnit(unit);
        if (code == kUnmappable) {
            out[written++] = '?';
        } else if (code > 0xFF) {
            out[written++] = static_cast<char>(code >> 8);
            out[written++] = static_cast<char>(code & 0xFF);
        } else {
            out[written++] = static_cast<char>(code);
        }
    }
    bytes.truncate(written);
    return bytes;
}

bool shiftJisHolds(char16_t unit)
{
    if (unit < 0x80) {
        return true;
    }
    if (QChar::isSurrogate(unit)) {
        return false;
    }
    const std::uint16_t code = encodeUnit(unit);
    if (code == kUnmappable) {
        return false;
    }
    const DecodeTables &tables = decodeTables();
    const char16_t back = code > 0xFF ? tables.pair[code] : tables.single[code];
    return back == unit;
}
