#include "swf/stage/text_field.h"

namespace swf::stage {

TextField::TextField(StageContext& context, const movie::Character* character,
                     const format::EditTextDefinition& definition, const movie::MovieDefinition& movie)
    : DisplayObject(context, character, movie), field(definition) {
    if (field.autoSize) autoSize = AutoSize::Left;
    context.fieldCreated();
}

TextField::~TextField() {
    context().fieldDestroyed();
}

} // namespace swf::stage
