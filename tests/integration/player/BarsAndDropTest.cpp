// The real window under the mouse: the cursor dragged in a burst, the
// speaker icons, the control's own events and files dropped on it.
#include "player/fmPlayer.h"

#include "TestSupport.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/media/MediaEngine.h"
#include "platform/media/WaitGuard.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/ClassPlayerDummy.h"
#include "playback/PlaybackSession.h"
#include "player/PanelWidgets.h"
#include "settings/ClassPref3.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

class BarsAndDrop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_pref.setFileName(m_dir.filePath("Kovaplex.ini"));
        m_window = std::make_unique<fmPlayer>(m_pref);
        m_window->setProcessEnd([] {});
    }

    ClassPlayerDummy &facade() { return m_window->session().facade(); }

    MediaEngine *activeEngine()
    {
        return facade().ActiveVideoMode == VideoMode::Mci
                   ? childNamed<VideoSurface>(*m_window, QStringLiteral("PiMCI"))->engine()
                   : childNamed<MediaPlayerControl>(*m_window, QStringLiteral("MPlayer"))->engine();
    }

    /// Plays `name` from the test media and waits until it runs.
    void playAndWait(const QString &name)
    {
        m_window->Play(testMedia(name));
        ASSERT_TRUE(waitUntil([&] { return facade().CurrentPosition() > 0.3; }, 15000));
    }

    /// A copy of a test file under a name of our own in the temporary folder.
    QString copyAs(const QString &media, const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QFile::copy(testMedia(media), path);
        return path;
    }

    /// Drags `urls` over the window to the centre of `target` and drops them
    /// there, as the window system delivers a drop: the window finds the
    /// widget. Returns whether the drop was accepted.
    bool dropOn(QWidget *target, const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = target->mapTo(m_window.get(), target->rect().center());
        QWindow *window = m_window->windowHandle();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
        return drop.isAccepted();
    }

    QTemporaryDir m_dir;
    ClassPref3 m_pref;
    std::unique_ptr<fmPlayer> m_window;
};

void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint centre = widget->rect().center();
    sendMouse(widget, QEvent::MouseButtonPress, centre, button, button);
    sendMouse(widget, QEvent::MouseButtonRelease, centre, button, Qt::NoButton);
}

} // namespace

TEST_F(BarsAndDrop, FastCursorDragSendsFewSeeksAndEndsAtTheLastTarget)
{
    for (const char *media : {"clip.avi", "clip.mp4"}) { // MCI, then the control
        SCOPED_TRACE(media);
        playAndWait(media);
        facade().vPause();
        facade().setCurrentPosition(6);
        // The timer puts the cursor under the position; the drag measures from there.
        QWidget *cursor = childNamed<QLabel>(
            *childNamed<PositionBar>(*m_window, QStringLiteral("PiPosition")), QStringLiteral("imCursor"));
        const int parkedLeft = cursor->x();
        ASSERT_TRUE(waitUntil([&] { return cursor->x() > parkedLeft + 50; }, 5000));
        MediaEngine *engine = activeEngine();
        ASSERT_NE(engine, nullptr);
        int engineSeeks = 0;
        const auto counting =
            QObject::connect(engine, &MediaEngine::positionChanged, [&engineSeeks] { ++engineSeeks; });

        sendMouse(cursor, QEvent::MouseButtonPress, QPoint(0, 8), Qt::LeftButton, Qt::LeftButton);
        // 200 moves, 0.06 s apart, from 6 s ahead of the cursor back to 5 s
        // behind it, faster than any seek completes.
        for (int x = 100; x > -84; --x)
            sendMouse(cursor, QEvent::MouseMove, QPoint(x, 8), Qt::NoButton, Qt::LeftButton);
        for (int i = 0; i < 16; ++i)
            sendMouse(cursor, QEvent::MouseMove, QPoint(-83, 8), Qt::NoButton, Qt::LeftButton);
        sendMouse(cursor, QEvent::MouseButtonRelease, QPoint(-83, 8), Qt::LeftButton, Qt::NoButton);

        // Where the last move puts the cursor's centre on the track, pixels.
        const int trackLength =
            childNamed<PositionBar>(*m_window, QStringLiteral("PiPosition"))->width() - 32;
        const double last = (3 + cursor->x() - 83 - 16) * facade().Duration() / trackLength;
        EXPECT_TRUE(waitUntil([&] { return std::abs(facade().CurrentPosition() - last) < 0.05; }, 5000))
            << facade().CurrentPosition();
        QObject::disconnect(counting);
        EXPECT_GE(engineSeeks, 1);
        EXPECT_LE(engineSeeks, 10);
    }
}

TEST_F(BarsAndDrop, SpeakerSwapsAndMutesTheControlOnly)
{
    PositionBar *bar = childNamed<PositionBar>(*m_window, QStringLiteral("PiPosition"));
    for (const char *media : {"clip.mp4", "clip.avi"}) {
        SCOPED_TRACE(media);
        playAndWait(media);
        const bool control = facade().ActiveVideoMode != VideoMode::Mci;
        click(bar->speaker(0));
        EXPECT_TRUE(bar->speaker(0)->isHidden());
        EXPECT_FALSE(bar->speaker(1)->isHidden());
        EXPECT_EQ(facade().Mute(), control);
        click(bar->speaker(1));
        EXPECT_FALSE(bar->speaker(0)->isHidden());
        EXPECT_TRUE(bar->speaker(1)->isHidden());
        EXPECT_FALSE(facade().Mute());
    }
}

