#include "player/AppIcon.h"
#include "player/TransportPictures.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage imageOf(int index, qreal ratio = 1)
{
    return transportPicture(index, TransportPictureSize, ratio)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Transport indexes by command: the index order is not the visual order.
constexpr int FastBackward = 0, Play = 1, StepBack = 2, Pause = 3, StepForward = 4, Stop = 5, BackPlay = 6,
              FastForward = 7;

int blackInColumn(const QImage &image, int x)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        n += image.pixel(x, y) == qRgb(0, 0, 0);
    return n;
}

TEST(TransportPictures, GlyphsSitInsideTheGreyFaceAndAllDiffer)
{
    for (int i = 0; i < 8; ++i) {
        const QImage image = imageOf(i);
        ASSERT_EQ(image.size(), QSize(19, 10)) << i;
        for (int x = 0; x < 19; ++x) {
            EXPECT_EQ(image.pixel(x, 0), qRgb(192, 192, 192)) << i;
            EXPECT_EQ(image.pixel(x, 9), qRgb(192, 192, 192)) << i;
        }
        int black = 0;
        for (int x = 0; x < 19; ++x)
            black += blackInColumn(image, x);
        EXPECT_GT(black, 10) << i;
        for (int j = 0; j < i; ++j)
            EXPECT_NE(image, imageOf(j)) << i << " and " << j;
    }
}

TEST(TransportPictures, OpposingCommandsAreMirrorImages)
{
    EXPECT_EQ(imageOf(FastBackward).mirrored(true, false), imageOf(FastForward));
    EXPECT_EQ(imageOf(BackPlay).mirrored(true, false), imageOf(Play));
    EXPECT_EQ(imageOf(StepBack).mirrored(true, false), imageOf(StepForward));
    // Symmetric shapes are centred.
    EXPECT_EQ(imageOf(Stop).mirrored(true, false), imageOf(Stop));
    EXPECT_EQ(imageOf(Pause).mirrored(true, false), imageOf(Pause));
}

TEST(TransportPictures, PlayPointsRight)
{
    const QImage play = imageOf(Play);
    int first = 0, last = 18;
    while (blackInColumn(play, first) == 0)
        ++first;
    while (blackInColumn(play, last) == 0)
        --last;
    EXPECT_GT(blackInColumn(play, first), blackInColumn(play, last));
    EXPECT_EQ(blackInColumn(play, last), 1); // a sharp tip
}

TEST(TransportPictures, HighDensityRenderingsHaveTheirDevicePixels)
{
    const QPixmap twice = transportPicture(Play, TransportPictureSize, 2);
    EXPECT_EQ(twice.size(), QSize(38, 20));
    EXPECT_EQ(twice.deviceIndependentSize(), QSizeF(19, 10));
    const QIcon icon = transportIcon(Play);
    EXPECT_EQ(icon.pixmap(TransportPictureSize, 2.0).size(), QSize(38, 20));
}

TEST(SpeakerPictures, MutedIsTheSpeakerStruckThrough)
{
    const QImage on = speakerPicture(false).toImage();
    const QImage off = speakerPicture(true).toImage();
    ASSERT_EQ(on.size(), QSize(16, 16));
    EXPECT_EQ(qAlpha(on.pixel(15, 0)), 0); // transparent around the speaker
    EXPECT_EQ(qAlpha(on.pixel(14, 14)), 0);
    EXPECT_GT(qAlpha(off.pixel(14, 14)), 128); // the stroke's lower end
    EXPECT_GT(qAlpha(on.pixel(3, 8)), 128);    // the speaker's box in both
    EXPECT_GT(qAlpha(off.pixel(2, 8)), 128);
}

TEST(AppIcon, EverySizeIsARoundedTile)
{
    const QIcon icon = appIcon();
    for (const int size : {16, 32, 48, 256}) {
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
    }
}

} // namespace
