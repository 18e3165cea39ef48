#include "app/about_dialog.h"

#include "app/artwork.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qlm::app {

QString CAboutDlg::compileDate() {
    return QStringLiteral(__DATE__) + QStringLiteral("  ") + QStringLiteral(__TIME__);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Quorlanmirex"));
    auto* icon = new QLabel(this);
    icon->setPixmap(iconPixmap(48));
    auto* date = new QLineEdit(compileDate(), this);
    date->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
    layout->addWidget(new QLabel(QStringLiteral("Quorlanmirex Version 1.0"), this), 0, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("https://quorlanmirex.example.org"), this), 1, 1,
                      1, 2);
    layout->addWidget(new QLabel(QStringLiteral("The Quorlanmirex developers"), this), 2, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Compile date:"), this), 3, 1);
    layout->addWidget(date, 3, 2);
    layout->addWidget(buttons, 4, 0, 1, 3);
}

} // namespace qlm::app
