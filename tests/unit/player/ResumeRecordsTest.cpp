#include "player/ResumeRecords.h"

#include "settings/ClassPref3.h"

#include <QStringList>

#include <gtest/gtest.h>

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
