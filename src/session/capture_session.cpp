#include "session/capture_session.h"

#include "link/port_list.h"
#include "link/posix_serial_port.h"
#include "pcap/capture_files.h"

namespace qlm {
namespace {

std::unique_ptr<PortOpener> systemPortsUnlessGiven(std::unique_ptr<PortOpener> opener) {
    return opener ? std::move(opener) : std::make_unique<PosixPortOpener>();
}

} // namespace

CaptureSession::CaptureSession(StatusSink status, std::unique_ptr<PortOpener> opener)
    : status_(std::move(status)),
      opener_(systemPortsUnlessGiven(std::move(opener))),
      link_(*opener_, status_),
      conversation_(link_, status_),
      sniffing_(conversation_, capture_),
      scan_(conversation_, capture_.channels, sniffing_),
      changes_(capture_) {}

CaptureSession::~CaptureSession() { shutDown(); }

std::string CaptureSession::simulatorPort() {
    std::string error;
    const DeviceKind kind = brindle() ? DeviceKind::kBrindle : DeviceKind::kSniffer;
    if (simulator_.start(kind, error))
        return simulator_.path();
    if (status_)
        status_("Couldn't start the simulator: " + error);
    return {};
}

Identification CaptureSession::choosePort(const std::string& entry) {
    // The old port is left while its device (the simulator, say) still answers.
    sniffing_.stop();
    link_.close();
    simulator_.stop();
    chosenPort_ = entry;
    const std::string port = entry == kSimulatorEntry ? simulatorPort() : entry;
    return qlm::choosePort(conversation_, sniffing_, capture_.channels, port);
}

void CaptureSession::setChosenPort(const std::string& entry) {
    chosenPort_ = entry;
    if (entry == kSimulatorEntry) {
        conversation_.setPortName(simulatorPort());
    } else {
        simulator_.stop();
        conversation_.setPortName(entry);
    }
}

void CaptureSession::chooseDeviceKind(bool brindle) {
    qlm::chooseDeviceKind(conversation_, sniffing_, brindle);
    if (chosenPort_ == kSimulatorEntry)
        conversation_.setPortName(simulatorPort());
}

void CaptureSession::prepareImport() {
    sniffing_.stop();
    capture_.channels.setSelectedChannel(-1);
}

FileResult CaptureSession::importLog(const std::string& path,
                                     const std::function<void(double share)>& progress,
                                     std::vector<ZigbeeSecret>* secrets) {
    sniffing_.stop();
    const uint64_t clearsBefore = capture_.frames.clears();
    FileResult result = importCaptureFile(capture_, path, progress, secrets);
    if (capture_.frames.clears() != clearsBefore) {  // the capture was replaced
        link_.close();
        simulator_.stop();
        chosenPort_.clear();
        conversation_.setPortName({});
    }
    return result;
}

FileResult CaptureSession::exportLog(const std::string& path,
                                     std::span<const ZigbeeSecret> secrets) {
    return exportCaptureFile(capture_, path, std::nullopt, secrets);
}

void CaptureSession::shutDown() {
    sniffing_.stop();
    link_.close();
    simulator_.stop();
}

} // namespace qlm
