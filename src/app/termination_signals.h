#pragma once

class QWidget;

namespace qlm::app {

// SIGINT and SIGTERM close the window as its close button does, so that the
// device is stopped, the port closed and the settings written before the end.
void closeOnTerminationSignals(QWidget& window);

} // namespace qlm::app
