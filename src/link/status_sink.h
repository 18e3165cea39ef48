#pragma once

#include <functional>
#include <string_view>

namespace qlm {

// Where the link and the device dialogues report what they are doing: the window
// connects it to its status bar; qlntool prints the texts.
using StatusSink = std::function<void(std::string_view text)>;

} // namespace qlm
