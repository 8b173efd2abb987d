#include "swf/script/script_host.h"

#include "swf/input/pointer.h"

#include "swf/avm1/action_reader.h"
#include "swf/format/records.h"
#include "swf/format/tag_codes.h"
#include "swf/movie/movie_definition.h"
#include "swf/stage/bounds.h"
#include "swf/stage/movie_clip.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

namespace swf::script {

namespace {
// Scripts that jump around inside the frames they jump to stop nesting here.
constexpr int kMaxJumpNesting = 16;
constexpr size_t kMaxPendingJumps = 4096;
constexpr double kTwips = 20.0;

} // namespace

// Export names match without regard to ASCII case only.
QString exportKey(const QString& name) {
    QString key = name;
    for (QChar& c : key)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + 32);
    return key;
}

namespace {
// Case folding keeps lengths, so the length settles most comparisons of a lookup by name.
bool sameName(const QString& a, const QString& b, bool caseSensitive) {
    if (a.size() != b.size()) return false;
    return caseSensitive ? a == b : a.compare(b, Qt::CaseInsensitive) == 0;
}

// Two names share this key exactly when sameName matches them: QString::compare without
// case folds each code point on its own, and so does this.
QString nameKey(const QString& name, bool caseSensitive) {
    if (caseSensitive) return name;
    QString key = name;
    char16_t* units = reinterpret_cast<char16_t*>(key.data());
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (QChar::isHighSurrogate(units[i]) && i + 1 < key.size() && QChar::isLowSurrogate(units[i + 1])) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(units[i], units[i + 1]));
            units[i] = QChar::highSurrogate(folded);
            units[++i] = QChar::lowSurrogate(folded);
        } else {
            units[i] = static_cast<char16_t>(QChar::toCaseFolded(char32_t(units[i])));
        }
    }
    return key;
}
} // namespace

// Clip properties reached by name (`_root._currentframe`, `_root.child`), answered from
// the stage without copying them into the script object.
class ScriptHost::ClipProperties final : public avm1::PropertyDelegate {
  public:
    explicit ClipProperties(ScriptHost& host) : m_host(host) {}
    std::optional<avm1::Value> getProperty(avm1::Object& object, const QString& name) override {
        stage::MovieClip* clip = m_host.clipOf(&object);
        if (!clip) return std::nullopt;
        if (name == QLatin1String("opaqueBackground") && m_host.m_movie.header.version >= 8) {
            const auto color = clip->opaqueBackground();
            return color ? avm1::Value(double(*color & 0xffffff)) : avm1::Value::null();
        }
        if (name.startsWith(QLatin1Char('_'))) {
            const avm1::Value value = m_host.propertyByName(*clip, name);
            if (!value.isUndefined()) return value;
        }
        if (stage::MovieClip* child = m_host.childNamed(*clip, name))
            return avm1::Value(m_host.objectOf(*child));
        if (stage::TextField* field = m_host.textFieldNamed(*clip, name))
            return avm1::Value(m_host.objectOf(*field));
        return std::nullopt;
    }
    bool setProperty(avm1::Object& object, const QString& name, const avm1::Value& value) override {
        stage::MovieClip* clip = m_host.clipOf(&object);
        if (clip && name == QLatin1String("opaqueBackground") && m_host.m_movie.header.version >= 8) {
            const double number = value.isNullish() ? NAN : m_host.m_machine->toNumber(value);
            clip->setScriptBackground(
                std::isfinite(number)
                    ? std::optional<QRgb>(0xff000000u | (quint32(qint64(number)) & 0xffffff))
                    : std::nullopt);
            return true;
        }
        return clip && name.startsWith(QLatin1Char('_')) && m_host.setPropertyByName(*clip, name, value);
    }

  private:
    ScriptHost& m_host;
};

ScriptHost::ScriptHost(stage::StageContext& stageContext, const movie::MovieDefinition& movie,
                       ScriptPlayerHooks hooks)
    : m_stageContext(stageContext), m_movie(movie), m_hooks(std::move(hooks)),
      m_machine(std::make_unique<avm1::Machine>(*this, std::max(1, movie.header.version))),
      m_properties(std::make_unique<ClipProperties>(*this)) {
    installClipMethods();
    installTextFields();
    installMovieClipLoader();
}

ScriptHost::~ScriptHost() {
    for (const auto& [voice, sound] : m_watchedVoices)
        sound->unpin();
    // Level movies and retired clips go while the libraries they show are still here.
    m_levels.clear();
    m_removed.clear();
}

void ScriptHost::setRoot(stage::MovieClip* root) {
    m_root = root;
}

avm1::Object* ScriptHost::objectOf(stage::MovieClip& clip) {
    const auto found = m_objects.find(&clip);
    if (found != m_objects.end()) return found->second;
    avm1::Object* object = m_machine->newClip(m_properties.get());
    object->pin();
    m_objects.emplace(&clip, object);
    m_clips.insert(object, &clip);
    return object;
}

stage::MovieClip* ScriptHost::clipOf(Target target) const {
    return target ? m_clips.value(target) : nullptr;
}

