// A movie that plays an FLV file through a NetStream, for the tests of NetStream's loading.
#pragma once

#include "action_assembler.h"

namespace avm1test {

// Its first frame plays clip.flv through a NetStream with onStatus(info) as given; frames
// more frames follow, to give it time.
QByteArray netStreamMovie(int version, int frameRate, const ActionAssembler& onStatus, int frames);

} // namespace avm1test
