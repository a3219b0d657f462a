#pragma once

#include <QByteArray>
#include <QString>

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
