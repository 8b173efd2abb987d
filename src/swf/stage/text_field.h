// A text field on the stage: it starts as its DefineEditText (or as a field a script made)
// and keeps its own copy, which scripts change and the renderer draws.
#pragma once

#include "swf/format/edit_text.h"
#include "swf/stage/display_object.h"

namespace swf::stage {

enum class AutoSize { None, Left, Center, Right };

class TextField final : public DisplayObject {
  public:
    // character may be null for a field a script created.
    TextField(StageContext& context, const movie::Character* character,
              const format::EditTextDefinition& field, const movie::MovieDefinition& movie);
    ~TextField() override;

    TextField* asTextField() override { return this; }
    const TextField* asTextField() const override { return this; }

    format::EditTextDefinition field;
    AutoSize autoSize = AutoSize::None;
};

} // namespace swf::stage
