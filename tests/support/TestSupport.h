#pragma once

#include "util/RuntimeError.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

/// Folder of the media files that test.sh generates (KOVAPLEX_TEST_MEDIA,
/// else the build tree's test-media folder).
QString testMediaDir();

/// The build folder (KOVAPLEX_BINARY_DIR, else the one these tests were
/// built in): where the Kovaplex binary is.
QString testBinaryDir();

/// Path of one generated media file; the test fails (and is skipped) when
/// the file is missing, so a run without generated media says why.
QString testMedia(const QString &name);

/// Runs the event loop until `done` returns true or `timeoutMs` passes.
/// Returns the last value of `done`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

/// Starts this test executable again with `probeVariable` set, under an ALSA
/// configuration that holds only `alsaConfig` (no system files, so no hook
/// can route the default device to a running sound server) and with no sound
/// server to reach, and returns what it printed. The test's own probe is
/// meant to run in the child before any test and exit. Nothing when the child
/// could not be started or did not finish within `timeoutMs`.
std::optional<QString> runProbeWithoutSound(const char *probeVariable, const QByteArray &alsaConfig,
                                            int timeoutMs);

/// The number of the RuntimeError that `call` raises; 0 when it raises none.
template <typename Call> int errorNumber(Call &&call)
{
    try {
        call();
    } catch (const RuntimeError &error) {
        return error.number();
    }
    return 0;
}

/// Hands the next modal window of type `Window` to `act` once it is active;
/// the caller then enters the modal call that opens it. A window that does
/// not open within `timeoutMs` fails the test instead of hanging it.
template <typename Window = QWidget> void whenModal(std::function<void(Window &)> act, int timeoutMs = 10000)
{
    QTimer::singleShot(0, [act = std::move(act), timeoutMs] {
        Window *window = nullptr;
        waitUntil(
            [&] { return (window = qobject_cast<Window *>(QApplication::activeModalWidget())) != nullptr; },
            timeoutMs);
        if (!window) {
            ADD_FAILURE() << "no modal " << Window::staticMetaObject.className() << " opened";
            return;
        }
        act(*window);
    });
}

/// Clicks the push button captioned `caption` in `window`; closes the window
/// when it has none. Returns the texts of its labels, as the user read them.
QString pressButton(QWidget &window, const QString &caption);

/// The child of `parent` (at any depth) that the window's design names
/// `name`: a control or a menu entry. A missing one fails the test.
template <typename T> T *childNamed(const QObject &parent, const QString &name)
{
    T *child = parent.findChild<T *>(name);
    if (!child)
        ADD_FAILURE() << "no " << T::staticMetaObject.className() << " named " << name.toStdString();
    return child;
}
