// Characters of a movie's library, by kind. Each holds its decoded definition; instances on
// the stage point at them. Owned by the movie definition.
#pragma once

#include "swf/movie/timeline.h"

#include <QtGlobal>

namespace swf::movie {

enum class CharacterKind { Shape, MorphShape, Bitmap, Font, Text, EditText, Button, Sprite, Sound, Video, Other };

struct Character {
    explicit Character(CharacterKind k) : kind(k) {}
    virtual ~Character() = default;
    CharacterKind kind;
    quint16 id = 0;
};

struct SpriteCharacter final : Character {
    SpriteCharacter() : Character(CharacterKind::Sprite) {}
    Timeline timeline;
    int declaredFrameCount = 0;
};

}  // namespace swf::movie
