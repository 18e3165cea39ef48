#pragma once

#include "security/ring_key.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

// A key as the user writes it: 16 bytes of hex, or "install:" and an install
// code with its CRC, either followed by ":" and a label. The hex may be broken up
// by spaces, colons, dashes, dots or commas. Without a key, `error` names the key
// and says what is wrong with it.
struct KeyText {
    std::optional<RingKey> key;
    std::string error;
};
KeyText parseKeyText(std::string_view text, std::string_view origin = "user");

// A list of keys, one a line; blank lines and lines starting with "#" are
// skipped. Each bad line gives an error that names its line.
struct KeyLines {
    std::vector<RingKey> keys;
    std::vector<std::string> errors;
};
KeyLines parseKeyLines(std::string_view text, std::string_view origin);
// The keys of a file of such lines; the keys' origin is the file's path. A file
// that cannot be read gives one error and no keys.
KeyLines readKeyFile(const std::string& path);

} // namespace qlm
