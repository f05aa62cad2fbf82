#include "editor/GradientPainter.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace OrvVelmora {

namespace {

/// Nearest whole number, ties to the even neighbour.
int roundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0))
        return int(lower) + 1;
    return int(lower);
}

int floorInt(double value)
{
    return int(std::floor(value));
}

/// A brush colour takes channels above 255 as 255.
QColor brushColor(int red, int green, int blue)
{
    return QColor(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
}

using Channels = std::array<qint16, 3>;

Channels channelsOf(ColorValue color)
{
    return {qint16(color.red()), qint16(color.green()), qint16(color.blue())};
}

} // namespace

GradientSurface::~GradientSurface() = default;

PaintDeviceSurface::PaintDeviceSurface(QPaintDevice &device)
    : m_device(device)
{
}

PaintDeviceSurface::~PaintDeviceSurface() = default;

int PaintDeviceSurface::colorDepth() const
{
    if (m_device.devType() == QInternal::Image &&
        static_cast<const QImage &>(m_device).format() == QImage::Format_RGB555)
        return 15;
    return m_device.depth();
}

int PaintDeviceSurface::pixelWidth() const
{
    return m_device.width();
}

int PaintDeviceSurface::pixelHeight() const
{
    return m_device.height();
}

void PaintDeviceSurface::fillRect(const QRect &rect, const QColor &color)
{
    if (rect.isEmpty())
        return;
    if (!m_painter)
        m_painter = std::make_unique<QPainter>(&m_device);
    m_painter->fillRect(rect, color);
}

void GradientPainter::fillDepthCache(const GradientSurface &surface)
{
    m_depth = surface.colorDepth();
    switch (m_depth) {
    case 4:
    case 8: m_steps = 64; break;
    case 15: m_steps = 32; break;
    case 16:
    case 24:
    case 32: m_steps = 256; break;
    default: m_depth = 4; m_steps = 64;
    }
}

void GradientPainter::MakeGradient(GradientSurface &surface, ColorValue first, ColorValue second, int direction)
{
    if (m_depth == 0)
        fillDepthCache(surface);
    const int n = m_steps;
    const int height = surface.pixelHeight();
    const int width = surface.pixelWidth();
    const Channels from = channelsOf(first);
    Channels current = channelsOf(second);
    Channels step{};
    for (int c = 0; c < 3; ++c) {
        step[c] = qint16(floorInt(double(from[c] - current[c] + 1) / n * 100));
        current[c] = qint16(current[c] * 100);
    }
    const int bandHeight = floorInt(double(height) / n * 100);
    const int bandWidth = floorInt(double(width) / n * 100);
    // Edges are kept as left, top, right, bottom: QRect's inclusive corners
    // would be off by one against the exclusive right and bottom edges.
    int left = 0, top = 0, right = width, bottom = height;
    for (int i = 0; i < n; ++i) {
        const QColor color = brushColor(roundHalfEven(current[0] / 100.0), roundHalfEven(current[1] / 100.0),
                                        roundHalfEven(current[2] / 100.0));
        if (direction == 1) {
            top = roundHalfEven(height - double(i) * bandHeight / 100);
            surface.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), color);
            bottom = top;
        } else {
            left = roundHalfEven(width - double(i) * bandWidth / 100);
            surface.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), color);
            right = left;
        }
        if (i < n - 1) {
            for (int c = 0; c < 3; ++c)
                current[c] = qint16(current[c] + step[c]);
        }
    }
    surface.fillRect(
        QRect(QPoint(0, 0), QPoint(right - 1, bottom - 1)),
        brushColor(floorInt(current[0] / 100.0), floorInt(current[1] / 100.0), floorInt(current[2] / 100.0)));
}

} // namespace OrvVelmora
