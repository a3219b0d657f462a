#pragma once

#include <QString>

#include <cstdint>

/// The leading number of a text, read as the forms runtime's Val reads it.
///
/// Blanks (spaces, tabs, line feeds) anywhere are skipped; then at most one
/// sign, digits, an optional "." and fraction and an optional exponent
/// ("E" or "D", with its own sign), or an integer after "&H" (hex) or "&O"
/// (octal). Reading stops at the first character that cannot continue the
/// number; no digits give 0. "-30(Z)" gives -30, "+120(N)" 120, "--5" 0.
double Val(const QString &text);

/// Whole-number conversion to 32 bits: nearest integer, halves to the even
/// neighbour. Throws RuntimeError(Overflow) outside the signed 32-bit range
/// (NaN included).
std::int32_t CLng(double value);

/// The same conversion to 16 bits; overflow outside -32768..32767.
std::int16_t CInt(double value);

/// Single precision, as the forms runtime's Single holds twips and sizes.
/// Throws RuntimeError(Overflow) when the value is finite but too large.
float CSng(double value);
