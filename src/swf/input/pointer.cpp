// Hit testing and button passages.
#include "swf/input/pointer.h"

#include "swf/movie/movie_definition.h"
#include "swf/render/shape_paths.h"
#include "swf/stage/bounds.h"
#include "swf/stage/button_instance.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"

#include <algorithm>

namespace swf::input {

namespace {
// Sprites inside sprites inside hit areas: deep enough for any real movie, and a bound for a
// movie that nests a sprite in itself.
constexpr int kMaxHitNesting = 32;

QTransform placementTransform(const stage::DisplayObject& object) {
    return object.placement().matrix.toTransform();
}

bool rectHolds(const format::Rect& rect, QPointF p) {
    return rect.toRectF().normalized().contains(p);
}

// Whether area holds p by its fill rule, with a ray to the right: a point on an edge counts
// as the player counts it, the corner where a drawn square starts left out.
bool holds(const QPainterPath& area, QPointF p) {
    int winding = 0, crossings = 0;
    for (const QPolygonF& polygon : area.toSubpathPolygons()) {
        for (qsizetype i = 0; i < polygon.size(); ++i) {
            const QPointF a = polygon[i], b = polygon[(i + 1) % polygon.size()];
            if ((a.y() <= p.y()) == (b.y() <= p.y())) continue;
            if (a.x() + (p.y() - a.y()) * (b.x() - a.x()) / (b.y() - a.y()) < p.x()) continue;
            ++crossings;
            winding += b.y() > a.y() ? 1 : -1;
        }
    }
    return area.fillRule() == Qt::WindingFill ? winding != 0 : (crossings & 1) != 0;
}

bool onStage(const stage::MovieClip& clip, const stage::DisplayObject* object, quint64 serial,
             int nesting = 0) {
    if (nesting > kMaxHitNesting) return false;
    for (const auto& [depth, child] : clip.children()) {
        if (child.get() == object && child->serial() == serial) return true;
        if (const stage::MovieClip* inner = child->asClip();
            inner && onStage(*inner, object, serial, nesting + 1))
            return true;
    }
    return false;
}
} // namespace

PointerTracker::PointerTracker(const stage::Stage& stage, PointerClient client)
    : m_stage(stage), m_client(std::move(client)) {}

const QPainterPath& PointerTracker::outline(const movie::ShapeCharacter& shape) {
    auto it = m_outlines.find(&shape);
    if (it == m_outlines.end()) {
        render::ShapePaths paths = render::buildShapePaths(shape.shape);
        QPainterPath area = paths.outline;
        // A shape of lines only is hit on its lines' extent.
        if (area.isEmpty() && paths.extent.isValid()) area.addRect(paths.extent);
        area.setFillRule(shape.shape.windingRule ? Qt::WindingFill : Qt::OddEvenFill);
        it = m_outlines.emplace(&shape, std::move(area)).first;
    }
    return it->second;
}

bool PointerTracker::coversCharacter(const movie::MovieDefinition& movie, const movie::Character* character,
                                     QPointF local, int nesting) {
    if (!character || nesting > kMaxHitNesting) return false;
    switch (character->kind) {
    case movie::CharacterKind::Shape: {
        const auto& shape = static_cast<const movie::ShapeCharacter&>(*character);
        return rectHolds(shape.shape.bounds, local) && outline(shape).contains(local);
    }
    case movie::CharacterKind::MorphShape: {
        const auto& morph = static_cast<const movie::MorphShapeCharacter&>(*character).morph;
        return rectHolds(morph.startBounds, local) || rectHolds(morph.endBounds, local);
    }
    case movie::CharacterKind::Text: {
        const auto& text = static_cast<const movie::TextCharacter&>(*character).text;
        bool invertible = false;
        const QPointF inText = text.matrix.toTransform().inverted(&invertible).map(local);
        return invertible && rectHolds(text.bounds, inText);
    }
    case movie::CharacterKind::EditText:
        return rectHolds(static_cast<const movie::EditTextCharacter&>(*character).field.bounds, local);
    case movie::CharacterKind::Video:
        // Its whole box, whatever the picture shows: a clip holding a video answers over it.
        return stage::videoBox(static_cast<const movie::VideoCharacter&>(*character)).contains(local);
    case movie::CharacterKind::Button:
        return buttonHitArea(movie, static_cast<const movie::ButtonCharacter&>(*character), local,
                             nesting + 1);
    case movie::CharacterKind::Sprite: {
        // A sprite known only by its definition (inside a hit area): its first frame.
        const auto& sprite = static_cast<const movie::SpriteCharacter&>(*character);
        for (const auto& [depth, placement] : sprite.timeline.stateAt(0)) {
            if (placement.clipDepth) continue;
            bool invertible = false;
            const QPointF inChild = placement.matrix.toTransform().inverted(&invertible).map(local);
            const auto inner = movie.resolve(placement.characterId);
            if (invertible && coversCharacter(*inner.movie, inner.character, inChild, nesting + 1))
                return true;
        }
        return false;
    }
    default:
        return false;
    }
}

bool PointerTracker::buttonHitArea(const movie::MovieDefinition& movie, const movie::ButtonCharacter& button,
                                   QPointF local, int nesting) {
    for (const format::ButtonRecord& record : button.button.records) {
        if (!(record.states & format::ButtonHitTest)) continue;
        bool invertible = false;
        const QPointF inRecord = record.matrix.toTransform().inverted(&invertible).map(local);
        const auto inner = movie.resolve(record.characterId);
        if (invertible && coversCharacter(*inner.movie, inner.character, inRecord, nesting + 1)) return true;
    }
    return false;
}

const QPainterPath& PointerTracker::outline(const stage::MovieClip& clip) {
    // Scripts may redraw a clip every frame: one outline per clip, rebuilt when it changed.
    constexpr std::size_t kMaxDrawnOutlines = 1024;
    auto it = m_drawnOutlines.find(clip.serial());
    if (it != m_drawnOutlines.end() && it->second.first == clip.drawing().revision())
        return it->second.second;
    if (m_drawnOutlines.size() >= kMaxDrawnOutlines) m_drawnOutlines.clear();
    render::ShapePaths paths = render::buildShapePaths(clip.drawing().shape());
    QPainterPath area = paths.outline;
    return m_drawnOutlines.insert_or_assign(clip.serial(), std::make_pair(clip.drawing().revision(), area))
        .first->second.second;
}

bool PointerTracker::covers(const stage::DisplayObject& object, QPointF local, int nesting) {
    if (nesting > kMaxHitNesting) return false;
    if (const stage::MovieClip* clip = object.asClip()) {
        // What its drawing methods filled lies under its children.
        if (!clip->drawing().isEmpty() && clip->drawing().hasBounds() &&
            clip->drawing().bounds().contains(local) && holds(outline(*clip), local))
            return true;
        for (auto it = clip->children().rbegin(); it != clip->children().rend(); ++it) {
            const stage::DisplayObject& child = *it->second;
            if (!child.placement().visible || child.placement().clipDepth) continue;
            bool invertible = false;
            const QPointF inChild = placementTransform(child).inverted(&invertible).map(local);
            if (invertible && covers(child, inChild, nesting + 1)) return true;
        }
        return false;
    }
    return coversCharacter(object.movie(), object.character(), local, nesting);
}

PointerTracker::Hit PointerTracker::hitIn(stage::MovieClip& clip, const QTransform& toStage,
                                          QPointF stageTwips, int nesting) {
    if (nesting > kMaxHitNesting) return {};
    const auto& children = clip.children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        stage::DisplayObject& child = *it->second;
        const movie::Placement& placement = child.placement();
        if (!placement.visible || placement.clipDepth) continue;
        // Under a mask, only what the mask shows can be hit.
        const stage::DisplayObject* mask = nullptr;
        for (const auto& [depth, candidate] : children) {
            if (depth >= it->first) break;
            if (candidate->placement().clipDepth >= it->first) mask = candidate.get();
        }
        if (mask) {
            bool invertible = false;
            const QPointF inMask =
                (placementTransform(*mask) * toStage).inverted(&invertible).map(stageTwips);
            if (!invertible || !covers(*mask, inMask, nesting + 1)) continue;
        }
        const QTransform childToStage = placementTransform(child) * toStage;
        bool invertible = false;
        const QPointF local = childToStage.inverted(&invertible).map(stageTwips);
        if (!invertible) continue;
        if (child.character() && child.character()->kind == movie::CharacterKind::Button) {
            const auto& button = static_cast<const movie::ButtonCharacter&>(*child.character());
            if (buttonHitArea(child.movie(), button, local, nesting + 1))
                return {&child, &clip, child.serial()};
            continue;
        }
        stage::MovieClip* inner = child.asClip();
        if (!inner) continue;
        if (m_client.clipTakesPointer && m_client.clipTakesPointer(*inner)) {
            if (covers(*inner, local, nesting + 1)) return {inner, inner, inner->serial()};
            continue;
        }
        if (Hit hit = hitIn(*inner, childToStage, stageTwips, nesting + 1); hit.target) return hit;
    }
    return {};
}

