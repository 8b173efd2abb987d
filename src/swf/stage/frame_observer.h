// Layers that act on frames being entered by playing (sound now, scripts later) observe the
// timelines through this, without the stage knowing them.
#pragma once

#include <memory>

namespace swf::stage {

class DisplayObject;
class MovieClip;
class TextField;

class FrameObserver {
  public:
    virtual ~FrameObserver() = default;
    // clip entered frame by playing into it (or by being created on it).
    virtual void frameEntered(MovieClip& clip, int frame) = 0;
    // clip was just placed on the stage, its placement (name, clip events) set; it shows
    // its first frame.
    virtual void clipCreated(MovieClip& clip) { frameEntered(clip, 0); }
    // A timeline placed a text field: a variable it is bound to takes its text now, before
    // the frame's scripts run.
    virtual void fieldPlaced(MovieClip& parent, TextField& field) {
        (void)parent;
        (void)field;
    }
    // One tick of the movie's clock reached clip (every clip, every tick, playing or not).
    virtual void clipTicked(MovieClip& clip) { (void)clip; }
    // clip is about to be destroyed (removed from the stage, or the movie unloaded).
    virtual void clipDestroyed(const MovieClip& clip) { (void)clip; }
    // A timeline took object off the stage. Scripts may be running inside it (a script
    // can move its own parent's playhead), so the observer decides when it dies.
    virtual void retire(std::unique_ptr<DisplayObject> object) { object.reset(); }
};

} // namespace swf::stage
