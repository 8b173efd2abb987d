// The facade: loading, the root playhead and drawing, over the movie and stage layers.
#include "swf/Player.h"

#include "swf/navigator.h"

#include "swf/input/keys.h"
#include "swf/input/pointer.h"

#include "swf/movie/limits.h"
#include "swf/movie/movie_loader.h"
#include "swf/movie/sound_character.h"
#include "swf/render/stage_renderer.h"
#include "swf/render/text_layout.h"
#include "swf/script/script_host.h"
#include "swf/script/tick.h"
#include "swf/sound_controller.h"
#include "swf/stage/frame_observer.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QUrl>

#include <algorithm>

namespace swf {

using script::ScriptHost;

namespace {

constexpr qint64 kReadChunk = 1 << 20;

bool isAuthoringFile(const QString& url) {
    const QString path =
        QUrl(url).isValid() && !QUrl(url).scheme().isEmpty() && url.contains(QLatin1String("://"))
            ? QUrl(url).path()
            : url;
    return path.endsWith(QLatin1String(".fla"), Qt::CaseInsensitive);
}

} // namespace

// Sprites entering frames while the player ticks reach the sound and script layers
// through this.
class FrameEvents final : public stage::FrameObserver {
  public:
    explicit FrameEvents(SoundController& sound) : m_sound(sound) {}
    void setScripts(ScriptHost* scripts) { m_scripts = scripts; }
    void frameEntered(stage::MovieClip& clip, int frame) override {
        const auto& timeline = clip.timeline();
        if (frame < 0 || frame >= timeline.frameCount()) return;
        m_sound.frameEntered(clip.serial(), timeline.frame(frame), false);
        if (m_scripts) m_scripts->frameEntered(clip, frame);
    }
    void clipCreated(stage::MovieClip& clip) override {
        m_sound.frameEntered(clip.serial(), clip.timeline().frame(0), false);
        if (m_scripts) m_scripts->clipCreated(clip);
    }
    void clipTicked(stage::MovieClip& clip) override {
        if (m_scripts) m_scripts->clipTicked(clip);
    }
    void fieldPlaced(stage::MovieClip& parent, stage::TextField& field) override {
        if (m_scripts) m_scripts->fieldPlaced(parent, field);
    }
    void clipDestroyed(const stage::MovieClip& clip) override {
        if (m_scripts) m_scripts->clipDestroyed(clip);
    }
    void retire(std::unique_ptr<stage::DisplayObject> object) override {
        // A script's jump may take away the clip whose script is running: kept for the tick.
        if (!object) return;
        if (m_scripts && object->asClip()) m_scripts->clipRemoved(*object->asClip());
        m_retired.push_back(std::move(object));
    }
    // Frees what the timelines took away, with this observer in place to hear of it.
    void freeRetired() {
        while (!m_retired.empty()) {
            std::vector<std::unique_ptr<stage::DisplayObject>> retired;
            retired.swap(m_retired);
        }
    }

  private:
    std::vector<std::unique_ptr<stage::DisplayObject>> m_retired;
    SoundController& m_sound;
    ScriptHost* m_scripts = nullptr;
};

// Sets the frame observer for the length of one tick.
class ObserverScope {
  public:
    ObserverScope(stage::StageContext& context, stage::FrameObserver* observer)
        : m_context(context), m_previous(context.frameObserver()) {
        context.setFrameObserver(observer);
    }
    ~ObserverScope() { m_context.setFrameObserver(m_previous); }

