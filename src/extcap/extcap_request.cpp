#include "extcap/extcap_request.h"

#include "capture/channel_table.h"

#include <charconv>

namespace qlm {
namespace {

// The steps by their flags; a capture outranks the questions Wireshark may pass
// along with it.
struct StepFlags {
    bool interfaces = false;
    bool dlts = false;
    bool config = false;
    bool capture = false;
    bool filter = false;
};

// One option that takes a value; returns what was wrong, empty when nothing.
std::string takeValue(const std::string& name, const std::string& value, ExtcapRequest& request,
                      StepFlags& steps) {
    if (name == "--extcap-interface") {
        request.interface = value;
    } else if (name == "--fifo") {
        request.fifo = value;
    } else if (name == "--extcap-control-in") {
        request.controlIn = value;
    } else if (name == "--extcap-control-out") {
        request.controlOut = value;
    } else if (name == "--extcap-capture-filter") {
        request.captureFilter = value;
        steps.filter = true;
    } else if (name == "--channel") {
        const std::optional<int> channel = channelNumber(value);
        if (!channel)
            return "--channel takes a channel from 11 to 26, not \"" + value + "\"";
        request.channel = *channel;
    } else if (name == "--device") {
        if (value != "sniffer" && value != "brindle")
            return "--device takes sniffer or brindle, not \"" + value + "\"";
        request.brindle = value == "brindle";
    } else if (name == "--scan") {
        if (value != "true" && value != "false")
            return "--scan takes true or false, not \"" + value + "\"";
        request.scanFirst = value == "true";
    }
    return {};
}

bool takesValue(const std::string& name) {
    return name == "--extcap-interface" || name == "--fifo" || name == "--extcap-control-in" ||
           name == "--extcap-control-out" || name == "--extcap-capture-filter" ||
           name == "--channel" || name == "--device" || name == "--debug-file" ||
           name == "--extcap-reload-option";
}

// Flags without a value; false for a name not known at all.
bool takeFlag(const std::string& name, ExtcapRequest& request, StepFlags& steps) {
    if (name == "--extcap-interfaces")
        steps.interfaces = true;
    else if (name == "--extcap-dlts")
        steps.dlts = true;
    else if (name == "--extcap-config")
        steps.config = true;
    else if (name == "--capture")
        steps.capture = true;
    else if (name == "--scan")
        request.scanFirst = true;
    else if (name != "--extcap-version" && name != "--debug")
        return false;
    return true;
}

std::string chooseStep(const StepFlags& steps, ExtcapRequest& request) {
    using Step = ExtcapRequest::Step;
    if (steps.capture)
        request.step = Step::kCapture;
    else if (steps.dlts)
        request.step = Step::kDlts;
    else if (steps.config)
        request.step = Step::kConfig;
    else if (steps.filter)
        request.step = Step::kFilterCheck;
    else if (steps.interfaces)
        return {};  // kInterfaces
    else
        return "no extcap step given (--extcap-interfaces, --extcap-dlts, --extcap-config or "
               "--capture)";
    if (request.interface.empty())
        return "--extcap-interface is needed";
    if (request.step == Step::kCapture && request.fifo.empty())
        return "--capture needs --fifo";
    return {};
}

} // namespace

std::optional<int> channelNumber(std::string_view text) {
    constexpr int kFirst = ChannelTable::kFirstChannelNumber;
    constexpr int kLast = kFirst + ChannelTable::kChannelCount - 1;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < kFirst ||
        value > kLast)
        return std::nullopt;
    return value;
}

std::string parseExtcapRequest(const std::vector<std::string>& arguments, ExtcapRequest& request) {
    request = {};
    StepFlags steps;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::string error;
        if (equals != std::string::npos) {
            // "--extcap-version=4.0" and the like: known names only.
            if (!takesValue(name) && !takeFlag(name, request, steps))
                return "unknown option \"" + name + "\"";
            error = takeValue(name, argument.substr(equals + 1), request, steps);
        } else if (takesValue(name)) {
            if (i + 1 == arguments.size())
                return name + " needs a value";
            error = takeValue(name, arguments[++i], request, steps);
        } else if (!takeFlag(name, request, steps)) {
            return "unknown option \"" + name + "\"";
        }
        if (!error.empty())
            return error;
    }
    return chooseStep(steps, request);
}

} // namespace qlm
