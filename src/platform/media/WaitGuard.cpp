#include "platform/media/WaitGuard.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

int WaitGuard::s_depth = 0;
std::vector<QPointer<QObject>> WaitGuard::s_closeLater;
std::vector<std::pair<QPointer<QObject>, std::function<void()>>> WaitGuard::s_waitEnded;

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
    s_waitEnded.erase(std::remove_if(s_waitEnded.begin(), s_waitEnded.end(),
                                     [](const auto &entry) { return entry.first.isNull(); }),
                      s_waitEnded.end());
    for (const auto &[context, done] : s_waitEnded)
        QMetaObject::invokeMethod(context, done, Qt::QueuedConnection);
}

bool WaitGuard::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Timer: return true;
    case QEvent::Close: {
        // The program closes only windows, so a widget's close is a
        // window's. QWindow's own close (the window manager's request)
        // passes on to its widget, which is held back; needs no widget code.
        if (!watched->isWidgetType())
            return false;
        if (std::find(s_closeLater.begin(), s_closeLater.end(), watched) == s_closeLater.end())
            s_closeLater.emplace_back(watched);
        event->ignore();
        return true;
    }
    default: return false;
    }
}
