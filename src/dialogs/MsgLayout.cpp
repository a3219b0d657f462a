#include "dialogs/MsgLayout.h"

#include "platform/forms/ScreenMetrics.h"
#include "util/Numbers.h"

#include <algorithm>
#include <numeric>

#include <QStringList>

namespace {

constexpr double Margin = 120;
constexpr double ButtonGap = 60;
// Without an icon the message keeps a wider right margin than its left one.
constexpr double MessageRightMargin = 225 + 240;

// Integer division of a twip length by two: rounded to a whole number first,
// then halved towards zero, so the row and the content column land on whole twips.
long intHalf(double twips)
{
    return static_cast<long>(CLng(twips)) / 2;
}

/// The message's place, alone or beside the icon; `width` becomes the width
/// it needs and `bottom` the lower edge of the message or the icon.
void placeMessage(const MsgLayoutInput &in, MsgLayoutResult &out, double &width, double &bottom)
{
    if (!in.hasIcon) {
        out.message = QPointF(Margin, Margin);
        width = in.message.width() + MessageRightMargin;
        bottom = out.message.y() + in.message.height();
        return;
    }
    const double left = in.icon.left() + in.icon.width() + Margin;
    width = in.message.width() + left + 240;
    if (in.message.height() >= in.icon.height()) {
        out.message = QPointF(left, in.icon.top());
        bottom = out.message.y() + in.message.height();
    } else {
        out.message = QPointF(left, in.icon.top() + (in.icon.height() - in.message.height()) / 2);
        bottom = in.icon.top() + in.icon.height();
    }
}

/// Widens `width` for the button row and the content column, and sets the
/// row's width and the column's left.
void fitRowAndContent(const MsgLayoutInput &in, MsgLayoutResult &out, double &width)
{
    const auto buttonCount = static_cast<double>(in.buttonWidths.size());
    out.rowWidth =
        std::accumulate(in.buttonWidths.begin(), in.buttonWidths.end(), 0.0) + ButtonGap * (buttonCount - 1);
    if (out.rowWidth + 2 * Margin > width)
        width = out.rowWidth + 2 * Margin;
    if (in.contentWidth + 4 * Margin > width)
        width = in.contentWidth + 4 * Margin;

    if (!in.hasIcon) {
        out.contentLeft = static_cast<double>(intHalf(width) - intHalf(in.contentWidth));
    } else {
        out.contentLeft = out.message.x();
        width = std::max(width, out.contentLeft + in.contentWidth + 4 * Margin);
    }
}

/// Stacks the options, the check box and the input from `y` down, widening
/// `width` for the input; returns the top of what comes next.
double stackContent(const MsgLayoutInput &in, MsgLayoutResult &out, double y, double &width)
{
    for (const double height : in.optionHeights) {
        out.optionTops.push_back(y);
        y += height;
    }
    y += Margin;

    if (in.checkShown) {
        out.check = QPointF(out.contentLeft, y);
        y += in.checkHeight;
    }

    if (in.inputShown) {
        // The label sits a little lower so its text lines up with the text in the box.
        const double labelLeft = width / 2 - out.rowWidth / 2;
        out.inputLabel = QPointF(labelLeft, y + 4 * screenMetrics().twipsPerPixelX);
        out.inputBox = QPointF(labelLeft + in.inputLabel.width(), y);
        y += in.inputBox.height();
        width = std::max(width, in.inputLabel.width() + in.inputBox.width() + 2 * Margin);
    }
    return y;
}

} // namespace

MsgLayoutResult layoutMsg(const MsgLayoutInput &in)
{
    MsgLayoutResult out;
    double width = 0;
    double bottom = 0;
    placeMessage(in, out, width, bottom);
    fitRowAndContent(in, out, width);
    const double y = stackContent(in, out, bottom + Margin, width);

    // The button row, centred at the bottom.
    const double edge = in.buttonWidths.empty() ? y + Margin : y + in.buttonHeight + 2 * Margin;
    double bx = static_cast<double>(intHalf(width) - intHalf(out.rowWidth));
    for (const double buttonWidth : in.buttonWidths) {
        out.buttons.emplace_back(bx, edge - in.buttonHeight - Margin);
        bx += buttonWidth + ButtonGap;
    }

    out.clientWidth = width;
    out.clientHeight = edge;
    return out;
}

QPointF centreOnScreen(QSizeF outerSize)
{
    const ScreenMetrics &metrics = screenMetrics();
    const QSizeF screen = metrics.screenSize;
    const QRectF work = metrics.workArea;
    const double left = screen.width() / 2 - outerSize.width() / 2;
    const double top = screen.height() / 2 - outerSize.height() / 2;
    return {std::max(work.left(), std::min(left, work.right() - outerSize.width())),
            std::max(work.top(), std::min(top, work.bottom() - outerSize.height()))};
}

double widestMessage(bool hasIcon, double iconRight, double frameWidth)
{
    const double beside = hasIcon ? iconRight + Margin + 240 : MessageRightMargin + Margin;
    return screenMetrics().workArea.width() - frameWidth - beside;
}

QString wrapToWidth(const QString &text, double maxWidth,
                    const std::function<double(const QString &)> &widthOf)
{
    const auto isBreakAfter = [](QChar c) {
        return c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('_') ||
               c == QLatin1Char('-') || c == QLatin1Char('.') || c == QChar(0x3001) || c == QChar(0x3002);
    };
    QStringList out;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        QString rest = line;
        while (rest.size() > 1 && widthOf(rest) > maxWidth) {
            // The longest start that fits, whole characters only.
            qsizetype fits = 0;
            for (qsizetype end = 1; end <= rest.size(); ++end) {
                if (end < rest.size() && rest.at(end).isLowSurrogate())
                    continue;
                if (widthOf(rest.left(end)) > maxWidth)
                    break;
                fits = end;
            }
            if (fits == 0)
                fits = rest.at(0).isHighSurrogate() && rest.size() > 1 ? 2 : 1;
            qsizetype cut = fits;
            for (qsizetype at = fits; at > fits / 2; --at) {
                if (isBreakAfter(rest.at(at - 1))) {
                    cut = at;
                    break;
                }
            }
            if (cut >= rest.size())
                break;
            out << rest.left(cut);
            rest = rest.mid(cut);
        }
        out << rest;
    }
    return out.join(QLatin1Char('\n'));
}
