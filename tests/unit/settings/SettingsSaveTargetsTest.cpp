// Where a save really lands: full disks that fail only at the last buffer,
// links, things that are not files, and the file's own mode.
#include "SettingsTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <cstdlib>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

int saveError(ClassPref3 &pref)
{
    try {
        pref.Save();
    } catch (const SettingsFileError &error) {
        return error.number();
    }
    return 0;
}

void fillWithResumeRecords(ClassPref3 &pref, int count)
{
    pref.SaveSetting(QStringLiteral("Option"), QStringLiteral("VideoSize"), QStringLiteral("640"));
    for (int i = 0; i < count; ++i)
        pref.SaveSetting(QStringLiteral("Files"), QStringLiteral("/media/films/film %1.mp4").arg(i),
                         QStringLiteral("%1,5400").arg(i * 7));
}

// Runs in a death-test child, where the limit cannot reach the test itself.
[[noreturn]] void saveUnderSizeLimit(ClassPref3 &pref, rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const int number = saveError(pref);
    std::_Exit(number == ErrNo::DiskFull ? 0 : 100 + number);
}

mode_t modeOf(const QString &path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode;
}

} // namespace

// Small files are the dangerous ones: the whole file fits in a writer's
// buffer, so only the final flush meets the full disk.
TEST_F(SettingsFileTest, AFullDiskNeverEmptiesTheOldFileWhateverItsSize)
{
    for (const int records : {40, 300, 2000}) {
        SCOPED_TRACE(records);
        const QByteArray old = "\r\n[Old]\r\nk=v\r\n";
        writeBytes(path(), old);
        ClassPref3 pref;
        pref.setFileName(path());
        fillWithResumeRecords(pref, records);
        EXPECT_EXIT(saveUnderSizeLimit(pref, 512), ::testing::ExitedWithCode(0), "");
        EXPECT_EQ(readBytes(path()), old);
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Kovaplex.ini"});
    }
}

TEST_F(SettingsFileTest, AFullSmallFileSystemKeepsTheOldFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString mountPoint = path(QStringLiteral("tiny"));
    ASSERT_TRUE(QDir().mkdir(mountPoint));
    if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    const QString file = mountPoint + QStringLiteral("/Kovaplex.ini");
    ClassPref3 pref;
    pref.setFileName(file);
    fillWithResumeRecords(pref, 300);
    pref.Save();
    const QByteArray saved = readBytes(file);
    ASSERT_GT(saved.size(), 4000);
    // Fill the rest, leaving less than the file needs.
    {
        QFile filler(mountPoint + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    pref.SaveSetting(QStringLiteral("Option"), QStringLiteral("VideoSize"), QStringLiteral("800"));
    EXPECT_EQ(saveError(pref), ErrNo::DiskFull);
    EXPECT_EQ(readBytes(file), saved);
    QStringList names = QDir(mountPoint).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    EXPECT_EQ(names, QStringList({"Kovaplex.ini", "filler"}));
    ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
}

TEST_F(SettingsFileTest, ALinkIsWrittenThroughAndAnythingButARegularFileIsRefused)
{
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("new"));

    // A link to a regular file elsewhere: the target is replaced, the link stays.
    const QString elsewhere = path(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(elsewhere));
    writeBytes(elsewhere + QStringLiteral("/real.ini"), "old");
    ASSERT_TRUE(QFile::link(QStringLiteral("elsewhere/real.ini"), path()));
    ASSERT_EQ(saveError(m_pref), 0);
    EXPECT_TRUE(S_ISLNK(modeOf(path())));
    EXPECT_EQ(readBytes(elsewhere + QStringLiteral("/real.ini")), QByteArray("\r\n[S]\r\nk=new\r\n"));
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files | QDir::Hidden), QStringList{"real.ini"});
    ASSERT_TRUE(QFile::remove(path()));

    // Everything else, directly or through a link, is left as it is.
    const QString fifo = path(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = path(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkdir(folder));
    QString device;
    if (::geteuid() == 0) {
        // A private node of the null device, so no real /dev is at stake.
        device = path(QStringLiteral("null"));
        ASSERT_EQ(::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }
    const struct {
        const char *what;
        QString target; // what Kovaplex.ini is or links to
        bool link;
    } cases[] = {
        {"a link to a fifo", fifo, true},
        {"a link to a folder", folder, true},
        {"a link to nothing", path(QStringLiteral("missing")), true},
        {"a fifo", fifo, false},
        {"a folder", folder, false},
        {"a link to a device", device, true},
    };
    for (const auto &c : cases) {
        if (c.target.isEmpty())
            continue;
        SCOPED_TRACE(c.what);
        QFile::remove(path());
        QDir(path()).removeRecursively();
        if (c.link) {
            ASSERT_TRUE(QFile::link(c.target, path()));
        } else if (c.target == fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
        } else {
            ASSERT_TRUE(QDir().mkdir(path()));
        }
        const mode_t before = modeOf(path());
        EXPECT_EQ(saveError(m_pref), ErrNo::PathFileAccessError);
        EXPECT_EQ(modeOf(path()), before) << "it was replaced";
        if (!device.isEmpty()) {
            EXPECT_TRUE(S_ISCHR(modeOf(device)));
        }
        EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
        EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("missing"))));
    }
    // Nothing was left behind in the folder either.
    for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
        EXPECT_FALSE(name.startsWith('.')) << name.toStdString();
}

