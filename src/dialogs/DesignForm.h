#pragma once

#include "settings/PlayerSettings.h"

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <utility>
#include <vector>

class QWidget;

/// A dialog's controls at their design places in twips.
///
/// apply() places them in pixels and fixes the dialog's client size. When
/// the font is too large for a design size (a label's text, the height of a
/// text field or a button's caption), the whole design grows by the same
/// factor on that axis (designScale), so the arrangement stays and nothing
/// is clipped; with a font that fits, the design sizes hold exactly.
class DesignForm final {
public:
    explicit DesignForm(QSizeF clientTwips)
        : m_client(clientTwips)
    {}

    /// Adds a control; labels, text fields and buttons ask for room for
    /// their text, other controls take their design size.
    void add(QWidget *control, QRectF designTwips);

    /// Places every control and fixes `dialog`'s client size. Returns the
    /// scale used (1, 1 when the design fits).
    QSizeF apply(QWidget &dialog) const;

private:
    QSizeF m_client;
    std::vector<std::pair<QWidget *, QRectF>> m_controls;
};

/// Moves `dialog` to the place stored for `form` (its outer left and top
/// edges, twips, single precision); without one it is centred on the
/// screen. No check keeps it on the screen. Call after its size is fixed.
/// Throws RuntimeError(Overflow) for a stored number beyond the double range.
void loadDialogPlace(QWidget &dialog, const PlayerSettings &settings, PlacedForm form);

/// Stores `dialog`'s outer left and top edges (twips) as the place of `form`.
void storeDialogPlace(const QWidget &dialog, const PlayerSettings &settings, PlacedForm form);
