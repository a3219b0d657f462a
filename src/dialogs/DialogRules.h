#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

/// The text rules of the key settings and display area dialogs. Pure
/// functions; numbers are read by their leading number (Val), so they throw
/// RuntimeError(Overflow) for a number beyond the double range.

/// The shortcut letter a skip caption carries: the character after its
/// first "(", empty when the "(" ends the caption; nothing when the caption
/// has no "(" (the letter field then keeps what it holds).
std::optional<QString> captionAccessKey(const QString &caption);

/// A caption's amount as the key dialog shows it: its leading number in
/// plain decimal, without "+" and trailing zeros ("-30", "10", "0", "2.5").
QString captionAmountText(const QString &caption);

/// The caption OK writes onto a skip button from the time and the letter as
/// typed: "+" and the time when its leading number is above 0, else that
/// number in plain decimal; then "(", the letter, ")".
/// "15", "Q" gives "+15(Q)"; "-5.50", "X" gives "-5.5(X)"; "abc", "" gives "0()".
QString editedSkipCaption(const QString &time, const QString &letter);

/// One step of a spin bar beside a number field: the field's leading number
/// (0 when none) minus the bar's position, in the usual short text form.
/// "5", -1 gives "6"; "12abc", -1 gives "13"; "", 1 gives "-1".
QString spunFieldText(const QString &field, int position);

/// A control at its design place (twips) and the least size its content
/// needs there (twips; 0 where nothing is asked).
struct DesignFit {
    QRectF design;
    QSizeF need;
};

/// How much a dialog drawn in twips must grow, in x and y, for every
/// control's content to fit: the largest need ÷ design ratio on each axis,
/// never below 1, so a font that fits keeps the design sizes exactly.
QSizeF designScale(const std::vector<DesignFit> &controls);
