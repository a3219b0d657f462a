#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>

class ClassMCIPlay;
class IMediaPlayerControl;
class MediaEngine;
class VideoTarget;

/// Words of ClassPlayerDummy::ActiveVideoMode.
namespace VideoMode {
inline const QString Mci = QStringLiteral("MCI");
inline const QString MPlay = QStringLiteral("mPlay");
} // namespace VideoMode

/// Words of ClassPlayerDummy::Status.
namespace PlayerStatus {
inline const QString Closed = QStringLiteral("Closed");
inline const QString Opened = QStringLiteral("Opened");
inline const QString Playing = QStringLiteral("Playing");
inline const QString Paused = QStringLiteral("Paused");
inline const QString Stopped = QStringLiteral("Stopped");
} // namespace PlayerStatus

/// The one object through which the main window plays media.
///
/// It hides two engines behind the member names of the media player control:
/// the MCI backend (oMCIPlay, drawing into the surface oMCITarget) and the
/// control itself (omPlay). Every FileName let tries MCI first and falls
/// back to the control; until the next one every member is routed by
/// ActiveVideoMode: exactly "MCI" takes the MCI path, anything else
/// (including "" before the first open) the control path.
///
/// Units: positions and lengths in seconds, Rate a speed factor (1.0
/// normal), PlayState the control's values (MediaPlayState).
///
/// Failures: results of MCI calls other than mOpen are ignored, and a failed
/// MCI query reads as 0. Errors of the control, and RuntimeError(Overflow)
/// from a whole-number conversion, pass to the caller; the fields keep the
/// values they had before the failing step. Using a path whose object is
/// not set raises RuntimeError 91 instead of crashing.
///
/// The facade owns none of its three objects. GUI thread only.
class ClassPlayerDummy final {
public:
    ClassPlayerDummy() = default;
    Q_DISABLE_COPY_MOVE(ClassPlayerDummy)

    /// The media player control (MPlayer).
    IMediaPlayerControl *omPlay = nullptr;
    /// The MCI backend.
    ClassMCIPlay *oMCIPlay = nullptr;
    /// The surface that shows MCI video (PiMCI): its handle and size in
    /// pixels are given to the device at every open and ResetTarget.
    VideoTarget *oMCITarget = nullptr;
    /// "Closed", "Opened", "Playing", "Paused" or "Stopped" (PlayerStatus).
    QString Status = PlayerStatus::Closed;
    /// "MCI", "mPlay" (VideoMode), or "" before the first open.
    QString ActiveVideoMode;

    /// The file of the current engine: the backend's last mOpen name on the
    /// MCI path, the control's FileName otherwise.
    QString FileName() const;
    /// Leaves the current file, then opens vNewValue through MCI if it
    /// accepts it, else through the control; Status becomes "Opened".
    void setFileName(const QString &vNewValue);

    /// Points the MCI device at oMCITarget again (after it was resized),
    /// whatever ActiveVideoMode says.
    void ResetTarget();

    /// Nothing when FileName is empty; else plays (on MCI resuming after
    /// vPause) and Status becomes "Playing".
    void vPlay();
    /// Stops and rewinds to 0 (MCI: stop, close, reopen the same file);
    /// Status becomes "Stopped".
    void vStop();
    /// Scans forward on the control; nothing on MCI.
    void vFastForward();
    /// Scans backward on the control; nothing on MCI.
    void vFastReverse();
    /// Pauses; Status becomes "Paused".
    void vPause();

    /// False on MCI.
    bool CanScan() const;
    double CurrentPosition() const;
    /// Seeks. On MCI the device is left playing only when it was playing.
    void setCurrentPosition(double vNewValue);
    double Rate() const;
    void setRate(double vNewValue);
    std::int32_t PlayState() const;
    double Duration() const;
    /// True while the file rests where its data ran out, well before
    /// Duration() (a cut file). False on MCI, whose devices cannot tell.
    bool EndedShort() const;
    /// False on MCI.
    bool Mute() const;
    /// Nothing on MCI.
    void setMute(bool vNewValue);

    /// Whether the MCI engine plays the current file (ActiveVideoMode is
    /// exactly "MCI"); false before the first open.
    bool playsOnMci() const { return ActiveVideoMode == VideoMode::Mci; }

    /// The media engine that plays the current file, for what the members
    /// above do not reach (its sound and subtitle tracks): on MCI the
    /// device's, which oMCITarget shows (a new one at each open, also the
    /// reopen of vStop), else the control's. nullptr when there is none.
    MediaEngine *Engine() const;

private:
    bool onMci() const { return playsOnMci(); }
    IMediaPlayerControl &control() const;
    ClassMCIPlay &mci() const;
    void pointDeviceAtTarget();

    const QString DeviceAlias = QStringLiteral("0");
};