  private:
    stage::StageContext& m_context;
    stage::FrameObserver* m_previous;
};

struct Player::Impl final : script::PlayerPort {
    // First: every display object of this player refers to it until the last one is gone.
    stage::StageContext stageContext;
    // The root and its levels; emptied (dropStage) before the scripts whose loaded movies
    // the levels may show.
    stage::Stage display{stageContext};
    std::unique_ptr<Navigator> navigator = std::make_unique<LocalFolderNavigator>();
    media::Mixer mixer;
    SoundController sound{mixer};
    FrameEvents frameEvents{sound};
    std::unique_ptr<ScriptHost> scripts;
    std::unique_ptr<input::PointerTracker> pointer;
    double scriptTimeMs = 0;
    quint64 ticks = 0; // advances since the root was created
    // fscommand("quit"): the run ends with the frame whose scripts asked; asked by a load or
    // timer finishing after the frame, it ends with the next one.
    bool quitAsked = false;
    bool quitting = false;
    void endIfQuitAsked() {
        if (!quitAsked) return;
        quitting = true;
        playing = false;
    }
    avm1::AbortReason scriptFailure = avm1::AbortReason::None;
    std::function<void(const QString&)> urlHandler;
    std::unique_ptr<movie::MovieLoader> loader;
    std::unique_ptr<render::StageRenderer> renderer;
    QString url;
    movie::LoadError error = movie::LoadError::None; // found before the loader (missing file...)
    bool playing = true;
    bool loop = true;
    bool streaming = false;
    std::function<void(const QString&)> traceHandler;
    qint64 scriptTimeBudgetMs = avm1::kDefaultTimeBudgetMs;
    std::optional<double> fixedDateMs;
    QByteArray codePage = format::kDefaultCodePage;
    std::vector<Diagnostic> noDiagnostics;

    const movie::MovieDefinition* definition() const { return loader ? &loader->definition() : nullptr; }

    // Creates the root once its first frame is in.
    void ensureRoot() {
        if (display.root() || !loader || loader->framesLoaded() == 0) return;
        const ObserverScope scope(stageContext, &frameEvents);
        ticks = 0;
        sound.setMovie(&loader->definition());
        scripts = std::make_unique<ScriptHost>(display, loader->definition(), *this, sound, movieUrl());
        frameEvents.setScripts(scripts.get());
        display.setRoot(std::make_unique<stage::MovieClip>(stageContext, nullptr, loader->definition().root,
                                                           loader->definition(), false));
        display.root()->gotoFrame(0);
        scripts->machine().setTimeBudgetMs(scriptTimeBudgetMs);
        scripts->machine().setFixedDateMs(fixedDateMs);
        scripts->machine().setCodePage(loader->definition().codePage);
        // The first frame's scripts, and the frames they jump to, share one frame's budget.
        script::Tick tick(scripts.get());
        rootEntered();
        scripts->clipLoaded(*display.root());
        endIfQuitAsked();
        // What the first frame asked to load arrives at its end, as it would at any frame's.
        scripts->runLoads();
        tick.finish();
        pointer = std::make_unique<input::PointerTracker>(display, pointerClient());
    }

    input::PointerClient pointerClient() {
        input::PointerClient client;
        client.clipTakesPointer = [this](stage::MovieClip& clip) {
            return scripts && scripts->takesPointer(clip);
        };
        client.transition = [this](stage::DisplayObject& target, stage::MovieClip& timeline,
                                   quint16 transition) {
            if (scripts) scripts->buttonTransition(target, timeline, transition);
        };
        return client;
    }

    // Input runs scripts like a frame does: one budget, then the jumps they asked for.
    template <typename F> void input(F&& handle) {
        if (!display.root() || !scripts || !pointer || quitting) return;
        const ObserverScope scope(stageContext, &frameEvents);
        script::Tick tick(scripts.get());
        handle();
        tick.finish();
        frameEvents.freeRetired();
    }

    // The root entered its current frame by playing: its sounds (the root is timeline key
    // 0 for the sound layer), then its scripts.
    void rootEntered() {
        sound.rootEntered(loader->definition().root, display.root()->currentFrame(), loader->framesLoaded());
        if (scripts) scripts->frameEntered(*display.root(), display.root()->currentFrame());
    }

    void dropStage() {
        const ObserverScope scope(stageContext, &frameEvents);
        frameEvents.freeRetired();
        frameEvents.setScripts(nullptr);
        pointer.reset();
        display.clear();
        scripts.reset();
    }

