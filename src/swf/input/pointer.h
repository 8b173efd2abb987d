// The pointer over the stage: which button or clip it is over, and the passages of a button
// between its idle, over and pressed states as the pointer moves, presses and releases.
#pragma once

#include "swf/format/buttons.h"

#include <QPainterPath>
#include <QPointF>

#include <functional>
#include <unordered_map>
#include <vector>

namespace swf::movie {
class MovieDefinition;
struct Character;
struct ShapeCharacter;
struct ButtonCharacter;
} // namespace swf::movie
namespace swf::stage {
class DisplayObject;
class MovieClip;
class Stage;
class TextField;
} // namespace swf::stage

namespace swf::input {

// What the pointer tracker needs to know of scripts and tells them.
struct PointerClient {
    // A clip with press, release or roll handlers takes the pointer as a button does.
    std::function<bool(stage::MovieClip&)> clipTakesPointer;
    // A passage (format::ButtonTransition) of the button or clip under the pointer. For a
    // button, timeline is the clip it stands in; for a clip, timeline is the clip itself.
    std::function<void(stage::DisplayObject& target, stage::MovieClip& timeline, quint16 transition)>
        transition;
};

class PointerTracker {
  public:
    PointerTracker(const stage::Stage& stage, PointerClient client);

    // Stage coordinates in twips. Each call hit-tests the stage as it stands now.
    void moved(QPointF stageTwips);
    void pressed();
    void released();
    // The stage changed under a still pointer (a frame played): roll-overs follow it.
    void refresh() { moved(m_position); }

    // The pointer is over something that reacts to it: the hand cursor.
    bool overActive() const { return m_over.target != nullptr; }
    bool isDown() const { return m_down; }
    QPointF position() const { return m_position; }

    struct Hit {
        stage::DisplayObject* target = nullptr;
        stage::MovieClip* timeline = nullptr;
        quint64 serial = 0; // tells the target from a later object at the same address
    };
    // The topmost button, or clip taking the pointer, at the point: movies loaded into levels
    // above the root take it first.
    Hit hitTest(QPointF stageTwips);
    // The topmost input field whose box holds the point, or null.
    stage::TextField* inputFieldAt(QPointF stageTwips) const;
    // Every input field on the stage in the order Tab visits them (levels and depths upward).
    std::vector<stage::TextField*> inputFields() const;
    // Whether an object's drawn area holds the point (object coordinates, twips).
    bool covers(const stage::DisplayObject& object, QPointF local, int nesting = 0);

  private:
    Hit hitIn(stage::MovieClip& clip, const QTransform& toStage, QPointF stageTwips, int nesting);
    bool coversCharacter(const movie::MovieDefinition& movie, const movie::Character* character,
                         QPointF local, int nesting);
    bool buttonHitArea(const movie::MovieDefinition& movie, const movie::ButtonCharacter& button,
                       QPointF local, int nesting);
    // Targets may leave the stage between events; only those still on it are kept.
    void dropVanished();
    const QPainterPath& outline(const movie::ShapeCharacter& shape);
    const QPainterPath& outline(const stage::MovieClip& clip);
    void setOver(const Hit& hit);
    void send(const Hit& hit, quint16 transition);
    void updateLook(stage::DisplayObject* target, bool over);

    const stage::Stage& m_stage;
    PointerClient m_client;
    QPointF m_position;
    bool m_down = false;
    Hit m_over;    // what the pointer is over now
    Hit m_pressed; // what the press went to, until the release
    std::unordered_map<const movie::ShapeCharacter*, QPainterPath> m_outlines;
    std::unordered_map<quint64, std::pair<quint32, QPainterPath>> m_drawnOutlines; // by serial
};

} // namespace swf::input
