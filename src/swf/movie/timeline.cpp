// Placement-state replay with snapshots.
#include "swf/movie/timeline.h"

#include <algorithm>

namespace swf::movie {

void Timeline::appendFrame(Frame frame) {
    if (!frame.label.isEmpty()) {
        const QString key = frame.label.toLower();
        if (!m_labels.contains(key)) m_labels.insert(key, frameCount());
    }
    m_frames.push_back(std::move(frame));
}

int Timeline::frameOfLabel(const QString& label) const {
    return m_labels.value(label.toLower(), -1);
}

bool Timeline::applyFrame(PlacementState& state, const Frame& frame, int frameIndex) {
    qint64 commandIndex = 0;
    for (const FrameCommand& command : frame.commands) {
        ++commandIndex;
        if (const auto* place = std::get_if<format::PlaceObject>(&command)) {
            auto it = state.find(place->depth);
            if (!place->move) {
                if (!place->characterId) return false;
                // A plain place onto an occupied depth is ignored, as old players did.
                if (it != state.end()) continue;
                it = state.emplace(place->depth, Placement{}).first;
                it->second.birth = (qint64(frameIndex) << 16) | commandIndex;
            } else if (it == state.end()) {
                continue; // nothing there to move
            }
            Placement& p = it->second;
            if (place->characterId && (place->move || p.characterId == 0)) {
                if (place->move && *place->characterId != p.characterId)
                    p.birth = (qint64(frameIndex) << 16) | commandIndex;
                p.characterId = *place->characterId;
            }
            if (place->matrix) p.matrix = *place->matrix;
            if (place->colorTransform) p.colorTransform = *place->colorTransform;
            if (place->ratio) p.ratio = *place->ratio;
            if (place->name) p.name = *place->name;
            if (place->clipDepth) p.clipDepth = *place->clipDepth;
            if (place->blendMode) p.blendMode = *place->blendMode;
            if (place->filters) p.filters = *place->filters;
            if (place->visible) p.visible = *place->visible;
            if (place->opaqueBackground) p.opaqueBackground = place->opaqueBackground;
            if (!place->clipActions.isEmpty()) p.clipActions = place->clipActions;
        } else if (const auto* remove = std::get_if<format::RemoveObject>(&command)) {
            state.erase(remove->depth);
        }
    }
    return true;
}

PlacementState Timeline::stateAt(int frame) const {
    if (m_frames.empty()) return {};
    frame = std::clamp(frame, 0, frameCount() - 1);
    const size_t wanted = static_cast<size_t>(frame / kSnapshotInterval);
    while (m_snapshots.size() <= wanted) {
        // Build the next snapshot from the previous one.
        PlacementState state;
        int from = 0;
        if (!m_snapshots.empty()) {
            state = m_snapshots.back();
            from = static_cast<int>(m_snapshots.size() - 1) * kSnapshotInterval + 1;
        }
        const int to = static_cast<int>(m_snapshots.size()) * kSnapshotInterval;
        for (int i = from; i <= to; ++i)
            applyFrame(state, m_frames[static_cast<size_t>(i)], i);
        m_snapshots.push_back(std::move(state));
    }
    PlacementState state = m_snapshots[wanted];
    for (int i = static_cast<int>(wanted) * kSnapshotInterval + 1; i <= frame; ++i)
        applyFrame(state, m_frames[static_cast<size_t>(i)], i);
    return state;
}

} // namespace swf::movie
