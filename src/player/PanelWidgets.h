#pragma once

#include "platform/forms/FrameDrawing.h"
#include "player/PictureBox.h"
#include "player/PlayerGeometry.h"

#include <QLabel>
#include <QPushButton>

#include <array>
#include <cstdint>
#include <vector>

/// The instruments of the control panel. Each draws itself and reports what
/// the user asked for through signals; none of them acts on the player. The
/// window places them and runs the requests through its handlers.
///
/// Places and sizes given to them are twips, converted with the window's
/// twips per pixel. GUI thread only.

/// A picture that takes the mouse on it itself (presses do not reach the
/// bar beneath) and reports it.
class PanelImage final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelImage)

public:
    using QLabel::QLabel;

Q_SIGNALS:
    /// Button bit, shift state, place in the picture (pixels).
    void MouseDown(int button, int shift, QPoint pos);
    /// The mouse moved with buttons held (their bits), also outside the
    /// picture while the press lasts.
    void MouseMove(int buttons, int shift, QPoint pos);
    /// The left button went down and came up again on the picture.
    void Click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

/// A panel button that also reports a press of the right button (a plain
/// push button ignores it).
class PanelButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelButton)

public:
    using QPushButton::QPushButton;

Q_SIGNALS:
    void rightPressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

/// A row of buttons of one size side by side, inside a one-pixel sunken
/// frame that starts two pixels before the first button's corner. The
/// buttons keep the focus only on a click.
class ButtonRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ButtonRow)

public:
    /// `lefts` holds each button's left edge on the panel, by index; `top`,
    /// `width` and `height` are shared by all. The row places itself on
    /// `panel`.
    ButtonRow(const std::vector<float> &lefts, float top, float width, float height, const TwipsPerPixel &tpp,
              QWidget *panel);

    int count() const { return static_cast<int>(m_buttons.size()); }
    PanelButton *button(int index) const { return m_buttons.at(static_cast<std::size_t>(index)); }

Q_SIGNALS:
    /// Button `index` was clicked (left button, or its keyboard activation).
    void clicked(int index);
    /// The right mouse button went down on button `index`.
    void rightPressed(int index);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<PanelButton *> m_buttons;
    TwipsPerPixel m_tpp;
};

/// The position bar: a raised frame, the track with its tick marks, the
/// time label, the position cursor and the two mute icons (sound on, sound
/// off). Presses on the bar and the label come out as MouseDown; the cursor
/// reports its own. A click on the shown icon swaps the icons and asks for
/// the new mute state: the icons are the only record of it.
/// `line` shortened to `width` pixels: the name in its 「」 gives way
/// from the middle, the rest stays whole.
QString fitMessageLine(const QString &line, const QFontMetrics &metrics, int width);

class PositionBar final : public PictureBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PositionBar)

public:
    /// Places itself on `panel` at its design place.
    PositionBar(const TwipsPerPixel &tpp, QWidget *panel);

    QLabel *timeLabel() const { return m_time; }
    PanelImage *cursor() const { return m_cursor; }
    /// 0: sound on, 1: sound off.
    PanelImage *speaker(int index) const { return m_speakers.at(static_cast<std::size_t>(index)); }

    /// The raised edge around the whole bar.
    void drawFrame();
    /// Clears the bar and draws the frame and `track`: a black and a white
    /// line and a tick every three pixels.
    void drawTrack(const TrackGeometry &track);
    /// The pixel at the corner tells which engine plays: black for MCI, red
    /// for the media player control.
    void markEngine(bool mci);
    /// Moves the cursor to `position` of `length` seconds on `track`.
    void placeCursor(double position, double length, const TrackGeometry &track);

    /// Shows `text` (a line naming the file in 「」, and the reason on a
    /// line of its own) over the track, in place of the track, the cursor
    /// and the time; a name too long to fit is shortened in its middle, and
    /// the whole text is in the tool tip. Empty shows the time again.
    void showMessage(const QString &text);

    /// Shows the speaker for `muted`.
    void setMuted(bool muted);

Q_SIGNALS:
    /// A click on the speaker swapped it: the sound is to be `muted`.
    void muteChosen(bool muted);

private:
    TwipsPerPixel m_tpp;
    QLabel *m_time = nullptr;
    QLabel *m_message = nullptr;
    PanelImage *m_cursor = nullptr;
    std::array<PanelImage *, 2> m_speakers{};
};

/// The volume bar: 24 segments, lit in green from the left for the mixer
/// level. Presses on it go no further (they do not open the menu).
class VolumeBar final : public PictureBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VolumeBar)

public:
    /// Places itself on `panel` at its design place.
    VolumeBar(const TwipsPerPixel &tpp, QWidget *panel);

    /// Lights CLng(level × 24 / 65535) segments over what was drawn; a level
    /// beyond either end lights all or none.
    void setLevel(std::int32_t level);

Q_SIGNALS:
    /// The left button went down on the bar, or moved while held (also past
    /// its ends): the mixer level for that place, unbounded above.
    void levelChosen(std::int32_t level);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void chooseAt(QPointF pos);

    TwipsPerPixel m_tpp;
    // What the canvas shows, so that the status tick's unchanged level costs
    // no repaint: the lit segments at the bar's height (-1: nothing yet).
    std::int32_t m_drawnLit = -1;
    int m_drawnHeight = -1;
};
