// vantrel-render: plays a movie without a display on a virtual clock and writes what the
// stage shows. Used by people checking movies, by the corpus tests and for timing frames.
#include "swf/Player.h"
#include "swf/media/mixer.h"
#include "swf/media/sound_tape.h"
#include "swf/media/wav_writer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

void usage() {
    std::fprintf(
        stderr,
        "usage: vantrel-render MOVIE.swf [--frames N] [--png OUT.png] [--scale S] [--trace] [--bench]\n"
        "                      [--quality high|low] [--wav OUT.wav] [--date MS]\n"
        "                      [--code-page NAME]\n"
        "  --code-page reads the text of movies before SWF 6 in NAME (GB18030 by default).\n"
        "  --wav writes the sound of the frames run, mixed to 44.1 kHz 16-bit stereo.\n"
        "  --date holds the movie's calendar clock at MS milliseconds since 1970 UTC.\n");
}

struct Options {
    QString movie;
    int frames = 1;
    QString png;
    double scale = 1;
    bool trace = false;
    bool bench = false;
    swf::Quality quality = swf::Quality::High;
    QString wav;
    std::optional<double> date;
    QString codePage;
};

bool parse(const QStringList& args, Options& options) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        QString text;
        bool ok = true;
        if (arg == QLatin1String("--frames")) {
            if (!value(text)) return false;
            options.frames = text.toInt(&ok);
            if (!ok || options.frames < 1) return false;
        } else if (arg == QLatin1String("--png")) {
            if (!value(options.png)) return false;
        } else if (arg == QLatin1String("--scale")) {
            if (!value(text)) return false;
            options.scale = text.toDouble(&ok);
            if (!ok || options.scale <= 0 || options.scale > 16) return false;
        } else if (arg == QLatin1String("--trace")) {
            options.trace = true;
        } else if (arg == QLatin1String("--bench")) {
            options.bench = true;
        } else if (arg == QLatin1String("--quality")) {
            if (!value(text)) return false;
            if (text == QLatin1String("high"))
                options.quality = swf::Quality::High;
            else if (text == QLatin1String("low"))
                options.quality = swf::Quality::Low;
            else
                return false;
        } else if (arg == QLatin1String("--date")) {
            if (!value(text)) return false;
            options.date = text.toDouble(&ok);
            if (!ok) return false;
        } else if (arg == QLatin1String("--code-page")) {
            if (!value(options.codePage)) return false;
        } else if (arg == QLatin1String("--wav")) {
            if (!value(options.wav)) return false;
        } else if (arg.startsWith(QLatin1String("--")) || !options.movie.isEmpty()) {
            return false;
        } else {
            options.movie = arg;
        }
    }
    return !options.movie.isEmpty();
}

void renderInto(QImage& image, const swf::Player& player, double scale, swf::Quality quality) {
    QPainter painter(&image);
    const QRectF stage = player.stageRect();
    QTransform toDevice;
    toDevice.scale(scale / 20.0, scale / 20.0);
    toDevice.translate(-stage.x(), -stage.y());
    player.render(painter, toDevice, quality);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    swf::Player::prepareProcess();
    QGuiApplication app(argc, argv);
    Options options;
    if (!parse(app.arguments(), options)) {
        usage();
        return 2;
    }
    swf::Player player;
    player.setFixedDateMs(options.date);
    if (!options.codePage.isEmpty()) player.setCodePage(options.codePage.toLatin1());
    if (options.trace)
        player.setTraceHandler([](const QString& line) { std::printf("%s\n", qPrintable(line)); });
    if (!player.loadFile(options.movie)) {
        std::fprintf(stderr, "vantrel-render: %s: %s\n", qPrintable(options.movie),
                     qPrintable(player.errorText()));
        return 1;
    }
    if (player.hasFailed())
        std::fprintf(stderr, "vantrel-render: warning: %s\n", qPrintable(player.errorText()));
    for (const swf::Diagnostic& d : player.diagnostics())
        std::fprintf(stderr, "vantrel-render: tag %d at %lld (frame %d): %s\n", d.tagCode,
                     static_cast<long long>(d.offset), d.frame, qPrintable(d.message));

    const QSize size(qMax(1, qRound(player.stageSize().width() * options.scale)),
                     qMax(1, qRound(player.stageSize().height() * options.scale)));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    // The movie starts as it does in the player's control: a stop() on its first frame holds.
    player.setLoop(true);

    // The sound of each frame shown is mixed on the same virtual clock: 44100 / fps samples.
    swf::media::SoundTape sound(player.mixer(), player.frameRate());
    auto mixFrameSound = [&] {
        if (!options.wav.isEmpty()) sound.frameShown();
    };

    QElapsedTimer timer;
    timer.start();
    if (options.bench) renderInto(image, player, options.scale, options.quality);
    mixFrameSound();
    for (int shown = 1; shown < options.frames && !player.quitRequested(); ++shown) {
        player.advance();
        if (options.bench) renderInto(image, player, options.scale, options.quality);
        mixFrameSound();
    }
    if (!options.bench) renderInto(image, player, options.scale, options.quality);
    const double seconds = timer.nsecsElapsed() / 1e9;
    for (const swf::Diagnostic& d : player.playDiagnostics())
        std::fprintf(stderr, "vantrel-render: while playing: %s\n", qPrintable(d.message));

    if (!options.png.isEmpty() && !image.convertToFormat(QImage::Format_RGB32).save(options.png, "PNG")) {
        std::fprintf(stderr, "vantrel-render: cannot write %s\n", qPrintable(options.png));
        return 1;
    }
    if (!options.wav.isEmpty() && !swf::media::writeWav(options.wav, sound.samples())) {
        std::fprintf(stderr, "vantrel-render: cannot write %s\n", qPrintable(options.wav));
        return 1;
    }
    if (options.bench)
        std::printf("frames=%d seconds=%.3f fps=%.1f\n", options.frames, seconds,
                    seconds > 0 ? options.frames / seconds : 0.0);
    return 0;
}
