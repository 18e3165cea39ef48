#pragma once

#include "capture/frame_store.h"
#include "dissect/frame_dissector.h"
#include "security/decryption.h"
#include "security/key_learning.h"

namespace qlm {

// What decides the cells of a grid row: the visible columns, the "Parse MailBox
// Frames" and "Decode ZigBee PRO" options and the keys that open secured frames.
// A row's width depends on all of them, so every change forgets the widths the
// records cached, and right-justified rows are measured again at their next
// paint. ZigBee PRO decoding is on from the start.
class GridDecoding {
public:
    explicit GridDecoding(FrameStore& frames, const ColumnFlags& columns = ColumnFlags::startup());
    GridDecoding(const GridDecoding&) = delete;
    GridDecoding& operator=(const GridDecoding&) = delete;

    const FrameDissector& dissector() const { return dissector_; }
    const ColumnFlags& columns() const { return dissector_.columns(); }
    bool mailBox() const { return dissector_.mailBox(); }
    bool zigbeePro() const { return dissector_.zigbeePro(); }
    const KeyRing& keys() const { return decryption_.ring(); }

    void setColumns(const ColumnFlags& columns);
    void setColumn(FieldColumn column, bool visible);
    void setMailBox(bool on);
    void setZigbeePro(bool on);

    // The capture's node table, asked for the IEEE address of a short address
    // when the frames taught none.
    void useNodeTable(const NodeTable* nodes) { decryption_.directory().useNodeTable(nodes); }
    // The key ring, to change; every change is followed by keysChanged().
    KeyRing& keyRing() { return decryption_.ring(); }
    void keysChanged() { frames_.forgetRowWidths(); }
    // The keys that open frames of the capture (each frame is opened for it).
    std::vector<KeyUse> keysUsed() { return qlm::keysUsed(decryption_, frames_); }
    // Learns from the frames stored since the last call; true when that taught a
    // key or a sender's address, and rows were forgotten.
    bool learnFromNewFrames();

private:
    FrameStore& frames_;
    FrameDissector dissector_;
    Decryption decryption_;
    KeyLearning learning_;
};

} // namespace qlm
