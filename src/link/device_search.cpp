// Detection of the sniffer and of the Brindle dongle on the chosen port.

#include "link/device_search.h"

namespace qlm {
namespace {

constexpr std::string_view kSnifferIdentity = "+INIT:IEEE 802.Quorlanmirex";
constexpr std::string_view kBrindleVersion = "0B400111";
constexpr int kVersionOffset = 6;  // tag and separator before the version text

Identification identifyBrindle(DeviceConversation& d) {
    if (!d.send("+DVRR\r") || !d.awaitEither("+DVRC", "+DERI"))
        return Identification::kSilent;
    const bool versionReply = d.lineStartsWith("+DVRC");
    const bool needsStart = d.lineStartsWith("+DERI=04");
    d.release();
    if (!versionReply && !needsStart) {
        d.showForPort("Couldn't find Brindle on ", ":");
        d.link().close();
        return Identification::kRejected;
    }
    if (needsStart) {
        if (!d.send("+DSMR=0015C8384100FFFF\r") || !d.awaitTag("+DSMC"))
            return Identification::kSilent;
        d.release();
    }

    if (!d.send("+DVRR\r") || !d.waitLine())
        return Identification::kSilent;
    const bool brindle = d.line().substr(std::min<size_t>(kVersionOffset, d.line().size()))
                             .starts_with(kBrindleVersion);
    d.release();
    if (!brindle) {
        d.showForPort("Device on ", ": is not Brindle");
        d.link().close();
        return Identification::kRejected;
    }

    // Idle on channel 11 with promiscuous mode off.
    if (!d.send("+MSTR=000b\r") || !d.awaitTag("+MSTC"))
        return Identification::kSilent;
    d.release();
    if (!d.send("+MSTR=5100\r") || !d.awaitTag("+MSTC"))
        return Identification::kSilent;
    d.drain();
    d.showForPort("Brindle detected on ", ":");
    return Identification::kIdentified;
}

} // namespace

Identification identifySniffer(DeviceConversation& d) {
    // Whatever the sniffer answers to the lone carriage return is thrown away.
    if (!d.send("\r") || !d.waitLine())
        return Identification::kSilent;
    d.drain();
    if (!d.send("AT+INIT\r") || !d.waitLine())
        return Identification::kSilent;
    if (!d.lineStartsWith(kSnifferIdentity)) {
        d.showForPort("Couldn't find sniffer on ", ":");
        d.link().close();
        return Identification::kRejected;
    }
    d.drain();
    return Identification::kIdentified;
}

Identification searchDevice(DeviceConversation& d) {
    if (!d.link().open(d.portName()))
        return Identification::kRejected;
    if (d.brindle())
        return identifyBrindle(d);
    const Identification found = identifySniffer(d);
    if (found == Identification::kIdentified)
        d.showForPort("Sniffer detected on ", ":");
    return found;
}

bool ensureOpen(DeviceConversation& d) {
    if (d.link().isOpen())
        return true;
    if (d.portName().empty())
        return false;
    searchDevice(d);
    return d.link().isOpen();
}

} // namespace qlm