    // script::PlayerPort
    void gotoRoot(int frame, bool play) override {
        if (!display.root()) return;
        sound.timelineJumped(0);
        display.root()->gotoFrame(std::clamp(frame, 0, std::max(0, loader->framesLoaded() - 1)));
        playing = play;
    }
    void setRootPlaying(bool value) override { playing = value; }
    int rootFramesLoaded() override { return loader ? loader->framesLoaded() : 0; }
    void trace(const QString& line) override {
        if (traceHandler) traceHandler(line);
    }
    void openUrl(const QString& address, const QString&) override {
        if (urlHandler) urlHandler(address);
    }
    void quit() override { quitAsked = true; }
    void scriptAborted(avm1::AbortReason reason) override { scriptFailure = reason; }
    void replaceMovie(const QByteArray& bytes, const QString& address) override {
        replacement.emplace(bytes, address);
    }
    std::shared_ptr<const movie::MovieDefinition> readMovie(const QByteArray& bytes) override {
        return movie::MovieLoader::readWhole(bytes, importer(1), codePage);
    }
    // _url of the movie's own clips.
    QString movieUrl() const {
        const QString local = localPathOf(url);
        return local.isEmpty() || local.contains(QLatin1String("://"))
                   ? url
                   : QUrl::fromLocalFile(QFileInfo(local).absoluteFilePath()).toString(QUrl::FullyEncoded);
    }

    std::optional<QByteArray> readBesideMovie(const QString& relative, QString* fullUrl) override {
        return navigator->fetch(url, relative, fullUrl);
    }
    bool stillLoading(const QString& relative) override { return navigator->stillLoading(url, relative); }
    std::optional<QByteArray> arrivedBesideMovie(const QString& relative, qint64* total) override {
        return navigator->arrived(url, relative, total);
    }

    // Library movies for ImportAssets, read from the movie's folder like any load. Each is
    // read once per movie; libraries importing from libraries stop a few steps down.
    std::map<QString, std::shared_ptr<const movie::MovieDefinition>> libraries;
    std::optional<std::pair<QByteArray, QString>> replacement;
    movie::TagParser::Importer importer(int nesting) {
        constexpr int kMaxLibraryNesting = 4;
        return [this, nesting](const QString& relative) -> std::shared_ptr<const movie::MovieDefinition> {
            if (nesting >= kMaxLibraryNesting) return nullptr;
            QString fullUrl;
            const std::optional<QByteArray> bytes = readBesideMovie(relative, &fullUrl);
            if (!bytes) return nullptr;
            const auto known = libraries.find(fullUrl);
            if (known != libraries.end()) return known->second;
            auto library = movie::MovieLoader::readWhole(*bytes, importer(nesting + 1), codePage);
            libraries.emplace(fullUrl, library);
            return library;
        };
    }

    int lastFrameOfMovie() const {
        const int loaded = loader ? loader->framesLoaded() : 0;
        if (loader && (loader->complete() || loader->failed())) return std::max(loaded, 1) - 1;
        return std::max(loader ? loader->definition().header.frameCount : 0, loaded) - 1;
    }
};

void Player::prepareProcess() {
    render::useClassicFontHinting();
}

Player::Player() : d(std::make_unique<Impl>()) {}
Player::~Player() = default;

bool Player::loadFile(const QString& path) {
    unload();
    const QString local = localPathOf(path);
    d->url = path;
    if (isAuthoringFile(local)) {
        d->error = movie::LoadError::AuthoringFile;
        return false;
    }
    QFile file(local);
    if (!file.exists()) {
        d->error = movie::LoadError::FileMissing;
        return false;
    }
    if (QFileInfo(local).isDir() || !file.open(QIODevice::ReadOnly)) {
        d->error = movie::LoadError::FileUnreadable;
        return false;
    }
    beginStream(path);
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(kReadChunk);
        if (chunk.isEmpty()) break;
        if (!appendBytes(chunk)) break;
    }
    endStream();
    return isLoaded();
}

bool Player::loadBytes(const QByteArray& bytes, const QString& url) {
    beginStream(url);
    if (d->error != movie::LoadError::None) return false;
    appendBytes(bytes);
    endStream();
    return isLoaded();
}

