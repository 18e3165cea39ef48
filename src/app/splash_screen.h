#pragma once

#include <QDialog>

namespace qlm::app {

// The start-up picture, which stays until it is clicked.
class CSplash : public QDialog {
    Q_OBJECT
public:
    explicit CSplash(QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace qlm::app
