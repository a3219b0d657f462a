// The running instance's close, in its two steps: nothing answered once it
// begins, and what was taken but not run goes to a new start.
#include "app/HandOffService.h"
#include "platform/dde/DDESend.h"
#include "platform/dde/InstanceChannel.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

TEST(HandOffService, AClosingInstanceAnswersNothingAndPassesOnWhatItTook)
{
    QTemporaryDir dir;
    const QString lockPath = dir.filePath("k.lock");
    const QString socket = dir.filePath("k.sock");
    InstanceLock lock;
    ASSERT_EQ(lock.tryAcquire(lockPath), InstanceLock::Result::Acquired);
    HandOffService service(lock);
    ASSERT_TRUE(service.listen(socket));

    // Taken while the start-up still holds the queue.
    for (const char *file : {"/v/a.mp4", "", "/v/b.mp4"}) {
        auto reply = std::async(std::launch::async, [&] { return DDESend(file, socket, "t"); });
        ASSERT_TRUE(waitUntil(
            [&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
        EXPECT_EQ(reply.get(), QString());
    }
    ASSERT_TRUE(waitUntil([&] { return service.queue().pendingCount() == 3; }, 5000));

    service.stopAnswering();
    EXPECT_FALSE(QFile::exists(socket));
    bool failed = false;
    SendFailure failure = SendFailure::None;
    DDESend("/v/late.mp4", socket, {}, &failed, {200, 200, 10}, {}, &failure);
    EXPECT_EQ(failure, SendFailure::NotTaken) << "answered while closing";
    EXPECT_EQ(InstanceLock().tryAcquire(lockPath), InstanceLock::Result::HeldByOther)
        << "the lock went before the settings were written";

    QStringList restarted;
    service.handOver([&](const HandOff &handOff) { restarted << handOff.command; });
    // In order; the start without a file asked only for the closing window.
    EXPECT_EQ(restarted, QStringList({"/v/a.mp4", "/v/b.mp4"}));
    EXPECT_EQ(InstanceLock().tryAcquire(lockPath), InstanceLock::Result::Acquired);
    service.handOver([&](const HandOff &handOff) { restarted << handOff.command; });
    EXPECT_EQ(restarted.size(), 2) << "handed over twice";
}
