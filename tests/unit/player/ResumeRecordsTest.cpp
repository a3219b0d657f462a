#include "player/ResumeRecords.h"

#include "settings/ClassPref3.h"
#include "util/FileFingerprint.h"
#include "util/FileNames.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString recordOf(ClassPref3 &pref, const QString &file)
{
    return pref.GetSetting(ResumeSection, file, QString()).toText();
}

void fillRecords(ClassPref3 &pref, int count)
{
    for (int i = 0; i < count; ++i)
        pref.SaveSetting(ResumeSection, QStringLiteral("/media/old%1.avi").arg(i), QStringLiteral("1,100"));
}

QString printOf(ClassPref3 &pref, const QString &file)
{
    return pref.GetSetting(FingerprintSection, file, QString()).toText();
}

/// A media file of `size` bytes whose content `seed` tells apart, made by the
/// name's bytes (a name may hold bytes that are not UTF-8).
void makeFile(const QString &name, char seed, qint64 size = 3 * FingerprintSpan)
{
    QByteArray bytes(static_cast<qsizetype>(size), seed);
    bytes[bytes.size() - 1] = static_cast<char>(seed + 1);
    const int fd = ::open(encodeFileName(name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << name.toStdString();
    ASSERT_EQ(::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
    ::close(fd);
}

void moveFile(const QString &from, const QString &to)
{
    ASSERT_EQ(std::rename(encodeFileName(from).constData(), encodeFileName(to).constData()), 0);
}

} // namespace

TEST(ResumeRecords, OnlyMoreThanTenSecondsBeforeTheEndIsWorthKeeping)
{
    EXPECT_TRUE(isWorthResuming(89.9, 100));
    EXPECT_FALSE(isWorthResuming(90, 100));
    EXPECT_FALSE(isWorthResuming(90.1, 100));
    EXPECT_FALSE(isWorthResuming(0, 0)); // nothing open
    EXPECT_TRUE(isWorthResuming(-1, 10.5));
}

TEST(ResumeRecords, ValueIsPositionCommaLength)
{
    EXPECT_EQ(resumeRecordText(754.32, 5400.5), "754.32,5400.5");
    EXPECT_EQ(resumeRecordText(0, 12), "0,12");
}

TEST(ResumeRecords, FortyRecordsDropTheOldestOncePerRun)
{
    ClassPref3 pref;
    fillRecords(pref, 40);

    writeResumeRecord(pref, "/media/new1.avi", 5, 60);
    EXPECT_EQ(recordOf(pref, "/media/old0.avi"), "");
    EXPECT_EQ(recordOf(pref, "/media/old1.avi"), "1,100");
    EXPECT_EQ(recordOf(pref, "/media/new1.avi"), "5,60");
    EXPECT_FALSE(findResumeRecord(pref, "/media/old0.avi")); // dropped: not offered

    // The emptied key is still listed first, so further writes in this run
    // drop nothing more.
    writeResumeRecord(pref, "/media/new2.avi", 6, 60);
    writeResumeRecord(pref, "/media/new3.avi", 7, 60);
    EXPECT_EQ(recordOf(pref, "/media/old1.avi"), "1,100");
    EXPECT_EQ(recordOf(pref, "/media/new3.avi"), "7,60");
    QStringList keys;
    EXPECT_EQ(pref.GetSectionKeys(ResumeSection, keys), 43);
}

TEST(ResumeRecords, BelowTheLimitNothingIsDroppedAndRewritesKeepTheirPlace)
{
    ClassPref3 pref;
    fillRecords(pref, 39);
    writeResumeRecord(pref, "/media/old5.avi", 50, 100);
    writeResumeRecord(pref, "/media/new.avi", 1, 100);
    EXPECT_EQ(recordOf(pref, "/media/old0.avi"), "1,100");
    EXPECT_EQ(recordOf(pref, "/media/old5.avi"), "50,100");
    QStringList keys;
    ASSERT_EQ(pref.GetSectionKeys(ResumeSection, keys), 40);
    EXPECT_EQ(keys.at(5), "/media/old5.avi");
}

TEST(ResumeRecords, LookupIsExactAndReadsBothFields)
{
    ClassPref3 pref;
    EXPECT_FALSE(findResumeRecord(pref, "/media/a.avi"));

    pref.SaveSetting(ResumeSection, "/media/A.avi", "754.32,5400.5");
    EXPECT_FALSE(findResumeRecord(pref, "/media/a.avi")); // letter case counts
    const auto found = findResumeRecord(pref, "/media/A.avi");
    ASSERT_TRUE(found);
    EXPECT_DOUBLE_EQ(found->position, 754.32);
    EXPECT_DOUBLE_EQ(found->length, 5400.5);

    // Broken values read as 0 but still count as a record.
    pref.SaveSetting(ResumeSection, "/media/b.avi", "abc");
    const auto broken = findResumeRecord(pref, "/media/b.avi");
    ASSERT_TRUE(broken);
    EXPECT_DOUBLE_EQ(broken->position, 0);
    EXPECT_DOUBLE_EQ(broken->length, 0);
}

TEST(ResumeRecords, ARecordTooLargeToShowOrSeekIsNoRecord)
{
    ClassPref3 pref;
    const struct {
        const char *value;
        bool usable;
    } cases[] = {
        {"1E+10,90", false},       {"30,1E+10", false},   {"-3E+6,90", false},
        {"2147483,2147483", true}, {"2147484,90", false}, {"-5,90", true},
    };
    for (const auto &c : cases) {
        pref.SaveSetting(ResumeSection, "/media/x.avi", c.value);
        EXPECT_EQ(findResumeRecord(pref, "/media/x.avi").has_value(), c.usable) << c.value;
    }
}

TEST(ResumeRecords, ARenamedMovedOrCopiedFileFindsItsPlaceByItsPrint)
{
    const struct {
        const char *what;
        QByteArray played;                                            ///< name, below the folder
        QByteArray opened;                                            ///< the name opened next
        std::function<void(const QString &, const QString &)> change; ///< played, opened
        bool found;                                                   ///< the opened name gets the place
        bool oldKept;                                                 ///< the played name keeps its own
    } cases[] = {
        {"rename", "a.mkv", "b.mkv", moveFile, true, false},
        {"move to another folder", "one/a.mkv", "two/a.mkv", moveFile, true, false},
        {"copy", "a.mkv", "two/copy.mkv",
         [](const QString &from, const QString &to) { ASSERT_TRUE(QFile::copy(from, to)); }, true, true},
        {"moved, another file now at the old name", "a.mkv", "b.mkv",
         [](const QString &from, const QString &to) {
             moveFile(from, to);
             makeFile(from, 'z');
         },
         true, false},
        {"other content of the same size", "a.mkv", "b.mkv",
         [](const QString &, const QString &to) { makeFile(to, 'q'); }, false, true},
        {"other size", "a.mkv", "b.mkv",
         [](const QString &, const QString &to) { makeFile(to, 'a', 3 * FingerprintSpan + 1); }, false, true},
        {"names that are not UTF-8", "\x83\x65\x83\x58\x83\x67.mkv", "one/caf\xe9.mkv", moveFile, true,
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        for (const char *folder : {"/one", "/two"})
            ASSERT_EQ(::mkdir(QFile::encodeName(dir.path() + folder).constData(), 0755), 0);
        const QString played = decodeFileName(QFile::encodeName(dir.path()) + '/' + c.played);
        const QString opened = decodeFileName(QFile::encodeName(dir.path()) + '/' + c.opened);
        makeFile(played, 'a');

        ClassPref3 pref;
        fillRecords(pref, 3);
        writeResumeRecord(pref, played, 30, 90);
        writeTrackChoice(pref, played, {2, 0});
        const QString print = printOf(pref, played);
        ASSERT_TRUE(print.startsWith(QString::number(3 * FingerprintSpan) + ",")) << print.toStdString();
        c.change(played, opened);

        const auto found = findResumeRecord(pref, opened);
        ASSERT_EQ(found.has_value(), c.found);
        if (c.found) {
            EXPECT_DOUBLE_EQ(found->position, 30);
            EXPECT_DOUBLE_EQ(found->length, 90);
            EXPECT_EQ(recordOf(pref, opened), "30,90");
            EXPECT_EQ(printOf(pref, opened), print);
            EXPECT_EQ(findTrackChoice(pref, opened), (TrackChoice{2, 0}));
        } else {
            EXPECT_EQ(recordOf(pref, opened), "");
            EXPECT_TRUE(findTrackChoice(pref, opened).isEmpty());
        }
        EXPECT_EQ(recordOf(pref, played), c.oldKept ? "30,90" : "");
        EXPECT_EQ(printOf(pref, played), c.oldKept ? print : "");
        EXPECT_EQ(findTrackChoice(pref, played).isEmpty(), !c.oldKept);
        // The records beside them are untouched, and a move keeps the count.
        QStringList keys;
        EXPECT_EQ(pref.GetSectionKeys(ResumeSection, keys), c.found && c.oldKept ? 5 : 4);
        EXPECT_EQ(recordOf(pref, "/media/old0.avi"), "1,100");
        // QTemporaryDir cannot remove names it cannot spell.
        for (const QString &name : {played, opened})
            ::unlink(encodeFileName(name).constData());
    }
}

TEST(ResumeRecords, PrintsAndTracksAreDroppedWithTheirRecordsAndUnreadableFilesHaveNoPrint)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString first = dir.filePath("first.mkv");
    makeFile(first, 'f', 1000);
    ClassPref3 pref;
    writeResumeRecord(pref, first, 5, 100);
    // A file that cannot be read (here: gone) gets a record but no print.
    writeResumeRecord(pref, dir.filePath("gone.mkv"), 5, 100);
    EXPECT_EQ(printOf(pref, dir.filePath("gone.mkv")), "");
    // A pipe is never opened for a print (it would wait for a writer).
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.mkv")).constData(), 0600), 0);
    EXPECT_FALSE(findResumeRecord(pref, dir.filePath("pipe.mkv")));
    // A build without prints dropped a record and left its print behind.
    pref.SaveSetting(FingerprintSection, "/media/dropped.avi", "1000,00");
    fillRecords(pref, 38);
    // Tracks are kept for a file without a record (watched to its end) until
    // a record goes.
    writeTrackChoice(pref, first, {std::nullopt, 0});
    writeTrackChoice(pref, "/media/watched.avi", {2, std::nullopt});
    writeTrackChoice(pref, "/media/old5.avi", {2, 1});
    EXPECT_EQ(findTrackChoice(pref, "/media/watched.avi"), (TrackChoice{2, std::nullopt}));

    const QString next = dir.filePath("next.mkv");
    makeFile(next, 'n', 1000);
    writeResumeRecord(pref, next, 7, 100);
    EXPECT_EQ(recordOf(pref, first), "");
    EXPECT_EQ(printOf(pref, first), "");
    EXPECT_EQ(printOf(pref, "/media/dropped.avi"), "");
    EXPECT_FALSE(printOf(pref, next).isEmpty());
    EXPECT_TRUE(findTrackChoice(pref, first).isEmpty());
    EXPECT_TRUE(findTrackChoice(pref, "/media/watched.avi").isEmpty());
    EXPECT_EQ(findTrackChoice(pref, "/media/old5.avi"), (TrackChoice{2, 1}));
    // The dropped file, renamed, no longer finds a place.
    moveFile(first, dir.filePath("renamed.mkv"));
    EXPECT_FALSE(findResumeRecord(pref, dir.filePath("renamed.mkv")));
}

TEST(ResumeRecords, TheFilesSectionIsWrittenAsItAlwaysWasAndOldFilesLoadUnchanged)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString a = dir.filePath("a.mkv");
    const QString b = dir.filePath("動画 b.mkv");
    makeFile(a, 'a');
    makeFile(b, 'b');
    const auto saved = [&](ClassPref3 &pref, const QString &name) {
        pref.setFileName(dir.filePath(name));
        pref.Save();
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };

    // What a build without prints writes, and what this one writes.
    ClassPref3 before;
    before.SaveSetting("Window", "Main.Left", "120");
    before.SaveSetting(ResumeSection, a, resumeRecordText(754.32, 5400.5));
    before.SaveSetting(ResumeSection, b, resumeRecordText(30, 90));
    const QByteArray old = saved(before, "old.ini");
    ClassPref3 now;
    now.SaveSetting("Window", "Main.Left", "120");
    writeResumeRecord(now, a, 754.32, 5400.5);
    writeResumeRecord(now, b, 30, 90);
    writeTrackChoice(now, a, {2, 0});
    const QByteArray written = saved(now, "new.ini");

    // The same bytes up to the end of "Files"; the prints follow in a section
    // of their own.
    ASSERT_TRUE(written.startsWith(old)) << written.constData();
    const QByteArray added = written.mid(old.size());
    EXPECT_TRUE(added.startsWith("\r\n[FileFingerprints]\r\n")) << added.constData();
    EXPECT_TRUE(added.endsWith("\r\n[FileTracks]\r\n" + QFile::encodeName(a) + "=a=2,s=no\r\n"))
        << added.constData();
    EXPECT_FALSE(added.contains("[Files]"));

    // A build without prints reads the records with the plain reader and
    // writes the file back whole, prints included.
    ClassPref3 older;
    ASSERT_TRUE(older.Load(dir.filePath("new.ini")));
    EXPECT_EQ(older.GetSetting(ResumeSection, a, QString()).toText(), "754.32,5400.5");
    EXPECT_EQ(older.GetSetting(ResumeSection, b, QString()).toText(), "30,90");
    EXPECT_EQ(saved(older, "new-resaved.ini"), written);

    // An old file loads and saves unchanged, and its records are found.
    ClassPref3 loaded;
    ASSERT_TRUE(loaded.Load(dir.filePath("old.ini")));
    ASSERT_TRUE(findResumeRecord(loaded, b));
    EXPECT_DOUBLE_EQ(findResumeRecord(loaded, b)->position, 30);
    EXPECT_EQ(saved(loaded, "old-resaved.ini"), old);
}

TEST(ResumeRecords, TrackChoicesAreWrittenAndReadBack)
{
    const struct {
        TrackChoice choice;
        const char *text;
    } cases[] = {
        {{2, 0}, "a=2,s=no"},
        {{std::nullopt, 3}, "s=3"},
        {{1, std::nullopt}, "a=1"},
        {{}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(trackChoiceText(c.choice), c.text);
        EXPECT_EQ(parseTrackChoice(c.text), c.choice);
    }
    // Damaged parts, and parts a later build may add, are left out.
    EXPECT_EQ(parseTrackChoice(" s=no , a=x,v=2,a=-1,s=,b"), (TrackChoice{std::nullopt, 0}));
    EXPECT_EQ(parseTrackChoice("a=4,z=1"), (TrackChoice{4, std::nullopt}));

    // Exactly the name, letter case included; an empty choice removes it.
    ClassPref3 pref;
    writeTrackChoice(pref, "/media/Film.mkv", {2, 0});
    EXPECT_TRUE(findTrackChoice(pref, "/media/film.mkv").isEmpty());
    EXPECT_EQ(pref.GetSetting(TrackSection, "/media/Film.mkv", QString()).toText(), "a=2,s=no");
    writeTrackChoice(pref, "/media/Film.mkv", {});
    EXPECT_TRUE(findTrackChoice(pref, "/media/Film.mkv").isEmpty());
}
