// The stage of one player: its levels, and handles that never name a later clip.
#include "swf/movie/movie_definition.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"
#include "swf/stage/text_field.h"
#include "swf/stage/text_model.h"

#include <QHash>
#include <QTest>

#include <memory>

using namespace swf;

namespace {
std::unique_ptr<stage::MovieClip> clipOn(stage::StageContext& context, const movie::MovieDefinition& movie) {
    return std::make_unique<stage::MovieClip>(context, nullptr, movie.root, movie);
}
} // namespace

class StageTest : public QObject {
    Q_OBJECT

  private slots:
    void handleForgetsAClipThatLeft() {
        movie::MovieDefinition movie;
        stage::StageContext context;
        auto first = clipOn(context, movie);
        const stage::ClipHandle handle(first.get());
        QCOMPARE(handle.get(context), first.get());
        const void* address = first.get();
        first.reset();
        QVERIFY(!handle.get(context));
        // The allocator hands the freed block out again soon: a handle kept by address would
        // take one of these newcomers for the clip that left.
        std::vector<std::unique_ptr<stage::MovieClip>> later;
        bool reused = false;
        for (int i = 0; i < 64; ++i) {
            later.push_back(clipOn(context, movie));
            reused = reused || later.back().get() == address;
            QVERIFY(!handle.get(context));
        }
        if (!reused) qInfo("no later clip took the freed address; the handle was still checked");
        QVERIFY(!stage::ClipHandle().get(context));
    }

    void levelsInOrder() {
        movie::MovieDefinition movie;
        stage::StageContext context;
        stage::Stage stage(context);
        QVERIFY(stage.all().empty());
        stage.setLevel(7, clipOn(context, movie));
        stage.setLevel(2, clipOn(context, movie));
        stage.setRoot(clipOn(context, movie));
        stage::MovieClip* two = stage.level(2);
        stage::MovieClip* seven = stage.level(7);
        QCOMPARE(stage.all(), (std::vector<stage::MovieClip*>{stage.root(), two, seven}));
        QCOMPARE(stage.levelsAbove(), (std::vector<stage::MovieClip*>{two, seven}));
        QCOMPARE(stage.level(0), stage.root());
        QCOMPARE(stage.levelOf(*seven), 7);
        QCOMPARE(stage.levelOf(*stage.root()), 0);
        auto loose = clipOn(context, movie);
        QCOMPARE(stage.levelOf(*loose), -1);
        // Loading into a level replaces what stood there.
        stage.setLevel(2, clipOn(context, movie));
        QVERIFY(stage.level(2) != nullptr);
        QCOMPARE(stage.levelsAbove().size(), size_t(2));
        QVERIFY(stage.takeLevel(7));
        QVERIFY(!stage.takeLevel(7));
        QCOMPARE(stage.levelsAbove().size(), size_t(1));
        const quint64 rootSerial = stage.root()->serial();
        stage.clear();
        QVERIFY(stage.all().empty());
        QVERIFY(!context.liveClip(rootSerial));
    }

    void playersDoNotShareSerials() {
        movie::MovieDefinition movie;
        stage::StageContext one, two;
        auto a = clipOn(one, movie);
        auto b = clipOn(two, movie);
        // Each player numbers its own objects, and finds only its own by number.
        QCOMPARE(a->serial(), b->serial());
        QCOMPARE(one.liveClip(a->serial()), a.get());
        QCOMPARE(two.liveClip(b->serial()), b.get());
        const quint64 generation = two.childrenGeneration();
        one.childrenChanged();
        QCOMPARE(two.childrenGeneration(), generation);
    }

