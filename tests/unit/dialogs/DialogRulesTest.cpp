#include "dialogs/DialogRules.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogRules, CaptionGivesAmountAndLetter)
{
    const struct {
        const char *caption;
        const char *amount;
        std::optional<QString> letter;
    } cases[] = {
        {"-30(Z)", "-30", "Z"}, {"+2.50(N)", "2.5", "N"}, {"++20(B)", "0", "B"}, {"10()", "10", ")"},
        {"10(", "10", ""},      {"15", "15", {}},         {"1(2(3)", "1", "2"},  {"", "0", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(captionAmountText(c.caption), c.amount);
        EXPECT_EQ(captionAccessKey(c.caption), c.letter);
    }
    EXPECT_EQ(editedSkipCaption("5.50", "X"), "+5.50(X)");
    EXPECT_EQ(editedSkipCaption("-0", ""), "0()");
}

TEST(DialogRules, SpinStepSubtractsThePositionFromTheLeadingNumber)
{
    const struct {
        const char *field;
        int position;
        const char *result;
    } cases[] = {
        {"0", -1, "1"},    {"0", 1, "-1"},     {"5", -1, "6"},      {"12abc", -1, "13"},    {"", 1, "-1"},
        {"2.5", 1, "1.5"}, {"3.50", 0, "3.5"}, {"-0.5", -1, "0.5"}, {"7", -32768, "32775"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(spunFieldText(c.field, c.position), c.result);
    }
}

TEST(DialogRules, DesignGrowsOnlyAsMuchAsTheTightestControlNeeds)
{
    EXPECT_EQ(designScale({{QRectF(0, 0, 100, 50), QSizeF(80, 40)}}), QSizeF(1, 1));
    EXPECT_EQ(designScale({{QRectF(0, 0, 100, 50), QSizeF(150, 40)}, {QRectF(0, 0, 200, 20), QSizeF(0, 30)}}),
              QSizeF(1.5, 1.5));
    // A control without a design extent on an axis asks nothing there.
    EXPECT_EQ(designScale({{QRectF(), QSizeF(500, 500)}}), QSizeF(1, 1));
}

} // namespace
