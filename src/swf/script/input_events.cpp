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

void ScriptHost::fieldEdited(stage::TextField& field) {
    m_textFields->edited(field);
}

bool ScriptHost::setFocus(Target target) {
    stage::MovieClip* clip = target ? clipOf(target) : nullptr;
    stage::MovieClip* previous = m_stage.focus();
    if (clip == previous) return clip != nullptr;
    auto objectOrNull = [this](stage::MovieClip* of) {
        return of && m_directory->knows(of) ? avm1::Value(objectOf(*of)) : avm1::Value::null();
    };
    const avm1::Value from = objectOrNull(previous);
    const avm1::Value to = objectOrNull(clip);
    // The clip losing the focus hears of it while it still has it (its handler may move the
    // focus on itself); then the new one, then Selection's listeners, with where it came from.
    const stage::ClipHandle next(clip);
    if (!from.isNull()) m_machine->callMethod(from, QStringLiteral("onKillFocus"), std::span(&to, 1));
    clip = clip ? known(next) : nullptr;
    m_stage.setFocus(clip);
    if (!to.isNull() && clip) m_machine->callMethod(to, QStringLiteral("onSetFocus"), std::span(&from, 1));
    const avm1::Value selection =
        m_machine->getMember(avm1::Value(m_machine->global()), QStringLiteral("Selection"));
    if (selection.asObject()) {
        const avm1::Value args[] = {avm1::Value(QStringLiteral("onSetFocus")), from, to};
        m_machine->callMethod(selection, QStringLiteral("broadcastMessage"), args);
    }
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
    return m_geometry->stageBox(*clip);
}

void ScriptHost::endDrag() {
    m_geometry->endDrag();
}

void ScriptHost::startDrag(Target target, bool lockCenter, bool constrain, double left, double top,
                           double right, double bottom) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip || clip == m_stage.root()) return;
    m_geometry->startDrag(*clip, lockCenter, constrain, left, top, right, bottom);
}

void ScriptHost::dragToPointer() {
    m_geometry->dragToPointer();
}

void ScriptHost::runClipEventEverywhere(quint32 clipEvent) {
    // Copied: the scripts may add and remove clips.
    std::vector<stage::ClipHandle> clips;
    for (const auto& [serial, events] : m_clipEvents)
        if (std::any_of(events.begin(), events.end(),
                        [clipEvent](const format::ClipActionRecord& e) { return e.events & clipEvent; }))
            clips.emplace_back(stageContext().liveClip(serial));
    for (const stage::ClipHandle& handle : clips)
        if (stage::MovieClip* clip = known(handle)) runClipEvent(*clip, clipEvent);
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
    if (const auto found = m_clipEvents.find(clip.serial()); found != m_clipEvents.end())
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
