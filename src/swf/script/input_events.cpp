// Input reaching scripts: focus, dragging and the drop target, mouse and key events,
// clips that act as buttons, button actions.
#include "swf/script/script_host.h"
#include "swf/script/script_limits.h"

#include "swf/input/pointer.h"

#include "swf/format/actions.h"
#include "swf/format/records.h"
#include "swf/format/tag_codes.h"
#include "swf/movie/movie_definition.h"
#include "swf/stage/bounds.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

namespace swf::script {

bool ScriptHost::setFocus(Target target) {
    stage::MovieClip* clip = target ? clipOf(target) : nullptr;
    m_stage.setFocus(clip);
    return clip != nullptr;
}

avm1::Target ScriptHost::focus() {
    stage::MovieClip* clip = m_stage.focus();
    if (!clip || !m_directory->knows(clip)) return nullptr;
    return objectOf(*clip);
}

std::optional<QRectF> ScriptHost::focusRectangle() {
    stage::MovieClip* clip = m_stage.focus();
    if (!m_focusRect || !focus() || clip == m_stage.root()) return std::nullopt;
    const auto bounds = stage::localBounds(*clip);
    const auto toClip = stageToClip(*clip);
    if (!bounds || !toClip) return std::nullopt;
    return toClip->inverted().mapRect(*bounds);
}

QString ScriptHost::dropTarget(stage::MovieClip& dragged) {
    if (!m_stage.root()) return QString();
    if (!m_hitTester) m_hitTester = std::make_unique<input::PointerTracker>(m_stage, input::PointerClient{});
    const QPointF pointer = m_stage.pointer();
    // The innermost clip whose own shapes lie under the pointer, the topmost first, leaving
    // out the dragged clip and what it holds.
    std::function<stage::MovieClip*(stage::MovieClip&, int)> under = [&](stage::MovieClip& parent,
                                                                         int nesting) -> stage::MovieClip* {
        if (nesting > 64) return nullptr;
        const auto toParent = stageToClip(parent);
        if (!toParent) return nullptr;
        const QPointF local = toParent->map(pointer);
        for (auto it = parent.children().rbegin(); it != parent.children().rend(); ++it) {
            stage::DisplayObject& child = *it->second;
            if (&child == &dragged || !child.placement().visible || child.placement().clipDepth) continue;
            if (stage::MovieClip* clip = child.asClip()) {
                if (stage::MovieClip* found = under(*clip, nesting + 1)) return found;
                continue;
            }
            bool invertible = false;
            const QTransform toChild = child.placement().matrix.toTransform().inverted(&invertible);
            if (invertible && m_hitTester->covers(child, toChild.map(local))) return &parent;
        }
        return nullptr;
    };
    stage::MovieClip* target = under(*m_stage.root(), 0);
    return target && target != m_stage.root() ? m_directory->slashPath(*target) : QString();
}

void ScriptHost::endDrag() {
    if (stage::MovieClip* clip = m_stage.dragged(); clip && m_directory->knows(clip))
        m_stage.setDropTarget(*clip, dropTarget(*clip));
    m_stage.setDrag(std::nullopt);
}

std::optional<QTransform> ScriptHost::stageToClip(const stage::MovieClip& clip) const {
    QTransform toStage;
    int nesting = 0;
    for (const stage::MovieClip* at = &clip; at && nesting < 256; at = m_directory->parentOf(*at), ++nesting)
        toStage = toStage * at->placement().matrix.toTransform();
    bool invertible = false;
    const QTransform inverse = toStage.inverted(&invertible);
    if (!invertible) return std::nullopt;
    return inverse;
}

void ScriptHost::startDrag(Target target, bool lockCenter, bool constrain, double left, double top,
                           double right, double bottom) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip || clip == m_stage.root()) return;
    stage::Stage::Drag drag;
    drag.clip = stage::ClipHandle(clip);
    drag.constrain = constrain && std::isfinite(left) && std::isfinite(top) && std::isfinite(right) &&
                     std::isfinite(bottom);
    drag.bounds =
        QRectF(QPointF(left * kTwips, top * kTwips), QPointF(right * kTwips, bottom * kTwips)).normalized();
    if (!lockCenter) {
        // The clip keeps its distance from the pointer, measured in its parent.
        const stage::MovieClip* parent = m_directory->parentOf(*clip);
        const auto toParent = parent ? stageToClip(*parent) : std::optional<QTransform>(QTransform());
        if (toParent) {
            const QPointF pointer = toParent->map(m_stage.pointer());
            drag.offset =
                QPointF(clip->placement().matrix.tx - pointer.x(), clip->placement().matrix.ty - pointer.y());
        }
    }
    m_stage.setDrag(drag);
    dragToPointer();
}

void ScriptHost::dragToPointer() {
    const auto& drag = m_stage.drag();
    if (!drag) return;
    stage::MovieClip* dragged = m_stage.dragged();
    if (!dragged || !m_directory->knows(dragged)) {
        m_stage.setDrag(std::nullopt); // the clip left the stage
        return;
    }
    stage::MovieClip& clip = *dragged;
    const stage::MovieClip* parent = m_directory->parentOf(clip);
    const auto toParent = parent ? stageToClip(*parent) : std::optional<QTransform>(QTransform());
    if (!toParent) return;
    QPointF at = toParent->map(m_stage.pointer()) + drag->offset;
    if (drag->constrain) {
        at.setX(std::clamp(at.x(), drag->bounds.left(), drag->bounds.right()));
        at.setY(std::clamp(at.y(), drag->bounds.top(), drag->bounds.bottom()));
    }
    setPropertyByName(clip, QStringLiteral("_x"), avm1::Value(at.x() / kTwips));
    setPropertyByName(clip, QStringLiteral("_y"), avm1::Value(at.y() / kTwips));
}

