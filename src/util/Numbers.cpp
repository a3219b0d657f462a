#include "util/Numbers.h"

#include "util/RuntimeError.h"

#include <cmath>
#include <limits>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

/// The characters of the text with blanks removed, stopping nowhere:
/// Val ignores blanks even between digits ("1 2" is 12).
QString withoutBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!isBlank(c))
            out.append(c);
    }
    return out;
}

bool isDigitIn(QChar c, int base)
{
    const char16_t u = c.unicode();
    if (base == 8)
        return u >= u'0' && u <= u'7';
    if (base == 16)
        return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
    return u >= u'0' && u <= u'9';
}

/// "&H" and "&O" integers: as the runtime reads them, a value that fits in
/// 16 bits is taken as a signed 16-bit number, else as a signed 32-bit one.
double radixInteger(const QString &s, int start, int base)
{
    std::uint64_t value = 0;
    bool any = false;
    for (int i = start; i < s.size() && isDigitIn(s[i], base); ++i) {
        const char16_t u = s[i].unicode();
        const int digit = u <= u'9' ? u - u'0' : (u | 0x20) - u'a' + 10;
        value = value * base + static_cast<std::uint64_t>(digit);
        any = true;
        if (value > 0xFFFFFFFFull)
            throw RuntimeError(ErrNo::Overflow);
    }
    if (!any)
        return 0;
    if (value <= 0xFFFF)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode is to nearest, ties to even
}

} // namespace

double Val(const QString &text)
{
    const QString s = withoutBlanks(text);
    int i = 0;
    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        if (kind == u'H')
            return radixInteger(s, 2, 16);
        if (kind == u'O')
            return radixInteger(s, 2, 8);
        return 0;
    }

    std::string number; // ASCII copy for strtod
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        number += static_cast<char>(s[i++].unicode());
    bool digits = false;
    while (i < s.size() && isDigitIn(s[i], 10)) {
        number += static_cast<char>(s[i++].unicode());
        digits = true;
    }
    if (i < s.size() && s[i] == u'.') {
        number += '.';
        ++i;
        while (i < s.size() && isDigitIn(s[i], 10)) {
            number += static_cast<char>(s[i++].unicode());
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (i < s.size() && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        int j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            exponent += static_cast<char>(s[j++].unicode());
        bool expDigits = false;
        while (j < s.size() && isDigitIn(s[j], 10)) {
            exponent += static_cast<char>(s[j++].unicode());
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    const double value = std::strtod(number.c_str(), nullptr);
    if (std::isinf(value))
        throw RuntimeError(ErrNo::Overflow);
    return value;
}

std::int32_t CLng(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max()))
        throw RuntimeError(ErrNo::Overflow);
    return static_cast<std::int32_t>(rounded);
}

std::int16_t CInt(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= std::numeric_limits<std::int16_t>::min() &&
          rounded <= std::numeric_limits<std::int16_t>::max()))
        throw RuntimeError(ErrNo::Overflow);
    return static_cast<std::int16_t>(rounded);
}

float CSng(double value)
{
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
        throw RuntimeError(ErrNo::Overflow);
    return static_cast<float>(value);
}
