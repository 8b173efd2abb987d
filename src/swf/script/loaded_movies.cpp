// Loaded movies and pictures, and what each clip shows of them.
#include "swf/script/loaded_movies.h"
#include "swf/script/script_limits.h"

#include "swf/movie/movie_definition.h"
#include "swf/stage/movie_clip.h"

#include <QBuffer>
#include <QImageReader>

namespace swf::script {

namespace {

// Past these the player loads no more.
constexpr int kMaxLoadedMovies = 256;
constexpr qint64 kMaxLoadedBytes = 64 << 20;

// A picture as a one-frame movie: the image as a bitmap, shown by a rectangle of its size
// at the clip's origin, one picture pixel to a stage pixel.
std::shared_ptr<const movie::MovieDefinition> pictureMovie(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > (1 << 26)) return nullptr;
    auto definition = std::make_shared<movie::MovieDefinition>();
    definition->header.version = 8;
    definition->header.frameCount = 1;
    definition->header.declaredLength = bytes.size();
    const qint32 w = qint32(size.width() * kTwips), h = qint32(size.height() * kTwips);
    definition->header.frameRect = {0, w, 0, h};

    auto bitmap = std::make_unique<movie::BitmapCharacter>();
    bitmap->id = 1;
    bitmap->data.kind = format::BitmapData::Kind::Jpeg;
    bitmap->data.data = bytes;
    definition->addCharacter(std::move(bitmap));

    auto shape = std::make_unique<movie::ShapeCharacter>();
    shape->id = 2;
    shape->shape.bounds = {0, w, 0, h};
    format::FillStyle fill;
    fill.kind = format::FillStyle::Kind::Bitmap;
    fill.bitmapId = 1;
    fill.bitmapMatrix.a = fill.bitmapMatrix.d = kTwips;
    fill.bitmapRepeat = false;
    shape->shape.fills.push_back(fill);
    const QPoint corners[] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    for (int i = 0; i < 4; ++i) {
        format::ShapeEdge edge;
        edge.from = corners[i];
        edge.to = edge.control = corners[(i + 1) % 4];
        edge.fill1 = 1;
        shape->shape.edges.push_back(edge);
    }
    definition->addCharacter(std::move(shape));

    movie::Frame frame;
    format::PlaceObject place;
    place.depth = 1;
    place.characterId = 2;
    frame.commands.emplace_back(place);
    definition->root.appendFrame(std::move(frame));
    return definition;
}

} // namespace

LoadedMovies::LoadedMovies(const movie::MovieDefinition& movie, QString movieUrl, ReadMovie readMovie)
    : m_movie(movie), m_movieUrl(std::move(movieUrl)), m_readMovie(std::move(readMovie)) {}

bool LoadedMovies::isMovie(const QByteArray& bytes) {
    return bytes.size() > 8 &&
           (bytes.startsWith("FWS") || bytes.startsWith("CWS") || bytes.startsWith("ZWS"));
}

std::shared_ptr<const movie::MovieDefinition> LoadedMovies::read(const QByteArray& bytes) {
    if (int(m_movies.size()) >= kMaxLoadedMovies || m_bytes + bytes.size() > kMaxLoadedBytes) return nullptr;
    std::shared_ptr<const movie::MovieDefinition> definition;
    if (isMovie(bytes))
        definition = m_readMovie ? m_readMovie(bytes) : nullptr;
    else
        definition = pictureMovie(bytes);
    if (!definition) return nullptr;
    m_movies.push_back(definition);
    m_bytes += bytes.size();
    return definition;
}

void LoadedMovies::shown(const stage::MovieClip& clip, const QString& url, const QByteArray& bytes) {
    m_shown[&clip] = {url, bytes.size(), isMovie(bytes) ? int(quint8(bytes.at(3))) : -1};
}

void LoadedMovies::emptied(const stage::MovieClip& clip) {
    m_shown[&clip] = {QString(), 0, versionOf(clip)};
}

qint64 LoadedMovies::bytesOf(const stage::MovieClip& clip, bool isRoot) const {
    const auto loaded = m_shown.find(&clip);
    if (loaded != m_shown.end()) return loaded->second.bytes;
    // A clip made empty by a script holds no bytes of the movie.
    if (!isRoot && !clip.character()) return 0;
    return m_movie.header.declaredLength;
}

int LoadedMovies::versionOf(const stage::MovieClip& clip) const {
    const auto loaded = m_shown.find(&clip);
    return loaded != m_shown.end() ? loaded->second.version : m_movie.header.version;
}

QString LoadedMovies::urlOf(const stage::MovieClip& clip) const {
    const auto loaded = m_shown.find(&clip);
    return loaded != m_shown.end() ? loaded->second.url : m_movieUrl;
}

} // namespace swf::script
