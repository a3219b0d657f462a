// Files to open from every source: held until the start-up ends, then
// opened in order, one at a time, never while the program is busy.
#include "player/OpenQueue.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

OpenRequest request(const QString &name, quint64 sequence = 0, OpenSource source = OpenSource::SecondStart)
{
    return {name, QString(), source, sequence};
}

TEST(OpenQueue, HeldUntilReleasedThenRunInOrderAndNeverReentered)
{
    OpenQueue queue;
    QStringList ran;
    int depth = 0;
    int deepest = 0;
    queue.push(request("a", 1));
    queue.push(request("b", 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(queue.pendingCount(), 2u);

    queue.release([&](const OpenRequest &r) {
        deepest = std::max(deepest, ++depth);
        ran << r.fileName + QString::number(r.sequence);
        if (r.fileName == "a") {
            // As the resume question does: a nested loop while a new
            // file arrives.
            queue.push(request("c", 3));
            QEventLoop nested;
            QTimer::singleShot(0, &nested, &QEventLoop::quit);
            nested.exec();
            EXPECT_EQ(ran, QStringList{"a1"});
        }
        --depth;
    });
    EXPECT_TRUE(ran.isEmpty()) << "ran inside release()";
    ASSERT_TRUE(waitUntil([&] { return ran.size() == 3; }));
    EXPECT_EQ(ran, (QStringList{"a1", "b2", "c3"}));
    EXPECT_EQ(deepest, 1);

    queue.stop();
    queue.push(request("d", 4));
    QCoreApplication::processEvents();
    EXPECT_EQ(queue.pendingCount(), 0u);
    EXPECT_EQ(ran.size(), 3);
}

// A drop or an OpenUri while the window asks whether to resume waits for
// the answer, behind what came before it, and is not lost.
TEST(OpenQueue, WaitsWhileBusyAndResumesInOrder)
{
    OpenQueue queue;
    bool busy = true;
    queue.setBusy([&] { return busy; });
    QStringList ran;
    queue.release([&](const OpenRequest &r) { ran << r.fileName; });
    queue.push(request("uri", 0, OpenSource::OpenUri));
    queue.offer(request("drop", 0, OpenSource::Drop));
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(queue.pendingCount(), 2u);

    busy = false;
    queue.resume();
    EXPECT_EQ(ran, (QStringList{"uri", "drop"}));
    // Idle and empty: an offered file opens at once.
    queue.offer(request("now", 0, OpenSource::Drop));
    EXPECT_EQ(ran.last(), "now");
}

} // namespace
