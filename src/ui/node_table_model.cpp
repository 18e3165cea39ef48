#include "ui/node_table_model.h"

#include <algorithm>

namespace qlm::ui {
namespace {

QString hex16(uint16_t value) { return QString::asprintf("%04X", value); }

QString extendedText(uint64_t extended) {
    return QString::asprintf("%016llX", static_cast<unsigned long long>(extended));
}

QString cellText(const NodeTable& nodes, int32_t index, int column) {
    const NodeEntry& entry = nodes.entry(index);
    switch (column) {
    case 0: {
        const std::string& name = nodes.name(index);
        return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    case 1:
        return entry.knows(kPanKnown) ? hex16(entry.pan) : QString();
    case 2:
        return entry.knows(kShortKnown) ? hex16(entry.shortAddress) : QString();
    case 3:
        return entry.knows(kLinkQualityKnown) ? QString::asprintf("%.2d%%", entry.linkQuality)
                                              : QString();
    case 4:
        return entry.knows(kExtendedKnown) ? extendedText(entry.extended) : QString();
    default:
        return {};
    }
}

} // namespace

NodeTableModel::NodeTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void NodeTableModel::show(const NodeTable& nodes, const NodeRowChanges& changes) {
    if (nodes_ != &nodes) {
        beginResetModel();
        nodes_ = &nodes;
        rows_ = nodes.count();
        endResetModel();
        return;
    }
    const int32_t count = nodes.count();
    if (count < rows_) {
        beginRemoveRows({}, count, rows_ - 1);
        rows_ = count;
        endRemoveRows();
    } else if (count > rows_) {
        beginInsertRows({}, rows_, count - 1);
        rows_ = count;
        endInsertRows();
    }
    if (changes.any() && changes.first < rows_)
        emit dataChanged(index(changes.first, 0),
                         index(std::min(changes.last, rows_ - 1), kColumnCount - 1));
}

int NodeTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int NodeTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant NodeTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || nodes_ == nullptr || !index.isValid() ||
        index.row() >= std::min(rows_, nodes_->count()))
        return {};
    return cellText(*nodes_, index.row(), index.column());
}

QVariant NodeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kTitles[kColumnCount] = {"Name", "PAN", "Add", "LQI", "MAC"};
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= kColumnCount)
        return {};
    return QString::fromLatin1(kTitles[section]);
}

QStringList NodeTableModel::rowTexts(const NodeTable& nodes, int32_t index) {
    QStringList texts;
    for (int column = 0; column < kColumnCount; ++column)
        texts << cellText(nodes, index, column);
    return texts;
}

} // namespace qlm::ui
