#pragma once

#include "platform/mci/MciParser.h"

#include <QRect>
#include <QString>
#include <QtGlobal>

#include <memory>

class MediaEngine;
class QTemporaryFile;
class VideoTarget;

/// One open MCI device: a media file played by its own MediaEngine, with the
/// device state MCI reports (mode, time format, speed, video window).
///
/// A new device is stopped at the start, in milliseconds, at normal speed,
/// without video until a video target is bound with "window ... handle"
/// (any VideoTarget the program made: the device finds it by its handle and
/// never knows what draws). The
/// sequencer plays a MIDI file rendered to sound with FluidSynth when it
/// opens; without a General MIDI soundfont the open fails with InvalidFile.
/// GUI thread only.
class MciDevice final {
    Q_DISABLE_COPY_MOVE(MciDevice)

public:
    MciDevice(const QString &alias, const QString &type, const QString &path);
    ~MciDevice();

    /// Loads the file into `engine` (a fresh one, prepared ahead of time;
    /// nullptr makes one now), waiting at most timeoutMs. Returns 0,
    /// InvalidFile when the engine refuses it, DeviceNotReady when it does
    /// not answer in time, CannotLoadDriver when no engine can be created.
    int load(std::unique_ptr<MediaEngine> engine, int timeoutMs);

    /// Carries out a parsed command (not open, not close) addressed to this
    /// device. Returns an MCI error number; reply receives status answers.
    /// "play" and "seek" return once started, or with "wait" once done
    /// (playing ended, the seek landed), waiting no longer than the open may.
    int execute(const MciCommand &command, QString &reply);

    QString alias() const { return m_alias; }

private:
    enum class State { Stopped, Playing, Paused };

    int play(const MciCommand &command);
    int pause();
    int resume();
    int stop();
    int seek(const MciCommand &command);
    int set(const MciCommand &command);
    int status(const MciCommand &command, QString &reply);
    int window(const MciCommand &command);
    int put(const MciCommand &command);

    /// Length and position in milliseconds, and their conversion to and
    /// from the current time format.
    qint64 lengthMs() const;
    qint64 positionMs() const;
    qint64 toUnits(qint64 ms) const;
    qint64 fromUnits(qint64 units) const;
    void seekEngine(qint64 ms);
    void onPosition(double seconds);
    void refreshState();
    /// The bound target when it still lives, else nullptr.
    VideoTarget *target() const;
    /// The bound target when it still shows this device's engine.
    VideoTarget *targetShowingUs() const;
    void bindTarget(int handle);

    QString m_alias;
    QString m_type;
    QString m_path;
    /// The sequencer's MIDI file rendered to sound; outlives the engine.
    std::unique_ptr<QTemporaryFile> m_rendered;
    std::unique_ptr<MediaEngine> m_engine;
    State m_state = State::Stopped;
    bool m_frames = false;
    double m_fps = 0;
    double m_speed = 1.0;
    qint64 m_playToMs = -1; ///< where a "play ... to" stops; -1 plays to the end
    int m_waitLimitMs = 0;  ///< the bound of a command's "wait", as the open's
    int m_target = 0;       ///< the bound target's handle; 0: none
    QRect m_destination;    ///< empty: the whole target
};
