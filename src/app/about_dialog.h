#pragma once

#include <QDialog>

namespace qlm::app {

// "About Quorlanmirex": the icon, the version, the maker and the build's date.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);
    // The build date, two spaces and the build time.
    static QString compileDate();
};

} // namespace qlm::app
