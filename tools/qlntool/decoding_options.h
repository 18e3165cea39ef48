#pragma once

#include "commands.h"

#include "dissect/frame_dissector.h"
#include "security/decryption.h"
#include "security/key_learning.h"
#include "security/ring_key.h"

#include <string>
#include <vector>

namespace qlntool {

// How the commands that read a capture decode it: ZigBee PRO with decryption
// unless --classic asks for the ZigBee 2004 decoding alone, with the keys of
// --key HEX[:LABEL] and --keys FILE besides the well-known one.
struct DecodingOptions {
    bool classic = false;
    std::vector<qlm::RingKey> keys;
    // The keys the capture file carried, by the file's path.
    std::vector<qlm::ZigbeeSecret> fileSecrets;
};

// Takes the decoding option at arguments[i], moving i past its value. False when
// arguments[i] is none of them; `error` says what is wrong with one that is.
bool takeDecodingOption(const Arguments& arguments, size_t& i, DecodingOptions& options,
                        std::string& error);

// The ring of the options and of the file `path`, taught by the capture's frames
// (through `learning` when given).
void prepareDecryption(qlm::Decryption& decryption, const DecodingOptions& options,
                       const qlm::Capture& capture, const std::string& path,
                       qlm::KeyLearning* learning = nullptr);

// A dissector that decodes as the options say, opening frames with `decryption`.
void configureDissector(qlm::FrameDissector& dissector, const DecodingOptions& options,
                        qlm::Decryption& decryption);

} // namespace qlntool