void ScriptHost::clipDestroyed(const stage::MovieClip& clip) {
    const auto found = m_objects.find(&clip);
    if (found == m_objects.end()) return;
    found->second->unpin();
    m_clips.remove(found->second);
    m_objects.erase(found);
    m_clipEvents.erase(&clip);
    m_loaded.erase(&clip);
    std::erase_if(m_loads, [&](const PendingLoad& load) {
        if (load.clip != &clip) return false;
        if (load.receiver) load.receiver->unpin();
        return true;
    });
    std::erase_if(m_pendingJumps, [&](const PendingJump& pending) { return pending.clip == &clip; });
    std::erase(m_unconstructed, &clip);
    std::erase(m_firstFramePending, &clip);
    std::erase(m_unloading, &clip);
    m_dropTargets.erase(&clip);
}

void ScriptHost::frameEntered(stage::MovieClip& clip, int frame) {
    if (m_forgotten.count(&clip)) return; // removed by a script, still finishing its tick
    if (frame < 0 || frame >= clip.timeline().frameCount()) return;
    runFrameActions(clip, clip.timeline().frame(frame));
}

namespace {
// CLIPACTIONS: a reserved word, all flags, then records of flags, size and actions, ended
// by zero flags. Flags are 16 bits before SWF 6 and 32 from then on.
std::vector<std::pair<quint32, QByteArray>> readClipActions(const QByteArray& bytes, int version) {
    std::vector<std::pair<quint32, QByteArray>> out;
    const int flagBytes = version >= 6 ? 4 : 2;
    auto readFlags = [&](qsizetype at) {
        quint32 value = 0;
        for (int i = 0; i < flagBytes; ++i)
            value |= quint32(quint8(bytes[at + i])) << (8 * i);
        return value;
    };
    qsizetype at = 2 + flagBytes;
    while (at + flagBytes + 4 <= bytes.size()) {
        const quint32 flags = readFlags(at);
        if (flags == 0) break;
        at += flagBytes;
        const quint32 size = quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
                             quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
        at += 4;
        if (size > quint32(bytes.size() - at)) break; // a broken record ends the list
        qsizetype start = at;
        if (flags & 0x20000) ++start; // key press: its key code comes first
        out.emplace_back(flags, bytes.mid(start, qsizetype(size) - (start - at)));
        at += qsizetype(size);
    }
    return out;
}
} // namespace

void ScriptHost::clipCreated(stage::MovieClip& clip) {
    if (!clip.placement().clipActions.isEmpty()) {
        auto& events = m_clipEvents[&clip];
        for (auto& [flags, actions] : readClipActions(clip.placement().clipActions, m_machine->swfVersion()))
            events.push_back({flags, std::move(actions)});
    }
    // The initialize event runs at once; construction waits until the frame's init actions
    // have run, so a class they register applies to the clips of the same frame.
    objectOf(clip);
    runClipEvent(clip, kEventInitialize);
    if (m_objects.count(&clip)) m_unconstructed.push_back(&clip);
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
    if (constructor && m_objects.count(&clip))
        m_machine->callFunction(avm1::Value(constructor), avm1::Value(object), {});
    if (m_objects.count(&clip)) m_firstFramePending.push_back(&clip);
}

void ScriptHost::constructPending() {
    // First frames may create clips in turn; a movie doing that forever stops nesting here
    // and its clips wait for the next call.
    if (m_constructNesting > kMaxJumpNesting) return;
    ++m_constructNesting;
    while (!m_unconstructed.empty() || !m_firstFramePending.empty()) {
        std::vector<stage::MovieClip*> clips;
        clips.swap(m_unconstructed);
        for (stage::MovieClip* clip : clips)
            if (m_objects.count(clip)) construct(*clip);
        clips.clear();
        clips.swap(m_firstFramePending);
        for (stage::MovieClip* clip : clips) {
            if (!m_objects.count(clip)) continue;
            frameEntered(*clip, 0);
            if (m_objects.count(clip)) runClipEvent(*clip, kEventLoad);
        }
    }
    --m_constructNesting;
}

void ScriptHost::clipTicked(stage::MovieClip& clip) {
    runClipEvent(clip, kEventEnterFrame);
    if (!m_objects.count(&clip)) return;
    avm1::Object* object = objectOf(clip);
    const avm1::Value handler = m_machine->getMember(avm1::Value(object), QStringLiteral("onEnterFrame"));
    if (handler.asObject() && handler.asObject()->isFunction())
        m_machine->callFunction(handler, avm1::Value(object), {});
}

void ScriptHost::runClipEvent(stage::MovieClip& clip, quint32 event) {
    const auto found = m_clipEvents.find(&clip);
    if (found == m_clipEvents.end()) return;
    // Copied: the script may remove the clip and with it this list.
    const std::vector<ClipEvent> events = found->second;
    for (const ClipEvent& entry : events) {
        if (!(entry.flags & event) || !m_objects.count(&clip)) continue;
        m_machine->runActions(entry.actions, objectOf(clip));
    }
}

