// The fuzz targets' seeds are inputs their code takes whole: movies that load and play
// without a complaint, scripts that run to their end, bitmaps and sounds that decode, text
// files that read, server answers whose movies load. A seed refused at its first bytes
// would leave its fuzzer to find the format by chance.
#include "fake_host.h"
#include "record_input.h"
#include "seeds.h"
#include "support/file_bytes.h"
#include "url_input.h"

#include "platform/profile.h"
#include "playlist/list_file.h"
#include "swf/Player.h"
#include "swf/format/bitmaps.h"
#include "swf/io/reader.h"
#include "swf/media/sound_format.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const fuzzseeds::SeedSets& seeds() {
    static const fuzzseeds::SeedSets sets =
        fuzzseeds::makeSeeds(QStandardPaths::findExecutable(QStringLiteral("lame")));
    return sets;
}

void addRows(const char* target) {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const auto found = seeds().find(QLatin1String(target));
    QVERIFY2(found != seeds().end() && !found->second.empty(), target);
    for (const fuzzseeds::Seed& seed : found->second)
        QTest::newRow(qPrintable(seed.name)) << seed.name << seed.bytes;
}

// Loads and plays a movie to its last frame; the problems it met, empty when none.
QStringList playWhole(const QByteArray& bytes, QStringList* traces = nullptr) {
    swf::Player player;
    if (traces) player.setTraceHandler([traces](const QString& line) { *traces << line; });
    if (!player.loadBytes(bytes)) return {player.errorText()};
    QStringList problems;
    if (!player.isComplete()) problems << QStringLiteral("not complete");
    if (player.framesLoaded() != player.totalFrames()) problems << QStringLiteral("frames missing");
    for (int i = 0; i < player.totalFrames(); ++i)
        player.advance();
    for (const swf::Diagnostic& diagnostic : player.diagnostics())
        problems << diagnostic.message;
    if (player.scriptFailure() != swf::avm1::AbortReason::None)
        problems << swf::avm1::describe(player.scriptFailure());
    return problems;
}

} // namespace

class FuzzSeedsTest : public QObject {
    Q_OBJECT

  private slots:
    void movies_data() { addRows("fuzz_load_render"); }
    void records_data() { addRows("fuzz_records"); }
    void scripts_data() { addRows("fuzz_avm1"); }
    void bitmaps_data() { addRows("fuzz_bitmaps"); }
    void sounds_data() { addRows("fuzz_sound"); }
    void settings_data() { addRows("fuzz_settings"); }
    void lists_data() { addRows("fuzz_list_file"); }
    void answers_data() { addRows("fuzz_url"); }

    void movies() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QStringList traces;
        QStringList problems = playWhole(bytes, &traces);
        // Codings the engine leaves silent are part of what the sound movie offers.
        if (name == QLatin1String("sounds.swf"))
            problems.removeIf([](const QString& p) { return p.contains(QLatin1String("coding 6")); });
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
        if (name == QLatin1String("scripts.swf")) QVERIFY(traces.contains(QStringLiteral("ready")));
        if (name == QLatin1String("sprites.swf")) QVERIFY(traces.contains(QStringLiteral("inner")));
    }

    void scripts() {
        QFETCH(QByteArray, bytes);
        avm1test::FakeHost host;
        swf::avm1::Machine machine(host, 3 + quint8(bytes[0]) % 6);
        host.attach(machine, {QStringLiteral("kid")});
        const swf::avm1::RunResult result = machine.runActions(bytes.mid(1), host.rootClip);
        QCOMPARE(int(result.status), int(swf::avm1::RunStatus::Completed));
        QVERIFY2(host.aborts.isEmpty(), qPrintable(swf::avm1::describe(host.aborts.value(0))));
        QVERIFY(!host.traces.isEmpty());
    }

    void bitmaps() {
        QFETCH(QByteArray, bytes);
        static const int kTags[] = {6, 21, 35, 20, 36, 90}; // the target's selector order
        const int tag = kTags[quint8(bytes[0]) % 6];
        swf::io::Reader input(QByteArrayView(bytes).sliced(1));
        QByteArray tables;
        if (tag == 6) tables = input.bytes(input.u16());
        swf::io::Reader body(input.peekRest());
        swf::format::BitmapData bitmap;
        QString problem;
        QVERIFY(swf::format::readBitmap(body, tag, tables, bitmap, problem));
        const QImage image = swf::format::decodeBitmap(bitmap, problem);
        QVERIFY2(!image.isNull(), qPrintable(problem));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY(image.width() >= 9 && image.height() >= 7);
    }

    void sounds() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const swf::media::SoundFormat format = swf::media::parseFormatByte(quint8(bytes[0]));
        const swf::media::PcmBuffer pcm = swf::media::decodeSound(format, QByteArrayView(bytes).sliced(2), 0);
        if (name == QLatin1String("nellymoser")) return;
        QVERIFY2(pcm.diagnostic.isEmpty(), qPrintable(pcm.diagnostic));
        // Each seed holds at least a twentieth of a second of sound.
        QVERIFY(pcm.frames() >= pcm.rate / 20 - 1);
    }

    void mp3WhenLameIsThere() {
        if (QStandardPaths::findExecutable(QStringLiteral("lame")).isEmpty()) QSKIP("lame is not installed");
        int mp3 = 0;
        for (const fuzzseeds::Seed& seed : seeds().at(QStringLiteral("fuzz_sound")))
            if (seed.name.startsWith(QLatin1String("mp3"))) ++mp3;
        QCOMPARE(mp3, 6);
    }

    void settings() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Vantrel.ini"));
        QVERIFY(writeBytes(path, bytes));
        // Every seed holds the zoom key or keys in GBK, where writes go in place.
        const bool zoom =
            !platform::readProfileString(QStringLiteral("zoom"), QStringLiteral("how"), QString(), path)
                 .value.isEmpty();
        const bool gbk = !platform::readProfileString(QStringLiteral("listfile"), QStringLiteral("savepath"),
                                                      QString(), path)
                              .value.isEmpty();
        QVERIFY(zoom || gbk);
    }

    void lists() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("l.vtl"));
        QVERIFY(writeBytes(path, bytes));
        const ListResult list = LoadList(path);
        QVERIFY(list.ok);
        QCOMPARE(list.entries.isEmpty(), name == QLatin1String("header_only"));
    }

    void answers() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const std::optional<fuzzurl::Answer> answer = fuzzurl::parse(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
        QVERIFY(answer);
        if (answer->status != 200 || (answer->flags & (fuzzurl::Compressed | fuzzurl::CutShort))) return;
        QVERIFY2(playWhole(answer->body).isEmpty(), qPrintable(name));
    }

    // Our own movies' tags are well formed: each record seed reads cleanly with its decoder.
    void records() {
        QFETCH(QByteArray, bytes);
        QVERIFY(bytes.size() >= 2);
        QVERIFY(fuzzrecords::decodeRecord(quint8(bytes[0]), 1 + quint8(bytes[1]) % 10, bytes.mid(2)));
    }
};

QTEST_MAIN(FuzzSeedsTest)
#include "fuzz_seeds_test.moc"