    void dragAndFocusFollowTheirClip() {
        movie::MovieDefinition movie;
        stage::StageContext context;
        stage::Stage stage(context);
        stage.setRoot(clipOn(context, movie));
        stage.setLevel(1, clipOn(context, movie));
        stage::MovieClip* level = stage.level(1);
        stage.setFocus(level);
        stage.setDrag(stage::Stage::Drag{stage::ClipHandle(level), {}, false, {}});
        stage.setDropTarget(*level, QStringLiteral("/a"));
        QCOMPARE(stage.focus(), level);
        QCOMPARE(stage.dragged(), level);
        QCOMPARE(stage.dropTarget(*level), QStringLiteral("/a"));
        stage.takeLevel(1).reset();
        QVERIFY(!stage.focus());
        QVERIFY(!stage.dragged());
        stage.setLevel(1, clipOn(context, movie));
        QVERIFY(!stage.focus());
        QCOMPARE(stage.dropTarget(*stage.level(1)), QString());
        // The focused field leaves with its field, too.
        auto field =
            std::make_unique<stage::TextField>(context, nullptr, format::EditTextDefinition{}, movie);
        stage.setFocusField(field.get());
        QCOMPARE(stage.focusField(), field.get());
        field.reset();
        QVERIFY(!stage.focusField());
    }

    // TextField.restrict: listed characters and ranges, "^" turning to refusals, "\\" escaping.
    void restrictLists_data() {
        QTest::addColumn<QString>("restrict");
        QTest::addColumn<QString>("allowed");
        QTest::addColumn<QString>("refused");
        const auto row = [](const char* name, const char* restrict, const char* allowed,
                            const char* refused) {
            QTest::newRow(name) << QString(restrict) << QString(allowed) << QString(refused);
        };
        row("range", "a-z", "amz", "A0-");
        row("ranges and single", "A-Z0-9_", "Q7_", "q-");
        row("all but", "^0-9", "aZ中", "05");
        row("range minus one", "a-z^q", "ap", "qA");
        row("escaped caret and dash", "\\^\\-", "^-", "a");
        row("nothing", "", "", "a1");
        row("chinese range", "\u4e00-\u9fa5", "中文", "a");
    }

    void restrictLists() {
        QFETCH(QString, restrict);
        QFETCH(QString, allowed);
        QFETCH(QString, refused);
        for (const QChar c : allowed)
            QVERIFY2(stage::restrictAllows(restrict, c), qPrintable(QString(c)));
        for (const QChar c : refused)
            QVERIFY2(!stage::restrictAllows(restrict, c), qPrintable(QString(c)));
    }