void ScriptHost::runFrameActions(stage::MovieClip& clip, const movie::Frame& frame) {
    avm1::Object* target = objectOf(clip);
    if (&clip == m_root) registerExports(frame);
    // Init actions of sprites defined here run once, before the frame's own actions.
    for (const movie::FrameCommand& command : frame.commands) {
        const auto* tag = std::get_if<movie::OtherTag>(&command);
        if (!tag || tag->code != int(format::TagCode::DoInitAction) || tag->bytes.size() < 2) continue;
        const int sprite = quint8(tag->bytes[0]) | (quint8(tag->bytes[1]) << 8);
        if (!m_initDone.insert({&clip.movie(), sprite}).second) continue;
        m_machine->runActions(tag->bytes.mid(2), m_root ? objectOf(*m_root) : target);
    }
    constructPending();
    if (!m_objects.count(&clip)) return;
    for (const movie::FrameCommand& command : frame.commands) {
        if (const auto* block = std::get_if<movie::ActionBlock>(&command)) {
            m_machine->runActions(block->bytes, target);
            constructPending();
            if (!m_objects.count(&clip)) return; // the script removed its own clip
        }
    }
}

void ScriptHost::registerExports(const movie::Frame& frame) {
    for (const movie::FrameCommand& command : frame.commands) {
        const auto* tag = std::get_if<movie::OtherTag>(&command);
        if (!tag || tag->code != int(format::TagCode::ExportAssets)) continue;
        const QByteArray& bytes = tag->bytes;
        if (bytes.size() < 2) continue;
        const int count = quint8(bytes[0]) | (quint8(bytes[1]) << 8);
        qsizetype at = 2;
        for (int i = 0; i < count && at + 2 < bytes.size(); ++i) {
            const quint16 id = quint16(quint8(bytes[at]) | (quint8(bytes[at + 1]) << 8));
            at += 2;
            const qsizetype end = bytes.indexOf('\0', at);
            if (end < 0) break;
            const QString name = format::decodeActionString(bytes.mid(at, end - at), m_machine->swfVersion());
            at = end + 1;
            m_exports.insert(exportKey(name), id);
            m_exportNames.insert(id, name);
        }
    }
}

void ScriptHost::runPending() {
    constructPending();
    runUnloads();
    // Each round's frames may jump again; a movie jumping forever is cut off.
    for (int round = 0; round < kMaxJumpNesting && !m_pendingJumps.empty(); ++round) {
        std::vector<PendingJump> jumps;
        jumps.swap(m_pendingJumps);
        for (const PendingJump& jump : jumps) {
            // Skipped when an earlier frame's script removed the clip or moved it again.
            if (!m_objects.count(jump.clip) || jump.clip->currentFrame() != jump.frame) continue;
            frameEntered(*jump.clip, jump.frame);
        }
    }
    m_pendingJumps.clear();
    constructPending();
    runUnloads();
    m_unloading.clear(); // what unload handlers removed in turn goes without its own
    m_removed.clear();
    m_forgotten.clear();
    syncBoundFields();
    forgetGoneFields();
}

void ScriptHost::trace(const QString& line) {
    if (m_hooks.trace) m_hooks.trace(line);
}

double ScriptHost::randomUnit() {
    // xorshift: the same movie gives the same run, which the tools and tests rely on.
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return double(m_random) / 4294967296.0;
}

void ScriptHost::scriptAborted(avm1::AbortReason reason) {
    if (m_hooks.aborted) m_hooks.aborted(reason);
}

void ScriptHost::getUrl(const QString& url, const QString& window, avm1::UrlMethod, bool loadTarget_,
                        bool loadVariables) {
    if (url.startsWith(QLatin1String("FSCommand:"), Qt::CaseInsensitive)) {
        // Commands to the player run nothing; "quit" only stops the movie.
        if (url.mid(10).compare(QLatin1String("quit"), Qt::CaseInsensitive) == 0 && m_hooks.quit)
            m_hooks.quit();
        return;
    }
    if (loadTarget(url, window, loadTarget_, loadVariables) || loadVariables || loadTarget_) return;
    const QString scheme = QUrl(url).scheme().toLower();
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
         scheme == QLatin1String("mailto")) &&
        m_hooks.openUrl)
        m_hooks.openUrl(url, window);
}

// A jump moves the playhead at once, so the rest of the script sees the new frame; that
// frame's actions wait until the running scripts are done.
void ScriptHost::jump(stage::MovieClip& clip, int frame, bool play) {
    const int before = clip.currentFrame();
    if (&clip == m_root && m_hooks.gotoRoot) {
        m_hooks.gotoRoot(std::max(0, frame), play);
    } else {
        clip.gotoFrame(std::max(0, frame));
        clip.setPlaying(play);
    }
    if (clip.currentFrame() != before) m_pendingJumps.push_back({&clip, clip.currentFrame(), play});
}

void ScriptHost::gotoFrame(Target target, int frame, bool play) {
    if (stage::MovieClip* clip = clipOf(target)) jump(*clip, frame, play);
}

bool ScriptHost::gotoLabel(Target target, const QString& label, bool play) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip) return false;
    const int frame = frameNumber(target, label);
    if (frame < 0) return false;
    jump(*clip, frame, play);
    return true;
}

void ScriptHost::play(Target target) {
    stage::MovieClip* clip = clipOf(target);
    if (clip == m_root && clip && m_hooks.setRootPlaying)
        m_hooks.setRootPlaying(true);
    else if (clip)
        clip->setPlaying(true);
}

void ScriptHost::stop(Target target) {
    stage::MovieClip* clip = clipOf(target);
    if (clip == m_root && clip && m_hooks.setRootPlaying)
        m_hooks.setRootPlaying(false);
    else if (clip)
        clip->setPlaying(false);
}

