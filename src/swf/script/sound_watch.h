// Sound objects waiting for their voice to end, for onSoundComplete.
#pragma once

#include <map>

namespace swf::avm1 {
class Machine;
class Object;
} // namespace swf::avm1

namespace swf::script {

class SoundPort;

class SoundWatch {
  public:
    SoundWatch(avm1::Machine& machine, SoundPort& port) : m_machine(machine), m_port(port) {}
    ~SoundWatch();
    SoundWatch(const SoundWatch&) = delete;
    SoundWatch& operator=(const SoundWatch&) = delete;

    // sound hears when voice ends; the object is kept alive until then.
    void watch(int voice, avm1::Object* sound);
    // Voices that ended since the last call: their objects' onSoundComplete.
    void runCompletions();

  private:
    avm1::Machine& m_machine;
    SoundPort& m_port;
    std::map<int, avm1::Object*> m_watched; // pinned while their voice plays
};

} // namespace swf::script
