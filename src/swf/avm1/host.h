// What the script machine needs from the player around it. The machine knows no stage:
// timelines are reached through opaque targets, which are the clips' own script objects
// (created by the host with Machine::newClip), so `_root.x = 5` is an ordinary member
// write and the host sees clip properties through a PropertyDelegate.
//
// Every call happens on the thread that runs the machine, while a script runs. A host call
// may run script again (callFrame, or Machine::runActions from inside one), within the same
// time budget and depth limit.
//
// Clip objects: the host creates one per display object with Machine::newClip(delegate),
// pins it (Object::pin) while the clip exists and unpins it when the clip is removed; the
// collector frees it once no script holds it. Child instance names are the host's to answer,
// either as ordinary properties set when children are placed or through the delegate.
#pragma once

#include "swf/avm1/abort_reason.h"
#include "swf/avm1/value.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

namespace swf::avm1 {

class Object;

// A timeline target: the clip's script object, or nullptr when the path named no clip.
using Target = Object*;

enum class UrlMethod { None, Get, Post };

// A clip's colour transform in the units of Color.getTransform: multipliers in percent,
// offsets added to the 0..255 channels.
struct ClipColor {
    double redMultiplier = 100, greenMultiplier = 100, blueMultiplier = 100, alphaMultiplier = 100;
    double redOffset = 0, greenOffset = 0, blueOffset = 0, alphaOffset = 0;
};

class Host {
  public:
    virtual ~Host() = default;

    // --- the outside world ---
    virtual void trace(const QString& line) = 0;
    // Milliseconds since the movie started, on the movie's own clock (deterministic in tests).
    virtual double getTimer() = 0;
    // A number in [0, 1) from a generator the host seeds; Math.random and random(n) use it.
    virtual double randomUnit() = 0;
    // A script ended early: it ran past its time budget, recursed too deep, or hit a limit.
    virtual void scriptAborted(AbortReason reason) = 0;
    // getURL and loadMovie/loadVariables. The host decides what is allowed; target is the
    // window or, for loads, the clip path. "FSCommand:" urls arrive here too.
    virtual void getUrl(const QString& url, const QString& window, UrlMethod method, bool loadTarget,
                        bool loadVariables) = 0;

    // --- timelines; frames count from 0 ---
    virtual void gotoFrame(Target target, int frame, bool play) = 0;
    // A frame named by text: a label, or a number as text counting from 1 ("12" is frame 11),
    // as gotoAndPlay("12") and GotoFrame2 with a string give it. False if there is none.
    virtual bool gotoLabel(Target target, const QString& label, bool play) = 0;
    virtual void play(Target target) = 0;
    virtual void stop(Target target) = 0;
    virtual void nextFrame(Target target) = 0;
    virtual void previousFrame(Target target) = 0;
    virtual void toggleQuality() = 0;
    virtual void stopSounds() = 0;
    virtual int framesLoaded(Target target) = 0;
    // The same naming as gotoLabel, answered as a frame from 0; -1 when there is none.
    virtual int frameNumber(Target target, const QString& frameOrLabel) = 0;
    // Runs the actions of a frame of target now (the Call action), without moving the playhead.
    virtual void callFrame(Target target, int frame) = 0;

    // --- clips ---
    // Walks a target path ("/a/b", "../a", "a.b", "_root", "_parent", "_levelN") from base
    // (the root when null), which may be any object: a clip's step takes a child or level
    // first, then a variable holding an object. The result may be an object that is no clip.
    virtual Target resolveTarget(const QString& path, Target base) = 0;
    // The dot path of a clip ("_level0.a.b"), for TargetPath and _target; empty for a clip
    // gone from the stage.
    virtual QString targetPath(Target target) = 0;
    // False for a clip that has left the stage.
    virtual bool onStage(Target target) {
        (void)target;
        return true;
    }
    // The numbered properties of the SWF 4 GetProperty/SetProperty actions (0 _x ... 21 _ymouse);
    // an index out of range reads undefined. setProperty gets the raw value: converting it
    // (Machine::toNumber, which may call the value's valueOf) is the host's part.
    virtual Value getProperty(Target target, int index) = 0;
    virtual void setProperty(Target target, int index, const Value& value) = 0;
    // duplicateMovieClip: source duplicated under its parent as name at depth.
    virtual void cloneSprite(Target source, const QString& name, int depth) = 0;
    virtual void removeSprite(Target target) = 0;
    virtual void startDrag(Target target, bool lockCenter, bool constrain, double left, double top,
                           double right, double bottom) = 0;
    virtual void endDrag() = 0;
    // LoadVars.load, XML.load and their kin: the host reads url later (never during this call)
    // and then calls receiver.onData with the text, or with undefined when it cannot be read.
    virtual void loadText(Object* receiver, const QString& url) {
        (void)receiver;
        (void)url;
    }
    // Stage.width and Stage.height, in pixels.
    virtual std::pair<double, double> stageSize() { return {0, 0}; }
    // Color objects; nullopt for a target that is no clip.
    virtual std::optional<ClipColor> clipColor(Target target) {
        (void)target;
        return std::nullopt;
    }
    virtual void setClipColor(Target target, const ClipColor& color) {
        (void)target;
        (void)color;
    }
    // Sound objects. A sound is named by its export name; voices are the playing copies.
    // soundStart gives 0 when nothing could start.
    virtual int soundIdOf(const QString& exportName) {
        (void)exportName;
        return 0;
    }
    virtual int soundStart(int soundId, double offsetSeconds, int loops) {
        (void)soundId;
        (void)offsetSeconds;
        (void)loops;
        return 0;
    }
    virtual void soundStopVoice(int voice) { (void)voice; }
    virtual void soundStopAll(int soundId) { (void)soundId; }
    virtual void soundGain(int voice, double left, double right) {
        (void)voice;
        (void)left;
        (void)right;
    }
    virtual double soundPositionMs(int voice) {
        (void)voice;
        return 0;
    }
    virtual double soundDurationMs(int soundId) {
        (void)soundId;
        return 0;
    }
    virtual bool soundPlaying(int voice) {
        (void)voice;
        return false;
    }
    // sound started voice: its onSoundComplete runs when the voice ends.
    virtual void soundWatch(int voice, Object* sound) {
        (void)voice;
        (void)sound;
    }
    // Selection: the clip with the keyboard focus; false when the target cannot take it.
    virtual bool setFocus(Target target) {
        (void)target;
        return false;
    }
    virtual Target focus() { return nullptr; }
    // Mouse.hide and Mouse.show: whether the system pointer shows over the movie.
    virtual void showPointer(bool shown) { (void)shown; }
    // The keyboard, for Key: whether a key (Key.LEFT... codes) is held, and the last pressed.
    virtual bool keyIsDown(int keyCode) const {
        (void)keyCode;
        return false;
    }
    virtual int lastKeyCode() const { return 0; }
    virtual int lastKeyAscii() const { return 0; }
};

} // namespace swf::avm1
