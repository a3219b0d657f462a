#include "platform/media/WaitGuard.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

int WaitGuard::s_depth = 0;
std::vector<QPointer<QWidget>> WaitGuard::s_closeLater;

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
    const std::vector<QPointer<QWidget>> closing = std::move(s_closeLater);
    s_closeLater.clear();
    for (const QPointer<QWidget> &window : closing) {
        if (window)
            QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
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
        auto *window = qobject_cast<QWidget *>(watched);
        if (!window || !window->isWindow())
            return false;
        if (std::find(s_closeLater.begin(), s_closeLater.end(), window) == s_closeLater.end())
            s_closeLater.emplace_back(window);
        event->ignore();
        return true;
    }
    default: return false;
    }
}
