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

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <set>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
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
        {QByteArray("\xc3\0x", 3), std::nullopt}, // a token cut inside a character
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
    const unsigned me = ::geteuid();
    const QString runtime = dir.filePath("run");
    ASSERT_TRUE(QDir().mkdir(runtime));
    ::chmod(QFile::encodeName(runtime).constData(), 0700);

    const auto a = channelAddress(exe, runtime, dir.path(), me);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->socketPath.startsWith(runtime + QStringLiteral("/kovaplex-%1-").arg(me)));
    EXPECT_EQ(channelAddress(dir.filePath("link"), runtime, dir.path(), me)->socketPath, a->socketPath);
    EXPECT_NE(channelAddress(dir.filePath("other"), runtime, dir.path(), me)->socketPath, a->socketPath);

    // Without a runtime folder: one of the user's own, closed to others.
    const auto fallback = channelAddress(exe, QString(), dir.path(), me);
    ASSERT_TRUE(fallback);
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(fallback->folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ::chmod(QFile::encodeName(fallback->folder).constData(), 0755);
    EXPECT_FALSE(channelAddress(exe, QString(), dir.path(), me)) << "a folder others can enter";
    EXPECT_FALSE(channelAddress(exe, QString(), dir.path(), me + 1)) << "another user's folder";
}

TEST(InstanceChannel, ARuntimeFolderOthersCanWriteToOrAnotherUsersFolderIsNeverUsed)
{
    QTemporaryDir dir;
    const QString exe = dir.filePath("Kovaplex");
    const unsigned me = ::geteuid();
    const QString temp = dir.filePath("tmp");
    const QString cache = dir.filePath("cache");
    ASSERT_TRUE(QDir().mkdir(temp));
    const auto folderOf = [&](const QString &runtime) {
        const auto address = channelAddress(exe, runtime, temp, me, cache);
        return address ? address->folder : QString();
    };
    const QString ownFallback = temp + QStringLiteral("/kovaplex-%1").arg(me);
    const struct {
        const char *what;
        mode_t mode;
        bool trusted;
    } runtimes[] = {
        {"the user's own", 0700, true},  {"readable by others", 0755, true},
        {"world-writable", 0777, false}, {"sticky and world-writable", 01777, false},
        {"group-writable", 0770, false},
    };
    for (const auto &r : runtimes) {
        SCOPED_TRACE(r.what);
        const QString runtime = dir.filePath(QString::fromLatin1(r.what));
        ASSERT_TRUE(QDir().mkdir(runtime));
        ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), r.mode), 0);
        EXPECT_EQ(folderOf(runtime), r.trusted ? runtime : ownFallback);
    }
    // A link to the user's own folder is not the folder.
    ASSERT_TRUE(QFile::link(dir.filePath("the user's own"), dir.filePath("linked")));
    EXPECT_EQ(folderOf(dir.filePath("linked")), ownFallback);

    // Another user made the fallback folder first: the cache one is used,
    // so that the starts still meet.
    if (me == 0) {
        QDir(ownFallback).removeRecursively();
        ASSERT_TRUE(QDir().mkdir(ownFallback));
        ASSERT_EQ(::chown(QFile::encodeName(ownFallback).constData(), 65534, 65534), 0);
        EXPECT_EQ(folderOf(QString()), cache + QStringLiteral("/kovaplex-%1").arg(me));
        EXPECT_EQ(folderOf(QString()), folderOf(dir.filePath("world-writable")));
    }
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

namespace {

/// A child process holding `count` idle connections to `socketPath` until
/// it is destroyed: peers that never send, in another process, so that
/// they cost this one nothing but what the server accepts.
class IdlePeers {
public:
    IdlePeers(const QString &socketPath, int count)
    {
        int ready[2];
        ::pipe(ready);
        ::pipe(m_stop);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(m_stop[1]);
            rlimit limit{};
            ::getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &limit);
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            const QByteArray path = QFile::encodeName(socketPath);
            std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
            int made = 0;
            for (int i = 0; i < count; ++i) {
                const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
                    ++made;
            }
            const char byte = made == count ? 'y' : 'n';
            [[maybe_unused]] const ssize_t written = ::write(ready[1], &byte, 1);
            char any;
            [[maybe_unused]] const ssize_t got = ::read(m_stop[0], &any, 1);
            std::_Exit(0);
        }
        ::close(ready[1]);
        ::close(m_stop[0]);
        char byte = 'n';
        [[maybe_unused]] const ssize_t got = ::read(ready[0], &byte, 1);
        ::close(ready[0]);
        m_connected = byte == 'y';
    }
    ~IdlePeers()
    {
        ::close(m_stop[1]);
        ::waitpid(m_pid, nullptr, 0);
    }
    bool connected() const { return m_connected; }

