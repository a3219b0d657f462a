// The media player control's own rules that need no media: display-size
// geometry, the forms runtime's key and mouse arguments, and members used
// with nothing loaded.
#include "platform/forms/KeyCodes.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "util/RuntimeError.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

const QSize kScreen(1280, 1024);

TEST(DisplaySizeGeometry, NaturalHalfDoubleAndFit)
{
    const QSize natural(320, 240), current(500, 300);
    EXPECT_EQ(sizeForDisplaySize(0, natural, current, kScreen), QSize(320, 240));
    EXPECT_EQ(sizeForDisplaySize(1, natural, current, kScreen), QSize(160, 120));
    EXPECT_EQ(sizeForDisplaySize(2, natural, current, kScreen), QSize(640, 480));
    EXPECT_EQ(sizeForDisplaySize(4, natural, current, kScreen), current);
    EXPECT_EQ(sizeForDisplaySize(3, natural, current, kScreen), current);
    // Without a video the control's own size stands for the natural one.
    EXPECT_EQ(sizeForDisplaySize(2, QSize(), current, kScreen), QSize(1000, 600));
}

TEST(DisplaySizeGeometry, ScreenFractionsKeepTheVideoShape)
{
    const QSize natural(320, 240);
    const double screenArea = 1280.0 * 1024.0;
    const double fractions[] = {1.0 / 16, 1.0 / 4, 1.0 / 2};
    for (int mode = 5; mode <= 7; ++mode) {
        const QSize s = sizeForDisplaySize(mode, natural, QSize(10, 10), kScreen);
        EXPECT_NEAR(double(s.width()) * s.height() / screenArea, fractions[mode - 5], 0.005) << mode;
        EXPECT_NEAR(double(s.width()) / s.height(), 4.0 / 3.0, 0.01) << mode;
    }
    const QSize wide = sizeForDisplaySize(6, QSize(1920, 800), QSize(), kScreen);
    EXPECT_NEAR(double(wide.width()) / wide.height(), 2.4, 0.01);
}

TEST(KeyCodes, QtKeysBecomeVirtualKeyCodes)
{
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Q), 81);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Up), 38);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Down), 40);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Home), 36);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Delete), 46);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_F1), 112);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_F6), 117);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Exclam), 49); // Shift+1 is still the 1 key
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Plus), VK::OemPlus);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Plus, Qt::KeypadModifier), VK::Add);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_5, Qt::KeypadModifier), 101);
    EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_unknown), 0);
}

TEST(KeyCodes, ModifiersAndButtonsBecomeBits)
{
    EXPECT_EQ(shiftStateFromModifiers(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier), 7);
    EXPECT_EQ(shiftStateFromModifiers(Qt::ControlModifier | Qt::KeypadModifier), 2);
    EXPECT_EQ(mouseButtonBits(Qt::RightButton), 2);
    EXPECT_EQ(mouseButtonBits(Qt::LeftButton | Qt::MiddleButton), 5);

    const QKeyEvent ctrlQ(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, QStringLiteral("q"));
    EXPECT_EQ(keyAsciiOf(ctrlQ), 17);
    const QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    EXPECT_EQ(keyAsciiOf(f2), 0);
    const QKeyEvent f(QEvent::KeyPress, Qt::Key_F, Qt::NoModifier, QStringLiteral("f"));
    EXPECT_EQ(keyAsciiOf(f), 'f');
}

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setScreenMetricsOverride(ScreenMetrics{});
        control.resize(320, 240);
    }
    void TearDown() override { setScreenMetricsOverride(std::nullopt); }

    MediaPlayerControl control;
};

TEST_F(ControlTest, KeysAndMouseRaiseFormEventsInsteadOfActing)
{
    QSignalSpy keyDown(&control, &MediaPlayerControl::KeyDown);
    QSignalSpy keyPress(&control, &MediaPlayerControl::KeyPress);
    QSignalSpy mouseDown(&control, &MediaPlayerControl::MouseDown);
    QSignalSpy dblClick(&control, &MediaPlayerControl::DblClick);

    QTest::keyClick(&control, 'F', Qt::ShiftModifier);
    QTest::keyClick(&control, Qt::Key_Up);
    ASSERT_EQ(keyDown.size(), 3); // the Shift key itself goes down first
    EXPECT_EQ(keyDown[0], (QList<QVariant>{16, 1}));
    EXPECT_EQ(keyDown[1], (QList<QVariant>{70, 1}));
    EXPECT_EQ(keyDown[2], (QList<QVariant>{38, 0}));
    ASSERT_EQ(keyPress.size(), 1); // the arrow types no character
    EXPECT_EQ(keyPress[0][0].toInt(), 'F');

    QTest::mousePress(&control, Qt::RightButton, Qt::ControlModifier, QPoint(10, 20));
    ASSERT_EQ(mouseDown.size(), 1);
    EXPECT_EQ(mouseDown[0][0].toInt(), 2);
    EXPECT_EQ(mouseDown[0][1].toInt(), 2);
    EXPECT_DOUBLE_EQ(mouseDown[0][2].toDouble(), 150.0); // twips
    EXPECT_DOUBLE_EQ(mouseDown[0][3].toDouble(), 300.0);

    QTest::mouseDClick(&control, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    ASSERT_EQ(dblClick.size(), 1);
    EXPECT_EQ(dblClick[0][0].toInt(), 1);
}

TEST_F(ControlTest, NothingLoadedIsClosedAndTransportDoesNothing)
{
    EXPECT_EQ(control.PlayState(), MediaPlayState::Closed);
    EXPECT_EQ(control.Duration(), 0);
    EXPECT_FALSE(control.CanScan());
    QSignalSpy stateChanges(&control, &MediaPlayerControl::PlayStateChange);
    control.Play();
    control.FastForward();
    control.FastReverse();
    control.Stop();
    control.setCurrentPosition(5);
    EXPECT_EQ(control.PlayState(), MediaPlayState::Closed);
    EXPECT_EQ(control.CurrentPosition(), 0);
    EXPECT_TRUE(stateChanges.isEmpty());
}

TEST_F(ControlTest, ValuesItCannotTakeRaiseAndChangeNothing)
{
    control.setRate(2);
    EXPECT_THROW(control.setRate(0), RuntimeError);
    EXPECT_THROW(control.setRate(std::nan("")), RuntimeError);
    EXPECT_EQ(control.Rate(), 2);
    EXPECT_THROW(control.setCurrentPosition(std::nan("")), RuntimeError);
    EXPECT_THROW(control.setDisplaySize(8), RuntimeError);
    EXPECT_THROW(control.setDisplaySize(-1), RuntimeError);
    EXPECT_EQ(control.DisplaySize(), 0);
    EXPECT_EQ(control.size(), QSize(320, 240));
}

TEST_F(ControlTest, GeometryIsInTwipsAndFullScreenOfAHiddenControlOnlyKeepsTheValue)
{
    control.Move(-150, 300, 4800, 3600);
    EXPECT_EQ(control.geometry(), QRect(-10, 20, 320, 240));
    EXPECT_DOUBLE_EQ(control.Left(), -150);
    EXPECT_DOUBLE_EQ(control.Height(), 3600);
    control.setWidth(-30); // a cut that overshoots gives an empty control, not an error
    EXPECT_EQ(control.width(), 0);

    control.setWidth(4800);
    control.setDisplaySize(3);
    EXPECT_EQ(control.DisplaySize(), 3);
    EXPECT_FALSE(control.isFullScreenShown());
    control.setDisplaySize(0); // leaving puts it back without resizing
    EXPECT_EQ(control.size(), QSize(320, 240));
}

} // namespace
