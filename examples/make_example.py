#!/usr/bin/env python3
"""Generate the example capture ``examples/example.qln``.

The example is a made-up sniffer session of about four minutes on IEEE
802.15.4 channel 15 (2425 MHz, channel index 4), recorded on a Tuesday morning
in March 2006.  Three PANs share the channel:

* PAN 1A62, "home": a ZigBee 2004 network (NWK protocol version 1) with a
  coordinator, two routers, a mains-powered light and heater plug, a
  thermostat and two sleepy sensors that poll their parent.  Its traffic
  covers active scans and beacons, a join with association and ZDO device
  discovery, key-value-pair and message transactions of the Home
  Controls-Lighting profile, APS acknowledgements, indirect (binding table) delivery, NWK
  broadcasts, route discovery, a NWK leave with MAC disassociation, a route
  error, and a router outage that ends with an orphan notification and a
  coordinator realignment.
* PAN 2B07, "office": an older ZigBee network (NWK protocol version 1) whose
  devices talk MailBox (profile C1EE) over AF message transactions, with a
  refused association, an APS transport-key command and one NWK-secured
  report.
* PAN 3C5D, "lab": a beacon-enabled network (beacon order 9) whose beacons
  carry GTS descriptors and pending short and extended addresses, with a GTS
  request, a PAN ID conflict notification, an association that assigns no
  short address, indirect transfers started by data requests, and
  MAC-secured data in a guaranteed time slot.

A few damaged receptions are mixed in: frames with a failed CRC, a frame whose
PHY length byte is 0, a frame of a reserved MAC frame type, and one buffer
overflow marker.

The log holds the stored bytes exactly as the sniffer reports them: the PHY
length byte L, the MAC frame without its FCS, then the signal-strength byte
(dBm + 45, signed) and the status byte (bit 7 CRC good, bits 0-6 the
correlation value) in place of the FCS.

Usage (from anywhere; only the Python 3 standard library is needed):

    python3 examples/make_example.py

rewrites ``examples/example.qln`` next to this script.  The output depends on
nothing but this file (fixed random seed, fixed dates), so every run produces
the same bytes.  Before writing, the script reads its own output back and
checks the line format, the byte counts, the time order and the MAC sequence
numbers.
"""

from __future__ import annotations

import random
import struct
import sys
from dataclasses import dataclass, replace
from datetime import datetime
from pathlib import Path

SEED = 20060307
OUTPUT = Path(__file__).resolve().with_name("example.qln")

INFO_LINE = "+INFO:IEEE 802.15.2 Sniffer Log   https://quorlanmirex.example.org"
EXPORTED_AT = datetime(2006, 3, 7, 9, 5, 12)
SNIFFED_INDEX = 4  # channel index 4: IEEE 802.15.4 channel 15, 2425 MHz
SNIFFED_CHANNEL = SNIFFED_INDEX + 11

# MAC frame types and addressing modes (IEEE 802.15.4-2003).
BEACON, DATA, ACK, COMMAND = 0, 1, 2, 3
NO_MODE, SHORT_MODE, EXT_MODE = 0, 2, 3
BROADCAST = 0xFFFF
MAC_MAX_RETRIES = 3

# MAC command identifiers.
ASSOC_REQ, ASSOC_RSP, DISASSOC, DATA_REQ = 1, 2, 3, 4
PAN_CONFLICT, ORPHAN, BEACON_REQ, REALIGN, GTS_REQ = 5, 6, 7, 8, 9

# NWK frame types and command identifiers.
NWK_DATA, NWK_CMD = 0, 1
ROUTE_REQ, ROUTE_REP, ROUTE_ERR, LEAVE = 1, 2, 3, 4

# APS delivery modes.
DIRECT, INDIRECT, APS_BCAST = 0x00, 0x04, 0x08

# AF: KVP command types and data types.
SET, EVENT, GET_ACK, SET_ACK, EVENT_ACK = 1, 2, 4, 5, 6
GET_RSP, SET_RSP, EVENT_RSP = 8, 9, 10
T_NULL, T_U8, T_S8, T_U16, T_S16 = 0, 1, 2, 3, 4
T_SEMI, T_ABS, T_REL, T_CHAR, T_BLOB = 11, 12, 13, 14, 15
RESULT_OK, RESULT_UNKNOWN_ATTR = 0, 3

# Profiles.
PROFILE_ZDO = 0x0000
PROFILE_HA = 0x0100  # ZigBee 2004 Home Controls-Lighting
PROFILE_MAILBOX = 0xC1EE
PROFILE_LAB = 0xC0A5

# ZDO clusters used here.
NWK_ADDR_REQ = 0x00
NODE_DESC_REQ, NODE_DESC_RSP = 0x02, 0x82
SIMPLE_DESC_REQ, SIMPLE_DESC_RSP = 0x04, 0x84
ACTIVE_EP_REQ, ACTIVE_EP_RSP = 0x05, 0x85
MATCH_DESC_REQ, MATCH_DESC_RSP = 0x06, 0x86
END_DEVICE_ANNCE = 0x13
MGMT_LQI_REQ, MGMT_LQI_RSP = 0x31, 0xB1

# Home automation clusters (8-bit identifiers) of the home PAN.
CL_TEMPERATURE, CL_DOOR, CL_ON_OFF, CL_LEVEL, CL_SCHEDULE = 0x02, 0x05, 0x06, 0x08, 0x0B

MAILBOX_CLUSTER = 0x01
MAILBOX_EP = 0x0A


# --------------------------------------------------------------------------
# Small helpers


def le16(value: int) -> bytes:
    return struct.pack("<H", value & 0xFFFF)


def le32(value: int) -> bytes:
    return struct.pack("<I", value & 0xFFFFFFFF)


def le64(value: int) -> bytes:
    return value.to_bytes(8, "little")


def clock(hour: int, minute: int, second: int, millisecond: int = 0) -> int:
    """Milliseconds since midnight."""
    return ((hour * 60 + minute) * 60 + second) * 1000 + millisecond


CAPTURE_START = clock(8, 58, 3, 214)


def at(seconds: float) -> int:
    """Capture time `seconds` after sniffing started, in ms since midnight."""
    return CAPTURE_START + round(seconds * 1000)


