#pragma once

#include "dialogs/fmDispSizeSetting.h"
#include "platform/forms/Twips.h"
#include "player/PlayerCommands.h"
#include "settings/PlayerSettings.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class BackgroundSave;
class PlaybackSession;
class ResumeKeeper;
class ClassPref3;
class FileDropTarget;
class LatestSeek;
class OpenQueue;
struct OpenRequest;
class MediaEngine;
class fmDispSizeSetting;
class MediaPlayerControl;
class ButtonRow;
class PanelImage;
class PictureBox;
class PositionBar;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class VideoSurface;
class VolumeBar;

/// The main window: a video area above a control panel, a view of the
/// playback session (which owns the facade, the MCI client and the mixer)
/// and the controller that hands it the user's commands.
///
/// Lengths of the window and its controls are twips (single precision);
/// pixel lengths convert with the twips per pixel read at load, x for
/// widths and lefts, y for heights and tops.
///
/// Constructing the window runs its load step: the controls at their design
/// places, the session's facade wired to the control `MPlayer` and the MCI
/// surface `PiMCI`, the saved window place, the skip captions, the mixer (a failed
/// open shows the mixer error box and skips the rest of the load), and the
/// stored video-shown and always-on-top states. The window stays hidden
/// until Play().
///
/// All user input ends in a few handlers: the transport and skip clicks, the
/// popup menu's entries (runCommand) and the key handlers, which map keys to
/// the same commands. Keys are previewed for the whole window, whichever of
/// its controls has the focus; the media player control's own key events
/// come to the same handlers.
///
/// The members are grouped by the file that defines them.
///
/// Every public method runs on the GUI thread. Play() and the handlers run
/// their bodies inside runGuarded(): a runtime error ends that call only.
class fmPlayer final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fmPlayer)

