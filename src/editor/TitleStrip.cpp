#include "editor/TitleStrip.h"

#include <QLabel>

namespace OrvVelmora {

TitleStrip::TitleStrip(QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_label->setAttribute(Qt::WA_TranslucentBackground);
    // The host sets the title; it is shown as written.
    m_label->setTextFormat(Qt::PlainText);
}

TitleStrip::~TitleStrip() = default;

void TitleStrip::setGradientColors(ColorValue first, ColorValue second)
{
    m_first = first;
    m_second = second;
    update();
}

void TitleStrip::setLabelOffset(const QPoint &offset)
{
    m_labelOffset = offset;
    placeLabel();
}

void TitleStrip::paintEvent(QPaintEvent *)
{
    PaintDeviceSurface surface(*this);
    m_gradient.MakeGradient(surface, m_first, m_second, 1);
}

void TitleStrip::resizeEvent(QResizeEvent *)
{
    placeLabel();
}

void TitleStrip::placeLabel()
{
    m_label->setGeometry(m_labelOffset.x(), m_labelOffset.y(), qMax(0, width() - m_labelOffset.x()),
                         qMax(m_label->sizeHint().height(), height() - 2 * m_labelOffset.y()));
}

} // namespace OrvVelmora
