#pragma once

#include "capture/node_table.h"

#include <QTreeWidget>

namespace qlm::ui {

// The node list of the control bar: one report row per node-table entry with
// its name, PAN identifier, short address, link quality and extended address,
// selected as the entry is. Only the rows a change touched are rewritten.
class NodeList : public QTreeWidget {
    Q_OBJECT
public:
    explicit NodeList(QWidget* parent = nullptr);

    // Brings the rows in line with the table: rows past its count go, the
    // changed rows and any new ones are written. Fires no selection signal.
    void apply(const NodeTable& nodes, const NodeRowChanges& changes);
    // Every row written again.
    void rebuild(const NodeTable& nodes);
    // The selection of each row, taken into the table's flags.
    void takeSelectionInto(NodeTable& nodes) const;

    // The texts of one row's cells, as they are shown.
    static QStringList rowTexts(const NodeTable& nodes, int32_t index);

private:
    void writeRow(const NodeTable& nodes, int32_t index);
};

} // namespace qlm::ui
