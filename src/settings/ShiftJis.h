#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

/// Conversion between text and Shift-JIS (code page 932), the settings
/// file's encoding.
///
/// Decoding never fails: each byte that does not start a valid character
/// becomes U+FFFD and reading goes on with the next byte, so CR and LF bytes
/// always stay line ends. Encoding writes "?" for each character (a
/// surrogate pair counts as one) that the code page cannot hold.
///
/// Throws RuntimeError(DeviceIOError) only when the system has no CP932
/// converter at all.
///
/// `valid`, when given, is set to whether every byte belonged to a character.
QString decodeShiftJis(QByteArrayView bytes, bool *valid = nullptr);
QByteArray encodeShiftJis(QStringView text);

/// Whether the code page holds `unit` so that writing and reading it gives it
/// back: false for surrogates, for characters it cannot encode and for those
/// it writes as another character's code (U+301C reads back as U+FF5E).
bool shiftJisHolds(char16_t unit);
