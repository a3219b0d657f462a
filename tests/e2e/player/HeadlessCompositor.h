#pragma once

#include <QProcess>
#include <QString>

/// A Wayland compositor of the test's own, drawing into memory (weston's
/// headless backend with its CPU renderer), for the life of the object.
/// Needs XDG_RUNTIME_DIR, where its socket is made.
class HeadlessCompositor {
public:
    HeadlessCompositor();
    ~HeadlessCompositor();
    HeadlessCompositor(const HeadlessCompositor &) = delete;
    HeadlessCompositor &operator=(const HeadlessCompositor &) = delete;

    /// True once the compositor accepts clients (within 10 s of the start).
    bool isReady() const { return m_ready; }
    /// The socket's name, for WAYLAND_DISPLAY.
    QString socketName() const { return m_socket; }
    /// What the compositor printed, for a failure's message.
    QString log();

private:
    QProcess m_process;
    QString m_socket;
    bool m_ready = false;
};
