#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

class MediaEngine;

/// Hands seek targets to the player one at a time. While a seek is in
/// flight, a new target only replaces the one waiting; when the engine
/// reports the seek done, the waiting target (the latest asked for) goes
/// next. A mouse sends moves far faster than a seek completes, so a fast
/// drag costs a few seeks, never a queue of stale ones, and the picture
/// follows the hand.
///
/// A seek the engine never reports (refused, or the engine went away) is
/// taken as done after a short while, so a target is never held for good.
/// GUI thread only.
class LatestSeek final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LatestSeek)

public:
    using SeekFunction = std::function<void(double seconds)>;

    /// `seek` performs one seek. It runs from request() or from the engine's
    /// report, so it must not throw (guard it at the event boundary).
    explicit LatestSeek(SeekFunction seek, QObject *parent = nullptr);

    /// Seeks to `seconds` now, or, with a seek in flight, keeps it as the
    /// next target in place of any other waiting.
    void request(double seconds);
    /// Listens to `engine` for the end of seeks (nullptr: to none); the
    /// engine that plays now.
    void follow(MediaEngine *engine);
    /// The seek in flight is done: the waiting target, if any, goes now.
    void seekDone();
    /// Drops the waiting target and stops waiting for the seek in flight
    /// (another file is being opened: old targets mean nothing there).
    void forget();

    bool inFlight() const { return m_inFlight; }
    /// The target waiting for the seek in flight to end.
    std::optional<double> waiting() const { return m_waiting; }
    /// How long a seek may stay unreported before it counts as done, ms.
    static constexpr int SettleTimeoutMs = 500;

private:
    void issue(double seconds);

    SeekFunction m_seek;
    QPointer<MediaEngine> m_engine;
    QMetaObject::Connection m_engineConnection;
    QTimer m_settle;
    bool m_inFlight = false;
    std::optional<double> m_waiting;
};
