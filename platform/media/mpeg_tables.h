// The ISO/IEC 11172-3 and 13818-3 frame-header tables: bit rates by version,
// layer and 4-bit index, sample rates by version and 2-bit index. The one
// copy of them: the track-info reader (CMP3Info) and the media layer's length
// scanner both read headers through these. Library wq_mpeg_tables, which
// depends on nothing. Pure lookups, usable from any thread.
#pragma once

namespace wq::media {

// Version codes as stored in CMP3Info: 3 = MPEG-1, 2 = MPEG-2, 1 = MPEG-2.5,
// 0 = reserved. Layer codes: 1, 2, 3; 0 = reserved.
inline constexpr int kMpeg1 = 3;
inline constexpr int kMpeg2 = 2;
inline constexpr int kMpeg25 = 1;

// Maps the header's 2-bit version field (bits 20-19) and layer field
// (bits 18-17) to the stored codes.
int VersionFromBits(unsigned bits);
int LayerFromBits(unsigned bits);

// kbit/s for a layer 1..3 and bit-rate index 0..15: index 0 gives 0 (free
// format), index 15 gives -1 (forbidden). MPEG-1 rows for version 3, the
// shared MPEG-2/2.5 rows for every other version. A layer outside 1..3 or an
// index outside 0..15 gives 0.
int BitRateKbps(int version, int layer, unsigned index);

// Hz for the stored version code and 2-bit index; index 3, an out-of-range
// index or the reserved version 0 give 0.
int SampleRateHz(int version, unsigned index);

}  // namespace wq::media
