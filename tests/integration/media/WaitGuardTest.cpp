// What may run while an engine waits inside a handler of the window.
#include "platform/media/WaitGuard.h"

#include "TestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

/// A window that counts what reaches it.
class CountingWindow : public QWidget {
public:
    int paints = 0;
    int keys = 0;
    int closes = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
    void keyPressEvent(QKeyEvent *) override { ++keys; }
    void closeEvent(QCloseEvent *event) override
    {
        ++closes;
        event->accept();
    }
};

TEST(WaitGuard, PaintsButRunsNoTimerInputOrCloseUntilItEnds)
{
    CountingWindow window;
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.paints > 0; }));

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);
    {
        const WaitGuard guard;
        const int paintsBefore = window.paints;
        window.update();
        QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
        QCoreApplication::postEvent(&window, new QCloseEvent);
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(WaitGuard::flags());
        EXPECT_GT(window.paints, paintsBefore) << "the window did not repaint during the wait";
        EXPECT_EQ(ticks, 0) << "a timer ran inside the wait";
        EXPECT_EQ(window.closes, 0) << "the window closed inside the wait";
        EXPECT_TRUE(window.isVisible());
    }
    EXPECT_TRUE(waitUntil([&] { return ticks > 0 && window.closes == 1; })) << "held back for good";
    EXPECT_FALSE(window.isVisible());
}

} // namespace
