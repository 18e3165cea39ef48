#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

// The channel sniffed unless the options or the toolbar say otherwise.
inline constexpr int kDefaultExtcapChannel = 11;

// A channel number 11 to 26 as the options and the toolbar's selector give it.
std::optional<int> channelNumber(std::string_view text);

// What Wireshark asks of its extcap program, read from the command line it runs
// the program with. Options come as "--name value" or "--name=value".
struct ExtcapRequest {
    enum class Step {
        kInterfaces,   // --extcap-interfaces: the interfaces and the toolbar
        kDlts,         // --extcap-dlts: the interface's link type
        kConfig,       // --extcap-config: the interface's options
        kFilterCheck,  // --extcap-capture-filter without --capture
        kCapture,      // --capture: sniff into the fifo
    };
    Step step = Step::kInterfaces;
    std::string interface;  // --extcap-interface
    std::string fifo;       // --fifo
    std::string controlIn;  // --extcap-control-in: Wireshark's commands
    std::string controlOut; // --extcap-control-out: our messages
    std::string captureFilter;

    // The interface's options, as --extcap-config offers them.
    int channel = kDefaultExtcapChannel;  // --channel 11..26
    bool scanFirst = false;          // --scan
    std::optional<bool> brindle;     // --device sniffer|brindle
};

// Reads the arguments into `request`; returns what was wrong, empty when nothing.
std::string parseExtcapRequest(const std::vector<std::string>& arguments, ExtcapRequest& request);

} // namespace qlm