void ScriptHost::nextFrame(Target target) {
    if (stage::MovieClip* clip = clipOf(target)) jump(*clip, clip->currentFrame() + 1, false);
}

void ScriptHost::previousFrame(Target target) {
    if (stage::MovieClip* clip = clipOf(target)) jump(*clip, std::max(0, clip->currentFrame() - 1), false);
}

void ScriptHost::stopSounds() {
    if (m_hooks.stopSounds) m_hooks.stopSounds();
}

bool ScriptHost::setFocus(Target target) {
    stage::MovieClip* clip = target ? clipOf(target) : nullptr;
    m_focus = clip;
    m_focusSerial = clip ? clip->serial() : 0;
    return clip != nullptr;
}

avm1::Target ScriptHost::focus() {
    if (!m_focus || !m_objects.count(m_focus) || m_focus->serial() != m_focusSerial) return nullptr;
    return objectOf(*m_focus);
}

std::optional<QRectF> ScriptHost::focusRectangle() {
    if (!m_focusRect || !focus() || m_focus == m_root) return std::nullopt;
    const auto bounds = stage::localBounds(*m_focus);
    const auto toClip = stageToClip(*m_focus);
    if (!bounds || !toClip) return std::nullopt;
    return toClip->inverted().mapRect(*bounds);
}

int ScriptHost::soundIdOf(const QString& exportName) {
    const auto found = m_exports.constFind(exportKey(exportName));
    if (found == m_exports.constEnd()) return 0;
    const movie::Character* character = m_movie.character(*found);
    return character && character->kind == movie::CharacterKind::Sound ? *found : 0;
}

int ScriptHost::framesLoaded(Target target) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip) return 0;
    if (clip == m_root && m_hooks.rootFramesLoaded) return m_hooks.rootFramesLoaded();
    return clip->frameCount();
}

int ScriptHost::frameNumber(Target target, const QString& frameOrLabel) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip) return -1;
    bool isNumber = false;
    const int number = frameOrLabel.toInt(&isNumber);
    if (isNumber) return number - 1;
    return clip->timeline().frameOfLabel(frameOrLabel);
}

void ScriptHost::callFrame(Target target, int frame) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip || frame < 0 || frame >= clip->timeline().frameCount() || m_depth > kMaxJumpNesting) return;
    ++m_depth;
    for (const movie::FrameCommand& command : clip->timeline().frame(frame).commands)
        if (const auto* block = std::get_if<movie::ActionBlock>(&command))
            m_machine->runActions(block->bytes, target);
    --m_depth;
}

stage::MovieClip* ScriptHost::childNamed(stage::MovieClip& parent, const QString& name) const {
    const bool caseSensitive = m_machine->swfVersion() >= 7;
    constexpr size_t kIndexedFrom = 16;
    if (parent.children().size() >= kIndexedFrom) {
        const quint64 generation = stageContext().childrenGeneration();
        if (generation != m_childIndexGeneration) {
            m_childIndex.clear();
            m_childIndexGeneration = generation;
        }
        auto [index, fresh] = m_childIndex.try_emplace(&parent);
        if (fresh) {
            for (const auto& [depth, child] : parent.children()) {
                if (!child->asClip()) continue;
                const QString key = nameKey(child->placement().name, caseSensitive);
                if (!index->second.contains(key)) index->second.insert(key, child->asClip());
            }
        }
        return index->second.value(nameKey(name, caseSensitive));
    }
    for (const auto& [depth, child] : parent.children())
        if (sameName(child->placement().name, name, caseSensitive) && child->asClip()) return child->asClip();
    return nullptr;
}

stage::MovieClip* ScriptHost::parentOf(const stage::MovieClip& clip) const {
    if (!m_root || &clip == m_root) return nullptr;
    const quint64 generation = stageContext().childrenGeneration();
    if (generation != m_parentsGeneration || m_parentsRoot != m_root) {
        m_parents.clear();
        m_parentsGeneration = generation;
        m_parentsRoot = m_root;
        std::vector<stage::MovieClip*> open{m_root};
        for (const auto& [level, levelRoot] : m_levels)
            open.push_back(levelRoot.get());
        while (!open.empty()) {
            stage::MovieClip* current = open.back();
            open.pop_back();
            for (const auto& [depth, child] : current->children()) {
                if (!child->asClip()) continue;
                m_parents.emplace(child->asClip(), current);
                open.push_back(child->asClip());
            }
        }
    }
    const auto found = m_parents.find(&clip);
    return found == m_parents.end() ? nullptr : found->second;
}

avm1::Target ScriptHost::resolveTarget(const QString& path, Target base) {
    stage::MovieClip* clip = clipOf(base);
    if (!clip) clip = m_root;
    QString rest = path;
    if (rest.isEmpty()) return clip ? objectOf(*clip) : nullptr;
    if (rest.startsWith(QLatin1Char('/'))) {
        clip = m_root;
        rest = rest.mid(1);
    }
    // Most paths are one name (_root, _parent, a child); only longer ones need splitting.
    static const QRegularExpression kSeparators(QStringLiteral("[/.]"));
    QStringList parts;
    if (rest.contains(QLatin1Char('/')) || rest.contains(QLatin1Char('.')))
        parts = rest.split(kSeparators, Qt::SkipEmptyParts);
    else if (!rest.isEmpty())
        parts.append(rest);
    for (int i = 0; i < parts.size() && clip; ++i) {
        const QString& part = parts[i];
        if (part == QLatin1String("..") || sameName(part, QStringLiteral("_parent"), false))
            clip = parentOf(*clip);
        else if (sameName(part, QStringLiteral("_root"), false) ||
                 sameName(part, QStringLiteral("_level0"), false))
            clip = m_root;
        else if (part.startsWith(QLatin1String("_level"), Qt::CaseInsensitive) && !m_levels.empty()) {
            bool number = false;
            const int level = part.mid(6).toInt(&number);
            clip = number ? levelClip(level) : childNamed(*clip, part);
        } else if (part != QLatin1String("this"))
            clip = childNamed(*clip, part);
    }
    return clip ? objectOf(*clip) : nullptr;
}

