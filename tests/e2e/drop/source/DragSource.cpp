// A small drag source for the drop tests: a window that starts a real
// drag (XDND on X11) of one file when the pointer is pressed on it, as a
// file manager does. The test moves the pointer and presses and releases
// its button from outside; this program only reports on standard output:
//   "drag started"       the drag runs
//   "action N"           the target's answer changed (Qt::DropAction)
//   "result N"           the drag ended with that action (0: refused)
// It runs until it is ended from outside.
//
// Usage: kovaplex_drag_source FILE X Y   (the window's place on the screen)
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class Source final : public QWidget {
public:
    explicit Source(QString file)
        : m_file(std::move(file))
    {
        setWindowTitle(QStringLiteral("drag source"));
        setFixedSize(120, 120);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton || m_dragging)
            return;
        m_dragging = true;
        auto *drag = new QDrag(this);
        auto *data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(m_file)});
        drag->setMimeData(data);
        connect(drag, &QDrag::actionChanged, this,
                [](Qt::DropAction action) { say("action " + QByteArray::number(int(action))); });
        say("drag started");
        const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
        // It stays running, as a file manager does: the target asks for the
        // dropped data after the drag has ended here.
        say("result " + QByteArray::number(int(result)));
    }

private:
    QString m_file;
    bool m_dragging = false;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE X Y\n", argv[0]);
        return 2;
    }
    Source source(QString::fromLocal8Bit(argv[1]));
    source.move(QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt());
    source.show();
    return app.exec();
}
