#include "player/ResumeKeeper.h"
#include "player/ResumeRecords.h"

#include "settings/ClassPref3.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

const QString Clip = QStringLiteral("/media/clip.mp4");
const QString Other = QStringLiteral("/media/other.mp4");

// A keeper on a store in memory, a clock the test moves and the saves it
// asked for.
struct Keeper {
    ClassPref3 pref;
    std::int64_t now = 0;
    QStringList saves;
    ResumeKeeper keeper{pref, [this] { return now; }, [this](const QString &note) { saves << note; }};

    QString record(const QString &file = Clip)
    {
        return pref.GetSetting(ResumeSection, file, QString()).toText();
    }
};

} // namespace

TEST(ResumeKeeper, SavesAfterChangesAndEveryFourteenSecondsWhilePlaying)
{
    Keeper k;
    k.keeper.fileOpened(Clip);
    enum Event { None, Changed };
    const struct {
        std::int64_t at;
        Event event;
        double position;
        bool playing;
        const char *saved; // the save this tick asks for; nullptr: none
    } steps[] = {
        {300, None, 0, true, "0,90"},       // the first tick of a new file
        {600, None, 0.3, true, nullptr},    // playing: not at once
        {14000, None, 13.7, true, nullptr}, // 14 s after the last save, not after the start
        {14300, None, 14, true, "14,90"},       {14600, Changed, 14.3, false, "14.3,90"}, // paused
        {40000, None, 14.3, false, nullptr},                                              // paused: never
        {40300, Changed, 14.3, false, nullptr}, // sought where it stands: nothing changed
        {40600, Changed, 60, false, "60,90"},   // sought
        {41000, Changed, 60, true, nullptr},    // plays on from the same place
        {55000, None, 60, true, nullptr},       // stalled: nothing changed
        {55300, None, 75, true, "75,90"},       {56000, Changed, 0, false, "0,90"}, // stopped: rewound
    };
    for (const auto &step : steps) {
        k.now = step.at;
        if (step.event == Changed)
            k.keeper.changed();
        const qsizetype before = k.saves.size();
        k.keeper.tick({Clip, step.position, 90, false, step.playing});
        if (step.saved) {
            ASSERT_EQ(k.saves.size(), before + 1) << step.at;
            EXPECT_EQ(k.saves.last(), step.saved) << step.at;
            EXPECT_EQ(k.record(), step.saved) << step.at;
        } else {
            EXPECT_EQ(k.saves.size(), before) << step.at;
        }
    }
}

// Saved or killed at any moment, the file holds what the close step would
// leave then: near the end that is the record the file had when it opened.
TEST(ResumeKeeper, NearTheEndTheRecordIsTheOneTheCloseWouldLeave)
{
    const struct {
        const char *stored; // before the file opened; "" none
        double endPosition;
        bool endedShort;
        const char *left;
    } cases[] = {
        {"", 85, false, ""},           // removed again
        {"30,90", 85, false, "30,90"}, // put back
        {"30,90", 70, false, "70,90"}, // worth keeping
        {"30,90", 85, true, "85,90"},  // a cut file keeps where its data ran out
    };
    for (const auto &c : cases) {
        Keeper k;
        if (*c.stored)
            k.pref.SaveSetting(ResumeSection, Clip, c.stored);
        k.keeper.fileOpened(Clip);
        k.keeper.tick({Clip, 40, 90, false, true});
        EXPECT_EQ(k.record(), "40,90");
        k.now = 15000;
        k.keeper.tick({Clip, c.endPosition, 90, c.endedShort, true});
        EXPECT_EQ(k.record(), c.left) << c.stored << ' ' << c.endPosition;
        EXPECT_EQ(storedResumeRecord(k.pref, Clip).value_or(QString()), c.left);
    }
}

TEST(ResumeKeeper, ALeftFileIsSettledByTheCloseRuleAfterTheNextOneOpened)
{
    Keeper k;
    k.pref.SaveSetting(ResumeSection, Clip, QStringLiteral("30,90"));
    k.keeper.fileOpened(Clip);
    k.keeper.tick({Clip, 50, 90, false, true});
    EXPECT_EQ(k.record(), "50,90");
    // Left 9.9 s before its end: the place from before it opened comes back,
    // not the one kept while it played; and it stays so.
    k.keeper.fileOpened(Other);
    k.keeper.settle(Clip, 80.1, 90, false);
    EXPECT_EQ(k.record(), "30,90");
    k.keeper.tick({Other, 0, 0, false, false});
    EXPECT_EQ(k.saves.size(), 2);
    EXPECT_EQ(k.record(), "30,90");
    // Reopened and left where it is worth keeping: that place is the one a
    // later close near the end keeps.
    k.keeper.fileOpened(Clip);
    k.keeper.settle(Clip, 20, 90, true);
    k.keeper.tick({Clip, 85, 90, false, true});
    EXPECT_EQ(k.record(), "20,90");
}
