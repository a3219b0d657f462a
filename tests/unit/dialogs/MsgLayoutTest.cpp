#include "dialogs/MsgLayout.h"
#include "platform/forms/ScreenMetrics.h"

#include <QList>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class MsgLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { setScreenMetricsOverride(ScreenMetrics{}); }
    void TearDown() override { setScreenMetricsOverride(std::nullopt); }

    static MsgLayoutInput box(QSizeF message, std::vector<double> buttons)
    {
        MsgLayoutInput in;
        in.message = message;
        in.buttonWidths = std::move(buttons);
        in.buttonHeight = 375;
        return in;
    }
    static constexpr QRectF Icon{120, 120, 480, 480};
};

TEST_F(MsgLayoutTest, ShortMessageWithoutIconTakesTheWidthOfTheButtonRow)
{
    const MsgLayoutResult out = layoutMsg(box({600, 255}, {1200}));
    EXPECT_EQ(out.message, QPointF(120, 120));
    EXPECT_EQ(out.rowWidth, 1200);
    EXPECT_EQ(out.clientWidth, 1440); // the row and its margins beat 600 + 465
    // message bottom 375, +120 below it, +120 after the (absent) options
    EXPECT_EQ(out.clientHeight, 615 + 375 + 240);
    ASSERT_EQ(out.buttons.size(), 1u);
    EXPECT_EQ(out.buttons[0], QPointF(120, 735));
}

TEST_F(MsgLayoutTest, LongMessageWidensTheBoxAndTheRowIsCentredOnWholeTwips)
{
    const MsgLayoutResult out = layoutMsg(box({6000, 510}, {1200, 1200, 1200}));
    EXPECT_EQ(out.rowWidth, 3720);
    EXPECT_EQ(out.clientWidth, 6465);
    // 6465 \ 2 = 3232, not 3232.5
    ASSERT_EQ(out.buttons.size(), 3u);
    EXPECT_EQ(out.buttons[0], QPointF(1372, 990));
    EXPECT_EQ(out.buttons[1].x(), 2632);
    EXPECT_EQ(out.buttons[2].x(), 3892);
    EXPECT_EQ(out.clientHeight, 1485);
}

TEST_F(MsgLayoutTest, WideButtonRowWidensTheBox)
{
    const MsgLayoutResult out = layoutMsg(box({600, 255}, {3000, 2500}));
    EXPECT_EQ(out.clientWidth, 3000 + 2500 + 60 + 240);
    EXPECT_EQ(out.buttons[0].x(), 120);
    EXPECT_EQ(out.buttons[1].x(), 120 + 3000 + 60);
}

TEST_F(MsgLayoutTest, MessageShorterThanTheIconIsCentredOnIt)
{
    MsgLayoutInput in = box({900, 255}, {1200});
    in.hasIcon = true;
    in.icon = Icon;
    const MsgLayoutResult out = layoutMsg(in);
    EXPECT_EQ(out.message, QPointF(720, 120 + (480 - 255) / 2.0));
    EXPECT_EQ(out.clientWidth, 900 + 720 + 240);
    // The icon's bottom (600) sets the running bottom.
    EXPECT_EQ(out.clientHeight, 600 + 240 + 375 + 240);
    EXPECT_EQ(out.buttons[0].x(), 930 - 600);
}

TEST_F(MsgLayoutTest, MessageTallerThanTheIconIsTopAligned)
{
    MsgLayoutInput in = box({3000, 765}, {1200});
    in.hasIcon = true;
    in.icon = Icon;
    const MsgLayoutResult out = layoutMsg(in);
    EXPECT_EQ(out.message, QPointF(720, 120));
    EXPECT_EQ(out.clientHeight, 885 + 240 + 375 + 240);
}

