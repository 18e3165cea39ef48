#pragma once

#include "capture/capture.h"
#include "link/device_conversation.h"

#include <functional>
#include <string>

namespace qlm {

// A channel index 0 to 15 as the sniffer's commands carry it: one upper-case
// hexadecimal digit (channel 11 is '0', channel 26 'F').
char snifferChannelDigit(int channel);

// The local wall-clock time with milliseconds, the time of arrival of a frame.
using ArrivalClock = std::function<ArrivalTime()>;
ArrivalTime localArrivalTime();

// Sniffing one channel and taking the device's reports into the capture: each
// frame report becomes a record at the end of the store, counted and attributed
// to nodes; each overflow report an overflow record.
class Sniffing {
public:
    // What one intake tick did.
    enum class Tick {
        kIdle,         // not sniffing: the timer can stop
        kNothing,      // no line, or a line that was not a report
        kFrame,        // a frame was stored
        kOutOfMemory,  // the store could not grow for a report: sniffing stopped
        kOverflow,     // an overflow record was stored and the burst drained
        kFailed,       // the device is gone: the port was closed and sniffing stopped
    };

    Sniffing(DeviceConversation& conversation, Capture& capture,
             ArrivalClock clock = localArrivalTime)
        : conversation_(conversation), capture_(capture), clock_(std::move(clock)) {}

    // Tells the device to sniff the selected channel; then empties the store and the
    // counters and starts the intake. False when there is no port, no selected
    // channel, or the device did not confirm (the capture is then untouched).
    bool start();
    // The reply with which the device refused the last start ("+ERRR", say); empty
    // when it did not refuse.
    const std::string& refusal() const { return refusal_; }
    // The last capture ended because the store could not grow: the device was
    // stopped and "Out of memory after N frames: the rest was not read" shown.
    bool ranOutOfMemory() const { return ranOutOfMemory_; }
    // Ends the intake and, when a port is open, brings the device back to idle.
    // The reports the device sent before it took the stop in are stored like any
    // others; returns how many records that added.
    int32_t stop();
    bool sniffing() const { return sniffing_; }
    // Whether the device confirmed the last stop (it is idle). False also when
    // there was no port to stop it through.
    bool stopConfirmed() const { return stopConfirmed_; }

    // Takes at most one line off the link.
    Tick tick();

private:
    bool tellDeviceToSniff(int channel);
    bool awaitAttributeSet();
    // Releases the reply; unless it confirmed, remembers and shows it.
    bool takeConfirmation(bool confirmed);
    bool bringDeviceToIdle();
    // Stores a frame or overflow report and releases it; false for any other line.
    bool takeReport(std::string_view line);
    bool isFrameReport(std::string_view line) const;
    // Both false when the store could not grow for the record.
    bool storeFrame(std::string_view line);
    bool storeOverflow();
    Tick stopForWantOfMemory();

    DeviceConversation& conversation_;
    Capture& capture_;
    ArrivalClock clock_;
    bool sniffing_ = false;
    bool stopConfirmed_ = false;
    std::string refusal_;
    bool ranOutOfMemory_ = false;
};

} // namespace qlm
