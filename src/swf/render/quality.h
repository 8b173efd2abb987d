// How finely the stage is drawn: anti-aliased and smoothed, or neither.
#pragma once

namespace swf {

enum class Quality { High, Low };

} // namespace swf
