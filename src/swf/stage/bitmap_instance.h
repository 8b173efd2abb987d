// A BitmapData shown on the stage by attachBitmap: it shares the script's pixels, so what a
// script draws into them shows the next time the stage is drawn.
#pragma once

#include "swf/raster/pixels.h"
#include "swf/stage/display_object.h"

namespace swf::stage {

class BitmapInstance final : public DisplayObject {
  public:
    BitmapInstance(StageContext& context, const movie::MovieDefinition& movie, raster::PixelsPtr pixels,
                   bool smoothing)
        : DisplayObject(context, nullptr, movie), m_pixels(std::move(pixels)), m_smoothing(smoothing) {}

    // Null once the script disposed of the surface: nothing shows.
    const raster::PixelsPtr& pixels() const { return m_pixels; }
    bool smoothing() const { return m_smoothing; }

  private:
    raster::PixelsPtr m_pixels;
    bool m_smoothing;
};

} // namespace swf::stage
