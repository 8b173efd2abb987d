// The script host: the machine's view of the stage, the timelines scripts drive, sounds,
// the outside world.
#include "swf/script/script_host.h"

#include "swf/format/text_encoding.h"
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

ScriptHost::ScriptHost(stage::Stage& stage, const movie::MovieDefinition& movie, PlayerPort& player,
                       SoundPort& sounds, const QString& movieUrl)
    : m_stage(stage), m_movie(movie), m_sounds(sounds), m_player(player),
      m_machine(std::make_unique<avm1::Machine>(*this, std::max(1, movie.header.version))),
      m_properties(makeClipProperties(*this)),
      m_directory(std::make_unique<ClipDirectory>(stage, *m_machine, *m_properties)),
      m_loadedMovies(movie, movieUrl,
                     [&player](const QByteArray& bytes) { return player.readMovie(bytes); }) {
    installClipMethods();
    installBitmapMethods();
    m_textFields = std::make_unique<TextFields>(stage, *m_machine, movie, *m_directory,
                                                static_cast<StageEditor&>(*this));
    m_textFields->install();
    hideLaterClipMethods();
    m_soundWatch = std::make_unique<SoundWatch>(*m_machine, m_sounds);
    m_geometry = std::make_unique<StageGeometry>(stage, *m_directory, *m_machine);
    installMovieClipLoader();
    installTransformClass();
    installTextSnapshots();
    m_netStreams = std::make_unique<NetStreams>(*m_machine, movie, player, sounds);
    m_netStreams->install();
}

ScriptHost::~ScriptHost() {
    // Level movies and retired clips go while the libraries they show are still here.
    m_stage.clearLevels();
    m_removed.clear();
}

stage::StageContext& ScriptHost::stageContext() const {
    return m_stage.context();
}

avm1::Target ScriptHost::resolveTarget(const QString& path, Target base) {
    if (!base && m_stage.root()) base = objectOf(*m_stage.root());
    return m_directory->walk(path, base);
}

QString ScriptHost::targetPath(Target target) {
    // A clip gone from the stage has no path: it prints as nothing and names nothing.
    const stage::MovieClip* clip = clipOf(target);
    return clip ? m_directory->targetPath(clip) : QString();
}

void ScriptHost::trace(const QString& line) {
    m_player.trace(line);
}

double ScriptHost::randomUnit() {
    // xorshift: the same movie gives the same run, which the tools and tests rely on.
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return double(m_random) / 4294967296.0;
}

void ScriptHost::scriptAborted(avm1::AbortReason reason) {
    m_player.scriptAborted(reason);
}

void ScriptHost::getUrl(const QString& url, const QString& window, avm1::UrlMethod, bool loadTarget_,
                        bool loadVariables) {
    if (url.startsWith(QLatin1String("FSCommand:"), Qt::CaseInsensitive)) {
        // Commands to the player run nothing; "quit" only stops the movie.
        if (url.mid(10).compare(QLatin1String("quit"), Qt::CaseInsensitive) == 0) m_player.quit();
        return;
    }
    if (loadTarget(url, window, loadTarget_, loadVariables) || loadVariables || loadTarget_) return;
    const QString scheme = QUrl(url).scheme().toLower();
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
         scheme == QLatin1String("mailto")))
        m_player.openUrl(url, window);
}

// A jump moves the playhead at once, so the rest of the script sees the new frame; that
// frame's actions wait until the running scripts are done.
void ScriptHost::jump(stage::MovieClip& clip, int frame, bool play) {
    const int before = clip.currentFrame();
    if (&clip == m_stage.root()) {
        m_player.gotoRoot(std::max(0, frame), play);
    } else {
        clip.gotoFrame(std::max(0, frame));
        clip.setPlaying(play);
    }
    if (clip.currentFrame() != before)
        m_pendingJumps.push_back({stage::ClipHandle(&clip), clip.currentFrame(), play});
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
    if (clip == m_stage.root() && clip)
        m_player.setRootPlaying(true);
    else if (clip)
        clip->setPlaying(true);
}

