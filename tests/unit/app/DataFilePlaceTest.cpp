// The user's settings are read wherever they stand, and whenever they
// cannot be read or saved where they are the user is told once.
#include "app/StartupSteps.h"
#include "settings/ClassPref3.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray Settings = "\r\n[Option]\r\nVideoSize=800\r\n\r\n[Files]\r\n/films/a.mp4=1200,5400\r\n";

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << path.toStdString();
    out.write(bytes);
}

/// A program folder holding the user's settings file, then made read-only:
/// a read-only tmpfs for root (to whom permission bits mean nothing), else
/// a folder without write permission. Empty when that cannot be made.
class ReadOnlyProgramFolder {
public:
    explicit ReadOnlyProgramFolder(const QTemporaryDir &scratch)
        : m_path(scratch.filePath("program"))
    {
        QDir().mkpath(m_path);
        const QByteArray native = QFile::encodeName(m_path);
        if (::geteuid() == 0) {
            if (::mount("tmpfs", native.constData(), "tmpfs", 0, "size=64k") != 0) {
                m_path.clear();
                return;
            }
            m_mounted = true;
            writeFile(file(), Settings);
            if (::mount("tmpfs", native.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") != 0)
                m_path.clear();
        } else {
            writeFile(file(), Settings);
            ::chmod(native.constData(), 0555);
        }
    }
    ~ReadOnlyProgramFolder()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
        else if (!m_path.isEmpty())
            ::chmod(QFile::encodeName(m_path).constData(), 0755);
    }
    QString path() const { return m_path; }
    QString file() const { return m_path + "/Kovaplex.ini"; }

private:
    QString m_path;
    QString m_mountPoint = m_path;
    bool m_mounted = false;
};

} // namespace

TEST(DataFilePlace, SettingsBesideAReadOnlyProgramFolderAreReadThenKeptInTheConfigFolder)
{
    QTemporaryDir scratch, config;
    const ReadOnlyProgramFolder program(scratch);
    if (program.path().isEmpty())
        GTEST_SKIP() << "cannot make a read-only folder here";
    ASSERT_FALSE(isWritableFolder(program.path()));
    const QString inConfig = config.path() + "/Kovaplex/Kovaplex.ini";

    // First start: read beside the program, saved in the config folder, told.
    DataFilePlace place = dataFilePlace(program.path(), config.path());
    EXPECT_EQ(place.readPath, program.file());
    EXPECT_EQ(place.savePath, inConfig);
    ClassPref3 pref;
    SettingsLoad load = loadSettings(pref, place);
    EXPECT_TRUE(load.loaded);
    EXPECT_TRUE(load.notice.contains(inConfig)) << load.notice.toStdString();
    EXPECT_EQ(pref.GetSetting("Files", "/films/a.mp4").toText(), "1200,5400");
    pref.SaveSetting("Files", "/films/b.mp4", "60,5400");
    pref.Save();

    // Later starts read the moved file, nothing is lost, nothing is said.
    place = dataFilePlace(program.path(), config.path());
    EXPECT_EQ(place.readPath, inConfig);
    EXPECT_FALSE(place.moves());
    ClassPref3 later;
    load = loadSettings(later, place);
    EXPECT_TRUE(load.loaded);
    EXPECT_TRUE(load.notice.isEmpty());
    EXPECT_EQ(later.GetSetting("Option", "VideoSize").toText(), "800");
    EXPECT_EQ(later.GetSetting("Files", "/films/b.mp4").toText(), "60,5400");
}

TEST(DataFilePlace, AFileThatCannotBeReadIsToldInTheBoxAndNeverSavedOver)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Kovaplex.ini");
    QStringList unreadable;
    // Opens, but reading at offset 0 fails, for root too.
    ASSERT_TRUE(QFile::link("/proc/self/mem", file));
    unreadable << file;
    if (::geteuid() != 0) {
        const QString locked = dir.filePath("locked.ini");
        writeFile(locked, Settings);
        ::chmod(QFile::encodeName(locked).constData(), 0);
        unreadable << locked;
    }
    for (const QString &path : unreadable) {
        SCOPED_TRACE(path.toStdString());
        ClassPref3 pref;
        const SettingsLoad load = loadSettings(pref, {path, path});
        EXPECT_FALSE(load.loaded);
        EXPECT_TRUE(load.notice.contains(path)) << load.notice.toStdString();
        EXPECT_TRUE(pref.FileName().isEmpty()) << "the closing save would write over it";
    }
    // A missing file is no news.
    ClassPref3 fresh;
    const QString missing = dir.filePath("missing.ini");
    EXPECT_TRUE(loadSettings(fresh, {missing, missing}).notice.isEmpty());
    EXPECT_EQ(fresh.FileName(), missing);
}
