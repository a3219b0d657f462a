#include "player/PanelWidgets.h"
#include "player/fmPlayer.h"

#include "TestSupport.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/forms/WindowFrame.h"
#include "platform/media/MediaEngine.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "playback/ClassPlayerDummy.h"
#include "playback/PlaybackSession.h"
#include "player/PictureBox.h"
#include "settings/ClassPref3.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

class PlayerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_pref.setFileName(m_dir.filePath("Kovaplex.ini"));
    }

    std::unique_ptr<fmPlayer> makePlayer()
    {
        auto player = std::make_unique<fmPlayer>(m_pref);
        player->setProcessEnd([this] { ++m_ends; });
        return player;
    }

    QString stored(const QString &section, const QString &key)
    {
        return m_pref.GetSetting(section, key, QString()).toText();
    }

    double tppX() const { return screenMetrics().twipsPerPixelX; }

    QTemporaryDir m_dir;
    ClassPref3 m_pref;
    int m_ends = 0;
};

/// Answers the next modal box by pressing the button captioned `caption`,
/// and keeps the text the box showed.
void answerNextBox(const QString &caption, QString *shownText = nullptr)
{
    whenModal<QWidget>([caption, shownText](QWidget &box) {
        const QString shown = pressButton(box, caption);
        if (shownText)
            *shownText = shown;
    });
}

} // namespace

