#include "net_stream_movie.h"

#include "swf_builder.h"

namespace avm1test {

QByteArray netStreamMovie(int version, int frameRate, const ActionAssembler& onStatus, int frames) {
    swftest::SwfBuilder movie(version, QSize(100, 100), frameRate);
    ActionAssembler script(version);
    script.push({"nc", 0, "NetConnection"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
    script.push({PushValue::null(), 1, "nc"}).op(ActionCode::GetVariable).push({"connect"});
    script.op(ActionCode::CallMethod).op(ActionCode::Pop);
    script.push({"ns", "nc"}).op(ActionCode::GetVariable).push({1, "NetStream"}).op(ActionCode::NewObject);
    script.op(ActionCode::SetVariable);
    script.push({"ns"}).op(ActionCode::GetVariable).push({"onStatus"});
    script.defineFunction({}, {QStringLiteral("info")}, onStatus).op(ActionCode::SetMember);
    script.push({"clip.flv", 1, "ns"}).op(ActionCode::GetVariable).push({"play"});
    script.op(ActionCode::CallMethod).op(ActionCode::Pop);
    movie.doAction(script.bytes());
    for (int i = 0; i <= frames; ++i)
        movie.showFrame();
    return movie.finish();
}

} // namespace avm1test
