// The movie's scripts on the stage: one script machine per movie, a script object for each
// timeline (the root and its sprites), frame actions run as timelines play into frames, and
// the timeline actions and clip properties scripts ask of the stage.
#pragma once

#include "swf/avm1/host.h"
#include "swf/avm1/machine.h"
#include "swf/format/control_tags.h"
#include "swf/raster/pixels.h"
#include "swf/script/clip_directory.h"
#include "swf/script/loaded_movies.h"
#include "swf/script/net_streams.h"
#include "swf/script/player_port.h"
#include "swf/script/script_limits.h"
#include "swf/script/sound_port.h"
#include "swf/script/sound_watch.h"
#include "swf/script/stage_geometry.h"
#include "swf/script/text_fields.h"
#include "swf/stage/stage.h"

#include <QColor>
#include <QHash>
#include <QRectF>
#include <QTransform>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace swf::movie {
class MovieDefinition;
struct Frame;
} // namespace swf::movie
namespace swf::input {
class PointerTracker;
}
namespace swf::stage {
struct ScriptScale;
class DisplayObject;
class MovieClip;
class TextField;
class StageContext;
class Stage;
} // namespace swf::stage

namespace swf::script {

class ScriptHost final : public avm1::Host, private StageEditor {
  public:
    using Target = avm1::Target;

    // The scripts of the movie that stage's root shows (the player sets the root after).
    // movieUrl: the _url of the movie's own clips.
    ScriptHost(stage::Stage& stage, const movie::MovieDefinition& movie, PlayerPort& player,
               SoundPort& sounds, const QString& movieUrl);
    ~ScriptHost() override;

    // What the player's display objects share.
    stage::StageContext& stageContext() const;
    void setTimeMs(double milliseconds) { m_timeMs = milliseconds; }
    // A timeline played into frame: its init actions (once per sprite), then its actions.
    // While the stage advances, the frames entered wait in turn and run once every clip has
    // moved on (runEnteredFrames).
    void frameEntered(stage::MovieClip& clip, int frame);
    void beginAdvance() { m_advancing = true; }
    void runEnteredFrames();
    // A sprite was placed: its first frame's actions, then its load event.
    void clipCreated(stage::MovieClip& clip);
    // Every tick: enterFrame clip events and onEnterFrame handlers, while the stage advances
    // in turn with the frames entered, ahead of the clip's own frame.
    void clipTicked(stage::MovieClip& clip);
    // The load event: the clip's own event actions, then from SWF 6 its onLoad method.
    void clipLoaded(stage::MovieClip& clip);
    void fieldPlaced(stage::MovieClip& parent, stage::TextField& field);
    void clipDestroyed(const stage::MovieClip& clip);
    // A timeline took clip off the stage: its unload event and onUnload run with the
    // pending work (runPending).
    void clipRemoved(stage::MovieClip& clip);
    // Scripts ask for jumps while the stage is being walked; they are made here, when the
    // walk is over, and the frames jumped to run their actions.
    void runPending();

    // The first version whose clips call their handler methods (onLoad, onEnterFrame).
    static constexpr int kFirstVersionWithMethods = 6;
    // Clip event flags, as PlaceObject's clip actions number them.
    static constexpr quint32 kEventLoad = format::clip_events::kLoad;
    static constexpr quint32 kEventEnterFrame = format::clip_events::kEnterFrame;
    static constexpr quint32 kEventUnload = format::clip_events::kUnload;
    static constexpr quint32 kEventData = format::clip_events::kData;
    static constexpr quint32 kEventInitialize = format::clip_events::kInitialize;
    static constexpr quint32 kEventConstruct = format::clip_events::kConstruct;
    static constexpr quint32 kEventMouseMove = format::clip_events::kMouseMove;
    static constexpr quint32 kEventMouseDown = format::clip_events::kMouseDown;
    static constexpr quint32 kEventMouseUp = format::clip_events::kMouseUp;
    static constexpr quint32 kEventKeyDown = format::clip_events::kKeyDown;
    static constexpr quint32 kEventKeyUp = format::clip_events::kKeyUp;
    static constexpr quint32 kEventPress = format::clip_events::kPress;
    static constexpr quint32 kEventRelease = format::clip_events::kRelease;
    static constexpr quint32 kEventReleaseOutside = format::clip_events::kReleaseOutside;
    static constexpr quint32 kEventRollOver = format::clip_events::kRollOver;
    static constexpr quint32 kEventRollOut = format::clip_events::kRollOut;
    static constexpr quint32 kEventDragOver = format::clip_events::kDragOver;
    static constexpr quint32 kEventDragOut = format::clip_events::kDragOut;
    static constexpr quint32 kEventKeyPress = format::clip_events::kKeyPress;

