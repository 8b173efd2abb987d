// The engine's load and script failures in the words the user sees.
#pragma once

#include "swf/avm1/abort_reason.h"
#include "swf/movie/load_error.h"

#include <QString>

// Empty for LoadError::None.
QString loadErrorText(swf::movie::LoadError error);
// Empty for AbortReason::None.
QString scriptFailureText(swf::avm1::AbortReason reason);
