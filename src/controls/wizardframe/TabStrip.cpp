#include "controls/wizardframe/TabStrip.h"

#include "controls/wizardframe/FramePalette.h"

namespace OrvVelmora {

TabStrip::TabStrip(QWidget *parent)
    : QTabWidget(parent)
    , m_backColor(FramePalette::back())
    , m_accentColor(FramePalette::accent())
{
    setDocumentMode(false);
    applyColors();
}

TabStrip::~TabStrip() = default;

QWidget *TabStrip::addPage(const QString &caption)
{
    auto *page = new QWidget(this);
    page->setObjectName(QStringLiteral("tabStripPage"));
    addTab(page, caption);
    return page;
}

void TabStrip::setBackColor(const QColor &color)
{
    m_backColor = color;
    applyColors();
}

void TabStrip::setAccentColor(const QColor &color)
{
    m_accentColor = color;
    applyColors();
}

void TabStrip::applyColors()
{
    setStyleSheet(
        QStringLiteral(
            "QTabWidget::pane { background: %1; border: 1px solid %2; border-radius: 3px; top: -1px; }"
            " QWidget#tabStripPage { background: %1; }"
            " QTabBar::tab { background: %3; color: %4; border: 1px solid %5; border-bottom: none;"
            " padding: 6px 16px; margin-right: 2px; border-top-left-radius: 3px; border-top-right-radius: 3px; }"
            " QTabBar::tab:selected { background: %1; color: %2; border-top: 3px solid %2;"
            " font-weight: 600; }")
            .arg(m_backColor.name(), m_accentColor.name(), m_backColor.darker(106).name(),
                 m_accentColor.darker(130).name(), m_backColor.darker(118).name()));
}

} // namespace OrvVelmora
