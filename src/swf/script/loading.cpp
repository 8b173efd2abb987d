// What scripts load: movies and pictures into clips and levels, variables into clips, and
// the unloading of both.
#include "swf/script/script_host.h"

#include "swf/format/text_encoding.h"
#include "swf/script/script_limits.h"

#include "swf/avm1/builtins.h"
#include "swf/format/tag_codes.h"
#include "swf/movie/movie_definition.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"

#include <QRegularExpression>

#include <cmath>

namespace swf::script {

namespace {

constexpr int kMaxLevel = 1000;

const movie::Timeline& emptyTimeline() {
    static const movie::Timeline timeline;
    return timeline;
}

// "_level3" -> 3; -1 for any other window.
int levelNumber(const QString& window) {
    static const QRegularExpression kLevel(QStringLiteral("^_level(\\d{1,9})$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto match = kLevel.match(window);
    if (!match.hasMatch()) return -1;
    const int level = match.captured(1).toInt();
    return level <= kMaxLevel ? level : -1;
}

} // namespace

void ScriptHost::loadInto(stage::MovieClip& clip, const QString& url, bool variables) {
    // A movie loaded into the root replaces the whole movie, as level 0 does.
    if (&clip == m_stage.root() && !variables) return loadIntoLevel(0, url);
    if (m_loads.size() >= avm1::kMaxTimers) return;
    // An empty address unloads the clip, a tick later than a load would arrive.
    const int wait = url.isEmpty() && !variables ? 1 : 0;
    m_loads.push_back({nullptr, stage::ClipHandle(&clip), url,
                       variables ? PendingLoad::Kind::Variables : PendingLoad::Kind::Movie, -1, wait});
}

void ScriptHost::loadIntoLevel(int level, const QString& url) {
    if (m_loads.size() >= avm1::kMaxTimers) return;
    // A movie asked for into a level arrives at the end of the next frame.
    m_loads.push_back({nullptr, {}, url, PendingLoad::Kind::Movie, level, 1});
}

bool ScriptHost::loadTarget(const QString& url, const QString& window, bool toClip, bool variables) {
    const int level = levelNumber(window);
    if (level >= 0) {
        stage::MovieClip* existing = m_stage.level(level);
        if (variables) {
            if (existing) loadInto(*existing, url, true);
        } else if (url.isEmpty()) {
            unloadLevel(level);
        } else {
            loadIntoLevel(level, url);
        }
        return true;
    }
    if (!toClip && !variables) return false;
    stage::MovieClip* clip =
        clipOf(resolveTarget(window, m_stage.root() ? objectOf(*m_stage.root()) : nullptr));
    if (!clip) return false;
    loadInto(*clip, url, variables);
    return true;
}

void ScriptHost::runUnload(stage::MovieClip& clip) {
    runClipEvent(clip, kEventUnload);
    if (!m_directory->knows(&clip)) return;
    avm1::Object* object = objectOf(clip);
    const avm1::Value handler = m_machine->getMember(avm1::Value(object), QStringLiteral("onUnload"));
    if (handler.asObject() && handler.asObject()->isFunction())
        m_machine->callFunction(handler, avm1::Value(object), {});
}

void ScriptHost::clipRemoved(stage::MovieClip& clip) {
    m_leftStage.insert(clip.serial());
    // The timeline is in the middle of changing its depth list: the handlers run after it.
    if (m_directory->knows(&clip) && m_unloading.size() < size_t(avm1::kMaxTimers) * 16)
        m_unloading.emplace_back(&clip);
}

void ScriptHost::runUnloads() {
    runLeaving(true);
    std::vector<stage::ClipHandle> clips;
    clips.swap(m_unloading);
    for (const stage::ClipHandle& handle : clips)
        if (stage::MovieClip* clip = known(handle)) runUnload(*clip);
}

void ScriptHost::cancelLoads(const stage::MovieClip* clip, int level) {
    // An unload also stops what was still on its way there.
    std::erase_if(m_loads, [&](const PendingLoad& load) {
        const bool there = load.kind == PendingLoad::Kind::Movie &&
                           (clip ? load.clip.serial() == clip->serial() : load.level == level);
        if (there && load.receiver) load.receiver->unpin();
        return there;
    });
}

void ScriptHost::unloadClip(stage::MovieClip& clip) {
    cancelLoads(&clip, -1);
    if (&clip == m_stage.root()) {
        // The root of the movie itself: the stage empties, the movie stops.
        m_player.setRootPlaying(false);
    }
    runUnload(clip);
    if (!m_directory->knows(&clip)) return;
    clip.replaceContent(emptyTimeline(), clip.movie());
    m_loadedMovies.emptied(clip);
}

void ScriptHost::unloadLevel(int level, bool cancelPending) {
    if (cancelPending) cancelLoads(nullptr, level);
    if (level == 0) {
        if (m_stage.root()) unloadClip(*m_stage.root());
        return;
    }
    stage::MovieClip* clip = m_stage.level(level);
    if (!clip) return;
    runUnload(*clip);
    forgetClipTree(*clip);
    m_removed.push_back(m_stage.takeLevel(level));
    stageContext().childrenChanged();
}

void ScriptHost::clearMembers(stage::MovieClip& clip) {
    avm1::Object* object = objectOf(clip);
    std::vector<QString> names;
    for (const auto& property : object->properties())
        names.push_back(property.name);
    for (const QString& name : names)
        object->removeOwn(name);
}

void ScriptHost::showLoaded(stage::MovieClip& clip, const movie::MovieDefinition& definition) {
    // The clip's own variables and handlers belong to what it showed before; its clip events
    // (onClipEvent) stay, as they belong to its placement.
    clearMembers(clip);
    clip.replaceContent(definition.root, definition);
    // The new content's first frame runs, then load, then data, on the clip itself.
    m_firstFramePending.emplace_back(&clip);
    constructPending();
    if (m_directory->knows(&clip)) runClipEvent(clip, kEventData);
}

void ScriptHost::installMovieClipLoader() {
    avm1::Machine& machine = *m_machine;
    avm1::Object* prototype = machine.newObject();
    avm1::Object* constructor = machine.newConstructor(
        [](avm1::CallContext& c) {
            // Each loader broadcasts its events to its listeners, itself first.
            avm1::Object* self = c.thisObject();
            if (!self) return avm1::Value();
            const avm1::Value broadcaster =
                c.machine.getMember(avm1::Value(c.machine.global()), QStringLiteral("AsBroadcaster"));
            c.machine.callFunction(c.machine.getMember(broadcaster, QStringLiteral("initialize")),
                                   broadcaster, {avm1::Value(self)});
            c.machine.callFunction(c.machine.getMember(avm1::Value(self), QStringLiteral("addListener")),
                                   avm1::Value(self), {avm1::Value(self)});
            return avm1::Value();
        },
        prototype);
    // MovieClipLoader came with SWF 7.
    machine.global()->setOwn(QStringLiteral("MovieClipLoader"), constructor,
                             avm1::property_flags::kDontEnum | avm1::property_flags::kVersion7Up);
    // The target: a clip, a level number, or a path.
    auto targetOf = [this](const avm1::Value& target, int& level) -> stage::MovieClip* {
        level = -1;
        if (avm1::Object* object = target.asObject()) return clipOf(object);
        if (target.isNumber()) {
            const double number = target.asNumber();
            level = std::isfinite(number) && number >= 0 && number <= kMaxLevel ? int(number) : -1;
            return level >= 0 ? m_stage.level(level) : nullptr;
        }
        const QString path = m_machine->toString(target);
        const int named = levelNumber(path);
        if (named >= 0) {
            level = named;
            return m_stage.level(level);
        }
        return clipOf(resolveTarget(path, m_stage.root() ? objectOf(*m_stage.root()) : nullptr));
    };
    machine.defineMethod(prototype, QStringLiteral("loadClip"), [this, targetOf](avm1::CallContext& c) {
        int level = -1;
        stage::MovieClip* clip = targetOf(c.arg(1), level);
        avm1::Object* self = c.thisObject();
        if (!self || (!clip && level < 0) || m_loads.size() >= avm1::kMaxTimers) return avm1::Value(false);
        self->pin();
        m_loads.push_back({self, stage::ClipHandle(level > 0 ? nullptr : clip), avm1::argString(c, 0),
                           PendingLoad::Kind::Movie, level, level > 0 ? 1 : 0});
        return avm1::Value(true);
    });
    machine.defineMethod(prototype, QStringLiteral("unloadClip"), [this, targetOf](avm1::CallContext& c) {
        int level = -1;
        stage::MovieClip* clip = targetOf(c.arg(0), level);
        if (level > 0)
            unloadLevel(level);
        else if (clip)
            unloadClip(*clip);
        return avm1::Value(clip != nullptr || level > 0);
    });
    machine.defineMethod(prototype, QStringLiteral("getProgress"), [this, targetOf](avm1::CallContext& c) {
        int level = -1;
        stage::MovieClip* clip = targetOf(c.arg(0), level);
        avm1::Object* progress = m_machine->newObject();
        const double bytes = clip ? double(clipBytes(*clip)) : 0;
        progress->setOwn(QStringLiteral("bytesLoaded"), avm1::Value(bytes));
        progress->setOwn(QStringLiteral("bytesTotal"), avm1::Value(bytes));
        return avm1::Value(progress);
    });
    for (avm1::Property& property : prototype->properties())
        property.flags |= avm1::property_flags::kDontEnum;
}

void ScriptHost::broadcastLoadEvent(avm1::Object* loader, const QString& event,
                                    const QVector<avm1::Value>& args) {
    if (!loader) return;
    QVector<avm1::Value> all{avm1::Value(event)};
    all += args;
    m_machine->callFunction(m_machine->getMember(avm1::Value(loader), QStringLiteral("broadcastMessage")),
                            avm1::Value(loader), all);
}

void ScriptHost::finishLoad(const PendingLoad& load, const std::optional<QByteArray>& bytes,
                            const QString& fullUrl) {
    if (load.receiver) {
        finishClipLoaderLoad(load, bytes, fullUrl);
        load.receiver->unpin();
        return;
    }
    if (load.kind == PendingLoad::Kind::Variables) {
        stage::MovieClip* clip = known(load.clip);
        if (!clip || !bytes) return;
        // Name=value pairs, url-encoded, as LoadVars reads them, set on the clip. Read past
        // the version bit: an SWF 5 movie loads variables without seeing LoadVars.
        const avm1::Property* loadVarsProperty = m_machine->global()->findOwn(QStringLiteral("LoadVars"));
        const avm1::Value loadVars = loadVarsProperty ? loadVarsProperty->value : avm1::Value();
        const avm1::Value prototype = m_machine->getMember(loadVars, QStringLiteral("prototype"));
        const avm1::Value decode = m_machine->getMember(prototype, QStringLiteral("decode"));
        m_machine->callFunction(decode, avm1::Value(objectOf(*clip)),
                                {avm1::Value(format::decodeExternalText(*bytes, externalTextInCodePage(),
                                                                        m_machine->codePage()))});
        if (m_directory->knows(clip)) runClipEvent(*clip, kEventData);
        // The clip's onData method hears it too, after the placement's handler.
        if (m_directory->knows(clip)) {
            avm1::Object* object = objectOf(*clip);
            const avm1::Value handler = m_machine->getMember(avm1::Value(object), QStringLiteral("onData"));
            if (handler.asObject() && handler.asObject()->isFunction())
                m_machine->callFunction(handler, avm1::Value(object), {});
        }
        return;
    }
    if (!bytes) return;
    const std::shared_ptr<const movie::MovieDefinition> definition = m_loadedMovies.read(*bytes);
    if (!definition) return;
    showInTarget(load, definition, fullUrl, *bytes);
}

stage::MovieClip* ScriptHost::showInTarget(const PendingLoad& load,
                                           const std::shared_ptr<const movie::MovieDefinition>& definition,
                                           const QString& url, const QByteArray& bytes) {
    if (load.level > 0) {
        unloadLevel(load.level, false);
        auto clip = std::make_unique<stage::MovieClip>(stageContext(), nullptr, emptyTimeline(), *definition);
        movie::Placement placement;
        placement.name = QStringLiteral("_level%1").arg(load.level);
        clip->setPlacement(placement);
        stage::MovieClip* level = clip.get();
        m_stage.setLevel(load.level, std::move(clip));
        stageContext().childrenChanged();
        m_loadedMovies.shown(*level, url, bytes);
        showLoaded(*level, *definition);
        return m_directory->knows(level) ? level : nullptr;
    }
    stage::MovieClip* clip = load.level == 0 ? m_stage.root() : known(load.clip);
    if (!clip || !m_directory->knows(clip)) return nullptr;
    if (load.level == 0) {
        // Level 0: the loaded movie takes the player's place once this tick is over.
        if (LoadedMovies::isMovie(bytes)) m_player.replaceMovie(bytes, url);
        return nullptr;
    }
    m_loadedMovies.shown(*clip, url, bytes);
    showLoaded(*clip, *definition);
    return m_directory->knows(clip) ? clip : nullptr;
}

void ScriptHost::finishClipLoaderLoad(const PendingLoad& load, const std::optional<QByteArray>& bytes,
                                      const QString& fullUrl) {
    stage::MovieClip* target = load.level > 0    ? m_stage.level(load.level)
                               : load.level == 0 ? m_stage.root()
                                                 : known(load.clip);
    if (target && !m_directory->knows(target)) return;
    const avm1::Value targetValue = target ? avm1::Value(objectOf(*target)) : avm1::Value();
    const std::shared_ptr<const movie::MovieDefinition> definition =
        bytes ? m_loadedMovies.read(*bytes) : nullptr;
    if (!definition) {
        // A local file has no HTTP status to give: listeners hear 0.
        broadcastLoadEvent(load.receiver, QStringLiteral("onLoadError"),
                           {targetValue, avm1::Value(QStringLiteral("URLNotFound")), avm1::Value(0)});
        return;
    }
    const double size = double(bytes->size());
    broadcastLoadEvent(load.receiver, QStringLiteral("onLoadStart"), {targetValue});
    broadcastLoadEvent(load.receiver, QStringLiteral("onLoadProgress"),
                       {targetValue, avm1::Value(size), avm1::Value(size)});
    broadcastLoadEvent(load.receiver, QStringLiteral("onLoadComplete"), {targetValue, avm1::Value(0)});
    if (stage::MovieClip* shown = showInTarget(load, definition, fullUrl, *bytes))
        broadcastLoadEvent(load.receiver, QStringLiteral("onLoadInit"), {avm1::Value(objectOf(*shown))});
}

} // namespace swf::script