void Player::beginStream(const QString& url) {
    unload();
    d->url = url;
    if (isAuthoringFile(localPathOf(url))) {
        d->error = movie::LoadError::AuthoringFile;
        return;
    }
    d->loader = std::make_unique<movie::MovieLoader>();
    d->loader->setImporter(d->importer(0));
    d->loader->setCodePage(d->codePage);
    d->streaming = true;
}

bool Player::appendBytes(const QByteArray& chunk) {
    if (!d->loader || !d->streaming) return false;
    const bool ok = d->loader->append(chunk);
    d->ensureRoot();
    return ok;
}

void Player::endStream() {
    if (!d->loader) return;
    d->streaming = false;
    d->loader->finish();
    d->ensureRoot();
}

void Player::unload() {
    d->sound.setMovie(nullptr);
    d->dropStage();
    d->stageContext.clearNotes();
    d->scriptTimeMs = 0;
    d->quitAsked = false;
    d->quitting = false;
    d->scriptFailure = avm1::AbortReason::None;
    d->renderer.reset();
    d->loader.reset();
    d->libraries.clear();
    d->replacement.reset();
    d->error = movie::LoadError::None;
    d->url.clear();
    d->playing = true;
    d->streaming = false;
}

bool Player::isLoaded() const {
    return d->display.root() != nullptr;
}
bool Player::hasFailed() const {
    return loadError() != movie::LoadError::None;
}
bool Player::isComplete() const {
    return d->loader && d->loader->complete();
}

movie::LoadError Player::loadError() const {
    if (d->error != movie::LoadError::None) return d->error;
    return d->loader ? d->loader->error() : movie::LoadError::None;
}

QString Player::errorText() const {
    return movie::describe(loadError());
}

QString Player::url() const {
    return d->url;
}

const std::vector<Diagnostic>& Player::diagnostics() const {
    return d->loader ? d->loader->definition().diagnostics() : d->noDiagnostics;
}

const std::vector<Diagnostic>& Player::playDiagnostics() const {
    return d->stageContext.notes();
}

int Player::version() const {
    return d->loader && d->loader->headerKnown() ? d->definition()->header.version : 0;
}

QRectF Player::stageRect() const {
    if (!d->loader || !d->loader->headerKnown()) return {};
    return d->definition()->header.frameRect.toRectF();
}

QSize Player::stageSize() const {
    const QRectF rect = stageRect();
    return QSize(qRound(rect.width() / format::kTwipsPerPixel),
                 qRound(rect.height() / format::kTwipsPerPixel));
}

double Player::frameRate() const {
    if (!d->loader || !d->loader->headerKnown()) return movie::kDefaultFrameRate;
    const double rate = d->definition()->header.frameRate;
    if (rate <= 0) return movie::kDefaultFrameRate;
    return std::min(rate, movie::kMaxFrameRate);
}

int Player::totalFrames() const {
    return d->loader && d->loader->headerKnown() ? d->definition()->header.frameCount : 0;
}

int Player::framesLoaded() const {
    return d->loader ? d->loader->framesLoaded() : 0;
}

QColor Player::backgroundColor() const {
    return d->loader ? d->definition()->background : QColor(Qt::white);
}

// A root that a script unloaded shows no frame; the counter stays at the first.
int Player::currentFrame() const {
    return d->display.root() ? std::max(0, d->display.root()->currentFrame()) : 0;
}
bool Player::isPlaying() const {
    return d->playing;
}
void Player::play() {
    d->playing = true;
}
void Player::stop() {
    d->playing = false;
    d->sound.timelineJumped(0);
}
void Player::setLoop(bool loop) {
    d->loop = loop;
}
bool Player::loop() const {
    return d->loop;
}

void Player::gotoFrame(int frame) {
    if (!d->display.root()) return;
    // A jump stops the root's stream sound; it starts again with the next block played into.
    d->sound.timelineJumped(0);
    const ObserverScope scope(d->stageContext, &d->frameEvents);
    d->display.root()->gotoFrame(std::clamp(frame, 0, framesLoaded() - 1));
    d->frameEvents.freeRetired();
}

