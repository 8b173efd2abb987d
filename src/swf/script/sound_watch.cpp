// onSoundComplete: voices watched until they end.
#include "swf/script/sound_watch.h"
#include "swf/script/sound_port.h"

#include "swf/avm1/machine.h"

#include <vector>

namespace swf::script {

SoundWatch::~SoundWatch() {
    for (const auto& [voice, sound] : m_watched)
        sound->unpin();
}

void SoundWatch::watch(int voice, avm1::Object* sound) {
    // Bounded like timers; a voice started again by the same object replaces its entry.
    if (!sound || (m_watched.size() >= size_t(avm1::kMaxTimers) && !m_watched.count(voice))) return;
    sound->pin();
    const auto [at, added] = m_watched.try_emplace(voice, sound);
    if (!added) {
        at->second->unpin();
        at->second = sound;
    }
}

void SoundWatch::runCompletions() {
    std::vector<avm1::Object*> ended;
    for (auto it = m_watched.begin(); it != m_watched.end();) {
        if (m_port.voicePlaying(it->first)) {
            ++it;
            continue;
        }
        ended.push_back(it->second);
        it = m_watched.erase(it);
    }
    for (avm1::Object* sound : ended) {
        const avm1::Value handler =
            m_machine.getMember(avm1::Value(sound), QStringLiteral("onSoundComplete"));
        if (handler.asObject() && handler.asObject()->isFunction())
            m_machine.callFunction(handler, avm1::Value(sound), {});
        sound->unpin();
    }
}

} // namespace swf::script