TEST_F(MsgLayoutTest, OptionsAndCheckBoxStackBelowTheMessage)
{
    MsgLayoutInput in = box({600, 255}, {1200});
    in.contentWidth = 2001;
    in.optionHeights = {345, 345};
    in.checkShown = true;
    in.checkHeight = 345;
    MsgLayoutResult out = layoutMsg(in);
    EXPECT_EQ(out.clientWidth, 2481); // the content and its margins are the widest
    EXPECT_EQ(out.contentLeft, 1240 - 1000);
    EXPECT_EQ(out.optionTops, (std::vector<double>{495, 840}));
    EXPECT_EQ(out.check, QPointF(240, 1185 + 120));
    EXPECT_EQ(out.clientHeight, 1650 + 375 + 240);

    // Beside an icon the content column follows the message's left edge.
    in.hasIcon = true;
    in.icon = Icon;
    out = layoutMsg(in);
    EXPECT_EQ(out.contentLeft, 720);
    EXPECT_EQ(out.clientWidth, 720 + 2001 + 480);
}

TEST_F(MsgLayoutTest, InputLineSitsAboveTheButtonsAndCanWidenTheBox)
{
    MsgLayoutInput in = box({600, 255}, {1200});
    in.inputShown = true;
    in.inputLabel = {900, 255};
    in.inputBox = {2400, 300};
    const MsgLayoutResult out = layoutMsg(in);
    // The label is placed against the width before the input widens it.
    EXPECT_EQ(out.inputLabel, QPointF(1440 / 2.0 - 600, 615 + 4 * 15));
    EXPECT_EQ(out.inputBox, QPointF(120 + 900, 615));
    EXPECT_EQ(out.clientWidth, 900 + 2400 + 240);
    EXPECT_EQ(out.clientHeight, 915 + 375 + 240);
}

TEST_F(MsgLayoutTest, WithoutButtonsTheBoxEndsBelowTheContent)
{
    const MsgLayoutResult out = layoutMsg(box({600, 255}, {}));
    EXPECT_TRUE(out.buttons.empty());
    EXPECT_EQ(out.clientHeight, 615 + 120);
}

TEST_F(MsgLayoutTest, CentresTheOuterBoxOnTheScreenWithinTheWorkArea)
{
    EXPECT_EQ(centreOnScreen({3000, 1500}), QPointF(19200 / 2.0 - 1500, 15360 / 2.0 - 750));
    // A panel 40 pixels high along the top, one 30 pixels wide at the right.
    ScreenMetrics panels;
    panels.workArea = QRectF(0, 600, 19200 - 450, 15360 - 600);
    setScreenMetricsOverride(panels);
    EXPECT_EQ(centreOnScreen({3000, 1500}), QPointF(19200 / 2.0 - 1500, 15360 / 2.0 - 750));
    EXPECT_EQ(centreOnScreen({19000, 15000}), QPointF(0, 600)); // too large: its corner shows
    EXPECT_EQ(centreOnScreen({18600, 14000}), QPointF(19200 - 450 - 18600, 15360 / 2.0 - 7000));
}

TEST(WrapToWidth, LongLinesBreakWhereTheyMayAndNothingIsLost)
{
    // One unit per character, a surrogate pair counting once.
    const auto widthOf = [](const QString &piece) { return static_cast<double>(piece.toUcs4().size()); };
    const struct {
        const char *text;
        double width;
        const char *wrapped;
    } cases[] = {
        {"short\nlines", 10, "short\nlines"},
        {"/home/user/movies/clip.avi", 12, "/home/user/\nmovies/clip.\navi"},
        {"abcdefghijkl", 5, "abcde\nfghij\nkl"}, // no place to break: anywhere
        {"とても長い名前のファイル、二番目。", 8, "とても長い名前の\nファイル、\n二番目。"},
        {"a🎬🎬bc", 2, "a🎬\n🎬b\nc"}, // pairs stay whole
        {"x", 0, "x"},             // a line keeps a character
    };
    for (const auto &c : cases) {
        const QString wrapped = wrapToWidth(QString::fromUtf8(c.text), c.width, widthOf);
        EXPECT_EQ(wrapped, QString::fromUtf8(c.wrapped)) << c.text;
        for (const QString &line : wrapped.split('\n'))
            EXPECT_LE(static_cast<double>(line.toUcs4().size()), std::max(1.0, c.width)) << qPrintable(line);
        EXPECT_EQ(QString(wrapped).remove('\n'), QString::fromUtf8(c.text).remove('\n'));
    }
}

} // namespace