TEST_F(BarsAndDrop, ControlsOwnEventsReachTheWindow)
{
    playAndWait("clip.mp4");
    MediaPlayerControl *control = childNamed<MediaPlayerControl>(*m_window, QStringLiteral("MPlayer"));
    ASSERT_FALSE(control->isHidden());
    int menus = 0;
    QObject::connect(childNamed<QMenu>(*m_window, QStringLiteral("mnuExec")), &QMenu::aboutToShow, [&] {
        ++menus;
        QTimer::singleShot(0, childNamed<QMenu>(*m_window, QStringLiteral("mnuExec")), &QMenu::close);
    });

    // J is the pause of the key map; the control takes the key itself.
    QKeyEvent key(QEvent::KeyPress, Qt::Key_J, Qt::NoModifier, "j");
    QApplication::sendEvent(control, &key);
    EXPECT_EQ(control->PlayState(), MediaPlayState::Paused);

    const QPoint centre = control->rect().center();
    sendMouse(control, QEvent::MouseButtonDblClick, centre, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(control->DisplaySize(), DisplaySizeMode::FullScreen);
    sendMouse(control, QEvent::MouseButtonDblClick, centre, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(control->DisplaySize(), DisplaySizeMode::Default);

    click(control);
    EXPECT_EQ(menus, 0);
    click(control, Qt::RightButton);
    EXPECT_EQ(menus, 1);
}

TEST_F(BarsAndDrop, DropPlaysTheFirstLocalFileAndRefusingControlsTakeNone)
{
    m_window->Play(QString());
    const QString japanese = copyAs("clip.avi", "日本語 の \"動画\" 'x'.avi");
    const QString other = copyAs("tone.wav", "other file.wav");
    const QList<QUrl> urls{QUrl("http://example.org/clip.avi"), QUrl::fromLocalFile(japanese),
                           QUrl::fromLocalFile(other)};
    // Dragged from a file manager: percent-encoded on the way.
    ASSERT_TRUE(urls[1].toEncoded().contains("%E6%97%A5"));

    PositionBar *bar = childNamed<PositionBar>(*m_window, QStringLiteral("PiPosition"));
    const QList<QWidget *> refusing{childNamed<MediaPlayerControl>(*m_window, QStringLiteral("MPlayer")),
                                    bar->cursor(), bar->speaker(0)};
    // The video above the panel, where a drop can reach it.
    m_window->SetVideoSize(static_cast<float>(320 * screenMetrics().twipsPerPixelX));
    for (QWidget *widget : refusing) {
        EXPECT_FALSE(dropOn(widget, urls)) << widget->objectName().toStdString();
        EXPECT_TRUE(facade().FileName().isEmpty());
    }
    EXPECT_FALSE(
        dropOn(childNamed<VolumeBar>(*m_window, QStringLiteral("PiVolume")), {QUrl("sftp://host/clip.avi")}));
    EXPECT_TRUE(facade().FileName().isEmpty());

    EXPECT_TRUE(dropOn(childNamed<VolumeBar>(*m_window, QStringLiteral("PiVolume")), urls));
    EXPECT_EQ(facade().FileName().toStdString(), japanese.toStdString());
    EXPECT_TRUE(dropOn(m_window->BtSkip(2), {QUrl::fromLocalFile(other)}));
    EXPECT_EQ(facade().FileName().toStdString(), other.toStdString());
}

TEST_F(BarsAndDrop, DropDuringTheResumeQuestionWaitsForTheAnswer)
{
    const QString remembered = testMedia("long.mp4");
    const QString dropped = copyAs("clip.mp4", "dropped.mp4");
    m_pref.SaveSetting("Files", remembered, "30,90");
    m_window->Play(QString());

    QString duringQuestion;
    int questions = 0;
    whenModal<QWidget>([&](QWidget &box) {
        ++questions;
        dropOn(childNamed<PictureBox>(*m_window, QStringLiteral("PiCtrl")), {QUrl::fromLocalFile(dropped)});
        duringQuestion = facade().FileName();
        // Still the one question, not a second opening inside the first.
        EXPECT_EQ(QApplication::activeModalWidget(), &box);
        pressButton(box, "最初から再生");
    });
    m_window->Play(remembered);
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(duringQuestion.isEmpty());
    EXPECT_EQ(facade().FileName().toStdString(), dropped.toStdString());
}

namespace {

TEST_F(BarsAndDrop, DropWhileAnEngineWaitsIsTakenAndOpenedAfterTheWait)
{
    m_window->Play(QString());
    const QString dropped = copyAs("clip.mp4", "dropped while waiting.mp4");
    {
        // As an engine's bounded wait inside a handler keeps the events
        // flowing: the drop is taken, not refused, but nothing opens inside
        // the wait.
        const WaitGuard guard;
        EXPECT_TRUE(dropOn(childNamed<PictureBox>(*m_window, QStringLiteral("PiCtrl")),
                           {QUrl::fromLocalFile(dropped)}));
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents(WaitGuard::flags());
        EXPECT_TRUE(facade().FileName().isEmpty());
    }
    EXPECT_TRUE(waitUntil([&] { return facade().FileName() == dropped; }, 15000));
}

} // namespace
