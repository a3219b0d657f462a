#include "SettingsTestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

TEST_F(SettingsFileTest, AFileInTheSavedLayoutRoundTripsByteForByte)
{
    // Trail bytes of "ゾ", "ー", "表" and "ソ" are ']', '[' and '\'; they must
    // not cut names or values.
    const QByteArray file = sjis("\r\n"
                                 "\r\n; 設定ファイル\r\n# 二行目\r\n"
                                 "[ゾーン表示]\r\n"
                                 "\r\n; 位置\r\nMain.Left=1200\r\n"
                                 "=データ行\r\n"
                                 "ソフト=日本語の値＝全角=x\r\n"
                                 "\r\n"
                                 "[Files]\r\n"
                                 "C:\\動画\\名前.avi=12.5,300\r\n");
    ASSERT_TRUE(loadBytes(file));
    EXPECT_EQ(m_pref.Count(), 2);
    EXPECT_EQ(m_pref.GetSection(0), u8("ゾーン表示"));
    EXPECT_EQ(m_pref.GetSetting(u8("ゾーン表示"), u8("ソフト")), Variant(u8("日本語の値＝全角=x")));
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("files"), u8("c:\\動画\\名前.AVI")), Variant(u8("12.5,300")));

    m_pref.setFileName(path(QStringLiteral("copy.ini")));
    EXPECT_EQ(savedBytes(), file);
}

// A save while playing takes a snapshot on the GUI thread and writes it on
// another: the same bytes as Save(), whatever the store does meanwhile, and
// nothing at all where Save() writes nothing.
TEST_F(SettingsFileTest, ASnapshotSavesWhatSaveWouldAndLaterStoresLeaveItAlone)
{
    ASSERT_TRUE(loadBytes(sjis("\r\n[Window]\r\nMain.Left=1200\r\n\r\n[Files]\r\n/a.mp4=12.5,300\r\n")));
    m_pref.SaveSetting(QStringLiteral("Files"), QStringLiteral("/b.mp4"), QStringLiteral("40,90"));
    const std::optional<ClassPref3::SaveSnapshot> snapshot = m_pref.snapshotToSave();
    ASSERT_TRUE(snapshot);
    const QByteArray expected = savedBytes();
    m_pref.SaveSetting(QStringLiteral("Files"), QStringLiteral("/b.mp4"), QStringLiteral("55,90"));
    m_pref.RemoveSetting(QStringLiteral("Files"), QStringLiteral("/a.mp4"));
    m_pref.RemoveSection(QStringLiteral("Window"));
    EXPECT_EQ(snapshot->bytes(), expected);
    ClassPref3::writeFile(snapshot->fileName(), snapshot->bytes());
    EXPECT_EQ(readBytes(path()), expected);
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("Files"), QStringLiteral("/b.mp4")),
              Variant(QStringLiteral("55,90")));

    m_pref.setFirstInstance(false);
    EXPECT_FALSE(m_pref.snapshotToSave());
    m_pref.setFirstInstance(true);
    m_pref.setFileName(QString());
    EXPECT_FALSE(m_pref.snapshotToSave());
}

TEST_F(SettingsFileTest, LoadingAHandWrittenFileNormalisesBlankLinesAndDropsWhatItIgnores)
{
    ASSERT_TRUE(loadBytes("; top\r\n[A]\r\nk = v \r\n\r\n  \r\ngarbage line\r\n;c\r\n\tx=1\r\n"
                          "  [not a header]=y\r\n; trailing comment\r\n"));
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("A"), QStringLiteral("k ")), Variant(QStringLiteral(" v ")));
    QString comment = QStringLiteral("x");
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("A"), QStringLiteral("\tx"), 0, &comment), Variant("1"));
    EXPECT_EQ(comment, QStringLiteral("\r\n;c"));
    EXPECT_EQ(savedBytes(), QByteArray("\r\n\r\n; top\r\n[A]\r\nk = v \r\n\r\n;c\r\n\tx=1\r\n"
                                       "  [not a header]=y\r\n"));
}

TEST_F(SettingsFileTest, AValueWithALineBreakSplitsOnTheNextLoad)
{
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("x\ry=z"));
    m_pref.Save();
    ASSERT_TRUE(m_pref.Load());
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("S"), QStringLiteral("a")), Variant("x"));
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("S"), QStringLiteral("y")), Variant("z"));
}

