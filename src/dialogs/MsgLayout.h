#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

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

/// Left and top (twips) that centre a box of `outerSize` on the screen.
QPointF centreOnScreen(QSizeF outerSize);
