#pragma once

#include "platform/mixer/Mixer.h"
#include "settings/PlayerSettings.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class ClassMCIPlay;
class ClassPlayerDummy;
class ClassPref3;
class MediaPlayerControl;
class PictureBox;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class VideoSurface;

/// The main window: a video area above a control panel, and the one owner
/// of the playback facade, the MCI backend and the mixer handle.
///
/// Lengths of the window and its controls are twips (single precision);
/// pixel lengths convert with the twips per pixel read at load, x for
/// widths and lefts, y for heights and tops.
///
/// Constructing the window runs its load step: the controls at their design
/// places, the facade wired to the control `MPlayer` and the MCI surface
/// `PiMCI`, the saved window place, the skip captions, the mixer (a failed
/// open shows the mixer error box and skips the rest of the load), and the
/// stored video-shown and always-on-top states. The window stays hidden
/// until Play().
///
/// Every public method runs on the GUI thread. Play() and the handlers run
/// their bodies inside runGuarded(): a runtime error ends that call only.
class fmPlayer final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fmPlayer)

public:
    /// Loads the window. `pref` is the process-wide settings object; it must
    /// outlive the window.
    explicit fmPlayer(ClassPref3 &pref, QWidget *parent = nullptr);
    ~fmPlayer() override;

    /// Opens a media file (surrounding double quotes are dropped; an empty
    /// name closes the current file). When a resume record exists the user
    /// is asked, in a modal box, whether to continue there, start over or
    /// cancel (cancel leaves everything as it was). Then the file goes to the
    /// facade, the window is shown and sized, and the next timer tick starts
    /// playback. Notes the previous file's resume record.
    void Play(const QString &FileName);

    /// Gives the video a width of `w` twips (4:3 height), applies the stored
    /// cut, lays out the window (video above the panel, or the panel alone
    /// when the cut video box is narrower than 1000 twips), keeps it on the
    /// screen and stores the width as the setting "VideoSize".
    void SetVideoSize(float w);
    /// The last width given to SetVideoSize(), twips.
    float videoWidth() const { return VideoWidth; }

    /// -1 puts the window into the topmost band, any other value takes it
    /// out; either way it is raised, shown, keeps its place and size, and
    /// does not take the activation. The menu check is not touched.
    void FrontSet(int Flag);
    /// true is -1, false 0.
    void FrontSet(bool Flag) { FrontSet(Flag ? -1 : 0); }
    /// Whether the window is in the topmost band now.
    bool isTopmost() const;

    /// Crops the video by the stored "CutPercent" percentages.
    void CutDisplay();
    /// Crops the video by the given percentages (text, read by their leading
    /// number): moves the video left and up inside `PiVBase` and shrinks the
    /// box (never below 0). The window's size is not changed.
    void CutDisplaySub(const QString &cLeft, const QString &cTop, const QString &cBottom,
                       const QString &cRight);

    /// Draws the volume bar for a mixer level (0..65535; beyond either end
    /// lights all or none of the 24 segments).
    void UpdateVolumeBar(std::int32_t Level);

    /// One tick of the status timer: starts playback after Play(), then
    /// shows the time, the volume and the position cursor.
    void Timer1_Timer();

    /// The video-shown toggle ("表示する"): shows or hides the video box and
    /// stores the new state under "Setting" / "VideoDisp".
    void mnuExec_ViewSize_Zero_Click();
    /// The always-on-top toggle ("常に手前に表示"): FrontSet with the new
    /// state, stored under "Window" / "FrontSet".
    void mnuExec_Front_Click();

    /// The close step: stores the current file's resume record (when more
    /// than 10 seconds remain), closes the MCI device, stores the window's
    /// place, the video size and the video-shown state, saves the settings
    /// file, emits unloading() and ends the process (see setProcessEnd).
    /// Closing the window runs it; so may a session that ends the program.
    /// It runs once: later calls do nothing. A failing step is reported on
    /// stderr and the following steps still run, so one fault does not cost
    /// the saved settings.
    void closeStep();
    /// Whether closeStep() has run.
    bool hasClosed() const { return m_closed; }
    /// What ends the process at the end of closeStep(); by default the
    /// application's event loops are left with exit code 0. Tests replace it.
    void setProcessEnd(std::function<void()> end) { m_processEnd = std::move(end); }

    /// The facade and the controls, for the window's dialogs and for tests.
    ClassPlayerDummy &player() const { return *m_player; }
    ClassMCIPlay &mciPlay() const { return *m_mciPlay; }
    QPushButton *BtState(int index) const { return m_btState.at(static_cast<std::size_t>(index)); }
    QPushButton *BtSkip(int index) const { return m_btSkip.at(static_cast<std::size_t>(index)); }
    MediaPlayerControl *mediaPlayer() const { return MPlayer; }
    VideoSurface *mciSurface() const { return PiMCI; }
    QLabel *timeLabel() const { return Label1; }
    QLabel *positionCursor() const { return imCursor; }
    PictureBox *videoBase() const { return PiVBase; }
    PictureBox *controlPanel() const { return PiCtrl; }
    PictureBox *positionBar() const { return PiPosition; }
    PictureBox *volumeBar() const { return PiVolume; }
    QMenu *execMenu() const { return mnuExec; }
    QAction *viewSizeZeroItem() const { return mnuExec_ViewSize_Zero; }
    QAction *frontItem() const { return mnuExec_Front; }
    QTimer *statusTimer() const { return Timer1; }
    bool pendingPlay() const { return PendingPlay; }
    /// Frame sizes in use, twips.
    float frameX() const { return FrameX; }
    float frameY() const { return FrameY; }