TEST_F(PlayerWindow, LoadsDefaultsThenPlaysAndShowsTheTime)
{
    auto player = makePlayer();
    EXPECT_FALSE(player->isVisible());
    EXPECT_EQ(childNamed<QLabel>(*childNamed<PositionBar>(*player, QStringLiteral("PiPosition")),
                                 QStringLiteral("Label1"))
                  ->text(),
              "00:00:-1");
    const QStringList captions{"-30(Z)", "-10(X)", "-3(C)", "+10(V)", "+30(B)", "+90(N)"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(player->BtSkip(i)->text(), captions.at(i));
    EXPECT_TRUE(childNamed<QAction>(*player, QStringLiteral("mnuExec_ViewSize_Zero"))->isChecked());
    EXPECT_FALSE(childNamed<QAction>(*player, QStringLiteral("mnuExec_Front"))->isChecked());

    player->Play(testMedia("clip.avi"));
    EXPECT_TRUE(player->isVisible());
    EXPECT_TRUE(player->session().playPending());
    EXPECT_TRUE(player->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    // The stored default of 780 twips is the compact window: the panel alone.
    EXPECT_EQ(childNamed<PictureBox>(*player, QStringLiteral("PiCtrl"))->y(),
              qRound(75 / screenMetrics().twipsPerPixelY));
    EXPECT_EQ(player->width(), qRound((4410 + 75) / tppX()));

    const int parkedLeft = childNamed<QLabel>(*childNamed<PositionBar>(*player, QStringLiteral("PiPosition")),
                                              QStringLiteral("imCursor"))
                               ->x();
    ASSERT_TRUE(waitUntil([&] { return player->session().facade().CurrentPosition() > 1.5; }, 15000));
    waitUntil(
        [&] {
            return !childNamed<QLabel>(*childNamed<PositionBar>(*player, QStringLiteral("PiPosition")),
                                       QStringLiteral("Label1"))
                        ->text()
                        .startsWith("00:00:00");
        },
        2000);
    EXPECT_FALSE(player->session().playPending());
    EXPECT_TRUE(childNamed<QLabel>(*childNamed<PositionBar>(*player, QStringLiteral("PiPosition")),
                                   QStringLiteral("Label1"))
                    ->text()
                    .endsWith(" 00:00:12"))
        << childNamed<QLabel>(*childNamed<PositionBar>(*player, QStringLiteral("PiPosition")),
                              QStringLiteral("Label1"))
               ->text()
               .toStdString();
    EXPECT_GT(childNamed<QLabel>(*childNamed<PositionBar>(*player, QStringLiteral("PiPosition")),
                                 QStringLiteral("imCursor"))
                  ->x(),
              parkedLeft);
    EXPECT_EQ(stored("Setting", "VideoSize"), QString::number(qRound(780 / tppX())));
}

TEST_F(PlayerWindow, StoredSettingsComeBackAtLoad)
{
    m_pref.SaveSetting("KeySetting", "SkipTime3", "0");
    m_pref.SaveSetting("KeySetting", "SkipTime4", "5");
    m_pref.SaveSetting("KeySetting", "AccessKey4", "Q");
    m_pref.SaveSetting("Setting", "VideoDisp", "False");
    m_pref.SaveSetting("Window", "FrontSet", "True");
    m_pref.SaveSetting("Window", "Main.Left", "1500");
    m_pref.SaveSetting("Window", "Main.Top", "abc");
    auto player = makePlayer();
    EXPECT_EQ(player->BtSkip(3)->text(), "0(V)");
    EXPECT_EQ(player->BtSkip(4)->text(), "+5(Q)");
    EXPECT_FALSE(childNamed<QAction>(*player, QStringLiteral("mnuExec_ViewSize_Zero"))->isChecked());
    EXPECT_TRUE(childNamed<PictureBox>(*player, QStringLiteral("PiVBase"))->isHidden());
    EXPECT_TRUE(childNamed<QAction>(*player, QStringLiteral("mnuExec_Front"))->isChecked());
    EXPECT_TRUE(player->isTopmost());
    EXPECT_EQ(player->x(), qRound(1500 / tppX()));
    EXPECT_EQ(player->y(), 0); // not a number: 0

    // The toggles store their new state at once.
    player->mnuExec_Front_Click();
    EXPECT_FALSE(player->isTopmost());
    EXPECT_EQ(stored("Window", "FrontSet"), "False");
    player->mnuExec_ViewSize_Zero_Click();
    EXPECT_EQ(stored("Setting", "VideoDisp"), "True");
    EXPECT_FALSE(childNamed<PictureBox>(*player, QStringLiteral("PiVBase"))->isHidden());
}

TEST_F(PlayerWindow, AHugeStoredCutOrPlaceLeavesTheWindowOnTheScreen)
{
    // What a cut of -1e6 and the place it caused once stored.
    m_pref.SaveSetting("CutPercent", "Left", "-1e6");
    m_pref.SaveSetting("Window", "Main.Left", "-491505");
    m_pref.SaveSetting("Window", "Main.Top", "-300");
    auto player = makePlayer();
    player->Play(QString());
    player->SetVideoSize(static_cast<float>(320 * tppX())); // F3
    const QRect screen(QPoint(0, 0), screenMetrics().screenSize.toSize() / tppX());
    EXPECT_TRUE(waitUntil([&] { return screen.contains(player->frameGeometry()); }))
        << player->frameGeometry().x() << "," << player->frameGeometry().y() << " "
        << player->frameGeometry().width() << " wide";
    // A tenth of the video at most widens the box.
    EXPECT_EQ(childNamed<PictureBox>(*player, QStringLiteral("PiVBase"))->width(), 320 + 32 + 4);
}

TEST_F(PlayerWindow, CloseStepSavesOnceAndEndsTheProcess)
{
    auto player = makePlayer();
    player->Play(testMedia("long.mp4"));
    ASSERT_TRUE(waitUntil([&] { return player->session().facade().CurrentPosition() > 1; }, 15000));
    player->closeStep();
    EXPECT_TRUE(player->hasClosed());
    EXPECT_EQ(m_ends, 1);
    EXPECT_FALSE(player->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());

    ClassPref3 saved;
    ASSERT_TRUE(saved.Load(m_pref.FileName()));
    const QString record = saved.GetSetting("Files", testMedia("long.mp4"), QString()).toText();
    const QStringList fields = record.split(',');
    ASSERT_EQ(fields.size(), 2) << record.toStdString();
    EXPECT_GT(fields.at(0).toDouble(), 0.5);
    EXPECT_NEAR(fields.at(1).toDouble(), 90, 1);
    EXPECT_EQ(saved.GetSetting("Setting", "VideoDisp", QString()).toText(), "True");
    EXPECT_FALSE(saved.GetSetting("Window", "Main.Left", QString()).toText().isEmpty());

    // A second request (the window's close after a session signal) neither
    // saves again nor ends twice.
    ASSERT_TRUE(QFile::remove(m_pref.FileName()));
    player->closeStep();
    player->close();
    EXPECT_FALSE(QFileInfo::exists(m_pref.FileName()));
    EXPECT_EQ(m_ends, 1);

    // Nothing opens after the close step.
    player->Play(testMedia("clip.avi"));
    EXPECT_EQ(player->session().facade().FileName(), testMedia("long.mp4"));
}

TEST_F(PlayerWindow, CloseNearTheEndKeepsTheOlderRecord)
{
    m_pref.SaveSetting("Files", testMedia("clip.avi"), "3,12");
    auto player = makePlayer();
    answerNextBox("最初から再生");
    player->Play(testMedia("clip.avi"));
    ASSERT_TRUE(waitUntil([&] { return player->session().facade().CurrentPosition() > 2.2; }, 15000));
    player->closeStep(); // 12 s file: less than 10 s are left to watch
    EXPECT_EQ(stored("Files", testMedia("clip.avi")), "3,12");
}

TEST_F(PlayerWindow, ResumeQuestionOffersTheStoredPlace)
{
    const QString file = testMedia("long.mp4");
    m_pref.SaveSetting("Files", file, "30,90");
    auto player = makePlayer();
    QString shown;
    answerNextBox("続きを再生", &shown);
    player->Play('"' + file + '"');
    EXPECT_TRUE(shown.contains("「" + file + "」を覚えています。")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("00:00:30/00:01:30 から再生しますか？")) << shown.toStdString();
    EXPECT_EQ(player->session().facade().FileName(), file);
    ASSERT_TRUE(waitUntil([&] { return player->session().facade().CurrentPosition() > 30; }, 15000));
    EXPECT_LT(player->session().facade().CurrentPosition(), 40);
}

TEST_F(PlayerWindow, CancelLeavesThePlayingFileAndWritesNoRecord)
{
    auto player = makePlayer();
    const QString first = testMedia("long.mp4");
    player->Play(first);
    ASSERT_TRUE(waitUntil([&] { return player->session().facade().CurrentPosition() > 1; }, 15000));

    m_pref.SaveSetting("Files", testMedia("clip.mp4"), "4,12");
    // The playing file's place is kept as it plays; the cancel adds nothing.
    const QString kept = stored("Files", first);
    answerNextBox("キャンセル");
    player->Play(testMedia("clip.mp4"));
    EXPECT_EQ(player->session().facade().FileName(), first);
    EXPECT_EQ(stored("Files", first), kept);

    // Opening another file remembers the one that played.
    player->Play(testMedia("clip.avi"));
    EXPECT_TRUE(stored("Files", first).endsWith(",90")) << stored("Files", first).toStdString();
}

TEST_F(PlayerWindow, ARelativeNameIsOpenedAndRememberedUnderItsAbsoluteName)
{
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(testMediaDir()));
    const QString file = QDir::current().absoluteFilePath("long.mp4");
    m_pref.SaveSetting("Files", file, "30,90");
    auto player = makePlayer();
    QString shown;
    answerNextBox("最初から再生", &shown);
    player->Play("\"./long.mp4\"");
    QDir::setCurrent(before);
    EXPECT_TRUE(shown.contains("「" + file + "」")) << shown.toStdString();
    EXPECT_EQ(player->session().facade().FileName(), file);
}

TEST_F(PlayerWindow, ARenamedMovedOrCopiedFileIsOfferedItsPlace)
{
    const struct {
        const char *what;
        const char *opened;
        bool copy;
    } cases[] = {
        {"rename", "one/renamed.mp4", false},
        {"move to another folder", "two/long.mp4", false},
        {"copy", "two/copy.mp4", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir media;
        ASSERT_TRUE(QDir(media.path()).mkpath("one") && QDir(media.path()).mkpath("two"));
        const QString played = media.filePath("one/long.mp4");
        const QString opened = media.filePath(c.opened);
        ASSERT_TRUE(QFile::copy(testMedia("long.mp4"), played));
        // The same bytes of the case before must not be found, moved here.
        m_pref.ClearData();

        auto first = makePlayer();
        first->Play(played);
        ASSERT_TRUE(waitUntil([&] { return first->session().facade().CurrentPosition() > 1; }, 15000));
        first->closeStep();
        first.reset();
        const QString record = stored("Files", played);
        ASSERT_TRUE(record.endsWith(",90")) << record.toStdString();

        ASSERT_TRUE(c.copy ? QFile::copy(played, opened) : QFile::rename(played, opened));
        auto second = makePlayer();
        QString shown;
        answerNextBox("続きを再生", &shown);
        second->Play(opened);
        EXPECT_TRUE(shown.contains("「" + opened + "」を覚えています。")) << shown.toStdString();
        EXPECT_TRUE(shown.contains("/00:01:30 から再生しますか？")) << shown.toStdString();
        EXPECT_EQ(stored("Files", opened), record);
        EXPECT_EQ(stored("Files", played), c.copy ? record : QString());
        ASSERT_TRUE(waitUntil([&] { return second->session().facade().CurrentPosition() > 1; }, 15000));
        second->closeStep();
    }
}

TEST_F(PlayerWindow, ChosenTracksAreKeptForTheFileAndComeBackOnReopen)
{
    using K = MediaTrack::Kind;
    const struct {
        const char *file;
        bool onMci;
    } cases[] = {{"languages.mkv", false}, {"sidecar.avi", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = testMedia(c.file);
        m_pref.ClearData();
        // What plays, as the session lists it and as the core has it.
        const auto plays = [](fmPlayer &player, int audio, int subtitle) {
            MediaEngine *engine = player.session().facade().Engine();
            const MediaTracks tracks = player.session().tracks();
            return engine && selectedTrack(tracks, K::Audio) == audio &&
                   selectedTrack(tracks, K::Subtitle) == subtitle &&
                   engine->readProperty("current-tracks/audio/id").toInt() == audio &&
                   engine->readProperty("current-tracks/sub/id").toInt() == subtitle;
        };
        const auto entry = [](fmPlayer &player, const char *name) {
            return player.findChild<QAction *>(QLatin1String(name));
        };

        auto first = makePlayer();
        first->Play(file);
        EXPECT_EQ(first->session().playsOnMci(), c.onMci);
        ASSERT_TRUE(
            waitUntil([&] { return plays(*first, 1, 1) && entry(*first, "mnuExec_Audio_2"); }, 10000));
        EXPECT_TRUE(entry(*first, "mnuExec_Audio")->isVisible());
        EXPECT_TRUE(entry(*first, "mnuExec_Subtitle")->isVisible());
        entry(*first, "mnuExec_Audio_2")->trigger();
        entry(*first, "mnuExec_Subtitle_0")->trigger();
        EXPECT_EQ(stored("FileTracks", file), "a=2,s=no");
        EXPECT_TRUE(waitUntil([&] { return plays(*first, 2, 0); }));
        first->closeStep();
        first.reset();

        // Read from the file the close step wrote.
        m_pref.ClearData();
        ASSERT_TRUE(m_pref.Load(m_dir.filePath("Kovaplex.ini")));
        auto second = makePlayer();
        second->Play(file);
        EXPECT_TRUE(waitUntil([&] { return plays(*second, 2, 0); }, 10000));
        EXPECT_TRUE(waitUntil([&] {
            QAction *chosen = entry(*second, "mnuExec_Audio_2");
            QAction *none = entry(*second, "mnuExec_Subtitle_0");
            return chosen && chosen->isChecked() && none && none->isChecked();
        }));
        // A stop (on MCI a new device) keeps the choice.
        second->BtState_Click(transportIndex(Transport::Stop));
        EXPECT_TRUE(waitUntil([&] { return plays(*second, 2, 0); }, 10000));
        second->closeStep();
    }
}

TEST_F(PlayerWindow, ACloseBeforeTheFirstSizingStoresTheVideoWidthItFound)
{
    // A signal while the first start's resume question is open: the window
    // was never laid out, and the width stored (or the compact default) stays.
    for (const QString &width : {QString(), QStringLiteral("480")}) {
        SCOPED_TRACE(width.toStdString());
        m_pref.ClearData();
        if (!width.isEmpty())
            m_pref.SaveSetting("Setting", "VideoSize", width);
        m_pref.SaveSetting("Files", testMedia("clip.avi"), "3,12");
        auto player = makePlayer();
        QTimer::singleShot(0, [&player] {
            waitUntil([] { return QApplication::activeModalWidget() != nullptr; }, 10000);
            player->closeStep();
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        player->Play(testMedia("clip.avi"));
        ASSERT_TRUE(player->hasClosed());
        EXPECT_FALSE(player->isVisible());
        EXPECT_EQ(stored("Setting", "VideoSize"),
                  width.isEmpty() ? QString::number(qRound(780 / tppX())) : width);
    }
}

TEST_F(PlayerWindow, ADamagedStoredWidthIsHeldToTheScreen)
{
    const int screenPixels = qRound(screenMetrics().screenSize.width() / tppX());
    for (const char *width : {"99999", "1E+30"}) {
        SCOPED_TRACE(width);
        m_pref.ClearData();
        m_pref.SaveSetting("Setting", "VideoSize", width);
        auto player = makePlayer();
        player->Play(testMedia("clip.avi"));
        EXPECT_LE(player->findChild<MediaPlayerControl *>()->width(), screenPixels);
        player->closeStep();
        EXPECT_LE(stored("Setting", "VideoSize").toDouble(), screenPixels);
    }
}

TEST_F(PlayerWindow, AFileThatCannotBePlayedIsNamedInThePanel)
{
    // The compact layout of a first start (the panel covers the video area)
    // and a wide one; a short name and a long one.
    const struct {
        const char *videoSize;
        const char *file;
    } cases[] = {
        {nullptr, "random.mpg"}, {"640", "random.mpg"}, {nullptr, "a long name of a damaged file.mpg"}};
    QTemporaryDir dir;
    const QString longName = dir.filePath(QStringLiteral("a long name of a damaged file.mpg"));
    ASSERT_TRUE(QFile::copy(testMedia("random.mpg"), longName));
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + (c.videoSize ? c.videoSize : "compact"));
        m_pref.ClearData();
        if (c.videoSize)
            m_pref.SaveSetting("Setting", "VideoSize", c.videoSize);
        auto player = makePlayer();
        const QString file = QString::fromUtf8(c.file);
        player->Play(file == QLatin1String("random.mpg") ? testMedia(file) : longName);
        const QLabel *label = player->findChild<QLabel *>(QStringLiteral("LaMessage"));
        ASSERT_NE(label, nullptr);
        const auto shown = [&] {
            return label->isVisible() && label->toolTip().contains(QStringLiteral("「%1」").arg(file));
        };
        ASSERT_TRUE(waitUntil(shown)) << "no readable message in the panel";
        // The sentence and the reason whole; only the name may give way.
        EXPECT_TRUE(label->text().contains(QStringLiteral("」を再生できません。")))
            << label->text().toStdString();
        EXPECT_TRUE(label->text().contains(QStringLiteral("壊れたファイルです。")))
            << label->text().toStdString();
        for (const QString &line : label->text().split(u'\n'))
            EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->width()) << line.toStdString();
        // Nothing of the panel (the volume bar, the cursor) lies over it.
        const QWidget *panel = player->findChild<QWidget *>(QStringLiteral("PiCtrl"));
        ASSERT_NE(panel, nullptr);
        const QRect area(label->mapTo(player.get(), QPoint()), label->size());
        for (const QWidget *other : panel->findChildren<QWidget *>()) {
            if (other == label || !other->isVisible() || other->isAncestorOf(label) ||
                label->isAncestorOf(other))
                continue;
            const QRect rect(other->mapTo(player.get(), QPoint()), other->size());
            EXPECT_FALSE(rect.intersects(area)) << "covered by " << other->objectName().toStdString();
        }
        player->Play(testMedia("clip.avi"));
        EXPECT_TRUE(waitUntil([&] { return !label->isVisible(); }))
            << "the message stayed for a file that plays";
    }
}

TEST_F(PlayerWindow, ASaveThatFailsIsShownWithTheFileAndTheReason)
{
    m_pref.setFileName(m_dir.path()); // a folder cannot be written as a file
    auto player = makePlayer();
    QString shown;
    answerNextBox("OK", &shown);
    player->closeStep();
    EXPECT_TRUE(shown.contains(m_dir.path())) << shown.toStdString();
    EXPECT_TRUE(shown.contains("保存できませんでした")) << shown.toStdString();
    // The reason reads in Japanese first; the system's own words follow.
    const QString reason = shown.section(m_dir.path(), 1).trimmed();
    EXPECT_TRUE(reason.startsWith(QStringLiteral("システムエラーが発生しました。（")) ||
                reason.contains(QStringLiteral("。（エラー ")))
        << reason.toStdString();
    EXPECT_EQ(m_ends, 1);
}

TEST_F(PlayerWindow, WideLayoutAndCutFollowTheVideoWidth)
{
    auto player = makePlayer();
    player->Play(QString());
    const double tx = tppX();
    const double ty = screenMetrics().twipsPerPixelY;
    player->SetVideoSize(static_cast<float>(320 * tx));
    EXPECT_FLOAT_EQ(player->videoWidth(), static_cast<float>(320 * tx));
    EXPECT_EQ(stored("Setting", "VideoSize"), "320");

    PictureBox *base = childNamed<PictureBox>(*player, QStringLiteral("PiVBase"));
    EXPECT_EQ(base->width(), 324);
    EXPECT_EQ(base->height(), 244);
    EXPECT_EQ(childNamed<PictureBox>(*player, QStringLiteral("PiCtrl"))->y(),
              base->y() + base->height() + qRound(75 / ty));
    EXPECT_EQ(player->width(), 324 + qRound(150 / tx)); // the box is wider than the panel

    // A stored cut that leaves less than 1000 twips gives the panel alone.
    m_pref.SaveSetting("CutPercent", "Left", "45");
    m_pref.SaveSetting("CutPercent", "Right", "45");
    player->SetVideoSize(static_cast<float>(320 * tx));
    EXPECT_EQ(childNamed<PictureBox>(*player, QStringLiteral("PiCtrl"))->y(), qRound(75 / ty));
    EXPECT_EQ(base->width(), 32 + 4);
}

TEST_F(PlayerWindow, FrontSetTakesOnlyMinusOneAsOnAndKeepsThePlace)
{
    auto player = makePlayer();
    player->Play(QString());
    ASSERT_TRUE(waitUntil([&] { return player->windowHandle() && player->windowHandle()->isExposed(); }));
    const QRect before = player->geometry();

    player->FrontSet(-1);
    EXPECT_TRUE(player->isTopmost());
    EXPECT_TRUE(player->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    player->FrontSet(1);
    EXPECT_FALSE(player->isTopmost());
    player->FrontSet(true);
    EXPECT_TRUE(player->isTopmost());
    // The hand-over of a file raises the window this way and leaves it not
    // topmost, while the menu keeps its check.
    player->FrontSet(false);
    EXPECT_FALSE(player->isTopmost());
    EXPECT_FALSE(player->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(childNamed<QAction>(*player, QStringLiteral("mnuExec_Front"))->isChecked());

    // Nor does the window move or hide once the window system has caught up.
    EXPECT_FALSE(waitUntil([&] { return player->geometry() != before || !player->isVisible(); }, 500));
}

TEST(WindowFrame, MeasuredOnceExposedAndFallbackBefore)
{
    QWidget window;
    const WindowFrameSizes hidden = windowFrameSizes(&window);
    EXPECT_FALSE(hidden.measured);
    EXPECT_FALSE(windowFrameSizes(nullptr).measured);

    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.windowHandle()->isExposed(); }));
    const WindowFrameSizes shown = windowFrameSizes(&window);
    EXPECT_TRUE(shown.measured);
    const QRect outer = window.frameGeometry();
    const QRect client = window.geometry();
    EXPECT_FLOAT_EQ(2 * shown.frameX,
                    static_cast<float>((outer.width() - client.width()) * screenMetrics().twipsPerPixelX));
    EXPECT_FLOAT_EQ(shown.frameX + shown.frameY,
                    static_cast<float>((outer.height() - client.height()) * screenMetrics().twipsPerPixelY));

    // What was measured becomes the estimate for windows not yet framed.
    const WindowFrameSizes later = fallbackWindowFrameSizes();
    EXPECT_FALSE(later.measured);
    EXPECT_FLOAT_EQ(later.frameX, shown.frameX);
    EXPECT_FLOAT_EQ(later.frameY, shown.frameY);
}
