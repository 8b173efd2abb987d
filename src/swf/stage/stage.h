// The stage of one player: the root timeline and the movies loaded into levels above it,
// which the player advances, the renderer draws and the pointer hits, with what input does
// to them between events (the pointer's place, the clip being dragged, the focused clip).
#pragma once

#include "swf/stage/movie_clip.h"
#include "swf/stage/stage_context.h"
#include "swf/stage/text_field.h"

#include <QPointF>
#include <QRectF>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace swf::stage {

// A clip as scripts and input keep it between events: by serial, which no later object
// ever takes, so a clip that left the stage is never taken for a newcomer at its address.
class ClipHandle {
  public:
    ClipHandle() = default;
    explicit ClipHandle(const MovieClip* clip) : m_serial(clip ? clip->serial() : 0) {}
    MovieClip* get(const StageContext& context) const {
        return m_serial ? context.liveClip(m_serial) : nullptr;
    }
    quint64 serial() const { return m_serial; }
    explicit operator bool() const { return m_serial != 0; }
    bool operator==(const ClipHandle&) const = default;

  private:
    quint64 m_serial = 0;
};

class Stage {
  public:
    explicit Stage(StageContext& context) : m_context(context) {}
    ~Stage() { clear(); }
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    StageContext& context() const { return m_context; }

    // Level 0.
    MovieClip* root() const { return m_root.get(); }
    void setRoot(std::unique_ptr<MovieClip> root) { m_root = std::move(root); }
    // The root, then every level; the levels first, since they may show libraries that go
    // with whoever loaded them.
    void clear() {
        clearLevels();
        m_root.reset();
        m_drag.reset();
        m_focus = {};
        m_focusField = 0;
        m_dropTargets.clear();
    }

    // Level n; 0 is the root.
    MovieClip* level(int n) const {
        if (n == 0) return m_root.get();
        const auto found = m_levels.find(n);
        return found == m_levels.end() ? nullptr : found->second.get();
    }
    // A movie loaded into level n > 0, in place of the one there.
    void setLevel(int n, std::unique_ptr<MovieClip> clip) { m_levels[n] = std::move(clip); }
    std::unique_ptr<MovieClip> takeLevel(int n) {
        const auto found = m_levels.find(n);
        if (found == m_levels.end()) return nullptr;
        std::unique_ptr<MovieClip> clip = std::move(found->second);
        m_levels.erase(found);
        return clip;
    }
    void clearLevels() { m_levels.clear(); }
    bool hasLevels() const { return !m_levels.empty(); }
    // The level a clip is the top of, or -1.
    int levelOf(const MovieClip& clip) const {
        if (&clip == m_root.get()) return 0;
        for (const auto& [n, level] : m_levels)
            if (level.get() == &clip) return n;
        return -1;
    }
    // Movies loaded into levels above the root, lowest first. The stage keeps the root's
    // colour: a level's own SetBackgroundColor does not reach it.
    std::vector<MovieClip*> levelsAbove() const {
        std::vector<MovieClip*> clips;
        clips.reserve(m_levels.size());
        for (const auto& [n, level] : m_levels)
            clips.push_back(level.get());
        return clips;
    }
    // The root (when there is one), then the levels above it.
    std::vector<MovieClip*> all() const {
        std::vector<MovieClip*> clips;
        if (m_root) clips.push_back(m_root.get());
        for (const auto& [n, level] : m_levels)
            clips.push_back(level.get());
        return clips;
    }

    // Where the pointer is, in stage twips.
    QPointF pointer() const { return m_pointer; }
    void setPointer(QPointF stageTwips) { m_pointer = stageTwips; }

    // The clip startDrag took, where it sat against the pointer, and the rectangle it is
    // kept in (its parent's twips).
    struct Drag {
        ClipHandle clip;
        QPointF offset;
        bool constrain = false;
        QRectF bounds;
    };
    const std::optional<Drag>& drag() const { return m_drag; }
    void setDrag(std::optional<Drag> drag) { m_drag = std::move(drag); }
    MovieClip* dragged() const { return m_drag ? m_drag->clip.get(m_context) : nullptr; }

    // The clip keys and the focus rectangle go to.
    MovieClip* focus() const { return m_focus.get(m_context); }
    void setFocus(const MovieClip* clip) { m_focus = ClipHandle(clip); }

    // The input field typing goes to (the user clicked or tabbed into it); none when the
    // field has left the stage.
    TextField* focusField() const { return m_focusField ? m_context.liveField(m_focusField) : nullptr; }
    void setFocusField(const TextField* field) { m_focusField = field ? field->serial() : 0; }

    // _droptarget: the slash path of what lay under a clip when its drag ended.
    QString dropTarget(const MovieClip& clip) const {
        const auto found = m_dropTargets.find(clip.serial());
        return found == m_dropTargets.end() ? QString() : found->second;
    }
    void setDropTarget(const MovieClip& clip, const QString& path) {
        // Each finished drag adds one; a movie dragging many clips for hours stays bounded.
        if (m_dropTargets.size() > 4096) m_dropTargets.clear();
        m_dropTargets[clip.serial()] = path;
    }

  private:
    StageContext& m_context;
    std::unique_ptr<MovieClip> m_root;
    std::map<int, std::unique_ptr<MovieClip>> m_levels;
    QPointF m_pointer;
    std::optional<Drag> m_drag;
    ClipHandle m_focus;
    quint64 m_focusField = 0;
    std::unordered_map<quint64, QString> m_dropTargets;
};

} // namespace swf::stage