QString ScriptHost::targetPath(Target target) {
    stage::MovieClip* clip = clipOf(target);
    QStringList names;
    while (clip && clip != m_root) {
        if (!m_levels.empty()) {
            const auto level = std::find_if(m_levels.begin(), m_levels.end(),
                                            [clip](const auto& entry) { return entry.second.get() == clip; });
            if (level != m_levels.end()) {
                names.prepend(QStringLiteral("_level%1").arg(level->first));
                return names.join(QLatin1Char('.'));
            }
        }
        names.prepend(clip->placement().name);
        clip = parentOf(*clip);
    }
    return names.isEmpty() ? QStringLiteral("_level0")
                           : QStringLiteral("_level0.") + names.join(QLatin1Char('.'));
}

QString ScriptHost::slashPath(stage::MovieClip& clip) {
    const QString path = targetPath(objectOf(clip));
    if (path == QLatin1String("_level0")) return QStringLiteral("/");
    return QString(path)
        .replace(QStringLiteral("_level0."), QStringLiteral("/"))
        .replace(QLatin1Char('.'), QLatin1Char('/'));
}

QString ScriptHost::dropTarget(stage::MovieClip& dragged) {
    if (!m_root) return QString();
    if (!m_hitTester) m_hitTester = std::make_unique<input::PointerTracker>(m_movie, input::PointerClient{});
    const QPointF pointer(m_pointerX, m_pointerY);
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
    stage::MovieClip* target = under(*m_root, 0);
    return target && target != m_root ? slashPath(*target) : QString();
}

void ScriptHost::endDrag() {
    if (m_drag && m_objects.count(m_drag->clip)) {
        if (m_dropTargets.size() > 4096) m_dropTargets.clear();
        m_dropTargets[m_drag->clip] = dropTarget(*m_drag->clip);
    }
    m_drag.reset();
}

avm1::Value ScriptHost::getProperty(Target target, int index) {
    static const char* const kNames[] = {
        "_x",          "_y",     "_xscale",      "_yscale",    "_currentframe", "_totalframes",  "_alpha",
        "_visible",    "_width", "_height",      "_rotation",  "_target",       "_framesloaded", "_name",
        "_droptarget", "_url",   "_highquality", "_focusrect", "_soundbuftime", "_quality",      "_xmouse",
        "_ymouse"};
    stage::MovieClip* clip = clipOf(target);
    if (!clip || index < 0 || index >= int(std::size(kNames))) return avm1::Value();
    return propertyByName(*clip, QString::fromLatin1(kNames[index]));
}

void ScriptHost::setProperty(Target target, int index, const avm1::Value& value) {
    static const char* const kWritable[] = {
        "_x",       "_y",     "_xscale",      "_yscale",    nullptr,         nullptr,   "_alpha",
        "_visible", "_width", "_height",      "_rotation",  nullptr,         nullptr,   "_name",
        nullptr,    nullptr,  "_highquality", "_focusrect", "_soundbuftime", "_quality"};
    stage::MovieClip* clip = clipOf(target);
    if (!clip || index < 0 || index >= int(std::size(kWritable)) || !kWritable[index]) return;
    setPropertyByName(*clip, QString::fromLatin1(kWritable[index]), value);
}

namespace {
// Twips are whole 32-bit numbers in the player: an infinite position wraps to the lowest.
double twipsOf(double pixels) {
    if (std::isinf(pixels)) return double(std::numeric_limits<qint32>::min());
    return pixels * kTwips;
}
// Matrix entries stay finite whatever a script asks for, so drawing never sees NaN or inf.
double finite(double value) {
    return std::isfinite(value) ? std::clamp(value, -1e9, 1e9) : 0.0;
}
double normalizedDegrees(double degrees) {
    if (!std::isfinite(degrees)) return std::nan("");
    double turned = std::fmod(degrees, 360.0);
    if (turned > 180) turned -= 360;
    if (turned <= -180) turned += 360;
    return turned;
}
} // namespace

stage::ScriptScale ScriptHost::scaleOf(const stage::MovieClip& clip) const {
    if (clip.scriptScale()) return *clip.scriptScale();
    const format::Matrix& m = clip.placement().matrix;
    return {std::hypot(m.a, m.b) * 100, std::hypot(m.c, m.d) * 100, std::atan2(m.b, m.a) * 180 / M_PI};
}

