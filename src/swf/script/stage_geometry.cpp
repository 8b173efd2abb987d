// Stage coordinates for scripts: hit tests, dragging, drop targets.
#include "swf/script/stage_geometry.h"
#include "swf/script/clip_directory.h"
#include "swf/script/display_properties.h"
#include "swf/script/script_limits.h"

#include "swf/avm1/value.h"
#include "swf/input/pointer.h"
#include "swf/stage/bounds.h"
#include "swf/stage/stage.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace swf::script {

StageGeometry::StageGeometry(stage::Stage& stage, ClipDirectory& directory, avm1::Machine& machine)
    : m_stage(stage), m_directory(directory), m_machine(machine) {}

StageGeometry::~StageGeometry() = default;

std::optional<QTransform> StageGeometry::stageToClip(const stage::MovieClip& clip) const {
    QTransform toStage;
    int nesting = 0;
    for (const stage::MovieClip* at = &clip; at && nesting < 256; at = m_directory.parentOf(*at), ++nesting)
        toStage = toStage * at->placement().matrix.toTransform();
    bool invertible = false;
    const QTransform inverse = toStage.inverted(&invertible);
    if (!invertible) return std::nullopt;
    return inverse;
}

std::optional<QRectF> StageGeometry::stageBox(const stage::MovieClip& clip) const {
    const auto bounds = stage::localBounds(clip);
    const auto toClip = stageToClip(clip);
    if (!bounds || !toClip) return std::nullopt;
    return toClip->inverted().mapRect(*bounds);
}

bool StageGeometry::covers(stage::MovieClip& clip, QPointF stagePoint) {
    const auto toClip = stageToClip(clip);
    if (!toClip) return false;
    if (!m_hitTester) m_hitTester = std::make_unique<input::PointerTracker>(m_stage, input::PointerClient{});
    return m_hitTester->covers(clip, toClip->map(stagePoint));
}

QString StageGeometry::under(stage::MovieClip& dragged) {
    if (!m_stage.root()) return QString();
    if (!m_hitTester) m_hitTester = std::make_unique<input::PointerTracker>(m_stage, input::PointerClient{});
    const QPointF pointer = m_stage.pointer();
    // The innermost clip whose own shapes lie under the pointer, the topmost first, leaving
    // out the dragged clip and what it holds.
    std::function<stage::MovieClip*(stage::MovieClip&, int)> find = [&](stage::MovieClip& parent,
                                                                        int nesting) -> stage::MovieClip* {
        if (nesting > 64) return nullptr;
        const auto toParent = stageToClip(parent);
        if (!toParent) return nullptr;
        const QPointF local = toParent->map(pointer);
        for (auto it = parent.children().rbegin(); it != parent.children().rend(); ++it) {
            stage::DisplayObject& child = *it->second;
            if (&child == &dragged || !child.placement().visible || child.placement().clipDepth) continue;
            if (stage::MovieClip* clip = child.asClip()) {
                if (stage::MovieClip* found = find(*clip, nesting + 1)) return found;
                continue;
            }
            bool invertible = false;
            const QTransform toChild = child.placement().matrix.toTransform().inverted(&invertible);
            if (invertible && m_hitTester->covers(child, toChild.map(local))) return &parent;
        }
        return nullptr;
    };
    stage::MovieClip* target = find(*m_stage.root(), 0);
    return target && target != m_stage.root() ? m_directory.slashPath(*target) : QString();
}

QString StageGeometry::dropTarget(stage::MovieClip& clip) {
    if (m_stage.dragged() == &clip) return under(clip);
    return m_stage.dropTarget(clip);
}

void StageGeometry::endDrag() {
    if (stage::MovieClip* clip = m_stage.dragged(); clip && m_directory.knows(clip))
        m_stage.setDropTarget(*clip, under(*clip));
    m_stage.setDrag(std::nullopt);
}

void StageGeometry::startDrag(stage::MovieClip& clip, bool lockCenter, bool constrain, double left,
                              double top, double right, double bottom) {
    stage::Stage::Drag drag;
    drag.clip = stage::ClipHandle(&clip);
    drag.constrain = constrain && std::isfinite(left) && std::isfinite(top) && std::isfinite(right) &&
                     std::isfinite(bottom);
    drag.bounds =
        QRectF(QPointF(left * kTwips, top * kTwips), QPointF(right * kTwips, bottom * kTwips)).normalized();
    if (!lockCenter) {
        // The clip keeps its distance from the pointer, measured in its parent.
        const stage::MovieClip* parent = m_directory.parentOf(clip);
        const auto toParent = parent ? stageToClip(*parent) : std::optional<QTransform>(QTransform());
        if (toParent) {
            const QPointF pointer = toParent->map(m_stage.pointer());
            drag.offset =
                QPointF(clip.placement().matrix.tx - pointer.x(), clip.placement().matrix.ty - pointer.y());
        }
    }
    m_stage.setDrag(drag);
    dragToPointer();
}

void StageGeometry::dragToPointer() {
    const auto& drag = m_stage.drag();
    if (!drag) return;
    stage::MovieClip* dragged = m_stage.dragged();
    if (!dragged || !m_directory.knows(dragged)) {
        m_stage.setDrag(std::nullopt); // the clip left the stage
        return;
    }
    const stage::MovieClip* parent = m_directory.parentOf(*dragged);
    const auto toParent = parent ? stageToClip(*parent) : std::optional<QTransform>(QTransform());
    if (!toParent) return;
    QPointF at = toParent->map(m_stage.pointer()) + drag->offset;
    if (drag->constrain) {
        at.setX(std::clamp(at.x(), drag->bounds.left(), drag->bounds.right()));
        at.setY(std::clamp(at.y(), drag->bounds.top(), drag->bounds.bottom()));
    }
    writePlacement(*dragged, PlacementProperty::X, avm1::Value(at.x() / kTwips), m_machine);
    writePlacement(*dragged, PlacementProperty::Y, avm1::Value(at.y() / kTwips), m_machine);
}

} // namespace swf::script
