// Layers that act on frames being entered by playing (sound now, scripts later) observe the
// timelines through this, without the stage knowing them.
#pragma once

namespace swf::stage {

class MovieClip;

class FrameObserver {
public:
    virtual ~FrameObserver() = default;
    // clip entered frame by playing into it (or by being created on it).
    virtual void frameEntered(const MovieClip& clip, int frame) = 0;
};

// The observer of the movie being advanced now; the player sets it around each tick.
FrameObserver*& currentFrameObserver();

}  // namespace swf::stage
