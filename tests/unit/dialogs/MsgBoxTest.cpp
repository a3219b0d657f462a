#include "dialogs/comMsg.h"
#include "dialogs/fmMsg.h"
#include "platform/forms/ScreenMetrics.h"
#include "util/RuntimeError.h"

#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

class MsgBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setScreenMetricsOverride(ScreenMetrics{});
        for (int i = 0; i <= 7; ++i)
            SetMsgButtonCaption(i, QString());
        SetMsgButtonCount(0);
    }
    void TearDown() override { setScreenMetricsOverride(std::nullopt); }
};

struct ButtonInfo {
    QString caption;
    bool isDefault;
    bool isCancel;
};

std::vector<ButtonInfo> buttonsOf(int flags)
{
    fmMsg box;
    AddMsgButtons(box, flags);
    std::vector<ButtonInfo> out;
    for (int i = 0; i < box.ButtonCount(); ++i)
        out.push_back(
            {box.BtButton(i)->text(), box.BtButton(i)->isDefault(), box.BtButton(i) == box.cancelButton()});
    return out;
}

int pixelsX(double twips)
{
    return twipsToPixelsX(twips);
}

TEST_F(MsgBoxTest, ButtonSetsCarryTheirCaptionsAndRoles)
{
    auto ok = buttonsOf(0);
    ASSERT_EQ(ok.size(), 1u);
    EXPECT_EQ(ok[0].caption, QStringLiteral("OK"));
    EXPECT_TRUE(ok[0].isDefault);

    auto yesNoCancel = buttonsOf(0x23);
    ASSERT_EQ(yesNoCancel.size(), 3u);
    EXPECT_EQ(yesNoCancel[0].caption, QStringLiteral("はい"));
    EXPECT_EQ(yesNoCancel[1].caption, QStringLiteral("いいえ"));
    EXPECT_EQ(yesNoCancel[2].caption, QStringLiteral("キャンセル"));
    EXPECT_TRUE(yesNoCancel[0].isDefault && yesNoCancel[2].isCancel);
    EXPECT_FALSE(yesNoCancel[1].isDefault || yesNoCancel[2].isDefault);

    auto second = buttonsOf(0x123);
    EXPECT_TRUE(second[1].isDefault && second[2].isCancel);
    EXPECT_FALSE(second[0].isDefault);

    // Yes/No/Cancel with the third default has no cancel button at all.
    auto third = buttonsOf(0x223);
    EXPECT_TRUE(third[2].isDefault);
    EXPECT_FALSE(third[0].isCancel || third[1].isCancel || third[2].isCancel);

    auto okCancel2 = buttonsOf(0x101);
    EXPECT_TRUE(okCancel2[0].isCancel && okCancel2[1].isDefault);

    auto abortRetryIgnore4 = buttonsOf(0x302);
    EXPECT_FALSE(abortRetryIgnore4[0].isDefault || abortRetryIgnore4[1].isDefault);
    EXPECT_TRUE(abortRetryIgnore4[2].isCancel);

    auto save = buttonsOf(14);
    ASSERT_EQ(save.size(), 3u);
    EXPECT_EQ(save[1].caption, QStringLiteral("名前を変更して保存"));

    EXPECT_TRUE(buttonsOf(7).empty());
    EXPECT_TRUE(buttonsOf(15).empty());
    EXPECT_TRUE(buttonsOf(0x4F).empty());
}

TEST_F(MsgBoxTest, CaptionTableReplacesBuiltInCaptionsOnlyForTheFirstSixSets)
{
    SetMsgButtonCaption(6, QStringLiteral("する"));
    SetMsgButtonCaption(7, QStringLiteral("しない"));
    auto table = buttonsOf(0x84);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].caption, QStringLiteral("する"));
    EXPECT_EQ(table[1].caption, QStringLiteral("しない"));
    EXPECT_EQ(buttonsOf(0x86)[0].caption, QStringLiteral("今すぐ"));
}

