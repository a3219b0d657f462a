#include "app/StartupSteps.h"
#include "app/TerminationWatcher.h"
#include "settings/ClassPref3.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

// A folder whose permission bits allow writing but where no file can be
// created: /proc for root (the bits mean nothing to root), else a folder
// made read-only.
QString folderThatRefusesFiles(QTemporaryDir &scratch)
{
    if (::geteuid() == 0)
        return QStringLiteral("/proc");
    const QString dir = scratch.filePath(QStringLiteral("readonly"));
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    return dir;
}

TEST(DataFilePath, BesideTheExecutableWhenItsFolderIsWritable)
{
    QTemporaryDir exeDir, config;
    EXPECT_EQ(dataFilePath(exeDir.path(), config.path()), exeDir.path() + "/Kovaplex.ini");
    // A folder given with a trailing separator gets no second one.
    EXPECT_EQ(dataFilePath(exeDir.path() + "/", config.path()), exeDir.path() + "/Kovaplex.ini");
    // The probe leaves nothing behind.
    EXPECT_TRUE(
        QDir(exeDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(DataFilePath, UserConfigFolderWhenTheExecutablesFolderRefusesFiles)
{
    QTemporaryDir scratch, config;
    const QString refusing = folderThatRefusesFiles(scratch);
    EXPECT_FALSE(isWritableFolder(refusing));
    const QString path = dataFilePath(refusing, config.path());
    EXPECT_EQ(path, config.path() + "/Kovaplex/Kovaplex.ini");
    EXPECT_TRUE(QFileInfo(config.path() + "/Kovaplex").isDir());

    // A missing executable folder is no place either.
    EXPECT_EQ(dataFilePath(scratch.filePath("gone"), config.path()), path);
}

TEST(DataFilePath, InstalledProgramKeepsItInTheUserConfigFolderEvenWhenItCouldWriteBesideIt)
{
    // As root /usr/bin is writable; an installed program still never writes
    // there. A build folder elsewhere keeps the file beside the executable.
    QTemporaryDir config;
    const QString inConfig = config.path() + "/Kovaplex/Kovaplex.ini";
    for (const char *dir : {"/usr/bin", "/usr/local/bin", "/usr/bin/", "/usr/local/../bin", "/bin"}) {
        EXPECT_TRUE(isSystemProgramFolder(dir)) << dir;
        EXPECT_EQ(dataFilePath(dir, config.path()), inConfig) << dir;
    }
    for (const char *dir : {"/usr-build/bin", "/home/user/usr", "/tmp"})
        EXPECT_FALSE(isSystemProgramFolder(dir)) << dir;
}

TEST(LoadSettings, ReadsAnExistingFileAndAMissingOneIsKeptForTheFirstSave)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Kovaplex.ini");
    ClassPref3 fresh;
    EXPECT_FALSE(loadSettingsOrReport(fresh, file));
    EXPECT_EQ(fresh.FileName(), file);
    EXPECT_EQ(fresh.Count(), 0);

    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("[Window]\r\nMain.Left=1200\r\n");
    out.close();
    ClassPref3 pref;
    EXPECT_TRUE(loadSettingsOrReport(pref, file));
    EXPECT_EQ(pref.GetSetting("Window", "Main.Left", QString("0")).toText(), "1200");
}

TEST(LoadSettings, UnreadableFileIsReportedAndNeverSavedOver)
{
    QTemporaryDir dir;
    QString file;
    if (::geteuid() == 0) {
        file = QStringLiteral("/proc/self/mem"); // opens, but reading offset 0 fails
    } else {
        file = dir.filePath("Kovaplex.ini");
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("[Files]\r\n/v.avi=10,100\r\n");
        out.close();
        QFile::setPermissions(file, QFile::WriteOwner);
    }
    ClassPref3 pref;
    EXPECT_FALSE(loadSettingsOrReport(pref, file));
    EXPECT_EQ(pref.Count(), 0);
    // Detached: the closing save of this run writes nothing.
    EXPECT_TRUE(pref.FileName().isEmpty());
    pref.SaveSetting("Window", "Main.Left", "0");
    EXPECT_NO_THROW(pref.Save());
}

TEST(CommandLine, ArgumentsAfterTheProgramJoinedByOneSpaceQuotesKept)
{
    EXPECT_EQ(commandLineText({"Kovaplex"}), "");
    EXPECT_EQ(commandLineText({"Kovaplex", "/v/a b.mp4"}), "/v/a b.mp4");
    EXPECT_EQ(commandLineText({"Kovaplex", "\"/v/a", "b.mp4\""}), "\"/v/a b.mp4\"");
    EXPECT_EQ(commandLineText({"Kovaplex", ""}), "");
}

TEST(CommandLine, ARelativeNameIsMadeAbsoluteWhereTheStartWasMade)
{
    const struct {
        const char *given;
        const char *sent;
    } cases[] = {
        {"", ""},
        {"a b.mp4", "/w d/a b.mp4"},
        {"\"sub/a.mp4\"", "\"/w d/sub/a.mp4\""},
        {"\"Play", "\"/w d/Play"},
        {"Play", "/w d/Play"},
        // ".." is the system's to resolve: "x" may be a link.
        {"./x/../a.mp4", "/w d/x/../a.mp4"},
        {"-reverse", "/w d/-reverse"},
        {"/v/a.mp4", "/v/a.mp4"},
        {"\"/v/a.mp4\"", "\"/v/a.mp4\""},
        {"https://example.org/a.mp4", "https://example.org/a.mp4"},
        {"\"\"", "\"\""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(absoluteCommandLine(QString::fromUtf8(c.given), "/w d"), QString::fromUtf8(c.sent))
            << c.given;
    char program[] = "Kovaplex", reverse[] = "-reverse";
    char *argv[] = {program, reverse};
    EXPECT_EQ(commandLineText(rawArguments(2, argv)), "-reverse");
}

TEST(JapaneseFont, PrefersNotoThenIpaElseNone)
{
    const auto only = [](QStringList names) {
        return [names](const QString &family) { return names.contains(family); };
    };
    EXPECT_EQ(preferredJapaneseFamily(only({"IPAGothic", "Noto Sans CJK JP"})), "Noto Sans CJK JP");
    EXPECT_EQ(preferredJapaneseFamily(only({"IPAPGothic", "IPAexGothic"})), "IPAexGothic");
    EXPECT_EQ(preferredJapaneseFamily(only({"DejaVu Sans"})), "");
}

TEST(TerminationWatcher, SignalRunsTheCloseStepOnceOnTheEventLoop)
{
    struct sigaction before = {};
    ::sigaction(SIGTERM, nullptr, &before);
    {
        int closes = 0;
        TerminationWatcher watcher([&] { ++closes; });
        ASSERT_TRUE(watcher.isWatchingSignals());

        ::raise(SIGTERM);
        EXPECT_EQ(closes, 0); // never from inside the signal handler
        EXPECT_TRUE(waitUntil([&] { return closes > 0; }, 2000));

        ::raise(SIGHUP);
        watcher.requestClose("test");
        EXPECT_FALSE(waitUntil([&] { return closes > 1; }, 500)) << closes;
        EXPECT_TRUE(watcher.hasClosed());

        // Only one watcher holds the signals.
        TerminationWatcher second([] {});
        EXPECT_FALSE(second.isWatchingSignals());
    }
    struct sigaction after = {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

} // namespace
