#include "util/Numbers.h"
#include "util/RuntimeError.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

int overflowNumber(double value, bool sixteenBits = false)
{
    try {
        if (sixteenBits)
            CInt(value);
        else
            CLng(value);
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

} // namespace

TEST(Val, ReadsTheLeadingNumberAndStopsAtTheFirstForeignCharacter)
{
    EXPECT_EQ(Val(QStringLiteral("-30(Z)")), -30);
    EXPECT_EQ(Val(QStringLiteral("+120(N)")), 120);
    EXPECT_EQ(Val(QStringLiteral("  12.5kg")), 12.5);
    EXPECT_EQ(Val(QStringLiteral("1 2 3")), 123); // blanks are skipped, even between digits
    EXPECT_EQ(Val(QStringLiteral("1.5E3x")), 1500);
    EXPECT_EQ(Val(QStringLiteral("2e")), 2); // an exponent without digits is not part of the number
    EXPECT_EQ(Val(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(Val(QStringLiteral("3.4.5")), 3.4);
}

TEST(Val, GivesZeroWithoutDigits)
{
    EXPECT_EQ(Val(QStringLiteral("abc")), 0);
    EXPECT_EQ(Val(QStringLiteral("+")), 0);
    EXPECT_EQ(Val(QStringLiteral("--5")), 0);
    EXPECT_EQ(Val(QString()), 0);
    EXPECT_EQ(Val(QStringLiteral("-.")), 0);
}

TEST(Val, ReadsHexAndOctalIntegersAsSixteenOrThirtyTwoBits)
{
    EXPECT_EQ(Val(QStringLiteral("&H10")), 16);
    EXPECT_EQ(Val(QStringLiteral("&hff zz")), 255);
    EXPECT_EQ(Val(QStringLiteral("&O17")), 15);
    EXPECT_EQ(Val(QStringLiteral("&HFFFF")), -1);
    EXPECT_EQ(Val(QStringLiteral("&H10000")), 65536);
    EXPECT_EQ(Val(QStringLiteral("&HFFFFFFFF")), -1);
    EXPECT_EQ(Val(QStringLiteral("&Hxyz")), 0);
}

TEST(WholeNumbers, RoundHalvesToEven)
{
    EXPECT_EQ(CLng(0.5), 0);
    EXPECT_EQ(CLng(1.5), 2);
    EXPECT_EQ(CLng(2.5), 2);
    EXPECT_EQ(CLng(-2.5), -2);
    EXPECT_EQ(CLng(12345.6), 12346);
    EXPECT_EQ(CInt(-32768.4), -32768);
}

TEST(WholeNumbers, OverflowOutsideTheRange)
{
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    EXPECT_EQ(overflowNumber(2147483647.5), ErrNo::Overflow);
    EXPECT_EQ(overflowNumber(-2147483649.0), ErrNo::Overflow);
    EXPECT_EQ(overflowNumber(std::numeric_limits<double>::quiet_NaN()), ErrNo::Overflow);
    EXPECT_EQ(overflowNumber(32767.5, true), ErrNo::Overflow);
    EXPECT_EQ(overflowNumber(-32769, true), ErrNo::Overflow);
}

TEST(RuntimeErrors, EndOnlyTheGuardedHandler)
{
    int after = 0;
    EXPECT_FALSE(runGuarded("test", [] { CLng(1e300); }));
    EXPECT_TRUE(runGuarded("test", [&] { after = 1; }));
    EXPECT_EQ(after, 1);
    EXPECT_EQ(RuntimeError(ErrNo::SubscriptOutOfRange).description(), QStringLiteral("Subscript out of range"));
}
