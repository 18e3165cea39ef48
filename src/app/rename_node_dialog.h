#pragma once

#include <QDialog>

class QLineEdit;

namespace qlm::app {

// "Rename node...": one edit field with the node's name, "OK" and "Cancel".
class CRenameNode : public QDialog {
    Q_OBJECT
public:
    CRenameNode(const QString& name, QWidget* parent);
    QString name() const;
    QLineEdit* edit() const { return edit_; }

private:
    QLineEdit* edit_;
};

} // namespace qlm::app
