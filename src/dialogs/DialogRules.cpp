#include "dialogs/DialogRules.h"

#include "util/Numbers.h"
#include "util/Variant.h"

#include <algorithm>

std::optional<QString> captionAccessKey(const QString &caption)
{
    const qsizetype open = caption.indexOf(QLatin1Char('('));
    if (open < 0)
        return std::nullopt;
    return caption.mid(open + 1, 1);
}

QString captionAmountText(const QString &caption)
{
    return Variant::numberText(Val(caption));
}

QString editedSkipCaption(const QString &time, const QString &letter)
{
    const double amount = Val(time);
    // A positive amount keeps the text as typed, so "-5.50" and "5.50" are
    // shown differently now (-5.5, +5.50) but read back alike after a restart.
    const QString shown = amount > 0 ? QLatin1Char('+') + time : Variant::numberText(amount);
    return shown + QLatin1Char('(') + letter + QLatin1Char(')');
}

QString spunFieldText(const QString &field, int position)
{
    return Variant::numberText(Val(field) - position);
}

QSizeF designScale(const std::vector<DesignFit> &controls)
{
    double sx = 1;
    double sy = 1;
    for (const DesignFit &c : controls) {
        if (c.design.width() > 0)
            sx = std::max(sx, c.need.width() / c.design.width());
        if (c.design.height() > 0)
            sy = std::max(sy, c.need.height() / c.design.height());
    }
    return {sx, sy};
}
