#include "app/splash_screen.h"

#include "app/artwork.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace qlm::app {

CSplash::CSplash(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Quorlanmirex"));
    auto* picture = new QLabel(this);
    picture->setPixmap(splashPicture());
    picture->setCursor(Qt::PointingHandCursor);
    picture->installEventFilter(this);
    auto* hint = new QLabel(QStringLiteral("click on image to continue"), this);
    hint->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(hint);
}

bool CSplash::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qlm::app
