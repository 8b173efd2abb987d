// The movie engine's facade: what the movie control widget, the headless renderer and the
// tests see of the engine. Deterministic: time passes only through advance().
#pragma once

#include "swf/avm1/abort_reason.h"
#include "swf/io/diagnostic.h"
#include "swf/movie/load_error.h"
#include "swf/render/quality.h"

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace swf::media {
class Mixer;
}

namespace swf {

class Navigator;

class Player {
  public:
    // Device text drawn as the reference player draws it needs a font setting that holds for
    // the whole process: call this once before the QGuiApplication is made.
    static void prepareProcess();

    Player();
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Loading: a whole file at once, or progressively as bytes arrive (network).
    // Each returns false, with loadError(), when the bytes cannot be a movie.
    bool loadFile(const QString& path);
    bool loadBytes(const QByteArray& bytes, const QString& url = {});
    void beginStream(const QString& url);
    bool appendBytes(const QByteArray& chunk);
    void endStream(); // no more bytes will come: the movie is complete or truncated
    void unload();

    bool isLoaded() const;   // the header is known and frame 0 can be shown
    bool hasFailed() const;  // loading stopped for good; loadError() says why
    bool isComplete() const; // every byte is in and was read
    movie::LoadError loadError() const;
    QString errorText() const; // loadError() in English, for tools and logs
    QString url() const;
    const std::vector<Diagnostic>& diagnostics() const;
    // Problems met while playing and drawing (a video picture that would not decode...).
    const std::vector<Diagnostic>& playDiagnostics() const;

    int version() const;
    QSize stageSize() const;  // pixels
    QRectF stageRect() const; // twips; x and y may be non-zero
    double frameRate() const; // frames per second, never 0 once loaded
    int totalFrames() const;  // the header's frame count
    int framesLoaded() const; // frames of the root timeline that have fully arrived
    QColor backgroundColor() const;

    // Root timeline; frames count from 0.
    int currentFrame() const;
    bool isPlaying() const;
    void play();
    void stop();
    void setLoop(bool loop);
    bool loop() const;
    void gotoFrame(int frame); // clamped to the frames loaded
    void advance();            // one tick at the movie's frame rate
    quint64 tickCount() const; // ticks advanced since the movie's first frame was shown

    // Draws the stage (background included) with stageToDevice mapping twips to the device.
    void render(QPainter& painter, const QTransform& stageToDevice, Quality quality) const;

    // The pointer and the keyboard, from the window showing the movie. Positions are stage
    // twips (see stageRect); key codes are those of Key (Key.LEFT is 37), ascii the character.
    void pointerMoved(QPointF stageTwips);
    void pointerPressed();
    void pointerReleased();
    void keyPressed(int keyCode, int ascii);
    void keyReleased(int keyCode, int ascii);
    // Typing. A click on an input field, or Tab, gives it the focus; while it has it, typed
    // text (keys, an input method's words, pasted text) and editing keys go to it and not to
    // the movie's key listeners.
    enum class EditKey {
        Left,
        Right,
        WordLeft,
        WordRight,
        Home,
        End,
        Backspace,
        Delete,
        Enter,
        SelectAll,
        Tab
    };
    bool hasTextFocus() const;
    void textInput(const QString& text);
    void editKey(EditKey key, bool extendSelection = false);
    QString selectedText() const;
    // The pointer is over a button, or a clip that reacts to it: the hand cursor.
    bool pointerOverActive() const;
    // False while the movie's scripts hide the system pointer (custom cursors do).
    bool pointerShown() const;

    // Where the movie's own loads are read from; by default files in its own folder.
    void setNavigator(std::unique_ptr<Navigator> navigator);

    // Receives each trace line of the movie's scripts.
    void setTraceHandler(std::function<void(const QString&)> handler);
    // How long the scripts of one frame may run before they are stopped (15 s by default);
    // tools that run untrusted movies in bulk use less.
    void setScriptTimeBudgetMs(qint64 milliseconds);
    // The moment (ms since 1970 UTC) the movie's Date reads as now, instead of the system
    // clock; tools that compare a run with a recording replay the recording's moment.
    void setFixedDateMs(std::optional<double> milliseconds);
    // The code page strings of movies before version 6 are in (their files do not say): a
    // name QStringDecoder knows, GB18030 by default; an unknown name keeps the default.
    // Holds for movies loaded after the call.
    void setCodePage(const QByteArray& codePage);
    QByteArray codePage() const;

    // Scripts: fscommand("quit") ends the run; a script stopped for running too long or
    // recursing too deep leaves its reason here; getURL to a web or mail address goes to
    // the handler (nothing else is ever opened).
    bool quitRequested() const;
    avm1::AbortReason scriptFailure() const; // None while no script was stopped
    void setUrlHandler(std::function<void(const QString&)> handler);

    // Sound: the mixer that the audio output (or the headless renderer) drains. Stopping
    // the root timeline or jumping stops its stream sound; unloading stops every sound.
    media::Mixer& mixer();
    bool streamSoundActive() const;
    qint64 streamSoundPlayed44() const; // 44.1 kHz frames of the root's stream played
    // The tick (see tickCount) whose time the root's stream sound has reached, with its
    // fraction: each stream block sounds at the time of its frame, so a player that shows
    // tick n once this reaches n keeps the picture with the sound.
    double streamSoundTick() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace swf