    // Mouse clip events on every clip, then Mouse's listeners (onMouseDown...).
    void mouseEvent(quint32 clipEvent, const QString& listenerMethod);
    // Key clip events, Key's listeners; Key.isDown and getCode answer from here.
    void keyEvent(bool down, int keyCode, int ascii);
    // The user typed into an input field (its variable and onChanged follow).
    void fieldEdited(stage::TextField& field);
    // Whether text files the movie loads are read in the code page rather than as UTF-8.
    bool externalTextInCodePage();
    bool keyIsDown(int keyCode) const override { return m_keysDown.count(keyCode) > 0; }
    int lastKeyCode() const override { return m_lastKeyCode; }
    int lastKeyAscii() const override { return m_lastKeyAscii; }
    // A clip with press, release or roll handlers (methods or clip events) takes the pointer
    // as a button does.
    bool takesPointer(stage::MovieClip& clip);
    // A button passage reaching a clip: its clip event, then its handler method.
    void clipPointerEvent(stage::MovieClip& clip, quint32 clipEvent, const QString& handler);
    // A button passage over target: a button's actions for it, or a clip's press, release
    // and roll events and handlers.
    void buttonTransition(stage::DisplayObject& target, stage::MovieClip& timeline, quint16 transition);
    // A button's actions run in the timeline the button stands in.
    void runButtonActions(stage::MovieClip& timeline, const QByteArray& actions);
    // Scripts number depths from this one down to the timeline's depth 0.
    static constexpr int kTimelineDepthOffset = script::kTimelineDepthOffset;

    avm1::Machine& machine() { return *m_machine; }
    avm1::Object* objectOf(stage::MovieClip& clip) { return m_directory->objectOf(clip); }

    // avm1::Host
    void trace(const QString& line) override;
    double getTimer() override { return m_timeMs; }
    double randomUnit() override;
    void scriptAborted(avm1::AbortReason reason) override;
    void getUrl(const QString& url, const QString& window, avm1::UrlMethod method, bool loadTarget,
                bool loadVariables) override;
    void gotoFrame(Target target, int frame, bool play) override;
    bool gotoLabel(Target target, const QString& label, bool play) override;
    void play(Target target) override;
    void stop(Target target) override;
    void nextFrame(Target target) override;
    void previousFrame(Target target) override;
    void toggleQuality() override {}
    void stopSounds() override;
    int soundIdOf(const QString& exportName) override;
    bool setFocus(Target target) override;
    Target focus() override;
    void showPointer(bool shown) override { m_pointerShown = shown; }
    bool pointerShown() const { return m_pointerShown; }
    // Where the focus rectangle goes (stage twips): around the focused clip, while
    // _focusrect is on.
    std::optional<QRectF> focusRectangle();
    int soundStart(int soundId, double offsetSeconds, int loops) override {
        return m_sounds.startVoice(soundId, offsetSeconds, loops);
    }
    void soundStopVoice(int voice) override { m_sounds.stopVoice(voice); }
    void soundStopAll(int soundId) override { m_sounds.stopVoicesOf(soundId); }
    void soundGain(int voice, double left, double right) override {
        m_sounds.setVoiceGain(voice, left, right);
    }
    double soundPositionMs(int voice) override { return m_sounds.voicePositionMs(voice); }
    double soundDurationMs(int soundId) override { return m_sounds.soundDurationMs(soundId); }
    bool soundPlaying(int voice) override { return m_sounds.voicePlaying(voice); }
    void soundWatch(int voice, avm1::Object* sound) override { m_soundWatch->watch(voice, sound); }
    int framesLoaded(Target target) override;
    int frameNumber(Target target, const QString& frameOrLabel) override;
    void callFrame(Target target, int frame) override;
    Target resolveTarget(const QString& path, Target base) override;
    QString targetPath(Target target) override;
    bool onStage(Target target) override { return clipOf(target) != nullptr; }
    avm1::Value getProperty(Target target, int index) override;
    void setProperty(Target target, int index, const avm1::Value& value) override;
    void cloneSprite(Target source, const QString& name, int depth) override;
    void removeSprite(Target target) override;
    void startDrag(Target target, bool lockCenter, bool constrain, double left, double top, double right,
                   double bottom) override;
    void endDrag() override;
    // The pointer moved: a clip being dragged follows it.
    void dragToPointer();
    std::pair<double, double> stageSize() override;
    void loadText(avm1::Object* receiver, const QString& url) override;
    // Finishes the loads scripts asked for during earlier ticks.
    void runLoads();
    std::optional<avm1::ClipColor> clipColor(Target target) override;
    void setClipColor(Target target, const avm1::ClipColor& color) override;

