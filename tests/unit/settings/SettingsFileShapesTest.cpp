// Files as editors and file systems of this platform make them: other line
// ends, UTF-8 text and names that Shift-JIS cannot hold.
#include "SettingsTestSupport.h"

#include "settings/KeyEscape.h"

#include <QStringList>

namespace {

/// Every section, key and value of the store, one "[section] key=value" each.
QStringList contents(ClassPref3 &pref)
{
    QStringList out;
    for (const QString &section : pref.Sections().toList()) {
        for (const QString &key : pref.Keys(section).toList()) {
            out << QStringLiteral("[%1] %2=%3").arg(section, key, pref.GetSetting(section, key).toText());
        }
    }
    return out;
}

QByteArray utf8(const char *text)
{
    return QByteArray(text);
}

struct FileShape {
    const char *name;
    QByteArray bytes;
    QStringList expected;
    /// A Shift-JIS file in the layout Save writes must come back byte for byte.
    bool savedAsItWas;
};

} // namespace

TEST_F(SettingsFileTest, EveryFileShapeLoadsSavesAndReloadsWithoutLosingAnything)
{
    const QStringList plain{QStringLiteral("[Setting] VideoSize=320"),
                            QStringLiteral("[Setting] VideoDisp=True"),
                            QStringLiteral("[Files] /v/a.mp4=1,200")};
    const QStringList japanese{u8("[設定] 動画=映画"), u8("[Files] /動画/映画.mp4=10,100")};
    const QStringList sjisOnly{u8("[特殊] ～①髙=①～髙")};
    const FileShape shapes[] = {
        {"CR LF", "\r\n[Setting]\r\nVideoSize=320\r\nVideoDisp=True\r\n\r\n[Files]\r\n/v/a.mp4=1,200\r\n",
         plain, true},
        {"LF", "[Setting]\nVideoSize=320\nVideoDisp=True\n[Files]\n/v/a.mp4=1,200\n", plain, false},
        {"lone CR", "[Setting]\rVideoSize=320\rVideoDisp=True\r[Files]\r/v/a.mp4=1,200", plain, false},
        // A saved file with one line added by an editor that writes LF.
        {"mixed", "\r\n[Setting]\r\nVideoSize=320\nVideoDisp=True\r\r\n[Files]\n\r/v/a.mp4=1,200\r\n", plain,
         false},
        {"UTF-8 Japanese", utf8("[設定]\n; コメント\n動画=映画\n[Files]\n/動画/映画.mp4=10,100\n"), japanese,
         false},
        {"UTF-8 with a BOM", utf8("\xEF\xBB\xBF[設定]\r\n動画=映画\r\n[Files]\r\n/動画/映画.mp4=10,100\r\n"),
         japanese, false},
        {"UTF-8 beyond Shift-JIS",
         utf8("[Files]\n/v/Café.mp4=5,60\n/v/영화.mp4=6,60\n"),
         {u8("[Files] /v/Café.mp4=5,60"), u8("[Files] /v/영화.mp4=6,60")},
         false},
        {"Shift-JIS only", sjis("\r\n[特殊]\r\n～①髙=①～髙\r\n"), sjisOnly, true},
        {"Shift-JIS and LF", sjis("[特殊]\n～①髙=①～髙\n"), sjisOnly, false},
    };
    for (const FileShape &shape : shapes) {
        SCOPED_TRACE(shape.name);
        ASSERT_TRUE(loadBytes(shape.bytes));
        EXPECT_EQ(contents(m_pref), shape.expected);
        const QByteArray saved = savedBytes();
        if (shape.savedAsItWas) {
            EXPECT_EQ(saved, shape.bytes);
        }
        bool validShiftJis = false;
        decodeShiftJis(saved, &validShiftJis);
        EXPECT_TRUE(validShiftJis);
        EXPECT_EQ(saved.count('\n'), saved.count("\r\n"));
        EXPECT_EQ(saved.count('\r'), saved.count("\r\n"));
        ASSERT_TRUE(m_pref.Load());
        EXPECT_EQ(contents(m_pref), shape.expected);
    }
}

