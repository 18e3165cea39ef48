#include "link/system_ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace qlm {
namespace {

// A serial-core port with no UART found reads "0" in its type attribute.
bool uartMissing(const std::filesystem::path& tty) {
    std::ifstream type(tty / "type");
    int value = -1;
    return type >> value && value == 0;
}

} // namespace

std::vector<std::string> listSystemSerialPorts(const std::string& ttyClassFolder) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(ttyClassFolder, error), end; !error && it != end;
         it.increment(error)) {
        const fs::path tty = it->path();
        std::error_code missing;
        if (!fs::exists(tty / "device", missing) || uartMissing(tty))
            continue;
        names.push_back(tty.filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace qlm
