#pragma once

#include <QString>

#include <functional>

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
