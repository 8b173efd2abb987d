// Button states.
#include "swf/stage/button_instance.h"

#include "swf/movie/movie_definition.h"

namespace swf::stage {

ButtonInstance::ButtonInstance(StageContext& context, const movie::ButtonCharacter& button,
                               const movie::MovieDefinition& movie)
    : DisplayObject(context, &button, movie), m_button(button) {
    setState(format::ButtonUp);
}

void ButtonInstance::setState(quint8 state) {
    if (state == m_state) return;
    m_state = state;
    m_children.clear();
    for (const format::ButtonRecord& record : m_button.button.records) {
        if (!(record.states & state)) continue;
        const auto [character, library] = movie().resolve(record.characterId);
        auto child = createInstance(context(), character, *library);
        movie::Placement placement;
        placement.characterId = record.characterId;
        placement.matrix = record.matrix;
        placement.colorTransform = record.colorTransform;
        placement.blendMode = record.blendMode;
        placement.filters = record.filters;
        child->setPlacement(placement);
        m_children[record.depth] = std::move(child);
    }
}

void ButtonInstance::advance() {
    for (auto& [depth, child] : m_children)
        child->advance();
}

} // namespace swf::stage
