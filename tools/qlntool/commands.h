#pragma once

#include "capture/capture.h"

#include <memory>
#include <string>
#include <vector>

namespace qlntool {

using Arguments = std::vector<std::string>;

// Each command gets the arguments after its name and returns the exit status.
// Errors go to standard error.
int infoCommand(const Arguments& arguments);
int convertCommand(const Arguments& arguments);
int nodesCommand(const Arguments& arguments);
int dumpCommand(const Arguments& arguments);
int captureCommand(const Arguments& arguments);
int simulateCommand(const Arguments& arguments);
int extcapCommand(const Arguments& arguments);

// Imports a log into a new capture; prints the error and returns null on failure.
std::unique_ptr<qlm::Capture> importOrReport(const std::string& path);

// Prints "qlntool: <message>" to standard error and returns the failure status.
int fail(const std::string& message);
int usageError(const std::string& message);

} // namespace qlntool