public:
    // fmPlayer.cpp: the controls and the menu at their design places

    /// Loads the window. `pref` is the process-wide settings object; it must
    /// outlive the window.
    explicit fmPlayer(ClassPref3 &pref, QWidget *parent = nullptr);
    ~fmPlayer() override;

    /// The transport button `index` (a Transport value) and the skip button
    /// `index` (0..5).
    QPushButton *BtState(int index) const;
    QPushButton *BtSkip(int index) const;
    /// What plays: the window is a view of it, and hands it the commands.
    PlaybackSession &session() const { return *m_session; }
    /// Frame sizes in use, twips.
    float frameX() const { return FrameX; }
    float frameY() const { return FrameY; }

    // fmPlayerLoad.cpp: load and close

    /// The video-shown toggle ("表示する"): shows or hides the video box and
    /// stores the new state under "Setting" / "VideoDisp".
    void mnuExec_ViewSize_Zero_Click();
    /// The always-on-top toggle ("常に手前に表示"): FrontSet with the new
    /// state, stored under "Window" / "FrontSet".
    void mnuExec_Front_Click();
    /// The close step: stores the current file's resume record (when more
    /// than 10 seconds remain; else the one it had when opened), closes the MCI device, stores the window's
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

    // fmPlayerPlay.cpp: opening and resuming

    /// Opens a media file (surrounding double quotes are dropped; an empty
    /// name closes the current file). When a resume record exists the user
    /// is asked, in a modal box, whether to continue there, start over or
    /// cancel (cancel leaves everything as it was). Then the file goes to the
    /// session, the window is shown and sized, and the next timer tick
    /// starts playback. Notes the previous file's resume record. Files that
    /// arrive meanwhile wait in the queue and are opened once it returns.
    void Play(const QString &FileName);
    /// Whether the window is opening a file (and maybe asking whether to
    /// resume it), an engine waits inside one of its handlers, or it is
    /// closing: no other file may be opened now.
    bool isBusy() const;

    // fmPlayerTimer.cpp

    /// One tick of the session's status timer as the window shows it: the
    /// time, the volume bar (a mixer level, 0..65535) and the position
    /// cursor.
    void Timer1_Timer(double position, double length, std::int32_t volume);

    // fmPlayerSizing.cpp

    /// Gives the video a width of `w` twips (4:3 height), applies the stored
    /// cut, lays out the window (video above the panel, or the panel alone
    /// when the cut video box is narrower than 1000 twips), keeps it on the
    /// screen and stores the width as the setting "VideoSize".
    void SetVideoSize(float w);
    /// The last width given to SetVideoSize(), twips.
    float videoWidth() const { return VideoWidth; }

    // fmPlayerFront.cpp: always on top and the cut

    /// -1 puts the window into the topmost band, any other value takes it
    /// out; either way it is raised, shown, keeps its place and size, and
    /// does not take the activation. The menu check is not touched.
    void FrontSet(int Flag);
    /// true is -1, false 0.
    void FrontSet(bool Flag) { FrontSet(Flag ? -1 : 0); }
    /// Whether the window is in the topmost band now.
    bool isTopmost() const;
    /// Crops the video by the given percentages (text, read by their leading
    /// number): moves the video left and up inside `PiVBase` and shrinks the
    /// box (never below 0). The window's size is not changed.
    void CutDisplaySub(const QString &cLeft, const QString &cTop, const QString &cBottom,
                       const QString &cRight);

    // fmPlayerInput.cpp: the buttons, the keys, the menu and the view sizes

    /// Runs one command as the button, key or menu entry for it does.
    void runCommand(const Command &command);
    /// The transport action of button `Index` (a Transport value), through
    /// the session: with no file loaded only the focus moves. Play sets the
    /// speed to 1 then plays; FastForward scans where the file can, else
    /// steps the speed up the ladder 1, 2, 4, 8, 16, 32; Pause toggles; the
    /// steps move by one frame at 29.97 per second. The panel takes the
    /// focus afterwards.
    void BtState_Click(int Index);
    /// Moves the position by the amount of skip button `Index`'s caption as
    /// it reads now; the sum is not checked. The panel takes the focus.
    void BtSkip_Click(int Index);
    /// A mouse button went down on a skip button: the right one notes the
    /// index (SkipEditIndex) and opens the menu with the skip-time entry.
    void BtSkip_MouseDown(int Index, int Button);
    /// The key map, in the forms runtime's terms: a consumed key or
    /// character is set to 0.
    void Form_KeyDown(int &KeyCode, int Shift);
    void Form_KeyPress(int &KeyAscii);
    /// Opens the popup menu at the mouse; with the two skip-time entries
    /// when it comes from a skip button. Returns once the menu has closed
    /// and the chosen entry's handler has run.
    void showExecMenu(bool fromSkipButton = false);
    /// Sets the control's display size, then sizes the video to
    /// `widthPixels` (160, 320, 640, 800 or 960).
    void mnuExec_ViewSize_Click(int widthPixels);
    void mnuExec_ViewSize_DoubleSize_Click();
    /// Full screen on or off; off restores the last video width.
    void mnuExec_ViewSize_FullScreen_Click();
    /// The compact view: the panel alone.
    void mnuExec_ViewSize_Minimum_Click();
    /// A double click on the video: full screen on or off, back to the
    /// display size in force before, without resizing the window.
    void MPlayer_DblClick();
    /// The display size in force before the last double click's full screen.
    int savedDisplaySize() const { return SavedDisplaySize; }
    /// The version box, which lives elsewhere: emits versionBoxRequested().
    void mnuExec_Version_Click();
    /// An entry of the "音声" or "字幕" submenu: plays sound track `id`, or
    /// shows subtitle track `id` (0: none), of the file that plays, and
    /// keeps the choice for the file beside its resume record.
    void mnuExec_Audio_Click(int id);
    void mnuExec_Subtitle_Click(int id);

    // fmPlayerDialogs.cpp

    /// The display area dialog, modeless, previewing through
    /// CutDisplaySub(); chosen again while it is open, it reloads the stored
    /// percentages and comes to the front. The close step discards it
    /// without storing anything.
    void mnuExec_ViewSize_DispSetting_Click();
    /// The key settings dialog for skip button SkipEditIndex, modal:
    /// returns once it has closed.
    void mnuExec_SkipModify_Click();
    /// The display area dialog while it is open, else nullptr.
    fmDispSizeSetting *displayAreaDialog() const;

    // fmPlayerBars.cpp: the bars, the mute icons and dropped files. Seeks
    // from the bars go through one gate: while a seek is in flight only the
    // latest target waits, so a fast drag never queues stale seeks.
    // Positions and places are twips.

    /// A mouse button went down on the position bar at (X, Y): the left one
    /// on the track's band seeks there (nothing while the length is 0).
    void PiPosition_MouseDown(int Button, int Shift, float X, float Y);
    /// The mouse moved over the cursor at X with `Button` held: the left one
    /// seeks by how far it went from the press (DragStartX).
    void imCursor_MouseMove(int Button, float X);
    /// The volume bar asked for a mixer level: drawn, then written to the
    /// mixer as it is (the mixer holds it within its range).
    void PiVolume_MouseDown(std::int32_t Level);
    /// A click on the speaker icon: mute on or off (the icon is the only
    /// record; on the MCI path the sound does not change).
    void ImSp_Click(bool Mute);
    /// A dropped file (its local path): played, or, while the window is
    /// busy (an opening asks whether to resume), queued behind the files
    /// that wait and played once the question is answered.
    void Form_OLEDragDrop(const QString &FileName);
    /// From now on files dropped on the window wait in `queue` (the
    /// program's one queue of files to open, which must outlive the window)
    /// instead of the window's own; the queue waits while the window is busy.
    void takeFilesFrom(OpenQueue &queue);
    /// Opens one file from the queue with Play.
    void openRequest(const OpenRequest &request);

