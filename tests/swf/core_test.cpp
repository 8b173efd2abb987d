// Loading, header, progressive arrival and the root playhead of the movie engine.
#include "render_check.h"
#include "support/file_bytes.h"
#include "swf/Player.h"
#include "swf/format/control_tags.h"
#include "swf/format/fonts.h"
#include "swf/format/text_encoding.h"
#include "swf/movie/load_error.h"
#include "swf/movie/movie_loader.h"
#include "swf/stage/movie_clip.h"
#include "swf_builder.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using swf::movie::LoadError;
using swftest::Compression;

Q_DECLARE_METATYPE(swftest::Compression)

namespace {

// A movie of frameCount frames; frame i moves a red square to x = 10 * i.
QByteArray countingMovie(int frameCount, Compression compression = Compression::None, double fps = 24) {
    SwfBuilder b(10, QSize(200, 100), fps);
    b.setBackground(QColor(10, 20, 30));
    const int square = b.defineRect(QRectF(0, 0, 20, 20), Qt::red);
    b.place(1, square);
    b.showFrame();
    for (int i = 1; i < frameCount; ++i) {
        b.move(1, QTransform::fromTranslate(10 * i, 0));
        b.showFrame();
    }
    return b.finish(compression);
}

} // namespace

class SwfCoreTest : public QObject {
    Q_OBJECT

  private slots:
    void header_data() {
        QTest::addColumn<Compression>("compression");
        QTest::addColumn<int>("version");
        QTest::newRow("plain v1") << Compression::None << 1;
        QTest::newRow("plain v5") << Compression::None << 5;
        QTest::newRow("zlib v6") << Compression::Zlib << 6;
        QTest::newRow("zlib v10") << Compression::Zlib << 10;
        QTest::newRow("lzma v10") << Compression::Lzma << 10;
    }

    void header() {
        QFETCH(Compression, compression);
        QFETCH(int, version);
        SwfBuilder b(version, QSize(320, 240), 12.5);
        b.setBackground(QColor(0x33, 0x66, 0x99));
        b.defineRect(QRectF(0, 0, 10, 10), Qt::green, 1);
        b.showFrame(7);
        swf::Player player;
        QVERIFY2(player.loadBytes(b.finish(compression)), qPrintable(player.errorText()));
        QVERIFY(player.isLoaded());
        QVERIFY(player.isComplete());
        QVERIFY(!player.hasFailed());
        QCOMPARE(player.version(), version);
        QCOMPARE(player.stageSize(), QSize(320, 240));
        QCOMPARE(player.stageRect(), QRectF(0, 0, 6400, 4800));
        QCOMPARE(player.frameRate(), 12.5);
        QCOMPARE(player.totalFrames(), 7);
        QCOMPARE(player.framesLoaded(), 7);
        QCOMPARE(player.backgroundColor(), QColor(0x33, 0x66, 0x99));
        QCOMPARE(player.currentFrame(), 0);
    }

    void zeroFrameRateGetsDefault() {
        swf::Player player;
        QVERIFY(player.loadBytes(countingMovie(2, Compression::None, 0)));
        QVERIFY(player.frameRate() > 0);
    }

    void playsAndLoops_data() {
        QTest::addColumn<bool>("loop");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("expectedFrame");
        QTest::addColumn<bool>("expectedPlaying");
        QTest::newRow("middle") << true << 3 << 3 << true;
        QTest::newRow("loop wraps to 0") << true << 5 << 0 << true;
        QTest::newRow("loop wraps again") << true << 12 << 2 << true;
        QTest::newRow("no loop stops on last") << false << 9 << 4 << false;
    }

    void playsAndLoops() {
        QFETCH(bool, loop);
        QFETCH(int, ticks);
        QFETCH(int, expectedFrame);
        QFETCH(bool, expectedPlaying);
        swf::Player player;
        QVERIFY(player.loadBytes(countingMovie(5)));
        player.setLoop(loop);
        player.play();
        for (int i = 0; i < ticks; ++i)
            player.advance();
        QCOMPARE(player.currentFrame(), expectedFrame);
        QCOMPARE(player.isPlaying(), expectedPlaying);
    }

