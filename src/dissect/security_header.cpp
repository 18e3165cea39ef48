// The ZigBee auxiliary security header and the MIC, for the NWK and APS layers.

#include "dissect/security_header.h"

#include "dissect/field_tables.h"
#include "dissect/long_text.h"
#include "dissect/short_text.h"
#include "security/decryption.h"

namespace qlm {
namespace {

constexpr ValueSentence kKeyIds[4] = {
    {"Link", "The frame is secured with a link key%s"},
    {"NWK", "The frame is secured with the network key%s"},
    {"KeyTr", "The frame is secured with the key-transport key, derived from a link key%s"},
    {"KeyLd", "The frame is secured with the key-load key, derived from a link key%s"},
};

void decodeControl(FrameDecoding& d, const SecurityHeaderFields& header,
                   const SecurityColumns& columns) {
    const std::string_view tag = layerTag(columns.layer);
    const ShortText level = ShortText::hexByte(header.sentLevel());
    d.out.cell(columns.header, columns.style, "SecLvl", level,
               header.sentLevel() == 0
                   ? Sentence("The security level is sent as 0x%s: ZigBee secures at level 5, "
                              "encryption with a 32-bit MIC%s",
                              level, tag)
                   : Sentence("The security level is 0x%s%s", level, tag));
    const ValueSentence& key = kKeyIds[header.keyId()];
    d.out.cell(columns.header, columns.style, "KeyId", key.value, Sentence(key.explanation, tag));
    d.out.cell(columns.header, columns.style, "ExtNce", header.extendedNonce() ? "Yes" : "No",
               header.extendedNonce()
                   ? Sentence("The header carries the IEEE address of the device that secured "
                              "the frame (extended nonce)%s",
                              tag)
                   : Sentence("The header does not carry the IEEE address of the device that "
                              "secured the frame%s",
                              tag));
}

} // namespace

bool decodeSecurityHeader(FrameDecoding& d, const SecurityHeaderFields& header,
                          const SecurityColumns& columns) {
    const std::string_view tag = layerTag(columns.layer);
    d.out.beginGroup();
    if (!d.fieldAt(header.at, 1, columns.header, "SecLvl"))
        return false;
    decodeControl(d, header, columns);
    d.cursor = header.frameCounterAt;
    if (!d.fieldAtCursor(4, columns.header, "FrmCnt"))
        return false;
    ShortText counter;
    counter.appendHex(d.le32(d.cursor), 8);
    d.out.cell(columns.header, columns.style, "FrmCnt", counter,
               Sentence("The frame counter is 0x%s%s", counter, tag));
    d.cursor += 4;
    if (header.sourceAt >= 0) {
        if (!d.fieldAtCursor(8, columns.header, "SecSrc"))
            return false;
        const ShortText source = ShortText::hex64(d.le64(d.cursor));
        d.out.cell(columns.header, columns.style, "SecSrc", source,
                   Sentence("The IEEE address of the device that secured the frame is 0x%s%s",
                            source, tag));
        d.cursor += 8;
    }
    if (header.keySequenceAt >= 0) {
        if (!d.fieldAtCursor(1, columns.header, "KeySeq"))
            return false;
        const ShortText sequence = ShortText::hexByte(d.byte(d.cursor));
        d.out.cell(columns.header, columns.style, "KeySeq", sequence,
                   Sentence("The key sequence number is 0x%s%s", sequence, tag));
        d.cursor += 1;
    }
    d.out.endGroup();
    return true;
}

namespace {

// Where the MIC of a secured payload that begins at `payloadAt` lies, or -1 when
// the layer's length leaves no room for it.
int micPosition(const FrameDecoding& d, const SecurityHeaderFields& header, int payloadAt) {
    const int micAt = d.layerEnd - header.micLength();
    return micAt >= payloadAt ? micAt : -1;
}

} // namespace

bool decodeMic(FrameDecoding& d, const SecurityHeaderFields& header, int payloadAt,
               const SecurityColumns& columns) {
    const int micAt = micPosition(d, header, payloadAt);
    if (micAt < 0) {
        d.cutShort(columns.mic, "MIC");
        return false;
    }
    if (!d.fieldAt(micAt, header.micLength(), columns.mic, "MIC"))
        return false;
    const LongText mic = LongText::byteRun(d.bytes(micAt, header.micLength()));
    d.out.beginGroup();
    d.out.cell(columns.mic, columns.style, "MIC", mic,
               Sentence("The message integrity code that authenticates the frame is %s%s", mic,
                        layerTag(columns.layer)));
    d.out.endGroup();
    return true;
}

bool openSecuredLayer(FrameDecoding& d, const SecuredLayer& layer, const SecurityColumns& columns) {
    Decryption* decryption = d.context.decryption;
    if (decryption == nullptr)
        return false;
    const std::string_view tag = layerTag(columns.layer);
    PlainFrame& plain = d.plaintext[static_cast<size_t>(layer.level)];
    const int key = decryption->open(d.index, d.source, layer, plain);
    d.out.beginGroup();
    if (key == Decryption::kNoKey) {
        d.out.cell(columns.decryption, columns.style, "Decr", "No key",
                   layer.sender ? Sentence("No key in the ring opens the payload: no MIC "
                                           "verifies, and the payload shows as hex%s",
                                           tag)
                                : Sentence("The IEEE address of the device that secured the "
                                           "frame is not known, so no key can open the "
                                           "payload%s",
                                           tag));
        d.out.endGroup();
        return false;
    }
    d.out.cell(columns.decryption, columns.style, "Decr", "OK",
               Sentence("The payload is decrypted with the key \"%s\", and its MIC verifies%s",
                        decryption->ring().key(key).label, tag));
    d.out.endGroup();
    d.source = plain.view();
    d.layerEnd = layer.micAt;
    return true;
}

} // namespace qlm