namespace {
bool isInputField(const stage::TextField& field) {
    return !field.field.readOnly && field.placement().visible;
}

void collectInputFields(stage::MovieClip& clip, std::vector<stage::TextField*>& out, int nesting) {
    if (nesting > kMaxHitNesting) return;
    for (const auto& [depth, child] : clip.children()) {
        if (stage::TextField* field = child->asTextField()) {
            if (isInputField(*field)) out.push_back(field);
        } else if (stage::MovieClip* inner = child->asClip()) {
            if (inner->placement().visible) collectInputFields(*inner, out, nesting + 1);
        }
    }
}

stage::TextField* inputFieldIn(stage::MovieClip& clip, const QTransform& toStage, QPointF stageTwips,
                               int nesting) {
    if (nesting > kMaxHitNesting) return nullptr;
    const auto& children = clip.children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        stage::DisplayObject& child = *it->second;
        if (!child.placement().visible || child.placement().clipDepth) continue;
        const QTransform childToStage = placementTransform(child) * toStage;
        if (stage::TextField* field = child.asTextField()) {
            bool invertible = false;
            const QPointF local = childToStage.inverted(&invertible).map(stageTwips);
            if (invertible && isInputField(*field) && field->field.bounds.toRectF().contains(local))
                return field;
        } else if (stage::MovieClip* inner = child.asClip()) {
            if (stage::TextField* field = inputFieldIn(*inner, childToStage, stageTwips, nesting + 1))
                return field;
        }
    }
    return nullptr;
}
} // namespace

