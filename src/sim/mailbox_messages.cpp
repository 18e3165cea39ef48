#include "sim/mailbox_messages.h"

namespace qlm::sim {

Bytes mailboxAppIdRequest() {
    return {1};
}

Bytes mailboxAppIdResponse(uint32_t appId) {
    Bytes out = {2};
    putU32(out, appId);
    return out;
}

Bytes mailboxData(uint32_t appId, uint8_t sequence, uint8_t flags, const Bytes& data) {
    Bytes body;
    putU32(body, appId);
    putU8(body, sequence);
    putU8(body, flags);
    append(body, data);
    unsigned sum = 0;
    for (uint8_t byte : body)
        sum += byte;
    Bytes out = {3};
    append(out, body);
    putU8(out, (0u - sum) & 0xFF);
    return out;
}

Bytes mailboxAck(uint8_t result, uint8_t sequence, unsigned retryLaterMs) {
    Bytes out = {4, result, sequence};
    putU16(out, retryLaterMs);
    return out;
}

Bytes mailboxSleepPermit(uint32_t appId, unsigned closedown, uint32_t sleep, unsigned wakeup) {
    Bytes out = {5};
    putU32(out, appId);
    putU16(out, closedown);
    putLe(out, sleep, 3);
    putU16(out, wakeup);
    return out;
}

Bytes mailboxPresent() {
    return {6};
}

Bytes mailboxRedirect(uint32_t appId, uint8_t flags, uint16_t destination) {
    Bytes out = {7};
    putU32(out, appId);
    putU8(out, flags);
    putU16(out, destination);
    return out;
}

Bytes mailboxCustom(uint8_t command, uint32_t appId, const Bytes& payload) {
    Bytes out = {command};
    putU32(out, appId);
    append(out, payload);
    return out;
}

} // namespace qlm::sim
