#pragma once

#include <QString>

#include <cstdint>

/// Splits a text into comma- or line-separated fields with optional quotes.
///
/// `position` is 1-based (0 is taken as 1) and, on return, points just past
/// the delimiter that ended the field. A non-empty `text` replaces the text
/// being split; an empty `text` continues in the text of the earlier call, so
/// a caller reads a record as GetToken(record, pos) followed by
/// GetToken({}, pos) calls.
///
/// Field rules: blanks (U+0020, U+3000) before a field are skipped; a field
/// ends at a comma, at CR LF or at a lone CR (a lone LF is part of the
/// field). A field that starts with '"' or '\'' is quoted: commas and CRs
/// inside it are kept, and any of '"', '\'' or U+2019 closes it; the closing
/// quote and the one character after it are skipped. U+2019 never opens a
/// field. A position past the end gives an empty field and is left unchanged.
///
/// Throws RuntimeError(InvalidProcedureCall) for a negative position and
/// RuntimeError(Overflow) when the position would pass the 32-bit range.
/// Not reentrant: the remembered text is shared by all callers (GUI thread).
QString GetToken(const QString &text, std::int32_t &position);
