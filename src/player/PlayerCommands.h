#pragma once

#include "playback/Transport.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

/// What the user can ask of the main window, and the plain rules behind the
/// transport and skip buttons, the keyboard and the popup menu. Nothing here
/// touches a widget, so tests check the maps without a window; the window
/// runs every command through one dispatcher (fmPlayer::runCommand).

/// One thing the user asked for. `index` is the transport or skip button's
/// index for Transport and Skip, the track's id for the tracks, unused
/// otherwise.
enum class PlayerCommand {
    None,
    Transport, ///< click on transport button `index` (0..7)
    Skip,      ///< skip by the amount of skip button `index` (0..5)
    VolumeUp,
    VolumeDown,
    ViewSize160,
    ViewSize320,
    ViewSize640,
    ViewSize800,
    ViewSize960,
    DoubleSize,
    FullScreen,
    Minimum,
    DispSetting, ///< the display-area dialog
    VideoDisp,   ///< the video-shown toggle
    Front,       ///< the always-on-top toggle
    SkipModify,  ///< the key-settings dialog for the skip button last right-clicked
    Version,     ///< the version box
    Exit,
    AudioTrack,    ///< play the file's sound track `index` (its id)
    SubtitleTrack, ///< show the file's subtitle track `index` (its id; 0: none)
};

struct Command {
    PlayerCommand what = PlayerCommand::None;
    int index = 0;
    bool operator==(const Command &other) const { return what == other.what && index == other.index; }
    /// The command of a transport button.
    static constexpr Command of(Transport action)
    {
        return {PlayerCommand::Transport, transportIndex(action)};
    }
};

/// @name Transport and skip buttons
/// @{

constexpr int SkipCount = 6;

/// Transport button `index` (a Transport value): its name (the button's
/// tag and accessible name, never read back to choose an action). Its place
/// on the panel is in PlayerDesign::TransportRow, by the same index.
struct TransportButton {
    const char *tag;
};
extern const std::array<TransportButton, TransportCount> TransportButtons;

/// The amount of a skip caption: its leading number in seconds ("-30(Z)"
/// gives -30, "+20" 20, "abc" 0).
double skipAmount(const QString &caption);

/// The shortcut letter of a skip caption: the character right after the
/// first "(" ("-30(Z)" gives Z, "()" gives ")"); none without a "(" or when
/// the "(" ends the caption.
std::optional<QChar> skipLetter(const QString &caption);

/// @}

/// @name The keyboard
/// @{

/// What a key going down does, and whether the key is consumed.
struct KeyDownAction {
    Command command;
    bool consumed = false;
};

/// The key-down map: Up and Down step the volume, Ctrl+Q (other shift bits
/// allowed) exits, F2..F6 are the view sizes 160..960, Home the full-screen
/// toggle, Delete the compact view. Only the first three are consumed. Any
/// other key gives Command{} and is left alone. `shift` holds ShiftState bits.
KeyDownAction keyDownAction(int keyCode, int shift);

/// The key-press map for character `keyAscii` with the skip captions as they
/// stand: a skip button whose letter matches (upper case on both sides,
/// lowest index first), else the transport letters A S D F G H J K (upper
/// case), else nothing. The character is consumed in every case.
Command keyPressAction(int keyAscii, const std::array<QString, SkipCount> &skipCaptions);

/// The step of one volume key: 65536 / 24 of the mixer's range.
constexpr double VolumeStep = 65536.0 / 24;

/// The mixer value after a volume key from `current`: the nearest whole
/// number, halves to even. A step past either end is handed on as it is;
/// the mixer holds what it is given within 0..65535.
std::int32_t steppedVolume(std::int32_t current, bool up);

/// @}
