#pragma once

#include "editor/GradientPainter.h"

#include <QWidget>

class QLabel;

namespace OrvVelmora {

/// The editor's title strip: a gradient from the second colour at the bottom
/// edge toward the first at the top, and the caption label on it.
class TitleStrip : public QWidget
{
    Q_OBJECT
public:
    explicit TitleStrip(QWidget *parent = nullptr);
    ~TitleStrip() override;

    [[nodiscard]] QLabel *label() const { return m_label; }
    void setGradientColors(ColorValue first, ColorValue second);
    /// Places the caption label, in pixels from the strip's top-left corner.
    void setLabelOffset(const QPoint &offset);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeLabel();

    QLabel *m_label;
    GradientPainter m_gradient;
    ColorValue m_first;
    ColorValue m_second;
    QPoint m_labelOffset;
};

} // namespace OrvVelmora
