#include "session/session_failures.h"

namespace qlm {

std::string connectionFailure(const CaptureSession& session, Identification found,
                              const std::string& port) {
    const SnifferLink& link = session.link();
    if (!link.isOpen()) {
        if (!link.openError().empty())
            return "cannot open " + port + ": " + link.openError();
        return "no device found on " + port;
    }
    if (found == Identification::kSilent)
        return "the device on " + port + " never answered detection";
    return {};
}

std::string scanFailure(ChannelScan::ScanAll result, const std::string& port,
                        const Sniffing& sniffing) {
    using ScanAll = ChannelScan::ScanAll;
    switch (result) {
    case ScanAll::kNoPort:
        return "the device on " + port + " went away during the scan";
    case ScanAll::kNotAnswering:
        return "the device on " + port + " is not answering as expected";
    case ScanAll::kNoAnswer:
        return "the device on " + port + " answered none of the scans";
    case ScanAll::kNothingFound:
        return "the scan found no channel to sniff on";
    case ScanAll::kNotSniffing:
        return sniffingFailure(sniffing, port);
    case ScanAll::kImportInstead:
    case ScanAll::kCancelled:
    case ScanAll::kSniffing:
        break;
    }
    return {};
}

std::string sniffingFailure(const Sniffing& sniffing, const std::string& port) {
    if (!sniffing.refusal().empty())
        return "the device on " + port + " refused to sniff: " + sniffing.refusal();
    return sniffing.stopConfirmed() ? "the device did not start sniffing"
                                    : "the device on " + port + " never confirmed the stop";
}

} // namespace qlm
