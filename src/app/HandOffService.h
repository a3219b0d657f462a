#pragma once

#include "platform/dde/CommandServer.h"
#include "player/OpenQueue.h"

#include <QObject>

#include <deque>
#include <functional>
#include <utility>

class InstanceLock;

/// The running instance's side of the hand-off, from the first moment it
/// holds the instance lock to its close: the server that takes later
/// starts' commands, and the program's queue of files to open, where they
/// wait with the files of drops and the desktop's OpenUri until they run.
///
/// The close goes in two steps so that no start is lost to it. When the
/// close begins, stopAnswering() makes the server answer nothing more: a
/// start made from then on is not told its file was taken, and keeps
/// trying. Once the closing instance has written its settings, handOver()
/// lets the lock go, so that such a start becomes the first instance (and
/// reads the settings just written), and starts the program anew for each
/// command that was taken but has not run. GUI thread only.
class HandOffService final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandOffService)

public:
    using Restart = std::function<void(const HandOff &)>;

    /// `lock` is held by this process and outlives the service.
    explicit HandOffService(InstanceLock &lock, QObject *parent = nullptr);

    /// Starts taking commands at `socketPath`; they wait in queue().
    /// @return false, with the reason in server().errorString(), when it cannot.
    bool listen(const QString &socketPath);

    CommandServer &server() { return m_server; }
    OpenQueue &queue() { return m_queue; }

    /// The close has begun: nothing more is answered or run.
    void stopAnswering();
    /// The settings are written: the lock goes, and `restart` is called for
    /// each command or OpenUri file taken but not run, oldest first (a drop
    /// is not: it came from this window, which is closing). Once; stops answering
    /// first when that has not happened.
    void handOver(const Restart &restart);

private:
    InstanceLock &m_lock;
    CommandServer m_server;
    OpenQueue m_queue;
    std::deque<OpenRequest> m_left;
    bool m_stopped = false;
    bool m_handedOver = false;
};
