// The character library and the diagnostics list.
#include "swf/movie/movie_definition.h"

#include "swf/movie/limits.h"

#include <algorithm>

namespace swf::movie {

const Character* MovieDefinition::character(quint16 id) const {
    const auto it = m_characters.find(id);
    return it == m_characters.end() ? nullptr : it->second.get();
}

MovieDefinition::Resolved MovieDefinition::resolve(quint16 id) const {
    if (const Character* own = character(id)) return {own, this};
    const auto imported = m_imports.find(id);
    if (imported == m_imports.end()) return {nullptr, this};
    // A library's own imports were resolved when it was read, so one step may lead to another.
    const Resolved inLibrary = imported->second.library->resolve(imported->second.id);
    return inLibrary.character ? inLibrary : Resolved{nullptr, this};
}

void MovieDefinition::addImport(quint16 id, std::shared_ptr<const MovieDefinition> library,
                                quint16 libraryId) {
    if (!library || library.get() == this || m_characters.count(id) || m_imports.count(id)) return;
    m_imports.emplace(id, Import{std::move(library), libraryId});
}

Character* MovieDefinition::mutableCharacter(quint16 id) {
    const auto it = m_characters.find(id);
    return it == m_characters.end() ? nullptr : it->second.get();
}

const QImage& BitmapCharacter::image() const {
    if (!m_decoded) {
        m_decoded = true;
        QString problem;
        m_image = format::decodeBitmap(data, problem);
        data.data = QByteArray();
        data.alpha = QByteArray();
        data.jpegTables = QByteArray();
    }
    return m_image;
}

bool VideoCharacter::addPacket(quint16 frameNumber, QByteArray data) {
    if (int(m_packets.size()) >= kMaxVideoFramesPerStream) return false;
    const auto at = std::lower_bound(m_packets.begin(), m_packets.end(), frameNumber,
                                     [](const Packet& p, quint16 n) { return p.frameNumber < n; });
    if (at != m_packets.end() && at->frameNumber == frameNumber) return false;
    const bool key = format::isVideoKeyFrame(stream.codec, data);
    m_packets.insert(at, Packet{frameNumber, key, std::move(data)});
    return true;
}

int VideoCharacter::packetAtOrBefore(int frameNumber) const {
    const auto after = std::upper_bound(m_packets.begin(), m_packets.end(), frameNumber,
                                        [](int n, const Packet& p) { return n < p.frameNumber; });
    return int(after - m_packets.begin()) - 1;
}

void MovieDefinition::addCharacter(std::unique_ptr<Character> character) {
    if (!character) return;
    const quint16 id = character->id;
    if (m_characters.count(id)) {
        note(QStringLiteral("character %1 defined twice; the first definition is kept").arg(id));
        return;
    }
    m_characters.emplace(id, std::move(character));
}

void MovieDefinition::note(const QString& message, int tagCode, qint64 offset, int frame) {
    if (static_cast<int>(m_diagnostics.size()) >= kMaxDiagnostics) return;
    m_diagnostics.push_back(Diagnostic{message, tagCode, offset, frame});
}

} // namespace swf::movie
