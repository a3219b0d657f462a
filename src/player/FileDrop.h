#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QMimeData;
class QUrl;
class QWidget;

/// The local path of a URL (a dropped file, an address handed in from the
/// desktop): a `file:` URL with a full path and without a host (or naming
/// this machine) gives its decoded path; anything else (http, sftp, another
/// host, a relative path) gives nothing, so it never reaches the player.
std::optional<QString> localPathOf(const QUrl &url);

/// The first local file of dropped data (file managers send a text/uri-list
/// of percent-encoded URLs); nothing when it holds none.
std::optional<QString> firstDroppedFile(const QMimeData *data);

/// Takes file drops for a window and the widgets in it, and refuses them on
/// the widgets that must not take any.
///
/// A drop that a widget does not take travels up to its parents, so a
/// widget cannot refuse one by itself; the window takes them all and turns
/// away those that land on a refusing widget. GUI thread only.
class FileDropTarget final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileDropTarget)

public:
    /// Takes drops on `window` and everything in it.
    explicit FileDropTarget(QWidget *window);

    /// Turns drops away on `widget` and its children.
    void refuse(QWidget *widget);
    /// Whether a drop at `pos` (window coordinates) lands on a refusing widget.
    bool refusesAt(QPoint pos) const;

Q_SIGNALS:
    /// A drop held at least one local file: the first one's full path.
    void fileDropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QList<QPointer<QWidget>> m_refusing;
};
