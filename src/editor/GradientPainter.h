#pragma once

#include "controls/toolbar/ColorValue.h"

#include <QColor>
#include <QRect>

#include <memory>

class QPaintDevice;
class QPainter;

namespace OrvVelmora {

/// Where a gradient is painted: the colour depth of its display in bits, its
/// inner size in pixels, and filling a rectangle with a solid colour.
class GradientSurface
{
public:
    virtual ~GradientSurface();
    [[nodiscard]] virtual int colorDepth() const = 0;
    [[nodiscard]] virtual int pixelWidth() const = 0;
    [[nodiscard]] virtual int pixelHeight() const = 0;
    virtual void fillRect(const QRect &rect, const QColor &color) = 0;
};

/// A surface over any paint device, its depth taken from the device. Images
/// in the 5-5-5 format count as 15 bits, as the displays of that kind report
/// themselves; the widget a paint event is for reports its screen's depth.
class PaintDeviceSurface final : public GradientSurface
{
public:
    explicit PaintDeviceSurface(QPaintDevice &device);
    ~PaintDeviceSurface() override;
    [[nodiscard]] int colorDepth() const override;
    [[nodiscard]] int pixelWidth() const override;
    [[nodiscard]] int pixelHeight() const override;
    void fillRect(const QRect &rect, const QColor &color) override;

private:
    QPaintDevice &m_device;
    // Opened on the first fill and kept: one painter for all bands of a painting.
    std::unique_ptr<QPainter> m_painter;
};

/// Paints the title strip's colour gradient in bands, the way the title has
/// always looked: the number of bands follows the display's colour depth
/// (kept from the first painting on), every channel moves by a fixed step in
/// hundredths of a unit per band, and the first band painted is empty, so the
/// strip ends with one step of colour at the far edge.
class GradientPainter
{
public:
    /// direction 1 runs bottom to top; any other direction right to left.
    void MakeGradient(GradientSurface &surface, ColorValue first, ColorValue second, int direction);

    [[nodiscard]] int cachedDepth() const { return m_depth; }
    [[nodiscard]] int steps() const { return m_steps; }

private:
    void fillDepthCache(const GradientSurface &surface);

    int m_depth = 0;
    int m_steps = 0;
};

} // namespace OrvVelmora
