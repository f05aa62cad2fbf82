#pragma once

#include <OrvVelmora/Export.h>

#include <QColor>

class QAbstractItemView;
class QWidget;

namespace OrvVelmora {

/// The colour scheme of the component's windows.
///
/// Five colours carry the whole look: SchemeColor1 is the text and accent colour,
/// SchemeColor2 the light workspace, SchemeColor3 the mid tone for frames and
/// headers, SchemeColor4 the window background and SchemeColor5 the strong
/// accent of title strips. The forms decide which colour goes to which control;
/// the scheme itself only offers the colours and two styling operations.
/// A host may derive from it or simply set other colours before ShowDialog.
class ORVVELMORA_EXPORT ColorScheme
{
public:
    ColorScheme();
    virtual ~ColorScheme();

    QColor SchemeColor1() const { return m_colors[0]; }
    QColor SchemeColor2() const { return m_colors[1]; }
    QColor SchemeColor3() const { return m_colors[2]; }
    QColor SchemeColor4() const { return m_colors[3]; }
    QColor SchemeColor5() const { return m_colors[4]; }
    /// index 1..5; out-of-range indexes are ignored
    void setSchemeColor(int index, const QColor &color);

    /// Gives one grid (any item view) the scheme's header, grid line and selection colours.
    virtual void StyleGrid(QAbstractItemView *grid) const;
    /// Styles one text field. styleCode 3 is the framed entry field used by the forms;
    /// other codes give a flat field. With emphasize on, the field gets the accent frame.
    virtual void StyleTextField(QWidget *field, int styleCode, bool emphasize) const;

private:
    QColor m_colors[5];
};

} // namespace OrvVelmora
