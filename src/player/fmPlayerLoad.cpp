// Loading and closing the main window.

#include "player/fmPlayer.h"

#include "dialogs/MixerErrorBox.h"
#include "dialogs/comMsg.h"
#include "platform/forms/Diagnostics.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/forms/SystemErrorText.h"
#include "platform/forms/WindowFrame.h"
#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "playback/PlaybackSession.h"
#include "playback/mVolCtrl.h"
#include "player/BackgroundSave.h"
#include "player/PanelWidgets.h"
#include "player/PlayerGeometry.h"
#include "player/ResumeKeeper.h"
#include "player/ResumeRecords.h"
#include "settings/ClassPref3.h"
#include "util/Numbers.h"
#include "util/RuntimeError.h"
#include "util/Variant.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {} // namespace

void fmPlayer::loadStep()
{
    m_session->attachEngines(MPlayer, PiMCI);
    connect(m_session, &PlaybackSession::ticked, this,
            [this](double position, double length, std::int32_t volume) {
                Timer1_Timer(position, length, volume);
            });
    // A change of the system volume shows at once, between ticks as well.
    connect(m_session, &PlaybackSession::volumeChanged, this, [this](std::int32_t level) {
        traceValue("volume", QString::number(level));
        PiVolume->setLevel(level);
    });
    // Until the first Play lays the window out, the control stands at the
    // width the settings ask for, so that a close before that (the resume
    // question cancelled, a signal) stores that width back unchanged.
    const float videoWidth = storedVideoWidth();
    MPlayer->Move(0, 0, videoWidth, videoWidth / 4 * 3);

    // Main.Left and Main.Top are the frame's outer corner, as the close
    // stores them and as every move of the window asks for it (see
    // moveWindowFrame). The place is held so that the title bar can be
    // reached, whatever the file says.
    refreshFrameSizes();
    const QPoint here = frameGeometry().topLeft();
    const FormPlace stored =
        m_settings.formPlace(PlacedForm::Main, {here.x() * static_cast<double>(TwipsPerPixelX),
                                                here.y() * static_cast<double>(TwipsPerPixelY)});
    const ScreenMetrics &screen = screenMetrics();
    const QPointF held = heldWindowPlace(static_cast<float>(stored.left), static_cast<float>(stored.top),
                                         width() * static_cast<double>(TwipsPerPixelX) + 2 * FrameX,
                                         std::max<double>(FrameY, 24 * TwipsPerPixelY),
                                         PlayerDesign::TitleGrab, screen.workArea);
    const QPoint outer(twipsToWidgetPixels(static_cast<float>(held.x()), TwipsPerPixelX),
                       twipsToWidgetPixels(static_cast<float>(held.y()), TwipsPerPixelY));
    moveWindowFrame(*this, outer);

    PiPosition->drawFrame();
    PiVolume->setBorderStyle(0);

    for (int i = 0; i < PlayerSettings::SkipCount; ++i)
        BtSkip(i)->setText(skipCaption(m_settings.skipTime(i), m_settings.accessKey(i)));

    const MMRESULT opened = m_session->openMixer();
    if (opened != MMSYSERR_NOERROR) {
        ShowMixerError(opened);
        return;
    }

    if (m_settings.videoDisp() != mnuExec_ViewSize_Zero->isChecked())
        mnuExec_ViewSize_Zero_Click();
    if (m_settings.frontSet() != mnuExec_Front->isChecked())
        mnuExec_Front_Click();
}

void fmPlayer::keepPlaces()
{
    m_backgroundSave = new BackgroundSave(m_pref, this);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    m_keeper = std::make_unique<ResumeKeeper>(
        m_pref, [clock] { return clock->elapsed(); },
        [this](const QString &note) { m_backgroundSave->saveSoon(note); });
    connect(m_session, &PlaybackSession::fileChanged, this,
            [this](const QString &file) { runGuarded("Timer1_Timer", [&] { m_keeper->fileOpened(file); }); });
    connect(m_session, &PlaybackSession::playStateChanged, this, [this] { m_keeper->changed(); });
    connect(m_session, &PlaybackSession::seekDone, this, [this] { m_keeper->changed(); });
    connect(m_session, &PlaybackSession::ticked, this, [this](double position, double length) {
        runGuarded("Timer1_Timer", [&] {
            const std::int32_t state = m_session->hasFile() ? m_session->playState() : 0;
            m_keeper->tick({m_session->fileName(), position, length, m_session->endedShort(),
                            state == MediaPlayState::Playing || state == MediaPlayState::ScanForward ||
                                state == MediaPlayState::ScanReverse});
        });
    });
}

void fmPlayer::saveSettings()
{
    try {
        // This save supersedes any made while playing, and must not race one.
        m_backgroundSave->finish();
        m_pref.Save();
        Q_EMIT settingsWritten();
    } catch (const SettingsFileError &error) {
        Q_EMIT settingsWritten();
        // The old file stays as it was, but every place of this run is lost:
        // the user has to know, and which file it was.
        reportRuntimeError("Form_Unload", error);
        ShowMsg(QStringLiteral("設定を保存できませんでした。\r\n") + error.fileName() +
                    QStringLiteral("\r\n") + systemErrorLine(error.systemError(), error.reason()),
                MsgStyle::OkOnly | MsgStyle::Critical);
    }
}

void fmPlayer::mnuExec_ViewSize_Zero_Click()
{
    const bool show = !mnuExec_ViewSize_Zero->isChecked();
    PiVBase->setVisible(show);
    mnuExec_ViewSize_Zero->setChecked(show);
    m_settings.setVideoDisp(show);
}

void fmPlayer::mnuExec_Front_Click()
{
    const bool front = !mnuExec_Front->isChecked();
    mnuExec_Front->setChecked(front);
    FrontSet(front);
    m_settings.setFrontSet(front);
}

void fmPlayer::closeEvent(QCloseEvent *event)
{
    closeStep();
    event->accept();
}

void fmPlayer::closeStep()
{
    if (m_closed)
        return;
    m_closed = true;
    Q_EMIT closing();

    // Each part is guarded on its own: a facade that fails to answer must
    // not cost the window's place and settings.
    runGuarded("Form_Unload", [this] {
        const double position = m_session->position();
        const double length = m_session->duration();
        m_keeper->settle(m_session->fileName(), position, length,
                         isWorthResuming(position, length) || m_session->endedShort());
    });
    runGuarded("Form_Unload", [this] { m_session->close(); });
    runGuarded("Form_Unload", [this] {
        // Where the place is unknown (Wayland) the stored one is kept for the
        // next start on a window system that has places.
        if (windowPlaceIsKnown()) {
            const QRect outer = outerWindowGeometry(this);
            m_settings.setFormPlace(PlacedForm::Main, {outer.x() * static_cast<double>(TwipsPerPixelX),
                                                       outer.y() * static_cast<double>(TwipsPerPixelY)});
        }
        m_settings.setVideoSize(MPlayer->Width() / TwipsPerPixelX);
        m_settings.setVideoDisp(mnuExec_ViewSize_Zero->isChecked());
    });
    runGuarded("Form_Unload", [this] { saveSettings(); });
    runGuarded("Form_Unload", [this] { Q_EMIT unloading(); });
    if (m_processEnd)
        m_processEnd();
}
