#pragma once

#include <QEventLoop>
#include <QObject>
#include <QPointer>

#include <functional>
#include <utility>
#include <vector>

/// While it lives, the application keeps painting but runs nothing that
/// could call back into whoever is waiting: for the bounded waits of an
/// engine (a file opening, a seek finishing) inside a handler of the window.
///
/// processEvents() is the caller's: pass it flags(), which leave user input
/// and socket notifiers (the command channel) queued for later. The guard
/// itself filters what those flags let through: timer events are skipped (a
/// timer fires again at its next interval, so nothing is lost but a tick) and
/// a window's close is carried out once the outermost guard ends. Drags and
/// drops pass: a file dropped meanwhile is the window's to hold (it is busy
/// while isWaiting()) until onWaitsEnd() tells it the wait is over. Guards
/// nest. GUI thread only.
class WaitGuard final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WaitGuard)

public:
    WaitGuard();
    ~WaitGuard() override;

    static QEventLoop::ProcessEventsFlags flags()
    {
        return QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers;
    }

    /// Whether a guard lives: an engine waits inside a handler.
    static bool isWaiting() { return s_depth > 0; }
    /// Runs `done` from the event loop each time the outermost guard ends,
    /// for as long as `context` lives.
    static void onWaitsEnd(QObject *context, std::function<void()> done)
    {
        s_waitEnded.emplace_back(context, std::move(done));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static int s_depth;
    static std::vector<QPointer<QObject>> s_closeLater;
    static std::vector<std::pair<QPointer<QObject>, std::function<void()>>> s_waitEnded;
};
