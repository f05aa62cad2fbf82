#pragma once

#include <QString>

namespace OrvVelmora {

class GridComponent;

/// One column of a grid, reached by position (1-based). It stays usable while
/// the grid keeps a column at that position; on a missing column the readers
/// return empty values and the writers do nothing.
class GridColumn
{
public:
    GridColumn(GridComponent *grid, int position);

    [[nodiscard]] bool isValid() const;
    [[nodiscard]] int position() const { return m_position; }
    [[nodiscard]] QString key() const;
    [[nodiscard]] QString caption() const;
    void setCaption(const QString &caption);
    /// Width in pixels.
    [[nodiscard]] int width() const;
    void setWidth(int width);
    /// Lets the column take all width the grid has left; the attachment grid
    /// has one column and wants it to span the whole grid.
    void stretch();

private:
    GridComponent *m_grid;
    int m_position;
};

} // namespace OrvVelmora
