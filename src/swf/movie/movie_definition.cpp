// The character library and the diagnostics list.
#include "swf/movie/movie_definition.h"

#include "swf/movie/limits.h"

namespace swf::movie {

const Character* MovieDefinition::character(quint16 id) const {
    const auto it = m_characters.find(id);
    return it == m_characters.end() ? nullptr : it->second.get();
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

}  // namespace swf::movie
