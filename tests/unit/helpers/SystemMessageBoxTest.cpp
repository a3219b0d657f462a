#include "platform/forms/SystemMessageBox.h"
#include "dialogs/MixerErrorBox.h"
#include "playback/mVolCtrl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

/// What a test saw of the box that opened.
struct SeenBox {
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

/// Waits for the next modal message box, records it and hands it to `act`
/// (which must close it). Gives up after a while and closes whatever is
/// modal, so a broken test fails instead of hanging.
class BoxWatcher final {
public:
    explicit BoxWatcher(std::function<void(QMessageBox &)> act)
        : m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(10);
    }

    SeenBox seen;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            if (++m_ticks > 500)
                m_timer.stop();
            return;
        }
        m_timer.stop();
        seen.shown = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton *button : box->buttons())
            seen.buttons << button->text();
        seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        m_act(*box);
    }

    std::function<void(QMessageBox &)> m_act;
    QTimer m_timer;
    int m_ticks = 0;
};

QAbstractButton *buttonWithText(QMessageBox &box, const QString &text)
{
    for (QAbstractButton *button : box.buttons()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

void press(QMessageBox &box, const char *caption)
{
    if (QAbstractButton *button = buttonWithText(box, QString::fromUtf8(caption)))
        button->click();
    else
        box.done(0);
}

TEST(SystemMessageBox, ReturnsThePressedButtonAndHonoursIconDefaultAndTitle)
{
    BoxWatcher watcher([](QMessageBox &box) { press(box, "いいえ(&N)"); });
    const SeenBox &seen = watcher.seen;
    const int result = MsgBox(QStringLiteral("続けますか"), vbYesNoCancel + vbQuestion + vbDefaultButton2,
                              QStringLiteral("題"));
    EXPECT_EQ(result, vbNo);
    EXPECT_EQ(seen.title, QStringLiteral("題"));
    EXPECT_EQ(seen.text, QStringLiteral("続けますか"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons.size(), 3);
    EXPECT_EQ(seen.defaultButton, QStringLiteral("いいえ(&N)"));
}

TEST(SystemMessageBox, EscapeMeansCancelOrOkButIsRefusedWithoutAWayOut)
{
    {
        BoxWatcher watcher([](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); });
        EXPECT_EQ(MsgBox(QStringLiteral("a"), vbRetryCancel), vbCancel);
    }
    {
        BoxWatcher watcher([](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); });
        EXPECT_EQ(MsgBox(QStringLiteral("b"), vbOKOnly), vbOK);
    }

    // Yes/No has no way out: Escape and closing leave the box open until a
    // button is pressed.
    bool stillOpenAfterEscape = false;
    BoxWatcher watcher([&](QMessageBox &box) {
        QTest::keyClick(&box, Qt::Key_Escape);
        box.close();
        stillOpenAfterEscape = box.isVisible();
        press(box, "はい(&Y)");
    });
    EXPECT_EQ(MsgBox(QStringLiteral("c"), vbYesNo), vbYes);
    EXPECT_TRUE(stillOpenAfterEscape);
}

TEST(MixerErrorBox, TextIsTheCodeInBracketsAndItsDescriptionIfAny)
{
    EXPECT_EQ(MixerErrorText(2), QStringLiteral("[2] 指定されたデバイスIDは無効です。"));
    // Code 7 alone ends in the half-width full stop.
    EXPECT_EQ(MixerErrorText(7), QStringLiteral("[7] リソースを割り当てることはできません") + QChar(0xFF61));
    for (const MMRESULT code : {1u, 3u, 8u, 9u, 12u, 1024u, 1025u})
        EXPECT_EQ(MixerErrorText(code), QStringLiteral("[%1] ").arg(code)) << code;
}

TEST(MixerErrorBox, ShowsAWarningWithOneOkButtonAndTheApplicationTitle)
{
    BoxWatcher watcher([](QMessageBox &box) { press(box, "OK"); });
    const SeenBox &seen = watcher.seen;
    ShowMixerError(MMSYSERR_NODRIVER);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.text, QStringLiteral("[6] 利用可能なミキサーデバイスがありません。"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(seen.title, QGuiApplication::applicationDisplayName());

    BoxWatcher bare([](QMessageBox &box) { press(box, "OK"); });
    ShowMixerError(3);
    EXPECT_EQ(bare.seen.text, QStringLiteral("[3] "));
}

TEST(MixerErrorBox, SuccessShowsNothing)
{
    // A box would be modal, so ShowMixerError would only return once the
    // watcher had seen and closed it.
    BoxWatcher watcher([](QMessageBox &box) { box.done(0); });
    ShowMixerError(MMSYSERR_NOERROR);
    EXPECT_FALSE(watcher.seen.shown);
}

} // namespace