void ScriptHost::stop(Target target) {
    stage::MovieClip* clip = clipOf(target);
    if (clip == m_stage.root() && clip)
        m_player.setRootPlaying(false);
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
    m_sounds.stopEverySound();
}

int ScriptHost::soundIdOf(const QString& exportName) {
    const auto found = m_exports.constFind(format::exportKey(exportName));
    if (found == m_exports.constEnd()) return 0;
    const movie::Character* character = m_movie.character(*found);
    return character && character->kind == movie::CharacterKind::Sound ? *found : 0;
}

int ScriptHost::framesLoaded(Target target) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip) return 0;
    if (clip == m_stage.root()) return m_player.rootFramesLoaded();
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

void ScriptHost::loadText(avm1::Object* receiver, const QString& url) {
    // Bounded like timers: a movie asking for loads in a loop does not grow this forever.
    if (!receiver || m_loads.size() >= avm1::kMaxTimers) return;
    receiver->pin();
    m_loads.push_back({receiver, {}, url});
}

bool ScriptHost::externalTextInCodePage() {
    if (m_machine->swfVersion() < format::kFirstUtf8Version) return true;
    const avm1::Value system =
        m_machine->getMember(avm1::Value(m_machine->global()), QStringLiteral("System"));
    return m_machine->toBoolean(m_machine->getMember(system, QStringLiteral("useCodepage")));
}

void ScriptHost::runLoads() {
    m_soundWatch->runCompletions();
    std::vector<PendingLoad> loads;
    loads.swap(m_loads);
    for (PendingLoad& load : loads) {
        if (load.wait > 0) {
            --load.wait;
            m_loads.push_back(load);
            continue;
        }
        if (load.kind == PendingLoad::Kind::Movie && load.url.isEmpty() && !load.receiver) {
            // The clip shows nothing from now on, and is made again: its variables are gone
            // with what it showed.
            if (stage::MovieClip* clip = known(load.clip)) {
                unloadClip(*clip);
                if (m_directory->knows(clip)) clearMembers(*clip);
                if (clip != m_stage.root()) m_directory->remade(*clip);
            }
            continue;
        }
        if (m_player.stillLoading(load.url)) {
            m_loads.push_back(load);
            continue;
        }
        QString fullUrl;
        std::optional<QByteArray> bytes = m_player.readBesideMovie(load.url, &fullUrl);
        // Text is parsed whole on this thread; past this size it would stall the movie.
        if (bytes && load.kind != PendingLoad::Kind::Movie && bytes->size() > kMaxTextLoad) bytes.reset();
        // A loader's request that finds nothing reports so a frame later than one that arrives.
        if (!bytes && load.receiver && load.kind == PendingLoad::Kind::Movie && !load.foundNothing) {
            load.foundNothing = true;
            m_loads.push_back(load);
            continue;
        }
        if (load.kind != PendingLoad::Kind::Text) {
            finishLoad(load, bytes, fullUrl);
            continue;
        }
        avm1::Value text;
        if (bytes) {
            text = format::decodeExternalText(*bytes, externalTextInCodePage(), m_machine->codePage());
            // Once the data is in, its counts outlive a script's delete.
            const avm1::Value size(double(bytes->size()));
            for (const QString& name : {QStringLiteral("_bytesLoaded"), QStringLiteral("_bytesTotal")}) {
                load.receiver->setOwn(name, size);
                load.receiver->findOwn(name)->flags =
                    avm1::property_flags::kDontEnum | avm1::property_flags::kDontDelete;
            }
        }
        m_machine->callFunction(m_machine->getMember(avm1::Value(load.receiver), QStringLiteral("onData")),
                                avm1::Value(load.receiver), {text});
        load.receiver->unpin();
    }
    m_netStreams->tick(m_timeMs);
}

} // namespace swf::script
