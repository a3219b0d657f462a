#include "dialogs/DialogRules.h"
#include "util/RuntimeError.h"

#include <gtest/gtest.h>

namespace {

struct CaptionCase {
    const char *caption;
    const char *amount;
    std::optional<QString> letter;
};

TEST(DialogRules, CaptionGivesAmountAndLetter)
{
    const CaptionCase cases[] = {
        {"+10(V)", "10", QString("V")}, {"-30(Z)", "-30", QString("Z")},   {"-5.50(X)", "-5.5", QString("X")},
        {"0(C)", "0", QString("C")},    {"+2.50(N)", "2.5", QString("N")}, {"abc(Q)", "0", QString("Q")},
        {"++20(B)", "0", QString("B")}, {"10()", "10", QString(")")},      {"10(", "10", QString("")},
        {"15", "15", std::nullopt},     {"1(2(3)", "1", QString("2")},     {"", "0", std::nullopt},
    };
    for (const CaptionCase &c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(captionAmountText(c.caption), c.amount);
        EXPECT_EQ(captionAccessKey(c.caption), c.letter);
    }
}

TEST(DialogRules, EditedCaptionShowsPositiveAmountsAsTyped)
{
    const struct {
        const char *time;
        const char *letter;
        const char *caption;
    } cases[] = {
        {"15", "Q", "+15(Q)"}, {"-5.50", "X", "-5.5(X)"}, {"5.50", "X", "+5.50(X)"},  {"+20", "B", "++20(B)"},
        {"abc", "Z", "0(Z)"},  {"", "Z", "0(Z)"},         {"10", "", "+10()"},        {"0", "C", "0(C)"},
        {"-0", "C", "0(C)"},   {"1e3", "M", "+1e3(M)"},   {"-1e3x", "M", "-1000(M)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.time);
        EXPECT_EQ(editedSkipCaption(c.time, c.letter), c.caption);
    }
    EXPECT_THROW(editedSkipCaption("1e999", "X"), RuntimeError);
}

TEST(DialogRules, SpinStepSubtractsThePositionFromTheLeadingNumber)
{
    const struct {
        const char *field;
        int position;
        const char *result;
    } cases[] = {
        {"0", -1, "1"},      {"2", -1, "3"},      {"0", 1, "-1"},     {"5", -1, "6"},
        {"12abc", -1, "13"}, {"abc", -1, "1"},    {"", 1, "-1"},      {"2.5", 1, "1.5"},
        {"3.50", 0, "3.5"},  {"-0.5", -1, "0.5"}, {"150", -1, "151"}, {"7", -32768, "32775"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(spunFieldText(c.field, c.position), c.result);
    }
}

TEST(DialogRules, DesignGrowsOnlyAsMuchAsTheTightestControlNeeds)
{
    EXPECT_EQ(designScale({}), QSizeF(1, 1));
    EXPECT_EQ(designScale({{QRectF(0, 0, 100, 50), QSizeF(80, 40)}}), QSizeF(1, 1));
    EXPECT_EQ(designScale({{QRectF(0, 0, 100, 50), QSizeF(150, 40)}, {QRectF(0, 0, 200, 20), QSizeF(0, 30)}}),
              QSizeF(1.5, 1.5));
    // A control without a design extent on an axis asks nothing there.
    EXPECT_EQ(designScale({{QRectF(0, 0, 0, 0), QSizeF(500, 500)}}), QSizeF(1, 1));
}

} // namespace
