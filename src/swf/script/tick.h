// One turn of the scripts' frame protocol, the same for a frame, the movie's first frame and
// input: every script started during it shares one time budget, and at its end the clips
// scripts created are constructed, the unload handlers run and the jumps scripts asked for
// are made, once the walk of the stage is over.
#pragma once

#include "swf/script/script_host.h"

namespace swf::script {

class Tick {
  public:
    // No scripts (a movie still loading its first frame): the tick only walks the stage.
    explicit Tick(ScriptHost* scripts) : m_scripts(scripts) {
        if (m_scripts) m_scripts->machine().beginFrame();
    }
    ~Tick() { finish(); }
    Tick(const Tick&) = delete;
    Tick& operator=(const Tick&) = delete;

    // The pending work, then the budget ends; the destructor does it if nobody did.
    void finish() {
        if (!m_scripts || m_finished) return;
        m_finished = true;
        m_scripts->runPending();
        m_scripts->machine().endFrame();
    }

  private:
    ScriptHost* m_scripts;
    bool m_finished = false;
};

} // namespace swf::script
