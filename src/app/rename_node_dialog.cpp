#include "app/rename_node_dialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qlm::app {

CRenameNode::CRenameNode(const QString& name, QWidget* parent)
    : QDialog(parent), edit_(new QLineEdit(name, this)) {
    setWindowTitle(QStringLiteral("Rename node..."));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    edit_->selectAll();
}

QString CRenameNode::name() const { return edit_->text(); }

} // namespace qlm::app
