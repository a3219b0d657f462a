// Splits arbitrary text with GetToken, from arbitrary start positions. Every
// call inside the text must move the position forward, so splitting a whole
// text always ends.
#include "util/GetToken.h"
#include "util/RuntimeError.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::int32_t start = 1;
    if (size >= 4) {
        std::memcpy(&start, data, 4);
        data += 4;
        size -= 4;
        // Mostly small starts; now and then anything at all.
        if ((start & 0x7000) != 0x7000) {
            start &= 0xff;
        }
    }
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (text.isEmpty()) {
        return 0; // an empty text continues in the previous input's text
    }

    std::int32_t position = start;
    try {
        GetToken(text, position);
    } catch (const RuntimeError &error) {
        if (start >= 0 || error.number() != 5) {
            std::abort();
        }
        return 0;
    }
    if (start > text.size() && position != start) {
        std::abort();
    }
    while (position <= text.size()) {
        const std::int32_t before = position;
        const QString field = GetToken(QString(), position);
        if (position <= before || field.size() > text.size()) {
            std::abort();
        }
    }
    return 0;
}
