// Frames and clip events: frame actions, init actions, clip actions, construction, the
// enterFrame tick, and the jumps scripts ask for, made when the walk is over.
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

void ScriptHost::clipDestroyed(const stage::MovieClip& clip) {
    if (!m_directory->forget(clip)) return;
    m_clipEvents.erase(clip.serial());
    m_loadedMovies.forget(clip);
    std::erase_if(m_loads, [&](const PendingLoad& load) {
        if (load.clip.serial() != clip.serial()) return false;
        if (load.receiver) load.receiver->unpin();
        return true;
    });
}

void ScriptHost::frameEntered(stage::MovieClip& clip, int frame) {
    if (m_forgotten.count(clip.serial())) return; // removed by a script, still finishing its tick
    if (m_leftStage.count(clip.serial())) return;
    if (frame < 0 || frame >= clip.timeline().frameCount()) return;
    if (m_advancing) {
        m_enteredFrames.emplace_back(&clip, frame);
        return;
    }
    runFrameActions(clip, clip.timeline().frame(frame));
}

void ScriptHost::runEnteredFrames() {
    m_advancing = false;
    std::vector<std::pair<stage::ClipHandle, int>> entered;
    entered.swap(m_enteredFrames);
    // The frame each clip entered runs even when an earlier script has moved it since.
    for (const auto& [handle, frame] : entered) {
        stage::MovieClip* clip = known(handle);
        if (!clip || m_leftStage.count(clip->serial())) continue;
        if (frame == kTickedEntry)
            clipTicked(*clip);
        else
            frameEntered(*clip, frame);
    }
}

void ScriptHost::clipCreated(stage::MovieClip& clip) {
    if (!clip.placement().clipActions.isEmpty()) m_clipEvents[clip.serial()] += clip.placement().clipActions;
    // The initialize event runs at once; construction waits until the frame's init actions
    // have run, so a class they register applies to the clips of the same frame.
    objectOf(clip);
    runClipEvent(clip, kEventInitialize);
    if (m_directory->knows(&clip)) m_unconstructed.emplace_back(&clip);
}

void ScriptHost::construct(stage::MovieClip& clip) {
    avm1::Object* object = objectOf(clip);
    avm1::Object* constructor = nullptr;
    if (clip.character()) {
        const auto exported = m_exportNames.constFind(clip.character()->id);
        if (exported != m_exportNames.constEnd()) constructor = m_machine->registeredClass(*exported);
    }
    if (constructor) {
        const avm1::Value prototype =
            m_machine->getMember(avm1::Value(constructor), QStringLiteral("prototype"));
        if (prototype.asObject()) object->setProto(prototype.asObject());
    }
    runClipEvent(clip, kEventConstruct);
    if (constructor && m_directory->knows(&clip))
        m_machine->callFunction(avm1::Value(constructor), avm1::Value(object), {});
    if (m_directory->knows(&clip)) m_firstFramePending.emplace_back(&clip);
}

void ScriptHost::constructOnly() {
    std::vector<stage::ClipHandle> clips;
    clips.swap(m_unconstructed);
    for (const stage::ClipHandle& handle : clips)
        if (stage::MovieClip* clip = known(handle)) construct(*clip);
}

void ScriptHost::constructPending() {
    // First frames may create clips in turn; a movie doing that forever stops nesting here
    // and its clips wait for the next call.
    if (m_constructNesting > kMaxJumpNesting) return;
    ++m_constructNesting;
    while (!m_unconstructed.empty() || !m_firstFramePending.empty() || !m_initializePending.empty()) {
        std::vector<stage::ClipHandle> clips;
        clips.swap(m_initializePending);
        for (const stage::ClipHandle& handle : clips)
            if (stage::MovieClip* clip = known(handle)) runClipEvent(*clip, kEventInitialize);
        clips.clear();
        clips.swap(m_unconstructed);
        for (const stage::ClipHandle& handle : clips)
            if (stage::MovieClip* clip = known(handle)) construct(*clip);
        clips.clear();
        clips.swap(m_firstFramePending);
        // A clip is made before the clips its first frame places, so by serial a parent's
        // first frame runs before its children's, and theirs before the next sibling's.
        std::sort(clips.begin(), clips.end(), [](const stage::ClipHandle& a, const stage::ClipHandle& b) {
            return a.serial() < b.serial();
        });
        for (const stage::ClipHandle& handle : clips) {
            stage::MovieClip* clip = known(handle);
            if (!clip) continue;
            frameEntered(*clip, 0);
            if (m_directory->knows(clip)) clipLoaded(*clip);
        }
    }
    --m_constructNesting;
}

