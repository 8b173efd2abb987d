#include "net_stream_movie.h"

#include "swf_builder.h"

namespace avm1test {

QByteArray netStreamMovie(int version, int frameRate, const ActionAssembler& onStatus, int frames) {
    swftest::SwfBuilder movie(version, QSize(100, 100), frameRate);
    ActionAssembler script(version,
                           "'nc' 0 'NetConnection' NewObject SetVariable null 1 $nc 'connect' "
                           "CallMethod Pop 'ns' $nc 1 'NetStream' NewObject SetVariable $ns 'onStatus'");
    script.defineFunction({}, {QStringLiteral("info")}, onStatus).op(ActionCode::SetMember);
    script.script("'clip.flv' 1 $ns 'play' CallMethod Pop");
    movie.doAction(script.bytes());
    for (int i = 0; i <= frames; ++i)
        movie.showFrame();
    return movie.finish();
}

} // namespace avm1test
