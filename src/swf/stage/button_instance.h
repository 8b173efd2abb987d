// A button on the stage: the characters of its current state (up until input exists).
#pragma once

#include "swf/stage/display_object.h"

#include <map>

namespace swf::stage {

class ButtonInstance final : public DisplayObject {
  public:
    using Children = std::map<int, std::unique_ptr<DisplayObject>>;

    ButtonInstance(StageContext& context, const movie::ButtonCharacter& button,
                   const movie::MovieDefinition& movie);

    ButtonInstance* asButton() override { return this; }
    const ButtonInstance* asButton() const override { return this; }

    quint8 state() const { return m_state; }
    void setState(quint8 state); // one of format::ButtonState
    const Children& children() const { return m_children; }
    void advance() override;

  private:
    const movie::ButtonCharacter& m_button;
    quint8 m_state = 0;
    Children m_children;
};

} // namespace swf::stage
