#pragma once

#include <QColor>
#include <QFrame>

namespace OrvVelmora {

/// Our panel: a framed area with rounded corners that groups controls.
/// BackColor fills it, BorderColor draws its frame; the controls inside keep
/// their own look.
class Panel : public QFrame
{
    Q_OBJECT
public:
    explicit Panel(QWidget *parent = nullptr);
    ~Panel() override;

    [[nodiscard]] QColor BackColor() const { return m_backColor; }
    void setBackColor(const QColor &color);
    [[nodiscard]] QColor BorderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color);

private:
    void applyColors();

    QColor m_backColor;
    QColor m_borderColor;
};

} // namespace OrvVelmora
