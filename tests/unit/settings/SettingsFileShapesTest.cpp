// Files as editors and file systems of this platform make them: other line
// ends, UTF-8 text and names that Shift-JIS cannot hold.
#include "SettingsTestSupport.h"
#include "util/FileNames.h"

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

} // namespace

TEST_F(SettingsFileTest, EveryFileShapeLoadsSavesAndReloadsWithoutLosingAnything)
{
    const QStringList plain{QStringLiteral("[Setting] VideoSize=320"),
                            QStringLiteral("[Files] /v/a.mp4=1,200")};
    const QStringList japanese{u8("[設定] 動画=映画"), u8("[Files] /動画/映画.mp4=10,100")};
    const QStringList sjisOnly{u8("[特殊] ～①髙=①～髙")};
    const struct {
        const char *name;
        QByteArray bytes;
        QStringList expected;
        bool savedAsItWas; ///< a Shift-JIS file in the saved layout comes back byte for byte
    } shapes[] = {
        {"CR LF", "\r\n[Setting]\r\nVideoSize=320\r\n\r\n[Files]\r\n/v/a.mp4=1,200\r\n", plain, true},
        {"LF", "[Setting]\nVideoSize=320\n[Files]\n/v/a.mp4=1,200\n", plain, false},
        {"lone CR", "[Setting]\rVideoSize=320\r[Files]\r/v/a.mp4=1,200", plain, false},
        {"mixed", "\r\n[Setting]\nVideoSize=320\r\r\n[Files]\n\r/v/a.mp4=1,200\r\n", plain, false},
        {"UTF-8", "[設定]\n; コメント\n動画=映画\n[Files]\n/動画/映画.mp4=10,100\n", japanese, false},
        {"UTF-8 and a BOM", "\xEF\xBB\xBF[設定]\r\n動画=映画\r\n[Files]\r\n/動画/映画.mp4=10,100\r\n",
         japanese, false},
        // Alone, the UTF-8 of "é" is valid Shift-JIS ("ﾃｩ"); the Hangul is not.
        {"UTF-8 beyond Shift-JIS",
         "[Files]\n/v/Café.mp4=5,60\n/v/영화.mp4=6,60\n",
         {u8("[Files] /v/Café.mp4=5,60"), u8("[Files] /v/영화.mp4=6,60")},
         false},
        {"Shift-JIS only", sjis("\r\n[特殊]\r\n～①髙=①～髙\r\n"), sjisOnly, true},
        {"Shift-JIS and LF", sjis("[特殊]\n～①髙=①～髙\n"), sjisOnly, false},
        // Valid in both: "ﾃｽ" in Shift-JIS is "ý" in UTF-8.
        {"both", "\r\n[S]\r\nk=\xC3\xBD\r\n", {u8("[S] k=ﾃｽ")}, true},
        // Keys that only look escaped read and write as they stand; "%C3"
        // alone is the byte of a name that is not UTF-8, and stays that.
        {"% keys",
         "\r\n[F]\r\n%c3%a9=1\r\n%%=2\r\n%41=3\r\n%Caf%C3=4\r\n%25=5\r\n",
         {"[F] %c3%a9=1", "[F] %%=2", "[F] %41=3",
          QStringLiteral("[F] Caf") + QChar(0xDCC3) + QStringLiteral("=4"), "[F] %25=5"},
         true},
    };
    for (const auto &shape : shapes) {
        SCOPED_TRACE(shape.name);
        ASSERT_TRUE(loadBytes(shape.bytes));
        EXPECT_EQ(contents(m_pref), shape.expected);
        const QByteArray saved = savedBytes();
        if (shape.savedAsItWas) {
            EXPECT_EQ(saved, shape.bytes);
        }
        EXPECT_EQ(saved.count('\n') + saved.count('\r'), 2 * saved.count("\r\n"));
        ASSERT_TRUE(m_pref.Load());
        EXPECT_EQ(contents(m_pref), shape.expected);
    }
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
        u8("/v/Café.mp4"), u8("/v/Cafè.mp4"), u8("/v/비디오.mp4"), u8("/v/\U0001F3AC.mp4"), "/v/a=b.mp4",
        "[x].mp4", ";x.mp4", "#x.mp4", "=x.mp4", "/v/line\nbreak.mp4", "/v/cr\rx.mp4", longName,
        u8("C:\\動画\\～①髙.avi"), u8("/v/\u301C.mp4"), u8("\uFEFF.mp4"), " /v/spaces.mp4 ", "100%.mp4", "%",
        // Literal names that read like the escaped form.
        "%Caf%C3%A9.mp4", "%41.mp4",
        // Names that are not UTF-8: Shift-JIS and Latin-1 bytes.
        decodeFileName("/v/\x83\x65\x83\x58\x83\x67.mp4"), decodeFileName("/v/caf\xe9.avi")};
    for (int i = 0; i < names.size(); ++i) {
        m_pref.SaveSetting(QStringLiteral("Files"), names.at(i), QStringLiteral("%1,100").arg(i));
    }
    const QByteArray saved = savedBytes();
    // Names the code page holds are written as they always were.
    EXPECT_TRUE(saved.contains(sjis("\r\nC:\\動画\\～①髙.avi=12,100\r\n")));
    EXPECT_TRUE(saved.contains("\r\n%/v/Caf%C3%A9.mp4=0,100\r\n%/v/Caf%C3%A8.mp4=1,100\r\n"));
    EXPECT_TRUE(saved.contains("\r\n%/v/a%3Db.mp4=4,100\r\n"));
    EXPECT_TRUE(saved.contains("\r\n%/v/%83e%83X%83g.mp4=20,100\r\n%/v/caf%E9.avi=21,100\r\n"));

    ASSERT_TRUE(m_pref.Load());
    EXPECT_EQ(m_pref.Keys(QStringLiteral("Files")).toList(), names);
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(m_pref.GetSetting(QStringLiteral("Files"), names.at(i)).toText(),
                  QStringLiteral("%1,100").arg(i));
    }
    EXPECT_EQ(savedBytes(), saved);
}
