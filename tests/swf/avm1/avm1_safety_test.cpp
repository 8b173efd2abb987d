// Untrusted scripts: time budget, recursion, growth limits and malformed action bytes.
#include "script_fixture.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace avm1test;
using swf::avm1::AbortReason;

namespace {
constexpr qint64 kTestBudgetMs = 100;
constexpr int kRandomBlocks = 3000;
} // namespace

class Avm1SafetyTest : public QObject {
    Q_OBJECT

  private slots:
    void endlessLoopStopsWithinBudget() {
        ScriptRun run(7);
        run.machine->setTimeBudgetMs(kTestBudgetMs);
        QElapsedTimer clock;
        clock.start();
        const RunResult result =
            run.run(ActionAssembler(7, "label:top 'n' $n Increment SetVariable jump:top"));
        QCOMPARE(static_cast<int>(result.status), static_cast<int>(RunStatus::Aborted));
        QVERIFY(clock.elapsed() < 20 * kTestBudgetMs);
        QCOMPARE(run.host.aborts.size(), 1);
        QCOMPARE(run.host.aborts.first(), AbortReason::TimeBudget);
        // The machine is usable for the next script.
        QCOMPARE(static_cast<int>(run.run(ActionAssembler(7, "'again' Trace")).status),
                 static_cast<int>(RunStatus::Completed));
        QCOMPARE(run.traced(), QStringLiteral("again"));
    }

    void limits_data() {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<AbortReason>("reason");
        QTest::newRow("deep recursion")
            << "fn:f() { f(0) Return } f(0) 'after' Trace" << AbortReason::CallDepth;
        QTest::newRow("doubling string")
            << "'s' 'xxxxxxxxxxxxxxxx' SetVariable label:top 's' $s $s Add2 SetVariable jump:top"
            << AbortReason::StringLength;
        QTest::newRow("huge array length")
            << "'a' 0 InitArray SetVariable $a 'length' 1e9 SetMember" << AbortReason::ArrayLength;
        QTest::newRow("stack flood") << "label:top 1 2 3 4 5 6 7 8 jump:top" << AbortReason::StackSize;
        QTest::newRow("recursion through a getter") << "'o' 0 InitObject SetVariable null fn() { $this .p "
                                                       "Return } 'p' $o .addProperty(3) Pop $o .p Trace"
                                                    << AbortReason::CallDepth;
    }
    void limits() {
        QFETCH(QString, listing);
        QFETCH(AbortReason, reason);
        ScriptRun run(7);
        run.machine->setTimeBudgetMs(10 * kTestBudgetMs);
        const RunResult result = run.run(ActionAssembler(7, listing));
        QCOMPARE(static_cast<int>(result.status), static_cast<int>(RunStatus::Aborted));
        QCOMPARE(result.reason, reason);
        QVERIFY(!run.traced().contains("after"));
    }

    void prototypeCycleDoesNotHang() {
        ScriptRun run(7);
        Machine& m = *run.machine;
        Object* a = m.newObject();
        Object* b = m.newObject(ObjectKind::Plain, a);
        m.setMember(a, "__proto__", b);
        QVERIFY(!m.instanceOf(Value(a), m.getMember(m.global(), "Array").asObject()));
        QVERIFY(m.enumerate(a).isEmpty());
        QCOMPARE(m.getMember(a, "missing").type(), ValueType::Undefined);
        QVERIFY(m.aborted());
        QCOMPARE(run.host.aborts.value(0), AbortReason::ProtoChain);
    }

    // A member searched for along a long __proto__ chain: 256 hops are allowed, the step to
    // the chain's end counted; a search needing more stops the script instead of answering.
    void prototypeChainLimit_data() {
        QTest::addColumn<int>("links");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("aborted");
        QTest::newRow("found at 256 hops") << 256 << "here" << true << false;
        QTest::newRow("found at 257 hops") << 257 << "here" << false << true;
        // Object.prototype sits one hop past the root, its end one more.
        QTest::newRow("missing, end at 256 hops") << 254 << "nowhere" << false << false;
        QTest::newRow("missing, end at 257 hops") << 255 << "nowhere" << false << true;
    }
    void prototypeChainLimit() {
        QFETCH(int, links);
        QFETCH(QString, name);
        QFETCH(bool, found);
        QFETCH(bool, aborted);
        ScriptRun run(7);
        Machine& m = *run.machine;
        Object* root = m.newObject();
        Object* top = root;
        for (int i = 0; i < links; ++i)
            top = m.newObject(ObjectKind::Plain, top);
        root->setOwn(QStringLiteral("here"), Value(1.0));
        const Value value = m.getMember(top, name);
        QCOMPARE(value.type(), found ? ValueType::Number : ValueType::Undefined);
        QCOMPARE(m.aborted(), aborted);
    }

