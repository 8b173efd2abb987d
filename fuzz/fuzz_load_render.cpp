// libFuzzer target: any bytes, loaded as a movie, five frames played, drawn and heard, with
// the pointer and a key on its buttons. Nothing may crash, hang or allocate without bound.
#include "swf/Player.h"
#include "swf/media/mixer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {
int g_argc = 1;
char g_name[] = "fuzz_load_render";
char* g_argv[] = {g_name, nullptr};

constexpr int kFrames = 5;
// The output pulls a frame's worth of sound; a movie claiming 0.01 fps must not make one
// pull cost seconds, and a fast one still gets a few samples per frame.
constexpr int kMaxPullFrames = 4096;
constexpr int kMinPullFrames = 64;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(g_argc, g_argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    swf::Player player;
    // Endless script loops are stopped by the budget; at the player's 15 s an input would
    // be a "hang" to the fuzzer before the budget is ever reached.
    player.setScriptTimeBudgetMs(500);
    player.loadBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!player.isLoaded()) return 0;
    // Small picture whatever the stage claims: the engine must cope with any stage size.
    QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    const QRectF stage = player.stageRect();
    const double scale =
        stage.width() > 0 && stage.height() > 0 ? std::min(64 / stage.width(), 48 / stage.height()) : 1;
    // Without an audio device nothing drains the mixer; pull it by hand as the output
    // would, so the sounds the frames start are decoded, resampled and mixed.
    const int pull = std::clamp(int(swf::media::Mixer::kRate / std::max(0.01, player.frameRate())),
                                kMinPullFrames, kMaxPullFrames);
    std::vector<qint16> sound(std::size_t(pull) * 2);
    for (int frame = 0; frame < kFrames; ++frame) {
        player.render(painter, QTransform::fromScale(scale, scale),
                      frame == 1 ? swf::Quality::Low : swf::Quality::High);
        // The pointer crosses the stage's centre and clicks there; a key goes down and up:
        // buttons change state and run their actions, clip events fire.
        switch (frame) {
        case 1:
            player.pointerMoved(stage.center());
            break;
        case 2:
            player.pointerPressed();
            break;
        case 3:
            player.pointerReleased();
            player.keyPressed(37, 0);
            break;
        case 4:
            player.keyReleased(37, 0);
            player.pointerMoved(stage.topLeft());
            break;
        default:
            break;
        }
        player.advance();
        player.mixer().mix(sound.data(), pull);
    }
    return 0;
}