    void gotoClampsAndKeepsPlayingState() {
        swf::Player player;
        QVERIFY(player.loadBytes(countingMovie(10)));
        player.stop();
        player.gotoFrame(6);
        QCOMPARE(player.currentFrame(), 6);
        QVERIFY(!player.isPlaying());
        player.gotoFrame(500);
        QCOMPARE(player.currentFrame(), 9);
        player.gotoFrame(-3);
        QCOMPARE(player.currentFrame(), 0);
        player.advance();
        QCOMPARE(player.currentFrame(), 0); // stopped: a tick does not move the playhead
    }

    void gotoBackwardMatchesPlaying() {
        // Depth 1 is replaced by a new object at frame 40 and removed at 90; gotos across those
        // points, backward and forward, must leave the same depth list that playing there leaves.
        SwfBuilder b(8, QSize(100, 100), 24);
        const int a = b.defineRect(QRectF(0, 0, 5, 5), Qt::red);
        const int c = b.defineRect(QRectF(0, 0, 5, 5), Qt::blue);
        b.place(1, a);
        b.place(2, c);
        for (int i = 0; i < 120; ++i) {
            if (i == 40) {
                b.remove(1);
                b.place(1, c, QTransform::fromTranslate(3, 3));
            }
            if (i == 90) b.remove(2);
            if (i > 0) b.move(1, QTransform::fromTranslate(i, 2 * i));
            b.showFrame();
        }
        swf::movie::MovieLoader loader;
        QVERIFY(loader.append(b.finish()));
        loader.finish();
        QVERIFY(loader.complete());
        const auto& definition = loader.definition();
        auto describe = [](const swf::stage::MovieClip& clip) {
            QStringList parts;
            for (const auto& [depth, object] : clip.children())
                parts << QStringLiteral("%1:%2@%3,%4#%5")
                             .arg(depth)
                             .arg(object->placement().characterId)
                             .arg(object->placement().matrix.tx)
                             .arg(object->placement().matrix.ty)
                             .arg(object->placement().birth);
            return parts.join(' ');
        };
        swf::stage::StageContext context;
        for (int target : {0, 5, 39, 40, 41, 64, 89, 90, 119, 33, 0}) {
            swf::stage::MovieClip played(context, nullptr, definition.root, definition);
            for (int i = 1; i <= target; ++i)
                played.gotoFrame(i);
            swf::stage::MovieClip jumped(context, nullptr, definition.root, definition);
            jumped.gotoFrame(119);
            jumped.gotoFrame(target);
            QCOMPARE(describe(jumped), describe(played));
            jumped.gotoFrame(0);
            jumped.gotoFrame(target); // forward from the start
            QCOMPARE(describe(jumped), describe(played));
        }
    }

    // A move that names another character swaps pictures for pictures only; a sprite keeps its

    // identity (and a picture does not become a sprite), while the move itself still applies.

    void replacingTheCharacterAtADepth_data() {
        QTest::addColumn<bool>("firstIsSprite");
        QTest::addColumn<bool>("secondIsSprite");
        QTest::addColumn<bool>("swapped");
        QTest::newRow("shape by shape") << false << false << true;
        QTest::newRow("sprite by sprite") << true << true << false;
        QTest::newRow("sprite by shape") << true << false << false;
        QTest::newRow("shape by sprite") << false << true << false;
    }

