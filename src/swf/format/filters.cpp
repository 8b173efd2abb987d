// Filter records.
#include "swf/format/filters.h"

namespace swf::format {
namespace {

// Blur sizes beyond this look the same and only cost time.
constexpr double kMaxBlur = 255;

BlurParameters readBlur(io::Reader& reader) {
    BlurParameters blur;
    blur.blurX = std::clamp(reader.fixed16(), 0.0, kMaxBlur);
    blur.blurY = std::clamp(reader.fixed16(), 0.0, kMaxBlur);
    return blur;
}

} // namespace

DecodedFilter decodeFilter(const Filter& filter) {
    DecodedFilter decoded;
    io::Reader reader(filter.data);
    switch (filter.type) {
    case 0:   // drop shadow
    case 2: { // glow
        ShadowFilter& shadow = decoded.shadow;
        shadow.color = readRgba(reader);
        shadow.blur = readBlur(reader);
        if (filter.type == 0) {
            shadow.angle = reader.fixed16();
            shadow.distance = reader.fixed16();
        }
        shadow.strength = std::clamp(reader.fixed8(), 0.0, 255.0);
        const quint8 flags = reader.u8();
        shadow.inner = flags & 0x80;
        shadow.knockout = flags & 0x40;
        shadow.blur.passes = std::clamp(flags & 0x1f, 1, 3);
        decoded.kind = DecodedFilter::Kind::Shadow;
        break;
    }
    case 1:
        decoded.blur = readBlur(reader);
        decoded.blur.passes = std::clamp(reader.u8() >> 3, 1, 3);
        decoded.kind = DecodedFilter::Kind::Blur;
        break;
    default:
        break;
    }
    if (reader.failed()) decoded.kind = DecodedFilter::Kind::Unsupported;
    return decoded;
}

} // namespace swf::format
