#pragma once

#include "capture/node_table.h"
#include "ui/node_table_model.h"

#include <QTreeView>

#include <vector>

namespace qlm::ui {

// The node list of the control bar: a report view of the node table, one row per
// entry, selected as the entry is. The rows follow the table's change reports,
// and the selection the program makes is set in whole runs of rows, so a table
// of 65,535 entries costs no more than the rows on screen and a few ranges.
class NodeList : public QTreeView {
    Q_OBJECT
public:
    explicit NodeList(QWidget* parent = nullptr);

    // Brings the rows in line with the table: rows past its count go, new rows
    // come, the changed rows are shown again, and every new or changed row is
    // selected as its entry is. Fires no selectionEdited().
    void apply(const NodeTable& nodes, const NodeRowChanges& changes);
    // Every row shown and selected again.
    void rebuild(const NodeTable& nodes);
    // The selection of each row, taken into the table's flags (only the entries
    // whose flag differs are changed).
    void takeSelectionInto(NodeTable& nodes) const;

    int rowCount() const { return model_->rowCount(); }
    QString cellText(int row, int column) const;
    bool isRowSelected(int row) const;

signals:
    // The user changed the selection.
    void selectionEdited();

private:
    // The rows' selection from the table's flags, for rows first to last.
    void selectAsTheTable(const NodeTable& nodes, int32_t first, int32_t last);
    // Which of rows first to last are selected now, one flag per row.
    std::vector<bool> shownSelection(int32_t first, int32_t last) const;

    NodeTableModel* model_;
};

} // namespace qlm::ui