    void malformedBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QByteArray traceOk = ActionAssembler(7, "'ok' Trace").body();
        auto listing = [](const char* text) { return ActionAssembler(7, text).body(); };
        const QByteArray end(1, '\0');
        QTest::newRow("empty block") << QByteArray() << "";
        QTest::newRow("truncated push header") << (traceOk + QByteArray("\x96\x05", 2)) << "ok";
        QTest::newRow("push longer than the block")
            << (traceOk + QByteArray("\x96\x20\x00\x00\x61", 5)) << "ok";
        QTest::newRow("unknown push type byte")
            << (QByteArray("\x96\x03\x00\x00\x61\x00", 6) + QByteArray("\x96\x02\x00\x0F\x01", 5) +
                QByteArray("\x26", 1) + end)
            << "a";
        QTest::newRow("string without terminator")
            << (QByteArray("\x96\x02\x00\x00\x61", 5) + QByteArray("\x26", 1)) << "undefined";
        QTest::newRow("jump far past the end") << (QByteArray("\x99\x02\x00\xFF\x7F", 5) + traceOk) << "";
        QTest::newRow("jump before the start") << (QByteArray("\x99\x02\x00\x00\x80", 5) + traceOk) << "";
        QTest::newRow("function body past the end")
            << (QByteArray("\x9B\x05\x00\x66\x00\x00\x00\xFF", 8) + QByteArray("\xFF", 1)) << "";
        QTest::newRow("function2 header cut short") << QByteArray("\x8E\x03\x00\x66\x00\x01", 6) << "";
        QTest::newRow("try sizes past the end")
            << (QByteArray("\x8F\x09\x00\x03\xFF\x00\xFF\x00\xFF\x00\x65\x00", 12) + traceOk) << "ok";
        QTest::newRow("with size past the end")
            << (listing("'o' 0 InitObject") + QByteArray("\x94\x02\x00\xFF\x7F", 5) + traceOk) << "ok";
        QTest::newRow("pops from an empty stack")
            << (QByteArray("\x17\x47\x4E\x4F\x52\x3D\x40\x53\x42\x43\x26", 11) + end) << "[object Object]";
        QTest::newRow("huge argument count") << (listing("1e9 'trace' CallFunction") + traceOk) << "ok";
        QTest::newRow("register past the global four") << listing("1 store:200 r:200 Trace") << "undefined";
        QTest::newRow("constant index without a pool") << listing("c:300 Trace") << "undefined";
        QTest::newRow("unknown action codes are skipped")
            << (QByteArray("\x01\x02\xC0\x01\x00\x00", 6) + traceOk) << "ok";
        QTest::newRow("record length runs past the block")
            << (traceOk + QByteArray("\x83\xFF\xFF\x00", 4)) << "ok";
        // Frame numbers and depths past any int (found by the interpreter fuzzer).
        QTest::newRow("call a frame past any int") << (listing("1.79661e12 Call") + traceOk) << "ok";
        QTest::newRow("clone to a depth past any int")
            << (listing("'_root' 'copy' -1e15 CloneSprite") + traceOk) << "ok";
        QTest::newRow("property number past any int (found by the movie fuzzer)")
            << (listing("'' 9.12489e192 GetProperty Pop '' -1e300 5 SetProperty") + traceOk) << "ok";
        QTest::newRow("wait for a frame past any int")
            << (listing("1e300 WaitForFrame2:00") + traceOk) << "ok";
    }
    void malformedBytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        ScriptRun run(7);
        run.machine->setTimeBudgetMs(kTestBudgetMs);
        run.run(bytes);
        QCOMPARE(run.traced(), expected);
    }

    // Random action streams biased towards real codes, under a small budget: no crash, no hang.
    void randomBytesNeverCrash() {
        static const std::uint8_t kCodes[] = {0x04, 0x07, 0x0A, 0x0E, 0x12, 0x17, 0x1C, 0x1D, 0x20,
                                              0x21, 0x26, 0x2A, 0x3C, 0x3D, 0x3E, 0x40, 0x42, 0x43,
                                              0x46, 0x47, 0x4C, 0x4E, 0x4F, 0x52, 0x53, 0x55, 0x69,
                                              0x87, 0x88, 0x8E, 0x8F, 0x94, 0x96, 0x99, 0x9B, 0x9D};
        std::uint32_t seed = 12345;
        auto next = [&seed]() {
            seed = seed * 1664525u + 1013904223u;
            return seed >> 8;
        };
        ScriptRun run(7);
        run.machine->setTimeBudgetMs(20);
        for (int block = 0; block < kRandomBlocks; ++block) {
            QByteArray bytes;
            const int records = static_cast<int>(next() % 24);
            for (int i = 0; i < records; ++i) {
                const std::uint8_t code = kCodes[next() % sizeof kCodes];
                bytes += static_cast<char>(code);
                if (code >= 0x80) {
                    const int length = static_cast<int>(next() % 12);
                    bytes += u16(length);
                    for (int j = 0; j < length; ++j)
                        bytes += static_cast<char>(next() % 8 == 0 ? next() : next() % 4);
                }
            }
            run.run(bytes);
            if (block % 100 == 0) run.machine->collect();
        }
        // Still a working machine after all that.
        QCOMPARE(static_cast<int>(run.run(ActionAssembler(7, "'after' Trace")).status),
                 static_cast<int>(RunStatus::Completed));
        QVERIFY(run.traced().endsWith(QLatin1String("after")));
    }
};

QTEST_GUILESS_MAIN(Avm1SafetyTest)
#include "avm1_safety_test.moc"