bool ScriptHost::setPropertyByName(stage::MovieClip& clip, const QString& name, const avm1::Value& value) {
    const QString key = name.toLower();
    // Values convert as each property takes them; a NaN leaves a number property as it was.
    if (key == QLatin1String("_name")) {
        movie::Placement placement = clip.placement();
        // NaN names a clip "0": the number goes through an integer on its way to text.
        placement.name = value.isNumber() && std::isnan(value.asNumber()) ? QStringLiteral("0")
                                                                          : m_machine->toString(value);
        clip.setPlacement(placement);
        stageContext().childrenChanged();
        return true;
    }
    if (key == QLatin1String("_quality")) {
        const QString quality = m_machine->toString(value).toUpper();
        if (quality == QLatin1String("LOW") || quality == QLatin1String("MEDIUM") ||
            quality == QLatin1String("HIGH") || quality == QLatin1String("BEST"))
            m_quality = quality;
        return true;
    }
    if (key == QLatin1String("_focusrect")) {
        if (value.isObject()) { // taken as false without asking the object anything
            m_focusRect = false;
            return true;
        }
        const double number = m_machine->toNumber(value);
        if (!std::isnan(number)) m_focusRect = number != 0;
        return true;
    }
    static const char* const kNumeric[] = {"_x",        "_y",           "_xscale",      "_yscale",
                                           "_rotation", "_alpha",       "_visible",     "_width",
                                           "_height",   "_highquality", "_soundbuftime"};
    if (std::none_of(std::begin(kNumeric), std::end(kNumeric),
                     [&key](const char* known) { return key == QLatin1String(known); }))
        return false;
    const double number = m_machine->toNumber(value);
    if (std::isnan(number)) return true;
    if (key == QLatin1String("_highquality")) {
        const double level = std::trunc(number);
        m_quality = level >= 2   ? QStringLiteral("BEST")
                    : level == 0 ? QStringLiteral("LOW")
                                 : QStringLiteral("HIGH");
        return true;
    }
    if (key == QLatin1String("_soundbuftime")) {
        m_soundBufferTime = std::isinf(number) ? std::numeric_limits<qint32>::min() : avm1::toInt32(number);
        return true;
    }
    movie::Placement placement = clip.placement();
    format::Matrix& m = placement.matrix;
    stage::ScriptScale scale = scaleOf(clip);
    bool rescaled = false;
    // Matrix factors, taken as given when a size is asked for: percent and back would not
    // give the same number.
    std::optional<double> factorX, factorY;
    if (key == QLatin1String("_visible")) {
        placement.visible = number != 0;
    } else if (key == QLatin1String("_x")) {
        m.tx = twipsOf(number);
    } else if (key == QLatin1String("_y")) {
        m.ty = twipsOf(number);
    } else if (key == QLatin1String("_xscale")) {
        scale.xScale = number;
        rescaled = true;
    } else if (key == QLatin1String("_yscale")) {
        scale.yScale = number;
        rescaled = true;
    } else if (key == QLatin1String("_rotation")) {
        scale.rotation = normalizedDegrees(number);
        rescaled = true;
    } else if (key == QLatin1String("_width") || key == QLatin1String("_height")) {
        // Scales along the clip's own axis so its unturned box gets the size asked for.
        const auto bounds = stage::localBounds(clip);
        const bool width = key == QLatin1String("_width");
        const double extent = bounds ? (width ? bounds->width() : bounds->height()) : 0.0;
        if (extent <= 0 || !std::isfinite(number)) return true;
        const double factor = number * kTwips / extent;
        (width ? scale.xScale : scale.yScale) = factor * 100;
        (width ? factorX : factorY) = factor;
        rescaled = true;
    } else if (key == QLatin1String("_alpha")) {
        // 8.8 fixed point, cut toward zero; infinities have no fixed-point value and give 0.
        placement.colorTransform.alphaMult =
            std::isinf(number) ? 0 : qint16(avm1::toInt32(number * 256 / 100));
    }
    if (rescaled) {
        const double radians =
            std::isnan(scale.rotation) ? std::atan2(m.b, m.a) : scale.rotation * M_PI / 180;
        const double x = factorX.value_or(scale.xScale / 100), y = factorY.value_or(scale.yScale / 100);
        m.a = finite(x * std::cos(radians));
        m.b = finite(x * std::sin(radians));
        m.c = finite(-y * std::sin(radians));
        m.d = finite(y * std::cos(radians));
    }
    clip.setScriptPlacement(placement);
    if (rescaled) clip.setScriptScale(scale);
    return true;
}

void ScriptHost::loadText(avm1::Object* receiver, const QString& url) {
    // Bounded like timers: a movie asking for loads in a loop does not grow this forever.
    if (!receiver || m_loads.size() >= avm1::kMaxTimers) return;
    receiver->pin();
    m_loads.push_back({receiver, nullptr, url});
}

void ScriptHost::runLoads() {
    runSoundCompletions();
    std::vector<PendingLoad> loads;
    loads.swap(m_loads);
    for (const PendingLoad& load : loads) {
        QString fullUrl;
        const std::optional<QByteArray> bytes =
            m_hooks.readLocalFile ? m_hooks.readLocalFile(load.url, &fullUrl) : std::nullopt;
        if (load.kind != PendingLoad::Kind::Text) {
            finishLoad(load, bytes, fullUrl);
            continue;
        }
        avm1::Value text;
        if (bytes) text = QString::fromUtf8(*bytes);
        m_machine->callFunction(m_machine->getMember(avm1::Value(load.receiver), QStringLiteral("onData")),
                                avm1::Value(load.receiver), {text});
        load.receiver->unpin();
    }
}

