// Turns one definition tag (shape, bitmap, font, text, button...) into a library character.
#pragma once

#include "swf/io/reader.h"
#include "swf/movie/character.h"

#include <QString>

#include <memory>

namespace swf::movie {

class MovieDefinition;

// Null for tags that define no character or could not be read; problem then says why
// when something was wrong (empty for tags that simply are not characters).
std::unique_ptr<Character> readDefinition(int code, io::Reader& body, MovieDefinition& movie,
                                          QString& problem);

} // namespace swf::movie
