// The window's buttons, keys and menu with a fake engine behind the facade:
// which engine calls each input makes, and what the view sizes do to the
// real window.
#include "player/fmPlayer.h"

#include "FakeMediaPlayerControl.h"
#include "TestSupport.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/mixer/Mixer.h"
#include "playback/ClassPlayerDummy.h"
#include "playback/PlaybackSession.h"
#include "playback/mVolCtrl.h"
#include "player/BarArithmetic.h"
#include "player/PanelWidgets.h"
#include "player/PlayerCommands.h"
#include "settings/ClassPref3.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

// Readable failure messages.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class PlayerCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_player = std::make_unique<fmPlayer>(m_pref);
        m_player->setProcessEnd([this] { ++m_ends; });
        m_fake.fileName = QStringLiteral("/media/a b.avi");
        m_fake.position = 10;
        m_fake.duration = 100;
        m_fake.playState = MediaPlayState::Playing;
        m_player->Play(QString());
        // The fake takes the control's place behind the facade.
        m_player->session().facade().omPlay = &m_fake;
        m_player->session().facade().ActiveVideoMode = VideoMode::MPlay;
    }

    /// Types `keys` into the window as the user does, to whatever has the focus.
    void type(const char *keys, QWidget *target = nullptr)
    {
        for (const char *k = keys; *k; ++k)
            QTest::keyClick(target ? target : m_player->BtState(0), *k);
    }

    /// Runs `open`, which opens the popup menu, and returns the names of the
    /// visible entries at the top level of the menu shown (empty when none
    /// showed within a second), and closes it.
    QStringList openedMenu(const std::function<void()> &open)
    {
        QStringList visible;
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = waitUntil([] { return QApplication::activePopupWidget() != nullptr; }, 500);
            QWidget *popup = QApplication::activePopupWidget();
            if (!popup)
                return;
            for (QAction *action : popup->actions()) {
                if (action->isVisible())
                    visible << action->objectName();
            }
            popup->close();
        });
        open();
        // A menu that never opened leaves the check above waiting; let it end.
        waitUntil([&] { return shown || QApplication::activePopupWidget() == nullptr; }, 1000);
        QApplication::processEvents();
        return visible;
    }

    void TearDown() override
    {
        if (m_mixer)
            mixerClose(m_mixer);
    }

    /// Opens a mixer handle of the test's own (m_mixer, closed with the test)
    /// and finds the speakers' volume (m_volume): another program on the
    /// desktop, as far as the window can tell.
    ::testing::AssertionResult openOwnMixer()
    {
        if (mixerOpen(&m_mixer, 0, 0) != MMSYSERR_NOERROR)
            return ::testing::AssertionFailure() << "no mixer";
        if (GetVolumeControl(m_mixer, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERCONTROL_CONTROLTYPE_VOLUME,
                             m_volume) != MMSYSERR_NOERROR)
            return ::testing::AssertionFailure() << "no volume control";
        return ::testing::AssertionSuccess();
    }

    ClassPref3 m_pref;
    FakeControl m_fake;
    std::unique_ptr<fmPlayer> m_player;
    int m_ends = 0;
    HMIXER m_mixer = nullptr;
    MIXERCONTROL m_volume;
};

} // namespace

TEST_F(PlayerCommands, TransportLettersDriveTheEngine)
{
    // From normal speed on a file that cannot scan: the ladder, then Play
    // back to 1; the steps move one frame of 29.97 per second.
    type("fggggggfkh");
    EXPECT_EQ(m_fake.calls.join(' '), "Rate=1 Play Rate=2 Rate=4 Rate=8 Rate=16 Rate=32 Rate=1 Play "
                                      "CurrentPosition=10.0333667 CurrentPosition=10");
    EXPECT_EQ(m_player->focusWidget(), childNamed<PictureBox>(*m_player, QStringLiteral("PiCtrl")));

    m_fake.calls.clear();
    m_fake.rate = 1.5;
    type("gjdsa");
    m_fake.playState = MediaPlayState::Paused;
    m_fake.canScan = true;
    type("Jg");
    EXPECT_EQ(m_fake.calls.join(' '), "Pause Stop CurrentPosition=0 FastReverse Play FastForward");

    // With no file the buttons and letters only move the focus.
    m_fake.calls.clear();
    m_fake.fileName.clear();
    m_player->BtSkip(2)->setFocus();
    type("fgjkhdas");
    for (int i = 0; i < 8; ++i)
        m_player->BtState(i)->click();
    EXPECT_TRUE(m_fake.calls.isEmpty()) << m_fake.calls.join(' ').toStdString();
    EXPECT_EQ(m_player->focusWidget(), childNamed<PictureBox>(*m_player, QStringLiteral("PiCtrl")));
}

