#pragma once

#include <string>

namespace qlm::app {

// The four values kept between runs: the kind of device expected, MailBox
// decoding, right justification and the port last used, by its entry name
// ("" for "Import").
struct AppSettings {
    bool brindle = true;
    bool mailBox = false;
    bool rightJustify = false;
    std::string port;

    // Read from the settings store; missing values take the defaults above.
    static AppSettings read();
    void write() const;
};

} // namespace qlm::app
