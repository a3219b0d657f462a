#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <QString>

#include <functional>
#include <vector>

/// What the message box's layout needs to know of its controls, all in twips.
struct MsgLayoutInput {
    bool hasIcon = false;
    QRectF icon;             ///< icon picture, when hasIcon
    QSizeF message;          ///< the message label, sized to its text
    double contentWidth = 0; ///< width given to options, check box and input block
    std::vector<double> optionHeights;
    bool checkShown = false;
    double checkHeight = 0;
    bool inputShown = false;
    QSizeF inputLabel;
    QSizeF inputBox;
    std::vector<double> buttonWidths;
    double buttonHeight = 0;
};

/// Where the controls go, in twips of the client area.
struct MsgLayoutResult {
    QPointF message;
    double contentLeft = 0;
    std::vector<double> optionTops;
    QPointF check;
    QPointF inputLabel;
    QPointF inputBox;
    double rowWidth = 0; ///< the buttons side by side with their gaps
    std::vector<QPointF> buttons;
    double clientWidth = 0;
    double clientHeight = 0; ///< the bottom edge
};

/// Lays the box out around its message: options, check box and input below
/// the message, the button row centred at the bottom. Pure; the box applies
/// the result to its widgets.
MsgLayoutResult layoutMsg(const MsgLayoutInput &in);

/// Left and top (twips) that centre a box of `outerSize` on the screen,
/// then moved by as little as needed to lie within the screen's work area
/// (its top-left corner wins for a box larger than the work area).
QPointF centreOnScreen(QSizeF outerSize);

/// The widest a message label may be (twips) so that the box around it
/// fits the screen's work area: its width less the frame (`frameWidth`,
/// both sides) and the margins the layout puts beside the message, with an
/// icon of `iconRight` (its right edge) when `hasIcon`.
double widestMessage(bool hasIcon, double iconRight, double frameWidth);

/// `text` with every line wider than `maxWidth` (as `widthOf` measures a
/// piece, in the same unit) broken into lines that fit, so that all of it
/// stays visible: after the last blank, "/", "\\", "_", "-", "." or
/// Japanese comma or full stop in the latter half of what fits, else after
/// the last character that fits. A surrogate pair is never split and a
/// line keeps at least one character. Lines that fit are kept as they are.
QString wrapToWidth(const QString &text, double maxWidth,
                    const std::function<double(const QString &)> &widthOf);
