// The pixels behind a flash.display.BitmapData object, for the host that shows them.
#pragma once

#include "swf/avm1/machine.h"
#include "swf/raster/pixels.h"

namespace swf::avm1 {

class BitmapDataState : public NativeData {
  public:
    raster::PixelsPtr pixels; // null once disposed
    void forEachReference(const std::function<void(Object*)>&) const override {}
};

// The live pixels of a BitmapData object; null for anything else or a disposed one.
raster::PixelsPtr bitmapPixels(const Value& value);

} // namespace swf::avm1
