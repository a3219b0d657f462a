#pragma once

/// The MCI command-string interface: one media device per alias, driven by
/// text commands ("open "file" alias 0", "play 0", "status 0 position").
///
/// Narrow strings are UTF-8, this platform's multi-byte code page. All three
/// functions run on the GUI thread only (the devices live on it).

/// Runs one command string and waits until the device has answered it.
///
/// On success returns 0 and writes the reply (empty for commands that have
/// none) into returnString as a NUL-terminated text; on failure returns an
/// MCI error number (MciErr in platform/mci/MciNames.h) and leaves
/// returnString empty. A reply that does not fit in returnLength bytes
/// (with its NUL) fails with MCIERR_PARAM_OVERFLOW. returnString may be null
/// when returnLength is 0. callbackWindow is accepted and ignored: every
/// command completes before the call returns.
int mciSendString(const char *command, char *returnString, unsigned returnLength, void *callbackWindow);

/// Writes the standard English description of an MCI error number into
/// buffer (NUL-terminated, cut to fit). Returns false, with buffer empty,
/// for a number outside the MCI range or when buffer is null or empty.
bool mciGetErrorString(int error, char *buffer, unsigned length);

/// Milliseconds since an arbitrary start, from a monotonic clock; wraps
/// around at 2^32.
unsigned timeGetTime();
