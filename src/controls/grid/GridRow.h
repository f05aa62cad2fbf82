#pragma once

#include <QString>

#include <optional>

namespace OrvVelmora {

class GridComponent;

/// One row of a grid, reached by number (1-based, in the order shown).
/// Numbers shift when rows are removed or the grid is sorted; take a new
/// handle after such changes.
class GridRow
{
public:
    GridRow(GridComponent *grid, int number);

    [[nodiscard]] bool isValid() const;
    [[nodiscard]] int number() const { return m_number; }
    /// False when the row or a column with that key does not exist.
    bool setCell(const QString &key, const QString &text);
    [[nodiscard]] std::optional<QString> cell(const QString &key) const;
    /// The check mark shown in the first cell when the grid has check boxes.
    [[nodiscard]] bool checked() const;
    void setChecked(bool checked);

private:
    GridComponent *m_grid;
    int m_number;
};

} // namespace OrvVelmora
