#include "dialogs/comMsg.h"

#include "dialogs/fmMsg.h"
#include "util/RuntimeError.h"

#include <QCoreApplication>

#include <array>
#include <memory>

namespace {

constexpr int CaptionSlots = 8;

struct CaptionTable {
    std::array<QString, CaptionSlots> captions;
    int count = 0;
};

CaptionTable &captionTable()
{
    static CaptionTable table;
    return table;
}

const QString &tableCaption(int index)
{
    if (index < 0 || index >= CaptionSlots)
        throw RuntimeError(ErrNo::SubscriptOutOfRange);
    return captionTable().captions[static_cast<size_t>(index)];
}

struct StandardButton {
    const char16_t *caption;
    int value; // also the caption table index under the caption-table flag
};

enum class SetClass { Unclassed, OneButton, TwoButton, ThreeButton };

SetClass classOf(int set)
{
    switch (set) {
    case 0: return SetClass::OneButton;
    case 1:
    case 4:
    case 5:
    case 6: return SetClass::TwoButton;
    case 2:
    case 3:
    case 14: return SetClass::ThreeButton;
    default: return SetClass::Unclassed;
    }
}

std::vector<StandardButton> standardButtons(int set)
{
    switch (set) {
    case 0: return {{u"OK", 1}};
    case 1: return {{u"OK", 1}, {u"キャンセル", 2}};
    case 2: return {{u"中止", 3}, {u"再試行", 4}, {u"無視", 5}};
    case 3: return {{u"はい", 6}, {u"いいえ", 7}, {u"キャンセル", 2}};
    case 4: return {{u"はい", 6}, {u"いいえ", 7}};
    case 5: return {{u"再試行", 4}, {u"キャンセル", 2}};
    case 6: return {{u"今すぐ", 6}, {u"後で", 7}};
    case 14: return {{u"上書き保存", 6}, {u"名前を変更して保存", 7}, {u"キャンセル", 2}};
    default: return {};
    }
}

// The roles of the first, second, third (and fourth) button. The rules apply
// in this order, each overriding the one before.
std::array<int, 4> defaultModes(int flags)
{
    const int set = flags & MsgStyle::ButtonSetMask;
    const SetClass kind = classOf(set);
    std::array<int, 4> modes{1, 2, 0, 0};
    if (kind == SetClass::ThreeButton)
        modes = {1, 0, 2, 0};
    if (flags & MsgStyle::DefaultButton2) {
        if (kind == SetClass::TwoButton)
            modes = {2, 1, 0, 0};
        else if (kind == SetClass::ThreeButton)
            modes = {0, 1, 2, 0};
    }
    if (flags & MsgStyle::DefaultButton3)
        modes = {0, 1, 2, 0};
    if ((flags & MsgStyle::DefaultButton4) == MsgStyle::DefaultButton4)
        modes = {0, 0, 2, 1};
    if (set == MsgStyle::YesNoCancel) {
        if (flags & MsgStyle::DefaultButton2)
            modes = {0, 1, 2, modes[3]};
        else if (flags & MsgStyle::DefaultButton3)
            modes = {0, 0, 1, modes[3]};
    }
    return modes;
}

} // namespace

void SetMsgButtonCaption(int index, const QString &caption)
{
    if (index < 0 || index >= CaptionSlots)
        throw RuntimeError(ErrNo::SubscriptOutOfRange);
    captionTable().captions[static_cast<size_t>(index)] = caption;
}

void SetMsgButtonCount(int count)
{
    captionTable().count = count;
}

void AddMsgButtons(fmMsg &box, int flags)
{
    if (flags == 15)
        return;
    const int set = flags & MsgStyle::ButtonSetMask;

    if (set == MsgStyle::CallerCaptions) {
        for (int i = 1; i <= captionTable().count; ++i)
            box.AddButton(tableCaption(i), fmMsg::PlainButton, i);
        return;
    }

    const bool fromTable = (flags & MsgStyle::CaptionTable) && set <= MsgStyle::RetryCancel;
    const std::array<int, 4> modes = defaultModes(flags);
    const std::vector<StandardButton> buttons = standardButtons(set);
    for (size_t i = 0; i < buttons.size(); ++i) {
        const QString caption =
            fromTable ? tableCaption(buttons[i].value) : QString::fromUtf16(buttons[i].caption);
        box.AddButton(caption, modes[i], buttons[i].value);
    }
}

int ShowMsg(const QString &message, int flags, const QString &title, float timeOut,
            std::function<void()> callBack, const QString &checkText, int checkValue)
{
    // Owned here so that a runtime error on the way frees the box too.
    auto box = std::make_unique<fmMsg>();
    box->setWindowTitle(title == QLatin1String("App.Title") ? QCoreApplication::applicationName() : title);
    box->TimeOut = timeOut;
    box->Modal = 1;
    box->DrawSysIcon(flags & 0x1FFF);
    box->DispText(message);
    if (!checkText.isEmpty())
        box->AddCh(checkText, checkValue);
    box->CallBackForm = std::move(callBack);
    AddMsgButtons(*box, flags);
    box->DispCenter();
    box->exec();
    return box->ButtonNumber;
}
