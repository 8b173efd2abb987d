// Tag dispatch for timelines.
#include "swf/movie/tag_parser.h"

#include "swf/format/tag_codes.h"
#include "swf/format/text_encoding.h"
#include "swf/movie/definition_reader.h"
#include "swf/movie/limits.h"

namespace swf::movie {

using format::TagCode;

bool readTagHeader(QByteArrayView data, TagHeader& out) {
    if (data.size() < 2) return false;
    const quint16 codeAndLength = quint8(data[0]) | (quint8(data[1]) << 8);
    out.code = codeAndLength >> 6;
    out.length = codeAndLength & 0x3f;
    out.headerSize = 2;
    if (out.length == 0x3f) {
        if (data.size() < 6) return false;
        out.length = quint32(quint8(data[2]) | (quint8(data[3]) << 8) | (quint32(quint8(data[4])) << 16) |
                             (quint32(quint8(data[5])) << 24));
        out.headerSize = 6;
    }
    return true;
}

namespace {
bool graphicKind(const Character* character) {
    return !character ||
           (character->kind != CharacterKind::Sprite && character->kind != CharacterKind::Button);
}
} // namespace

// A placement that swaps the character at a depth swaps only pictures (shapes, morphs,
// texts). A sprite or button there keeps its identity, playhead and state, and a picture is
// not turned into one: the character is dropped and the tag only moves what is there.
void TagParser::trackOccupant(const Timeline& timeline, format::PlaceObject& place) {
    auto& occupants = m_occupants[&timeline];
    const auto it = occupants.find(place.depth);
    if (!place.move) {
        if (it == occupants.end() && place.characterId) occupants.emplace(place.depth, *place.characterId);
        return;
    }
    if (it == occupants.end() || !place.characterId || *place.characterId == it->second) return;
    if (graphicKind(m_definition.character(it->second)) &&
        graphicKind(m_definition.character(*place.characterId)))
        it->second = *place.characterId;
    else
        place.characterId.reset();
}

void TagParser::handleTag(int code, io::Reader& body, Frame& pending, Timeline& timeline, int nesting,
                          int rootFrame) {
    const format::StringCoding coding = m_definition.stringCoding();
    const qint64 offset = body.streamOffset();
    switch (static_cast<TagCode>(code)) {
    case TagCode::ShowFrame:
        if (timeline.frameCount() < kMaxFramesPerTimeline) timeline.appendFrame(std::move(pending));
        pending = Frame{};
        return;
    case TagCode::PlaceObject:
    case TagCode::PlaceObject2:
    case TagCode::PlaceObject3: {
        format::PlaceObject place;
        if (format::readPlaceObject(body, code, coding, place)) {
            trackOccupant(timeline, place);
            pending.commands.emplace_back(std::move(place));
        } else
            m_definition.note(QStringLiteral("broken PlaceObject skipped"), code, offset, rootFrame);
        return;
    }
    case TagCode::RemoveObject:
    case TagCode::RemoveObject2: {
        format::RemoveObject remove;
        if (format::readRemoveObject(body, code, remove)) {
            m_occupants[&timeline].erase(remove.depth);
            pending.commands.emplace_back(remove);
        } else
            m_definition.note(QStringLiteral("broken RemoveObject skipped"), code, offset, rootFrame);
        return;
    }
    case TagCode::DoAction:
        pending.commands.emplace_back(ActionBlock{body.rest().toByteArray()});
        return;
    case TagCode::FrameLabel:
        pending.label = format::decodeMovieString(body.cString(), coding);
        return;
    case TagCode::SetBackgroundColor:
        // The stage takes the first colour a movie sets; later ones do not change it.
        if (nesting == 0 && !m_definition.hasBackground) {
            const QColor color = format::readRgb(body);
            if (!body.failed()) {
                m_definition.background = color;
                m_definition.hasBackground = true;
            }
        }
        return;
    case TagCode::JpegTables:
        if (m_definition.jpegTables.isEmpty()) m_definition.jpegTables = body.rest().toByteArray();
        return;
    case TagCode::DefineSprite:
        readSprite(body, nesting, rootFrame);
        return;
    case TagCode::ImportAssets:
    case TagCode::ImportAssets2:
        readImports(code, body, pending);
        return;
    case TagCode::ExportAssets: { // names a script may attach from this frame on
        format::Exports exports;
        if (!format::readExports(body, coding, exports)) return;
        for (const format::ExportedName& exported : exports.names)
            if (m_definition.exportedNames.size() < 65536)
                m_definition.exportedNames.insert(format::exportKey(exported.name), exported.id);
        pending.commands.emplace_back(std::move(exports));
        return;
    }
    case TagCode::StartSound:
    case TagCode::StartSound2: {
        format::StartSoundRecord start;
        if (format::readStartSound(body, code, coding, start))
            pending.commands.emplace_back(std::move(start));
        else
            m_definition.note(QStringLiteral("broken StartSound skipped"), code, offset, rootFrame);
        return;
    }
    case TagCode::SoundStreamHead:
    case TagCode::SoundStreamHead2: {
        format::SoundStreamHeadRecord head;
        if (format::readSoundStreamHead(body, head))
            pending.commands.emplace_back(head);
        else
            m_definition.note(QStringLiteral("broken SoundStreamHead skipped"), code, offset, rootFrame);
        return;
    }
    case TagCode::SoundStreamBlock:
        pending.commands.emplace_back(format::StreamBlock{body.rest().toByteArray()});
        return;
    case TagCode::DoInitAction: {
        format::InitActions init;
        if (format::readInitActions(body, init)) pending.commands.emplace_back(std::move(init));
        return;
    }
    case TagCode::VideoFrame:
        readVideoFrame(body, rootFrame);
        return;
    default:
        readDefinition(code, body, rootFrame);
        return;
    }
}

void TagParser::readVideoFrame(io::Reader& body, int rootFrame) {
    const qint64 offset = body.streamOffset();
    const int code = int(TagCode::VideoFrame);
    format::VideoFrameRecord frame;
    if (!format::readVideoFrame(body, frame)) {
        m_definition.note(QStringLiteral("broken VideoFrame skipped"), code, offset, rootFrame);
        return;
    }
    auto* video = dynamic_cast<VideoCharacter*>(m_definition.mutableCharacter(frame.streamId));
    if (!video) {
        m_definition.note(QStringLiteral("video frame for unknown stream %1 skipped").arg(frame.streamId),
                          code, offset, rootFrame);
        return;
    }
    if (!video->addPacket(frame.frameNumber, std::move(frame.data)))
        m_definition.note(QStringLiteral("video stream %1: frame %2 given twice; the first is kept")
                              .arg(frame.streamId)
                              .arg(frame.frameNumber),
                          code, offset, rootFrame);
}

void TagParser::readImports(int code, io::Reader& body, Frame& pending) {
    const QByteArray url = body.cString();
    if (code == int(TagCode::ImportAssets2)) body.skip(2); // two reserved bytes
    const int count = body.u16();
    if (body.failed()) return;
    std::shared_ptr<const MovieDefinition> library;
    if (m_importer) library = m_importer(format::decodeMovieString(url, m_definition.stringCoding()));
    if (!library)
        m_definition.note(
            QStringLiteral("the library movie %1 could not be read").arg(QString::fromUtf8(url)), code);
    const QHash<QString, quint16> exported = library ? library->exportedNames : QHash<QString, quint16>();
    // The imported names become this movie's own export names: attachMovie finds them.
    format::Exports asExports;
    for (int i = 0; i < count; ++i) {
        const quint16 id = body.u16();
        const QByteArray name = body.cString();
        if (body.failed()) break;
        const QString decoded = format::decodeMovieString(name, m_definition.stringCoding());
        const auto found = exported.find(format::exportKey(decoded));
        if (found != exported.end()) m_definition.addImport(id, library, *found);
        asExports.names.push_back({id, decoded});
    }
    if (!asExports.names.empty()) pending.commands.emplace_back(std::move(asExports));
}

void TagParser::readDefinition(int code, io::Reader& body, int rootFrame) {
    const qint64 offset = body.streamOffset();
    QString problem;
    auto character = movie::readDefinition(code, body, m_definition, problem);
    if (!problem.isEmpty()) m_definition.note(problem, code, offset, rootFrame);
    if (character) m_definition.addCharacter(std::move(character));
}

void TagParser::readSprite(io::Reader& body, int nesting, int rootFrame) {
    const qint64 offset = body.streamOffset();
    if (nesting >= kMaxSpriteNesting) {
        m_definition.note(QStringLiteral("sprites nested too deeply; inner sprite skipped"),
                          int(TagCode::DefineSprite), offset, rootFrame);
        return;
    }
    auto sprite = std::make_unique<SpriteCharacter>();
    sprite->id = body.u16();
    sprite->declaredFrameCount = body.u16();
    if (body.failed()) {
        m_definition.note(QStringLiteral("broken DefineSprite skipped"), int(TagCode::DefineSprite), offset,
                          rootFrame);
        return;
    }
    Frame pending;
    while (!body.atEnd()) {
        TagHeader header;
        const QByteArrayView rest = body.peekRest();
        if (!readTagHeader(rest, header)) break;
        body.skip(header.headerSize);
        if (header.code == int(TagCode::End)) break;
        if (header.length > body.remaining()) {
            m_definition.note(QStringLiteral("sprite %1: tag runs past the sprite's end").arg(sprite->id),
                              header.code, body.streamOffset(), rootFrame);
            break;
        }
        io::Reader tag = body.sub(header.length);
        handleTag(header.code, tag, pending, sprite->timeline, nesting + 1, rootFrame);
    }
    // Commands after the last ShowFrame still belong to a frame the sprite shows.
    sprite->frameless = pending.commands.empty() && sprite->timeline.frameCount() == 0;
    if (!pending.commands.empty() || sprite->timeline.frameCount() == 0)
        sprite->timeline.appendFrame(std::move(pending));
    m_occupants.erase(&sprite->timeline);
    m_definition.addCharacter(std::move(sprite));
}

} // namespace swf::movie
