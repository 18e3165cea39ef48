#pragma once

#include "session/capture_session.h"

#include <string>

namespace qlm {

// What went wrong on the way to sniffing, as sentences for a command line or a
// message box; each is empty when nothing did.

// After choosePort(`port`): the port could not be opened, or no device answered.
std::string connectionFailure(const CaptureSession& session, Identification found,
                              const std::string& port);
// After a full scan that was neither cancelled nor turned into an import.
std::string scanFailure(ChannelScan::ScanAll result, const std::string& port,
                        const Sniffing& sniffing);
// After Sniffing::start() said false.
std::string sniffingFailure(const Sniffing& sniffing, const std::string& port);

} // namespace qlm
