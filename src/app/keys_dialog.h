#pragma once

#include "security/key_ring.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace qlm::app {

// "Keys...": the key ring as a table (label, key in hex, kind, origin), an entry
// for a new key (hex or "install:" and an install code, then ":" and a label if
// wanted) with Add, and Remove and Copy for the selected key. Changes go to the
// ring at once and are reported with keysChanged().
class KeysDialog : public QDialog {
    Q_OBJECT
public:
    KeysDialog(KeyRing& ring, QWidget* parent);

    QTableWidget* table() const { return table_; }
    QLineEdit* entry() const { return entry_; }
    QLabel* message() const { return message_; }

    // Adds the key in the entry; a bad key is named in the message line and
    // changes nothing. True when the ring changed.
    bool addEntered();
    void removeSelected();
    void copySelected();

signals:
    void keysChanged();

private:
    void fill();
    int selectedKey() const;

    KeyRing& ring_;
    QTableWidget* table_;
    QLineEdit* entry_;
    QLabel* message_;
    QPushButton* remove_;
    QPushButton* copy_;
};

} // namespace qlm::app
