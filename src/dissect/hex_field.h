#pragma once

#include "dissect/frame_decoding.h"

#include <string_view>

namespace qlm {

// A field of one or two bytes at the cursor, shown as "%02lX" or "%04lX" (little-
// endian), its sentence filled with the same digits; the cursor moves past it.
// Returns false, with the field shown cut short and the cursor left on it, when its
// bytes were not all captured.
bool emitHexField(FrameDecoding& d, FieldColumn column, CellStyle style, std::string_view caption,
                  int size, std::string_view pattern);

// As emitHexField, the sentence naming the value where a name is given:
// `namedPattern` takes the digits and the name, `pattern` the digits alone.
bool emitNamedHexField(FrameDecoding& d, FieldColumn column, CellStyle style,
                       std::string_view caption, int size, std::string_view name,
                       std::string_view pattern, std::string_view namedPattern);

// An IEEE (extended) address at the cursor, eight little-endian bytes shown as 16
// hexadecimal digits, the most significant first; otherwise as emitHexField.
bool emitIeeeField(FrameDecoding& d, FieldColumn column, CellStyle style,
                   std::string_view caption, std::string_view pattern);

} // namespace qlm
