#pragma once

#include <string>
#include <vector>

namespace qlm::app {

// The values kept between runs: the kind of device expected, MailBox decoding,
// right justification and the port last used, by its entry name ("" for
// "Import"); ZigBee PRO decoding and the user's keys, each as "HEX:LABEL".
struct AppSettings {
    bool brindle = true;
    bool mailBox = false;
    bool rightJustify = false;
    std::string port;
    bool zigbeePro = true;
    std::vector<std::string> keys;

    // Read from the settings store; missing values take the defaults above.
    static AppSettings read();
    void write() const;
};

} // namespace qlm::app