Q_SIGNALS:
    /// The close step is about to end the process; forms that live beside
    /// the window unload on it.
    void unloading();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    void loadStep();
    void drawPanelFrames();
    void drawPositionBar();
    void drawPositionBarFrame();
    void placeCursor(double position, double length);
    void refreshFrameSizes();
    void onFrameDrawn();

    /// Places a widget in its parent by twips.
    void placeTwips(QWidget *widget, double left, double top, double width, double height) const;
    double widthTwips(const QWidget *widget) const;
    double heightTwips(const QWidget *widget) const;

    ClassPref3 &m_pref;
    PlayerSettings m_settings;
    std::unique_ptr<ClassMCIPlay> m_mciPlay;
    std::unique_ptr<ClassPlayerDummy> m_player;

    // Controls, named as the window's design names them.
    PictureBox *PiVBase = nullptr;
    MediaPlayerControl *MPlayer = nullptr;
    VideoSurface *PiMCI = nullptr;
    PictureBox *PiCtrl = nullptr;
    std::array<QPushButton *, 8> m_btState{};
    std::array<QPushButton *, 6> m_btSkip{};
    PictureBox *PiPosition = nullptr;
    PictureBox *PiVolume = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *imCursor = nullptr;
    std::array<QLabel *, 2> ImSp{};
    QLabel *Image1 = nullptr;
    QLineEdit *TxDDESend = nullptr;
    QTimer *Timer1 = nullptr;
    QMenu *mnuExec = nullptr;
    QAction *mnuExec_ViewSize_Zero = nullptr;
    QAction *mnuExec_Front = nullptr;

    // Window state shared by the window's routines (twips unless said).
    float TwipsPerPixelX = 15;
    float TwipsPerPixelY = 15;
    float FrameX = 0;
    float FrameY = 0;
    float TrackLeft = 0;
    float TrackLength = 0;
    float TrackY = 0;
    float VideoWidth = 0;
    bool PendingPlay = false;
    std::int16_t SkipEditIndex = 0;
    HMIXER hMixer = nullptr;
    MIXERCONTROL m_volCtrl;

    bool m_closed = false;
    bool m_topmost = false;
    bool m_awaitFirstFrame = false;
    std::function<void()> m_processEnd;
};
