#pragma once

#include "player/PlayerCommands.h"

#include <array>

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

extern const std::array<MenuEntry, 28> ExecMenuEntries;