    void replacingTheCharacterAtADepth() {
        QFETCH(bool, firstIsSprite);
        QFETCH(bool, secondIsSprite);
        QFETCH(bool, swapped);
        SwfBuilder b(6, QSize(100, 100), 24);
        auto define = [&b](bool sprite, const QColor& color) {
            const int shape = b.defineRect(QRectF(0, 0, 5, 5), color);
            if (!sprite) return shape;
            SwfBuilder inner(6);
            inner.place(1, shape);
            inner.showFrame();
            return b.defineSprite(inner);
        };
        const int first = define(firstIsSprite, Qt::red);
        const int second = define(secondIsSprite, Qt::blue);
        b.place(1, first);
        b.showFrame();
        swftest::Place replace;
        replace.characterId = second;
        replace.move = true;
        replace.matrix = QTransform::fromTranslate(7, 0);
        b.place(replace);
        b.showFrame();
        b.showFrame();
        swf::movie::MovieLoader loader;
        QVERIFY(loader.append(b.finish()));
        loader.finish();
        const auto& definition = loader.definition();
        swf::stage::StageContext context;
        swf::stage::MovieClip root(context, nullptr, definition.root, definition);
        for (int frame : {1, 2, 0, 2}) { // played into, then reached again by a goto back and forth
            root.gotoFrame(frame);
            if (frame == 0) continue;
            const auto& object = *root.children().at(1);
            QCOMPARE(int(object.character()->id), swapped ? second : first);
            QCOMPARE(object.placement().matrix.tx, 140);
        }
    }

    void progressiveLoad_data() {
        QTest::addColumn<Compression>("compression");
        QTest::addColumn<int>("chunk");
        QTest::newRow("plain, 1-byte chunks") << Compression::None << 1;
        QTest::newRow("plain, 37-byte chunks") << Compression::None << 37;
        QTest::newRow("zlib, 1-byte chunks") << Compression::Zlib << 1;
        QTest::newRow("zlib, 50-byte chunks") << Compression::Zlib << 50;
        QTest::newRow("lzma, 3-byte chunks") << Compression::Lzma << 3;
    }

    void progressiveLoad() {
        QFETCH(Compression, compression);
        QFETCH(int, chunk);
        const QByteArray movie = countingMovie(30, compression);
        swf::Player player;
        player.beginStream(QStringLiteral("http://example.com/m.swf"));
        player.play();
        int lastLoaded = 0;
        bool sawPartial = false;
        for (qsizetype at = 0; at < movie.size(); at += chunk) {
            QVERIFY(player.appendBytes(movie.mid(at, chunk)));
            QVERIFY(player.framesLoaded() >= lastLoaded);
            lastLoaded = player.framesLoaded();
            if (player.isLoaded()) {
                QCOMPARE(player.totalFrames(), 30);
                sawPartial = sawPartial || lastLoaded < 30;
                player.advance();
                QVERIFY(player.currentFrame() < player.framesLoaded());
            }
        }
        player.endStream();
        QVERIFY(sawPartial);
        QVERIFY(player.isComplete());
        QVERIFY(!player.hasFailed());
        QCOMPARE(player.framesLoaded(), 30);
    }

    // The loader lets go of bytes it has read; a movie of several megabytes arriving in pieces

    // must still give the same frames, pictures and diagnostics (with their file offsets).

    void largeMovieInChunks() {
        SwfBuilder b(8, QSize(200, 100), 24);
        QImage noise(300, 300, QImage::Format_RGB32);
        quint32 seed = 1;
        for (int frame = 0; frame < 8; ++frame) {
            for (int y = 0; y < noise.height(); ++y)
                for (int x = 0; x < noise.width(); ++x)
                    noise.setPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
            swftest::ShapeBuilder shape;
            shape.rectangle(QRectF(0, 0, 200, 100),
                            shape.addBitmapFill(b.defineBitsLossless(noise, false), QTransform()));
            b.place(1 + frame % 2, b.defineShape(shape, 3), QTransform::fromTranslate(frame * 3, 0));
            if (frame == 6) b.rawTag(2, QByteArray("\x7f\x00\xff", 3)); // a shape cut short
            b.showFrame();
        }
        const QByteArray movie = b.finish(Compression::Zlib);
        QVERIFY(movie.size() > 2 * 1024 * 1024);
        swf::Player whole;
        QVERIFY(whole.loadBytes(movie));
        swf::Player pieces;
        pieces.beginStream(QStringLiteral("http://example.com/big.swf"));
        for (qsizetype at = 0; at < movie.size(); at += 4096)
            QVERIFY(pieces.appendBytes(movie.mid(at, 4096)));
        pieces.endStream();
        QVERIFY(pieces.isComplete());
        QCOMPARE(pieces.framesLoaded(), 8);
        QVERIFY(!whole.diagnostics().empty());
        QCOMPARE(pieces.diagnostics().size(), whole.diagnostics().size());
        for (size_t i = 0; i < whole.diagnostics().size(); ++i)
            QCOMPARE(pieces.diagnostics()[i].offset, whole.diagnostics()[i].offset);
        for (int frame : {0, 5, 7}) {
            whole.gotoFrame(frame);
            pieces.gotoFrame(frame);
            QCOMPARE(swftest::render(pieces), swftest::render(whole));
        }
    }

