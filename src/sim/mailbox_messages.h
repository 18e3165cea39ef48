#pragma once

#include "sim/byte_writer.h"

namespace qlm::sim {

// MailBox messages (profile C1EE): the bytes of an AF message transaction after
// its length byte, the first being the MailBox command.
Bytes mailboxAppIdRequest();
Bytes mailboxAppIdResponse(uint32_t appId);
// Data with its checksum byte: the two's complement of the sum of the bytes from
// the application identifier to the end of the data.
Bytes mailboxData(uint32_t appId, uint8_t sequence, uint8_t flags, const Bytes& data);
Bytes mailboxAck(uint8_t result, uint8_t sequence, unsigned retryLaterMs = 0);
Bytes mailboxSleepPermit(uint32_t appId, unsigned closedown, uint32_t sleep, unsigned wakeup);
Bytes mailboxPresent();
Bytes mailboxRedirect(uint32_t appId, uint8_t flags, uint16_t destination);
Bytes mailboxCustom(uint8_t command, uint32_t appId, const Bytes& payload);

} // namespace qlm::sim
