#include "ui/node_list.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalBlocker>

#include <algorithm>
#include <vector>

namespace qlm::ui {

NodeList::NodeList(QWidget* parent) : QTreeView(parent), model_(new NodeTableModel(this)) {
    setModel(model_);
    const int widths[NodeTableModel::kColumnCount] = {50, 38, 38, 38, 120};
    for (int column = 0; column < NodeTableModel::kColumnCount; ++column)
        header()->resizeSection(column, widths[column]);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit selectionEdited(); });
}

void NodeList::apply(const NodeTable& nodes, const NodeRowChanges& changes) {
    // Blocks selectionEdited only: the selection model still tells the view which
    // rows to repaint.
    const QSignalBlocker blocker(this);
    const bool sameTable = model_->nodes() == &nodes;
    const int32_t rowsBefore = sameTable ? model_->rowCount() : 0;
    model_->show(nodes, changes);
    // The rows whose selection may be out of step: the new ones and the changed.
    int32_t first = rowsBefore;
    int32_t last = nodes.count() - 1;
    if (changes.any()) {
        const int32_t changedLast = std::min(changes.last, last);
        if (first > last)
            last = changedLast;
        first = std::min(first, changes.first);
    }
    if (first <= last)
        selectAsTheTable(nodes, first, last);
}

void NodeList::rebuild(const NodeTable& nodes) {
    NodeRowChanges all;
    all.add(0);
    all.add(nodes.count() - 1);
    apply(nodes, all);
}

std::vector<bool> NodeList::shownSelection(int32_t first, int32_t last) const {
    std::vector<bool> shown(static_cast<size_t>(last - first + 1), false);
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        const int32_t from = std::max(range.top(), first);
        const int32_t to = std::min(range.bottom(), last);
        for (int32_t row = from; row <= to; ++row)
            shown[static_cast<size_t>(row - first)] = true;
    }
    return shown;
}

void NodeList::selectAsTheTable(const NodeTable& nodes, int32_t first, int32_t last) {
    const std::vector<bool> shown = shownSelection(first, last);
    QItemSelection select;
    QItemSelection deselect;
    const int32_t lastColumn = NodeTableModel::kColumnCount - 1;
    for (int32_t row = first; row <= last;) {
        const bool wanted = nodes.entry(row).knows(kSelected);
        if (wanted == shown[static_cast<size_t>(row - first)]) {
            ++row;
            continue;
        }
        int32_t end = row;  // a run of rows to change the same way
        while (end < last && nodes.entry(end + 1).knows(kSelected) == wanted &&
               shown[static_cast<size_t>(end + 1 - first)] != wanted)
            ++end;
        (wanted ? select : deselect)
            .append(QItemSelectionRange(model_->index(row, 0), model_->index(end, lastColumn)));
        row = end + 1;
    }
    if (!deselect.isEmpty())
        selectionModel()->select(deselect, QItemSelectionModel::Deselect);
    if (!select.isEmpty())
        selectionModel()->select(select, QItemSelectionModel::Select);
}

void NodeList::takeSelectionInto(NodeTable& nodes) const {
    const int32_t count = std::min<int32_t>(nodes.count(), model_->rowCount());
    if (count == 0)
        return;
    const std::vector<bool> shown = shownSelection(0, count - 1);
    for (int32_t row = 0; row < count; ++row)
        if (shown[static_cast<size_t>(row)] != nodes.entry(row).knows(kSelected))
            nodes.setSelected(row, shown[static_cast<size_t>(row)]);
}

QString NodeList::cellText(int row, int column) const {
    return model_->index(row, column).data().toString();
}

bool NodeList::isRowSelected(int row) const { return selectionModel()->isRowSelected(row, {}); }

} // namespace qlm::ui
