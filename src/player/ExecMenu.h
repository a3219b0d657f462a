#pragma once

#include "platform/media/MediaTracks.h"
#include "player/PlayerCommands.h"

#include <QString>

#include <array>
#include <vector>

/// The popup menu of the main window as data: every entry in display order,
/// with its name, caption, shortcut label, state in the design and command.
/// The window builds its QMenu from it (fmPlayer::buildMenu).

/// How an entry looks before anything changed it.
enum class MenuDesign {
    Plain,           ///< visible, unchecked
    Checked,         ///< visible, checked (and checkable)
    Toggle,          ///< visible, unchecked, checkable
    Hidden,          ///< shown only while the menu opens from a skip button
    Separator,       ///< a visible separator
    HiddenSeparator, ///< a separator hidden in the design
};

struct MenuEntry {
    int level;            ///< 1: the popup's own entries; 2: in the submenu above
    const char *name;     ///< the entry's name (its object name)
    const char *caption;  ///< UTF-8
    const char *shortcut; ///< the key shown beside the caption; display text only
    MenuDesign design;
    Command command; ///< Command{} for submenus and separators
};

/// The two entries shown only while the menu opens from a skip button.
inline constexpr const char *SkipOnlyEntries[] = {"mnuExec_89", "mnuExec_SkipModify"};

/// The sound and subtitle submenus, after every other entry, and the
/// separator above them: shown by the file's tracks (trackMenus()). Their
/// entries are the tracks, named "<submenu>_<id>" (the subtitles' "none" has
/// the id 0).
inline constexpr const char TrackSeparatorEntry[] = "mnuExec_98";
inline constexpr const char AudioMenuEntry[] = "mnuExec_Audio";
inline constexpr const char SubtitleMenuEntry[] = "mnuExec_Subtitle";

extern const std::array<MenuEntry, 31> ExecMenuEntries;

/// One entry of a track submenu.
struct TrackMenuItem {
    QString label;
    Command command;
    bool checked = false;
};

/// What the sound and subtitle submenus show for a file's tracks.
struct TrackMenus {
    /// Only when there is a choice: more than one sound track.
    bool showAudio = false;
    /// Whenever the file has a subtitle track: they can be hidden.
    bool showSubtitle = false;
    std::vector<TrackMenuItem> audio;
    /// "なし" first, then the tracks.
    std::vector<TrackMenuItem> subtitle;
};

/// The submenus for `tracks`, in the engine's order, the playing track of
/// each kind checked ("なし" when no subtitles show).
TrackMenus trackMenus(const MediaTracks &tracks);

/// A track's caption: its language and title ("jpn — 日本語吹替"), either
/// alone when the other is not known, "トラック <id>" when neither is.
QString trackLabel(const MediaTrack &track);
