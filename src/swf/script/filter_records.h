// Filter objects of scripts as the records PlaceObject3 carries, which the renderer draws.
#pragma once

#include "swf/avm1/filter_data.h"
#include "swf/format/filters.h"

#include <optional>

namespace swf::script {

// Nothing for a filter the renderer does not draw.
std::optional<format::Filter> filterRecordOf(const avm1::FilterData& data);

} // namespace swf::script
