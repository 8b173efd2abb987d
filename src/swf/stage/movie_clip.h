// A timeline instance (the root or a sprite): its playhead and what sits at each depth.
#pragma once

#include "swf/stage/display_object.h"
#include "swf/stage/drawing.h"

#include <map>
#include <set>

namespace swf::stage {

class MovieClip final : public DisplayObject {
  public:
    using Children = std::map<int, std::unique_ptr<DisplayObject>>;

    // Shows frame 0 of timeline at once, unless told not to: a root goes on the stage first,
    // so what its first frame places finds it there.
    MovieClip(StageContext& context, const movie::Character* character, const movie::Timeline& timeline,
              const movie::MovieDefinition& movie, bool showFirstFrame = true);
    ~MovieClip() override;

    MovieClip* asClip() override { return this; }
    const MovieClip* asClip() const override { return this; }

    int currentFrame() const { return m_currentFrame; }
    int frameCount() const { return m_timeline->frameCount(); }
    const movie::Timeline& timeline() const { return *m_timeline; }
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

    // Children placed by scripts, at depths numbered like the timeline's (a script's depth
    // 0 is 16384). The depth must be free (see takeChild).
    DisplayObject* addScripted(int depth, std::unique_ptr<DisplayObject> child);
    // Takes child out of the depth list; null when it is not a child of this clip. Scripts
    // may remove a clip whose code is still running, so the caller decides when it dies.
    std::unique_ptr<DisplayObject> takeChild(const DisplayObject* child);
    DisplayObject* childAt(int depth) const;
    // -1 when child is not here.
    int depthOf(const DisplayObject* child) const;
    // Moves child to depth, trading places with what stood there.
    void swapDepth(const DisplayObject* child, int depth);

    // loadMovie and unloadMovie: the clip keeps its place, name and script object, and shows
    // another timeline (a loaded movie's, a picture's, or none) from its first frame on.
    // Its children leave through the frame observer, like those a timeline removes.
    void replaceContent(const movie::Timeline& timeline, const movie::MovieDefinition& movie);

    // Lines and fills drawn by the drawing methods, under the children.
    Drawing& drawing() { return m_drawing; }
    const Drawing& drawing() const { return m_drawing; }

  private:
    // removed: depths the frames passed going forward removed; rewound: the playhead went back.
    void reconcile(const std::set<int>& removed, bool rewound);

    const movie::Timeline* m_timeline;
    int m_currentFrame = -1;
    bool m_playing = true;
    // A timeline's child that a script moved or took away leaves its placement unused: the
    // timeline does not place it again until it replays from the start. By birth.
    void vacate(const DisplayObject& child);
    std::set<qint64> m_vacated;
    movie::PlacementState m_state;
    Children m_children;
    Drawing m_drawing;
};

} // namespace swf::stage
