// The instance channel in one process: the frames, the lock, the address,
// and the client against the server.
#include "TestSupport.h"
#include "platform/dde/CommandServer.h"
#include "platform/dde/DDESend.h"
#include "platform/dde/HandOffFrame.h"
#include "platform/dde/InstanceChannel.h"
#include "util/FileNames.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray frameOf(const HandOff &handOff)
{
    return encodeFrame(encodeHandOff(handOff));
}

TEST(HandOffFrame, StreamsCutAnywhereGiveTheSameFramesAndOversizeBreaksForGood)
{
    const HandOff a{QStringLiteral("\"/動画/a b.mp4\""), QStringLiteral("token_TIME42")};
    const HandOff empty{QString(), QString()};
    const QByteArray stream = frameOf(a) + frameOf(empty) + encodeFrame(QByteArray(MaxFramePayload, 'x'));
    for (const int piece : {1, 3, 4, 7, 4096, int(stream.size())}) {
        SCOPED_TRACE(piece);
        FrameReader reader;
        QList<QByteArray> frames;
        for (qsizetype at = 0; at < stream.size(); at += piece) {
            reader.append(stream.mid(at, piece));
            while (std::optional<QByteArray> frame = reader.takeFrame())
                frames << *frame;
        }
        ASSERT_EQ(frames.size(), 3);
        EXPECT_EQ(decodeHandOff(frames[0]), a);
        EXPECT_EQ(decodeHandOff(frames[1]), empty);
        EXPECT_EQ(frames[2].size(), MaxFramePayload);
        EXPECT_EQ(reader.pendingBytes(), 0);
    }

    FrameReader reader;
    reader.append(QByteArray::fromHex("00010001"));
    EXPECT_TRUE(reader.isBroken());
    reader.append(frameOf(a));
    EXPECT_FALSE(reader.takeFrame());
    EXPECT_TRUE(encodeFrame(QByteArray(MaxFramePayload + 1, 'x')).isEmpty());
}

TEST(HandOffFrame, OnlyOneNulAndValidTextMakeAHandOff)
{
    const struct {
        QByteArray payload;
        std::optional<HandOff> handOff;
    } cases[] = {
        {QByteArray("tok\0/a.mp4", 10), HandOff{"/a.mp4", "tok"}},
        {QByteArray("\0", 1), HandOff{}},
        {QByteArray("\xef\xbb\xbf\0\xef\xbb\xbf", 7),
         HandOff{QString(QChar(0xfeff)), QString(QChar(0xfeff))}}, // marks are text
        {"no separator", std::nullopt},
        {QByteArray("a\0b\0c", 5), std::nullopt},
        // A name that is not UTF-8 keeps its bytes; a token must be text.
        {QByteArray("\0/\x83\x65.mp4", 8), HandOff{decodeFileName("/\x83\x65.mp4"), QString()}},
        {QByteArray("\xff\0/a", 4), std::nullopt},
        {QByteArray("\xc3\0x", 3), std::nullopt},    // a token cut inside a character
    };
    for (const auto &c : cases)
        EXPECT_EQ(decodeHandOff(c.payload), c.handOff) << c.payload.toHex().constData();
    EXPECT_TRUE(encodeHandOff({QStringLiteral("a\0b"), QString()}).isEmpty());
}

TEST(InstanceChannel, OneHolderPerLockFileUntilItGoes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.lock");
    auto first = std::make_unique<InstanceLock>();
    InstanceLock second;
    EXPECT_EQ(first->tryAcquire(path), InstanceLock::Result::Acquired);
    EXPECT_EQ(second.tryAcquire(path), InstanceLock::Result::HeldByOther);
    first.reset(); // as when the holder is killed: the file stays, the lock goes
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(second.tryAcquire(path), InstanceLock::Result::Acquired);
    EXPECT_EQ(InstanceLock().tryAcquire(dir.filePath("missing/x.lock")), InstanceLock::Result::Unavailable);
}

