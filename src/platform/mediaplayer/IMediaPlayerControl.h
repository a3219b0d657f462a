#pragma once

#include <QString>

class MediaEngine;

/// Play states of the media player control.
namespace MediaPlayState {
constexpr int Stopped = 0;
constexpr int Paused = 1;
constexpr int Playing = 2;
constexpr int Waiting = 3;
constexpr int ScanForward = 4;
constexpr int ScanReverse = 5;
constexpr int Closed = 6;
} // namespace MediaPlayState

/// What the playback facade asks of the media player control: the members it
/// calls, in the control's own units. The real control (MediaPlayerControl)
/// implements it; tests put a fake in its place.
///
/// Every member acts at once and returns without waiting for the engine; a
/// member may throw RuntimeError for a value it cannot take, and the caller
/// lets that pass. GUI thread only.
class IMediaPlayerControl {
public:
    virtual ~IMediaPlayerControl() = default;

    /// The file last given to setFileName ("" with nothing loaded).
    virtual QString FileName() const = 0;
    /// Loads the file (an empty name unloads). A file that cannot be played
    /// leaves the control closed.
    virtual void setFileName(const QString &name) = 0;

    virtual void Play() = 0;
    virtual void Pause() = 0;
    /// Stops and rewinds to the start.
    virtual void Stop() = 0;
    /// Scans forward until Play, Pause or Stop; only where CanScan.
    virtual void FastForward() = 0;
    /// Scans backward until Play, Pause or Stop; only where CanScan.
    virtual void FastReverse() = 0;

    /// True when a seekable file with video is loaded.
    virtual bool CanScan() const = 0;
    /// Seconds.
    virtual double CurrentPosition() const = 0;
    /// Seeks exactly to `seconds`, also while paused or stopped.
    virtual void setCurrentPosition(double seconds) = 0;
    /// Seconds; 0 with nothing loaded.
    virtual double Duration() const = 0;
    /// True while the file rests at an end its data reached well before
    /// Duration() (cut short); CurrentPosition() is then where it ran out.
    virtual bool EndedShort() const { return false; }
    /// Speed factor, 1.0 normal; the pitch is kept.
    virtual double Rate() const = 0;
    virtual void setRate(double rate) = 0;
    /// One of MediaPlayState.
    virtual int PlayState() const = 0;
    virtual bool Mute() const = 0;
    virtual void setMute(bool mute) = 0;
    /// The engine that plays the control's files, for what the members
    /// above do not reach (the file's sound and subtitle tracks); nullptr
    /// when there is none.
    virtual MediaEngine *engine() const { return nullptr; }
};
