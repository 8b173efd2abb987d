// Progressive movie loading.
#include "swf/movie/movie_loader.h"

#include "swf/format/tag_codes.h"
#include "swf/movie/limits.h"
#include "swf/movie/load_error.h"

#include <algorithm>

namespace swf::movie {
namespace {

constexpr int kSignatureSize = 8;
// A projector ends with the movie, then this marker, then the movie's length.
constexpr quint32 kProjectorMarker = 0xFA123456;
constexpr int kProjectorTrailerSize = 8;

quint32 littleEndian32(const char* p) {
    return quint8(p[0]) | (quint8(p[1]) << 8) | (quint32(quint8(p[2])) << 16) | (quint32(quint8(p[3])) << 24);
}

bool plausibleFirstByte(char c) {
    return c == 'F' || c == 'C' || c == 'Z' || c == 'M';
}

} // namespace

MovieLoader::MovieLoader() = default;

std::shared_ptr<const MovieDefinition>
MovieLoader::readWhole(QByteArrayView bytes, TagParser::Importer importer, const QByteArray& codePage) {
    auto loader = std::make_shared<MovieLoader>();
    loader->setImporter(std::move(importer));
    loader->setCodePage(codePage);
    loader->append(bytes);
    loader->finish();
    if (loader->framesLoaded() == 0) return nullptr;
    // The definition lives inside its loader; the pointer keeps the loader.
    return std::shared_ptr<const MovieDefinition>(loader, &loader->definition());
}
MovieLoader::~MovieLoader() = default;

void MovieLoader::fail(LoadError error) {
    if (m_error == LoadError::None) m_error = error;
    m_state = State::Failed;
}

bool MovieLoader::append(QByteArrayView chunk) {
    if (m_state == State::Failed) return false;
    if (m_state == State::Complete) return true;
    if (!m_signatureKnown) {
        const qsizetype want = std::min<qsizetype>(kSignatureSize - m_prefix.size(), chunk.size());
        m_prefix.append(chunk.first(want));
        chunk = chunk.sliced(want);
        if (!m_prefix.isEmpty() && !plausibleFirstByte(m_prefix[0])) {
            fail(LoadError::NotAMovie);
            return false;
        }
        if (m_prefix.size() >= 2 && m_prefix.startsWith("MZ")) {
            // A projector: the movie sits at the end, so everything must arrive first.
            m_projector = true;
            m_signatureKnown = true;
        } else if (m_prefix.size() < kSignatureSize) {
            return true;
        } else if (!acceptSignature()) {
            return false;
        }
    }
    if (m_projector) {
        if (m_prefix.size() + chunk.size() > kMaxUncompressedSize) {
            fail(LoadError::AbsurdSize);
            return false;
        }
        m_prefix.append(chunk);
        return true;
    }
    decompress(chunk);
    if (!m_headerKnown) readHeader();
    if (m_headerKnown) readTags();
    releaseReadBytes();
    if (m_compressionBroken && m_state != State::Complete) fail(LoadError::BadCompression);
    return m_state != State::Failed;
}

bool MovieLoader::acceptSignature() {
    m_signatureKnown = true;
    const QByteArrayView tail = QByteArrayView(m_prefix).sliced(1, 2);
    const char kind = m_prefix[0];
    if (tail != "WS" || (kind != 'F' && kind != 'C' && kind != 'Z')) {
        fail(LoadError::NotAMovie);
        return false;
    }
    MovieHeader& header = m_definition.header;
    header.version = quint8(m_prefix[3]);
    header.declaredLength = littleEndian32(m_prefix.constData() + 4);
    if (header.declaredLength > kMaxUncompressedSize) {
        fail(LoadError::AbsurdSize);
        return false;
    }
    if (kind == 'C') {
        header.compression = Compression::Zlib;
        m_inflater = io::StreamInflater::zlib();
    } else if (kind == 'Z') {
        header.compression = Compression::Lzma;
        m_inflater = io::StreamInflater::lzmaSwf(header.declaredLength - kSignatureSize);
        m_lzmaLengthBytes = 4; // the compressed length, which the decoder does not need
    }
    m_state = State::WaitingForHeader;
    return true;
}

void MovieLoader::decompress(QByteArrayView input) {
    if (input.isEmpty()) return;
    if (!m_inflater) {
        const qsizetype room = kMaxUncompressedSize - kSignatureSize - m_released - m_body.size();
        m_body.append(input.first(std::min(room, input.size())));
        return;
    }
    if (m_lzmaLengthBytes > 0) {
        const qsizetype skipped = std::min<qsizetype>(m_lzmaLengthBytes, input.size());
        m_lzmaLengthBytes -= static_cast<int>(skipped);
        input = input.sliced(skipped);
    }
    if (m_inflaterDone || input.isEmpty()) return;
    const auto status = m_inflater->feed(input, m_body, kMaxUncompressedSize - kSignatureSize - m_released);
    if (status == io::StreamInflater::Status::Finished) m_inflaterDone = true;
    if (status == io::StreamInflater::Status::Failed) {
        m_inflaterDone = true;
        m_compressionBroken = true;
    }
}

void MovieLoader::readHeader() {
    if (m_body.isEmpty()) return;
    const int bits = quint8(m_body[0]) >> 3;
    const qsizetype rectBytes = (5 + 4 * bits + 7) / 8;
    if (m_body.size() < rectBytes + 4) return;
    io::Reader reader(m_body, kSignatureSize);
    MovieHeader& header = m_definition.header;
    header.frameRect = format::readRect(reader);
    header.frameRate = reader.u16() / 256.0;
    header.frameCount = reader.u16();
    m_position = reader.position();
    m_headerKnown = true;
    m_state = State::Loading;
}

void MovieLoader::readTags() {
    while (m_state == State::Loading) {
        const QByteArrayView available = QByteArrayView(m_body).sliced(m_position);
        TagHeader tag;
        if (!readTagHeader(available, tag)) return;
        if (tag.code == int(format::TagCode::End)) {
            m_position += tag.headerSize;
            if (!m_pending.commands.empty() || m_definition.root.frameCount() == 0)
                m_definition.root.appendFrame(std::move(m_pending));
            m_pending = Frame{};
            m_state = State::Complete;
            return;
        }
        if (tag.length > kMaxUncompressedSize) {
            fail(LoadError::Damaged);
            return;
        }
        if (available.size() < tag.headerSize + tag.length) return;
        // Movies whose scripts are ActionScript 3 run on another machine altogether: refused
        // with that reason rather than shown as a blank stage. The flag alone decides; a
        // movie of SWF 9 or later with the older scripts plays.
        constexpr quint8 kActionScript3Flag = 0x08;
        if (tag.code == int(format::TagCode::FileAttributes) && tag.length >= 1 &&
            (quint8(available[tag.headerSize]) & kActionScript3Flag)) {
            fail(LoadError::ActionScript3);
            return;
        }
        io::Reader body(available.sliced(tag.headerSize, tag.length),
                        kSignatureSize + m_released + m_position + tag.headerSize);
        m_parser.handleTag(tag.code, body, m_pending, m_definition.root, 0, m_definition.root.frameCount());
        m_position += tag.headerSize + tag.length;
    }
}

// Every tag keeps copies of what it needs, so bytes already read would only double the
// memory a movie takes (a movie's bitmaps, compressed, are most of its bytes).
void MovieLoader::releaseReadBytes() {
    constexpr qsizetype kReleaseAtLeast = 256 * 1024;
    if (m_position < kReleaseAtLeast || m_position * 2 < m_body.size()) return;
    m_body = m_body.sliced(m_position);
    m_released += m_position;
    m_position = 0;
}

void MovieLoader::finish() {
    if (m_state == State::Complete || m_state == State::Failed) return;
    if (m_projector) {
        finishProjector();
        return;
    }
    if (m_prefix.isEmpty()) {
        fail(LoadError::EmptyFile);
        return;
    }
    if (!m_signatureKnown) {
        fail(m_prefix.size() >= 3 ? LoadError::NotAMovie : LoadError::Truncated);
        return;
    }
    if (m_headerKnown && m_position == m_body.size() && !m_compressionBroken &&
        m_released + m_body.size() + kSignatureSize >= m_definition.header.declaredLength) {
        // Every declared byte is in and read, only the End tag is missing: tolerate it.
        if (!m_pending.commands.empty() || m_definition.root.frameCount() == 0)
            m_definition.root.appendFrame(std::move(m_pending));
        m_pending = Frame{};
        m_state = State::Complete;
        return;
    }
    fail(m_compressionBroken ? LoadError::BadCompression : LoadError::Truncated);
}

void MovieLoader::finishProjector() {
    const QByteArray file = std::move(m_prefix);
    m_prefix.clear();
    m_projector = false;
    m_signatureKnown = false;
    if (file.size() < kProjectorTrailerSize ||
        littleEndian32(file.constData() + file.size() - 8) != kProjectorMarker) {
        fail(LoadError::ProjectorWithoutMovie);
        return;
    }
    const qint64 length = littleEndian32(file.constData() + file.size() - 4);
    const qint64 start = file.size() - kProjectorTrailerSize - length;
    if (length < kSignatureSize || start < 0) {
        fail(LoadError::ProjectorWithoutMovie);
        return;
    }
    const QByteArrayView movie = QByteArrayView(file).sliced(start, length);
    if (movie.startsWith("MZ")) {
        fail(LoadError::ProjectorWithoutMovie); // a projector inside a projector is not a movie
        return;
    }
    if (append(movie)) finish();
}

} // namespace swf::movie
