// A sound of the movie's library (DefineSound), decoded on first use and kept decoded:
// a sound is usually started many times.
#pragma once

#include "swf/audio/mixer.h"
#include "swf/format/sounds.h"
#include "swf/movie/character.h"

namespace swf::movie {

struct SoundCharacter final : Character {
    SoundCharacter() : Character(CharacterKind::Sound) {}
    format::SoundDefinition sound;

    const audio::SoundRef& decoded() const;

  private:
    mutable audio::SoundRef m_decoded;
};

} // namespace swf::movie
