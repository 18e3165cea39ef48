#include "ui/node_list.h"

#include <QHeaderView>
#include <QSignalBlocker>

#include <cstdio>

namespace qlm::ui {
namespace {

QString hex16(uint16_t value) { return QString::asprintf("%04X", value); }

QString extendedText(uint64_t extended) {
    QString text;
    for (int byte = 7; byte >= 0; --byte)
        text += QString::asprintf("%02X", static_cast<unsigned>((extended >> (8 * byte)) & 0xFF));
    return text;
}

} // namespace

NodeList::NodeList(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(5);
    setHeaderLabels({QStringLiteral("Name"), QStringLiteral("PAN"), QStringLiteral("Add"),
                     QStringLiteral("LQI"), QStringLiteral("MAC")});
    const int widths[] = {50, 38, 38, 38, 120};
    for (int column = 0; column < 5; ++column)
        setColumnWidth(column, widths[column]);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAllColumnsShowFocus(true);
}

QStringList NodeList::rowTexts(const NodeTable& nodes, int32_t index) {
    const NodeEntry& entry = nodes.entry(index);
    const std::string& name = nodes.name(index);
    QStringList texts{QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                      QString(), QString(), QString(), QString()};
    if (entry.knows(kPanKnown))
        texts[1] = hex16(entry.pan);
    if (entry.knows(kShortKnown))
        texts[2] = hex16(entry.shortAddress);
    if (entry.knows(kLinkQualityKnown))
        texts[3] = QString::asprintf("%.2d%%", entry.linkQuality);
    if (entry.knows(kExtendedKnown))
        texts[4] = extendedText(entry.extended);
    return texts;
}

void NodeList::writeRow(const NodeTable& nodes, int32_t index) {
    QTreeWidgetItem* item = topLevelItem(index);
    const QStringList texts = rowTexts(nodes, index);
    for (int column = 0; column < texts.size(); ++column)
        if (item->text(column) != texts[column])
            item->setText(column, texts[column]);
    item->setSelected(nodes.entry(index).knows(kSelected));
}

void NodeList::apply(const NodeTable& nodes, const NodeRowChanges& changes) {
    // Blocks itemSelectionChanged only: the selection model still tells the view
    // which rows to repaint.
    const QSignalBlocker blocker(this);
    const int32_t count = nodes.count();
    while (topLevelItemCount() > count)
        delete takeTopLevelItem(topLevelItemCount() - 1);
    const int32_t firstNew = topLevelItemCount();
    while (topLevelItemCount() < count)
        addTopLevelItem(new QTreeWidgetItem(this));
    if (changes.any())
        for (int32_t row = std::max(0, changes.first); row <= changes.last && row < count; ++row)
            writeRow(nodes, row);
    for (int32_t row = firstNew; row < count; ++row)
        if (!changes.contains(row))
            writeRow(nodes, row);
}

void NodeList::rebuild(const NodeTable& nodes) {
    NodeRowChanges all;
    all.add(0);
    all.add(nodes.count() - 1);
    apply(nodes, all);
}

void NodeList::takeSelectionInto(NodeTable& nodes) const {
    for (int32_t row = 0; row < nodes.count() && row < topLevelItemCount(); ++row) {
        const bool selected = topLevelItem(row)->isSelected();
        if (selected != nodes.entry(row).knows(kSelected))
            nodes.setSelected(row, selected);
    }
}

} // namespace qlm::ui
