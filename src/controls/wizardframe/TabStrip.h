#pragma once

#include <QColor>
#include <QTabWidget>

namespace OrvVelmora {

/// Our tab strip: tabs above a framed page. BackColor fills the pages and the
/// tabs not chosen; AccentColor marks the chosen tab (its top edge and
/// caption) and draws the page frame.
class TabStrip : public QTabWidget
{
    Q_OBJECT
public:
    explicit TabStrip(QWidget *parent = nullptr);
    ~TabStrip() override;

    /// Appends a tab with an empty page and returns the page.
    QWidget *addPage(const QString &caption);

    [[nodiscard]] QColor BackColor() const { return m_backColor; }
    void setBackColor(const QColor &color);
    [[nodiscard]] QColor AccentColor() const { return m_accentColor; }
    void setAccentColor(const QColor &color);

private:
    void applyColors();

    QColor m_backColor;
    QColor m_accentColor;
};

} // namespace OrvVelmora
