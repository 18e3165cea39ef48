#pragma once

#include "capture/capture.h"
#include "capture/capture_change.h"
#include "link/channel_scan.h"
#include "link/device_conversation.h"
#include "link/device_search.h"
#include "link/sniffer_link.h"
#include "link/sniffing.h"
#include "logfile/log_file.h"
#include "pcap/zigbee_secret.h"
#include "session/built_in_simulator.h"

#include <memory>
#include <span>
#include <vector>
#include <string>

namespace qlm {

// Everything a capture at the desk needs, together: the capture, the port and the
// link to the device, the conversation with it, sniffing and the channel scans,
// the port chosen and the kind of device expected. The window and qlntool's
// capture both work through it; what they show is reported by takeChanges().
//
// Ports are chosen by their entry in the port list: "" for "Import", a system
// port's name, a path, or "Simulator" for the built-in simulated device.
class CaptureSession {
public:
    static constexpr const char* kSimulatorEntry = "Simulator";

    // `opener` opens ports by name; null for the system's serial ports.
    explicit CaptureSession(StatusSink status, std::unique_ptr<PortOpener> opener = nullptr);
    ~CaptureSession();  // shuts down
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    Capture& capture() { return capture_; }
    const Capture& capture() const { return capture_; }
    SnifferLink& link() { return link_; }
    const SnifferLink& link() const { return link_; }
    DeviceConversation& conversation() { return conversation_; }
    Sniffing& sniffing() { return sniffing_; }
    ChannelScan& scan() { return scan_; }
    BuiltInSimulator& simulator() { return simulator_; }

    // The port list entry chosen ("" for "Import").
    const std::string& chosenPort() const { return chosenPort_; }
    bool brindle() const { return conversation_.brindle(); }

    // The user chose an entry of the port list (the same one again searches
    // again): sniffing stops on the old port, the channel survey is forgotten and
    // the device is searched on the new port. "Import" closes the port and gives
    // kRejected.
    Identification choosePort(const std::string& entry);
    // Remembers an entry without searching (the start-up selection).
    void setChosenPort(const std::string& entry);
    // The user switched the kind of device expected: sniffing stops with the old
    // kind and the port is closed; the simulator is served again as the new kind.
    void chooseDeviceKind(bool brindle);

    ChannelScan::ScanAll scanAll() { return scan_.scanAll(); }
    void clickChannel(int channel) { scan_.clickChannel(channel); }
    // One intake step: at most one line off the link.
    Sniffing::Tick tick() { return sniffing_.tick(); }

    // The start of an import: sniffing stops, no channel is selected.
    void prepareImport();
    // Replaces the capture by the file's (a log, or a packet file by its
    // extension); on success the port is closed and
    // "Import" is the chosen entry. On failure before anything was read, the
    // capture is as before.
    // `progress` is told the share of the file read; the ZigBee keys a pcapng
    // file carries go to `secrets` when given.
    FileResult importLog(const std::string& path,
                         const std::function<void(double share)>& progress = nullptr,
                         std::vector<ZigbeeSecret>* secrets = nullptr);
    // A ".qln" log, or a ".pcap" or ".pcapng" packet file, by the path's
    // extension; a pcapng file carries `secrets`.
    FileResult exportLog(const std::string& path, std::span<const ZigbeeSecret> secrets = {});
    // "Clear Previous" with the grid's current frame.
    void clearPrevious(int32_t currentFrame) { capture_.clearPreviousNodes(currentFrame); }

    // Stops sniffing (the device confirms before the port closes), closes the
    // port and ends the simulator.
    void shutDown();

    // What changed in the capture since the last call.
    CaptureChange takeChanges() { return changes_.take(); }

private:
    // Serves the simulator for the "Simulator" entry; the port to open, "" when
    // it could not be started (said in the status line).
    std::string simulatorPort();

    StatusSink status_;
    std::unique_ptr<PortOpener> opener_;
    Capture capture_;
    SnifferLink link_;
    DeviceConversation conversation_;
    Sniffing sniffing_;
    ChannelScan scan_;
    BuiltInSimulator simulator_;
    ChangeTracker changes_;
    std::string chosenPort_;
};

} // namespace qlm
