// libFuzzer target: any bytes, loaded as a movie, three frames played and drawn. Nothing
// may crash, hang or allocate without bound.
#include "swf/Player.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

namespace {
int g_argc = 1;
char g_name[] = "fuzz_load_render";
char* g_argv[] = {g_name, nullptr};
}  // namespace

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
    const double scale = stage.width() > 0 && stage.height() > 0 ? std::min(64 / stage.width(), 48 / stage.height()) : 1;
    for (int frame = 0; frame < 3; ++frame) {
        player.render(painter, QTransform::fromScale(scale, scale), frame == 1 ? swf::Quality::Low : swf::Quality::High);
        player.advance();
    }
    return 0;
}
