#include "platform/forms/FrameDrawing.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <gtest/gtest.h>

#include <map>

namespace {

// Four shades no palette would pick, so every pixel says which step drew it.
const QColor kHighlight(250, 10, 10);    // 3D highlight
const QColor kButtonShadow(10, 250, 10); // button shadow
const QColor kDarkShadow(10, 10, 250);   // 3D dark shadow
const QColor kLight(250, 250, 10);       // 3D light
const QColor kBackground(128, 128, 128);

class FrameDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = QGuiApplication::palette();
        QPalette palette = m_saved;
        palette.setColor(QPalette::Light, kHighlight);
        palette.setColor(QPalette::Dark, kButtonShadow);
        palette.setColor(QPalette::Shadow, kDarkShadow);
        palette.setColor(QPalette::Midlight, kLight);
        palette.setColor(QPalette::Mid, Qt::black); // must not be used
        QGuiApplication::setPalette(palette);
    }
    void TearDown() override { QGuiApplication::setPalette(m_saved); }

    static QImage blank()
    {
        QImage image(8, 7, QImage::Format_RGB32);
        image.fill(kBackground);
        return image;
    }

    /// The image as rows of letters: H highlight, S button shadow, D dark
    /// shadow, L light, '.' untouched, '?' anything else.
    static std::vector<std::string> map(const QImage &image)
    {
        const std::map<QRgb, char> letters{{kHighlight.rgb(), 'H'},
                                           {kButtonShadow.rgb(), 'S'},
                                           {kDarkShadow.rgb(), 'D'},
                                           {kLight.rgb(), 'L'},
                                           {kBackground.rgb(), '.'}};
        std::vector<std::string> rows;
        for (int y = 0; y < image.height(); ++y) {
            std::string row;
            for (int x = 0; x < image.width(); ++x) {
                const auto it = letters.find(image.pixel(x, y));
                row += it == letters.end() ? '?' : it->second;
            }
            rows.push_back(row);
        }
        return rows;
    }

    QPalette m_saved;
};

// A frame at pixel (1, 1) over 5 x 4 pixels covers columns 1..6 and rows 1..5.
const std::vector<std::string> kSunken{
    "........", //
    ".SSSSSH.", //
    ".SDDDDH.", //
    ".SD..DH.", //
    ".SDDDDH.", //
    ".HHHHHH.", //
    "........", //
};

const std::vector<std::string> kRaised{
    "........", //
    ".HHHHHD.", //
    ".HLLLSD.", //
    ".HL..SD.", //
    ".HSSSSD.", //
    ".DDDDDD.", //
    "........", //
};

// Different factors across and down catch a width converted with the height's
// factor (or the other way round); the painter and device overloads paint alike.
TEST_F(FrameDrawing, EdgesInTwipsWithEitherOverloadAndAnyFactors)
{
    using OnPainter = void (*)(QPainter &, float, float, float, float, const TwipsPerPixel &);
    using OnDevice = void (*)(QPaintDevice *, float, float, float, float, const TwipsPerPixel &);
    const struct {
        OnPainter onPainter;
        OnDevice onDevice;
        const std::vector<std::string> &expected;
    } frames[] = {{DrawSunkenFrame, DrawSunkenFrame, kSunken}, {DrawRaisedFrame, DrawRaisedFrame, kRaised}};
    for (const auto &frame : frames) {
        for (const TwipsPerPixel tpp : {TwipsPerPixel{15, 15}, TwipsPerPixel{12, 20}}) {
            const auto x = float(tpp.x), y = float(tpp.y);
            QImage viaPainter = blank();
            QPainter painter(&viaPainter);
            frame.onPainter(painter, x, y, 5 * x, 4 * y, tpp);
            painter.end();
            EXPECT_EQ(map(viaPainter), frame.expected) << tpp.x << "x" << tpp.y;

            QImage viaDevice = blank();
            frame.onDevice(&viaDevice, x, y, 5 * x, 4 * y, tpp);
            EXPECT_EQ(map(viaDevice), frame.expected) << tpp.x << "x" << tpp.y;
        }
    }
}

TEST_F(FrameDrawing, UnusableInputDrawsNothing)
{
    QImage image = blank();
    DrawSunkenFrame(&image, 15, 15, 75, 60, TwipsPerPixel{0, 15});
    DrawRaisedFrame(static_cast<QPaintDevice *>(nullptr), 15, 15, 75, 60, TwipsPerPixel{});
    EXPECT_EQ(map(image), map(blank()));
}

} // namespace
