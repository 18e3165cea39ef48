#pragma once

#include "sim/sim_radio.h"

#include <string>
#include <string_view>
#include <vector>

namespace qlm::sim {

// The sniffer's command set. Every command ends sniffing, except "AT+SNIF",
// which starts it. Channels are given as one hex digit, the index 0..F
// (0 = channel 11); replies name the channel number in two decimal digits.
//
//   ""           -> "OK"
//   "AT+INIT"    -> "+INIT:IEEE 802.Quorlanmirex Sniffer V1.0"
//   "AT+SNIF=4"  -> "+SNIF:15,0", then frame reports of channel 15
//   "AT+ESCN=0"  -> "+ESCN:11,0,CE"     reading (dBm + 45) at characters 11-12
//   "AT+ASCN=4"  -> "+ASCN:15,START", then per beacon
//                   "+ASCN:15,0,1A62,0000,CFFF,LQI=6A,PS=F1": status '0' at 9, PAN,
//                   short address, superframe spec, correlation, and the
//                   peak signal (dBm + 45) at characters 36-37; then "+DONE:15,03"
//                   with the beacon count
//   anything else, or a bad channel digit -> "+ERRR"
// Every reply line ends in CR LF.
std::vector<std::string> answerSnifferCommand(std::string_view command, SimRadio& radio);

} // namespace qlm::sim