TEST(InstanceChannel, NamedByUserAndCanonicalProgramInAPrivateFolder)
{
    QTemporaryDir dir;
    const QString exe = dir.filePath("Kovaplex");
    QFile(exe).open(QIODevice::WriteOnly);
    QFile::link(exe, dir.filePath("link"));

    const auto a = channelAddress(exe, "/run/user/7", dir.path(), 7);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->socketPath.startsWith("/run/user/7/kovaplex-7-"));
    EXPECT_EQ(channelAddress(dir.filePath("link"), "/run/user/7", dir.path(), 7)->socketPath, a->socketPath);
    EXPECT_NE(channelAddress(exe, "/run/user/7", dir.path(), 8)->socketPath, a->socketPath);
    EXPECT_NE(channelAddress(dir.filePath("other"), "/run/user/7", dir.path(), 7)->socketPath, a->socketPath);

    // Without a runtime folder: one of the user's own, closed to others.
    const auto fallback = channelAddress(exe, QString(), dir.path(), ::geteuid());
    ASSERT_TRUE(fallback);
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(fallback->folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ::chmod(QFile::encodeName(fallback->folder).constData(), 0755);
    EXPECT_FALSE(channelAddress(exe, QString(), dir.path(), ::geteuid())) << "a folder others can enter";
    EXPECT_FALSE(channelAddress(exe, QString(), dir.path(), ::geteuid() + 1)) << "another user's folder";
}

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_socket = m_dir.filePath("k.sock");
        // A socket file left by a killed instance is replaced.
        QFile(m_socket).open(QIODevice::WriteOnly);
        ASSERT_TRUE(m_server.listen(m_socket)) << qPrintable(m_server.errorString());
        connect();
    }
    void connect()
    {
        QObject::connect(&m_server, &CommandServer::commandReceived, [this](const HandOff &h, quint64 n) {
            m_received << QString::number(n) + ' ' + h.command;
        });
        QObject::connect(&m_server, &CommandServer::connectionRefused,
                         [this](const QString &reason) { m_refused << reason; });
    }
    /// DDESend on another thread, so this one serves.
    std::future<QString> send(const QString &command)
    {
        return std::async(std::launch::async, [=] { return DDESend(command, m_socket, "t"); });
    }
    static bool finished(std::future<QString> &reply)
    {
        return waitUntil([&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                         10000);
    }

    QTemporaryDir m_dir;
    QString m_socket;
    CommandServer m_server;
    QStringList m_received;
    QStringList m_refused;
};

TEST_F(ChannelTest, ACommandIsAnsweredOnceWholeAndAnnounced)
{
    std::future<QString> reply = send(QStringLiteral("\"/v/名前.mp4\""));
    ASSERT_TRUE(finished(reply));
    EXPECT_EQ(reply.get(), QString());
    EXPECT_EQ(m_received, QStringList{"1 \"/v/名前.mp4\""});
}

TEST_F(ChannelTest, StrangersHalfFramesAndFailuresEndBoundedWithoutEffect)
{
    m_server.setConnectionTimeLimit(200);
    {
        QLocalSocket half;
        half.connectToServer(m_socket);
        ASSERT_TRUE(half.waitForConnected(5000));
        half.write(QByteArray::fromHex("00000010") + "half");
        half.flush();
        ASSERT_TRUE(waitUntil([&] { return m_refused.size() == 1; }, 10000));
        EXPECT_EQ(m_refused.last(), "no whole command in time");
    }

    m_server.setAllowedUser(::geteuid() + 1);
    std::future<QString> stranger = send(QStringLiteral("x"));
    ASSERT_TRUE(finished(stranger));
    EXPECT_FALSE(stranger.get().isEmpty()) << "answered as if accepted";
    EXPECT_TRUE(m_refused.last().startsWith("connection from user"));
    EXPECT_TRUE(m_received.isEmpty());

    // Nobody listening: the client gives up within its limit, or at once
    // when told the running instance is gone.
    bool failed = false;
    EXPECT_EQ(DDESend("x", m_dir.filePath("none.sock"), {}, &failed, {200, 200, 10}),
              "no running instance accepts commands");
    EXPECT_TRUE(failed);
    int asked = 0;
    DDESend("x", m_dir.filePath("none.sock"), {}, &failed, {60000, 200, 10}, [&] { return ++asked < 3; });
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(DDESend(QString(70000, 'x'), m_socket, {}, &failed),
              "the command is too long or holds a NUL character");
}

} // namespace