private:
    pid_t m_pid = -1;
    int m_stop[2] = {-1, -1};
    bool m_connected = false;
};

/// The descriptor limit that leaves this process exactly `free` more
/// descriptors (new ones take the lowest free numbers, holes included).
rlim_t limitLeaving(int free)
{
    std::set<int> open;
    for (const QString &name : QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries))
        open.insert(name.toInt());
    int n = 0;
    for (int left = free; left > 0; ++n) {
        if (!open.count(n))
            --left;
    }
    return static_cast<rlim_t>(n);
}

} // namespace

// Peers that connect and never send cannot take the channel away: past the
// cap the oldest are dropped, and when file descriptors run out the server
// makes room at the peers' cost and keeps listening.
TEST_F(ChannelTest, IdlePeersNeverStopTheServerFromTakingCommands)
{
    const struct {
        const char *what;
        int limit;    // connections open at once
        int peers;    // idle connections made
        int headroom; // descriptors left to this process; 0: no limit
        const char *dropReason;
    } cases[] = {
        {"more peers than the cap", 16, 200, 0, "too many connections"},
        {"more peers than descriptors", 100000, 200, 12, "no file descriptor left"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        m_refused.clear();
        m_received.clear();
        m_server.setConnectionLimit(c.limit);
        rlimit saved{};
        ::getrlimit(RLIMIT_NOFILE, &saved);
        {
            const IdlePeers peers(m_socket, c.peers);
            ASSERT_TRUE(peers.connected());
            if (c.headroom > 0) {
                rlimit low = saved;
                low.rlim_cur = limitLeaving(c.headroom);
                ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
            }
            // Every peer was taken, and kept or dropped.
            ASSERT_TRUE(
                waitUntil([&] { return m_refused.size() + m_server.openConnections() >= c.peers; }, 20000))
                << m_refused.size();
            ::setrlimit(RLIMIT_NOFILE, &saved);
            ASSERT_FALSE(m_refused.isEmpty()) << m_server.openConnections();
            EXPECT_EQ(m_refused.last(), c.dropReason);
            EXPECT_LE(m_server.openConnections(), std::min(c.limit, c.peers));
            EXPECT_TRUE(m_server.isListening());
            std::future<QString> reply = send(QStringLiteral("after the flood"));
            ASSERT_TRUE(finished(reply));
            EXPECT_EQ(reply.get(), QString());
            EXPECT_EQ(m_received.value(0).section(' ', 1), "after the flood");
        }
    }
}

// What a start is told matches what happened to its command.
TEST_F(ChannelTest, AClosingServerAndAStrangersSocketAreToldApart)
{
    // A connection not yet answered when the server closes: not taken.
    QLocalSocket early;
    early.connectToServer(m_socket);
    ASSERT_TRUE(early.waitForConnected(5000));
    ASSERT_TRUE(waitUntil([&] { return m_server.openConnections() == 1; }, 5000));
    m_server.close();
    EXPECT_FALSE(QFile::exists(m_socket));
    EXPECT_TRUE(early.state() == QLocalSocket::UnconnectedState || early.waitForDisconnected(5000));
    bool failed = false;
    SendFailure failure = SendFailure::None;
    DDESend("late", m_socket, {}, &failed, {200, 200, 10}, {}, &failure);
    EXPECT_EQ(failure, SendFailure::NotTaken);

    if (::geteuid() != 0)
        GTEST_SKIP() << "listening as another user needs root";
    // Another user listening at the path (a world-writable runtime folder)
    // is told nothing.
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0711);
    const QString shared = m_dir.filePath("shared");
    ASSERT_TRUE(QDir().mkdir(shared));
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    const QString path = shared + "/k.sock";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t stranger = ::fork();
    if (stranger == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            std::_Exit(1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(path);
        std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0)
            std::_Exit(2);
        ::chmod(native.constData(), 0777);
        [[maybe_unused]] const ssize_t written = ::write(ready[1], "y", 1);
        const int peer = ::accept(fd, nullptr, nullptr);
        char buffer[256];
        // Whatever arrives is what the stranger learnt.
        const ssize_t got = peer >= 0 ? ::read(peer, buffer, sizeof buffer) : -1;
        std::_Exit(got > 0 ? 3 : 0);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the stranger could not listen";
    ::close(ready[0]);
    const QString reply = DDESend("/home/me/secret.mp4", path, {}, &failed, {2000, 2000, 10}, {}, &failure);
    EXPECT_EQ(failure, SendFailure::WrongPeer) << reply.toStdString();
    int status = 0;
    ::waitpid(stranger, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the stranger read the file name";
}
