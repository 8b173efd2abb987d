// Reads a movie as its bytes arrive: recognises the container (plain, zlib, LZMA, or a
// projector program carrying a movie), decompresses incrementally, decodes the header as
// soon as it is in, and reads each tag once all of it has arrived.
#pragma once

#include "swf/io/inflate.h"
#include "swf/movie/load_error.h"
#include "swf/movie/movie_definition.h"
#include "swf/movie/tag_parser.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace swf::movie {

class MovieLoader {
  public:
    enum class State { WaitingForHeader, Loading, Complete, Failed };

    MovieLoader();
    ~MovieLoader();

    // Libraries named by ImportAssets are read through importer as their tags arrive.
    void setImporter(TagParser::Importer importer) { m_parser.setImporter(std::move(importer)); }
    // The code page for the strings of a movie before version 6; set before any bytes.
    void setCodePage(const QByteArray& codePage) { m_definition.codePage = codePage; }

    // A whole movie already in memory (a library, a movie a script loads): its definition,
    // or null when the bytes hold no frame of a movie.
    static std::shared_ptr<const MovieDefinition>
    readWhole(QByteArrayView bytes, TagParser::Importer importer = {},
              const QByteArray& codePage = format::kDefaultCodePage);

    // False once the bytes cannot be (or no longer continue) a movie; error() says why.
    bool append(QByteArrayView chunk);
    // No more bytes: a movie still incomplete is truncated.
    void finish();

    State state() const { return m_state; }
    bool headerKnown() const { return m_headerKnown; }
    bool complete() const { return m_state == State::Complete; }
    bool failed() const { return m_error != LoadError::None; }
    LoadError error() const { return m_error; }
    int framesLoaded() const { return m_definition.root.frameCount(); }
    const MovieDefinition& definition() const { return m_definition; }

  private:
    bool acceptSignature();
    void fail(LoadError error);
    void decompress(QByteArrayView input);
    void readHeader();
    void readTags();
    void releaseReadBytes();
    void finishProjector();

    MovieDefinition m_definition;
    TagParser m_parser{m_definition};
    State m_state = State::WaitingForHeader;
    LoadError m_error = LoadError::None;

    QByteArray m_prefix; // the 8 signature bytes, or a whole projector until its end
    bool m_signatureKnown = false;
    bool m_projector = false;
    std::unique_ptr<io::StreamInflater> m_inflater;
    bool m_inflaterDone = false;
    bool m_compressionBroken = false;
    int m_lzmaLengthBytes = 0;
    QByteArray m_body;        // uncompressed bytes after the 8-byte signature, less those released
    qsizetype m_released = 0; // bytes read and dropped from the front of m_body
    qsizetype m_position = 0; // next unread tag in m_body
    bool m_headerKnown = false;
    Frame m_pending;
};

} // namespace swf::movie