def airtime(frame_bytes: int) -> int:
    """Whole milliseconds a frame of that many MAC bytes occupies the air
    (250 kbit/s, with preamble, SFD, PHY length byte and FCS)."""
    return -(-(frame_bytes + 8) * 32 // 1000)


# --------------------------------------------------------------------------
# Nodes


class Node:
    """A radio in the scenario, with what the sniffer sees of it: its typical
    signal strength and correlation value, and its sequence counters."""

    def __init__(self, rng: random.Random, name: str, pan: int | None, short: int | None,
                 ext: int | None, dbm: int, corr: int, *, parent: "Node | None" = None,
                 sleepy: bool = False, nwk_version: int = 1, radius: int = 6):
        self.name = name
        self.pan = pan
        self.short = short
        self.ext = ext
        self.dbm = dbm
        self.corr = corr
        self.parent = parent
        self.sleepy = sleepy
        self.nwk_version = nwk_version
        self.radius = radius
        self.dsn = rng.randrange(256)      # MAC data sequence number
        self.bsn = rng.randrange(256)      # MAC beacon sequence number
        self.nwk_seq = rng.randrange(256)
        self.af_seq = rng.randrange(256)   # AF and ZDO transaction numbers
        self.polls: list[int] = []         # times this sleepy device polls its parent
        self.claimed: set[int] = set()     # polls used by a scripted exchange

    def next_dsn(self) -> int:
        value, self.dsn = self.dsn, (self.dsn + 1) & 0xFF
        return value

    def next_bsn(self) -> int:
        value, self.bsn = self.bsn, (self.bsn + 1) & 0xFF
        return value

    def next_nwk_seq(self) -> int:
        value, self.nwk_seq = self.nwk_seq, (self.nwk_seq + 1) & 0xFF
        return value

    def next_af_seq(self) -> int:
        value, self.af_seq = self.af_seq, (self.af_seq + 1) & 0xFF
        return value

    def claim_poll(self, not_before: int) -> int:
        """Take this device's next scheduled poll at or after `not_before`."""
        for index, when in enumerate(self.polls):
            if when >= not_before and index not in self.claimed:
                self.claimed.add(index)
                return when
        raise ValueError(f"{self.name} has no poll left after {not_before}")


# --------------------------------------------------------------------------
# MAC frames


@dataclass
class Addr:
    mode: int
    pan: int | None = None
    addr: int | None = None


def short_addr(pan: int, addr: int) -> Addr:
    return Addr(SHORT_MODE, pan, addr)


def ext_addr(pan: int | None, addr: int) -> Addr:
    return Addr(EXT_MODE, pan, addr)


NO_ADDR = Addr(NO_MODE)


@dataclass(eq=False)
class Frame:
    """One transmission as the sniffer will store it.

    `mac` runs from the frame control field to the end of the MAC payload;
    the sequence number (byte 2) is filled in once the capture is in time
    order.  `seq_kind` says where it comes from: the sender's data or beacon
    counter, the acknowledged frame, the first attempt of a retry, or the
    bytes as given ("fixed")."""

    mac: bytearray
    sender: Node | None
    seq_kind: str = "dsn"
    ack_of: "Frame | None" = None
    retry_of: "Frame | None" = None
    crc_ok: bool = True
    damaged_bytes: int = 0
    dbm: int | None = None
    corr: int | None = None
    raw: bytes | None = None       # stored bytes given as they are
    overflow: bool = False
    time: int = 0
    stored: bytes | None = None

    @property
    def wants_ack(self) -> bool:
        return bool(self.mac) and bool(self.mac[0] & 0x20)

    def size(self) -> int:
        return len(self.raw) if self.raw is not None else len(self.mac) + 2

    def retry(self) -> "Frame":
        return Frame(bytearray(self.mac), self.sender, "retry", retry_of=self)


def mac_frame(ftype: int, dst: Addr, src: Addr, payload: bytes = b"", *, ack: bool = False,
              pending: bool = False, secure: bool = False, intra: bool | None = None) -> bytearray:
    """Frame control, sequence number placeholder, addressing fields, payload."""
    if intra is None:
        intra = dst.mode != NO_MODE and src.mode != NO_MODE and dst.pan == src.pan
    low = ftype | secure << 3 | pending << 4 | ack << 5 | intra << 6
    high = dst.mode << 2 | src.mode << 6
    out = bytearray((low, high, 0))
    if dst.mode != NO_MODE:
        out += le16(dst.pan)
        out += le16(dst.addr) if dst.mode == SHORT_MODE else le64(dst.addr)
    if src.mode != NO_MODE:
        if not intra:
            out += le16(src.pan)
        out += le16(src.addr) if src.mode == SHORT_MODE else le64(src.addr)
    out += payload
    return out


def mac_header_length(mac: bytes) -> int:
    """Length of frame control, sequence number and addressing fields."""
    low, high = mac[0], mac[1]
    length = 3
    dst_mode, src_mode = (high >> 2) & 3, (high >> 6) & 3
    if dst_mode in (SHORT_MODE, EXT_MODE):
        length += 2 + (2 if dst_mode == SHORT_MODE else 8)
    if src_mode in (SHORT_MODE, EXT_MODE):
        if not low & 0x40:
            length += 2
        length += 2 if src_mode == SHORT_MODE else 8
    return length


def ack_frame(of: Frame, acker: Node, pending: bool = False) -> Frame:
    return Frame(bytearray((ACK | pending << 4, 0x00, 0)), acker, "ack", ack_of=of)


def data_frame(src: Node, dst_short: int, payload: bytes, *, pending: bool = False,
               secure: bool = False) -> Frame:
    """MAC data frame inside the sender's PAN, short addresses, intra-PAN."""
    mac = mac_frame(DATA, short_addr(src.pan, dst_short), short_addr(src.pan, src.short),
                    payload, ack=dst_short != BROADCAST, pending=pending, secure=secure)
    return Frame(mac, src)


def superframe_spec(beacon_order: int, superframe_order: int, final_cap: int, *,
                    ble: bool = False, pan_coordinator: bool, permit: bool) -> bytes:
    return bytes((beacon_order | superframe_order << 4,
                  final_cap | ble << 4 | pan_coordinator << 6 | permit << 7))


def gts_fields(permit: bool, slots: list[tuple[int, int, int, bool]]) -> bytes:
    """GTS count and permit byte, directions and list; slots are (short, start, length, receive)."""
    out = bytearray((len(slots) | permit << 7,))
    if slots:
        out.append(sum(1 << i for i, slot in enumerate(slots) if slot[3]))
        for short, start, length, _ in slots:
            out += le16(short)
            out.append(start | length << 4)
    return bytes(out)


def pending_fields(shorts: list[int], exts: list[int]) -> bytes:
    out = bytearray((len(shorts) | len(exts) << 4,))
    for short in shorts:
        out += le16(short)
    for ext in exts:
        out += le64(ext)
    return bytes(out)


def zigbee_beacon_payload(version: int, depth: int, router_room: bool, device_room: bool,
                          extended_pan: int | None = None) -> bytes:
    """ZigBee beacon payload: protocol id, stack profile and version, capacity
    and depth; networks of protocol version 2 add the extended PAN id and the
    transmit offset."""
    out = bytes((0x00, 0x01 | version << 4, router_room << 2 | depth << 3 | device_room << 7))
    if extended_pan is not None:
        out += le64(extended_pan) + b"\xFF\xFF\xFF"
    return out


def beacon_frame(node: Node, payload: bytes) -> Frame:
    return Frame(mac_frame(BEACON, NO_ADDR, short_addr(node.pan, node.short), payload),
                 node, "bsn")


def beacon_request(sender: Node) -> Frame:
    return Frame(mac_frame(COMMAND, short_addr(BROADCAST, BROADCAST), NO_ADDR,
                           bytes((BEACON_REQ,))), sender)


def association_request(device: Node, coordinator: Node, capability: int) -> Frame:
    mac = mac_frame(COMMAND, short_addr(coordinator.pan, coordinator.short),
                    ext_addr(BROADCAST, device.ext), bytes((ASSOC_REQ, capability)), ack=True)
    return Frame(mac, device)


def association_response(coordinator: Node, device: Node, short: int, status: int) -> Frame:
    mac = mac_frame(COMMAND, ext_addr(coordinator.pan, device.ext),
                    ext_addr(coordinator.pan, coordinator.ext),
                    bytes((ASSOC_RSP,)) + le16(short) + bytes((status,)), ack=True)
    return Frame(mac, coordinator)


def data_request(device: Node, coordinator: Node, pan: int, *, src_ext: bool = False,
                 to_pan_coordinator: bool = False) -> Frame:
    """Poll for pending data.  In a beacon network the poll that follows the
    beacon of the PAN coordinator needs no destination address."""
    dst = NO_ADDR if to_pan_coordinator else short_addr(pan, coordinator.short)
    src = ext_addr(pan, device.ext) if src_ext else short_addr(pan, device.short)
    return Frame(mac_frame(COMMAND, dst, src, bytes((DATA_REQ,)), ack=True), device)


def disassociation(device: Node, coordinator: Node, reason: int) -> Frame:
    mac = mac_frame(COMMAND, ext_addr(device.pan, coordinator.ext), ext_addr(device.pan, device.ext),
                    bytes((DISASSOC, reason)), ack=True)
    return Frame(mac, device)


def pan_id_conflict(device: Node, coordinator: Node) -> Frame:
    mac = mac_frame(COMMAND, ext_addr(device.pan, coordinator.ext), ext_addr(device.pan, device.ext),
                    bytes((PAN_CONFLICT,)), ack=True)
    return Frame(mac, device)


def orphan_notification(device: Node) -> Frame:
    mac = mac_frame(COMMAND, short_addr(BROADCAST, BROADCAST), ext_addr(None, device.ext),
                    bytes((ORPHAN,)), intra=True)
    return Frame(mac, device)


def coordinator_realignment(parent: Node, orphan: Node) -> Frame:
    payload = (bytes((REALIGN,)) + le16(parent.pan) + le16(parent.short)
               + bytes((SNIFFED_CHANNEL,)) + le16(orphan.short))
    mac = mac_frame(COMMAND, ext_addr(BROADCAST, orphan.ext), ext_addr(parent.pan, parent.ext),
                    payload, ack=True)
    return Frame(mac, parent)


def gts_request(device: Node, length: int, receive: bool, allocate: bool) -> Frame:
    characteristics = length | receive << 4 | allocate << 5
    mac = mac_frame(COMMAND, NO_ADDR, short_addr(device.pan, device.short),
                    bytes((GTS_REQ, characteristics)), ack=True)
    return Frame(mac, device)


# --------------------------------------------------------------------------
# NWK, APS and AF


@dataclass
class Nwk:
    ftype: int
    dst: int
    src: int
    radius: int
    seq: int
    payload: bytes
    version: int = 2
    discover: int = 1
    secure: bool = False

    def encode(self, radius: int | None = None) -> bytes:
        radius = self.radius if radius is None else radius
        first = self.ftype | self.version << 2 | self.discover << 6
        return (bytes((first, 0x02 if self.secure else 0x00)) + le16(self.dst) + le16(self.src)
                + bytes((radius, self.seq)) + self.payload)


def nwk_data(origin: Node, dst: int, payload: bytes, *, secure: bool = False,
             radius: int | None = None) -> Nwk:
    return Nwk(NWK_DATA, dst, origin.short, origin.radius if radius is None else radius,
               origin.next_nwk_seq(), payload, origin.nwk_version,
               0 if dst == BROADCAST else 1, secure)


def nwk_command(origin: Node, dst: int, payload: bytes, *, radius: int | None = None) -> Nwk:
    return Nwk(NWK_CMD, dst, origin.short, origin.radius if radius is None else radius,
               origin.next_nwk_seq(), payload, origin.nwk_version, 0)


def route_request(request_id: int, dst: int, cost: int, repair: bool = False) -> bytes:
    return bytes((ROUTE_REQ, repair << 7, request_id)) + le16(dst) + bytes((cost,))


def route_reply(request_id: int, originator: int, responder: int, cost: int) -> bytes:
    return bytes((ROUTE_REP, 0x00, request_id)) + le16(originator) + le16(responder) + bytes((cost,))


def route_error(code: int, dst: int) -> bytes:
    return bytes((ROUTE_ERR, code)) + le16(dst)


def leave(request: bool, remove_children: bool) -> bytes:
    return bytes((LEAVE, request << 6 | remove_children << 7))


def aps_data(dst_ep: int | None, cluster: int, profile: int, src_ep: int | None, *,
             delivery: int = DIRECT, to_binding: bool = False, ack: bool = False) -> bytes:
    """APS data header.  Indirect delivery towards the binding table leaves
    out the destination endpoint, indirect delivery from it the source."""
    out = bytearray((delivery | to_binding << 4 | ack << 6,))
    if not (delivery == INDIRECT and to_binding):
        out.append(dst_ep)
    out.append(cluster)
    out += le16(profile)
    if not (delivery == INDIRECT and not to_binding):
        out.append(src_ep)
    return bytes(out)


def aps_ack(dst_ep: int, cluster: int, profile: int, src_ep: int) -> bytes:
    return bytes((0x02, dst_ep, cluster)) + le16(profile) + bytes((src_ep,))


def aps_command(command: int, body: bytes) -> bytes:
    return bytes((0x01, command)) + body


def af_kvp(*transactions: bytes) -> bytes:
    return bytes((0x10 | len(transactions),)) + b"".join(transactions)


def af_msg(*transactions: bytes) -> bytes:
    return bytes((0x20 | len(transactions),)) + b"".join(transactions)


def kvp(seq: int, command: int, dtype: int, attribute: int, value: bytes = b"",
        result: int | None = None) -> bytes:
    out = bytes((seq, command | dtype << 4)) + le16(attribute)
    if result is not None:
        out += bytes((result,))
    return out + value


def msg(seq: int, data: bytes) -> bytes:
    return bytes((seq, len(data))) + data


def u8(v: int) -> bytes:
    return struct.pack("<B", v)


def s8(v: int) -> bytes:
    return struct.pack("<b", v)


def u16(v: int) -> bytes:
    return struct.pack("<H", v)


def s16(v: int) -> bytes:
    return struct.pack("<h", v)


def semi(v: float) -> bytes:
    return struct.pack("<e", v)


def s32(v: int) -> bytes:
    return struct.pack("<i", v)


def text(s: str) -> bytes:
    raw = s.encode("ascii")
    return bytes((len(raw),)) + raw


def blob(data: bytes) -> bytes:
    return bytes((len(data),)) + data


SECONDS_SINCE_2000 = int((datetime(2006, 3, 7, 8, 51, 40) - datetime(2000, 1, 1)).total_seconds())


def zdo(node: Node, cluster: int, body: bytes, *, broadcast: bool = False) -> bytes:
    """A ZDO frame: APS header on endpoint 0 and one AF message transaction."""
    return (aps_data(0, cluster, PROFILE_ZDO, 0, delivery=APS_BCAST if broadcast else DIRECT)
            + af_msg(msg(node.next_af_seq(), body)))


# MailBox messages (the bytes after the message length byte).

def mbx_appid_request() -> bytes:
    return bytes((1,))


def mbx_appid_response(app_id: int) -> bytes:
    return bytes((2,)) + le32(app_id)


def mbx_data(app_id: int, seq: int, flags: int, data: bytes) -> bytes:
    body = le32(app_id) + bytes((seq, flags)) + data
    return bytes((3,)) + body + bytes(((-sum(body)) & 0xFF,))


def mbx_ack(result: int, seq: int, retry_later: int = 0) -> bytes:
    return bytes((4, result, seq)) + le16(retry_later)


def mbx_sleep_permit(app_id: int, closedown: int, sleep: int, wakeup: int) -> bytes:
    return bytes((5,)) + le32(app_id) + le16(closedown) + sleep.to_bytes(3, "little") + le16(wakeup)


def mbx_present() -> bytes:
    return bytes((6,))


def mbx_redirect(app_id: int, flags: int, destination: int) -> bytes:
    return bytes((7,)) + le32(app_id) + bytes((flags,)) + le16(destination)


def mbx_custom(command: int, app_id: int, payload: bytes) -> bytes:
    return bytes((command,)) + le32(app_id) + payload


# --------------------------------------------------------------------------
# The capture being built


class Capture:
    """Collects exchanges (a frame and its acknowledgement or retries) at the
    times the scenario asks for; `finish` puts them in time order without
    overlap and numbers the frames."""

    def __init__(self, rng: random.Random):
        self.rng = rng
        self._exchanges: list[tuple[int, int, list[tuple[int, Frame]]]] = []

    def around(self, seconds: float) -> int:
        """A start time for an episode: `seconds` into the capture, plus the
        fraction of a second that real devices never agree on."""
        return at(seconds) + self.rng.randint(0, 850)

    def put(self, when: int, items: list[tuple[int, Frame]]) -> None:
        self._exchanges.append((when, len(self._exchanges), items))

    def send(self, when: int, frame: Frame, acker: Node | None = None, *,
             ack_pending: bool = False, lost: bool = False) -> int:
        """Transmit `frame` at `when`.  A frame that asks for an acknowledgement
        gets one from `acker` 1-4 ms later; a `lost` frame gets none and is
        sent three more times with the same sequence number.  Returns the time
        at which the sender goes on."""
        items = [(0, frame)]
        if frame.wants_ack and lost:
            offset = 0
            for _ in range(MAC_MAX_RETRIES):
                offset += airtime(frame.size()) + self.rng.randint(2, 4)
                items.append((offset, frame.retry()))
        elif frame.wants_ack:
            assert acker is not None, "acknowledged frame without a receiver"
            items.append((self.rng.randint(1, 4), ack_frame(frame, acker, ack_pending)))
        self.put(when, items)
        return when + items[-1][0] + self.rng.randint(3, 9)

    def finish(self) -> list[Frame]:
        frames: list[Frame] = []
        free = 0
        for when, _, items in sorted(self._exchanges, key=lambda e: (e[0], e[1])):
            start = max(when, free)
            for offset, frame in items:
                frame.time = start + offset
                frames.append(frame)
            last_offset, last = items[-1]
            free = start + last_offset + airtime(last.size()) + self.rng.randint(1, 3)
        return frames


def hop(cap: Capture, when: int, a: Node, b: Node, payload: bytes, *, pending: bool = False,
        secure: bool = False, lost: bool = False, damaged: int = 0) -> int:
    """One MAC data frame from `a` to its neighbour `b`, acknowledged by `b`."""
    frame = data_frame(a, b.short, payload, pending=pending, secure=secure)
    if damaged:
        frame.crc_ok, frame.damaged_bytes = False, damaged
    return cap.send(when, frame, b, lost=lost)


def indirect(cap: Capture, when: int, parent: Node, child: Node, payloads: list[bytes]) -> int:
    """Frames held by `parent` for its sleepy `child`: the child's next poll
    is acknowledged with the pending bit, the parent sends; while the data
    frame says more is pending, the child polls again at once."""
    when = child.claim_poll(when)
    for index, payload in enumerate(payloads):
        when = cap.send(when, data_request(child, parent, child.pan), parent, ack_pending=True)
        when += cap.rng.randint(2, 6)
        more = index < len(payloads) - 1
        when = hop(cap, when, parent, child, payload, pending=more)
        when += cap.rng.randint(3, 8)
    return when


def unicast(cap: Capture, when: int, path: list[Node], frame: Nwk, *, damaged_hop: int = -1) -> int:
    """Carry a NWK frame hop by hop along `path` (originator first).  The last
    hop to a sleepy device waits for the device's next poll."""
    radius = frame.radius
    for index, (a, b) in enumerate(zip(path, path[1:])):
        if b.sleepy and b is path[-1] and b.parent is a:
            when = indirect(cap, when, a, b, [frame.encode(radius)])
        else:
            when = hop(cap, when, a, b, frame.encode(radius), damaged=2 if index == damaged_hop else 0)
        radius -= 1
        when += cap.rng.randint(4, 14)
    return when


def broadcast(cap: Capture, when: int, frame: Nwk, sender: Node,
              relays: list[tuple[Node, int]], *, via_parent: bool = False) -> int:
    """A NWK broadcast: the first transmission by `sender` (an end device
    hands it to its parent first), then one rebroadcast per relaying router,
    each (node, hops from the first broadcaster) with its radius reduced."""
    radius = frame.radius
    if via_parent:
        when = hop(cap, when, sender, sender.parent, frame.encode(radius)) + cap.rng.randint(3, 10)
        sender, radius = sender.parent, radius - 1
    when = cap.send(when, data_frame(sender, BROADCAST, frame.encode(radius)))
    for node, depth in relays:
        when += cap.rng.randint(8, 40)
        when = cap.send(when, data_frame(node, BROADCAST, frame.encode(radius - depth)))
    return when


# --------------------------------------------------------------------------
# The radios


class World:
    """Every node of the scenario, with its PAN, addresses and link to the sniffer."""

    def __init__(self, rng: random.Random):
        def node(*args, **kwargs) -> Node:
            n = Node(rng, *args, **kwargs)
            self.nodes.append(n)
            return n

        self.nodes: list[Node] = []
        home, office, lab = 0x1A62, 0x2B07, 0x3C5D
        self.home_pan, self.office_pan, self.lab_pan = home, office, lab

        # Home PAN: tree addressing with 6 children, 4 routers, depth 3.
        self.coord = node("Coordinator", home, 0x0000, 0x000D6F000012A3F1, -52, 106)
        self.hall = node("Hall router", home, 0x0001, 0x000D6F000012A40C, -61, 102, parent=self.coord)
        self.lounge = node("Lounge router", home, 0x0020, 0x000D6F000012A417, -70, 97, parent=self.coord)
        self.light = node("Kitchen light", home, 0x007D, 0x00124B00003C91E2, -58, 104, parent=self.coord)
        self.heater = node("Garage heater", home, 0x007E, 0x00124B00003C8833, -79, 91, parent=self.coord)
        self.door = node("Door sensor", home, 0x001E, 0x0004A3000008D64B, -84, 86, parent=self.hall,
                         sleepy=True)
        self.window = node("Window sensor", home, 0x001F, 0x0004A3000008D6A9, -80, 89, parent=self.hall,
                           sleepy=True)
        self.thermostat = node("Thermostat", home, 0x003D, 0x00124B00003C7A05, -76, 92,
                               parent=self.lounge)
        self.visitor = node("Visitor tag", None, None, 0x0050C2FFFE01C47D, -66, 99)

        # Office PAN: an older network, 4 children, 2 routers, depth 3.
        self.gateway = node("Office gateway", office, 0x0000, 0x0013A20040301F5C, -64, 100,
                            nwk_version=1)
        self.meter = node("Meter reader", office, 0x0001, 0x0013A20040302277, -73, 95,
                          parent=self.gateway, nwk_version=1)
        self.boiler = node("Boiler panel", office, 0x000C, 0x0013A2004031A0E8, -87, 84,
                           parent=self.meter, sleepy=True, nwk_version=1)

        # Lab PAN: beacon-enabled, beacon order 9, superframe order 8.
        self.lab = node("Lab coordinator", lab, 0x0000, 0x0050C2D4C0000101, -57, 104, nwk_version=1,
                        radius=4)
        self.sensor_a = node("Lab sensor A", lab, 0x0011, 0x0050C2D4C0000211, -69, 98, parent=self.lab,
                             nwk_version=1, radius=4)
        self.sensor_b = node("Lab sensor B", lab, 0x0012, 0x0050C2D4C0000212, -74, 94, parent=self.lab,
                             nwk_version=1, radius=4)
        self.tag = node("Lab tag", lab, None, 0x0050C2D4C00009F3, -81, 89, parent=self.lab)

        # Sleepy devices poll their parents on a fixed period, with some jitter.
        self.door.polls = [at(4.3 + 15 * k) + rng.randint(-40, 40) for k in range(16)]
        self.boiler.polls = [at(12.7 + 30 * k) + rng.randint(-40, 40) for k in range(8)]
        # The window sensor joins at about 35 s; it polls fast while it is
        # being commissioned, then every 20 s.
        self.window.polls = ([at(t) + rng.randint(-20, 20) for t in (37.6, 39.1, 40.6, 42.1)]
                             + [at(58.0 + 20 * k) + rng.randint(-40, 40) for k in range(10)])

        # The router outage in the home PAN (the hall router loses power).
        self.hall_down_from, self.hall_down_until = at(100.5), at(111.0)


# Office application identifiers of the MailBox devices.
APP_GATEWAY, APP_METER, APP_BOILER = 0x47570001, 0x4D520007, 0x42500003

# Lab superframe timing.
LAB_BEACON_INTERVAL = 15.36 * 2 ** 9     # ms, beacon order 9
LAB_SLOT = 15.36 * 2 ** 8 / 16           # ms, superframe order 8
LAB_GTS_B_FROM = 16                      # first beacon that lists sensor B's slot


def lab_beacon_time(k: int) -> int:
    return at(0.153) + round(k * LAB_BEACON_INTERVAL)


# --------------------------------------------------------------------------
# Episodes of the scenario


def lab_beacons(cap: Capture, w: World) -> None:
    """Beacons of the lab coordinator for the whole capture, and sensor A's
    MAC-secured readings in its guaranteed time slot every third superframe."""
    rng = cap.rng
    frame_counter = 0x00000D41
    k = 0
    while lab_beacon_time(k) < at(242):
        slots = [(w.sensor_a.short, 14, 2, False)]
        final_cap = 13
        if k >= LAB_GTS_B_FROM:
            slots.append((w.sensor_b.short, 12, 2, True))
            final_cap = 11
        shorts, exts = [], []
        if k == 5:
            shorts = [w.sensor_b.short]
        if k == 17:
            shorts, exts = [w.sensor_b.short], [w.tag.ext]
        payload = (superframe_spec(9, 8, final_cap, pan_coordinator=True, permit=True)
                   + gts_fields(True, slots) + pending_fields(shorts, exts)
                   + zigbee_beacon_payload(1, 0, True, True))
        frame = beacon_frame(w.lab, payload)
        if k == 9:
            frame.crc_ok, frame.damaged_bytes, frame.dbm = False, 2, -93
        cap.send(lab_beacon_time(k), frame)
        if k % 3 == 1:
            secured = (le32(frame_counter) + b"\x00" + bytes(rng.randrange(256) for _ in range(12))
                       + bytes(rng.randrange(256) for _ in range(4)))
            frame_counter += 1
            when = lab_beacon_time(k) + round(14 * LAB_SLOT) + rng.randint(2, 20)
            cap.send(when, data_frame(w.sensor_a, w.lab.short, secured, secure=True), w.lab)
        k += 1


def lab_episodes(cap: Capture, w: World) -> None:
    rng = cap.rng
    lab, a, b, tag = w.lab, w.sensor_a, w.sensor_b, w.tag

    def lab_app(src: Node, dst: Node, af: bytes) -> bytes:
        return nwk_data(src, dst.short, aps_data(0x02, 0x10, PROFILE_LAB, 0x02) + af).encode()

    # Beacon 5 announces data for sensor B: a request for its battery level.
    when = lab_beacon_time(5) + rng.randint(30, 45)
    when = cap.send(when, data_request(b, lab, lab.pan, to_pan_coordinator=True), lab, ack_pending=True)
    get = af_kvp(kvp(lab.next_af_seq(), GET_ACK, T_NULL, 0x0030))
    when = hop(cap, when + 3, lab, b, lab_app(lab, b, get))
    reply = af_kvp(kvp(b.next_af_seq(), GET_RSP, T_U8, 0x0030, u8(0xB4), RESULT_OK))
    hop(cap, when + rng.randint(180, 260), b, lab, lab_app(b, lab, reply))

    # Sensor B asks for a receive slot; it is granted from the next beacon on.
    cap.send(lab_beacon_time(LAB_GTS_B_FROM - 1) + 412, gts_request(b, 2, receive=True, allocate=True),
             lab)

    # The lab tag associates without asking for a short address.
    tag_request = association_request(tag, lab, 0x00)
    cap.send(lab_beacon_time(16) + 233, tag_request, lab)

    # Beacon 17 lists sensor B (new sample period) and the tag (its answer).
    when = lab_beacon_time(17) + rng.randint(30, 40)
    when = cap.send(when, data_request(b, lab, lab.pan, to_pan_coordinator=True), lab, ack_pending=True)
    setting = af_kvp(kvp(lab.next_af_seq(), SET_ACK, T_U16, 0x0010, u16(1800)))
    when = hop(cap, when + 3, lab, b, lab_app(lab, b, setting))
    when = cap.send(when + 20, data_request(tag, lab, lab.pan, src_ext=True, to_pan_coordinator=True),
                    lab, ack_pending=True)
    cap.send(when + 4, association_response(lab, tag, 0xFFFE, 0x00), tag)
    reply = af_kvp(kvp(b.next_af_seq(), SET_RSP, T_NULL, 0x0010, result=RESULT_OK))
    hop(cap, lab_beacon_time(17) + 640, b, lab, lab_app(b, lab, reply))

    # Later settings reach sensor B in its own receive slot.
    for k, value in ((19, 900), (22, 600)):
        when = lab_beacon_time(k) + round(12 * LAB_SLOT) + rng.randint(2, 12)
        hop(cap, when, lab, b, lab_app(lab, b, af_kvp(kvp(lab.next_af_seq(), SET, T_U16, 0x0010,
                                                          u16(value)))))

    # Sensor A hears another coordinator using the lab PAN id.
    cap.send(lab_beacon_time(20) + 305, pan_id_conflict(a, lab), lab)


def visitor_denied(cap: Capture, w: World, when: int) -> None:
    """A visiting tag scans, picks the office gateway and is refused."""
    rng = cap.rng
    v = w.visitor
    when = cap.send(when, beacon_request(v))
    when = active_scan_beacons(cap, w, when) + rng.randint(600, 700)
    when = cap.send(when, association_request(v, w.gateway, 0x80), w.gateway)
    when += 491 + rng.randint(0, 8)  # response wait time
    poll = data_request(v, w.gateway, w.office_pan, src_ext=True)
    when = cap.send(when, poll, w.gateway, ack_pending=True)
    cap.send(when + 3, association_response(w.gateway, v, 0xFFFF, 0x02), v)


def active_scan_beacons(cap: Capture, w: World, when: int) -> int:
    """Beacons of the non-beacon networks in answer to a beacon request."""
    rng = cap.rng
    answers = [
        (w.coord, True, zigbee_beacon_payload(2, 0, True, True, w.coord.ext)),
        (w.hall, False, zigbee_beacon_payload(2, 1, True, True, w.coord.ext)),
        (w.gateway, True, zigbee_beacon_payload(1, 0, False, True)),
        (w.lounge, False, zigbee_beacon_payload(2, 1, False, True, w.coord.ext)),
        (w.meter, False, zigbee_beacon_payload(1, 1, True, True)),
    ]
    for node, is_coordinator, zb in answers:
        payload = (superframe_spec(15, 15, 15, pan_coordinator=is_coordinator, permit=True)
                   + gts_fields(False, []) + pending_fields([], []) + zb)
        when = cap.send(when + rng.randint(2, 12), beacon_frame(node, payload))
    return when


def window_joins(cap: Capture, w: World, when: int) -> None:
    """The window sensor scans, associates with the hall router, announces
    itself and is interviewed by the coordinator."""
    rng = cap.rng
    win, hall, coord = w.window, w.hall, w.coord
    when = cap.send(when, beacon_request(win))
    when = active_scan_beacons(cap, w, when) + rng.randint(650, 720)
    when = cap.send(when, association_request(win, hall, 0x80), hall)
    when += 491 + rng.randint(0, 8)
    when = cap.send(when, data_request(win, hall, w.home_pan, src_ext=True), hall, ack_pending=True)
    when = cap.send(when + 4, association_response(hall, win, win.short, 0x00), win)

    # Announce: handed to the parent, which broadcasts it; the other routers repeat it.
    announce = zdo(win, END_DEVICE_ANNCE, le16(win.short) + le64(win.ext) + b"\x80", broadcast=True)
    when = broadcast(cap, when + rng.randint(250, 320), nwk_data(win, BROADCAST, announce), win,
                     [(w.coord, 1), (w.lounge, 1)], via_parent=True)

    # Interview: node and active endpoint requests queue at the hall router.
    node_req = nwk_data(coord, win.short, zdo(coord, NODE_DESC_REQ, le16(win.short)))
    ep_req = nwk_data(coord, win.short, zdo(coord, ACTIVE_EP_REQ, le16(win.short)))
    when = hop(cap, when + rng.randint(400, 700), coord, hall, node_req.encode())
    when = hop(cap, when + rng.randint(20, 60), coord, hall, ep_req.encode())
    when = indirect(cap, when, hall, win, [node_req.encode(node_req.radius - 1),
                                           ep_req.encode(ep_req.radius - 1)])
    descriptor = bytes((0x02, 0x40, 0x80)) + le16(0x104A) + bytes((0x50,)) + le16(0x0080) + le16(0x0000)
    node_rsp = zdo(win, NODE_DESC_RSP, b"\x00" + le16(win.short) + descriptor)
    when = unicast(cap, when + rng.randint(15, 40), [win, hall, coord], nwk_data(win, 0x0000, node_rsp))
    ep_rsp = zdo(win, ACTIVE_EP_RSP, b"\x00" + le16(win.short) + b"\x01\x01")
    when = unicast(cap, when + rng.randint(15, 40), [win, hall, coord], nwk_data(win, 0x0000, ep_rsp))

    simple_req = zdo(coord, SIMPLE_DESC_REQ, le16(win.short) + b"\x01")
    when = unicast(cap, when + rng.randint(200, 400), [coord, hall, win], nwk_data(coord, win.short, simple_req))
    simple = (b"\x01" + le16(PROFILE_HA) + le16(0x0402) + b"\x00"
              + b"\x02" + bytes((CL_DOOR, CL_TEMPERATURE)) + b"\x00")
    simple_rsp = zdo(win, SIMPLE_DESC_RSP, b"\x00" + le16(win.short) + bytes((len(simple),)) + simple)
    unicast(cap, when + rng.randint(15, 40), [win, hall, coord], nwk_data(win, 0x0000, simple_rsp))


def office_episodes(cap: Capture, w: World) -> None:
    """MailBox exchanges between the meter reader and the office gateway, and
    the boiler panel's secured traffic."""
    rng = cap.rng
    gw, meter, boiler = w.gateway, w.meter, w.boiler

    def mailbox(src: Node, dst: Node, message: bytes, *, to: int | None = None) -> Nwk:
        aps = aps_data(MAILBOX_EP, MAILBOX_CLUSTER, PROFILE_MAILBOX, MAILBOX_EP,
                       delivery=APS_BCAST if to == BROADCAST else DIRECT)
        return nwk_data(src, dst.short if to is None else to,
                        aps + af_msg(msg(src.next_af_seq(), message)))

    # Application identifiers.
    when = unicast(cap, cap.around(8.0), [meter, gw], mailbox(meter, gw, mbx_appid_request()))
    unicast(cap, when + rng.randint(30, 60), [gw, meter], mailbox(gw, meter, mbx_appid_response(APP_GATEWAY)))

    # The boiler panel gets the network key through the meter reader.
    key = bytes(rng.randrange(256) for _ in range(16))
    transport = aps_command(0x05, b"\x01" + key + b"\x00" + le64(boiler.ext) + le64(gw.ext))
    unicast(cap, cap.around(13.0), [gw, meter, boiler], nwk_data(gw, boiler.short, transport))

    # Meter readings, acknowledged by the gateway.
    mb_seq = 0x21
    readings = [(45.0, 0), (90.0, 5)]
    for start, result in readings:
        data = le32(0x0001E0C4 + mb_seq * 7) + le16(230 + mb_seq % 5)
        when = unicast(cap, cap.around(start), [meter, gw], mailbox(meter, gw, mbx_data(APP_METER, mb_seq, 0x02, data)))
        unicast(cap, when + rng.randint(25, 50), [gw, meter],
                mailbox(gw, meter, mbx_ack(result, mb_seq, 3000 if result == 5 else 0)))
        if result == 5:  # retry later: the same reading again, marked as a retry
            when = unicast(cap, cap.around(start + 7.0), [meter, gw],
                           mailbox(meter, gw, mbx_data(APP_METER, mb_seq, 0x06, data)))
            unicast(cap, when + rng.randint(25, 50), [gw, meter], mailbox(gw, meter, mbx_ack(0, mb_seq)))
        mb_seq += 1

    # The gateway lets the network sleep; the meter reader repeats the broadcast.
    sleep = mailbox(gw, gw, mbx_sleep_permit(APP_GATEWAY, 30, 0x000E10, 20), to=BROADCAST)
    broadcast(cap, cap.around(130.0), sleep, gw, [(meter, 1)])

    # Redirect of the meter reader's reports; its reply is damaged at the sniffer.
    when = unicast(cap, cap.around(150.0), [gw, meter], mailbox(gw, meter, mbx_redirect(APP_GATEWAY, 0x01, 0x0003)))
    unicast(cap, when + rng.randint(40, 80), [meter, gw], mailbox(meter, gw, mbx_present()), damaged_hop=0)

    # The boiler panel's report is NWK-secured all the way to the gateway.
    secured = (b"\x28" + le32(0x0000004E) + le64(boiler.ext) + b"\x00"
               + bytes(rng.randrange(256) for _ in range(14)) + bytes(rng.randrange(256) for _ in range(4)))
    unicast(cap, cap.around(160.0), [boiler, meter, gw], nwk_data(boiler, gw.short, secured, secure=True))

    # A vendor-specific message.
    when = unicast(cap, cap.around(175.0), [meter, gw],
                   mailbox(meter, gw, mbx_custom(0x85, APP_METER, b"\x10\x02\x7F\x00\x3C")))
    unicast(cap, when + rng.randint(25, 50), [gw, meter], mailbox(gw, meter, mbx_ack(0, mb_seq)))

    # A reading for every MailBox device in the network.
    data = le32(0x0001E1A0) + le16(231)
    broadcast(cap, cap.around(235.0), mailbox(meter, gw, mbx_data(APP_METER, mb_seq, 0x01, data), to=BROADCAST),
              meter, [(gw, 1)])


def thermostat_reports(cap: Capture, w: World) -> None:
    """Temperature reports every 30 s through the lounge router."""
    rng = cap.rng
    th, lounge, coord = w.thermostat, w.lounge, w.coord
    temperatures = [21.5, 21.5, 21.625, 21.75, 21.75, 21.875, 22.0, 22.0]
    for k, temperature in enumerate(temperatures):
        seq = th.next_af_seq
        transactions = [kvp(seq(), EVENT, T_SEMI, 0x0000, semi(temperature))]
        if k % 2 == 0:
            transactions.append(kvp(seq(), EVENT, T_U16, 0x0001, u16(4150 + 35 * k)))
            transactions.append(kvp(seq(), EVENT, T_S8, 0x0002, s8(-2)))
        frame = nwk_data(th, coord.short, aps_data(0x01, CL_TEMPERATURE, PROFILE_HA, 0x05)
                         + af_kvp(*transactions))
        unicast(cap, at(9.8 + 30 * k) + rng.randint(-30, 30), [th, lounge, coord], frame,
                damaged_hop=0 if k == 4 else -1)


def home_episodes(cap: Capture, w: World) -> None:
    rng = cap.rng
    coord, hall, lounge = w.coord, w.hall, w.lounge
    light, door, th, heater, win = w.light, w.door, w.thermostat, w.heater, w.window

    def app(src: Node, dst_short: int, aps: bytes, af: bytes) -> Nwk:
        return nwk_data(src, dst_short, aps + af)

    # Kitchen light switched off.
    off = af_kvp(kvp(coord.next_af_seq(), SET, T_U8, 0x0000, u8(0)))
    unicast(cap, cap.around(6.0), [coord, light], app(coord, light.short, aps_data(0x08, CL_ON_OFF, PROFILE_HA, 0x01), off))

    # Neighbour table of the hall router.
    when = unicast(cap, cap.around(14.5), [coord, hall], nwk_data(coord, hall.short, zdo(coord, MGMT_LQI_REQ, b"\x00")))
    entries = b""
    for n, kind in ((coord, 0x14), (w.door, 0x26)):  # (type/rx-on/relation byte)
        entries += le16(w.home_pan) + le64(n.ext) + le16(n.short) + bytes((kind, 0x02, 0 if n is coord else 2,
                                                                            0xD8 if n is coord else 0x7A))
    lqi = b"\x00\x02\x00\x02" + entries
    unicast(cap, when + rng.randint(30, 60), [hall, coord], nwk_data(hall, coord.short, zdo(hall, MGMT_LQI_RSP, lqi)))

    # The door opens: the report goes to the binding table, which switches
    # the kitchen light on.  The sniffer gets the first hop damaged.
    opened = af_kvp(kvp(door.next_af_seq(), EVENT, T_U8, 0x0000, u8(1)))
    report = app(door, coord.short, aps_data(None, CL_DOOR, PROFILE_HA, 0x01, delivery=INDIRECT, to_binding=True),
                 opened)
    when = unicast(cap, cap.around(20.0), [door, hall, coord], report, damaged_hop=0)
    on = af_kvp(kvp(coord.next_af_seq(), SET, T_U8, 0x0000, u8(1)))
    unicast(cap, when + rng.randint(10, 25), [coord, light],
            app(coord, light.short, aps_data(0x08, CL_ON_OFF, PROFILE_HA, None, delivery=INDIRECT), on))

    # Dimming with an APS acknowledgement and a Set response.
    dim = af_kvp(kvp(coord.next_af_seq(), SET_ACK, T_U8, 0x0000, u8(0xC0)))
    when = unicast(cap, cap.around(27.0), [coord, light],
                   app(coord, light.short, aps_data(0x08, CL_LEVEL, PROFILE_HA, 0x01, ack=True), dim))
    when = unicast(cap, when + rng.randint(8, 15), [light, coord],
                   nwk_data(light, coord.short, aps_ack(0x01, CL_LEVEL, PROFILE_HA, 0x08)))
    done = af_kvp(kvp(light.next_af_seq(), SET_RSP, T_NULL, 0x0000, result=RESULT_OK))
    unicast(cap, when + rng.randint(20, 40), [light, coord],
            app(light, coord.short, aps_data(0x01, CL_LEVEL, PROFILE_HA, 0x08), done))

    window_joins(cap, w, cap.around(34.5))

    # The thermostat looks for a temperature display; the coordinator answers.
    match = zdo(th, MATCH_DESC_REQ, le16(BROADCAST) + le16(PROFILE_HA) + b"\x00\x01" + bytes((CL_TEMPERATURE,)),
                broadcast=True)
    when = broadcast(cap, cap.around(50.5), nwk_data(th, BROADCAST, match), th, [(coord, 1), (hall, 2)],
                     via_parent=True)
    rsp = zdo(coord, MATCH_DESC_RSP, b"\x00" + le16(coord.short) + b"\x01\x01")
    unicast(cap, when + rng.randint(40, 90), [coord, lounge, th], nwk_data(coord, th.short, rsp))

    # The thermostat sends its heating schedule as two messages.
    schedule = af_msg(msg(th.next_af_seq(), b"\x01\x06\x00\x60\x4D\x16\x00\x00\x4C"),
                      msg(th.next_af_seq(), b"\x02\x07\x30\x00\x4D\x16\x30\x80\x4C"))
    unicast(cap, cap.around(58.6), [th, lounge, coord],
            app(th, coord.short, aps_data(0x01, CL_SCHEDULE, PROFILE_HA, 0x05), schedule))

    # The coordinator reads the kitchen light's state, name and a missing attribute.
    light_aps_req = aps_data(0x08, CL_ON_OFF, PROFILE_HA, 0x01)
    light_aps_rsp = aps_data(0x01, CL_ON_OFF, PROFILE_HA, 0x08)
    questions = [
        ([(0x0000, None), (0x0010, None)],
         lambda s: af_kvp(kvp(s(), GET_RSP, T_U8, 0x0000, u8(1), RESULT_OK),
                          kvp(s(), GET_RSP, T_U16, 0x0010, u16(0x0123), RESULT_OK))),
        ([(0x4000, None)], lambda s: af_kvp(kvp(s(), GET_RSP, T_CHAR, 0x4000, text("Kitchen light"), RESULT_OK))),
        ([(0x0777, None)], lambda s: af_kvp(kvp(s(), GET_RSP, T_NULL, 0x0777, result=RESULT_UNKNOWN_ATTR))),
    ]
    for start, (attrs, answer) in zip((64.0, 66.0, 67.5), questions):
        ask = af_kvp(*(kvp(coord.next_af_seq(), GET_ACK, T_NULL, attr) for attr, _ in attrs))
        when = unicast(cap, cap.around(start), [coord, light], app(coord, light.short, light_aps_req, ask))
        unicast(cap, when + rng.randint(15, 35), [light, coord],
                app(light, coord.short, light_aps_rsp, answer(light.next_af_seq)))

    # Route discovery from the lounge router to the hall router.
    request_id = 0x17
    discovery = nwk_command(lounge, BROADCAST, route_request(request_id, hall.short, 0))
    when = broadcast(cap, cap.around(72.0), discovery, lounge, [])
    # The coordinator repeats it with the cost of the lounge link added.
    relayed = replace(discovery, payload=route_request(request_id, hall.short, 3))
    when = cap.send(when + rng.randint(10, 30), data_frame(coord, BROADCAST, relayed.encode(discovery.radius - 1)))
    reply = nwk_command(hall, lounge.short, route_reply(request_id, lounge.short, hall.short, 4))
    when = unicast(cap, when + rng.randint(20, 40), [hall, coord, lounge], reply)

    # The sniffer's buffers overflow in the middle of the burst.
    cap.put(when + rng.randint(1, 4), [(0, Frame(bytearray(), None, "fixed", overflow=True))])

    # The garage heater is asked to leave; it says so and disassociates.
    when = unicast(cap, cap.around(80.0), [coord, heater], nwk_command(coord, heater.short, leave(True, False)))
    when = broadcast(cap, when + rng.randint(30, 60), nwk_command(heater, BROADCAST, leave(False, False), radius=1),
                     heater, [])
    cap.send(when + rng.randint(20, 40), disassociation(heater, coord, 0x02), coord)

    # The kitchen light reports when it was switched and for how long it has been on.
    times = af_kvp(kvp(light.next_af_seq(), EVENT, T_ABS, 0x0020, s32(SECONDS_SINCE_2000)),
                   kvp(light.next_af_seq(), EVENT, T_REL, 0x0021, s32(63_250)))
    unicast(cap, cap.around(86.0), [light, coord], app(light, coord.short, aps_data(0x01, CL_ON_OFF, PROFILE_HA, 0x08), times))

    # The thermostat still tries to switch the heater: route error from its old parent.
    heat = af_kvp(kvp(th.next_af_seq(), SET, T_U8, 0x0000, u8(1)))
    when = unicast(cap, cap.around(92.5), [th, lounge, coord],
                   app(th, heater.short, aps_data(0x03, CL_ON_OFF, PROFILE_HA, 0x05), heat))
    unicast(cap, when + rng.randint(5, 15), [coord, lounge, th], nwk_command(coord, th.short, route_error(1, heater.short)))

    hall_outage(cap, w)

    # A temperature set-point change that wants an answer.
    change = af_kvp(kvp(th.next_af_seq(), EVENT_ACK, T_S16, 0x0012, s16(2100)))
    when = unicast(cap, cap.around(165.0), [th, lounge, coord],
                   app(th, coord.short, aps_data(0x01, CL_TEMPERATURE, PROFILE_HA, 0x05), change))
    answer = af_kvp(kvp(coord.next_af_seq(), EVENT_RSP, T_NULL, 0x0012, result=RESULT_OK))
    unicast(cap, when + rng.randint(20, 40), [coord, lounge, th],
            app(coord, th.short, aps_data(0x05, CL_TEMPERATURE, PROFILE_HA, 0x01), answer))

    # All lights off, to every endpoint of every device.
    all_off = af_kvp(kvp(coord.next_af_seq(), SET, T_U8, 0x0000, u8(0)))
    broadcast(cap, cap.around(180.0), app(coord, BROADCAST, aps_data(0xFF, CL_ON_OFF, PROFILE_HA, 0x01, delivery=APS_BCAST),
                                  all_off), coord, [(hall, 1), (lounge, 1)])

    # The door sensor's zone status, answered through its parent at the next poll.
    status = af_kvp(kvp(door.next_af_seq(), EVENT, T_U8, 0x0000, u8(0)),
                    kvp(door.next_af_seq(), EVENT_ACK, T_BLOB, 0x0030, blob(b"\x20\x00\x01\x9C")))
    when = unicast(cap, cap.around(190.0), [door, hall, coord],
                   app(door, coord.short, aps_data(0x01, CL_DOOR, PROFILE_HA, 0x01), status))
    answer = af_kvp(kvp(coord.next_af_seq(), EVENT_RSP, T_NULL, 0x0030, result=RESULT_OK))
    unicast(cap, when + rng.randint(20, 40), [coord, hall, door],
            app(coord, door.short, aps_data(0x01, CL_DOOR, PROFILE_HA, 0x01), answer))

    # Where has the heater gone?  Nobody answers.
    lookup = zdo(coord, NWK_ADDR_REQ, le64(heater.ext) + b"\x00\x00", broadcast=True)
    broadcast(cap, cap.around(200.5), nwk_data(coord, BROADCAST, lookup), coord, [(hall, 1), (lounge, 1)])

    # The window is opened.
    opened = af_kvp(kvp(win.next_af_seq(), EVENT, T_U8, 0x0000, u8(1)))
    unicast(cap, cap.around(208.0), [win, hall, coord], app(win, coord.short, aps_data(0x01, CL_DOOR, PROFILE_HA, 0x01), opened))

    # Kitchen light off again.
    off = af_kvp(kvp(coord.next_af_seq(), SET, T_U8, 0x0000, u8(0)))
    unicast(cap, cap.around(233.0), [coord, light], app(coord, light.short, aps_data(0x08, CL_ON_OFF, PROFILE_HA, 0x01), off))


def hall_outage(cap: Capture, w: World) -> None:
    """The hall router loses power for ten seconds: the coordinator's request
    and the door sensor's poll go unanswered, the door sensor's first orphan
    notification too; after the restart the router realigns it."""
    rng = cap.rng
    coord, hall, door = w.coord, w.hall, w.door
    request = nwk_data(coord, hall.short, zdo(coord, MGMT_LQI_REQ, b"\x00"))
    hop(cap, cap.around(103.0), coord, hall, request.encode(), lost=True)

    poll = door.claim_poll(w.hall_down_from)
    assert poll < w.hall_down_until, "the door sensor should poll during the outage"
    when = cap.send(poll, data_request(door, hall, w.home_pan), lost=True)
    when = cap.send(when + rng.randint(150, 250), orphan_notification(door))
    when = max(when + 2600, w.hall_down_until + 1400)
    when = cap.send(when, orphan_notification(door))
    cap.send(when + rng.randint(4, 10), coordinator_realignment(hall, door), door)


def damaged_receptions(cap: Capture, w: World) -> None:
    """Receptions that went wrong at the sniffer itself."""
    rng = cap.rng
    # A frame of a reserved frame type (7) with no addressing, heard clean.
    odd = Frame(bytearray((0x07, 0x00, 0x3A, 0x41, 0x8E, 0x02)), None, "fixed", dbm=-83, corr=88)
    cap.send(at(215.0) + rng.randint(0, 50), odd)
    # A PHY header with length 0: the sniffer stores just the length byte.
    cap.send(at(226.0) + rng.randint(0, 50), Frame(bytearray(), None, "fixed", raw=b"\x00"))


def idle_polls(cap: Capture, w: World) -> None:
    """The sleepy devices' routine polls that found nothing waiting."""
    for device in (w.door, w.window, w.boiler):
        for index, when in enumerate(device.polls):
            if index not in device.claimed and when < at(242):
                cap.send(when, data_request(device, device.parent, device.pan), device.parent)


# --------------------------------------------------------------------------
# Finishing the frames


def number_frames(frames: list[Frame]) -> None:
    """Sequence numbers in time order: per sender for data/command and beacon
    frames, copied for acknowledgements and retries."""
    for frame in frames:
        if frame.overflow or frame.raw is not None:
            continue
        if frame.seq_kind == "dsn":
            frame.mac[2] = frame.sender.next_dsn()
        elif frame.seq_kind == "bsn":
            frame.mac[2] = frame.sender.next_bsn()
        elif frame.seq_kind == "ack":
            frame.mac[2] = frame.ack_of.mac[2]
        elif frame.seq_kind == "retry":
            frame.mac[2] = frame.retry_of.mac[2]


def store_frames(frames: list[Frame], rng: random.Random) -> None:
    """The bytes as the sniffer reports them: length byte, MAC frame, signal
    strength and status in place of the FCS."""
    for frame in frames:
        if frame.overflow:
            continue
        if frame.raw is not None:
            frame.stored = frame.raw
            continue
        length = len(frame.mac) + 2
        assert length <= 127, f"frame too long: {length}"
        if frame.crc_ok:
            dbm = frame.dbm if frame.dbm is not None else frame.sender.dbm + rng.randint(-2, 2)
            corr = frame.corr if frame.corr is not None else min(110, frame.sender.corr + rng.randint(-3, 3))
            status = 0x80 | corr
        else:
            dbm = frame.dbm if frame.dbm is not None else rng.randint(-95, -91)
            status = rng.randint(38, 72)
        data = bytearray((length,)) + frame.mac + bytes(((dbm + 45) & 0xFF, status))
        # Damage hits the tail of the MAC payload, so the header still reads.
        first = max(1 + mac_header_length(frame.mac), length - 7)
        for position in rng.sample(range(first, length - 1), frame.damaged_bytes):
            data[position] ^= rng.randint(1, 255)
        frame.stored = bytes(data)


def link_qualities(frames: list[Frame]) -> dict[int, int]:
    """Per node, the running link-quality average that the program keeps for
    the sources of frames: first value as it is, then (9 * old + new) / 10,
    of the status byte masked with 0x75."""
    quality: dict[int, int] = {}
    for frame in frames:
        if frame.stored is None or frame.sender is None or len(frame.stored) < 6:
            continue
        if not frame.mac[1] & 0xC0:  # no source address
            continue
        value = frame.stored[-1] & 0x75
        key = id(frame.sender)
        quality[key] = value if key not in quality else (9 * quality[key] + value) // 10
    return quality


# --------------------------------------------------------------------------
# The log file


DAY_NAMES = ("Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun")
MONTH_NAMES = ("Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec")


def date_text(moment: datetime) -> str:
    """The C library's asctime() text without its newline, in the C locale."""
    return (f"{DAY_NAMES[moment.weekday()]} {MONTH_NAMES[moment.month - 1]} {moment.day:2d} "
            f"{moment.hour:02d}:{moment.minute:02d}:{moment.second:02d} {moment.year}")


def channel_lines() -> list[str]:
    """The channel table left by a full scan before sniffing: noise floor
    around -93 dBm, a Wi-Fi network over 2432-2447 MHz, our three PANs on
    2425 MHz (six beacons) and a neighbour's PAN on 2450 MHz."""
    energy_dbm = [-95, -94, -93, -91, -80, -71, -62, -58, -66, -88, -93, -95, -94, -92, -93, -96]
    beacons = {SNIFFED_INDEX: (6, -52), 9: (1, -86)}
    lines = []
    for index in range(16):
        count, level_dbm = beacons.get(index, (0, None))
        level = 0xCA if level_dbm is None else (level_dbm + 45) & 0xFF
        lines.append(f"+CHAN:{2405 + 5 * index:04d},{(energy_dbm[index] + 45) & 0xFF:02X},"
                     f"{count:02X},{level:02X},{0xFF if index == SNIFFED_INDEX else 0:02X}")
    return lines


def frame_line(frame: Frame) -> str:
    ms = frame.time
    hour, ms = divmod(ms, 3_600_000)
    minute, ms = divmod(ms, 60_000)
    second, ms = divmod(ms, 1000)
    line = f"+FRAM:{hour:02d},{minute:02d},{second:02d},{ms:03d}"
    if frame.stored is not None:
        line += "".join(f",{byte:02X}" for byte in frame.stored)
    return line


def node_line(name: str, pan: int | None, short: int | None, ext: int | None,
              quality: int | None) -> str:
    def pair(value: int | None) -> str:
        return "??,??" if value is None else f"{value & 0xFF:02X},{value >> 8:02X}"

    extended = ",".join(["??"] * 8) if ext is None else ",".join(f"{b:02X}" for b in le64(ext))
    lq = "??" if quality is None else f"{quality:02X}"
    return f'+NODE:"{name}",{pair(pan)},{pair(short)},{extended},{lq}'


def build() -> tuple[list[str], list[Frame]]:
    rng = random.Random(SEED)
    world = World(rng)
    cap = Capture(rng)

    lab_beacons(cap, world)
    lab_episodes(cap, world)
    visitor_denied(cap, world, cap.around(1.5))
    office_episodes(cap, world)
    thermostat_reports(cap, world)
    home_episodes(cap, world)
    damaged_receptions(cap, world)
    idle_polls(cap, world)

    frames = cap.finish()
    number_frames(frames)
    store_frames(frames, rng)
    quality = link_qualities(frames)

    lines = [INFO_LINE, "+DATE:" + date_text(EXPORTED_AT)]
    lines += channel_lines()
    lines += [frame_line(frame) for frame in frames]
    lines.append(node_line("General", BROADCAST, BROADCAST, None, None))
    for node in world.nodes:
        lines.append(node_line(node.name, node.pan, node.short, node.ext, quality.get(id(node))))
    return lines, frames


# --------------------------------------------------------------------------
# Checks of the written file


NWK_COMMAND_SIZES = {ROUTE_REQ: 6, ROUTE_REP: 8, ROUTE_ERR: 4, LEAVE: 2}
KVP_VALUE_SIZES = {T_NULL: 0, T_U8: 1, T_S8: 1, T_U16: 2, T_S16: 2, T_SEMI: 2, T_ABS: 4, T_REL: 4}


def check_layout(mac: bytes) -> None:
    """Walk one MAC frame through the beacon, NWK, APS and AF layouts and make
    sure every field fits and the last layer ends right before the status bytes."""
    payload = mac[mac_header_length(mac):]
    ftype, secured = mac[0] & 0x07, mac[0] & 0x08
    if secured or ftype not in (BEACON, DATA):
        return
    if ftype == BEACON:
        slots = payload[2] & 0x07
        pos = 3 + (1 + 3 * slots if slots else 0)
        pos += 1 + 2 * (payload[pos] & 0x07) + 8 * ((payload[pos] >> 4) & 0x07)
        assert pos <= len(payload), "beacon fields run past the frame"
        return
    nwk = payload
    assert len(nwk) >= 8, "short NWK header"
    if nwk[1] & 0x02:
        return
    if nwk[0] & 0x03 == NWK_CMD:
        assert len(nwk) - 8 == NWK_COMMAND_SIZES[nwk[8]], "NWK command size"
        return
    aps = nwk[8:]
    control = aps[0]
    kind, delivery, to_binding = control & 0x03, control & 0x0C, control & 0x10
    if kind == 1:
        return
    pos = 1
    dst_ep = src_ep = -1
    if not (delivery == INDIRECT and to_binding):
        dst_ep, pos = aps[pos], pos + 1
    profile = aps[pos + 1] | aps[pos + 2] << 8
    pos += 3
    if not (delivery == INDIRECT and not to_binding):
        src_ep, pos = aps[pos], pos + 1
    if kind == 2:
        assert pos == len(aps), "APS acknowledgement size"
        return
    header = aps[pos]
    pos += 1
    for _ in range(header & 0x0F):
        if header >> 4 == 1:
            command, dtype = aps[pos + 1] & 0x0F, aps[pos + 1] >> 4
            pos += 4 + (1 if command in (GET_RSP, SET_RSP, EVENT_RSP) else 0)
            pos += 1 + aps[pos] if dtype in (T_CHAR, T_BLOB) else KVP_VALUE_SIZES[dtype]
        else:
            length = aps[pos + 1]
            body = aps[pos + 2:pos + 2 + length]
            if profile == PROFILE_MAILBOX and src_ep >= 1 and dst_ep != 0 and body[0] == 3:
                assert length >= 8, "MailBox data without its fields"
            pos += 2 + length
    assert pos == len(aps), "AF transactions do not end at the frame's end"


def check(content: bytes, frames: list[Frame]) -> dict[str, int]:
    """Read the file back: line format, byte counts, time order; then the
    frames themselves: layouts, acknowledgements and sequence numbers."""
    decoded = content.decode("ascii")
    assert decoded.endswith("\r\n")
    lines = decoded[:-2].split("\r\n")
    assert all("\r" not in line and "\n" not in line for line in lines)
    assert lines[0] == INFO_LINE
    assert lines[1].startswith("+DATE:") and len(lines[1]) - len("+DATE:") == 24, lines[1]
    channels = lines[2:18]
    assert len(channels) == 16 and all(c.startswith("+CHAN:") for c in channels)
    assert sum(c.endswith(",FF") for c in channels) == 1
    for index, line in enumerate(channels):
        assert int(line[6:10]) == 2405 + 5 * index

    fram = [line for line in lines if line.startswith("+FRAM:")]
    nodes = [line for line in lines if line.startswith("+NODE:")]
    assert len(lines) == 18 + len(fram) + len(nodes)
    assert nodes[0] == '+NODE:"General",FF,FF,FF,FF,??,??,??,??,??,??,??,??,??'

    previous = -1
    overflow = zero_length = 0
    for line in fram:
        fields = line[6:].split(",")
        hour, minute, second, ms = (int(f) for f in fields[:4])
        assert [len(f) for f in fields[:4]] == [2, 2, 2, 3]
        stamp = clock(hour, minute, second, ms)
        assert stamp >= previous, f"time goes back at {line[:24]}"
        previous = stamp
        data = fields[4:]
        assert all(len(f) == 2 and f == f.upper() for f in data)
        if not data:
            overflow += 1
            assert len(line) == 18  # the tag and the four time fields
            continue
        length = int(data[0], 16)
        assert 0 <= length <= 127
        assert len(data) == length + 1, f"byte count at {line[:24]}"
        if length == 0:
            zero_length += 1
    assert overflow == 1 and zero_length == 1

    # Structure and sequence numbers, from the frames' own bytes.
    last_seq: dict[tuple[int, str], int] = {}
    previous_frame = None
    for index, frame in enumerate(frames):
        if frame.overflow or frame.raw is not None:
            previous_frame = frame
            continue
        stored = frame.stored
        length = stored[0]
        assert len(stored) == length + 1
        assert 1 + mac_header_length(frame.mac) <= length - 1, "header longer than the frame"
        check_layout(bytes(frame.mac))
        ftype = frame.mac[0] & 0x07
        if ftype == ACK:
            assert length == 5
            assert previous_frame is frame.ack_of and stored[3] == previous_frame.stored[3]
            assert 1 <= frame.time - previous_frame.time <= 5
        if frame.wants_ack and frame.seq_kind != "retry":
            following = frames[index + 1]
            assert following.ack_of is frame or following.retry_of is frame, "unanswered frame"
        if frame.seq_kind in ("dsn", "bsn"):
            key = (id(frame.sender), frame.seq_kind)
            if key in last_seq:
                assert stored[3] == (last_seq[key] + 1) & 0xFF, "sequence number skips"
            last_seq[key] = stored[3]
        if frame.seq_kind == "retry":
            assert stored[3] == frame.retry_of.stored[3]
        previous_frame = frame

    return {"frames": len(fram), "nodes": len(nodes)}


def summary(frames: list[Frame]) -> dict[str, int]:
    counts: dict[str, int] = {}

    def bump(key: str) -> None:
        counts[key] = counts.get(key, 0) + 1

    for frame in frames:
        if frame.overflow:
            bump("overflow marker")
            continue
        stored = frame.stored
        if stored[0] == 0:
            bump("PHY length 0")
            continue
        if not stored[-1] & 0x80:
            bump("CRC failed")
        ftype = stored[1] & 0x07
        if ftype == BEACON:
            bump("MAC beacon")
        elif ftype == ACK:
            bump("MAC ack")
        elif ftype == COMMAND:
            bump(f"MAC command {frame.mac[mac_header_length(frame.mac)]}")
        elif ftype == DATA:
            if stored[1] & 0x08:
                bump("MAC data, MAC-secured")
                continue
            nwk = frame.mac[mac_header_length(frame.mac):]
            if nwk[1] & 0x02:
                bump("NWK secured")
            elif nwk[0] & 0x03 == NWK_CMD:
                bump(f"NWK command {nwk[8]}")
            else:
                aps = nwk[8:]
                kind = aps[0] & 0x03
                bump("NWK data, APS " + ("data" if kind == 0 else "command" if kind == 1 else "ack"))
        else:
            bump("reserved MAC frame type")
    return counts


def main() -> int:
    lines, frames = build()
    content = "".join(line + "\r\n" for line in lines).encode("ascii")
    totals = check(content, frames)
    OUTPUT.write_bytes(content)
    first, last = frames[0].time, frames[-1].time
    print(f"wrote {OUTPUT}: {totals['frames']} frame lines, {totals['nodes']} nodes, "
          f"{(last - first) / 1000:.1f} s")
    for key, count in sorted(summary(frames).items()):
        print(f"  {count:4d}  {key}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
