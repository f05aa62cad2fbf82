// The title gradient, read back pixel by pixel from images of known size on
// displays of known colour depth.
#include "editor/GradientPainter.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace OrvVelmora;

namespace {

/// An RGB32 image standing for a display of the given depth; counts the
/// fills that paint at least one pixel.
class ImageSurface final : public GradientSurface
{
public:
    ImageSurface(int width, int height, int depth)
        : image(width, height, QImage::Format_RGB32)
        , m_depth(depth)
    {
        image.fill(QColor(1, 2, 3));
    }
    int colorDepth() const override { return m_depth; }
    int pixelWidth() const override { return image.width(); }
    int pixelHeight() const override { return image.height(); }
    void fillRect(const QRect &rect, const QColor &color) override
    {
        if (rect.isEmpty())
            return;
        ++paintingFills;
        QPainter(&image).fillRect(rect, color);
    }
    int red(int x, int y) const { return qRed(image.pixel(x, y)); }

    QImage image;
    int paintingFills = 0;

private:
    int m_depth;
};

struct PixelCase
{
    const char *name;
    int depth;
    int width, height;
    quint32 first, second;
    int direction;
    int expectedSteps;
    // (x, y, red) read back
    std::vector<std::array<int, 3>> redAt;
};

// Each strip is as long as the steps it gets, so every band is one pixel.
const PixelCase kCases[] = {
    // 15 bits: 32 steps; equal black colours still step 3 hundredths per band.
    {"15bitEqualBlack", 15, 4, 32, 0, 0, 1, 32, {{0, 31, 0}, {0, 16, 0}, {0, 15, 1}, {0, 1, 1}, {0, 0, 0}}},
    // 8 bits: 64 steps of 1 hundredth; 0.5 rounds to the even 0, 0.51 to 1.
    {"8bitTieToEven", 8, 2, 64, 0, 0, 1, 64, {{0, 15, 0}, {0, 14, 0}, {0, 13, 1}, {0, 0, 0}}},
    {"4bit", 4, 2, 64, 0, 0, 1, 64, {{0, 13, 1}, {0, 14, 0}}},
    // 24 bits: 256 steps of a whole unit from 0 at the bottom toward 255 at the top.
    {"24bitBlackToRed", 24, 2, 256, 0xFF, 0, 1, 256, {{1, 255, 1}, {1, 128, 128}, {1, 1, 255}, {1, 0, 255}}},
    {"16bit", 16, 2, 256, 0xFF, 0, 1, 256, {{0, 200, 56}}},
    {"32bit", 32, 2, 256, 0xFF, 0, 1, 256, {{0, 100, 156}}},
    // Any other depth counts as 4 bits with 64 steps.
    {"12bitAs4", 12, 2, 64, 0, 0, 1, 64, {{0, 13, 1}, {0, 14, 0}}},
    {"1bitAs4", 1, 2, 64, 0, 0, 1, 64, {{0, 13, 1}}},
    // Other directions run from the right edge toward the left.
    {"15bitSideways", 15, 32, 3, 0, 0, 2, 32, {{31, 1, 0}, {16, 1, 0}, {15, 1, 1}, {0, 1, 0}}},
    // A system-colour code splits like a number: red 5.
    {"SystemCodeUntranslated", 15, 2, 32, 0x80000005u, 0x80000005u, 1, 32, {{0, 31, 5}, {0, 1, 6}, {0, 0, 5}}},
    // White stepping past 255 stays white instead of wrapping to black.
    {"WhiteStaysWhite", 15, 2, 32, 0xFFFFFF, 0xFFFFFF, 1, 32, {{0, 31, 255}, {0, 1, 255}, {0, 0, 255}}},
};

class GradientPixels : public ::testing::TestWithParam<PixelCase>
{
};

TEST_P(GradientPixels, BandsHaveTheirColours)
{
    const PixelCase &c = GetParam();
    ImageSurface surface(c.width, c.height, c.depth);
    GradientPainter painter;
    painter.MakeGradient(surface, c.first, c.second, c.direction);
    EXPECT_EQ(painter.steps(), c.expectedSteps);
    for (const auto &[x, y, red] : c.redAt)
        EXPECT_EQ(surface.red(x, y), red) << "at " << x << "," << y;
    // Nothing of the image's old content is left.
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            ASSERT_NE(surface.image.pixel(x, y), QColor(1, 2, 3).rgb()) << "unpainted " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Depths, GradientPixels, ::testing::ValuesIn(kCases),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(GradientPainter, GreenAndBlueStepOnTheirOwn)
{
    ImageSurface surface(2, 256, 32);
    GradientPainter().MakeGradient(surface, 0xFF0000, 0x00FF00, 1);
    // Blue rises one unit per band, green falls one unit per band.
    EXPECT_EQ(surface.image.pixelColor(0, 255), QColor(0, 254, 1));
    EXPECT_EQ(surface.image.pixelColor(0, 1), QColor(0, 0, 255));
}

TEST(GradientPainter, StripOfHeightZeroPaintsNothing)
{
    for (int direction : {1, 2}) {
        ImageSurface surface(40, 0, 32);
        GradientPainter().MakeGradient(surface, 0xFF, 0xFF00, direction);
        EXPECT_EQ(surface.paintingFills, 0) << "direction " << direction;
    }
}

TEST(GradientPainter, KeepsTheDepthOfItsFirstPainting)
{
    GradientPainter painter;
    ImageSurface fifteen(2, 32, 15);
    painter.MakeGradient(fifteen, 0, 0, 1);
    ImageSurface twentyFour(2, 32, 24);
    painter.MakeGradient(twentyFour, 0, 0, 1);
    EXPECT_EQ(painter.cachedDepth(), 15);
    EXPECT_EQ(twentyFour.image, fifteen.image);
}

TEST(GradientPainter, PaintDevicesReportTheirDepth)
{
    const struct
    {
        QImage::Format format;
        int steps;
    } formats[] = {{QImage::Format_RGB555, 32},
                   {QImage::Format_RGB16, 256},
                   {QImage::Format_RGB32, 256},
                   {QImage::Format_RGB888, 256}};
    for (const auto &[format, steps] : formats) {
        QImage image(3, 40, format);
        GradientPainter painter;
        {
            PaintDeviceSurface surface(image);
            painter.MakeGradient(surface, 0xFFFFFF, 0x000000, 1);
        }
        EXPECT_EQ(painter.steps(), steps) << "format " << format;
        EXPECT_GT(qGray(image.pixel(1, 0)), 200);
        EXPECT_LT(qGray(image.pixel(1, 39)), 50);
    }
}

} // namespace
