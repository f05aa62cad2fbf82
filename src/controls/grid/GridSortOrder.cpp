#include "controls/grid/GridSortOrder.h"

#include <algorithm>
#include <numeric>

namespace OrvVelmora {

namespace {

struct SortKey
{
    bool isNumber = false;
    double number = 0;
};

SortKey keyOf(const QString &text)
{
    SortKey key;
    key.number = text.trimmed().toDouble(&key.isNumber);
    return key;
}

int compareCells(const QString &a, const SortKey &ka, const QString &b, const SortKey &kb)
{
    if (ka.isNumber != kb.isNumber)
        return ka.isNumber ? -1 : 1;
    if (ka.isNumber && ka.number != kb.number)
        return ka.number < kb.number ? -1 : 1;
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded : a.compare(b, Qt::CaseSensitive);
}

} // namespace

QList<int> GridSortOrder::of(const QList<QString> &cells, bool descending)
{
    QList<SortKey> keys;
    keys.reserve(cells.size());
    for (const QString &cell : cells)
        keys.append(keyOf(cell));
    QList<int> order(cells.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compareCells(cells.at(a), keys.at(a), cells.at(b), keys.at(b));
        return descending ? c > 0 : c < 0;
    });
    return order;
}

} // namespace OrvVelmora
