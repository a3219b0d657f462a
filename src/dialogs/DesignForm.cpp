#include "dialogs/DesignForm.h"

#include "dialogs/DialogRules.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/forms/Twips.h"
#include "platform/forms/WindowFrame.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// Room around a caption inside a button's edges, pixels.
constexpr double ButtonPaddingX = 16;
constexpr double ButtonPaddingY = 8;
// Room after a label's text: a label whose text fills it would run into the
// field beside it, the design's narrow gap being all that is left.
constexpr double LabelGapX = 6;

QSizeF twipsOf(QSizeF pixels)
{
    return {pixelsToTwipsX(pixels.width()), pixelsToTwipsY(pixels.height())};
}

QSizeF needOf(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return twipsOf(QSizeF(label->sizeHint()) + QSizeF(LabelGapX, 0));
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return twipsOf(QSizeF(0, edit->minimumSizeHint().height()));
    if (const auto *button = qobject_cast<const QAbstractButton *>(control)) {
        const QFontMetricsF metrics(button->font());
        const QRectF text = metrics.boundingRect(button->text());
        return twipsOf(QSizeF(std::ceil(text.width()) + ButtonPaddingX,
                              std::ceil(std::max(text.height(), metrics.height())) + ButtonPaddingY));
    }
    return {};
}

} // namespace

void DesignForm::add(QWidget *control, QRectF designTwips)
{
    m_controls.emplace_back(control, designTwips);
}

QSizeF DesignForm::apply(QWidget &dialog) const
{
    std::vector<DesignFit> fits;
    fits.reserve(m_controls.size());
    for (const auto &[control, design] : m_controls)
        fits.push_back({design, needOf(control)});
    const QSizeF scale = designScale(fits);
    const TwipsPerPixel tpp = screenTwipsPerPixel();
    // Both edges are scaled and rounded, so neighbours that touch in the
    // design still touch after rounding.
    for (const auto &[control, r] : m_controls)
        placeTwips(control, r, tpp, TwipsRounding::Edges, scale);
    dialog.setFixedSize(twipsToPixelsX(m_client.width() * scale.width()),
                        twipsToPixelsY(m_client.height() * scale.height()));
    return scale;
}

void loadDialogPlace(QWidget &dialog, const PlayerSettings &settings, PlacedForm form)
{
    // The frame is not known before the first show: the last one measured
    // (or an estimate) stands in for it.
    const WindowFrameSizes frame = windowFrameSizes(&dialog);
    const ScreenMetrics &screen = screenMetrics();
    const float width = static_cast<float>(pixelsToTwipsX(dialog.width()) + 2 * frame.frameX);
    const float height = static_cast<float>(pixelsToTwipsY(dialog.height()) + frame.frameX + frame.frameY);
    const FormPlace centred{static_cast<float>(screen.screenSize.width()) / 2 - width / 2,
                            static_cast<float>(screen.screenSize.height()) / 2 - height / 2};
    const FormPlace place = settings.formPlace(form, centred);
    dialog.move(twipsToWidgetPixels(static_cast<float>(place.left), screen.twipsPerPixelX),
                twipsToWidgetPixels(static_cast<float>(place.top), screen.twipsPerPixelY));
}

void storeDialogPlace(const QWidget &dialog, const PlayerSettings &settings, PlacedForm form)
{
    settings.setFormPlace(form, {pixelsToTwipsX(dialog.x()), pixelsToTwipsY(dialog.y())});
}