    // Typing into a field: each row starts from the text with the caret (|) and, where given,
    // the selection's other end (^), applies the keys, and ends with the text and caret.
    void typing_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>(
            "keys"); // one letter a command: i<text>; b backspace, d delete, L R H E moves, l r select
        QTest::addColumn<int>("maxChars");
        QTest::addColumn<bool>("multiline");
        QTest::addColumn<QString>("end");
        const auto row = [](const char* name, const char* start, const char* keys, int maxChars,
                            bool multiline, const char* end) {
            QTest::newRow(name) << QString(start) << QString(keys) << maxChars << multiline << QString(end);
        };
        row("insert at caret", "ab|cd", "iXY", 0, false, "abXY|cd");
        row("replace the selection", "a^bc|d", "iZ", 0, false, "aZ|d");
        row("backspace at start", "|ab", "b", 0, false, "|ab");
        row("backspace and delete", "ab|cd", "bd", 0, false, "a|d");
        row("selection then backspace", "abc|d", "llb", 0, false, "a|d");
        row("max chars cuts typing", "ab|", "icdef", 4, false, "abcd|");
        row("max chars with a selection", "^ab|", "ixyz", 2, false, "xy|");
        row("enter on one line", "a|", "i\rb", 0, false, "ab|");
        row("enter on many lines", "a|", "i\rb", 0, true, "a\rb|");
        row("home and end by line", "ab\rc|d", "HiX", 0, true, "ab\rX|cd");
        row("moves collapse a selection", "a^bc|d", "LiQ", 0, false, "aQ|bcd");
        row("chinese", "|", "i中文", 0, false, "中文|");
    }

    void typing() {
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(int, maxChars);
        QFETCH(bool, multiline);
        movie::MovieDefinition movie;
        stage::StageContext context;
        format::EditTextDefinition definition;
        definition.maxLength = maxChars;
        definition.multiline = multiline;
        stage::TextField field(context, nullptr, definition, movie);
        QString text = start;
        const qsizetype anchor = text.indexOf(u'^');
        if (anchor >= 0) text.remove(anchor, 1);
        const qsizetype caret = text.indexOf(u'|');
        text.remove(caret, 1);
        field.setText(text);
        field.caret = int(caret);
        field.anchor = int(anchor >= 0 ? anchor : caret);
        stage::TextEditor editor(field);
        using Move = stage::TextEditor::Move;
        const QHash<QChar, std::pair<Move, bool>> moves = {
            {'L', {Move::Left, false}}, {'R', {Move::Right, false}}, {'H', {Move::Home, false}},
            {'E', {Move::End, false}},  {'l', {Move::Left, true}},   {'r', {Move::Right, true}}};
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (keys[i] == u'i') {
                editor.insert(keys.mid(i + 1));
                break;
            }
            if (keys[i] == u'b') editor.backspace();
            if (keys[i] == u'd') editor.deleteForward();
            if (moves.contains(keys[i])) editor.move(moves[keys[i]].first, moves[keys[i]].second);
        }
        QString shown = editor.text();
        shown.insert(field.caret, u'|');
        QTEST(shown, "end");
        QCOMPARE(field.text(), editor.text());
        QCOMPARE(field.field.initialText, editor.text());
    }

    void markup_data() {
        // "«P»" and "«/P»" stand for a left-aligned paragraph in the base look and its end.
        QTest::addColumn<QString>("markup");
        QTest::addColumn<bool>("multiline");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("html");
        const auto row = [](const char* name, const char* markup, bool multiline, const char* text,
                            const char* html) {
            QTest::newRow(name) << QString(markup) << multiline << QString(text) << QString(html);
        };
        row("line ends make paragraphs; the last end makes none", "a\nb\n", false, "a\rb\r",
            "«P»a«/P»«P»b«/P»");
        row("one line: p and br make no ends", "<p>a</p><br>b", false, "ab", "«P»ab«/P»");
        row("many lines: p and br end paragraphs", "<p>a</p><br>b", true, "a\r\rb",
            "«P»a«/P»«P»«/P»«P»b«/P»");
        row("a p around another ends once", "<p>a<p>b</p>c</p>", true, "ab\rc", "«P»ab«/P»«P»c«/P»");
        row("li starts its own paragraph", "x<li>a</li>", true, "x\ra\r",
            "«P»x«/P»<LI><FONT FACE=\"Sans\" SIZE=\"10\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
            "KERNING=\"0\">a</FONT></LI>");
        row("styles nest in a fixed order", "<u><i><b>t</b></i></u>", false, "t",
            "«P»<B><I><U>t</U></I></B>«/P»");
        row("fonts go back to a matching one or open one more",
            "a<font color=\"#aaaaaa\">b<font size=\"16\">c</font></font>d<font size=\"16\">e</font>", false,
            "abcde",
            "«P»a<FONT COLOR=\"#AAAAAA\">b<FONT SIZE=\"16\">c</FONT></FONT>d<FONT "
            "SIZE=\"16\">e</FONT>«/P»");
        row("a closing tag that is not innermost is left out", "<b>a<i>b</b>c</i>d", false, "abcd",
            "«P»<B>a</B><B><I>bc</I></B><B>d</B>«/P»");
        row("sizes are whole, from 1 to 127, and may step",
            "<font size=\"1.9\">a<font size=\"+200\">b</font></font>", false, "ab",
            "<P ALIGN=\"LEFT\"><FONT FACE=\"Sans\" SIZE=\"1\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
            "KERNING=\"0\">a<FONT SIZE=\"127\">b</FONT></FONT></P>");
        row("a paragraph's end in another look shows as an empty run", "<font color=\"#111111\">a</font>\n",
            false, "a\r",
            "<P ALIGN=\"LEFT\"><FONT FACE=\"Sans\" SIZE=\"10\" COLOR=\"#111111\" LETTERSPACING=\"0\" "
            "KERNING=\"0\">a<FONT COLOR=\"#000000\"></FONT></FONT></P>");
        row("paragraph items written once, in their order",
            "<textformat leading=\"2\" leftmargin=\"5\" tabstops=\"1,2\"><p "
            "align=\"right\">a</p></textformat>",
            false, "a",
            "<TEXTFORMAT LEFTMARGIN=\"5\" LEADING=\"2\" TABSTOPS=\"1,2\"><P ALIGN=\"RIGHT\"><FONT "
            "FACE=\"Sans\" "
            "SIZE=\"10\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">a</FONT></P></TEXTFORMAT>");
        row("entities in, escapes out; unknown tags dropped", "&lt;x&gt; &amp; <blink>&#65;</blink>", false,
            "<x> & A", "«P»&lt;x&gt; &amp; A«/P»");
        row("empty tags hold nothing", "<b></b><p></p>", false, "", "");
        row("an unfinished tag ends the text", "ab<font color=", false, "ab", "«P»ab«/P»");
    }

    void markup() {
        QFETCH(QString, markup);
        QFETCH(bool, multiline);
        QFETCH(QString, html);
        stage::TextStyle base;
        base.font = QStringLiteral("Sans");
        base.size = 10;
        stage::TextModel model;
        model.setHtml(markup, base, multiline, false);
        QTEST(model.text(), "text");
        html.replace(QStringLiteral("«P»"),
                     QStringLiteral("<P ALIGN=\"LEFT\"><FONT FACE=\"Sans\" SIZE=\"10\" "
                                    "COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">"));
        html.replace(QStringLiteral("«/P»"), QStringLiteral("</FONT></P>"));
        QCOMPARE(model.html(), html);
    }

    void markupByVersion_data() {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("multiline");
        QTest::addColumn<bool>("condenseWhite");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const char* markup, int version, bool multiline, bool condense,
                            const char* text) {
            QTest::newRow(name) << QString(markup) << version << multiline << condense << QString(text);
        };
        row("SWF 8: white space between tags kept", "<b>a</b>\n <p>b</p>", 8, false, false, "a\r b");
        row("SWF 6: white space between tags dropped, p ends paragraphs", "<b>a</b>\n <p>b</p>", 6, false,
            false, "ab\r");
        row("SWF 7 reads as SWF 8 does", "<b>a</b>\n <p>b</p>", 7, false, false, "a\r b");
        row("SWF 7: a line end inside text still ends a paragraph", "a\nb", 7, false, false, "a\rb");
        row("condensed: one space, none at a paragraph's start", "\n \ta  \n b <p> c</p> \n", 8, true, true,
            "a b c\r");
    }

    void markupByVersion() {
        QFETCH(QString, markup);
        QFETCH(int, version);
        QFETCH(bool, multiline);
        QFETCH(bool, condenseWhite);
        stage::TextModel model;
        model.setHtml(markup, stage::TextStyle(), multiline, condenseWhite, version);
        QTEST(model.text(), "text");
    }

    void formatRanges() {
        stage::TextStyle base;
        stage::TextModel model;
        model.setPlain(QStringLiteral("ab\ncd"), base);
        QCOMPARE(model.text(), QStringLiteral("ab\rcd"));
        stage::StyleChange change;
        change.bold = true;
        change.align = format::TextAlign::Center;
        model.applyStyle(1, 2, change);
        // Characters change in the range only, paragraph items in the whole paragraph.
        QVERIFY(!model.styleAt(0).bold && model.styleAt(1).bold && !model.styleAt(2).bold);
        QCOMPARE(model.styleAt(0).align, format::TextAlign::Center);
        QCOMPARE(model.styleAt(2).align, format::TextAlign::Center);
        QCOMPARE(model.styleAt(3).align, format::TextAlign::Left);
        const auto shared = model.commonStyle(0, 3);
        QVERIFY(shared);
        QVERIFY(!shared->bold);
        QCOMPARE(shared->align, std::optional(format::TextAlign::Center));
        QVERIFY(!model.commonStyle(2, 2));
        model.replace(1, 4, QStringLiteral("X"), base);
        QCOMPARE(model.text(), QStringLiteral("aXd"));
        QVERIFY(!model.styleAt(1).bold);
        // Windows line ends are two paragraph ends, not one.
        model.setPlain(QStringLiteral("a\r\nb\n"), base);
        QCOMPARE(model.text(), QStringLiteral("a\r\rb\r"));
        QCOMPARE(model.paragraphAround(2), std::make_pair(2, 3)); // the empty one between
    }
};

QTEST_GUILESS_MAIN(StageTest)
#include "stage_test.moc"
