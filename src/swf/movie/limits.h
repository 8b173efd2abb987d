// Limits that keep a hostile or broken movie from taking unbounded memory or time. A movie
// that exceeds one is refused or cut there with a reason, never an allocation failure.
#pragma once

#include <QtGlobal>

namespace swf::movie {

// Largest uncompressed movie we accept; real movies of the era stay far below.
constexpr qint64 kMaxUncompressedSize = 256 * 1024 * 1024;
// DefineSprite inside DefineSprite is invalid, but some tools wrote it; this bounds recursion.
constexpr int kMaxSpriteNesting = 16;
constexpr int kMaxFramesPerTimeline = 1 << 20;
constexpr int kMaxDiagnostics = 500;
// Frame numbers of a video stream are 16 bits; a stream keeps at most this many pictures.
constexpr int kMaxVideoFramesPerStream = 65536;
// A frame rate of 0 would stop the clock; the authoring tool's default is played instead.
constexpr double kDefaultFrameRate = 12.0;
constexpr double kMaxFrameRate = 120.0;

} // namespace swf::movie