    void damagedInput_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<LoadError>("error");
        QTest::addColumn<bool>("loaded");
        const QByteArray good = countingMovie(4);
        const QByteArray zlib = countingMovie(40, Compression::Zlib);
        const QByteArray plain40 = countingMovie(40);
        const QByteArray brokenZlib = SwfBuilder::withBrokenZlib(plain40, plain40.size() / 2);
        QByteArray hugeTag = good.left(good.size() - 2); // drop End
        hugeTag += swftest::tagHeader(2, 0x7ffffff0, true) + QByteArray(16, 'x');
        QTest::newRow("empty") << QByteArray() << LoadError::EmptyFile << false;
        QTest::newRow("text file") << QByteArray("hello, this is not a movie") << LoadError::NotAMovie
                                   << false;
        QTest::newRow("png") << QByteArray("\x89PNG\r\n\x1a\n0000", 12) << LoadError::NotAMovie << false;
        QTest::newRow("FWX signature") << QByteArray("FWX\x08\x10\0\0\0", 8) << LoadError::NotAMovie << false;
        QTest::newRow("two bytes") << QByteArray("FW") << LoadError::Truncated << false;
        QTest::newRow("header only") << good.left(12) << LoadError::Truncated << false;
        QTest::newRow("absurd declared size")
            << SwfBuilder::withDeclaredLength(good, 0xFFFFFFF0u) << LoadError::AbsurdSize << false;
        QTest::newRow("absurd zlib size")
            << SwfBuilder::withDeclaredLength(zlib, 0x7FFFFFFFu) << LoadError::AbsurdSize << false;
        QTest::newRow("corrupt zlib") << brokenZlib << LoadError::BadCompression << true;
        QTest::newRow("tag longer than anything") << hugeTag << LoadError::Damaged << true;
        QTest::newRow("program without a movie")
            << QByteArray("MZ\x90\0 just a program", 20) << LoadError::ProjectorWithoutMovie << false;
    }

    void damagedInput() {
        QFETCH(QByteArray, bytes);
        QFETCH(LoadError, error);
        QFETCH(bool, loaded);
        swf::Player player;
        QCOMPARE(player.loadBytes(bytes), loaded);
        QCOMPARE(player.isLoaded(), loaded);
        QVERIFY(player.hasFailed());
        QVERIFY(!player.isComplete());
        QCOMPARE(player.loadError(), error);
        // Whatever did load keeps playing and drawing without trouble.
        for (int i = 0; i < 50; ++i)
            player.advance();
        QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        player.render(painter, QTransform::fromScale(0.05, 0.05), swf::Quality::High);
    }

    void truncatedMoviePlaysWhatArrived() {
        const QByteArray movie = countingMovie(20);
        swf::movie::MovieLoader probe;
        QVERIFY(probe.append(movie.left(movie.size() * 2 / 3)));
        const int arrived = probe.framesLoaded();
        QVERIFY(arrived > 1 && arrived < 20);

        swf::Player player;
        QVERIFY(player.loadBytes(movie.left(movie.size() * 2 / 3)));
        QCOMPARE(player.loadError(), LoadError::Truncated);
        QCOMPARE(player.framesLoaded(), arrived);
        QCOMPARE(player.totalFrames(), 20);
        player.setLoop(false);
        for (int i = 0; i < 40; ++i)
            player.advance();
        QCOMPARE(player.currentFrame(), arrived - 1);
        QVERIFY(!player.isPlaying());
    }

    // What a file is decides, not only its bytes: a projector's movie plays, an authoring file
    // is refused even where its bytes would play, and a file address counts as its path.
    void loadsFiles_data() {
        QTest::addColumn<QString>("name"); // empty: none is written
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("asUrl");
        QTest::addColumn<LoadError>("error");
        QTest::addColumn<int>("frames");
        QTest::newRow("projector") << "影片 player.exe"
                                   << SwfBuilder::asProjector(countingMovie(6, Compression::Zlib)) << false
                                   << LoadError::None << 6;
        QTest::newRow("file address")
            << "my flash movie.swf" << countingMovie(3, Compression::Lzma) << true << LoadError::None << 3;
        QTest::newRow("missing") << QString() << QByteArray() << false << LoadError::FileMissing << 0;
        QTest::newRow("empty") << "empty.swf" << QByteArray() << false << LoadError::EmptyFile << 0;
        QTest::newRow("a folder") << "folder.swf" << QByteArray() << false << LoadError::FileUnreadable << 0;
        QTest::newRow("authoring file")
            << "scene.FLA" << countingMovie(2) << false << LoadError::AuthoringFile << 0;
        QTest::newRow("old authoring file")
            << "old.fla" << QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(512, 0) << false
            << LoadError::AuthoringFile << 0;
    }

    void loadsFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, asUrl);
        QFETCH(LoadError, error);
        QFETCH(int, frames);
        QTemporaryDir dir;
        QString path = dir.filePath(name.isEmpty() ? QStringLiteral("absent.swf") : name);
        if (name == QLatin1String("folder.swf"))
            QVERIFY(QDir(dir.path()).mkdir(name));
        else if (!name.isEmpty())
            QVERIFY(writeBytes(path, bytes));
        if (asUrl) path = QUrl::fromLocalFile(path).toString();
        swf::Player player; // holding a movie, to see a failed load let go of it
        QVERIFY(player.loadBytes(countingMovie(2)));
        QCOMPARE(player.loadFile(path), error == LoadError::None);
        QCOMPARE(player.loadError(), error);
        QCOMPARE(player.isLoaded(), frames > 0);
        QCOMPARE(player.hasFailed(), error != LoadError::None);
        if (frames > 0) QCOMPARE(player.framesLoaded(), frames);
    }

    // A projector arriving piecemeal is read once it is all in.
    void projectorArrivingInPieces() {
        const QByteArray exe = SwfBuilder::asProjector(countingMovie(3));
        swf::Player player;
        player.beginStream(QStringLiteral("http://example.com/p.exe"));
        for (qsizetype at = 0; at < exe.size(); at += 1000)
            QVERIFY(player.appendBytes(exe.mid(at, 1000)));
        QVERIFY(!player.isLoaded());
        player.endStream();
        QVERIFY(player.isComplete());
        QCOMPARE(player.framesLoaded(), 3);
    }

    // Tags of kinds the engine does not know, short and long, between frames; and an LZMA header
    // asking for a 4 GiB window, which a movie this small never needs and a hostile one must
    // not get.
    void loadsWhole_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<int>("frames");
        SwfBuilder b(10, QSize(100, 100), 24);
        b.showFrame();
        b.rawTag(200, QByteArray(5, '\x01'));
        b.rawTag(1000, QByteArray(300, '\x02'), true);
        b.showFrame();
        QTest::newRow("unknown tags") << b.finish() << 2;
        QByteArray lzma = countingMovie(5, Compression::Lzma);
        lzma.replace(13, 4, QByteArray(4, char(0xff)));
        QTest::newRow("LZMA window of 4 GiB") << lzma << 5;
    }

    void loadsWhole() {
        QFETCH(QByteArray, movie);
        QFETCH(int, frames);
        swf::Player player;
        QVERIFY2(player.loadBytes(movie), qPrintable(player.errorText()));
        QVERIFY(player.isComplete());
        QCOMPARE(player.framesLoaded(), frames);
    }

    void movieStrings_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("codePage");
        QTest::addColumn<QString>("text");
        // Old movies carry the author's code page, which the user chooses; from version 6 on, UTF-8
        // whatever the choice.
        const QByteArray gbk = swf::format::kDefaultCodePage;
        QTest::newRow("GBK in version 5")
            << QByteArray::fromHex("D6D0CEC4") << 5 << gbk << QStringLiteral("中文");
        QTest::newRow("ASCII in version 4") << QByteArray("stop") << 4 << gbk << QStringLiteral("stop");
        QTest::newRow("Big5 in version 5")
            << QByteArray::fromHex("A4A4A4E5") << 5 << QByteArray("Big5") << QStringLiteral("中文");
        QTest::newRow("Shift-JIS in version 4")
            << QByteArray::fromHex("93FA967B") << 4 << QByteArray("Shift_JIS") << QStringLiteral("日本");
        QTest::newRow("unknown code page reads GBK")
            << QByteArray::fromHex("D6D0CEC4") << 5 << QByteArray("no-such-page") << QStringLiteral("中文");
        QTest::newRow("UTF-8 in version 6 under Big5")
            << QByteArray("\xe4\xb8\xad\xe6\x96\x87") << 6 << QByteArray("Big5") << QStringLiteral("中文");
    }

    void movieStrings() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, version);
        QFETCH(QByteArray, codePage);
        QFETCH(QString, text);
        QCOMPARE(swf::format::decodeMovieString(bytes, {version, codePage}), text);
    }

    // An old movie's two-byte font codes are characters of its code page (Shift-JIS when the font

    // says so; none when it says ANSI); the text they draw arrives as Unicode, so they must too.

    void fontCodesBeforeUnicode_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("flags"); // DefineFontInfo's: 0x10 Shift-JIS, 0x08 ANSI, 0x01 wide codes
        QTest::addColumn<QByteArray>("codePage");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("expected");
        const QByteArray gbk = swf::format::kDefaultCodePage;
        QTest::newRow("GBK 中") << 5 << 0x01 << gbk << 0xD6D0 << 0x4E2D;
        QTest::newRow("Big5 中") << 5 << 0x01 << QByteArray("Big5") << 0xA4A4 << 0x4E2D;
        QTest::newRow("Shift-JIS by the font's flag") << 5 << 0x11 << gbk << 0x93FA << 0x65E5;
        QTest::newRow("ANSI codes stay") << 5 << 0x09 << gbk << 0xD6D0 << 0xD6D0;
        QTest::newRow("one byte stays") << 5 << 0x00 << gbk << 0x41 << 0x41;
        QTest::newRow("not in the page stays") << 5 << 0x01 << gbk << 0x0102 << 0x0102;
        QTest::newRow("Unicode from version 6") << 6 << 0x01 << gbk << 0xD6D0 << 0xD6D0;
    }

    void fontCodesBeforeUnicode() {
        QFETCH(int, version);
        QFETCH(int, flags);
        QFETCH(QByteArray, codePage);
        QFETCH(int, code);
        QFETCH(int, expected);
        swf::format::FontDefinition font;
        font.glyphs.resize(1);
        QByteArray body("\x01"
                        "F",
                        2);
        body += char(flags);
        if (flags & 0x01)
            body += char(code & 0xff), body += char(code >> 8);
        else
            body += char(code);
        swf::io::Reader reader(body);
        QString problem;
        QVERIFY(swf::format::readFontInfo(reader, 1, {version, codePage}, font, problem));
        QCOMPARE(font.codes.size(), size_t(1));
        QCOMPARE(int(font.codes.front()), expected);
    }

    // ExportAssets names are decoded as the movie's other strings: the code page (GBK) before

    // SWF 6, UTF-8 from then on; a broken entry ends the list, keeping those before it.

    void exportNames_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("expected");       // id=name, joined by '|'
        const QByteArray gbk("\xb0\xb4\xc5\xa5", 4); // 按钮
        const QByteArray utf8 = QStringLiteral("按钮").toUtf8();
        auto entry = [](int id, const QByteArray& name) {
            return QByteArray(1, char(id & 0xff)) + char(id >> 8) + name + '\0';
        };
        QTest::newRow("SWF 5, code page") << QByteArray("\x02\x00", 2) + entry(3, gbk) + entry(4, "Box") << 5
                                          << QStringLiteral("3=按钮|4=Box");
        QTest::newRow("SWF 6, UTF-8")
            << QByteArray("\x01\x00", 2) + entry(7, utf8) << 6 << QStringLiteral("7=按钮");
        QTest::newRow("cut in the second name")
            << QByteArray("\x02\x00", 2) + entry(1, "a") + QByteArray("\x02\x00", 2) + "b" << 8
            << QStringLiteral("1=a");
        QTest::newRow("count larger than the list")
            << QByteArray("\x09\x00", 2) + entry(2, "only") << 8 << QStringLiteral("2=only");
        QTest::newRow("nothing") << QByteArray("\x00\x00", 2) << 8 << QString();
    }

    void exportNames() {
        QFETCH(QByteArray, body);
        QFETCH(int, version);
        QFETCH(QString, expected);
        swf::io::Reader reader(body);
        swf::format::Exports exports;
        QCOMPARE(swf::format::readExports(reader, {version}, exports), !expected.isEmpty());
        QStringList names;
        for (const swf::format::ExportedName& name : exports.names)
            names << QStringLiteral("%1=%2").arg(name.id).arg(name.name);
        QCOMPARE(names.join(QLatin1Char('|')), expected);
    }

    // attachMovie and ImportAssets find an export whatever its ASCII case; other letters match

    // only as written.

    void exportKeys_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("ASCII case") << QStringLiteral("LibClip") << QStringLiteral("libCLIP") << true;
        QTest::newRow("digits and marks") << QStringLiteral("a_1-B") << QStringLiteral("A_1-b") << true;
        QTest::newRow("Latin-1 letters keep case")
            << QStringLiteral("Äpfel") << QStringLiteral("äpfel") << false;
        QTest::newRow("Chinese") << QStringLiteral("按钮") << QStringLiteral("按钮") << true;
        QTest::newRow("different names") << QStringLiteral("box") << QStringLiteral("boxes") << false;
    }

    void exportKeys() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(swf::format::exportKey(a) == swf::format::exportKey(b), same);
    }

    // The ActionScript 3 flag of FileAttributes alone decides: such a movie is refused with that

    // reason; a movie of a later version without it plays.

    void actionScript3MoviesAreRefused_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("flags");
        QTest::addColumn<LoadError>("error");
        QTest::newRow("SWF 9 with the flag") << 9 << 0x08 << LoadError::ActionScript3;
        QTest::newRow("SWF 10 with the flag and the network") << 10 << 0x09 << LoadError::ActionScript3;
        QTest::newRow("SWF 9 without it") << 9 << 0x00 << LoadError::None;
        QTest::newRow("SWF 8, network only") << 8 << 0x01 << LoadError::None;
    }

    void actionScript3MoviesAreRefused() {
        QFETCH(int, version);
        QFETCH(int, flags);
        QFETCH(LoadError, error);
        SwfBuilder builder(version, QSize(100, 100), 12);
        builder.rawTag(69, QByteArray(1, char(flags)) + QByteArray(3, '\0'));
        builder.showFrame(3);
        swf::Player player;
        QCOMPARE(player.loadBytes(builder.finish()), error == LoadError::None);
        QCOMPARE(player.loadError(), error);
        if (error == LoadError::ActionScript3)
            QVERIFY(player.errorText().contains(QLatin1String("ActionScript 3")));
        else
            QCOMPARE(player.totalFrames(), 3);
    }
};

QTEST_MAIN(SwfCoreTest)
#include "core_test.moc"
