// Runs an assembled block on a fresh machine and fake host, for the script tests.
#pragma once

#include "action_assembler.h"
#include "fake_host.h"

#include <QMetaType>
#include <QTest>

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace avm1test {
// A row's script, written against the machine's own interface; it answers what it saw.
using Scenario = std::function<QString(Machine&)>;
} // namespace avm1test

Q_DECLARE_METATYPE(avm1test::Scenario)

namespace avm1test {

struct ScriptRun {
    explicit ScriptRun(int version, const QStringList& children = {QStringLiteral("mc")})
        : machine(std::make_unique<Machine>(host, version)) {
        host.attach(*machine, children);
        machine->setFixedDateMs(1e12); // what Date reads as now
    }
    RunResult run(const ActionAssembler& code) { return machine->runActions(code.bytes(), host.rootClip); }
    RunResult run(const QByteArray& bytes) { return machine->runActions(bytes, host.rootClip); }
    QString traced() const { return host.traces.join(QLatin1Char('|')); }

    FakeHost host;
    std::unique_ptr<Machine> machine;
};

// The value at a path dotted from _global, and new of it.
inline Value classOf(Machine& m, const QString& path) {
    Value value = m.global();
    for (const QString& part : path.split(QLatin1Char('.')))
        value = m.getMember(value, part);
    return value;
}
inline Value make(Machine& m, const QString& path, std::vector<Value> args = {}) {
    return m.construct(classOf(m, path), args);
}

inline Value call(Machine& m, const Value& object, const QString& name, std::vector<Value> args = {}) {
    return m.callMethod(object, name, args);
}

inline QString text(Machine& m, const Value& value) {
    return m.toString(value);
}

// The rows of a data-driven test: what each row's scenario answers on a fresh machine.
inline void scenarioAnswers(int version = 8) {
    QFETCH(Scenario, scenario);
    QFETCH(QString, expected);
    ScriptRun run(version);
    QCOMPARE(scenario(*run.machine), expected);
}

inline QString traceOf(int version, const ActionAssembler& code) {
    ScriptRun run(version);
    run.run(code);
    return run.traced();
}

// Rows of listings, each run on a fresh machine of its version.
struct ListingRow {
    const char* name;
    int version;
    QString listing;
    const char* expected;
};

inline void addListingRows(std::initializer_list<ListingRow> rows) {
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("expected");
    for (const ListingRow& row : rows)
        QTest::newRow(row.name) << row.version << row.listing << QString::fromUtf8(row.expected);
}

// The rows' listings: what each traces, joined by '|'.
inline void listingTraces() {
    QFETCH(int, version);
    QFETCH(QString, listing);
    QFETCH(QString, expected);
    QCOMPARE(traceOf(version, ActionAssembler(version, listing)), expected);
}

} // namespace avm1test
