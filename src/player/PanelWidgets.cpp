#include "player/PanelWidgets.h"

#include "platform/forms/KeyCodes.h"
#include "player/BarArithmetic.h"
#include "player/TransportPictures.h"
#include "util/RuntimeError.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

/// Light cream of the position and volume bars.
const QColor BarBackColor(255, 248, 192);

} // namespace

void PanelImage::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT MouseDown(mouseButtonBits(event->button()), shiftStateFromModifiers(event->modifiers()),
                     event->position().toPoint());
}

void PanelImage::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT MouseMove(mouseButtonBits(event->buttons()), shiftStateFromModifiers(event->modifiers()),
                     event->position().toPoint());
}

void PanelImage::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Click();
}

void PanelButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        Q_EMIT rightPressed();
        return;
    }
    QPushButton::mousePressEvent(event);
}

ButtonRow::ButtonRow(const std::vector<float> &lefts, float top, float width, float height,
                     const TwipsPerPixel &tpp, QWidget *panel)
    : QWidget(panel)
    , m_tpp(tpp)
{
    const float firstLeft = *std::min_element(lefts.begin(), lefts.end());
    // The frame runs from two pixels before the first button to the last
    // button's right edge, both ends included.
    const int frameLeft = twipsToWidgetPixels(firstLeft, tpp.x) - 2;
    const int frameTop = twipsToWidgetPixels(top, tpp.y) - 2;
    const int buttonWidth = std::max(0, twipsToWidgetPixels(width, tpp.x));
    const int buttonHeight = std::max(0, twipsToWidgetPixels(height, tpp.y));
    setGeometry(frameLeft, frameTop, static_cast<int>(lefts.size()) * buttonWidth + 3, buttonHeight + 3);

    for (std::size_t i = 0; i < lefts.size(); ++i) {
        auto *button = new PanelButton(this);
        button->setProperty("Index", static_cast<int>(i));
        button->setFocusPolicy(Qt::ClickFocus);
        button->setGeometry(twipsToWidgetPixels(lefts[i], tpp.x) - frameLeft, 2, buttonWidth, buttonHeight);
        connect(button, &QPushButton::clicked, this, [this, i] { Q_EMIT clicked(static_cast<int>(i)); });
        connect(button, &PanelButton::rightPressed, this,
                [this, i] { Q_EMIT rightPressed(static_cast<int>(i)); });
        m_buttons.push_back(button);
    }
}

void ButtonRow::paintEvent(QPaintEvent *)
{
    if (m_buttons.empty())
        return;
    const QWidget *first = m_buttons.front();
    DrawSunkenFrame(this, 0, 0, static_cast<float>((count() * first->width() + 2) * m_tpp.x),
                    static_cast<float>((first->height() + 2) * m_tpp.y), m_tpp);
}

PositionBar::PositionBar(const TwipsPerPixel &tpp, QWidget *panel)
    : PictureBox(panel)
    , m_tpp(tpp)
{
    setBorderStyle(0);
    setBackColor(BarBackColor);
    placeTwips(this, PlayerDesign::PositionBar.rect(), tpp);
    QWidget *bar = client();

    for (std::size_t i = 0; i < m_speakers.size(); ++i) {
        auto *icon = new PanelImage(bar);
        icon->setObjectName(QStringLiteral("ImSp%1").arg(i));
        placeTwips(icon, PlayerDesign::Speaker.rect(), tpp);
        icon->setPixmap(speakerPicture(i == 1, icon->size(), devicePixelRatioF()));
        m_speakers[i] = icon;
    }
    m_speakers[1]->hide();
    for (std::size_t i = 0; i < m_speakers.size(); ++i) {
        connect(m_speakers[i], &PanelImage::Click, this, [this, i] {
            const bool mute = i == 0;
            setMuted(mute);
            Q_EMIT muteChosen(mute);
        });
    }

    m_time = new QLabel(bar);
    m_time->setObjectName(QStringLiteral("Label1"));
    m_time->setText(TimeToText(-1));
    m_time->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    placeTwips(m_time, PlayerDesign::TimeLabel.rect(), tpp);
    QFont small = m_time->font();
    small.setPixelSize(std::max(9, m_time->height() - 2));
    m_time->setFont(small);

    // What stands in the bar when a file cannot be played: two lines over
    // the track (which means nothing then), across the bar's whole width,
    // since the volume bar covers the left of the time's row. The bar keeps
    // its size in every layout, so the text fits in every layout.
    m_message = new QLabel(bar);
    m_message->setObjectName(QStringLiteral("LaMessage"));
    QFont message = small;
    placeTwips(m_message, PlayerDesign::Message.rect(), tpp);
    message.setPixelSize(std::max(8, m_message->height() / 2 - 2));
    m_message->setFont(message);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_message->setAutoFillBackground(true);
    m_message->hide();

    m_cursor = new PanelImage(bar);
    m_cursor->setObjectName(QStringLiteral("imCursor"));
    m_cursor->setScaledContents(true);
    // Parked at the track's start until a file gives it a place.
    placeTwips(m_cursor, (PlayerDesign::TrackInsetPixels - PlayerDesign::CursorPointPixels) * tpp.x,
               PlayerDesign::CursorTop, PlayerDesign::CursorWidthPixels * tpp.x,
               PlayerDesign::CursorHeightPixels * tpp.y, tpp);
    m_cursor->setPixmap(cursorPicture(CursorPictureSize, devicePixelRatioF()));
}

