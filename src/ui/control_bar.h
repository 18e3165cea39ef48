#pragma once

#include "dissect/field_selection.h"

#include <QCheckBox>
#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace qlm::ui {

class NodeList;

// A tri-state preset button that never changes its own state on a click: the
// handler shows the preset's state.
class PresetButton : public QCheckBox {
    Q_OBJECT
public:
    PresetButton(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
        setTristate(true);
    }
    void showState(PresetState state);

protected:
    void nextCheckState() override {}
};

// The control bar docked at the left of the window: port and channel selection,
// field selection with its presets, frame selection with the node list, and the
// statistics. It holds the controls; the main window handles them.
class ControlBar : public QWidget {
    Q_OBJECT
public:
    explicit ControlBar(QWidget* parent = nullptr);

    // Field list and group list from the selection, and the frame-class list
    // from the filter, all without firing a handler.
    void showFieldSelection(const FieldSelection& selection);
    void showFrameClasses(const std::array<bool, 6>& selected);
    void showPresets(const FieldSelection& selection);
    // The field list's selection, in list order of the group shown.
    std::vector<bool> fieldListSelection() const;
    std::array<bool, 6> frameClassSelection() const;
    // "Rename..." usable only with exactly one node selected.
    void showRenameFor(int32_t selectedNodes);

    QPushButton* scan = nullptr;
    QComboBox* ports = nullptr;
    QComboBox* fieldGroups = nullptr;
    QListWidget* fields = nullptr;
    std::array<PresetButton*, kPresetCount> presets{};
    QListWidget* frameClasses = nullptr;
    NodeList* nodes = nullptr;
    QPushButton* all = nullptr;
    QPushButton* renameDisabled = nullptr;  // seen while not exactly one node is selected
    QPushButton* rename = nullptr;
    QPushButton* clearPrevious = nullptr;
    QLabel* packets = nullptr;
    QLabel* errors = nullptr;
    QLabel* errorRate = nullptr;
};

} // namespace qlm::ui
