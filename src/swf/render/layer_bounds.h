// Where an object draws on the device, for the layer it is drawn into when it has filters.
#pragma once

#include "swf/stage/display_object.h"

#include <QRectF>
#include <QTransform>

#include <optional>

namespace swf::render {

// The device area an object's drawing can touch through toDevice, the reach of the filters
// of the objects inside it included (filterScale: device pixels per stage pixel); nothing
// when it draws nothing. Anti-aliased edges and hairlines are left to the caller's slack.
std::optional<QRectF> drawnBounds(const stage::DisplayObject& object, const QTransform& toDevice,
                                  double filterScale);

} // namespace swf::render
