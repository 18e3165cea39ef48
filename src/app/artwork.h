#pragma once

#include <QIcon>
#include <QPixmap>

namespace qlm::app {

// The program's pictures, drawn here rather than shipped: the icon (a sniffer's
// antenna over a row of frame cells) and the splash picture.
QPixmap iconPixmap(int size);
QIcon programIcon();
QPixmap splashPicture();

} // namespace qlm::app