TEST_F(SettingsFileTest, ATextValidInBothEncodingsIsShiftJisAndBrokenUtf8StaysShiftJis)
{
    // The Shift-JIS of "ﾃｽ" is the UTF-8 of "ý": Shift-JIS wins.
    ASSERT_TRUE(loadBytes("[S]\r\nk=\xC3\xBD\r\n"));
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("S"), QStringLiteral("k")), Variant(u8("ﾃｽ")));
    // Neither encoding: the Shift-JIS reading with its replacement characters.
    ASSERT_TRUE(loadBytes("[S]\r\nk=\x81 \xE9\r\n"));
    EXPECT_EQ(m_pref.GetSetting(QStringLiteral("S"), QStringLiteral("k")), Variant(u8("\uFFFD \uFFFD")));
}

TEST_F(SettingsFileTest, EveryFileNameKeepsItsOwnResumeRecordThroughSaveAndLoad)
{
    QString longName = u8("/動画/Café ");
    while (longName.toUtf8().size() < 3996) {
        longName += u8("é/");
    }
    longName += QStringLiteral(".mp4").left(4000 - longName.toUtf8().size());
    ASSERT_EQ(longName.toUtf8().size(), 4000);
    const QStringList names{
        u8("/v/Café.mp4"), u8("/v/Cafè.mp4"), u8("/v/비디오.mp4"), u8("/v/\U0001F3AC.mp4"),
        QStringLiteral("/v/a=b.mp4"), QStringLiteral("[x].mp4"), QStringLiteral(";x.mp4"),
        QStringLiteral("#x.mp4"), QStringLiteral("=x.mp4"), QStringLiteral("/v/line\nbreak.mp4"),
        QStringLiteral("/v/cr\rx.mp4"), longName, u8("C:\\動画\\～①髙.avi"), u8("/v/\u301C.mp4"),
        // Names that look like the escaped form, or start like it.
        QStringLiteral("%Caf%C3%A9.mp4"), QStringLiteral("%41.mp4"), QStringLiteral("%"),
        QStringLiteral("100%.mp4"), QStringLiteral(" /v/lead and trail space.mp4 "), u8("\uFEFF.mp4")};
    for (int i = 0; i < names.size(); ++i) {
        m_pref.SaveSetting(QStringLiteral("Files"), names.at(i), QStringLiteral("%1,100").arg(i));
    }
    const QByteArray saved = savedBytes();
    // Names the code page holds are written as they always were.
    EXPECT_TRUE(saved.contains(sjis("\r\nC:\\動画\\～①髙.avi=12,100\r\n")));
    EXPECT_TRUE(saved.contains("\r\n100%.mp4=17,100\r\n"));
    EXPECT_TRUE(saved.contains("\r\n%/v/Caf%C3%A9.mp4=0,100\r\n"));
    EXPECT_TRUE(saved.contains("\r\n%/v/a%3Db.mp4=4,100\r\n"));

    ASSERT_TRUE(m_pref.Load());
    EXPECT_EQ(m_pref.Keys(QStringLiteral("Files")).toList(), names);
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(m_pref.GetSetting(QStringLiteral("Files"), names.at(i)).toText(),
                  QStringLiteral("%1,100").arg(i))
            << names.at(i).left(40).toStdString();
    }
    EXPECT_EQ(savedBytes(), saved);
}

TEST(KeyEscape, KeysInAFileThatOnlyLookEscapedReadAndWriteAsTheyStand)
{
    // Lower-case hex, a stray "%", a name that needed no escaping, and bytes
    // that are not UTF-8: none of them is the form escapeKey writes.
    for (const char *key : {"%c3%a9", "%%", "%4", "%41", "%ZZ", "%Caf%C3", "%%FF", "%25"}) {
        const QString fileKey = QString::fromLatin1(key);
        EXPECT_EQ(unescapeKey(fileKey), fileKey) << key;
        EXPECT_EQ(escapeKey(fileKey), fileKey) << key;
    }
    EXPECT_EQ(unescapeKey(QStringLiteral("%Caf%C3%A9")), u8("Café"));
    EXPECT_EQ(escapeKey(QStringLiteral("%Caf%C3%A9")), QStringLiteral("%%25Caf%25C3%25A9"));
    EXPECT_EQ(escapeKey(QString()), QString());
}
