#pragma once

/// The MCI command-string interface: one media device per alias, driven by
/// text commands ("open "file" alias 0", "play 0", "status 0 position").
///
/// Narrow strings are UTF-8, this platform's multi-byte code page. All three
/// functions run on the GUI thread only (the devices live on it).
///
/// Playback runs on its own: a device's position, and its stop at the end
/// of the media or at a "to" position, advance as the GUI event loop runs.
/// A caller that never returns to the event loop sees the same position.

/// Runs one command string and returns when the device has answered it.
///
/// What "answered" means: "open" returns when the file is loaded or refused
/// (waiting at most 10 s, the window painting meanwhile but handling no
/// input); "play" returns once playing has started and "seek" once the
/// position is set, while the media catches up on the event loop; with the
/// "wait" flag both return only when done (playing has ended, the seek has
/// landed), waiting no longer than an open. Every other command completes
/// before the call returns.
///
/// On success returns 0 and writes the reply (empty for commands that have
/// none) into returnString as a NUL-terminated text; on failure returns an
/// MCI error number (MciErr in platform/mci/MciNames.h) and leaves
/// returnString empty. A reply that does not fit in returnLength bytes
/// (with its NUL) fails with MCIERR_PARAM_OVERFLOW. returnString may be null
/// when returnLength is 0. callbackWindow is accepted and ignored: no
/// notification is ever posted.
int mciSendString(const char *command, char *returnString, unsigned returnLength, void *callbackWindow);

/// Writes the standard English description of an MCI error number into
/// buffer (NUL-terminated, cut to fit). Returns false, with buffer empty,
/// for a number outside the MCI range or when buffer is null or empty.
bool mciGetErrorString(int error, char *buffer, unsigned length);

/// Milliseconds since an arbitrary start, from a monotonic clock; wraps
/// around at 2^32.
unsigned timeGetTime();
