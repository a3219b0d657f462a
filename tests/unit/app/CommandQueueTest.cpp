// Commands from later starts: held until the start-up ends, then run in
// order, one at a time, from the event loop.
#include "app/CommandQueue.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(CommandQueue, HeldUntilReleasedThenRunInOrderAndNeverReentered)
{
    CommandQueue queue;
    QStringList ran;
    int depth = 0;
    int deepest = 0;
    queue.push({"a", {}}, 1);
    queue.push({"b", {}}, 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(queue.pendingCount(), 2u);

    queue.release([&](const HandOff &handOff, quint64 sequence) {
        deepest = std::max(deepest, ++depth);
        ran << handOff.command + QString::number(sequence);
        if (handOff.command == "a") {
            // As the resume question does: a nested loop while a new
            // command arrives.
            queue.push({"c", {}}, 3);
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
    queue.push({"d", {}}, 4);
    QCoreApplication::processEvents();
    EXPECT_EQ(queue.pendingCount(), 0u);
    EXPECT_EQ(ran.size(), 3);
}

TEST(CommandQueue, WaitsWhileHeld)
{
    CommandQueue queue;
    bool held = true;
    int asked = 0;
    queue.setHoldCondition(
        [&] {
            ++asked;
            return held;
        },
        1);
    QStringList ran;
    queue.release([&](const HandOff &handOff, quint64) { ran << handOff.command; });
    queue.push({"a", {}}, 1);
    ASSERT_TRUE(waitUntil([&] { return asked >= 3; }));
    EXPECT_TRUE(ran.isEmpty());
    held = false;
    ASSERT_TRUE(waitUntil([&] { return !ran.isEmpty(); }));
    EXPECT_EQ(ran, QStringList{"a"});
}

} // namespace
