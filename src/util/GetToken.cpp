#include "util/GetToken.h"

#include "util/RuntimeError.h"

#include <limits>

namespace {

// The text being split; an empty text passed in continues in this one.
QString &rememberedText()
{
    static QString text;
    return text;
}

constexpr char16_t kIdeographicSpace = u'\u3000';
constexpr char16_t kRightSingleQuote = u'\u2019';

bool isOpeningQuote(char16_t c)
{
    return c == u'"' || c == u'\'';
}

bool isClosingQuote(char16_t c)
{
    return isOpeningQuote(c) || c == kRightSingleQuote;
}

enum class State { Start, InField, Quoted };

} // namespace

QString GetToken(const QString &text, std::int32_t &position)
{
    QString &source = rememberedText();
    if (!text.isEmpty()) {
        source = text;
    }
    if (position < 0) {
        throw RuntimeError(ErrNo::InvalidProcedureCall);
    }
    if (position == 0) {
        position = 1;
    }
    const qint64 length = source.size();
    if (position > length) {
        return {};
    }

    // 1-based, held wider than the caller's 32 bits: a closing quote steps
    // two characters and may pass the end.
    qint64 pos = position;
    auto at = [&source](qint64 p) { return source.at(p - 1).unicode(); };

    while (pos <= length && (at(pos) == u' ' || at(pos) == kIdeographicSpace)) {
        ++pos;
    }

    QString field;
    State state = State::Start;
    while (pos <= length) {
        const char16_t c = at(pos);
        if (state == State::Quoted) {
            if (isClosingQuote(c)) {
                pos += 2;
                break;
            }
            field.append(QChar(c));
            ++pos;
        } else if (state == State::Start && isOpeningQuote(c)) {
            state = State::Quoted;
            ++pos;
        } else if (c == u',') {
            ++pos;
            break;
        } else if (c == u'\r') {
            pos += (pos < length && at(pos + 1) == u'\n') ? 2 : 1;
            break;
        } else {
            state = State::InField;
            field.append(QChar(c));
            ++pos;
        }
    }

    if (pos > std::numeric_limits<std::int32_t>::max()) {
        throw RuntimeError(ErrNo::Overflow);
    }
    position = static_cast<std::int32_t>(pos);
    return field;
}
