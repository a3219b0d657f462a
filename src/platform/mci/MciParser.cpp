#include "platform/mci/MciParser.h"

#include "platform/mci/MciNames.h"

#include <initializer_list>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

/// A left-to-right reader over the command text.
class Scanner {
public:
    explicit Scanner(const QString &text)
        : m_text(text)
    {}

    void skipBlanks()
    {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
    }

    bool atEnd()
    {
        skipBlanks();
        return m_pos >= m_text.size();
    }

    int position() const { return m_pos; }

    /// True (and consumed) when the text continues with `keyword` as whole
    /// words; the words of a keyword may be separated by any blanks.
    bool takeKeyword(const char *keyword)
    {
        const int start = m_pos;
        skipBlanks();
        int pos = m_pos;
        const char *k = keyword; // lower-case ASCII, words separated by one blank
        while (*k) {
            if (*k == ' ') {
                if (pos >= m_text.size() || !isBlank(m_text[pos]))
                    break;
                while (pos < m_text.size() && isBlank(m_text[pos]))
                    ++pos;
                ++k;
                continue;
            }
            if (pos >= m_text.size())
                break;
            char16_t u = m_text[pos].unicode();
            if (u >= u'A' && u <= u'Z')
                u = static_cast<char16_t>(u + (u'a' - u'A'));
            if (u != static_cast<char16_t>(*k))
                break;
            ++pos;
            ++k;
        }
        if (*k == 0 && (pos >= m_text.size() || isBlank(m_text[pos]))) {
            m_pos = pos;
            return true;
        }
        m_pos = start;
        return false;
    }

    /// Reads one word or one double-quoted string. Returns 0, or
    /// MissingParameter when nothing is left, NoClosingQuote, ExtraCharacters.
    int takeToken(QString &out, bool *quoted = nullptr)
    {
        skipBlanks();
        if (m_pos >= m_text.size())
            return MciErr::MissingParameter;
        if (m_text[m_pos] == u'"') {
            const int close = m_text.indexOf(u'"', m_pos + 1);
            if (close < 0)
                return MciErr::NoClosingQuote;
            if (close + 1 < m_text.size() && !isBlank(m_text[close + 1]))
                return MciErr::ExtraCharacters;
            out = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            if (quoted)
                *quoted = true;
            return 0;
        }
        const int start = m_pos;
        while (m_pos < m_text.size() && !isBlank(m_text[m_pos]))
            ++m_pos;
        out = m_text.mid(start, m_pos - start);
        if (quoted)
            *quoted = false;
        return 0;
    }

    /// The file name of open. A quoted name ends at the first closing quote
    /// that is followed by the end or by one of `keywords`, so quotes inside
    /// the name are kept.
    int takeFileName(QString &out, std::initializer_list<const char *> keywords)
    {
        skipBlanks();
        if (m_pos >= m_text.size() || m_text[m_pos] != u'"')
            return takeToken(out);
        bool anyClose = false;
        for (int q = m_text.indexOf(u'"', m_pos + 1); q >= 0; q = m_text.indexOf(u'"', q + 1)) {
            anyClose = true;
            Scanner rest(m_text);
            rest.m_pos = q + 1;
            bool ends = rest.atEnd();
            if (!ends && isBlank(m_text[q + 1])) {
                for (const char *keyword : keywords) {
                    if (rest.takeKeyword(keyword)) {
                        ends = true;
                        break;
                    }
                }
            }
            if (ends) {
                out = m_text.mid(m_pos + 1, q - m_pos - 1);
                m_pos = q + 1;
                return 0;
            }
        }
        return anyClose ? MciErr::ExtraCharacters : MciErr::NoClosingQuote;
    }

    int takeNumber(std::uint32_t &value)
    {
        QString token;
        bool quoted = false;
        if (const int error = takeToken(token, &quoted))
            return error;
        if (token.isEmpty())
            return MciErr::BadInteger;
        std::uint64_t n = 0;
        for (QChar c : token) {
            if (c < u'0' || c > u'9')
                return MciErr::BadInteger;
            n = n * 10 + (c.unicode() - u'0');
            if (n > 0xFFFFFFFFull)
                return MciErr::BadInteger;
        }
        value = static_cast<std::uint32_t>(n);
        return 0;
    }

private:
    const QString &m_text;
    int m_pos = 0;
};

/// Marks a flag as seen; a flag given twice is an error of its own.
int seeOnce(bool &seen)
{
    if (seen)
        return MciErr::DuplicateFlags;
    seen = true;
    return 0;
}

bool verbFrom(const QString &word, MciCommand::Verb &verb)
{
    static const struct {
        const char *name;
        MciCommand::Verb verb;
    } verbs[] = {
        {MciVerb::Open, MciCommand::Verb::Open},     {MciVerb::Close, MciCommand::Verb::Close},
        {MciVerb::Play, MciCommand::Verb::Play},     {MciVerb::Pause, MciCommand::Verb::Pause},
        {MciVerb::Resume, MciCommand::Verb::Resume}, {MciVerb::Stop, MciCommand::Verb::Stop},
        {MciVerb::Seek, MciCommand::Verb::Seek},     {MciVerb::Set, MciCommand::Verb::Set},
        {MciVerb::Status, MciCommand::Verb::Status}, {MciVerb::Window, MciCommand::Verb::Window},
        {MciVerb::Put, MciCommand::Verb::Put},
    };
    for (const auto &v : verbs) {
        if (word.compare(QLatin1String(v.name), Qt::CaseInsensitive) == 0) {
            verb = v.verb;
            return true;
        }
    }
    return false;
}

