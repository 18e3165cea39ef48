#pragma once

#include "extcap/control_pipes.h"
#include "extcap/extcap_interfaces.h"
#include "extcap/packet_fifo.h"
#include "pcap/packet_stream.h"
#include "session/capture_session.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qlm {

struct LiveCaptureRequest {
    ExtcapInterface interface;
    bool brindle = false;   // the kind of device on a serial port
    int channel = 11;       // 11 to 26
    bool scanFirst = false; // survey the channels and sniff the best instead
    std::string fifo;
    std::string controlIn;  // either may be empty
    std::string controlOut;
};

// A capture into Wireshark: the same detection, sniffing and intake as the
// window's, each record written to the fifo as a pcapng packet of link type 283
// as soon as it is stored. The toolbar's channel selector moves the sniffer
// while it runs; the status texts go to Wireshark's status bar.
class LiveCapture {
public:
    using StopCheck = std::function<bool()>;

    LiveCapture(LiveCaptureRequest request, StopCheck stopRequested);

    // Runs until a stop is asked for, the fifo's reader leaves or the device goes
    // away, and leaves the device idle. Returns what went wrong, empty when the
    // capture ended as asked.
    std::string run();

private:
    std::string startSniffing();
    void takeIn();
    // Writes the records stored since the last call; false once the reader has gone.
    bool forwardNewRecords();
    void obey(const std::vector<ControlMessage>& messages);
    // Sniffs the channel asked for; a channel the device would not take ends the
    // capture with the reason in failure_.
    void changeChannel(const std::string& value);
    void deviceWentAway();
    void showChannel();
    void finish();

    LiveCaptureRequest request_;
    StopCheck stopRequested_;
    ControlPipes pipes_;
    PacketFifo fifo_;
    CaptureSession session_;
    std::optional<PacketStream> stream_;
    std::string out_;
    uint64_t seenClears_ = 0;
    int32_t forwarded_ = 0;
    int channel_ = 0;
    bool toolbarReady_ = false;
    std::string failure_;  // why the capture ended early, empty while all is well
};

} // namespace qlm
