#pragma once

#include "sim/sim_radio.h"

#include <string>
#include <string_view>
#include <vector>

namespace qlm::sim {

// The Brindle MAC dongle's command set. It starts tuned to channel 11 with
// promiscuous mode off; frames flow while promiscuous mode is on.
//
//   "+DVRR"                  -> "+DVRC=0B400111"
//                               ("+DERI=04" while it waits for its set-up, see below)
//   "+DSMR=0015C8384100FFFF" -> "+DSMC=00" (the set-up; other values "+DSMC=E8")
//   "+MSTR=00cc"             -> "+MSTC=0000", tuned to channel cc (0B..1A, either case)
//   "+MSTR=5101" / "5100"    -> "+MSTC=0051", promiscuous mode on / off
//   "+MSTR=..." bad value    -> "+MSTC=E8aa"; unknown attribute aa -> "+MSTC=F4aa"
//   "+MSCR=0000000000000008mmmmmmmm" (energy scan, mask least significant byte first)
//        -> "+MSCC=00010000080000000000000BCE": status, result count 01, scan type,
//           mask, unscanned channels, channel number, reading (dBm + 45) at 30-31
//   "+MSCR=0000000000000108mmmmmmmm" (active scan)
//        -> per beacon "+MBNI=" with link quality (percent + 10) at 58-59, then
//           "+MSCC=00" + beacon count (characters 8-9) + "01" + mask + "00000000"
//   a scan whose mask is not one channel of 11..26, or another scan type
//        -> "+MSCC=E800"
//   an empty line            -> nothing
//   anything else            -> "+ERRR"
// Every reply line ends in CR LF.
class BrindleCommands {
public:
    // With `needsSetup`, every "+DVRR" answers "+DERI=04" until the set-up arrives.
    explicit BrindleCommands(bool needsSetup) : needsSetup_(needsSetup) {}

    std::vector<std::string> answer(std::string_view command, SimRadio& radio);

private:
    std::vector<std::string> versionRequest() const;
    std::vector<std::string> setup(std::string_view command);

    bool needsSetup_;
};

} // namespace qlm::sim
