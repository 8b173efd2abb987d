// A timeline instance (the root or a sprite): its playhead and what sits at each depth.
#pragma once

#include "swf/stage/display_object.h"

#include <map>

namespace swf::stage {

class MovieClip final : public DisplayObject {
public:
    using Children = std::map<int, std::unique_ptr<DisplayObject>>;

    // Shows frame 0 of timeline at once.
    MovieClip(const movie::Character* character, const movie::Timeline& timeline, const movie::MovieDefinition& movie);
    ~MovieClip() override;

    MovieClip* asClip() override { return this; }
    const MovieClip* asClip() const override { return this; }

    int currentFrame() const { return m_currentFrame; }
    int frameCount() const { return m_timeline.frameCount(); }
    const movie::Timeline& timeline() const { return m_timeline; }
    bool isPlaying() const { return m_playing; }
    void setPlaying(bool playing) { m_playing = playing; }
    const Children& children() const { return m_children; }

    // Shows frame (clamped). Forward runs the skipped frames' control tags; backward rebuilds
    // from the start. Objects that stay at their depth keep their identity and state.
    void gotoFrame(int frame);
    // A sprite's tick: its own playhead (looping at the end), then the children that were
    // already there. The root's playhead is driven by the player instead.
    void advance() override;
    // Advances the children created before the serial mark.
    void advanceChildren(quint64 serialMark);

private:
    void reconcile();

    const movie::Timeline& m_timeline;
    int m_currentFrame = -1;
    bool m_playing = true;
    movie::PlacementState m_state;
    Children m_children;
};

}  // namespace swf::stage
