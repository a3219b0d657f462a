#include "platform/forms/SystemMessageBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace {

struct ButtonDef {
    int result;
    const char *caption; // UTF-8, with the mnemonic marked by '&'
    QMessageBox::ButtonRole role;
};

const ButtonDef kOk{vbOK, "OK", QMessageBox::AcceptRole};
const ButtonDef kCancel{vbCancel, "キャンセル", QMessageBox::RejectRole};
const ButtonDef kAbort{vbAbort, "中止(&A)", QMessageBox::RejectRole};
const ButtonDef kRetry{vbRetry, "再試行(&R)", QMessageBox::AcceptRole};
const ButtonDef kIgnore{vbIgnore, "無視(&I)", QMessageBox::AcceptRole};
const ButtonDef kYes{vbYes, "はい(&Y)", QMessageBox::YesRole};
const ButtonDef kNo{vbNo, "いいえ(&N)", QMessageBox::NoRole};

std::vector<ButtonDef> buttonSet(int buttons)
{
    switch (buttons & 0x0F) {
    case vbOKCancel: return {kOk, kCancel};
    case vbAbortRetryIgnore: return {kAbort, kRetry, kIgnore};
    case vbYesNoCancel: return {kYes, kNo, kCancel};
    case vbYesNo: return {kYes, kNo};
    case vbRetryCancel: return {kRetry, kCancel};
    default: return {kOk};
    }
}

QMessageBox::Icon iconOf(int buttons)
{
    switch (buttons & 0x70) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

/// Keeps a box without a way out (Yes/No, Abort/Retry/Ignore) open against
/// Escape and the close button: the user has to answer the question. Left
/// to itself the box would take "No" or "Abort" as the way out.
class RefuseDismissal final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int MsgBox(const QString &prompt, int buttons, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? QGuiApplication::applicationDisplayName() : title);
    box.setText(prompt);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(iconOf(buttons));

    const std::vector<ButtonDef> set = buttonSet(buttons);
    std::vector<QPushButton *> pushButtons;
    QPushButton *escape = nullptr;
    int escapeResult = set.back().result;
    for (const ButtonDef &def : set) {
        QPushButton *button = box.addButton(QString::fromUtf8(def.caption), def.role);
        pushButtons.push_back(button);
        if (def.result == vbCancel || set.size() == 1) {
            escape = button;
            escapeResult = def.result;
        }
    }
    const std::size_t defaultIndex = std::min<std::size_t>((buttons & 0xF00) >> 8, set.size() - 1);
    box.setDefaultButton(pushButtons[defaultIndex]);

    RefuseDismissal refuse;
    if (escape)
        box.setEscapeButton(escape);
    else
        box.installEventFilter(&refuse);

    box.exec();
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (box.clickedButton() == pushButtons[i])
            return set[i].result;
    }
    // Ended without a button (the application quit under it).
    return escapeResult;
}
