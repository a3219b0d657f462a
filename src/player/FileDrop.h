#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QMimeData;
class QUrl;
class QWidget;

/// The local path of a dropped URL: a `file:` URL without a host (or naming
/// this machine) gives its decoded path; anything else (http, sftp, another
/// host) gives nothing, so it never reaches the player.
std::optional<QString> localPathOf(const QUrl &url);

/// The first local file of dropped data (file managers send a text/uri-list
/// of percent-encoded URLs); nothing when it holds none.
std::optional<QString> firstDroppedFile(const QMimeData *data);

/// Takes file drops for a window and the widgets in it, and refuses them on
/// the widgets that must not take any.
///
/// A widget that does not accept drops hands them to the nearest one above
/// it that does; so accepting on the window covers every control in it, and
/// a refusing widget has to accept drops itself, only to turn each away.
/// GUI thread only.
class FileDropTarget final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileDropTarget)

public:
    /// Takes drops on `window` and everything in it.
    explicit FileDropTarget(QWidget *window);

    /// Turns drops away on `widget` and its children.
    void refuse(QWidget *widget);

Q_SIGNALS:
    /// A drop held at least one local file: the first one's full path.
    void fileDropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
};