TEST_F(SettingsFileTest, InvalidBytesAndNulsLoadAsTextAndNeverFail)
{
    static const char raw[] = "[S]\r\nbad=\x81\r\nnul=a\0b\r\nhigh=\xff\xa0z\r\ncut=\x82";
    ASSERT_TRUE(loadBytes(QByteArray(raw, sizeof raw - 1)));
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("S"), QStringLiteral("bad")),
              Variant(QStringLiteral("\uFFFD")));
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("S"), QStringLiteral("nul")),
              Variant(QString::fromLatin1("a\0b", 3)));
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("S"), QStringLiteral("high")),
              Variant(QStringLiteral("\uFFFD\uFFFDz")));
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("S"), QStringLiteral("cut")),
              Variant(QStringLiteral("\uFFFD")));
    // Characters the code page cannot hold are written as "?".
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("emoji"), QString::fromUtf8("a\xF0\x9F\x98\x80z"));
    EXPECT_TRUE(savedBytes().contains("emoji=a?z\r\n"));
}

TEST_F(SettingsFileTest, SectionRulesOfLoadedFiles)
{
    // Entries before any header join the first section that gets entries;
    // that header's comment is lost. A header followed by another header
    // vanishes with its comment. A repeated section merges into the first,
    // and keys differing only in letter case collapse, the later case kept.
    ASSERT_TRUE(loadBytes("top=1\r\n;lost\r\n[Empty]\r\n;kept\r\n[A]\r\nx=1\r\n[B]\r\nk=1\r\n"
                          "[a]\r\nX=2\r\ny=3\r\n"));
    EXPECT_EQ(m_pref.Sections(), Variant(QStringList{QStringLiteral("a"), QStringLiteral("B")}));
    EXPECT_EQ(m_pref.Keys(QStringLiteral("A")),
              Variant(QStringList{QStringLiteral("top"), QStringLiteral("X"), QStringLiteral("y")}));
    EXPECT_EQ(savedBytes(), QByteArray("\r\n[a]\r\ntop=1\r\nX=2\r\ny=3\r\n\r\n[B]\r\nk=1\r\n"));

    // Without any header the values stay in a nameless section that is not
    // written; a header without "]" keeps the current name; "[]" is nameless.
    ASSERT_TRUE(loadBytes("a=1\r\n[]\r\nb=2\r\n[S]x\r\n[T\r\nc=3\r\n"));
    EXPECT_EQ(m_pref.Sections(), Variant(QStringList{QStringLiteral("S")}));
    EXPECT_EQ(m_pref.Keys(QStringLiteral("S")),
              Variant(QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    ASSERT_TRUE(loadBytes("a=1\r\n"));
    EXPECT_EQ(m_pref.Count(), 1);
    EXPECT_EQ(savedBytes(), QByteArray());
}

TEST_F(SettingsFileTest, ATrailingHeaderIsPreparedForTheNextNewSection)
{
    ASSERT_TRUE(loadBytes("[A]\r\nk=1\r\n;note\r\n[Tail]\r\n"));
    EXPECT_EQ(m_pref.Count(), 1);
    EXPECT_EQ(m_pref.GetSection(1), QStringLiteral("Tail"));
    EXPECT_FALSE(m_pref.SearchSection(QStringLiteral("Tail")));

    m_pref.SaveSetting(QStringLiteral("New"), QStringLiteral("n"), QStringLiteral("2"));
    EXPECT_EQ(savedBytes(), QByteArray("\r\n[A]\r\nk=1\r\n\r\n\r\n;note\r\n[New]\r\nn=2\r\n"));
}

TEST_F(SettingsFileTest, WhatSaveWritesThatTheNextLoadReadsDifferently)
{
    m_pref.SaveSetting(QStringLiteral("S]x"), QStringLiteral("a=b"), QStringLiteral("1"), 5);
    m_pref.AddData(QStringLiteral("S]x"), QString(), QStringLiteral(";data comment is not written"));
    m_pref.SaveSetting(QStringLiteral("S]x"), QStringLiteral("removed"), QString(), QStringLiteral(";gone"));
    EXPECT_EQ(savedBytes(), QByteArray("\r\n[S]x]\r\n5\r\n%a%3Db=1\r\n=\r\n"));

    ASSERT_TRUE(m_pref.Load());
    QString comment = QStringLiteral("x");
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("S"), QStringLiteral("a=b"), 0, &comment), Variant("1"));
    EXPECT_EQ(comment, QString());
    EXPECT_EQ(m_pref.SectionKeyCount(QStringLiteral("S")), Variant(2));
}

