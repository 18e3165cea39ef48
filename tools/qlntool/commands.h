#pragma once

#include "capture/capture.h"
#include "pcap/zigbee_secret.h"

#include <memory>
#include <string>
#include <vector>

namespace qlntool {

struct DecodingOptions;

using Arguments = std::vector<std::string>;

// Each command gets the arguments after its name and returns the exit status.
// Errors go to standard error.
int infoCommand(const Arguments& arguments);
int convertCommand(const Arguments& arguments);
int nodesCommand(const Arguments& arguments);
int dumpCommand(const Arguments& arguments);
int keysCommand(const Arguments& arguments);
int captureCommand(const Arguments& arguments);
int simulateCommand(const Arguments& arguments);
int extcapCommand(const Arguments& arguments);

// Imports a log or packet file into a new capture; prints the error and returns
// null on failure. A warning is printed; `partial` says that the reading stopped
// before the file's end (the command then does its work with what was read, and
// exits with the failure status). Given the decoding options, the capture
// learns IEEE addresses from ZigBee PRO headers unless they say --classic, and
// the ZigBee keys a pcapng file carries go to them.
std::unique_ptr<qlm::Capture> importOrReport(const std::string& path, bool& partial,
                                             DecodingOptions* decoding = nullptr);

// Prints "qlntool: <message>" to standard error and returns the failure status.
int fail(const std::string& message);
int usageError(const std::string& message);

} // namespace qlntool
