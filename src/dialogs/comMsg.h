#pragma once

#include <QString>

#include <functional>

class fmMsg;

/// The program's own message box, called in the manner of a system message
/// box: a message, style flags and a title in, the number of the pressed
/// button out. Everything runs on the GUI thread.
///
/// Style flags (one 32-bit integer):
/// - bits 0 to 3, the button set:
///   0 "OK"; 1 "OK" "キャンセル"; 2 "中止" "再試行" "無視";
///   3 "はい" "いいえ" "キャンセル"; 4 "はい" "いいえ"; 5 "再試行" "キャンセル";
///   6 "今すぐ" "後で"; 13 the caller's captions 1..SetMsgButtonCount (none of
///   them default or cancel, button i returns i);
///   14 "上書き保存" "名前を変更して保存" "キャンセル"; 7 to 12 and 15 no buttons
///   (a box without buttons and without a time-out gets a "Close" button);
/// - 0x10 stop, 0x20 question, 0x30 exclamation, 0x40 information icon;
/// - 0x80 sets 0 to 5 take their captions from the caption table (the index
///   of each caption is its result value);
/// - 0x100 / 0x200 / 0x300: the second / third / fourth button is the default.
///
/// Results: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No, 128 when
/// the box was closed from its window frame or timed out. A selected option
/// adds its 0-based index × 256 and a ticked check box subtracts 32768, except
/// for the results 2, 3, 5 and 7.
namespace MsgStyle {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
constexpr int NowLater = 6;
constexpr int CallerCaptions = 13;
constexpr int SaveRenameCancel = 14;
constexpr int ButtonSetMask = 0x0F;

constexpr int Critical = 0x10;
constexpr int Question = 0x20;
constexpr int Exclamation = 0x30;
constexpr int Information = 0x40;
constexpr int IconMask = 0x70;

constexpr int CaptionTable = 0x80;
constexpr int DefaultButton2 = 0x100;
constexpr int DefaultButton3 = 0x200;
constexpr int DefaultButton4 = 0x300;
} // namespace MsgStyle

/// Result values of the standard buttons.
namespace MsgResult {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
constexpr int Closed = 128; ///< closed from the window frame, or timed out
/// Added once per place of the selected option (its 0-based index).
constexpr int OptionStep = 256;
/// Subtracted when the check box is ticked.
constexpr int CheckTicked = 32768;
} // namespace MsgResult

/// Stores `caption` at `index` (0 to 7) of the caption table shared by every
/// call. Throws RuntimeError(SubscriptOutOfRange) for any other index.
void SetMsgButtonCaption(int index, const QString &caption);

/// Sets how many table captions (from index 1) button set 13 shows. A count
/// above 7 makes the next ShowMsg with set 13 throw RuntimeError(SubscriptOutOfRange).
void SetMsgButtonCount(int count);

/// Shows the box modally (a nested event loop: timers and queued calls keep
/// running) and returns the result described above.
///
/// `title` "App.Title" stands for the application's name. `timeOut` > 0
/// closes the box after that many seconds with the result 128 (unless a
/// button was pressed). `callBack`, when set, is called once shortly after
/// the box appears, and the box then closes. A non-empty `checkText` adds a
/// check box with the value `checkValue` (0 clear, 1 ticked, 2 grey).
/// A runtime error (a bad caption count) ends the call and frees the box.
int ShowMsg(const QString &message, int flags = MsgStyle::OkOnly,
            const QString &title = QStringLiteral("App.Title"), float timeOut = 0,
            std::function<void()> callBack = {}, const QString &checkText = {}, int checkValue = 0);

/// Adds the buttons of the button set in `flags` to `box`, with their
/// default and cancel roles.
void AddMsgButtons(fmMsg &box, int flags);
