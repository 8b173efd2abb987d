// Reads tags into a movie definition: control tags into the frame being built, definitions
// into the library. The same code reads the root timeline and sprite timelines.
#pragma once

#include "swf/io/reader.h"
#include "swf/movie/movie_definition.h"

#include <functional>
#include <map>
#include <unordered_map>

namespace swf::movie {

struct TagHeader {
    int code = 0;
    qint64 length = 0;
    int headerSize = 0;
};

// False when data is too short to hold the whole header yet.
bool readTagHeader(QByteArrayView data, TagHeader& out);

class TagParser {
  public:
    explicit TagParser(MovieDefinition& definition) : m_definition(definition) {}

    // Reads the library movie an ImportAssets tag names (a url relative to this movie);
    // null when it may not or cannot be read. Without one, imports stay unresolved.
    using Importer = std::function<std::shared_ptr<const MovieDefinition>(const QString& url)>;
    void setImporter(Importer importer) { m_importer = std::move(importer); }

    // Handles one tag other than End; body is limited to the tag. ShowFrame closes pending
    // into timeline. rootFrame is the root frame being read, for diagnostics.
    void handleTag(int code, io::Reader& body, Frame& pending, Timeline& timeline, int nesting,
                   int rootFrame);

  private:
    void readSprite(io::Reader& body, int nesting, int rootFrame);
    void readDefinition(int code, io::Reader& body, int rootFrame);
    void readImports(int code, io::Reader& body, Frame& pending);
    void readVideoFrame(io::Reader& body, int rootFrame);
    void trackOccupant(const Timeline& timeline, format::PlaceObject& place);

    MovieDefinition& m_definition;
    Importer m_importer;
    // Which character each depth of each timeline holds as its tags are read in order.
    std::unordered_map<const Timeline*, std::map<int, quint16>> m_occupants;
};

} // namespace swf::movie
