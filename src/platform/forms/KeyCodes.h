#pragma once

#include <Qt>

class QKeyEvent;

/// The forms runtime's keyboard and mouse vocabulary, derived from Qt events.
///
/// Handlers of the main window and of the media player control receive keys
/// as virtual key codes (A..Z are 65..90, the arrows 37..40, F1 is 112 ...)
/// with a shift state, characters as 16-bit character codes, and mouse
/// buttons as bits. These functions are pure and safe to call from tests.

/// Shift-state bits of key and mouse events.
namespace ShiftState {
constexpr int Shift = 1;
constexpr int Ctrl = 2;
constexpr int Alt = 4;
} // namespace ShiftState

/// Button bits of mouse events.
namespace MouseButtonBits {
constexpr int Left = 1;
constexpr int Right = 2;
constexpr int Middle = 4;
} // namespace MouseButtonBits

/// Virtual key codes the program names.
namespace VK {
constexpr int Back = 8;
constexpr int Tab = 9;
constexpr int Return = 13;
constexpr int ShiftKey = 16;
constexpr int ControlKey = 17;
constexpr int Menu = 18; ///< the Alt key
constexpr int Pause = 19;
constexpr int Capital = 20;
constexpr int Escape = 27;
constexpr int Space = 32;
constexpr int Prior = 33;
constexpr int Next = 34;
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int Snapshot = 44;
constexpr int Insert = 45;
constexpr int Delete = 46;
constexpr int D0 = 48; ///< digits 0..9 are 48..57
constexpr int A = 65;  ///< letters A..Z are 65..90
constexpr int Q = 81;
constexpr int LWin = 91;
constexpr int Apps = 93;
constexpr int Numpad0 = 96; ///< keypad digits are 96..105
constexpr int Multiply = 106;
constexpr int Add = 107;
constexpr int Subtract = 109;
constexpr int Decimal = 110;
constexpr int Divide = 111;
constexpr int F1 = 112; ///< F1..F24 are 112..135
constexpr int NumLock = 144;
constexpr int Scroll = 145;
constexpr int Oem1 = 186;      ///< ; :
constexpr int OemPlus = 187;   ///< = +
constexpr int OemComma = 188;  ///< , <
constexpr int OemMinus = 189;  ///< - _
constexpr int OemPeriod = 190; ///< . >
constexpr int Oem2 = 191;      ///< / ?
constexpr int Oem3 = 192;      ///< ` ~
constexpr int Oem4 = 219;      ///< [ {
constexpr int Oem5 = 220;      ///< \ |
constexpr int Oem6 = 221;      ///< ] }
constexpr int Oem7 = 222;      ///< ' "
} // namespace VK

/// The virtual key code of a Qt key; 0 for keys the forms runtime has no
/// code for. Shifted symbols give the code of their key on a US layout
/// ("!" is the 1 key), and keys with Qt::KeypadModifier give keypad codes.
int virtualKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers = {});

/// The shift state (ShiftState bits) of Qt keyboard modifiers.
int shiftStateFromModifiers(Qt::KeyboardModifiers modifiers);

/// The button bits (MouseButtonBits) of Qt mouse buttons.
int mouseButtonBits(Qt::MouseButtons buttons);

/// Key-down arguments of one key event: the virtual key code (0 when the key
/// has none) and the shift state.
int virtualKeyOf(const QKeyEvent &event);
int shiftStateOf(const QKeyEvent &event);

/// The character code a key press raises: the first UTF-16 unit of the
/// event's text (Ctrl+letter gives the control character 1..26, Enter 13,
/// Escape 27); 0 when the key types no character (arrows, F keys,
/// modifiers alone), in which case no key press is raised.
int keyAsciiOf(const QKeyEvent &event);
