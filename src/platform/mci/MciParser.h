#pragma once

#include <QString>

#include <array>
#include <cstdint>

/// One MCI command string, parsed but not yet carried out. Pure: no device
/// is looked at, so the same text always parses the same way.
struct MciCommand {
    enum class Verb { Open, Close, Play, Pause, Resume, Stop, Seek, Set, Status, Window, Put };
    enum class TimeFormat { None, Milliseconds, Frames, Unsupported };
    enum class StatusItem {
        None,
        Mode,
        Length,
        Position,
        PositionTrack,
        TimeFormat,
        PlaySpeed,
        Speed,
        MediaPresent,
        NumberOfTracks,
        CurrentTrack,
        Ready,
    };

    Verb verb = Verb::Open;
    /// Alias, "all", or (for open) the file name, verbatim as written.
    QString device;
    bool notify = false;
    bool wait = false;

    // open
    QString alias; ///< empty when not given
    QString type;  ///< empty when not given
    bool shareable = false;

    // play, seek
    bool hasFrom = false;
    std::uint32_t from = 0;
    bool hasTo = false;
    std::uint32_t to = 0;
    bool toStart = false;
    bool toEnd = false;
    bool hasSpeed = false; ///< play: percent; set: per mille
    std::uint32_t speed = 0;

    // set
    TimeFormat timeFormat = TimeFormat::None;
    bool doorOpen = false;
    bool doorClosed = false;

    // status
    StatusItem item = StatusItem::None;
    std::uint32_t track = 0;

    // window
    bool hasHandle = false;
    bool handleDefault = false;
    std::uint32_t handle = 0;

    // put
    bool destination = false;
    bool hasRect = false;
    std::array<std::uint32_t, 4> rect{}; ///< x, y, width, height
};

/// The result of parsing: error is 0 (and command filled in) or an MCI error
/// number (MciErr) saying what is wrong with the text.
struct MciParseResult {
    int error = 0;
    MciCommand command;
};

/// Parses one command string.
///
/// Verbs and keywords compare without regard to case, with any number of
/// blanks between words. A double-quoted name is taken verbatim, blanks and
/// all. For open, a quoted file name runs to the last quote that is followed
/// by the end of the text or by a keyword of open, so a name that itself
/// holds a quote character still parses. Numbers are unsigned decimal and
/// must fit in 32 bits.
MciParseResult parseMciCommand(const QString &text);
