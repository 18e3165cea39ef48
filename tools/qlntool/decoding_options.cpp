#include "decoding_options.h"

#include "security/key_learning.h"
#include "security/key_text.h"
#include "session/key_secrets.h"

namespace qlntool {

bool takeDecodingOption(const Arguments& arguments, size_t& i, DecodingOptions& options,
                        std::string& error) {
    const std::string& argument = arguments[i];
    if (argument == "--classic") {
        options.classic = true;
        return true;
    }
    if (argument != "--key" && argument != "--keys")
        return false;
    if (i + 1 == arguments.size()) {
        error = argument + " needs a value";
        return true;
    }
    const std::string& value = arguments[++i];
    if (argument == "--key") {
        qlm::KeyText key = qlm::parseKeyText(value, "command line");
        if (key.key)
            options.keys.push_back(std::move(*key.key));
        else
            error = key.error;
        return true;
    }
    qlm::KeyLines lines = qlm::readKeyFile(value);
    if (!lines.errors.empty())
        error = lines.errors.front();
    for (qlm::RingKey& key : lines.keys)
        options.keys.push_back(std::move(key));
    return true;
}

void prepareDecryption(qlm::Decryption& decryption, const DecodingOptions& options,
                       const qlm::Capture& capture, const std::string& path,
                       qlm::KeyLearning* learning) {
    if (options.classic)
        return;
    decryption.directory().useNodeTable(&capture.nodes);
    for (const qlm::RingKey& key : options.keys)
        decryption.ring().add(key);
    for (const qlm::RingKey& key : qlm::keysOf(options.fileSecrets, path))
        decryption.ring().add(key);
    qlm::KeyLearning ownLearning;
    (learning != nullptr ? *learning : ownLearning).catchUp(decryption, capture.frames);
}

void configureDissector(qlm::FrameDissector& dissector, const DecodingOptions& options,
                        qlm::Decryption& decryption) {
    dissector.setZigbeePro(!options.classic);
    dissector.setDecryption(options.classic ? nullptr : &decryption);
}

} // namespace qlntool
