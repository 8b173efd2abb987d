// An instance of a character on the stage: where the timeline placed it and what it shows.
#pragma once

#include "swf/movie/character.h"
#include "swf/movie/timeline.h"
#include "swf/stage/stage_context.h"

#include <memory>
#include <optional>

namespace swf::movie {
class MovieDefinition;
}

namespace swf::stage {

class ButtonInstance;
class MovieClip;
class TextField;

// Scale and rotation as a script last set them: kept apart from the matrix because the
// matrix cannot tell -5% from 5% turned half round, and scripts read back what they set.
struct ScriptScale {
    double xScale = 100, yScale = 100, rotation = 0; // percent, percent, degrees
};

class DisplayObject {
  public:
    DisplayObject(StageContext& context, const movie::Character* character,
                  const movie::MovieDefinition& movie);
    virtual ~DisplayObject();
    DisplayObject(const DisplayObject&) = delete;
    DisplayObject& operator=(const DisplayObject&) = delete;

    const movie::Character* character() const { return m_character; }
    // Increases with each instance created: tells objects that arrived during a tick (which
    // do not advance in it) from those that were there before.
    quint64 serial() const { return m_serial; }
    StageContext& context() const { return *m_context; }
    const movie::MovieDefinition& movie() const { return *m_movie; }
    const movie::Placement& placement() const { return m_placement; }
    void setPlacement(const movie::Placement& placement) {
        if (!(placement.matrix == m_placement.matrix)) m_scriptScale.reset();
        m_placement = placement;
    }
    // A script that moves, scales, turns, fades or hides an instance takes those over from
    // the timeline, which from then on no longer changes them.
    bool scriptOwned() const { return m_scriptOwned; }
    void setScriptPlacement(const movie::Placement& placement) {
        m_placement = placement;
        m_scriptOwned = true;
    }

    const std::optional<ScriptScale>& scriptScale() const { return m_scriptScale; }
    void setScriptScale(const ScriptScale& scale) { m_scriptScale = scale; }

    // Made by a script (attachMovie, duplicateMovieClip...) or moved to another depth by one:
    // the timeline neither removes nor replaces it.
    bool scripted() const { return m_scripted; }
    void setScripted() { m_scripted = true; }

    // A box filled behind the object, set by a script; nullopt leaves it to the timeline.
    void setScriptBackground(std::optional<QRgb> color) {
        m_scriptBackground = color;
        m_backgroundByScript = true;
    }
    std::optional<QRgb> opaqueBackground() const {
        return m_backgroundByScript ? m_scriptBackground : m_placement.opaqueBackground;
    }

    // setMask: the object shows only where mask covers it. The mask is known by address and
    // serial, and is looked for on the stage when drawn, so one that left shows nothing wrong.
    void setScriptMask(const DisplayObject* mask) {
        m_scriptMask = mask;
        m_scriptMaskSerial = mask ? mask->serial() : 0;
    }
    const DisplayObject* scriptMask() const { return m_scriptMask; }
    quint64 scriptMaskSerial() const { return m_scriptMaskSerial; }

    // One tick of the movie's clock.
    virtual void advance() {}
    virtual MovieClip* asClip() { return nullptr; }
    virtual const MovieClip* asClip() const { return nullptr; }
    virtual TextField* asTextField() { return nullptr; }
    virtual const TextField* asTextField() const { return nullptr; }
    virtual ButtonInstance* asButton() { return nullptr; }
    virtual const ButtonInstance* asButton() const { return nullptr; }

  protected:
    // A clip that a loaded movie or picture replaces takes on that movie's library.
    void rebind(const movie::Character* character, const movie::MovieDefinition& movie) {
        m_character = character;
        m_movie = &movie;
    }

  private:
    StageContext* m_context;
    const movie::Character* m_character;
    const movie::MovieDefinition* m_movie;
    movie::Placement m_placement;
    bool m_scriptOwned = false;
    std::optional<QRgb> m_scriptBackground;
    bool m_backgroundByScript = false;
    const DisplayObject* m_scriptMask = nullptr;
    quint64 m_scriptMaskSerial = 0;
    bool m_scripted = false;
    std::optional<ScriptScale> m_scriptScale;
    quint64 m_serial;
};

std::unique_ptr<DisplayObject> createInstance(StageContext& context, const movie::Character* character,
                                              const movie::MovieDefinition& movie);

} // namespace swf::stage