TEST_F(MsgBoxTest, CallerCaptionsGiveTheirIndexAndNoRoles)
{
    SetMsgButtonCaption(1, QStringLiteral("続きを再生"));
    SetMsgButtonCaption(2, QStringLiteral("最初から再生"));
    SetMsgButtonCaption(3, QStringLiteral("キャンセル"));
    SetMsgButtonCount(3);
    auto buttons = buttonsOf(13);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[1].caption, QStringLiteral("最初から再生"));
    for (const ButtonInfo &b : buttons)
        EXPECT_FALSE(b.isDefault || b.isCancel) << b.caption.toStdString();

    for (int answer = 0; answer < 3; ++answer) {
        whenModal<fmMsg>([answer](fmMsg &box) { box.BtButton(answer)->click(); });
        EXPECT_EQ(ShowMsg(QStringLiteral("続きから?"), 13, QStringLiteral("App.Title")), answer + 1);
    }
    whenModal<fmMsg>([](fmMsg &box) {
        EXPECT_EQ(box.windowTitle(), QCoreApplication::applicationName());
        box.close();
    });
    EXPECT_EQ(ShowMsg(QStringLiteral("続きから?"), 13, QStringLiteral("App.Title")), 128);
}

TEST_F(MsgBoxTest, BadCaptionIndexOrCountIsARuntimeError)
{
    EXPECT_EQ(errorNumber([] { SetMsgButtonCaption(8, QStringLiteral("x")); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(errorNumber([] { SetMsgButtonCaption(-1, QStringLiteral("x")); }), ErrNo::SubscriptOutOfRange);
    SetMsgButtonCount(8);
    // The error ends the call before anything is shown; no box is left behind.
    EXPECT_EQ(errorNumber([] { ShowMsg(QStringLiteral("?"), 13); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(), QApplication::topLevelWidgets().end(),
                             [](QWidget *w) { return qobject_cast<fmMsg *>(w) != nullptr; }));
}

TEST_F(MsgBoxTest, OptionAndCheckBoxAddToTheResultExceptForDismissingButtons)
{
    fmMsg box;
    box.AddOpt(QStringLiteral("一つ目"), 0, true);
    box.AddOpt(QStringLiteral("二つ目"), 1, true);
    box.AddCh(QStringLiteral("次回から表示しない"), 1);
    AddMsgButtons(box, 1);
    EXPECT_TRUE(box.OpMsg(1)->isChecked());

    box.BtButton_Click(0);
    EXPECT_EQ(box.ButtonNumber, 1 + 256 - 32768);
    box.BtButton_Click(1); // Cancel ignores the choices
    EXPECT_EQ(box.ButtonNumber, 2);

    box.OpMsg(0)->setChecked(true);
    box.ChMsg()->setChecked(false);
    box.BtButton_Click(0);
    EXPECT_EQ(box.ButtonNumber, 1);
    EXPECT_EQ(errorNumber([&] { box.BtButton_Click(2); }), ErrNo::SubscriptOutOfRange);
}

TEST_F(MsgBoxTest, BoxWithoutButtonsGetsACloseButtonThatUnloadsIt)
{
    fmMsg box;
    AddMsgButtons(box, 7);
    box.DispCenter();
    ASSERT_EQ(box.ButtonCount(), 1);
    EXPECT_EQ(box.BtButton(0)->text(), QStringLiteral("Close"));
    EXPECT_TRUE(box.BtButton(0)->isDefault());
    box.show();
    box.BtButton(0)->click();
    EXPECT_EQ(box.ButtonNumber, 2);
    EXPECT_TRUE(box.isUnloaded());
    EXPECT_FALSE(box.isVisible());

    fmMsg timed;
    timed.TimeOut = 5;
    timed.DispSlide();
    EXPECT_EQ(timed.ButtonCount(), 0); // the time-out will close it

    whenModal<fmMsg>([](fmMsg &b) { b.BtButton(0)->click(); });
    EXPECT_EQ(ShowMsg(QStringLiteral("お知らせ"), 7), 2);
}

TEST_F(MsgBoxTest, KeysAndFrameAnswerTheModalBox)
{
    whenModal<fmMsg>([](fmMsg &box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(ShowMsg(QStringLiteral("消しますか?"), 3), 2);

    whenModal<fmMsg>([](fmMsg &box) { QTest::keyClick(&box, Qt::Key_Return); });
    EXPECT_EQ(ShowMsg(QStringLiteral("消しますか?"), 0x103), 7);

    // Esc without a cancel button leaves the question open.
    whenModal<fmMsg>([](fmMsg &box) {
        QTest::keyClick(&box, Qt::Key_Escape);
        EXPECT_TRUE(box.isVisible());
        box.close();
    });
    EXPECT_EQ(ShowMsg(QStringLiteral("消しますか?"), 0x223), 128);
}

TEST_F(MsgBoxTest, TimeOutAndCallBackEndTheModalCall)
{
    EXPECT_EQ(ShowMsg(QStringLiteral("すぐ消えます"), 0, QStringLiteral("t"), 0.01F), 128);

    // A modeless box unloads itself on time-out and, if asked to, is freed.
    QPointer<fmMsg> modeless = new fmMsg;
    modeless->setAttribute(Qt::WA_DeleteOnClose);
    modeless->TimeOut = 0.01F;
    modeless->DispText(QStringLiteral("通知"));
    modeless->show();
    EXPECT_TRUE(waitUntil([&] { return modeless.isNull(); }));

    int calls = 0;
    EXPECT_EQ(ShowMsg(QStringLiteral("処理中"), 7, QStringLiteral("t"), 0, [&] { ++calls; }), 128);
    EXPECT_EQ(calls, 1);
}

TEST_F(MsgBoxTest, TypingIntoTheInputMakesTheFirstButtonTheDefault)
{
    fmMsg box;
    AddMsgButtons(box, 0x101); // Cancel-like first button, OK default
    box.setInputLabel(QStringLiteral("名前:"));
    box.setInputLength(8);
    EXPECT_TRUE(box.TxInput()->isVisibleTo(&box));
    EXPECT_TRUE(box.BtButton(1)->isDefault());

    box.setInputStr(QStringLiteral("新しい名前は長すぎる"));
    EXPECT_EQ(box.InputStr(), QStringLiteral("新しい名前は長す")); // cut to the maximum length
    EXPECT_TRUE(box.BtButton(0)->isDefault());
    EXPECT_FALSE(box.BtButton(1)->isDefault());

    box.setInputStr(QString());
    EXPECT_TRUE(box.BtButton(1)->isDefault());
    EXPECT_EQ(box.cancelButton(), box.BtButton(0));
}

// The real box with the desktop's font: positions follow from the measured
// sizes of the label and the buttons.
TEST_F(MsgBoxTest, ShortAndLongMessagesWithoutIcon)
{
    fmMsg shortBox;
    shortBox.DrawSysIcon(0);
    shortBox.DispText(QStringLiteral("完了"));
    AddMsgButtons(shortBox, 0);
    shortBox.DispCenter();
    const QLabel *label = shortBox.LaMessage();
    const QPushButton *ok = shortBox.BtButton(0);
    EXPECT_EQ(label->pos(), QPoint(8, 8));
    ASSERT_LT(label->width() * 15 + 465, ok->width() * 15 + 240); // the premise: the row is wider
    EXPECT_EQ(shortBox.width(), ok->width() + 16);
    EXPECT_EQ(ok->x(), 8);
    EXPECT_EQ(shortBox.height(), ok->y() + ok->height() + 8);
    EXPECT_EQ(ok->y(), label->y() + label->height() + 24);
    EXPECT_NEAR(shortBox.x(), 640 - shortBox.width() / 2, 1);
    EXPECT_NEAR(shortBox.y(), 512 - shortBox.height() / 2, 1);

    fmMsg longBox;
    longBox.DispText(QStringLiteral("「/home/user/動画/とても長い名前のファイル.avi」を覚えています。\r\n"
                                    "00:01:02/00:20:00 から再生しますか？"));
    AddMsgButtons(longBox, 3);
    longBox.DispCenter();
    const QLabel *message = longBox.LaMessage();
    EXPECT_EQ(message->text().count(QLatin1Char('\n')), 1);
    EXPECT_EQ(longBox.width(), pixelsX(message->width() * 15 + 465));
    EXPECT_GT(longBox.width(), shortBox.width());
    const int rowLeft = longBox.BtButton(0)->x();
    const int rowRight = longBox.BtButton(2)->x() + longBox.BtButton(2)->width();
    EXPECT_NEAR(rowLeft, longBox.width() - rowRight, 1); // the row is centred
    EXPECT_EQ(longBox.BtButton(1)->x(), longBox.BtButton(0)->x() + longBox.BtButton(0)->width() + 4);
    EXPECT_NEAR(longBox.x(), 640 - longBox.width() / 2, 1);
}

TEST_F(MsgBoxTest, ALongNameIsBrokenIntoLinesSoTheBoxFitsTheScreen)
{
    // The resume question for a 122-character Japanese path.
    QString name = QStringLiteral("/home/user/");
    while (name.size() < 122)
        name += QStringLiteral("長い名前の動画フォルダ/");
    name = name.left(118) + QStringLiteral(".mp4");
    ASSERT_EQ(name.size(), 122);
    const QString question = QStringLiteral("「") + name +
                             QStringLiteral("」を覚えています。\r\n00:01:02/00:20:00 から再生しますか？");
    for (const bool icon : {false, true}) {
        fmMsg box;
        if (icon)
            box.DrawSysIcon(0x20);
        box.DispText(question);
        AddMsgButtons(box, 3);
        box.DispCenter();
        const QRect screen(0, 0, 1280, 1024);
        EXPECT_TRUE(screen.contains(box.frameGeometry())) << box.frameGeometry().width() << " px wide";
        const QLabel *label = box.LaMessage();
        EXPECT_TRUE(box.rect().contains(label->geometry()));
        EXPECT_GE(label->text().count('\n'), 2);
        // Every character is still there, the end of the sentence too.
        EXPECT_EQ(QString(label->text()).remove('\n'), QString(question).remove(QStringLiteral("\r\n")));
    }
}

TEST_F(MsgBoxTest, MessageIsShownAsWrittenNeverAsMarkup)
{
    fmMsg box;
    const QString name = QStringLiteral("<b>映画</b> & <i>音楽</i>.avi");
    box.DispText(name);
    EXPECT_GE(box.LaMessage()->width(), box.LaMessage()->fontMetrics().horizontalAdvance(name));
}

TEST_F(MsgBoxTest, IconPushesTheMessageRightAndSetsTheHeight)
{
    fmMsg box;
    box.DrawSysIcon(0x1FFF & 0x40);
    box.DispText(QStringLiteral("保存しました。"));
    AddMsgButtons(box, 0);
    ASSERT_TRUE(box.Picture1()->isVisibleTo(&box));
    EXPECT_EQ(box.Picture1()->geometry(), QRect(8, 8, 32, 32));
    const QLabel *label = box.LaMessage();
    EXPECT_EQ(label->x(), 8 + 32 + 8);
    ASSERT_LT(label->height(), 32);
    EXPECT_NEAR(label->y() + label->height() / 2.0, 8 + 16, 1); // centred on the icon
    EXPECT_EQ(box.BtButton(0)->y(), 40 + 24);
    EXPECT_EQ(box.width(), std::max(48 + label->width() + 16, box.BtButton(0)->width() + 16));

    box.DispText(QStringLiteral("一行目\r\n二行目\r\n三行目"));
    ASSERT_GE(label->height(), 32);
    EXPECT_EQ(label->y(), 8);
    EXPECT_EQ(box.BtButton(0)->y(), label->y() + label->height() + 24);

    box.DrawSysIcon(0x50); // not an icon
    EXPECT_FALSE(box.Picture1()->isVisibleTo(&box));
    EXPECT_EQ(label->pos(), QPoint(8, 8));
}

} // namespace