void ScriptHost::runClipEventEverywhere(quint32 clipEvent) {
    // Copied: the scripts may add and remove clips.
    std::vector<stage::MovieClip*> clips;
    for (const auto& [clip, events] : m_clipEvents)
        if (std::any_of(events.begin(), events.end(),
                        [clipEvent](const format::ClipActionRecord& e) { return e.events & clipEvent; }))
            clips.push_back(const_cast<stage::MovieClip*>(clip));
    for (stage::MovieClip* clip : clips)
        if (m_directory->knows(clip)) runClipEvent(*clip, clipEvent);
}

void ScriptHost::mouseEvent(quint32 clipEvent, const QString& listenerMethod) {
    runClipEventEverywhere(clipEvent);
    const avm1::Value mouse = m_machine->getMember(avm1::Value(m_machine->global()), QStringLiteral("Mouse"));
    if (mouse.asObject()) {
        const avm1::Value args[] = {avm1::Value(listenerMethod)};
        m_machine->callMethod(mouse, QStringLiteral("broadcastMessage"), args);
    }
}

void ScriptHost::keyEvent(bool down, int keyCode, int ascii) {
    if (down) {
        if (m_keysDown.size() < 256) m_keysDown.insert(keyCode);
        m_lastKeyCode = keyCode;
        m_lastKeyAscii = ascii;
    } else {
        m_keysDown.erase(keyCode);
    }
    runClipEventEverywhere(down ? kEventKeyDown : kEventKeyUp);
    const avm1::Value key = m_machine->getMember(avm1::Value(m_machine->global()), QStringLiteral("Key"));
    if (key.asObject()) {
        const avm1::Value args[] = {
            avm1::Value(down ? QStringLiteral("onKeyDown") : QStringLiteral("onKeyUp"))};
        m_machine->callMethod(key, QStringLiteral("broadcastMessage"), args);
    }
}

bool ScriptHost::takesPointer(stage::MovieClip& clip) {
    constexpr quint32 kButtonEvents = kEventPress | kEventRelease | kEventReleaseOutside | kEventRollOver |
                                      kEventRollOut | kEventDragOver | kEventDragOut;
    if (const auto found = m_clipEvents.find(&clip); found != m_clipEvents.end())
        for (const format::ClipActionRecord& entry : found->second)
            if (entry.events & kButtonEvents) return true;
    if (!m_directory->knows(&clip)) return false;
    const avm1::Value object(objectOf(clip));
    for (const char* name :
         {"onPress", "onRelease", "onReleaseOutside", "onRollOver", "onRollOut", "onDragOver", "onDragOut"}) {
        const avm1::Value handler = m_machine->getMember(object, QString::fromLatin1(name));
        if (handler.asObject() && handler.asObject()->isFunction()) return true;
    }
    return false;
}

void ScriptHost::clipPointerEvent(stage::MovieClip& clip, quint32 clipEvent, const QString& handler) {
    runClipEvent(clip, clipEvent);
    if (!m_directory->knows(&clip)) return;
    const avm1::Value object(objectOf(clip));
    const avm1::Value function = m_machine->getMember(object, handler);
    if (function.asObject() && function.asObject()->isFunction())
        m_machine->callFunction(function, object, {});
}

void ScriptHost::runButtonActions(stage::MovieClip& timeline, const QByteArray& actions) {
    if (!m_directory->knows(&timeline)) return;
    m_machine->runActions(actions, objectOf(timeline));
}

void ScriptHost::buttonTransition(stage::DisplayObject& target, stage::MovieClip& timeline,
                                  quint16 transition) {
    if (target.character() && target.character()->kind == movie::CharacterKind::Button) {
        const auto& button = static_cast<const movie::ButtonCharacter&>(*target.character()).button;
        for (const format::ButtonAction& action : button.actions)
            if (action.transitions & transition) runButtonActions(timeline, action.actions);
        return;
    }
    stage::MovieClip* clip = target.asClip();
    if (!clip) return;
    static const std::pair<quint16, std::pair<quint32, const char*>> kClipEvents[] = {
        {format::OverUpToOverDown, {kEventPress, "onPress"}},
        {format::IdleToOverDown, {kEventPress, "onPress"}},
        {format::OverDownToOverUp, {kEventRelease, "onRelease"}},
        {format::OutDownToIdle, {kEventReleaseOutside, "onReleaseOutside"}},
        {format::IdleToOverUp, {kEventRollOver, "onRollOver"}},
        {format::OverUpToIdle, {kEventRollOut, "onRollOut"}},
        {format::OutDownToOverDown, {kEventDragOver, "onDragOver"}},
        {format::OverDownToOutDown, {kEventDragOut, "onDragOut"}},
    };
    for (const auto& [bit, event] : kClipEvents)
        if (transition == bit) clipPointerEvent(*clip, event.first, QString::fromLatin1(event.second));
}

} // namespace swf::script
