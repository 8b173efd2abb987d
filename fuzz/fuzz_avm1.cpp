// libFuzzer target: raw action bytes into the script machine with a quiet host. The first
// byte picks the SWF version, so every version's conversions get exercised; the block runs
// twice (the second time over what the first left behind), then its timers fire.
#include "swf/avm1/host.h"
#include "swf/avm1/machine.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace swf::avm1;

constexpr qint64 kFuzzBudgetMs = 50;

class QuietHost : public Host {
  public:
    Object* rootClip = nullptr;
    void trace(const QString&) override {}
    double getTimer() override { return 0; }
    double randomUnit() override { return 0.25; }
    void scriptAborted(swf::avm1::AbortReason) override {}
    void getUrl(const QString&, const QString&, UrlMethod, bool, bool) override {}
    void gotoFrame(Target, int, bool) override {}
    bool gotoLabel(Target, const QString&, bool) override { return false; }
    void play(Target) override {}
    void stop(Target) override {}
    void nextFrame(Target) override {}
    void previousFrame(Target) override {}
    void toggleQuality() override {}
    void stopSounds() override {}
    int framesLoaded(Target) override { return 1; }
    int frameNumber(Target, const QString&) override { return -1; }
    void callFrame(Target, int) override {}
    Target resolveTarget(const QString& path, Target base) override {
        return path.isEmpty() ? base : rootClip;
    }
    QString targetPath(Target) override { return QStringLiteral("_level0"); }
    Value getProperty(Target, int) override { return Value(); }
    void setProperty(Target, int, const Value&) override {}
    void cloneSprite(Target, const QString&, int) override {}
    void removeSprite(Target) override {}
    void startDrag(Target, bool, bool, double, double, double, double) override {}
    void endDrag() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    QuietHost host;
    Machine machine(host, 3 + data[0] % 6);
    machine.setTimeBudgetMs(kFuzzBudgetMs);
    host.rootClip = machine.newClip(nullptr);
    host.rootClip->pin();
    const QByteArray block(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    machine.runActions(block, host.rootClip);
    machine.collect();
    machine.runActions(block, host.rootClip);
    // Intervals and timeouts the script set, called as the movie's clock passes them.
    machine.runTimers(1e9);
    return 0;
}
