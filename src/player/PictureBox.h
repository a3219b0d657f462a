#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class PictureCanvas;

/// A picture box of the main window: a container with an optional 2-pixel
/// sunken border, a back colour and a drawing that stays until it is cleared
/// (what the program draws on it is kept in an image and repainted from
/// there, so a window that was covered shows it again).
///
/// Children belong on client(), whose origin is inside the border. Lengths
/// are pixels here; the window converts its twips. A mouse press on the box,
/// or on a child that passes it on, raises MouseDown and goes no further.
/// GUI thread only.
class PictureBox : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureBox)

public:
    explicit PictureBox(QWidget *parent = nullptr);

    /// 0: no border; 1: a sunken 2-pixel border around the client area.
    void setBorderStyle(int style);
    int borderStyle() const { return m_borderStyle; }
    /// Width of the border at one side, pixels.
    int borderWidth() const { return m_borderStyle ? 2 : 0; }

    /// The area inside the border; children are placed on it.
    QWidget *client() const;

    void setBackColor(const QColor &color);
    QColor backColor() const { return m_backColor; }
    void setForeColor(const QColor &color) { m_foreColor = color; }
    QColor foreColor() const { return m_foreColor; }

    /// The kept drawing, the size of the client area. Paint on it, then call
    /// client()->update().
    QImage &canvas();
    /// Clears the kept drawing to the back colour.
    void Cls();
    /// Sets one pixel of the kept drawing.
    void PSet(int x, int y, const QColor &color);

Q_SIGNALS:
    /// A mouse button went down: its button bit (MouseButtonBits), the shift
    /// state (ShiftState bits) and the place in the box, pixels.
    void MouseDown(int button, int shift, QPoint pos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class PictureCanvas;
    void layoutClient();

    PictureCanvas *m_client = nullptr;
    int m_borderStyle = 1;
    QColor m_backColor;
    QColor m_foreColor = Qt::black;
    QImage m_canvas;
};