TEST_F(SettingsFileTest, MissingOrIrregularFilesLoadAsFalseWithAnEmptyStore)
{
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    m_pref.setAutoSave(7);
    EXPECT_FALSE(m_pref.Load());
    EXPECT_EQ(m_pref.Count(), 0);
    EXPECT_EQ(m_pref.AutoSave(), 7);
    m_pref.setAutoSave(0);

    EXPECT_FALSE(m_pref.Load(m_dir.path()));
    EXPECT_EQ(m_pref.FileName(), m_dir.path());
    const QString fifo = path(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(m_pref.Load(fifo)); // must not block on the pipe

    ClassPref3 unnamed;
    EXPECT_FALSE(unnamed.Load());
    unnamed.Save(); // no file name: nothing to write, no error

    m_pref.setFileName(path(QStringLiteral("new.ini")));
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    m_pref.Save();
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("new.ini"))));
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadRaisesAFileErrorAndLeavesTheStoreEmpty)
{
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    m_pref.setAutoSave(3);
    // A regular file whose first bytes cannot be read: the process's own
    // memory at address 0.
    const int number = errorNumber([&] { m_pref.Load(QStringLiteral("/proc/self/mem")); });
    EXPECT_EQ(number, ErrNo::DeviceIOError);
    EXPECT_EQ(m_pref.Count(), 0);
    EXPECT_EQ(m_pref.AutoSave(), 3);

    if (::geteuid() != 0) {
        writeBytes(path(), "[S]\r\nk=v\r\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0), 0);
        EXPECT_EQ(errorNumber([&] { m_pref.Load(path()); }), ErrNo::PermissionDenied);
    }
}

TEST_F(SettingsFileTest, HeaderBlockIsWrittenAndRequiredWhenVersionCheckIsOn)
{
    EXPECT_EQ(m_pref.VersionString(), u8("データファイル 5.00"));
    EXPECT_EQ(m_pref.HeaderText(), QStringLiteral(";;;;;;;;;;;;;;;;;;;;;;;\r\n") +
                                       u8("; データファイル 5.00 ;") +
                                       QStringLiteral("\r\n;;;;;;;;;;;;;;;;;;;;;;;"));
    const QString defaultHeader = m_pref.HeaderText();
    m_pref.setVersionString(u8("データファイル 5.00"));
    EXPECT_EQ(m_pref.HeaderText(), defaultHeader);

    m_pref.setVersionString(QStringLiteral("0123456789"));
    EXPECT_EQ(m_pref.HeaderText(), QStringLiteral(";;;;;;;;;;;;;;\r\n; 0123456789 ;\r\n;;;;;;;;;;;;;;"));
    EXPECT_EQ(m_pref.AltHeaderText(), QStringLiteral(";;;;;;;;;;\r\n; 0123456789\r\n;;;;;;;;;;"));
    EXPECT_EQ(m_pref.VersionString(), QStringLiteral("0123456789"));

    m_pref.setVersionCheck(true);
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    const QByteArray saved = savedBytes();
    EXPECT_TRUE(saved.startsWith(";;;;;;;;;;;;;;\r\n; 0123456789 ;\r\n;;;;;;;;;;;;;;\r\n\r\n[S]\r\n"));
    ASSERT_TRUE(m_pref.Load());
    EXPECT_EQ(m_pref.Count(), 1);

    EXPECT_TRUE(loadBytes(";;;;;;;;;;\r\n; 0123456789\r\n;;;;;;;;;;\r\n[S]\r\nk=v\r\n"));
    QByteArray changed = saved;
    changed[18] = '9';
    EXPECT_FALSE(loadBytes(changed));
    EXPECT_EQ(m_pref.Count(), 0);
    EXPECT_FALSE(loadBytes(";;;;;;;;;;;;;;\r\n; 0123456789 ;\r\n"));

    // Without the check the header is an ordinary comment.
    m_pref.setVersionCheck(false);
    ASSERT_TRUE(loadBytes(saved));
    EXPECT_TRUE(
        savedBytes().startsWith("\r\n\r\n;;;;;;;;;;;;;;\r\n; 0123456789 ;\r\n;;;;;;;;;;;;;;\r\n[S]\r\n"));
}

TEST_F(SettingsFileTest, SaveDoesNothingInASecondInstance)
{
    writeBytes(path(), "old");
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    m_pref.setFirstInstance(false);
    m_pref.Save();
    EXPECT_EQ(readBytes(path()), QByteArray("old"));
}

TEST_F(SettingsFileTest, AFailedSaveKeepsTheOldFileAndRaisesAFileError)
{
    // A folder that is a regular file cannot hold the new file.
    writeBytes(path(QStringLiteral("plain")), "x");
    m_pref.setFileName(path(QStringLiteral("plain/Kovaplex.ini")));
    m_pref.SaveSetting(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_NE(errorNumber([&] { m_pref.Save(); }), 0);
    m_pref.setFileName(path(QStringLiteral("no such folder/Kovaplex.ini")));
    EXPECT_EQ(errorNumber([&] { m_pref.Save(); }), ErrNo::PathFileAccessError);

    // A read-only folder (permission bits do not stop root).
    if (::geteuid() != 0) {
        const QString folder = path(QStringLiteral("ro"));
        ASSERT_TRUE(QDir().mkdir(folder));
        const QString file = folder + QStringLiteral("/Kovaplex.ini");
        writeBytes(file, "old content");
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
        m_pref.setFileName(file);
        EXPECT_EQ(errorNumber([&] { m_pref.Save(); }), ErrNo::PermissionDenied);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        EXPECT_EQ(readBytes(file), QByteArray("old content"));

        // A read-only file in a writable folder is not replaced behind the
        // user's back either.
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
        EXPECT_EQ(errorNumber([&] { m_pref.Save(); }), ErrNo::PermissionDenied);
        EXPECT_EQ(readBytes(file), QByteArray("old content"));
    }
}

namespace {

// Runs in a death-test child: exits 0 when Save reports a full disk.
[[noreturn]] void saveWithFileSizeLimit(ClassPref3 &pref, rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN); // fail the write with EFBIG instead of killing
    rlimit limit{};
    limit.rlim_cur = bytes;
    limit.rlim_max = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const int number = errorNumber([&] { pref.Save(); });
    std::_Exit(number == ErrNo::DiskFull ? 0 : 100 + number);
}

} // namespace

TEST_F(SettingsFileTest, AWriteThatFailsHalfWayLeavesTheOldFileIntact)
{
    const QByteArray old = "\r\n[Old]\r\nk=v\r\n";
    writeBytes(path(), old);
    for (int i = 0; i < 2000; ++i) {
        m_pref.SaveSetting(QStringLiteral("Big"), QStringLiteral("key%1").arg(i),
                           QString(40, QLatin1Char('x')));
    }
    // A file size limit makes the write fail after its first 4 KiB, as a full
    // disk would; it applies to root as well. It is set in a child process.
    const QString target = path();
    EXPECT_EXIT(saveWithFileSizeLimit(m_pref, 4096), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readBytes(target), old);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Kovaplex.ini")});
}

TEST_F(SettingsFileTest, AHundredThousandLineFileLoadsAndSavesUnchanged)
{
    QByteArray file;
    file.reserve(4 << 20);
    for (int s = 0; s < 100; ++s) {
        file += "\r\n[Section" + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < 999; ++k) {
            file += "Key" + QByteArray::number(k) + "=" + QByteArray::number(s * 1000 + k) + "\r\n";
        }
    }
    ASSERT_TRUE(loadBytes(file));
    EXPECT_EQ(m_pref.Count(), 100);
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("SECTION99"), QStringLiteral("key998")), Variant("99998"));
    EXPECT_EQ(m_pref.SectionKeyCount(QStringLiteral("Section50")), Variant(999));
    EXPECT_EQ(savedBytes(), file);
}