  private:
    class ClipProperties;
    static std::unique_ptr<avm1::PropertyDelegate> makeClipProperties(ScriptHost& host);
    // The MovieClip methods that reach the stage (script_clip_methods.cpp).
    void installClipMethods();
    void hideLaterClipMethods();
    // attachBitmap, beginBitmapFill and BitmapData.loadBitmap (clip_bitmaps.cpp).
    void installBitmapMethods();
    void drawIntoBitmap(raster::Pixels& pixels, avm1::CallContext& c);
    // flash.geom.Transform and what MovieClip.transform reads and writes (clip_transform.cpp).
    void installTransformClass();
    // TextSnapshot and MovieClip.getTextSnapshot (text_snapshots.cpp).
    void installTextSnapshots();
    avm1::Value transformObject(stage::MovieClip& clip);
    void setClipMatrix(stage::MovieClip& clip, const avm1::Value& matrix);
    void setClipColorTransform(stage::MovieClip& clip, const avm1::Value& transform);
    // MovieClip.filters, copied in and out (clip_filters.cpp).
    avm1::Value clipFilters(stage::MovieClip& clip);
    void setClipFilters(stage::MovieClip& clip, const avm1::Value& value);
    stage::MovieClip* attachClip(stage::MovieClip& parent, std::unique_ptr<stage::DisplayObject> instance,
                                 const QString& name, int depth, avm1::Object* initObject,
                                 bool initializeLater = false);
    stage::MovieClip* duplicateClip(stage::MovieClip& clip, const QString& name, int depth,
                                    avm1::Object* initObject);
    // StageEditor
    void removeClip(stage::MovieClip& clip) override;
    void retire(std::unique_ptr<stage::DisplayObject> object) override {
        m_removed.push_back(std::move(object));
    }
    qint64 nextScriptBirth() override { return --m_lastScriptBirth; }
    void forgetClipTree(stage::MovieClip& clip);
    // Whether the clip or a clip inside it has an unload event or onUnload method.
    bool hearsUnload(stage::MovieClip& clip);
    // Removed by a script, it (or a parent) waits for its unload handlers to run.
    bool leaving(const stage::MovieClip& clip) const;
    void runUnloadTree(stage::MovieClip& clip);
    // The unload handlers of the clips scripts removed (inner clips first), then the clips go;
    // without handlers when the handlers themselves removed them.
    void runLeaving(bool withHandlers);
    std::vector<stage::ClipHandle> m_leaving;
    void registerExports(const movie::Frame& frame);
    // Registered class, construct event and constructor of clips created since the last
    // call, then their first frame's actions and load event.
    void constructPending();
    // Only the registered class, construct event and constructor of the clips waiting.
    void constructOnly();
    void construct(stage::MovieClip& clip);

    stage::MovieClip* clipOf(Target target) const { return m_directory->clipOf(target); }
    // The clip a handle names while it lives and scripts still know it (not removed by one).
    stage::MovieClip* known(const stage::ClipHandle& handle) const { return m_directory->known(handle); }
    void runFrameActions(stage::MovieClip& clip, const movie::Frame& frame);
    void runClipEvent(stage::MovieClip& clip, quint32 event);
    // The event's clip actions on every clip that has them (mouse and key events).
    void runClipEventEverywhere(quint32 clipEvent);
    struct PendingJump {
        stage::ClipHandle clip;
        int frame;
        bool play;
    };
    void jump(stage::MovieClip& clip, int frame, bool play);
    avm1::Value propertyByName(stage::MovieClip& clip, const QString& name);
    // Writes a placement property (_x, _y, _xscale, _yscale, _rotation, _alpha, _visible);
    // false for any other name.
    bool setPropertyByName(stage::MovieClip& clip, const QString& name, const avm1::Value& value);