TEST_F(PlayerCommands, SkipsReadTheCaptionAtTheMomentOfTheSkip)
{
    type("z"); // -30 at 10 s: not checked
    EXPECT_EQ(m_fake.calls.takeFirst(), "CurrentPosition=-20");
    m_player->BtSkip(3)->setText("+20");
    m_player->BtSkip(3)->click();
    EXPECT_EQ(m_fake.calls.takeFirst(), "CurrentPosition=0");
    m_player->BtSkip(3)->setText("abc");
    m_player->BtSkip(3)->click();
    EXPECT_EQ(m_fake.calls.takeFirst(), "CurrentPosition=0"); // written back all the same

    // A skip letter that is also a transport letter only skips; the menu's
    // fixed "+120(N)" runs the button's +90.
    m_player->BtSkip(1)->setText("-10(F)");
    type("F");
    childNamed<QAction>(*m_player, "mnuExec_Skip_S5")->trigger();
    EXPECT_EQ(m_fake.calls.join(' '), "CurrentPosition=-10 CurrentPosition=80");
    EXPECT_EQ(childNamed<QAction>(*m_player, "mnuExec_Skip_S5")->text(), "+120(N)");
}

TEST_F(PlayerCommands, KeysReachTheWindowFromEveryControlAndNoInputMethod)
{
    const QList<QWidget *> targets{
        m_player->BtSkip(5), childNamed<PictureBox>(*m_player, QStringLiteral("PiCtrl")),
        childNamed<VolumeBar>(*m_player, QStringLiteral("PiVolume")),
        childNamed<MediaPlayerControl>(*m_player, QStringLiteral("MPlayer")), m_player.get()};
    for (QWidget *target : targets) {
        m_fake.calls.clear();
        type("fq", target); // q alone is swallowed
        EXPECT_EQ(m_fake.calls.join(' '), "Rate=1 Play") << qPrintable(target->objectName());
    }
    for (QWidget *widget : m_player->findChildren<QWidget *>())
        EXPECT_FALSE(widget->testAttribute(Qt::WA_InputMethodEnabled)) << qPrintable(widget->objectName());

    // Ctrl+Shift+Q closes the window as "終了" does, from the control too.
    QTest::keyClick(childNamed<MediaPlayerControl>(*m_player, QStringLiteral("MPlayer")), Qt::Key_Q,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(m_player->hasClosed());
    EXPECT_EQ(m_ends, 1);
}

TEST_F(PlayerCommands, RightClickOpensTheMenuWhereItShould)
{
    const auto rightClick = [](QWidget *widget) {
        return [widget] { QTest::mousePress(widget, Qt::RightButton, {}, QPoint(2, 2)); };
    };
    const QStringList plain{"mnuExec_ViewSize", "mnuExec_Skip", "mnuExec_ViewSize_Zero",
                            "mnuExec_Front",    "mnuExec_90",   "mnuExec_Version",
                            "mnuExec_99",       "mnuExec_Exit"};
    EXPECT_EQ(openedMenu(rightClick(m_player->BtState(3))), plain);
    EXPECT_EQ(
        openedMenu(rightClick(childNamed<QLabel>(
            *childNamed<PositionBar>(*m_player, QStringLiteral("PiPosition")), QStringLiteral("Label1")))),
        plain);
    EXPECT_EQ(openedMenu(rightClick(childNamed<PictureBox>(*m_player, QStringLiteral("PiCtrl"))->client())),
              plain);
    EXPECT_EQ(openedMenu([this] {
                  QWidget *bar = childNamed<PositionBar>(*m_player, QStringLiteral("PiPosition"));
                  QTest::mousePress(bar, Qt::RightButton, {}, bar->rect().center());
              }),
              plain);

    // From a skip button: the skip-time entry and its separator, while open
    // (what the entry does is tested with the dialog on the window).
    const QStringList fromSkip = openedMenu(rightClick(m_player->BtSkip(4)));
    EXPECT_TRUE(fromSkip.contains("mnuExec_89") && fromSkip.contains("mnuExec_SkipModify"));
    EXPECT_FALSE(childNamed<QAction>(*m_player, "mnuExec_SkipModify")->isVisible());

    const QList<QWidget *> quiet{
        childNamed<VolumeBar>(*m_player, QStringLiteral("PiVolume"))->client(),
        childNamed<QLabel>(*childNamed<PositionBar>(*m_player, QStringLiteral("PiPosition")),
                           QStringLiteral("imCursor")),
        childNamed<PositionBar>(*m_player, QStringLiteral("PiPosition"))->speaker(0),
        childNamed<PictureBox>(*m_player, QStringLiteral("PiVBase"))};
    for (QWidget *widget : quiet)
        EXPECT_TRUE(openedMenu(rightClick(widget)).isEmpty()) << qPrintable(widget->objectName());
}

TEST_F(PlayerCommands, ViewSizesSetTheDisplaySizeThenTheWidth)
{
    MediaPlayerControl *control = childNamed<MediaPlayerControl>(*m_player, QStringLiteral("MPlayer"));
    const double tx = screenMetrics().twipsPerPixelX;
    const struct {
        int key;
        int displaySize;
        int width;
    } cases[] = {
        {Qt::Key_F2, 7, 160}, {Qt::Key_F3, 4, 320}, {Qt::Key_F4, 0, 640},
        {Qt::Key_F5, 2, 800}, {Qt::Key_F6, 2, 960}, {Qt::Key_Delete, 0, qRound(780 / tx)},
    };
    for (const auto &c : cases) {
        QTest::keyClick(m_player->BtState(0), static_cast<Qt::Key>(c.key));
        EXPECT_EQ(control->DisplaySize(), c.displaySize) << c.key;
        EXPECT_EQ(control->width(), c.width) << c.key;
        EXPECT_FLOAT_EQ(m_player->videoWidth(), static_cast<float>(c.width == 52 ? 780 : c.width * tx))
            << c.key;
    }
    // The compact view: the panel alone.
    EXPECT_EQ(childNamed<PictureBox>(*m_player, QStringLiteral("PiCtrl"))->y(),
              qRound(75 / screenMetrics().twipsPerPixelY));
    QTest::keyClick(m_player->BtState(0), Qt::Key_F1);
    EXPECT_EQ(control->width(), qRound(780 / tx));

    childNamed<QAction>(*m_player, "mnuExec_ViewSize_DoubleSize")->trigger();
    EXPECT_EQ(control->DisplaySize(), 2);
    EXPECT_FLOAT_EQ(m_player->videoWidth(), static_cast<float>(control->Width()));
}

TEST_F(PlayerCommands, FullScreenCoversTheScreenAndComesBack)
{
    QTest::keyClick(m_player->BtState(0), Qt::Key_F3);
    ASSERT_TRUE(waitUntil([&] { return m_player->windowHandle() && m_player->windowHandle()->isExposed(); }));
    const QRect before = m_player->frameGeometry();
    MediaPlayerControl *control = childNamed<MediaPlayerControl>(*m_player, QStringLiteral("MPlayer"));

    // Home: full screen, then back to display size 0 at the last width.
    QTest::keyClick(m_player->BtState(0), Qt::Key_Home);
    EXPECT_EQ(control->DisplaySize(), 3);
    ASSERT_TRUE(control->isFullScreenShown());
    QWidget *full = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top != m_player.get() && top->isVisible() && top->windowState() & Qt::WindowFullScreen)
                full = top;
        return full && full->geometry() == full->screen()->geometry();
    })) << "no window covers the screen";
    // Keys typed there come to the window's map: Home again leaves.
    QTest::keyClick(full, Qt::Key_Home);
    EXPECT_EQ(control->DisplaySize(), 0);
    EXPECT_FALSE(control->isFullScreenShown());
    EXPECT_EQ(control->width(), 320);
    ASSERT_TRUE(waitUntil([&] { return m_player->frameGeometry() == before; }));

    // A double click returns to the size in force before it, without sizing.
    m_player->MPlayer_DblClick();
    EXPECT_EQ(control->DisplaySize(), 3);
    EXPECT_EQ(m_player->savedDisplaySize(), 0);
    QTest::keyClick(m_player->BtState(0), Qt::Key_F5); // display size 2 while full: leaves
    m_player->MPlayer_DblClick();
    m_player->MPlayer_DblClick();
    EXPECT_EQ(control->DisplaySize(), 2);
    EXPECT_EQ(m_player->savedDisplaySize(), 2);
}

