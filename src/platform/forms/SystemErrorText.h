#pragma once

#include <QString>

/// The reason of a failed file operation as the user reads it: the
/// system error `number` (errno) in Japanese, like every other text the
/// program shows, followed by the number and the system's own text for
/// reference: "ディスクに空き領域がありません。（エラー 28: No space left on
/// device）". An unknown number gives a general sentence; 0 or a negative
/// number (no system error known) gives `systemText` alone, the program's
/// own reason (the general sentence when that is empty).
QString systemErrorLine(int number, const QString &systemText);

/// The Japanese sentence for system error `number`; empty for numbers
/// without one of their own.
QString systemErrorJapanese(int number);