void Player::advance() {
    if (!d->display.root()) return;
    const ObserverScope scope(d->stageContext, &d->frameEvents);
    if (d->quitting) return;
    d->sound.setTick(++d->ticks);
    if (d->scripts) {
        d->scriptTimeMs += 1000.0 / frameRate();
        d->scripts->setTimeMs(d->scriptTimeMs);
    }
    script::Tick tick(d->scripts.get());
    const quint64 mark = d->stageContext.nextSerial();
    if (d->scripts) d->scripts->beginAdvance();
    d->display.root()->advanceChildren(mark);
    if (d->scripts) d->scripts->clipTicked(*d->display.root());
    if (d->playing) {
        const int current = d->display.root()->currentFrame();
        if (current + 1 < framesLoaded()) {
            d->display.root()->gotoFrame(current + 1);
            if (d->display.root()->currentFrame() != current) d->rootEntered();
        } else if (current >= d->lastFrameOfMovie()) {
            if (d->loop && current > 0) {
                d->sound.timelineJumped(0);
                d->display.root()->gotoFrame(0);
                d->rootEntered();
            } else if (!d->loop) {
                d->playing = false;
            }
        }
        // Otherwise the next frame has not arrived yet: wait on this one, still playing.
    }
    // Movies loaded into levels play on their own, after the root.
    for (stage::MovieClip* level : d->display.levelsAbove())
        if (level->serial() < mark) level->advance();
    if (d->scripts) d->scripts->runEnteredFrames();
    d->endIfQuitAsked();
    if (d->scripts) {
        d->scripts->runLoads();
        d->scripts->machine().runTimers(d->scriptTimeMs);
    }
    tick.finish();
    d->frameEvents.freeRetired();
    if (d->scripts) d->scripts->machine().collect();
    if (d->replacement) {
        // loadMovieNum(url, 0): the loaded movie now plays in place of this one.
        const auto [bytes, url] = std::move(*d->replacement);
        d->replacement.reset();
        loadBytes(bytes, url);
    }
}

bool Player::quitRequested() const {
    return d->quitting;
}
avm1::AbortReason Player::scriptFailure() const {
    return d->scriptFailure;
}
void Player::setUrlHandler(std::function<void(const QString&)> handler) {
    d->urlHandler = std::move(handler);
}

media::Mixer& Player::mixer() {
    return d->mixer;
}
bool Player::streamSoundActive() const {
    return d->sound.rootStreamActive();
}
qint64 Player::streamSoundPlayed44() const {
    return d->sound.rootStreamPlayed44();
}
double Player::streamSoundTick() const {
    return d->sound.rootStreamTick();
}
quint64 Player::tickCount() const {
    return d->ticks;
}

void Player::render(QPainter& painter, const QTransform& stageToDevice, Quality quality) const {
    if (!d->loader || !d->loader->headerKnown()) return;
    if (!d->renderer) d->renderer = std::make_unique<render::StageRenderer>(*d->definition());
    d->renderer->render(painter, stageToDevice, quality, d->display);
    if (d->scripts)
        if (const auto box = d->scripts->focusRectangle())
            render::drawFocusRectangle(painter, stageToDevice, *box, quality);
}

void Player::setNavigator(std::unique_ptr<Navigator> navigator) {
    if (navigator) d->navigator = std::move(navigator);
}

void Player::setTraceHandler(std::function<void(const QString&)> handler) {
    d->traceHandler = std::move(handler);
}

void Player::setScriptTimeBudgetMs(qint64 milliseconds) {
    d->scriptTimeBudgetMs = milliseconds;
    if (d->scripts) d->scripts->machine().setTimeBudgetMs(milliseconds);
}

void Player::setCodePage(const QByteArray& codePage) {
    d->codePage = format::isKnownCodePage(codePage) ? codePage : QByteArray(format::kDefaultCodePage);
}

QByteArray Player::codePage() const {
    return d->codePage;
}

void Player::setFixedDateMs(std::optional<double> milliseconds) {
    d->fixedDateMs = milliseconds;
    if (d->scripts) d->scripts->machine().setFixedDateMs(milliseconds);
}

