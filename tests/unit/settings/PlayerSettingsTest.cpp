#include "SettingsTestSupport.h"

#include "settings/PlayerSettings.h"

namespace {

QString stored(ClassPref3 &pref, const char *section, const char *key)
{
    return pref.GetSetting(QString::fromLatin1(section), QString::fromLatin1(key), QStringLiteral("<none>"))
        .toText();
}

} // namespace

TEST(PlayerSettings, MissingKeysGiveTheDefaults)
{
    ClassPref3 pref;
    const PlayerSettings settings(pref);
    EXPECT_FALSE(settings.frontSet());
    EXPECT_TRUE(settings.videoDisp());
    EXPECT_EQ(settings.videoSize(52), 52);
    const FormPlace place = settings.formPlace(PlacedForm::KeySetting, {120, 240});
    EXPECT_EQ(place.left, 120);
    EXPECT_EQ(place.top, 240);
    QStringList captions;
    for (int i = 0; i < PlayerSettings::SkipCount; ++i)
        captions << settings.skipTime(i) + QLatin1Char('(') + settings.accessKey(i) + QLatin1Char(')');
    EXPECT_EQ(captions.join(QLatin1Char(' ')), QStringLiteral("-30(Z) -10(X) -3(C) 10(V) 30(B) 90(N)"));
    const CutPercents cut = settings.cutPercents();
    EXPECT_EQ(QStringList({cut.left, cut.top, cut.bottom, cut.right}).join(QLatin1Char(',')),
              QStringLiteral("0,0,0,0"));
    // Nothing was written by reading.
    EXPECT_FALSE(pref.SearchSection(SettingsSection::Window));
}

TEST(PlayerSettings, WritersUseTheFileKeysAndForms)
{
    ClassPref3 pref;
    const PlayerSettings settings(pref);
    settings.setFormPlace(PlacedForm::Main, {1234.5678, -15});
    settings.setFormPlace(PlacedForm::SizeSetting, {1, 2});
    settings.setFrontSet(true);
    settings.setVideoDisp(false);
    settings.setVideoSize(1.0 / 3);
    settings.setSkipTime(5, QStringLiteral("+120"));
    settings.setAccessKey(5, QStringLiteral("n"));
    settings.setCutPercents({QStringLiteral("5"), QStringLiteral("abc"), QString(), QStringLiteral("12.5")});

    EXPECT_EQ(stored(pref, "Window", "Main.Left"), QStringLiteral("1234.568"));
    EXPECT_EQ(stored(pref, "Window", "Main.Top"), QStringLiteral("-15"));
    EXPECT_EQ(stored(pref, "Window", "SizeSetting.Left"), QStringLiteral("1"));
    EXPECT_EQ(stored(pref, "Window", "SizeSetting.Top"), QStringLiteral("2"));
    EXPECT_EQ(stored(pref, "Window", "FrontSet"), QStringLiteral("True"));
    EXPECT_EQ(stored(pref, "Setting", "VideoDisp"), QStringLiteral("False"));
    EXPECT_EQ(stored(pref, "Setting", "VideoSize"), QStringLiteral("0.3333333"));
    EXPECT_EQ(stored(pref, "KeySetting", "SkipTime5"), QStringLiteral("+120"));
    EXPECT_EQ(stored(pref, "KeySetting", "AccessKey5"), QStringLiteral("n"));
    EXPECT_EQ(stored(pref, "CutPercent", "Top"), QStringLiteral("abc"));
    EXPECT_EQ(stored(pref, "CutPercent", "Right"), QStringLiteral("12.5"));
}

TEST(PlayerSettings, DamagedValuesReadSafely)
{
    ClassPref3 pref;
    const PlayerSettings settings(pref);
    pref.SaveSetting(SettingsSection::Window, QStringLiteral("FrontSet"), QStringLiteral("yes"));
    pref.SaveSetting(SettingsSection::Setting, QStringLiteral("VideoDisp"), QStringLiteral("0"));
    pref.SaveSetting(SettingsSection::Setting, QStringLiteral("VideoSize"), QStringLiteral("640px"));
    pref.SaveSetting(SettingsSection::Window, QStringLiteral("Main.Left"), QStringLiteral("left"));
    EXPECT_FALSE(settings.frontSet());  // not a switch: the default
    EXPECT_FALSE(settings.videoDisp()); // a number switch
    EXPECT_EQ(settings.videoSize(52), 640);
    EXPECT_EQ(settings.formPlace(PlacedForm::Main, {99, 99}).left, 0);

    for (int bad : {-1, PlayerSettings::SkipCount}) {
        EXPECT_THROW(settings.skipTime(bad), RuntimeError);
        EXPECT_THROW(settings.setAccessKey(bad, QStringLiteral("Q")), RuntimeError);
    }
    EXPECT_FALSE(pref.SearchSection(SettingsSection::KeySetting));
}

// What the dialogs store comes back at the next start as it was meant:
// letters the file cannot hold as they are, and cut percentages held to
// their range (as stored and as read from an edited file).
TEST_F(SettingsFileTest, LettersAndCutsComeBackFromTheFile)
{
    const PlayerSettings settings(m_pref);
    const QStringList letters{u8("é"),  QStringLiteral("%"), QStringLiteral("["),
                              u8("ア"), QStringLiteral("Q"), u8("😀")};
    for (int i = 0; i < PlayerSettings::SkipCount; ++i)
        settings.setAccessKey(i, letters[i]);
    settings.setCutPercents(
        {QStringLiteral("-1e6"), QStringLiteral("12.5"), QStringLiteral("1e400"), QStringLiteral("-10")});
    const QByteArray file = savedBytes();
    EXPECT_TRUE(file.contains("AccessKey4=Q\r\n")) << file.constData();
    EXPECT_TRUE(file.contains("AccessKey3=" + sjis("ア") + "\r\n")) << file.constData();
    EXPECT_TRUE(file.contains("Left=-10\r\nTop=12.5\r\nBottom=100\r\nRight=-10\r\n")) << file.constData();

    ClassPref3 next;
    next.setFileName(path());
    ASSERT_TRUE(next.Load());
    const PlayerSettings read(next);
    for (int i = 0; i < PlayerSettings::SkipCount; ++i)
        EXPECT_EQ(read.accessKey(i), letters[i]) << i;

    // Edited by hand, beyond the range: read held.
    next.SaveSetting(SettingsSection::CutPercent, QStringLiteral("Top"), QStringLiteral(" - 5e300 "));
    next.SaveSetting(SettingsSection::CutPercent, QStringLiteral("Right"), QStringLiteral("250%"));
    const CutPercents cut = read.cutPercents();
    EXPECT_EQ(QStringList({cut.left, cut.top, cut.bottom, cut.right}).join(','),
              QStringLiteral("-10,-10,100,100"));
}