TEST_F(PlayerCommands, VolumeKeysStepTheMixerWhichHoldsItsRange)
{
    ASSERT_TRUE(openOwnMixer());
    const HMIXER mixer = m_mixer;
    const MIXERCONTROL volume = m_volume;
    const auto level = [&] { return GetVolume(mixer, volume.dwControlID); };
    // The window reads the level through a mixer handle of its own, which
    // learns of a change made by another handle only when the sound server's
    // event arrives; it then draws what that handle reads into the volume
    // bar. A step (1/24 of the range) always moves the bar by a
    // segment, so a bar showing the level's segment count proves the window
    // knows the new level, and only then may the next key be pressed.
    const auto barShows = [&](std::int32_t expected) {
        const int lit = volumeLitSegments(expected);
        return waitUntil(
            [&] {
                const QImage &bar = childNamed<VolumeBar>(*m_player, QStringLiteral("PiVolume"))->canvas();
                const auto green = [&](int i) { return bar.pixelColor(3 + 4 * i, 3) == QColor(0, 192, 0); };
                return (lit == 0 || green(lit - 1)) && (lit == VolumeSegments || !green(lit));
            },
            3000);
    };
    // Both sides agree: the server (through the test's handle) and the window.
    const auto settles = [&](std::int32_t expected) -> ::testing::AssertionResult {
        if (!waitUntil([&] { return std::abs(level() - expected) <= 2; }, 3000))
            return ::testing::AssertionFailure() << "mixer reads " << level() << ", expected " << expected;
        if (!barShows(expected))
            return ::testing::AssertionFailure() << "the bar does not show " << expected;
        return ::testing::AssertionSuccess();
    };
    const auto press = [&](Qt::Key key) { QTest::keyClick(m_player->BtSkip(0), key); };

    // At either end a key past it holds there (no wrap to the other end):
    // the key back then lands one step inside. Each pair starts from a level
    // the window has been seen to read.
    SetVolume(mixer, volume.dwControlID, 0);
    ASSERT_TRUE(settles(0));
    press(Qt::Key_Down);
    press(Qt::Key_Up);
    EXPECT_TRUE(settles(2731));
    press(Qt::Key_Up);
    EXPECT_TRUE(settles(2 * 2731));

    SetVolume(mixer, volume.dwControlID, 65535);
    ASSERT_TRUE(settles(65535));
    press(Qt::Key_Up);
    press(Qt::Key_Down);
    EXPECT_TRUE(settles(65535 - 2731));
    press(Qt::Key_Down);
    EXPECT_TRUE(settles(65535 - 2 * 2731));
}

