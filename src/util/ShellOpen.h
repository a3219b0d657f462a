#pragma once

#include <QString>

/// Opens a document, folder or address with the desktop's default handler
/// for it, as a double click in the file manager would, and returns at once.
///
/// `target` is an address with a scheme ("https://...", "mailto:...",
/// "file:///...") or a path, relative paths taken from the process's current
/// folder. Returns true when a handler was started; false when the target is
/// empty, names a file that does not exist, or no handler could be started.
/// Nothing is shown on failure. GUI thread; needs a QGuiApplication.
bool ShellOpen(const QString &target);

/// Tests: hands targets to `program` (started detached with the target as its
/// one argument) instead of the desktop; an empty name returns to the desktop.
void setShellOpenLauncher(const QString &program);
