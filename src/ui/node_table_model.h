#pragma once

#include "capture/node_table.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace qlm::ui {

// The node table as rows of a report list: name, PAN identifier, short
// address, link quality and extended address of each entry. The texts are made
// when the view asks for a row, so only the rows on screen cost anything; the
// rows follow the table as its change reports say.
class NodeTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 5;

    explicit NodeTableModel(QObject* parent = nullptr);

    // Shows `nodes`: rows are added or removed at the end to match its count and
    // the changed rows are said to have changed. Another table than the one shown
    // is shown from scratch.
    void show(const NodeTable& nodes, const NodeRowChanges& changes);
    const NodeTable* nodes() const { return nodes_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The texts of one row's cells, as they are shown.
    static QStringList rowTexts(const NodeTable& nodes, int32_t index);

private:
    const NodeTable* nodes_ = nullptr;
    int32_t rows_ = 0;
};

} // namespace qlm::ui
