#pragma once

#include <string>
#include <string_view>

namespace qlm {

// Wireshark's folder for a user's own extcap programs, from what `tshark -G
// folders` prints: its "Personal Extcap path" (Wireshark 4.2 on), else the
// "extcap" folder of its "Personal configuration" (before 4.2). Empty when the
// text names neither.
std::string personalExtcapFolder(std::string_view folders);

// The personal folder when tshark cannot be asked: that of Wireshark before 4.2,
// under $XDG_CONFIG_HOME or ~/.config. Empty without a home folder.
std::string defaultPersonalExtcapFolder();

// Makes `folder` (and its parents) and links `launcher` into it under the
// launcher's own name. A symbolic link of that name is replaced; anything else
// there is left as it is and refused. Returns why it failed, empty on success.
std::string linkLauncherInto(const std::string& launcher, const std::string& folder);

} // namespace qlm
