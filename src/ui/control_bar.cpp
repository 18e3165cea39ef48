#include "ui/control_bar.h"

#include "capture/frame_class_filter.h"
#include "dissect/field_column.h"
#include "ui/node_list.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace qlm::ui {
namespace {

QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QListWidget* multiSelectionList(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    return list;
}

} // namespace

void PresetButton::showState(PresetState state) {
    switch (presetLook(state)) {
    case PresetLook::kUnchecked: setCheckState(Qt::Unchecked); break;
    case PresetLook::kChecked: setCheckState(Qt::Checked); break;
    case PresetLook::kIndeterminate: setCheckState(Qt::PartiallyChecked); break;
    }
}

ControlBar::ControlBar(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);

    auto* portBox = new QGroupBox(QStringLiteral("Port / Channel Select"), this);
    auto* portLayout = new QVBoxLayout(portBox);
    scan = new QPushButton(QStringLiteral("Scan"), portBox);
    ports = new QComboBox(portBox);
    portLayout->addWidget(ports);
    portLayout->addWidget(scan);
    layout->addWidget(portBox);

    auto* fieldBox = new QGroupBox(QStringLiteral("Field Select"), this);
    auto* fieldLayout = new QVBoxLayout(fieldBox);
    fieldGroups = new QComboBox(fieldBox);
    for (int group = 0; group < kLayerCount; ++group)
        fieldGroups->addItem(latin1(layerGroupTitle(static_cast<Layer>(group))));
    fields = multiSelectionList(fieldBox);
    fields->setMinimumHeight(90);
    auto* presetBox = new QGroupBox(QStringLiteral("Presets"), fieldBox);
    auto* presetLayout = new QGridLayout(presetBox);
    const char* presetNames[kPresetCount] = {"PHY", "MAC", "NWK", "APL", "AF", "ZDO", "ZCL"};
    for (int p = 0; p < kPresetCount; ++p) {
        presets[static_cast<size_t>(p)] = new PresetButton(QString::fromLatin1(presetNames[p]),
                                                           presetBox);
        presetLayout->addWidget(presets[static_cast<size_t>(p)], p / 3, p % 3);
    }
    fieldLayout->addWidget(fieldGroups);
    fieldLayout->addWidget(fields, 1);
    fieldLayout->addWidget(presetBox);
    layout->addWidget(fieldBox, 1);

    auto* frameBox = new QGroupBox(QStringLiteral("Frame Select"), this);
    auto* frameLayout = new QVBoxLayout(frameBox);
    frameClasses = multiSelectionList(frameBox);
    for (const char* name : FrameClassFilter::kEntryNames)
        frameClasses->addItem(QString::fromLatin1(name));
    frameClasses->setMaximumHeight(frameClasses->sizeHintForRow(0) * 6 + 6);
    nodes = new NodeList(frameBox);
    nodes->setMinimumHeight(110);
    auto* nodeButtons = new QHBoxLayout;
    all = new QPushButton(QStringLiteral("All"), frameBox);
    renameDisabled = new QPushButton(QStringLiteral("Rename..."), frameBox);
    renameDisabled->setEnabled(false);
    rename = new QPushButton(QStringLiteral("Rename..."), frameBox);
    rename->hide();
    clearPrevious = new QPushButton(QStringLiteral("Clear Previous"), frameBox);
    nodeButtons->addWidget(all);
    nodeButtons->addWidget(renameDisabled);
    nodeButtons->addWidget(rename);
    frameLayout->addWidget(frameClasses);
    frameLayout->addWidget(nodes, 1);
    frameLayout->addLayout(nodeButtons);
    frameLayout->addWidget(clearPrevious);
    layout->addWidget(frameBox, 2);

    auto* statisticsBox = new QGroupBox(QStringLiteral("Statistics"), this);
    auto* statisticsLayout = new QVBoxLayout(statisticsBox);
    packets = new QLabel(QStringLiteral("0 packets"), statisticsBox);
    errors = new QLabel(QStringLiteral("0 errors"), statisticsBox);
    errorRate = new QLabel(QStringLiteral("0.000% error rate"), statisticsBox);
    for (QLabel* label : {packets, errors, errorRate})
        statisticsLayout->addWidget(label);
    layout->addWidget(statisticsBox);
    setMinimumWidth(230);
}

void ControlBar::showFieldSelection(const FieldSelection& selection) {
    const QSignalBlocker groupBlocker(fieldGroups);
    const QSignalBlocker fieldBlocker(fields);
    fieldGroups->setCurrentIndex(static_cast<int>(selection.shownGroup()));
    fields->clear();
    for (const FieldColumnInfo& info : columnsOfLayer(selection.shownGroup())) {
        fields->addItem(latin1(info.name));
        fields->item(fields->count() - 1)->setSelected(selection.columns().visible(info.column));
    }
}

void ControlBar::showFrameClasses(const std::array<bool, 6>& selected) {
    const QSignalBlocker blocker(frameClasses);
    for (int i = 0; i < frameClasses->count(); ++i)
        frameClasses->item(i)->setSelected(selected[static_cast<size_t>(i)]);
}

void ControlBar::showPresets(const FieldSelection& selection) {
    for (int p = 0; p < kPresetCount; ++p) {
        const QSignalBlocker blocker(presets[static_cast<size_t>(p)]);
        presets[static_cast<size_t>(p)]->showState(selection.state(static_cast<Preset>(p)));
    }
}

std::vector<bool> ControlBar::fieldListSelection() const {
    std::vector<bool> selected;
    for (int i = 0; i < fields->count(); ++i)
        selected.push_back(fields->item(i)->isSelected());
    return selected;
}

std::array<bool, 6> ControlBar::frameClassSelection() const {
    std::array<bool, 6> selected{};
    for (int i = 0; i < frameClasses->count() && i < 6; ++i)
        selected[static_cast<size_t>(i)] = frameClasses->item(i)->isSelected();
    return selected;
}

void ControlBar::showRenameFor(int32_t selectedNodes) {
    rename->setVisible(selectedNodes == 1);
    renameDisabled->setVisible(selectedNodes != 1);
}

} // namespace qlm::ui
