#include "extcap/personal_launcher.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qlm {
namespace {

// The value after "<label>:" on a line of its own, blanks around it removed.
std::string labelledValue(std::string_view text, std::string_view label) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(start, end - start);
        if (line.starts_with(label) && line.substr(label.size()).starts_with(":")) {
            line.remove_prefix(label.size() + 1);
            const size_t first = line.find_first_not_of(" \t");
            const size_t last = line.find_last_not_of(" \t\r");
            return first == std::string_view::npos ? std::string()
                                                   : std::string(line.substr(first, last - first + 1));
        }
        start = end + 1;
    }
    return {};
}

} // namespace

std::string personalExtcapFolder(std::string_view folders) {
    if (std::string path = labelledValue(folders, "Personal Extcap path"); !path.empty())
        return path;
    if (std::string configuration = labelledValue(folders, "Personal configuration");
        !configuration.empty())
        return configuration + "/extcap";
    return {};
}

std::string defaultPersonalExtcapFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
        return std::string(config) + "/wireshark/extcap";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::string(home) + "/.config/wireshark/extcap";
    return {};
}

std::string linkLauncherInto(const std::string& launcher, const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return folder + ": " + error.message();
    const fs::path link = fs::path(folder) / fs::path(launcher).filename();
    const fs::file_status existing = fs::symlink_status(link, error);
    if (fs::exists(existing)) {
        if (!fs::is_symlink(existing))
            return link.string() + ": a file of that name is there already; move it away first";
        fs::remove(link, error);
        if (error)
            return link.string() + ": " + error.message();
    }
    fs::create_symlink(launcher, link, error);
    if (error)
        return link.string() + ": " + error.message();
    return {};
}

} // namespace qlm
