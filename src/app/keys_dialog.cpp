#include "app/keys_dialog.h"

#include "security/key_text.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qlm::app {
namespace {

constexpr int kKeyColumn = 1;

QString text(const std::string& value) { return QString::fromStdString(value); }

} // namespace

KeysDialog::KeysDialog(KeyRing& ring, QWidget* parent)
    : QDialog(parent), ring_(ring), table_(new QTableWidget(0, 4, this)),
      entry_(new QLineEdit(this)), message_(new QLabel(this)),
      remove_(new QPushButton(QStringLiteral("&Remove"), this)),
      copy_(new QPushButton(QStringLiteral("&Copy"), this)) {
    setWindowTitle(QStringLiteral("Keys"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Label"), QStringLiteral("Key"), QStringLiteral("Kind"),
         QStringLiteral("Origin")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    entry_->setPlaceholderText(
        QStringLiteral("16 bytes of hex, or install:CODE; then :LABEL if you like"));
    message_->setWordWrap(true);

    auto* add = new QPushButton(QStringLiteral("&Add"), this);
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(entry_, 1);
    entryRow->addWidget(add);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(remove_, QDialogButtonBox::ActionRole);
    buttons->addButton(copy_, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(entryRow);
    layout->addWidget(message_);
    layout->addWidget(buttons);
    resize(760, 360);

    connect(add, &QPushButton::clicked, this, &KeysDialog::addEntered);
    connect(entry_, &QLineEdit::returnPressed, this, &KeysDialog::addEntered);
    connect(remove_, &QPushButton::clicked, this, &KeysDialog::removeSelected);
    connect(copy_, &QPushButton::clicked, this, &KeysDialog::copySelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        const int key = selectedKey();
        remove_->setEnabled(key > 0);
        copy_->setEnabled(key >= 0);
    });
    fill();
}

void KeysDialog::fill() {
    table_->setRowCount(ring_.size());
    for (int row = 0; row < ring_.size(); ++row) {
        const RingKey& key = ring_.key(row);
        const QString cells[] = {text(key.label), text(keyHex(key.key)),
                                 QString::fromLatin1(keyKindName(key.kind)), text(key.origin)};
        for (int column = 0; column < 4; ++column)
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    table_->resizeColumnsToContents();
    remove_->setEnabled(false);
    copy_->setEnabled(false);
}

int KeysDialog::selectedKey() const {
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    return selected.isEmpty() ? -1 : selected.front()->row();
}

bool KeysDialog::addEntered() {
    const KeyText key = parseKeyText(entry_->text().toStdString(), "user");
    if (!key.key) {
        message_->setText(text(key.error));
        return false;
    }
    const int existing = ring_.find(key.key->key);
    if (existing >= 0 && ring_.key(existing).learntAtFrame < 0) {
        message_->setText(QStringLiteral("The ring holds this key already, as \"%1\"")
                              .arg(text(ring_.key(existing).label)));
        return false;
    }
    ring_.add(*key.key);  // a key learnt from the capture becomes the user's
    message_->clear();
    entry_->clear();
    fill();
    emit keysChanged();
    return true;
}

void KeysDialog::removeSelected() {
    if (!ring_.remove(selectedKey()))
        return;
    fill();
    emit keysChanged();
}

void KeysDialog::copySelected() {
    const int key = selectedKey();
    if (key >= 0)
        QApplication::clipboard()->setText(text(keyHex(ring_.key(key).key)));
}

} // namespace qlm::app
