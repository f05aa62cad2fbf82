#pragma once

#include <QList>
#include <QString>

namespace OrvVelmora {

/// The order in which a click on a header puts the rows: cells that read as
/// numbers come first and compare by value (so customer number 9 comes before
/// 10), the others compare as text without regard to case, then with it.
/// Equal cells keep their relative order, so sorting by one column and then
/// another gives a stable nesting.
class GridSortOrder
{
public:
    /// The permutation: entry i is the old index of the row that goes to place i.
    [[nodiscard]] static QList<int> of(const QList<QString> &cells, bool descending);
};

} // namespace OrvVelmora