qint64 ScriptHost::clipBytes(const stage::MovieClip& clip) const {
    const auto loaded = m_loaded.find(&clip);
    if (loaded != m_loaded.end()) return loaded->second.bytes;
    // A clip made empty by a script holds no bytes of the movie.
    if (&clip != m_root && !clip.character()) return 0;
    return m_movie.header.declaredLength;
}

int ScriptHost::clipVersion(const stage::MovieClip& clip) const {
    const auto loaded = m_loaded.find(&clip);
    return loaded != m_loaded.end() ? loaded->second.version : m_movie.header.version;
}

QString ScriptHost::clipUrl(const stage::MovieClip& clip) const {
    const auto loaded = m_loaded.find(&clip);
    return loaded != m_loaded.end() ? loaded->second.url : m_hooks.movieUrl;
}

std::pair<double, double> ScriptHost::stageSize() {
    const QRectF rect = m_movie.header.frameRect.toRectF();
    return {std::round(rect.width() / kTwips), std::round(rect.height() / kTwips)};
}

std::optional<avm1::ClipColor> ScriptHost::clipColor(Target target) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip) return std::nullopt;
    const format::ColorTransform& t = clip->placement().colorTransform;
    avm1::ClipColor color;
    color.redMultiplier = t.redMult * 100.0 / 256;
    color.greenMultiplier = t.greenMult * 100.0 / 256;
    color.blueMultiplier = t.blueMult * 100.0 / 256;
    color.alphaMultiplier = t.alphaMult * 100.0 / 256;
    color.redOffset = t.redAdd;
    color.greenOffset = t.greenAdd;
    color.blueOffset = t.blueAdd;
    color.alphaOffset = t.alphaAdd;
    return color;
}

void ScriptHost::setClipColor(Target target, const avm1::ClipColor& color) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip) return;
    auto fixed = [](double value) { return qint16(std::clamp(value, -32768.0, 32767.0)); };
    movie::Placement placement = clip->placement();
    format::ColorTransform& t = placement.colorTransform;
    t.redMult = fixed(color.redMultiplier * 256 / 100);
    t.greenMult = fixed(color.greenMultiplier * 256 / 100);
    t.blueMult = fixed(color.blueMultiplier * 256 / 100);
    t.alphaMult = fixed(color.alphaMultiplier * 256 / 100);
    t.redAdd = fixed(color.redOffset);
    t.greenAdd = fixed(color.greenOffset);
    t.blueAdd = fixed(color.blueOffset);
    t.alphaAdd = fixed(color.alphaOffset);
    // Like a move by script, a colour set by script takes the clip from the timeline.
    clip->setScriptPlacement(placement);
}

avm1::Value ScriptHost::propertyByName(stage::MovieClip& clip, const QString& name) {
    const QString key = name.toLower();
    const format::Matrix& m = clip.placement().matrix;
    if (key == QLatin1String("_currentframe")) return avm1::Value(clip.currentFrame() + 1);
    if (key == QLatin1String("_totalframes")) return avm1::Value(clip.frameCount());
    if (key == QLatin1String("_framesloaded")) return avm1::Value(framesLoaded(objectOf(clip)));
    if (key == QLatin1String("_name")) return avm1::Value(clip.placement().name);
    // this._parent and this._root, read as members, as movies use them all the time.
    if (key == QLatin1String("_parent")) {
        stage::MovieClip* parent = parentOf(clip);
        return parent ? avm1::Value(objectOf(*parent)) : avm1::Value();
    }
    if ((key == QLatin1String("_root") || key == QLatin1String("_level0")) && m_root)
        return avm1::Value(objectOf(*m_root));
    if (key == QLatin1String("_target")) return avm1::Value(slashPath(clip));
    if (key == QLatin1String("_droptarget")) {
        // While dragged, what lies under the pointer now; afterwards, where it was let go.
        if (m_drag && m_drag->clip == &clip) return avm1::Value(dropTarget(clip));
        const auto dropped = m_dropTargets.find(&clip);
        return avm1::Value(dropped != m_dropTargets.end() ? dropped->second : QString());
    }
    if (key == QLatin1String("_x")) return avm1::Value(m.tx / kTwips);
    if (key == QLatin1String("_y")) return avm1::Value(m.ty / kTwips);
    if (key == QLatin1String("_xscale")) return avm1::Value(scaleOf(clip).xScale);
    if (key == QLatin1String("_yscale")) return avm1::Value(scaleOf(clip).yScale);
    if (key == QLatin1String("_width") || key == QLatin1String("_height")) {
        const auto bounds = stage::localBounds(clip);
        if (!bounds) return avm1::Value(0);
        const QRectF box = m.toTransform().mapRect(*bounds);
        return avm1::Value((key == QLatin1String("_width") ? box.width() : box.height()) / kTwips);
    }
    if (key == QLatin1String("_rotation")) return avm1::Value(scaleOf(clip).rotation);
    if (key == QLatin1String("_alpha"))
        return avm1::Value(clip.placement().colorTransform.alphaMult * 100.0 / 256);
    if (key == QLatin1String("_visible")) return avm1::Value(clip.placement().visible);
    if (key == QLatin1String("_url")) return avm1::Value(clipUrl(clip));
    if (key == QLatin1String("_quality")) return avm1::Value(m_quality);
    if (key == QLatin1String("_highquality"))
        return avm1::Value(m_quality == QLatin1String("BEST")  ? 2
                           : m_quality == QLatin1String("LOW") ? 0
                                                               : 1);
    if (key == QLatin1String("_focusrect")) return avm1::Value(m_focusRect);
    if (key == QLatin1String("_soundbuftime")) return avm1::Value(m_soundBufferTime);
    if (key == QLatin1String("_xmouse") || key == QLatin1String("_ymouse")) {
        const auto toClip = stageToClip(clip);
        if (!toClip) return avm1::Value(0);
        const QPointF local = toClip->map(QPointF(m_pointerX, m_pointerY));
        return avm1::Value((key == QLatin1String("_xmouse") ? local.x() : local.y()) / kTwips);
    }
    return avm1::Value();
}

