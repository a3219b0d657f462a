#include "player/FileDrop.h"

#include "platform/forms/Diagnostics.h"
#include "util/FileNames.h"

#include <QDropEvent>
#include <QMimeData>
#include <QSysInfo>
#include <QUrl>
#include <QWidget>

std::optional<QString> localPathOf(const QUrl &url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    // file://host/path names a file on that host; only this machine's are
    // ours to open.
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0 &&
        host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    // Only a full path names a file; "file:a.mp4" would be read against
    // whatever folder the player runs in.
    // Decoded by bytes: a name that is not UTF-8 keeps them (decodeFileName).
    const QString path =
        decodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    if (!path.startsWith(QLatin1Char('/')))
        return std::nullopt;
    return path;
}

std::optional<QString> firstDroppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    for (const QUrl &url : data->urls()) {
        if (std::optional<QString> path = localPathOf(url))
            return path;
    }
    return std::nullopt;
}

FileDropTarget::FileDropTarget(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

void FileDropTarget::refuse(QWidget *widget)
{
    m_refusing.append(widget);
}

bool FileDropTarget::refusesAt(QPoint pos) const
{
    const QWidget *under = m_window->childAt(pos);
    if (!under)
        return false;
    for (const QPointer<QWidget> &widget : m_refusing) {
        if (widget && (widget == under || widget->isAncestorOf(under)))
            return true;
    }
    return false;
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched != m_window ||
        (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QObject::eventFilter(watched, event);

    auto *drop = static_cast<QDropEvent *>(event);
    // Only ever a copy or a link: a source told that its files were moved
    // may delete them.
    const Qt::DropAction action = drop->possibleActions() & Qt::CopyAction   ? Qt::CopyAction
                                  : drop->possibleActions() & Qt::LinkAction ? Qt::LinkAction
                                                                             : Qt::IgnoreAction;
    const std::optional<QString> path =
        action != Qt::IgnoreAction ? firstDroppedFile(drop->mimeData()) : std::nullopt;
    // Qt hands the later moves and the drop only to a widget that took the
    // enter, so the enter is taken wherever the drag comes in (over the
    // video too); the place decides at each move and at the drop.
    const bool refused = !path || (type != QEvent::DragEnter && refusesAt(drop->position().toPoint()));
    traceValue("drag", type == QEvent::DragEnter
                           ? (path ? QStringLiteral("enter") : QStringLiteral("no file"))
                       : refused              ? QStringLiteral("refused")
                       : type == QEvent::Drop ? QStringLiteral("dropped")
                                              : QStringLiteral("taken"));
    if (refused) {
        drop->setDropAction(Qt::IgnoreAction);
        drop->ignore();
        return true;
    }
    drop->setDropAction(action);
    drop->accept();
    if (type == QEvent::Drop)
        Q_EMIT fileDropped(*path);
    return true;
}