/// What a flag reader answers when the next word is none of its keywords.
constexpr int NotMine = -1;

/// notify and wait, which every command takes.
int commonFlag(Scanner &in, MciCommand &cmd)
{
    if (in.takeKeyword(MciKey::Notify))
        return seeOnce(cmd.notify);
    if (in.takeKeyword(MciKey::Wait))
        return seeOnce(cmd.wait);
    return NotMine;
}

/// Reads the flags up to the end of the text. notify and wait come first;
/// any other word goes to `verbFlag`, which consumes one flag of the verb's
/// own and returns 0, an error number, or NotMine. The first error ends the
/// reading.
template <typename VerbFlag> int parseFlags(Scanner &in, MciCommand &cmd, VerbFlag verbFlag)
{
    while (!in.atEnd()) {
        int error = commonFlag(in, cmd);
        if (error == NotMine)
            error = verbFlag();
        if (error == NotMine)
            return MciErr::UnrecognizedKeyword;
        if (error != 0)
            return error;
    }
    return 0;
}

/// A flag followed by a number, given once.
int numberFlag(Scanner &in, bool &seen, std::uint32_t &value)
{
    if (const int error = seeOnce(seen))
        return error;
    return in.takeNumber(value);
}

/// A flag followed by a non-empty word or quoted string, given once.
int stringFlag(Scanner &in, bool &seen, QString &value)
{
    if (const int error = seeOnce(seen))
        return error;
    if (const int error = in.takeToken(value))
        return error;
    return value.isEmpty() ? MciErr::MissingStringArgument : 0;
}

int parseOpenFlags(Scanner &in, MciCommand &cmd)
{
    bool seenAlias = false;
    bool seenType = false;
    return parseFlags(in, cmd, [&] {
        if (in.takeKeyword(MciKey::Alias))
            return stringFlag(in, seenAlias, cmd.alias);
        if (in.takeKeyword(MciKey::Type))
            return stringFlag(in, seenType, cmd.type);
        if (in.takeKeyword(MciKey::Shareable))
            return seeOnce(cmd.shareable);
        return NotMine;
    });
}

int parsePlayFlags(Scanner &in, MciCommand &cmd)
{
    return parseFlags(in, cmd, [&] {
        if (in.takeKeyword(MciKey::From))
            return numberFlag(in, cmd.hasFrom, cmd.from);
        if (in.takeKeyword(MciKey::To))
            return numberFlag(in, cmd.hasTo, cmd.to);
        if (in.takeKeyword(MciKey::Speed))
            return numberFlag(in, cmd.hasSpeed, cmd.speed);
        return NotMine;
    });
}

int parseSeekFlags(Scanner &in, MciCommand &cmd)
{
    const int error = parseFlags(in, cmd, [&] {
        if (in.takeKeyword(MciKey::ToStart))
            return seeOnce(cmd.toStart);
        if (in.takeKeyword(MciKey::ToEnd))
            return seeOnce(cmd.toEnd);
        if (in.takeKeyword(MciKey::To))
            return numberFlag(in, cmd.hasTo, cmd.to);
        return NotMine;
    });
    if (error)
        return error;
    const int targets = int(cmd.toStart) + int(cmd.toEnd) + int(cmd.hasTo);
    if (targets == 0)
        return MciErr::MissingParameter;
    return targets > 1 ? MciErr::FlagsNotCompatible : 0;
}

