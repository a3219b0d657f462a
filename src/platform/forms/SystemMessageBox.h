#pragma once

#include <QString>

/// The forms runtime's own message box, as the platform draws it: a modal
/// box with one of the standard button sets, an optional icon and a title.
/// The program's own, richer box lives in dialogs (fmMsg); this one is for
/// the few places that want the plain system box.

/// Button sets, icons and default button, combined by adding one of each.
constexpr int vbOKOnly = 0;
constexpr int vbOKCancel = 1;
constexpr int vbAbortRetryIgnore = 2;
constexpr int vbYesNoCancel = 3;
constexpr int vbYesNo = 4;
constexpr int vbRetryCancel = 5;
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;
constexpr int vbDefaultButton1 = 0;
constexpr int vbDefaultButton2 = 256;
constexpr int vbDefaultButton3 = 512;

/// What MsgBox returns: the button the user pressed.
constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbAbort = 3;
constexpr int vbRetry = 4;
constexpr int vbIgnore = 5;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

/// Shows `prompt` in a modal box and waits for a button. `buttons` adds a
/// button set (vbOKOnly ... vbRetryCancel), an icon (vbCritical ...
/// vbInformation) and a default button (vbDefaultButton1 ... 3); unknown
/// sets fall back to OK alone. An empty `title` means the application's
/// title. Escape and the window's close button count as Cancel where the set
/// has one, as OK for OK alone, and are refused otherwise. Returns the
/// pressed button's value (vbOK ... vbNo). GUI thread; needs a QApplication.
int MsgBox(const QString &prompt, int buttons = vbOKOnly, const QString &title = QString());