void Player::pointerMoved(QPointF stageTwips) {
    d->input([&] {
        d->display.setPointer(stageTwips);
        d->scripts->dragToPointer();
        d->pointer->moved(stageTwips);
        d->scripts->mouseEvent(ScriptHost::kEventMouseMove, QStringLiteral("onMouseMove"));
    });
}

void Player::pointerPressed() {
    d->input([&] {
        // A press on an input field puts the caret at its end; a press elsewhere takes the
        // focus away from the field.
        stage::TextField* field = d->pointer->inputFieldAt(d->display.pointer());
        if (field != d->display.focusField()) {
            d->display.setFocusField(field);
            if (field) {
                stage::TextEditor editor(*field);
                editor.move(stage::TextEditor::Move::DocumentEnd, false);
            }
        }
        d->pointer->pressed();
        d->scripts->mouseEvent(ScriptHost::kEventMouseDown, QStringLiteral("onMouseDown"));
    });
}

void Player::pointerReleased() {
    d->input([&] {
        d->pointer->released();
        d->scripts->mouseEvent(ScriptHost::kEventMouseUp, QStringLiteral("onMouseUp"));
    });
}

void Player::keyPressed(int keyCode, int ascii) {
    d->input([&] {
        d->scripts->keyEvent(true, keyCode, ascii);
        // Buttons listening for this key, wherever the pointer is.
        for (const auto& [timeline, actions] :
             input::keyButtonActions(*d->display.root(), input::buttonKeyCode(keyCode, ascii)))
            d->scripts->runButtonActions(*timeline, actions);
    });
}

void Player::keyReleased(int keyCode, int ascii) {
    d->input([&] { d->scripts->keyEvent(false, keyCode, ascii); });
}

bool Player::hasTextFocus() const {
    const stage::TextField* field = d->display.focusField();
    return field && !field->field.readOnly;
}

void Player::textInput(const QString& text) {
    d->input([&] {
        stage::TextField* field = d->display.focusField();
        if (!field || field->field.readOnly) return;
        stage::TextEditor editor(*field);
        if (editor.insert(text)) d->scripts->fieldEdited(*field);
    });
}

void Player::editKey(EditKey key, bool extendSelection) {
    d->input([&] {
        stage::TextField* field = d->display.focusField();
        if (!field || field->field.readOnly) return;
        if (key == EditKey::Tab) {
            // The next input field in stage order takes the focus, its text selected.
            const std::vector<stage::TextField*> fields = d->pointer->inputFields();
            const auto at = std::find(fields.begin(), fields.end(), field);
            if (fields.empty() || at == fields.end()) return;
            stage::TextField* next = at + 1 == fields.end() ? fields.front() : *(at + 1);
            d->display.setFocusField(next);
            stage::TextEditor(*next).selectAll();
            return;
        }
        stage::TextEditor editor(*field);
        using Move = stage::TextEditor::Move;
        bool changed = false;
        switch (key) {
        case EditKey::Backspace:
            changed = editor.backspace();
            break;
        case EditKey::Delete:
            changed = editor.deleteForward();
            break;
        case EditKey::Enter:
            changed = editor.insert(QStringLiteral("\r"));
            break;
        case EditKey::SelectAll:
            editor.selectAll();
            break;
        default: {
            static constexpr std::pair<EditKey, Move> kMoves[] = {
                {EditKey::Left, Move::Left},         {EditKey::Right, Move::Right},
                {EditKey::WordLeft, Move::WordLeft}, {EditKey::WordRight, Move::WordRight},
                {EditKey::Home, Move::Home},         {EditKey::End, Move::End}};
            for (const auto& [from, to] : kMoves)
                if (from == key) editor.move(to, extendSelection);
        }
        }
        if (changed) d->scripts->fieldEdited(*field);
    });
}

QString Player::selectedText() const {
    stage::TextField* field = d->display.focusField();
    if (!field || field->field.password) return {};
    return stage::TextEditor(*field).selectedText();
}

bool Player::pointerOverActive() const {
    return d->pointer && d->pointer->overActive();
}

bool Player::pointerShown() const {
    return !d->scripts || d->scripts->pointerShown();
}

} // namespace swf