TEST_F(SettingsFileTest, ASaveKeepsTheFilesMode)
{
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    for (const mode_t mode : {0600, 0640, 0664}) {
        writeBytes(path(), "old");
        ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), mode), 0);
        ASSERT_EQ(saveError(m_pref), 0);
        EXPECT_EQ(modeOf(path()) & 07777, mode);
    }
    // Root may write a read-only file; it stays read-only.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0444), 0);
        ASSERT_EQ(saveError(m_pref), 0);
        EXPECT_EQ(modeOf(path()) & 07777, 0444u);
        EXPECT_EQ(readBytes(path()), QByteArray("\r\n[S]\r\nk=v\r\n"));
    }
}

namespace {

TEST_F(SettingsFileTest, SavesKilledHalfwayLeaveNothingForTheNextStart)
{
    writeBytes(path(), "[Files]\r\n/a.mp4=30,90\r\n");
    for (const char *name : {".Kovaplex.ini.a1B2c3", ".Kovaplex.ini.zzzzzz"})
        writeBytes(path(name), "[Fil");
    // Not what a save makes: other names, a folder, a link.
    const QStringList kept{".Kovaplex.ini.bak", ".Kovaplex.ini.1234567", "Kovaplex.ini.abcdef",
                           ".Kovaplex.ini.folder", ".Kovaplex.ini.linked"};
    writeBytes(path(kept[0]), "x");
    writeBytes(path(kept[1]), "x");
    writeBytes(path(kept[2]), "x");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(kept[3]));
    ASSERT_EQ(::symlink("Kovaplex.ini", QFile::encodeName(path(kept[4])).constData()), 0);

    m_pref.setFirstInstance(false);
    EXPECT_EQ(m_pref.removeLeftoverSaves(), 0) << "a second start never touches the folder";
    m_pref.setFirstInstance(true);
    EXPECT_EQ(m_pref.removeLeftoverSaves(), 2);
    EXPECT_FALSE(QFileInfo::exists(path(".Kovaplex.ini.a1B2c3")));
    for (const QString &name : kept)
        EXPECT_TRUE(QFileInfo(path(name)).isSymLink() || QFileInfo::exists(path(name))) << name.toStdString();
    EXPECT_EQ(readBytes(path()), QByteArray("[Files]\r\n/a.mp4=30,90\r\n"));

    // A settings file no save can replace made no temporary files: asked,
    // nothing is thrown out of the start.
    m_pref.setFileName(path(kept[3]));
    EXPECT_EQ(m_pref.removeLeftoverSaves(), 0);
}

} // namespace
