// Numbers the script layer's files share.
#pragma once

#include <cstddef>

namespace swf::script {

// Scripts that jump around inside the frames they jump to stop nesting here.
inline constexpr int kMaxJumpNesting = 16;
inline constexpr std::size_t kMaxPendingJumps = 4096;
// Twips per pixel: scripts speak pixels, the stage twips.
inline constexpr double kTwips = 20.0;
// Scripts number depths from this one down to the timeline's depth 0.
inline constexpr int kTimelineDepthOffset = 16384;
// Variables, XML and LoadVars files larger than this are taken as not found.
inline constexpr long long kMaxTextLoad = 16LL << 20;

} // namespace swf::script
