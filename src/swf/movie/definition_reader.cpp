// Dispatch from tag code to the format layer's decoder of that family.
#include "swf/movie/definition_reader.h"

#include "swf/format/tag_codes.h"
#include "swf/movie/movie_definition.h"

namespace swf::movie {

std::unique_ptr<Character> readDefinition(int code, io::Reader& body, MovieDefinition& movie, QString& problem) {
    Q_UNUSED(body);
    Q_UNUSED(movie);
    Q_UNUSED(problem);
    Q_UNUSED(code);
    return nullptr;
}

}  // namespace swf::movie
