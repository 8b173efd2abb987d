// The tag record decoders alone, each fed any body: the frame records the timeline keeps
// (PlaceObject 1 to 3, RemoveObject, StartSound, SoundStreamHead, DoInitAction,
// ExportAssets), the definitions (shapes, morphs, fonts, texts, edit texts, buttons), and the
// action record decoder walking a whole block (see record_input.h).
#include "record_input.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    fuzzrecords::decodeRecord(data[0], 1 + data[1] % 10,
                              QByteArray(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2)));
    return 0;
}