Q_SIGNALS:
    /// The close step has begun: nothing handed over from now on would be
    /// played.
    void closing();
    /// The close step has written the settings (or failed to), before any
    /// box about it: another instance may read them from now on.
    void settingsWritten();
    /// The close step is about to end the process; forms that live beside
    /// the window unload on it.
    void unloading();
    /// "バージョン情報" was chosen: show the version box.
    void versionBoxRequested();

protected:
    // fmPlayer.cpp
    void showEvent(QShowEvent *event) override;
    // fmPlayerLoad.cpp
    void closeEvent(QCloseEvent *event) override;
    // fmPlayerInput.cpp
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // fmPlayer.cpp
    void buildControls();
    void buildMenu();
    /// A menu entry by its name ("mnuExec_Front", "mnuExec_Skip_S3", ...).
    QAction *menuEntry(const QString &name) const;
    /// Places a widget in its parent by twips.
    void placeTwips(QWidget *widget, double left, double top, double width, double height) const;
    TwipsPerPixel tpp() const { return {TwipsPerPixelX, TwipsPerPixelY}; }
    double widthTwips(const QWidget *widget) const;
    double heightTwips(const QWidget *widget) const;
    void refreshFrameSizes();
    void onFrameDrawn();

    // fmPlayerLoad.cpp
    void loadStep();
    /// Keeps the playing file's place in the settings file (ResumeKeeper).
    void keepPlaces();
    /// Saves the settings; a file that cannot be written is named to the
    /// user together with the reason.
    void saveSettings();

    // fmPlayerPlay.cpp
    /// The file Play() leaves: its place, and whether that place is kept.
    struct LeftFile {
        QString name;
        double position = 0;
        double length = 0;
        bool remember = false;
    };
    /// Play()'s steps: note the file being left; ask whether to resume the
    /// new one (false: the opening ends here; a cancel at the first start
    /// empties `name`); open it and lay the window out; show the engine's
    /// surface; seek where it resumes, keep the left file's place and start
    /// playback at the next tick.
    LeftFile leaveFile() const;
    bool askResume(QString &name, std::optional<double> &resumeAt);
    void openAndLayOut(const QString &name);
    void showSurface();
    void finishPlay(std::optional<double> resumeAt, const LeftFile &left);

    // fmPlayerSizing.cpp
    /// The video width the settings ask for, twips: the stored video size
    /// (pixels, capped) or the compact width when none is stored.
    float storedVideoWidth() const;

    // fmPlayerFront.cpp
    /// Crops the video by the stored "CutPercent" percentages.
    void CutDisplay();

    // fmPlayerInput.cpp
    void connectInput();
    bool previewKey(QKeyEvent *event);
    std::array<QString, SkipCount> skipCaptions() const;
    void focusPanel();
    void volumeStep(bool up);
    void setDisplaySizeThenVideoSize(int displaySize, float width);
    /// Fills the "音声" and "字幕" submenus with the session's tracks and
    /// shows them when the file offers a choice.
    void refreshTrackMenus();
    void storeTrackChoice();

    // fmPlayerBars.cpp
    void connectBars();
    MediaEngine *activeEngine() const;
    void seekTo(double seconds);

    // What the window reads and writes.
    ClassPref3 &m_pref;
    PlayerSettings m_settings;
    PlaybackSession *m_session = nullptr;

    // Controls, named as the window's design names them.
    PictureBox *PiVBase = nullptr;
    MediaPlayerControl *MPlayer = nullptr;
    VideoSurface *PiMCI = nullptr;
    PictureBox *PiCtrl = nullptr;
    ButtonRow *m_transportRow = nullptr; ///< BtState(0..7)
    ButtonRow *m_skipRow = nullptr;      ///< BtSkip(0..5)
    PositionBar *PiPosition = nullptr;   ///< with Label1, imCursor and ImSp
    VolumeBar *PiVolume = nullptr;
    QLabel *Image1 = nullptr;
    QLineEdit *TxDDESend = nullptr;
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
    std::int16_t SkipEditIndex = 0;
    std::int32_t SavedDisplaySize = 0;
    float DragStartX = 0;
    LatestSeek *m_seeks = nullptr;
    FileDropTarget *m_drops = nullptr;
    bool m_inPlay = false;
    OpenQueue *m_openQueue = nullptr;
    /// The place of the playing file, kept in the settings file as it plays.
    std::unique_ptr<ResumeKeeper> m_keeper;
    BackgroundSave *m_backgroundSave = nullptr;

    bool m_closed = false;
    bool m_topmost = false;
    bool m_awaitFirstFrame = false;
    std::function<void()> m_processEnd;
    QPointer<fmDispSizeSetting> m_dispSizeSetting;
};