int parseTimeFormat(Scanner &in, MciCommand &cmd)
{
    QString value;
    if (const int error = in.takeToken(value))
        return error;
    const auto is = [&value](const char *word) {
        return value.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    if (is(MciValue::Milliseconds) || is(MciValue::Ms)) {
        cmd.timeFormat = MciCommand::TimeFormat::Milliseconds;
        return 0;
    }
    if (is(MciValue::Frames)) {
        cmd.timeFormat = MciCommand::TimeFormat::Frames;
        return 0;
    }
    for (const char *other : MciValue::OtherTimeFormats) {
        if (is(other)) {
            cmd.timeFormat = MciCommand::TimeFormat::Unsupported;
            return 0;
        }
    }
    return MciErr::BadConstant;
}

int parseSetFlags(Scanner &in, MciCommand &cmd)
{
    bool seenTimeFormat = false;
    bool any = false;
    const int error = parseFlags(in, cmd, [&] {
        any = true;
        if (in.takeKeyword(MciKey::TimeFormat)) {
            if (const int e = seeOnce(seenTimeFormat))
                return e;
            return parseTimeFormat(in, cmd);
        }
        if (in.takeKeyword(MciKey::Speed))
            return numberFlag(in, cmd.hasSpeed, cmd.speed);
        if (in.takeKeyword(MciKey::DoorOpen))
            return seeOnce(cmd.doorOpen);
        if (in.takeKeyword(MciKey::DoorClosed))
            return seeOnce(cmd.doorClosed);
        return NotMine;
    });
    if (error)
        return error;
    if (!any)
        return MciErr::MissingParameter;
    return cmd.doorOpen && cmd.doorClosed ? MciErr::FlagsNotCompatible : 0;
}

int parseStatusFlags(Scanner &in, MciCommand &cmd)
{
    using Item = MciCommand::StatusItem;
    // Longer keywords first: "position track" before "position", "play speed" before "speed".
    static const struct {
        const char *keyword;
        Item item;
    } items[] = {
        {MciKey::PositionTrack, Item::PositionTrack},
        {MciKey::Position, Item::Position},
        {MciKey::Mode, Item::Mode},
        {MciKey::Length, Item::Length},
        {MciKey::TimeFormat, Item::TimeFormat},
        {MciKey::PlaySpeed, Item::PlaySpeed},
        {MciKey::Speed, Item::Speed},
        {MciKey::MediaPresent, Item::MediaPresent},
        {MciKey::NumberOfTracks, Item::NumberOfTracks},
        {MciKey::CurrentTrack, Item::CurrentTrack},
        {MciKey::Ready, Item::Ready},
    };
    const int error = parseFlags(in, cmd, [&] {
        Item found = Item::None;
        for (const auto &entry : items) {
            if (in.takeKeyword(entry.keyword)) {
                found = entry.item;
                break;
            }
        }
        if (found == Item::None)
            return NotMine;
        if (cmd.item != Item::None)
            return cmd.item == found ? MciErr::DuplicateFlags : MciErr::FlagsNotCompatible;
        cmd.item = found;
        return found == Item::PositionTrack ? in.takeNumber(cmd.track) : 0;
    });
    if (error)
        return error;
    return cmd.item == Item::None ? MciErr::MissingParameter : 0;
}

int parseWindowFlags(Scanner &in, MciCommand &cmd)
{
    return parseFlags(in, cmd, [&] {
        if (!in.takeKeyword(MciKey::Handle))
            return NotMine;
        if (const int error = seeOnce(cmd.hasHandle))
            return error;
        if (in.takeKeyword(MciValue::Default)) {
            cmd.handleDefault = true;
            return 0;
        }
        return in.takeNumber(cmd.handle);
    });
}

int parsePutFlags(Scanner &in, MciCommand &cmd)
{
    const int error = parseFlags(in, cmd, [&] {
        if (in.takeKeyword(MciKey::Destination))
            return seeOnce(cmd.destination);
        if (!in.takeKeyword(MciKey::At))
            return NotMine;
        if (const int e = seeOnce(cmd.hasRect))
            return e;
        for (std::uint32_t &v : cmd.rect) {
            if (const int e = in.takeNumber(v))
                return e;
        }
        return 0;
    });
    if (error)
        return error;
    // A rectangle needs to say what it places; only the destination can be placed.
    return cmd.destination ? 0 : MciErr::MissingParameter;
}

int parseBareFlags(Scanner &in, MciCommand &cmd)
{
    return parseFlags(in, cmd, [] { return NotMine; });
}

} // namespace

MciParseResult parseMciCommand(const QString &text)
{
    MciParseResult result;
    MciCommand &cmd = result.command;
    Scanner in(text);
    if (in.atEnd()) {
        result.error = MciErr::MissingCommandString;
        return result;
    }
    QString verb;
    if ((result.error = in.takeToken(verb)))
        return result;
    if (!verbFrom(verb, cmd.verb)) {
        result.error = MciErr::UnrecognizedCommand;
        return result;
    }
    if (in.atEnd()) {
        result.error = MciErr::MissingDeviceName;
        return result;
    }

    using Verb = MciCommand::Verb;
    if (cmd.verb == Verb::Open) {
        result.error = in.takeFileName(
            cmd.device, {MciKey::Alias, MciKey::Type, MciKey::Shareable, MciKey::Notify, MciKey::Wait});
    } else {
        result.error = in.takeToken(cmd.device);
    }
    if (result.error)
        return result;
    if (cmd.device.isEmpty()) {
        result.error = MciErr::MissingDeviceName;
        return result;
    }

    switch (cmd.verb) {
    case Verb::Open: result.error = parseOpenFlags(in, cmd); break;
    case Verb::Play: result.error = parsePlayFlags(in, cmd); break;
    case Verb::Seek: result.error = parseSeekFlags(in, cmd); break;
    case Verb::Set: result.error = parseSetFlags(in, cmd); break;
    case Verb::Status: result.error = parseStatusFlags(in, cmd); break;
    case Verb::Window: result.error = parseWindowFlags(in, cmd); break;
    case Verb::Put: result.error = parsePutFlags(in, cmd); break;
    case Verb::Close:
    case Verb::Pause:
    case Verb::Resume:
    case Verb::Stop: result.error = parseBareFlags(in, cmd); break;
    }
    return result;
}
