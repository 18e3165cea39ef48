#pragma once

#include "capture/aps_header_fields.h"
#include "dissect/frame_decoding.h"

namespace qlm {

// Whether the payload of an APS data frame is a ZCL frame: not for the device
// objects (endpoint 0), and not a cluster outside the library's ranges in a
// profile the tables do not know.
bool carriesZcl(const FrameDecoding& d, const ApsHeaderFields& header);

// The ZCL frame at the cursor: frame control, manufacturer code, transaction
// sequence number, the command and the records of the profile-wide commands.
// Cells go to the ZCL group; the ZCL hex run follows from where the decoding ended.
void decodeZclFrame(FrameDecoding& d, const ApsHeaderFields& header);

} // namespace qlm
