#include "dialogs/fmOptKey.h"

#include "dialogs/DesignForm.h"
#include "dialogs/DialogRules.h"
#include "dialogs/comMsg.h"
#include "util/RuntimeError.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

fmOptKey::fmOptKey(ClassPref3 &pref, SkipCaptions captions, QWidget *parent)
    : QDialog(parent)
    , m_settings(pref)
    , m_captions(std::move(captions))
    , m_txTime(new QLineEdit(this))
    , m_txChar(new QLineEdit(this))
    , m_btOK(new QPushButton(QStringLiteral("OK"), this))
{
    setWindowTitle(QStringLiteral("キー設定"));
    // A fixed dialog frame: a title, a close box, no resizing (setFixedSize below).
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    const std::array<const char *, 3> captionsOfLabels{"スキップする時間", "ショートカット文字", "秒"};
    for (std::size_t i = 0; i < m_label1.size(); ++i) {
        m_label1[i] = new QLabel(QString::fromUtf8(captionsOfLabels[i]), this);
        m_label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    }
    m_txTime->setObjectName(QStringLiteral("TxTime"));
    m_txChar->setObjectName(QStringLiteral("TxChar"));
    m_txChar->setMaxLength(1);
    m_btOK->setObjectName(QStringLiteral("btOK"));
    // Neither default nor cancel: Enter in a field must not apply the edit.
    m_btOK->setAutoDefault(false);
    m_btOK->setDefault(false);

    DesignForm form(QSizeF(3225, 1320));
    form.add(m_label1[0], QRectF(90, 90, 1365, 240));
    form.add(m_txTime, QRectF(1485, 90, 555, 270));
    form.add(m_label1[2], QRectF(2070, 135, 180, 180));
    form.add(m_label1[1], QRectF(90, 495, 1365, 240));
    form.add(m_txChar, QRectF(1485, 450, 285, 270));
    form.add(m_btOK, QRectF(2250, 855, 870, 330));
    form.apply(*this);

    setTabOrder(m_txTime, m_txChar);
    setTabOrder(m_txChar, m_btOK);
    connect(m_btOK, &QPushButton::clicked, this,
            [this] { runGuarded("btOK_Click", [this] { btOK_Click(); }); });

    loadDialogPlace(*this, m_settings, PlacedForm::KeySetting);
}

fmOptKey::~fmOptKey() = default;

void fmOptKey::Start(int index)
{
    m_buttonIndex = index;
    const QString caption = m_captions.read(index);
    if (const std::optional<QString> letter = captionAccessKey(caption))
        m_txChar->setText(*letter);
    m_txTime->setText(captionAmountText(caption));
    m_txTime->setFocus();
    exec();
}

void fmOptKey::btOK_Click()
{
    const QString time = m_txTime->text();
    QString caption;
    try {
        caption = editedSkipCaption(time, m_txChar->text());
    } catch (const RuntimeError &error) {
        if (error.number() != ErrNo::Overflow)
            throw;
        // A number beyond what a time can hold: the user is told here, and
        // the dialog stays open for the correction.
        ShowMsg(QStringLiteral("スキップする時間「%1」は大きすぎて扱えません。\r\n"
                               "秒数を入力し直してください。")
                    .arg(time),
                MsgStyle::OkOnly | MsgStyle::Exclamation);
        m_txTime->setFocus();
        m_txTime->selectAll();
        return;
    }
    m_captions.write(m_buttonIndex, caption);
    PushedButtonCaption = QStringLiteral("OK");
    m_settings.setSkipTime(m_buttonIndex, time);
    m_settings.setAccessKey(m_buttonIndex, m_txChar->text());
    closeDialog(Accepted);
}

void fmOptKey::closeDialog(int result)
{
    storeDialogPlace(*this, m_settings, PlacedForm::KeySetting);
    done(result);
}

void fmOptKey::closeEvent(QCloseEvent *event)
{
    // done() closes without a close event, so this is the user's close box,
    // system menu or Alt+F4: a cancel.
    event->accept();
    runGuarded("Form_QueryUnload", [this] {
        PushedButtonCaption = QStringLiteral("Cancel");
        closeDialog(Rejected);
    });
}

void fmOptKey::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::AltModifier) {
        // The system menu's close, for displays without a window manager.
        close();
        return;
    }
    // QDialog would press a default button on Enter and reject on Esc;
    // this dialog has neither.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