// A paused window's status timer rests, and the volume bar still follows a
// change made elsewhere on the desktop: the mixer tells the window.
TEST_F(PlayerCommands, APausedWindowRestsAndStillShowsTheSystemVolume)
{
    ASSERT_TRUE(openOwnMixer());
    const HMIXER mixer = m_mixer;
    const MIXERCONTROL volume = m_volume;
    const std::int32_t before = GetVolume(mixer, volume.dwControlID);
    const auto restore = qScopeGuard([&] { SetVolume(mixer, volume.dwControlID, before); });
    std::int32_t shown = -1;
    QObject::connect(&m_player->session(), &PlaybackSession::volumeChanged,
                     [&](std::int32_t level) { shown = level; });

    const auto *timer = m_player->findChild<QTimer *>(QStringLiteral("Timer1"));
    type("j");
    m_fake.playState = MediaPlayState::Paused;
    ASSERT_TRUE(waitUntil([&] { return !timer->isActive(); }, 3000));
    for (const std::int32_t level : {2 * 2731, 20 * 2731}) {
        ASSERT_EQ(SetVolume(mixer, volume.dwControlID, level), MMSYSERR_NOERROR);
        EXPECT_TRUE(waitUntil([&] { return std::abs(shown - level) <= 2; }, 3000))
            << shown << " for " << level;
        EXPECT_FALSE(timer->isActive());
    }
}

TEST(PlayerFirstStart, CancelShowsTheEmptyWindowAndABadRecordIsNone)
{
    const QString file = testMedia("clip.avi");
    for (const char *record : {"4,12", "1E+10,90"}) {
        ClassPref3 pref;
        pref.SaveSetting("Files", file, record);
        fmPlayer player(pref);
        player.setProcessEnd([] {});
        bool asked = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto *box = QApplication::activeModalWidget()) {
                asked = true;
                for (QPushButton *button : box->findChildren<QPushButton *>())
                    if (button->text() == "キャンセル")
                        button->click();
            }
        });
        poll.start(20);
        player.Play(file);
        poll.stop();

        EXPECT_TRUE(player.isVisible()) << record;
        EXPECT_TRUE(player.findChild<QTimer *>(QStringLiteral("Timer1"))->isActive()) << record;
        if (QString(record) == "4,12") {
            EXPECT_TRUE(asked);
            EXPECT_TRUE(player.session().facade().FileName().isEmpty());
        } else {
            EXPECT_FALSE(asked);
            EXPECT_EQ(player.session().facade().FileName(), file);
        }
    }
}
