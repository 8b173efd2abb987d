// Everything a movie file defines: its header, the library of characters by id and the root
// timeline. Grows while bytes arrive; the stage reads it.
#pragma once

#include "swf/format/records.h"
#include "swf/format/text_encoding.h"
#include "swf/io/diagnostic.h"
#include "swf/movie/character.h"
#include "swf/movie/timeline.h"

#include <QColor>
#include <QHash>

#include <memory>
#include <unordered_map>
#include <vector>

namespace swf::movie {

enum class Compression { None, Zlib, Lzma };

struct MovieHeader {
    int version = 0;
    Compression compression = Compression::None;
    qint64 declaredLength = 0; // the whole uncompressed file, header included
    format::Rect frameRect;
    double frameRate = 0; // as stored; 0 is possible
    int frameCount = 0;   // as stored
};

class MovieDefinition {
  public:
    MovieHeader header;
    Timeline root;
    QColor background = Qt::white;
    bool hasBackground = false;
    QByteArray jpegTables;
    // The code page the strings of a movie before version 6 were read in: the player's
    // choice when the movie was loaded.
    QByteArray codePage = format::kDefaultCodePage;
    format::StringCoding stringCoding() const { return {header.version, codePage}; }
    // ExportAssets names (by format::exportKey) to ids, wherever in the file they stand: a
    // library's exports often follow its last frame.
    QHash<QString, quint16> exportedNames;

    const Character* character(quint16 id) const;
    // A character and the library it comes from: this movie's own, or for an id that
    // ImportAssets brought in, the library movie's (whose ids its insides use).
    struct Resolved {
        const Character* character = nullptr;
        const MovieDefinition* movie = nullptr;
    };
    Resolved resolve(quint16 id) const;
    // id now stands for libraryId of library, which stays alive as long as this movie.
    void addImport(quint16 id, std::shared_ptr<const MovieDefinition> library, quint16 libraryId);
    // For the tags that amend an earlier definition (font info, button colour transform).
    Character* mutableCharacter(quint16 id);
    // Later definitions of an id are ignored: the first one is what the timeline means.
    void addCharacter(std::unique_ptr<Character> character);
    int characterCount() const { return static_cast<int>(m_characters.size()); }

    const std::vector<Diagnostic>& diagnostics() const { return m_diagnostics; }
    void note(const QString& message, int tagCode = -1, qint64 offset = -1, int frame = -1);

  private:
    std::unordered_map<quint16, std::unique_ptr<Character>> m_characters;
    struct Import {
        std::shared_ptr<const MovieDefinition> library;
        quint16 id = 0;
    };
    std::unordered_map<quint16, Import> m_imports;
    std::vector<Diagnostic> m_diagnostics;
};

} // namespace swf::movie