void ScriptHost::fieldPlaced(stage::MovieClip& parent, stage::TextField& field) {
    m_textFields->fieldPlaced(parent, field);
}

void ScriptHost::clipTicked(stage::MovieClip& clip) {
    if (m_advancing) {
        m_enteredFrames.emplace_back(&clip, kTickedEntry);
        return;
    }
    runClipEvent(clip, kEventEnterFrame);
    // Handler methods came with SWF 6; older movies have only the clip event.
    if (!m_directory->knows(&clip) || m_machine->swfVersion() < kFirstVersionWithMethods) return;
    avm1::Object* object = objectOf(clip);
    const avm1::Value handler = m_machine->getMember(avm1::Value(object), QStringLiteral("onEnterFrame"));
    if (handler.asObject() && handler.asObject()->isFunction())
        m_machine->callFunction(handler, avm1::Value(object), {});
}

void ScriptHost::clipLoaded(stage::MovieClip& clip) {
    runClipEvent(clip, kEventLoad);
    if (!m_directory->knows(&clip) || m_machine->swfVersion() < kFirstVersionWithMethods) return;
    avm1::Object* object = objectOf(clip);
    const avm1::Value handler = m_machine->getMember(avm1::Value(object), QStringLiteral("onLoad"));
    if (handler.asObject() && handler.asObject()->isFunction())
        m_machine->callFunction(handler, avm1::Value(object), {});
}

void ScriptHost::runClipEvent(stage::MovieClip& clip, quint32 event) {
    const auto found = m_clipEvents.find(clip.serial());
    if (found == m_clipEvents.end()) return;
    // Copied: the script may remove the clip and with it this list.
    const QList<format::ClipActionRecord> events = found->second;
    for (const format::ClipActionRecord& entry : events) {
        if (!(entry.events & event) || !m_directory->knows(&clip)) continue;
        m_machine->runActions(entry.actions, objectOf(clip));
    }
}

void ScriptHost::runFrameActions(stage::MovieClip& clip, const movie::Frame& frame) {
    avm1::Object* target = objectOf(clip);
    if (&clip == m_stage.root()) registerExports(frame);
    // Init actions of sprites defined here run once, before the frame's own actions.
    for (const movie::FrameCommand& command : frame.commands) {
        const auto* init = std::get_if<format::InitActions>(&command);
        if (!init || !m_initDone.insert({&clip.movie(), init->spriteId}).second) continue;
        m_machine->runActions(init->actions, m_stage.root() ? objectOf(*m_stage.root()) : target);
    }
    runUnloads();
    // The clips this frame placed are constructed (their class registered by the init
    // actions above); their own first frames run after this frame's actions.
    constructOnly();
    if (!m_directory->knows(&clip)) return;
    for (const movie::FrameCommand& command : frame.commands) {
        if (const auto* block = std::get_if<movie::ActionBlock>(&command)) {
            m_machine->runActions(block->bytes, target);
            constructPending();
            if (!m_directory->knows(&clip)) return; // the script removed its own clip
        }
    }
    constructPending();
}

void ScriptHost::registerExports(const movie::Frame& frame) {
    for (const movie::FrameCommand& command : frame.commands) {
        const auto* exports = std::get_if<format::Exports>(&command);
        if (!exports) continue;
        for (const format::ExportedName& exported : exports->names) {
            m_exports.insert(format::exportKey(exported.name), exported.id);
            m_exportNames.insert(exported.id, exported.name);
        }
    }
}

void ScriptHost::runPending() {
    // Clips a frame took away hear their unload before those it placed hear their load.
    runUnloads();
    constructPending();
    // Each round's frames may jump again; a movie jumping forever is cut off.
    for (int round = 0; round < kMaxJumpNesting && !m_pendingJumps.empty(); ++round) {
        std::vector<PendingJump> jumps;
        jumps.swap(m_pendingJumps);
        for (const PendingJump& jump : jumps) {
            // Skipped when an earlier frame's script removed the clip or moved it again.
            stage::MovieClip* clip = known(jump.clip);
            if (!clip || clip->currentFrame() != jump.frame) continue;
            frameEntered(*clip, jump.frame);
        }
    }
    m_pendingJumps.clear();
    constructPending();
    runUnloads();
    m_unloading.clear(); // what unload handlers removed in turn goes without its own
    runLeaving(false);
    m_removed.clear();
    m_forgotten.clear();
    m_leftStage.clear();
    m_textFields->tickEnded();
}

} // namespace swf::script
