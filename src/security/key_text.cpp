#include "security/key_text.h"

#include "capture/hex_pair.h"
#include "security/install_code.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

namespace qlm {
namespace {

constexpr std::string_view kInstallPrefix = "install:";

bool isSeparator(char c) {
    return std::isspace(static_cast<unsigned char>(c)) || c == ':' || c == '-' || c == '.' ||
           c == ',';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// Pairs of hex digits between separators; nothing when another character turns
// up, or a digit is left without its pair.
std::optional<std::vector<uint8_t>> hexBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (isSeparator(c)) {
            if (high >= 0)
                return std::nullopt;
            continue;
        }
        const int value = hexDigitValue(c);
        if (value < 0)
            return std::nullopt;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<uint8_t>(high << 4 | value));
            high = -1;
        }
    }
    if (high >= 0 || bytes.empty())
        return std::nullopt;
    return bytes;
}

bool startsWithInstall(std::string_view text) {
    return text.size() >= kInstallPrefix.size() &&
           std::equal(kInstallPrefix.begin(), kInstallPrefix.end(), text.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// The key the hex stands for, or what is wrong with it.
KeyText keyFromBytes(const std::vector<uint8_t>& bytes, bool installCode) {
    KeyText result;
    RingKey key;
    if (installCode) {
        const InstallCodeKey derived = installCodeKey(bytes);
        if (!derived.key) {
            result.error = derived.error;
            return result;
        }
        key.key = *derived.key;
        key.kind = KeyKind::kInstallCode;
    } else if (bytes.size() != key.key.size()) {
        result.error = "a key is 16 bytes, not " + std::to_string(bytes.size());
        return result;
    } else {
        std::copy(bytes.begin(), bytes.end(), key.key.begin());
    }
    result.key = key;
    return result;
}

struct Candidate {
    std::string_view hex;
    std::string_view label;
};

std::vector<Candidate> candidates(std::string_view body) {
    std::vector<Candidate> list{{body, {}}};
    for (size_t colon = body.find(':'); colon != std::string_view::npos;
         colon = body.find(':', colon + 1))
        list.push_back({body.substr(0, colon), trimmed(body.substr(colon + 1))});
    return list;
}

std::string defaultLabel(const RingKey& key) {
    const std::string start = keyHex(key.key).substr(0, 8);
    return key.kind == KeyKind::kInstallCode ? "Install code key " + start : "Key " + start;
}

} // namespace

KeyText parseKeyText(std::string_view text, std::string_view origin) {
    std::string_view body = trimmed(text);
    const bool installCode = startsWithInstall(body);
    if (installCode)
        body.remove_prefix(kInstallPrefix.size());

    std::string firstError;
    for (const Candidate& candidate : candidates(body)) {
        const auto bytes = hexBytes(candidate.hex);
        if (!bytes)
            continue;
        KeyText result = keyFromBytes(*bytes, installCode);
        if (result.key) {
            result.key->label =
                candidate.label.empty() ? defaultLabel(*result.key) : std::string(candidate.label);
            result.key->origin = origin;
            return result;
        }
        if (firstError.empty())
            firstError = result.error;
    }
    KeyText failed;
    failed.error = "Key \"" + std::string(trimmed(text)) + "\": " +
                   (firstError.empty() ? std::string("not hex") : firstError);
    return failed;
}

KeyLines parseKeyLines(std::string_view text, std::string_view origin) {
    KeyLines result;
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        KeyText key = parseKeyText(line, origin);
        if (key.key)
            result.keys.push_back(std::move(*key.key));
        else
            result.errors.push_back(std::string(origin) + ", line " + std::to_string(lineNumber) +
                                    ": " + key.error);
    }
    return result;
}

KeyLines readKeyFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (file)
        text << file.rdbuf();
    if (!file || file.bad()) {
        KeyLines failed;
        failed.errors.push_back(path + ": " + std::strerror(errno));
        return failed;
    }
    return parseKeyLines(text.str(), path);
}

} // namespace qlm