std::optional<QTransform> ScriptHost::stageToClip(const stage::MovieClip& clip) const {
    QTransform toStage;
    int nesting = 0;
    for (const stage::MovieClip* at = &clip; at && nesting < 256; at = parentOf(*at), ++nesting)
        toStage = toStage * at->placement().matrix.toTransform();
    bool invertible = false;
    const QTransform inverse = toStage.inverted(&invertible);
    if (!invertible) return std::nullopt;
    return inverse;
}

void ScriptHost::startDrag(Target target, bool lockCenter, bool constrain, double left, double top,
                           double right, double bottom) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip || clip == m_root) return;
    Drag drag;
    drag.clip = clip;
    drag.constrain = constrain && std::isfinite(left) && std::isfinite(top) && std::isfinite(right) &&
                     std::isfinite(bottom);
    drag.bounds =
        QRectF(QPointF(left * kTwips, top * kTwips), QPointF(right * kTwips, bottom * kTwips)).normalized();
    if (!lockCenter) {
        // The clip keeps its distance from the pointer, measured in its parent.
        const stage::MovieClip* parent = parentOf(*clip);
        const auto toParent = parent ? stageToClip(*parent) : std::optional<QTransform>(QTransform());
        if (toParent) {
            const QPointF pointer = toParent->map(QPointF(m_pointerX, m_pointerY));
            drag.offsetX = clip->placement().matrix.tx - pointer.x();
            drag.offsetY = clip->placement().matrix.ty - pointer.y();
        }
    }
    m_drag = drag;
    dragToPointer();
}

void ScriptHost::dragToPointer() {
    if (!m_drag) return;
    if (!m_objects.count(m_drag->clip)) {
        m_drag.reset(); // the clip left the stage
        return;
    }
    stage::MovieClip& clip = *m_drag->clip;
    const stage::MovieClip* parent = parentOf(clip);
    const auto toParent = parent ? stageToClip(*parent) : std::optional<QTransform>(QTransform());
    if (!toParent) return;
    QPointF at = toParent->map(QPointF(m_pointerX, m_pointerY)) + QPointF(m_drag->offsetX, m_drag->offsetY);
    if (m_drag->constrain) {
        at.setX(std::clamp(at.x(), m_drag->bounds.left(), m_drag->bounds.right()));
        at.setY(std::clamp(at.y(), m_drag->bounds.top(), m_drag->bounds.bottom()));
    }
    setPropertyByName(clip, QStringLiteral("_x"), avm1::Value(at.x() / kTwips));
    setPropertyByName(clip, QStringLiteral("_y"), avm1::Value(at.y() / kTwips));
}

void ScriptHost::mouseEvent(quint32 clipEvent, const QString& listenerMethod) {
    // Copied: the scripts may add and remove clips.
    std::vector<stage::MovieClip*> clips;
    for (const auto& [clip, events] : m_clipEvents)
        if (std::any_of(events.begin(), events.end(),
                        [clipEvent](const ClipEvent& e) { return e.flags & clipEvent; }))
            clips.push_back(const_cast<stage::MovieClip*>(clip));
    for (stage::MovieClip* clip : clips)
        if (m_objects.count(clip)) runClipEvent(*clip, clipEvent);
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
    std::vector<stage::MovieClip*> clips;
    const quint32 clipEvent = down ? kEventKeyDown : kEventKeyUp;
    for (const auto& [clip, events] : m_clipEvents)
        if (std::any_of(events.begin(), events.end(),
                        [clipEvent](const ClipEvent& e) { return e.flags & clipEvent; }))
            clips.push_back(const_cast<stage::MovieClip*>(clip));
    for (stage::MovieClip* clip : clips)
        if (m_objects.count(clip)) runClipEvent(*clip, clipEvent);
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
        for (const ClipEvent& entry : found->second)
            if (entry.flags & kButtonEvents) return true;
    if (!m_objects.count(&clip)) return false;
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
    if (!m_objects.count(&clip)) return;
    const avm1::Value object(objectOf(clip));
    const avm1::Value function = m_machine->getMember(object, handler);
    if (function.asObject() && function.asObject()->isFunction())
        m_machine->callFunction(function, object, {});
}

void ScriptHost::runButtonActions(stage::MovieClip& timeline, const QByteArray& actions) {
    if (!m_objects.count(&timeline)) return;
    m_machine->runActions(actions, objectOf(timeline));
}

} // namespace swf::script