stage::TextField* PointerTracker::inputFieldAt(QPointF stageTwips) const {
    const std::vector<stage::MovieClip*> layers = m_stage.all();
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer)
        if (stage::TextField* field = inputFieldIn(**layer, placementTransform(**layer), stageTwips, 0))
            return field;
    return nullptr;
}

std::vector<stage::TextField*> PointerTracker::inputFields() const {
    std::vector<stage::TextField*> fields;
    for (stage::MovieClip* layer : m_stage.all())
        collectInputFields(*layer, fields, 0);
    return fields;
}

PointerTracker::Hit PointerTracker::hitTest(QPointF stageTwips) {
    const std::vector<stage::MovieClip*> layers = m_stage.all();
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        const Hit hit = hitIn(**layer, placementTransform(**layer), stageTwips, 0);
        if (hit.target) return hit;
    }
    return {};
}

void PointerTracker::updateLook(stage::DisplayObject* target, bool over) {
    if (!target || !target->character() || target->character()->kind != movie::CharacterKind::Button) return;
    auto* button = static_cast<stage::ButtonInstance*>(target);
    if (m_down && m_pressed.target == target)
        button->setState(over ? format::ButtonDown : format::ButtonUp);
    else
        button->setState(over ? format::ButtonOver : format::ButtonUp);
}

void PointerTracker::send(const Hit& hit, quint16 transition) {
    if (hit.target && m_client.transition) m_client.transition(*hit.target, *hit.timeline, transition);
}

void PointerTracker::dropVanished() {
    const std::vector<stage::MovieClip*> layers = m_stage.all();
    auto present = [&](const Hit& hit) {
        return std::any_of(layers.begin(), layers.end(), [&](const stage::MovieClip* layer) {
            return onStage(*layer, hit.target, hit.serial);
        });
    };
    if (m_over.target && !present(m_over)) m_over = {};
    if (m_pressed.target && !present(m_pressed)) m_pressed = {};
}

void PointerTracker::moved(QPointF stageTwips) {
    m_position = stageTwips;
    dropVanished();
    const Hit hit = hitTest(stageTwips);
    if (!m_down || !m_pressed.target) {
        if (hit.target == m_over.target) return;
        const Hit left = m_over;
        m_over = hit;
        updateLook(left.target, false);
        send(left, format::OverUpToIdle);
        // The script of the passage out may have taken the new target off the stage.
        dropVanished();
        updateLook(m_over.target, true);
        send(m_over, m_down ? format::IdleToOverDown : format::IdleToOverUp);
        return;
    }
    // Pressed on a target: it alone follows the pointer until the release.
    const bool wasInside = m_over.target == m_pressed.target;
    const bool inside = hit.target == m_pressed.target;
    if (wasInside == inside) return;
    m_over = inside ? m_pressed : Hit{};
    updateLook(m_pressed.target, inside);
    send(m_pressed, inside ? format::OutDownToOverDown : format::OverDownToOutDown);
}

void PointerTracker::pressed() {
    dropVanished();
    if (m_down) return;
    m_down = true;
    m_pressed = m_over;
    updateLook(m_pressed.target, true);
    send(m_pressed, format::OverUpToOverDown);
}

void PointerTracker::released() {
    dropVanished();
    if (!m_down) return;
    m_down = false;
    const Hit pressed = m_pressed;
    m_pressed = {};
    if (pressed.target) {
        const bool inside = m_over.target == pressed.target;
        updateLook(pressed.target, inside);
        send(pressed, inside ? format::OverDownToOverUp : format::OutDownToIdle);
        dropVanished();
    }
    // What is under the pointer now gets its roll-over.
    moved(m_position);
}

} // namespace swf::input
