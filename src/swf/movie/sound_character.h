// A sound of the movie's library (DefineSound), decoded on first use and kept decoded:
// a sound is usually started many times.
#pragma once

#include "swf/format/sounds.h"
#include "swf/media/mixer.h"
#include "swf/movie/character.h"

namespace swf::movie {

struct SoundCharacter final : Character {
    SoundCharacter() : Character(CharacterKind::Sound) {}
    format::SoundDefinition sound;

    const media::SoundRef& decoded() const;

  private:
    mutable media::SoundRef m_decoded;
};

} // namespace swf::movie