    stage::Stage& m_stage;
    const movie::MovieDefinition& m_movie;
    SoundPort& m_sounds;
    PlayerPort& m_player;
    std::unique_ptr<avm1::Machine> m_machine;
    std::unique_ptr<avm1::PropertyDelegate> m_properties;
    std::unique_ptr<ClipDirectory> m_directory;
    std::unique_ptr<TextFields> m_textFields;
    std::unique_ptr<NetStreams> m_netStreams;
    std::unique_ptr<SoundWatch> m_soundWatch;
    std::unique_ptr<StageGeometry> m_geometry;
    std::set<std::pair<const void*, int>> m_initDone; // by library and sprite id
    QHash<QString, quint16> m_exports;                // by format::exportKey
    QHash<quint16, QString> m_exportNames;
    std::vector<stage::ClipHandle> m_unconstructed;
    std::vector<stage::ClipHandle> m_firstFramePending;
    std::vector<stage::ClipHandle> m_initializePending; // duplicates, after the running script
    // Removed by scripts that may still be running inside them: freed after the tick.
    std::vector<std::unique_ptr<stage::DisplayObject>> m_removed;
    std::set<quint64> m_forgotten; // serials of clips removed by a script during this tick
    struct PendingLoad {
        avm1::Object* receiver = nullptr; // pinned while waiting
        stage::ClipHandle clip;           // loadMovie into a clip instead
        QString url;
        enum class Kind { Text, Movie, Variables } kind = Kind::Text;
        int level = -1; // loadMovieNum: the level, clip null
        int wait = 0;   // rounds of runLoads to let pass first
        bool foundNothing = false;
    };
    // Loading (script_loading.cpp).
    void loadInto(stage::MovieClip& clip, const QString& url, bool variables);
    void loadIntoLevel(int level, const QString& url);
    // getURL's loads: into a clip path or a "_levelN" window. False when window names neither
    // a level nor (toClip, variables) a load.
    bool loadTarget(const QString& url, const QString& window, bool toClip, bool variables);
    void cancelLoads(const stage::MovieClip* clip, int level);
    void unloadClip(stage::MovieClip& clip);
    void unloadLevel(int level, bool cancelPending = true);
    void showLoaded(stage::MovieClip& clip, const movie::MovieDefinition& definition);
    // The clip's own variables and methods go with what it showed.
    void clearMembers(stage::MovieClip& clip);
    void finishLoad(const PendingLoad& load, const std::optional<QByteArray>& bytes, const QString& fullUrl);
    void installMovieClipLoader();
    void broadcastLoadEvent(avm1::Object* loader, const QString& event, const QVector<avm1::Value>& args);
    void finishClipLoaderLoad(const PendingLoad& load, const std::optional<QByteArray>& bytes,
                              const QString& fullUrl);
    // Shows a loaded movie or picture where the load asked; the clip it shows in, if any.
    stage::MovieClip* showInTarget(const PendingLoad& load,
                                   const std::shared_ptr<const movie::MovieDefinition>& definition,
                                   const QString& url, const QByteArray& bytes);
    void runUnload(stage::MovieClip& clip);
    void runUnloads();
    std::vector<stage::ClipHandle> m_unloading;
    std::vector<PendingLoad> m_loads;
    // getBytesTotal of a clip.
    qint64 clipBytes(const stage::MovieClip& clip) const {
        return m_loadedMovies.bytesOf(clip, &clip == m_stage.root());
    }
    LoadedMovies m_loadedMovies;
    std::vector<PendingJump> m_pendingJumps;
    bool m_advancing = false;
    // In turn, the frames clips entered and (kTickedEntry) their enterFrame handlers.
    std::vector<std::pair<stage::ClipHandle, int>> m_enteredFrames;
    static constexpr int kTickedEntry = -1;
    std::set<quint64> m_leftStage; // serials of clips a timeline took away during this tick
    // By the clip's serial: mouse and key events reach clips in the order they were made.
    std::map<quint64, QList<format::ClipActionRecord>> m_clipEvents;
    std::set<int> m_keysDown;
    int m_lastKeyCode = 0, m_lastKeyAscii = 0;
    double m_timeMs = 0;
    quint32 m_random = 0x2545F491u;
    int m_depth = 0;
    int m_constructNesting = 0;
    // Player-wide settings scripts read and write through any clip.
    QString m_quality = QStringLiteral("HIGH");
    bool m_focusRect = true;
    bool m_pointerShown = true;
    int m_soundBufferTime = 5;
    qint64 m_lastScriptBirth = 0;         // script-made clips count down, apart from the timeline's
    std::map<quint64, int> m_levelDepths; // a level's top, by serial: the depth swapDepths gave it
};

} // namespace swf::script
