#include "util/Numbers.h"
#include "util/RuntimeError.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Val, ReadsTheLeadingNumberOrZero)
{
    const struct {
        const char *text;
        double value;
    } cases[] = {
        {"-30(Z)", -30},
        {"+120(N)", 120},
        {"  12.5kg", 12.5},
        {"1 2 3", 123}, // blanks are skipped, even between digits
        {"1.5E3x", 1500},
        {"2e", 2}, // an exponent without digits is not part of the number
        {".5", 0.5},
        {"3.4.5", 3.4},
        {"abc", 0},
        {"+", 0},
        {"--5", 0},
        {"", 0},
        {"-.", 0},
        // Hex and octal integers read as 16 or 32 bits.
        {"&H10", 16},
        {"&hff zz", 255},
        {"&O17", 15},
        {"&HFFFF", -1},
        {"&H10000", 65536},
        {"&HFFFFFFFF", -1},
        {"&Hxyz", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Val(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(WholeNumbers, RoundHalvesToEvenAndOverflowOutsideTheRange)
{
    EXPECT_EQ(CLng(0.5), 0);
    EXPECT_EQ(CLng(1.5), 2);
    EXPECT_EQ(CLng(2.5), 2);
    EXPECT_EQ(CLng(-2.5), -2);
    EXPECT_EQ(CLng(12345.6), 12346);
    EXPECT_EQ(CInt(-32768.4), -32768);
    EXPECT_EQ(CLng(2147483647.4), 2147483647);

    for (const double value : {2147483647.5, -2147483649.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(errorNumber([&] { CLng(value); }), ErrNo::Overflow) << value;
    for (const double value : {32767.5, -32769.0})
        EXPECT_EQ(errorNumber([&] { CInt(value); }), ErrNo::Overflow) << value;
}

TEST(RuntimeErrors, EndOnlyTheGuardedHandler)
{
    int after = 0;
    EXPECT_FALSE(runGuarded("test", [] { CLng(1e300); }));
    EXPECT_TRUE(runGuarded("test", [&] { after = 1; }));
    EXPECT_EQ(after, 1);
    EXPECT_EQ(RuntimeError(ErrNo::SubscriptOutOfRange).description(),
              QStringLiteral("Subscript out of range"));
}
