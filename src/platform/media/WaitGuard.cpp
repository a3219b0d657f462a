#include "platform/media/WaitGuard.h"

#include <QCoreApplication>
#include <QEvent>
// Only for QWidget::isWindow(), which is inline: nothing of the widget
// library is linked, the core stays on Qt Core.
#include <QWidget>

#include <algorithm>

int WaitGuard::s_depth = 0;
std::vector<QPointer<QObject>> WaitGuard::s_closeLater;

namespace {

/// True for a widget that is a window of its own. isWidgetType() stands in
/// for qobject_cast, which would need the widget library's meta-object.
bool isWindowWidget(const QObject *object)
{
    return object->isWidgetType() && static_cast<const QWidget *>(object)->isWindow();
}

} // namespace

WaitGuard::WaitGuard()
{
    ++s_depth;
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

WaitGuard::~WaitGuard()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
    if (--s_depth > 0)
        return;
    // The wait is over: the windows asked to close in the meantime close now.
    const std::vector<QPointer<QObject>> closing = std::move(s_closeLater);
    s_closeLater.clear();
    for (const QPointer<QObject> &window : closing) {
        if (window)
            QMetaObject::invokeMethod(window, "close", Qt::QueuedConnection);
    }
}

bool WaitGuard::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Timer:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return true;
    case QEvent::Close: {
        if (!isWindowWidget(watched))
            return false;
        if (std::find(s_closeLater.begin(), s_closeLater.end(), watched) == s_closeLater.end())
            s_closeLater.emplace_back(watched);
        event->ignore();
        return true;
    }
    default: return false;
    }
}
