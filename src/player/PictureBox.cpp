#include "player/PictureBox.h"

#include "platform/forms/KeyCodes.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

/// The client area: paints the kept drawing.
class PictureCanvas final : public QWidget {
public:
    explicit PictureCanvas(PictureBox *box)
        : QWidget(box)
        , m_box(box)
    {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), m_box->m_backColor);
        if (!m_box->m_canvas.isNull())
            p.drawImage(0, 0, m_box->m_canvas);
    }

private:
    PictureBox *m_box;
};

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
    , m_client(new PictureCanvas(this))
    , m_backColor(palette().color(QPalette::Button))
{
    m_client->setObjectName(QStringLiteral("client"));
    layoutClient();
}

void PictureBox::setBorderStyle(int style)
{
    m_borderStyle = style ? 1 : 0;
    layoutClient();
    update();
}

QWidget *PictureBox::client() const
{
    return m_client;
}

void PictureBox::setBackColor(const QColor &color)
{
    m_backColor = color;
    m_client->update();
}

QImage &PictureBox::canvas()
{
    const QSize size = m_client->size().expandedTo(QSize(1, 1));
    if (m_canvas.size() != size) {
        QImage grown(size, QImage::Format_ARGB32_Premultiplied);
        grown.fill(m_backColor);
        if (!m_canvas.isNull()) {
            QPainter p(&grown);
            p.drawImage(0, 0, m_canvas);
        }
        m_canvas = grown;
    }
    return m_canvas;
}

void PictureBox::Cls()
{
    canvas().fill(m_backColor);
    m_client->update();
}

void PictureBox::PSet(int x, int y, const QColor &color)
{
    QImage &image = canvas();
    if (image.rect().contains(x, y))
        image.setPixelColor(x, y, color);
    m_client->update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    if (!m_borderStyle)
        return;
    // The desktop's sunken 3D edge: shadow outside top-left, highlight
    // outside bottom-right, dark shadow and light inside.
    QPainter p(this);
    const QPalette &pal = palette();
    const int w = width() - 1;
    const int h = height() - 1;
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(0, 0, w - 1, 0);
    p.drawLine(0, 0, 0, h - 1);
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(0, h, w, h);
    p.drawLine(w, 0, w, h);
    p.setPen(pal.color(QPalette::Shadow));
    p.drawLine(1, 1, w - 2, 1);
    p.drawLine(1, 1, 1, h - 2);
    p.setPen(pal.color(QPalette::Midlight));
    p.drawLine(1, h - 1, w - 1, h - 1);
    p.drawLine(w - 1, 1, w - 1, h - 1);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT MouseDown(mouseButtonBits(event->button()), shiftStateFromModifiers(event->modifiers()),
                     event->position().toPoint());
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutClient();
}

void PictureBox::layoutClient()
{
    const int b = borderWidth();
    m_client->setGeometry(b, b, std::max(0, width() - 2 * b), std::max(0, height() - 2 * b));
}
