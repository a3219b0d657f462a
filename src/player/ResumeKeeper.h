#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class ClassPref3;

/// Where the open file stands at a status tick.
struct PlayingPlace {
    QString file; ///< empty: no file is open
    double position = 0;
    double length = 0;
    /// The file rests where its data ran out, short of its length.
    bool endedShort = false;
    /// Playback moves on its own (not paused, stopped or closed).
    bool playing = false;
};

/// Keeps the open file's resume record current in the settings file while
/// it plays, so that a kill, a crash or a power cut costs at most a few
/// seconds of the place.
///
/// The record a save leaves is always the one the close step would leave at
/// that moment: the place when it is worth keeping (isWorthResuming, or a
/// file whose data ran out), otherwise the record the file had when it was
/// opened (or none), so a kill near the end does not bring back a place the
/// close would have dropped.
///
/// It saves at a status tick, and only when the memory copy changed: at the
/// first tick after another file opened, the play state changed or a seek was
/// made, and while playing once PlayingSaveMs have passed since the last save. Paused, stopped or
/// standing still, nothing is written. The clock and the save are given, so
/// the schedule runs without real time. GUI thread only.
class ResumeKeeper final {
public:
    /// How long, ms, a playing file's record may stay behind before the
    /// next tick saves it: with a tick's wait (300 ms) and the write, the
    /// record is never more than 15 s behind.
    static constexpr std::int64_t PlayingSaveMs = 14000;

    /// `clock`: monotonic milliseconds. `save`: writes the memory copy to the
    /// file (off the GUI thread's path); `note` is the record kept ("" when
    /// none), for traces.
    ResumeKeeper(ClassPref3 &pref, std::function<std::int64_t()> clock,
                 std::function<void(const QString &note)> save);

    /// Another file (or none) is open; the record it has now is what a close
    /// that keeps no place leaves.
    void fileOpened(const QString &file);
    /// The play state changed or the file was sought: the next tick saves.
    void changed() { m_changed = true; }
    /// A status tick: saves when it is due and something changed.
    void tick(const PlayingPlace &now);
    /// The close step's decision, final (closing, or leaving a file for
    /// another): stores the place when `remember`, else puts back the record
    /// the file had when it was opened. Changes the memory copy only; the
    /// next tick saves it.
    void settle(const QString &file, double position, double length, bool remember);

private:
    struct Kept {
        /// The record as the close step would leave it without a new place.
        std::optional<QString> original;
        /// The record the memory copy holds now.
        std::optional<QString> held;
    };
    /// Brings the memory copy's record of `file` to the place (`remember`) or
    /// to the one it had when opened; returns whether it changed.
    bool keep(const QString &file, double position, double length, bool remember);

    ClassPref3 &m_pref;
    std::function<std::int64_t()> m_clock;
    std::function<void(const QString &)> m_save;
    QString m_file;
    /// Every file opened in this run (a left file is settled after the next
    /// one opened).
    QHash<QString, Kept> m_kept;
    std::int64_t m_lastSave = 0;
    bool m_changed = false;
    bool m_dirty = false;
};
