// The keys command: the keys a capture teaches, with the frames that carry them.

#include "commands.h"
#include "decoding_options.h"

#include <cstdio>

namespace qlntool {

int keysCommand(const Arguments& arguments) {
    std::vector<std::string> files;
    DecodingOptions decoding;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string error;
        if (takeDecodingOption(arguments, i, decoding, error)) {
            if (!error.empty())
                return usageError(error);
        } else {
            files.push_back(arguments[i]);
        }
    }
    if (files.size() != 1 || decoding.classic)
        return usageError("keys takes one log file");
    bool partial = false;
    const auto capture = importOrReport(files[0], partial, &decoding);
    if (!capture)
        return 1;
    qlm::Decryption decryption;
    qlm::KeyLearning learning;
    prepareDecryption(decryption, decoding, *capture, files[0], &learning);
    std::printf("frame\tkind\tkey\n");
    for (const qlm::RingKey& key : learning.transported())
        std::printf("%d\t%s\t%s\n", key.learntAtFrame + 1, qlm::keyKindName(key.kind),
                    qlm::keyHex(key.key).c_str());
    return partial ? 1 : 0;
}

} // namespace qlntool
