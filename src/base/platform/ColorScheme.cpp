#include <OrvVelmora/ColorScheme.h>

#include <QAbstractItemView>
#include <QHeaderView>
#include <QTableView>
#include <QWidget>

namespace OrvVelmora {

ColorScheme::ColorScheme()
    : m_colors{QColor(0x1f, 0x3a, 0x5f), // 1: deep slate blue text and accents
               QColor(0xff, 0xff, 0xff), // 2: white workspace
               QColor(0xc9, 0xd6, 0xe3), // 3: soft blue-grey frames and headers
               QColor(0xf4, 0xf6, 0xf9), // 4: very light window background
               QColor(0x2e, 0x6d, 0xa4)} // 5: calm blue for title strips
{
}

ColorScheme::~ColorScheme() = default;

void ColorScheme::setSchemeColor(int index, const QColor &color)
{
    if (index >= 1 && index <= 5)
        m_colors[index - 1] = color;
}

void ColorScheme::StyleGrid(QAbstractItemView *grid) const
{
    if (!grid)
        return;
    grid->setAlternatingRowColors(true);
    grid->setStyleSheet(QStringLiteral("QAbstractItemView { background: %1; alternate-background-color: %2; color: %3;"
                                       " gridline-color: %4; selection-background-color: %5; selection-color: %1;"
                                       " border: 1px solid %4; }"
                                       "QHeaderView::section { background: %4; color: %3; border: none;"
                                       " border-right: 1px solid %2; padding: 4px 6px; font-weight: 600; }")
                            .arg(SchemeColor2().name(), SchemeColor4().name(), SchemeColor1().name(),
                                 SchemeColor3().name(), SchemeColor5().name()));
    if (auto *table = qobject_cast<QTableView *>(grid))
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
}

void ColorScheme::StyleTextField(QWidget *field, int styleCode, bool emphasize) const
{
    if (!field)
        return;
    const QString border = emphasize ? SchemeColor5().name() : SchemeColor3().name();
    const int width = styleCode == 3 ? 1 : 0;
    field->setStyleSheet(
        QStringLiteral("background: %1; color: %2; border: %3px solid %4; border-radius: 3px; padding: 3px 5px;")
            .arg(SchemeColor2().name(), SchemeColor1().name())
            .arg(width)
            .arg(border));
}

} // namespace OrvVelmora