QString fitMessageLine(const QString &line, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(line) <= width)
        return line;
    // Only the file's name gives way, from its middle: which file it was and
    // what became of it both stay readable.
    const qsizetype open = line.indexOf(u'「');
    const qsizetype close = line.lastIndexOf(u'」');
    if (open < 0 || close <= open)
        return metrics.elidedText(line, Qt::ElideMiddle, width);
    const QString before = line.left(open + 1);
    const QString after = line.mid(close);
    const int room = width - metrics.horizontalAdvance(before + after);
    const QString name = line.mid(open + 1, close - open - 1);
    return before +
           metrics.elidedText(name, Qt::ElideMiddle, std::max(room, metrics.horizontalAdvance(u'…'))) + after;
}

void PositionBar::showMessage(const QString &text)
{
    if (text == m_message->toolTip() && m_message->isHidden() == text.isEmpty())
        return; // every tick asks
    m_message->setToolTip(text);
    QStringList lines;
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts))
        lines << fitMessageLine(line, m_message->fontMetrics(), m_message->width());
    m_message->setText(lines.join(u'\n'));
    m_message->setVisible(!text.isEmpty());
    m_message->raise(); // over the cursor
    m_cursor->setVisible(text.isEmpty());
    m_time->setVisible(text.isEmpty());
}

void PositionBar::drawFrame()
{
    QPainter painter(&canvas());
    DrawRaisedFrame(painter, 0, 0, static_cast<float>(width() * m_tpp.x),
                    static_cast<float>(height() * m_tpp.y), m_tpp);
    painter.end();
    client()->update();
}

void PositionBar::drawTrack(const TrackGeometry &track)
{
    Cls();
    // The raised edge is part of the bar's look, not of the old file's
    // drawing.
    drawFrame();
    QPainter painter(&canvas());
    const int left = static_cast<int>(std::lround(track.left / m_tpp.x));
    const int length = static_cast<int>(std::lround(track.length / m_tpp.x));
    if (length > 0) {
        painter.fillRect(left, 14, length, 1, QColor(0, 0, 0));
        painter.fillRect(left, 15, length, 1, QColor(255, 255, 255));
    }
    for (int u = 0; u <= length; u += 3)
        painter.fillRect(left + u, 3, 1, 3, foreColor());
    painter.end();
    client()->update();
}

void PositionBar::markEngine(bool mci)
{
    PSet(0, 0, mci ? QColor(0, 0, 0) : QColor(255, 0, 0));
}

void PositionBar::placeCursor(double position, double length, const TrackGeometry &track)
{
    const CursorPlacement c =
        cursorPlacement(position, length, track, static_cast<float>(m_tpp.x), static_cast<float>(m_tpp.y));
    if (c.sized)
        placeTwips(m_cursor, c.left, c.top, c.width, c.height, m_tpp);
    else
        m_cursor->move(twipsToWidgetPixels(c.left, m_tpp.x), m_cursor->y());
}

void PositionBar::setMuted(bool muted)
{
    m_speakers[muted ? 0 : 1]->hide();
    m_speakers[muted ? 1 : 0]->show();
}

VolumeBar::VolumeBar(const TwipsPerPixel &tpp, QWidget *panel)
    : PictureBox(panel)
    , m_tpp(tpp)
{
    setBackColor(BarBackColor);
    placeTwips(this, PlayerDesign::VolumeBar.rect(), tpp);
}

void VolumeBar::setLevel(std::int32_t level)
{
    const std::int32_t lit = volumeLitSegments(level);
    const int height = client()->height();
    if (lit == m_drawnLit && height == m_drawnHeight)
        return;
    m_drawnLit = lit;
    m_drawnHeight = height;
    QPainter painter(&canvas());
    for (int i = 0; i < VolumeSegments; ++i)
        painter.fillRect(volumeSegmentRect(i, height), i < lit ? QColor(0, 192, 0) : QColor(192, 192, 192));
    painter.end();
    client()->update();
}

void VolumeBar::mousePressEvent(QMouseEvent *event)
{
    PictureBox::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        chooseAt(event->position());
}

void VolumeBar::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (event->buttons() & Qt::LeftButton)
        chooseAt(event->position());
}

void VolumeBar::chooseAt(QPointF pos)
{
    runGuarded("PiVolume_MouseDown", [this, pos] {
        // The bar's own coordinates start inside its border.
        const double x = (pos.x() - client()->x()) * m_tpp.x;
        Q_EMIT levelChosen(volumeLevelAt(static_cast<float>(x),
                                         static_cast<float>(client()->width() * m_tpp.x),
                                         static_cast<float>(m_tpp.x)));
    });
}
