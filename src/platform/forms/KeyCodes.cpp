#include "platform/forms/KeyCodes.h"

#include <QKeyEvent>

namespace {

int keypadCode(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return VK::Numpad0 + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk: return VK::Multiply;
    case Qt::Key_Plus: return VK::Add;
    case Qt::Key_Minus: return VK::Subtract;
    case Qt::Key_Period:
    case Qt::Key_Comma: return VK::Decimal;
    case Qt::Key_Slash: return VK::Divide;
    case Qt::Key_Enter: return VK::Return;
    default: return 0;
    }
}

// Qt reports the symbol a key typed; the forms runtime reports the key. The
// shifted symbols map back to their key as it sits on a US keyboard.
int symbolKeyCode(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Exclam: return VK::D0 + 1;
    case Qt::Key_At: return VK::D0 + 2;
    case Qt::Key_NumberSign: return VK::D0 + 3;
    case Qt::Key_Dollar: return VK::D0 + 4;
    case Qt::Key_Percent: return VK::D0 + 5;
    case Qt::Key_AsciiCircum: return VK::D0 + 6;
    case Qt::Key_Ampersand: return VK::D0 + 7;
    case Qt::Key_Asterisk: return VK::D0 + 8;
    case Qt::Key_ParenLeft: return VK::D0 + 9;
    case Qt::Key_ParenRight: return VK::D0;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return VK::Oem1;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return VK::OemPlus;
    case Qt::Key_Comma:
    case Qt::Key_Less: return VK::OemComma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return VK::OemMinus;
    case Qt::Key_Period:
    case Qt::Key_Greater: return VK::OemPeriod;
    case Qt::Key_Slash:
    case Qt::Key_Question: return VK::Oem2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return VK::Oem3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return VK::Oem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
    case Qt::Key_yen: return VK::Oem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return VK::Oem6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return VK::Oem7;
    default: return 0;
    }
}

} // namespace

int virtualKeyFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const int code = keypadCode(qtKey))
            return code;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return VK::A + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return VK::D0 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VK::F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace: return VK::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK::Return;
    case Qt::Key_Shift: return VK::ShiftKey;
    case Qt::Key_Control: return VK::ControlKey;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK::Menu;
    case Qt::Key_Pause: return VK::Pause;
    case Qt::Key_CapsLock: return VK::Capital;
    case Qt::Key_Escape: return VK::Escape;
    case Qt::Key_Space: return VK::Space;
    case Qt::Key_PageUp: return VK::Prior;
    case Qt::Key_PageDown: return VK::Next;
    case Qt::Key_End: return VK::End;
    case Qt::Key_Home: return VK::Home;
    case Qt::Key_Left: return VK::Left;
    case Qt::Key_Up: return VK::Up;
    case Qt::Key_Right: return VK::Right;
    case Qt::Key_Down: return VK::Down;
    case Qt::Key_Print: return VK::Snapshot;
    case Qt::Key_Insert: return VK::Insert;
    case Qt::Key_Delete: return VK::Delete;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return VK::LWin;
    case Qt::Key_Menu: return VK::Apps;
    case Qt::Key_NumLock: return VK::NumLock;
    case Qt::Key_ScrollLock: return VK::Scroll;
    default: return symbolKeyCode(qtKey);
    }
}

int shiftStateFromModifiers(Qt::KeyboardModifiers modifiers)
{
    int state = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        state |= ShiftState::Shift;
    if (modifiers.testFlag(Qt::ControlModifier))
        state |= ShiftState::Ctrl;
    if (modifiers.testFlag(Qt::AltModifier))
        state |= ShiftState::Alt;
    return state;
}

int mouseButtonBits(Qt::MouseButtons buttons)
{
    int bits = 0;
    if (buttons.testFlag(Qt::LeftButton))
        bits |= MouseButtonBits::Left;
    if (buttons.testFlag(Qt::RightButton))
        bits |= MouseButtonBits::Right;
    if (buttons.testFlag(Qt::MiddleButton))
        bits |= MouseButtonBits::Middle;
    return bits;
}

int virtualKeyOf(const QKeyEvent &event)
{
    return virtualKeyFromQtKey(event.key(), event.modifiers());
}

int shiftStateOf(const QKeyEvent &event)
{
    return shiftStateFromModifiers(event.modifiers());
}

int keyAsciiOf(const QKeyEvent &event)
{
    const QString text = event.text();
    if (text.isEmpty())
        return 0;
    // Platforms that leave the text of Ctrl+letter as the plain letter still
    // type the control character in the forms runtime.
    const QChar c = text.at(0);
    if (event.modifiers().testFlag(Qt::ControlModifier) && c.isLetter() && c.unicode() < 128)
        return c.toUpper().unicode() - 'A' + 1;
    return c.unicode();
}
