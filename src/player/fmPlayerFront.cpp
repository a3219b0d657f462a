// Always on top, and cutting the video's edges.

#include "player/fmPlayer.h"

#include "platform/mediaplayer/MediaPlayerControl.h"
#include "platform/video/VideoSurface.h"
#include "player/PictureBox.h"
#include "player/PlayerGeometry.h"

#include <QWindow>

void fmPlayer::FrontSet(int Flag)
{
    const bool topmost = Flag == -1;
    if (!windowHandle())
        create();
    // Changing the native window's flags directly keeps the window mapped,
    // in place and at its size; going through QWidget::setWindowFlags would
    // hide and re-create it. The widget's own copy of the flags follows so
    // that a later show does not undo the change.
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    overrideWindowFlags(flags);
    windowHandle()->setFlags(flags);
    m_topmost = topmost;

    // Shown and brought to the top of its band, without taking the focus.
    const bool wasShownWithoutActivating = testAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    if (!isVisible())
        show();
    raise();
    setAttribute(Qt::WA_ShowWithoutActivating, wasShownWithoutActivating);
}

bool fmPlayer::isTopmost() const
{
    return m_topmost;
}

void fmPlayer::CutDisplay()
{
    const CutPercents cut = m_settings.cutPercents();
    CutDisplaySub(cut.left, cut.top, cut.bottom, cut.right);
}

void fmPlayer::CutDisplaySub(const QString &cLeft, const QString &cTop, const QString &cBottom,
                             const QString &cRight)
{
    const CutGeometry g = cutGeometry(static_cast<float>(MPlayer->Width()),
                                      static_cast<float>(MPlayer->Height()), cLeft, cTop, cBottom, cRight);
    placeTwips(PiVBase, PiVBase->x() * static_cast<double>(TwipsPerPixelX),
               PiVBase->y() * static_cast<double>(TwipsPerPixelY), g.baseWidth, g.baseHeight);
    MPlayer->setLeft(g.videoLeft);
    MPlayer->setTop(g.videoTop);
    placeTwips(PiMCI, MPlayer->Left(), MPlayer->Top(), MPlayer->Width(), MPlayer->Height());
}
