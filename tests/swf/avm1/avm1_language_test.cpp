// The script machine's language: variables and scopes, this and arguments, functions and
// registers, prototypes and classes, exceptions, enumeration and timeline actions.
#include "script_fixture.h"

#include <QtTest>

using namespace avm1test;
using swf::format::ActionCode;

class Avm1LanguageTest : public QObject {
    Q_OBJECT

  private slots:
    void variablesAndScopes_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("undeclared write in a function lands on the timeline")
            << 7 << QByteArray("timeline-write") << "5|5";
        QTest::newRow("local stays local") << 7 << QByteArray("local") << "1|undefined";
        QTest::newRow("closure sees the outer activation, SWF 6+") << 7 << QByteArray("closure") << "outer";
        QTest::newRow("SWF 5 functions do not capture") << 5 << QByteArray("closure") << "undefined";
        QTest::newRow("names ignore case, SWF 6") << 6 << QByteArray("case") << "1";
        QTest::newRow("names keep case, SWF 7") << 7 << QByteArray("case") << "undefined";
        QTest::newRow("slash path with variable") << 7 << QByteArray("slash") << "9|9";
        QTest::newRow("dot path") << 7 << QByteArray("dot") << "4";
        QTest::newRow("_global is searched last") << 7 << QByteArray("global") << "g|t";
        QTest::newRow("with puts an object in front") << 7 << QByteArray("with") << "inner|outer";
        QTest::newRow("keywords ignore case before SWF 7") << 6 << QByteArray("this-case") << "_level0";
        QTest::newRow("and keep it from SWF 7") << 7 << QByteArray("this-case") << "undefined";
        QTest::newRow("a script may write this") << 7 << QByteArray("this-write") << "test";
        QTest::newRow("with finds its object's __proto__") << 5 << QByteArray("with-proto") << "3";
        QTest::newRow("withs nest 13 deep") << 7 << QByteArray("with-13") << "deep";
        QTest::newRow("a 14th is skipped") << 7 << QByteArray("with-14") << "";
    }
    void variablesAndScopes() {
        QFETCH(int, version);
        QFETCH(QByteArray, scenario);
        QFETCH(QString, expected);
        ActionAssembler code(version);
        if (scenario == "timeline-write") {
            ActionAssembler body(version);
            body.setVariable("x", 5);
            code.defineFunction("f", {}, body).callFunction("f", 0).op(ActionCode::Pop);
            code.getVariable("x").op(ActionCode::Trace).getVariable("_root.x").op(ActionCode::Trace);
        } else if (scenario == "local") {
            ActionAssembler body(version);
            body.push({"y", 1}).op(ActionCode::DefineLocal).getVariable("y").op(ActionCode::Trace);
            code.defineFunction("f", {}, body).callFunction("f", 0).op(ActionCode::Pop);
            code.getVariable("y").op(ActionCode::Trace);
        } else if (scenario == "closure") {
            ActionAssembler inner(version);
            inner.getVariable("secret").op(ActionCode::Return);
            ActionAssembler outer(version);
            outer.push({"secret", "outer"})
                .op(ActionCode::DefineLocal)
                .defineFunction("", {}, inner)
                .op(ActionCode::Return);
            code.defineFunction("make", {}, outer)
                .push({"g"})
                .callFunction("make", 0)
                .op(ActionCode::SetVariable);
            code.callFunction("g", 0).op(ActionCode::Trace);
        } else if (scenario == "case") {
            code.setVariable("Foo", 1).getVariable("foo").op(ActionCode::Trace);
        } else if (scenario == "slash") {
            code.setVariable("/mc:v", 9)
                .getVariable("_root.mc.v")
                .op(ActionCode::Trace)
                .getVariable("/mc:v")
                .op(ActionCode::Trace);
        } else if (scenario == "dot") {
            code.setVariable("mc.w", 4).getVariable("_root.mc.w").op(ActionCode::Trace);
        } else if (scenario == "global") {
            code.push({"_global"}).op(ActionCode::GetVariable).push({"z", "g"}).op(ActionCode::SetMember);
            code.getVariable("z")
                .op(ActionCode::Trace)
                .setVariable("z", "t")
                .getVariable("z")
                .op(ActionCode::Trace);
        } else if (scenario == "with") {
            code.setVariable("v", "outer").push({"v", "inner", 1}).op(ActionCode::InitObject);
            ActionAssembler body(version);
            body.getVariable("v").op(ActionCode::Trace);
            code.with(body).getVariable("v").op(ActionCode::Trace);
        } else if (scenario == "this-case") {
            code.getVariable("THIS").op(ActionCode::Trace);
        } else if (scenario == "this-write") {
            code.setVariable("this", "test").getVariable("this").op(ActionCode::Trace);
        } else if (scenario == "with-proto") {
            ActionAssembler body(version);
            body.getVariable("__proto__").push({"c", 3}).op(ActionCode::SetMember);
            code.push({4}).with(body);
            code.getVariable("Number").push({"prototype"}).op(ActionCode::GetMember);
            code.push({"c"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        } else if (scenario.startsWith("with-")) {
            ActionAssembler nested(version);
            nested.trace("deep");
            for (int depth = scenario.mid(5).toInt(); depth > 0; --depth) {
                ActionAssembler outer(version);
                outer.push({0}).op(ActionCode::InitObject).with(nested);
                nested = outer;
            }
            code = nested;
        }
        QCOMPARE(traceOf(version, code), expected);
    }

    void thisAndArguments() {
        // o = {}; o.m = function(a, b) { trace(this.tag); trace(arguments.length); trace(b); }; o.tag = "me";
        // o.m(1, 2, 3)
        ActionAssembler method(7);
        method.getVariable("this").push({"tag"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        method.getVariable("arguments").push({"length"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        method.getVariable("b").op(ActionCode::Trace);
        ActionAssembler code(7);
        code.push({"o", 0}).op(ActionCode::InitObject).op(ActionCode::SetVariable);
        code.getVariable("o").push({"m"}).defineFunction("", {"a", "b"}, method).op(ActionCode::SetMember);
        code.getVariable("o").push({"tag", "me"}).op(ActionCode::SetMember);
        code.push({3, 2, 1}).getVariable("o").callMethod("m", 3).op(ActionCode::Pop);
        QCOMPARE(traceOf(7, code), QStringLiteral("me|3|2"));
    }

    void defineFunction2Registers() {
        // function f(a in r3) with this in r1 and arguments in r2: trace(r1.tag, r2.length, r3)
        using namespace swf::format::function_flags;
        ActionAssembler body(7);
        body.push({PushValue::reg(1), "tag"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        body.push({PushValue::reg(2), "length"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        body.push({PushValue::reg(3)}).op(ActionCode::Trace);
        body.getVariable("a").op(ActionCode::Trace); // a lives only in its register
        ActionAssembler code(7);
        code.push({"o", "tag", "t", 1}).op(ActionCode::InitObject).op(ActionCode::SetVariable);
        code.getVariable("o")
            .push({"f"})
            .defineFunction2("", 4, kPreloadThis | kPreloadArguments | kSuppressSuper, {{3, "a"}}, body)
            .op(ActionCode::SetMember);
        code.push({"second", "first"}).getVariable("o").callMethod("f", 2).op(ActionCode::Pop);
        QCOMPARE(traceOf(7, code), QStringLiteral("t|2|first|undefined"));
    }

    // Which of this/arguments/super a DefineFunction2 body sees as a variable or in r1.
    void functionPreloadFlags_data() {
        using namespace swf::format::function_flags;
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("read"); // "super", "this" or "r1"
        QTest::addColumn<QString>("expected");
        QTest::newRow("super as a variable") << 0 << "super"
                                             << "[object Object]";
        QTest::newRow("no flags: r1 is empty") << 0 << "r1"
                                               << "undefined";
        QTest::newRow("suppressed super") << int(kSuppressSuper) << "super"
                                          << "undefined";
        QTest::newRow("preloaded super is no variable") << int(kPreloadSuper) << "super"
                                                        << "undefined";
        QTest::newRow("preloaded super in r1") << int(kPreloadSuper) << "r1"
                                               << "[object Object]";
        QTest::newRow("suppress wins over preload") << int(kPreloadSuper | kSuppressSuper) << "r1"
                                                    << "undefined";
        QTest::newRow("preloaded this in r1") << int(kPreloadThis) << "r1"
                                              << "tagged";
        QTest::newRow("suppressed this") << int(kSuppressThis) << "this"
                                         << "undefined";
        QTest::newRow("this as a variable") << 0 << "this"
                                            << "tagged";
        QTest::newRow("arguments take r1 when this is suppressed")
            << int(kSuppressThis | kPreloadArguments) << "r1"
            << "7";
    }
    void functionPreloadFlags() {
        QFETCH(int, flags);
        QFETCH(QString, read);
        QFETCH(QString, expected);
        // o = {}; o.__proto__ = {toString: function}; o.f = function2 { return <read>; }; trace(o.f(7))
        ActionAssembler body(7);
        if (read == "r1")
            body.push({PushValue::reg(1)});
        else
            body.getVariable(read);
        body.op(ActionCode::Return);
        ActionAssembler tag(7);
        tag.push({"tagged"}).op(ActionCode::Return);
        ActionAssembler code(7);
        code.push({"o", 0}).op(ActionCode::InitObject).op(ActionCode::SetVariable);
        code.getVariable("o").push({"__proto__", 0}).op(ActionCode::InitObject).op(ActionCode::SetMember);
        code.getVariable("o").push({"toString"}).defineFunction("", {}, tag).op(ActionCode::SetMember);
        code.getVariable("o")
            .push({"f"})
            .defineFunction2("", 3, static_cast<std::uint16_t>(flags), {}, body)
            .op(ActionCode::SetMember);
        code.push({7}).getVariable("o").callMethod("f", 1).op(ActionCode::Trace);
        QCOMPARE(traceOf(7, code), expected);
    }

    void plainCallSeesTimelineAsThis() {
        ActionAssembler body(7);
        body.getVariable("this").op(ActionCode::Trace);
        ActionAssembler code(7);
        // On _global, as a told target hides the root's variables.
        code.getVariable("_global").push({"f"}).defineFunction("", {}, body).op(ActionCode::SetMember);
        code.callFunction("f", 0).op(ActionCode::Pop);
        code.action(ActionCode::SetTarget, "mc" + QByteArray(1, 0)).callFunction("f", 0).op(ActionCode::Pop);
        QCOMPARE(traceOf(7, code), QStringLiteral("_level0|_level0.mc"));
    }

    void prototypesAndClasses_data() {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("method from prototype") << QByteArray("method") << "Base ctor|hi from Base";
        QTest::newRow("instanceof follows __proto__") << QByteArray("instanceof") << "Base ctor|true|false";
        QTest::newRow("extends and super")
            << QByteArray("extends") << "Base ctor|Derived ctor|true|true|hi from Base";
        QTest::newRow("cast op") << QByteArray("cast") << "Base ctor|Derived ctor|true|null";
        QTest::newRow("implements") << QByteArray("implements") << "Base ctor|Derived ctor|true";
    }
    void prototypesAndClasses() {
        QFETCH(QByteArray, scenario);
        QFETCH(QString, expected);
        ActionAssembler code(7);
        // function Base() { trace("Base ctor"); }  Base.prototype.hi = function() { return "hi from Base"; }
        ActionAssembler baseBody(7);
        baseBody.trace("Base ctor");
        ActionAssembler hiBody(7);
        hiBody.push({"hi from Base"}).op(ActionCode::Return);
        code.defineFunction("Base", {}, baseBody);
        code.getVariable("Base")
            .push({"prototype"})
            .op(ActionCode::GetMember)
            .push({"hi"})
            .defineFunction("", {}, hiBody)
            .op(ActionCode::SetMember);
        if (scenario == "method") {
            code.push({"b", 0, "Base"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
            code.getVariable("b").callMethod("hi", 0).op(ActionCode::Trace);
            QCOMPARE(traceOf(7, code), expected);
            return;
        }
        if (scenario == "instanceof") {
            code.push({"b", 0, "Base"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
            code.getVariable("b").getVariable("Base").op(ActionCode::InstanceOf).op(ActionCode::Trace);
            code.getVariable("b").getVariable("Array").op(ActionCode::InstanceOf).op(ActionCode::Trace);
            QCOMPARE(traceOf(7, code), expected);
            return;
        }
        // function Derived() { super(); trace("Derived ctor"); }  Derived extends Base
        ActionAssembler derivedBody(7);
        derivedBody.push({0})
            .getVariable("super")
            .push({PushValue::undefined()})
            .op(ActionCode::CallMethod)
            .op(ActionCode::Pop);
        derivedBody.trace("Derived ctor");
        code.defineFunction("Derived", {}, derivedBody)
            .getVariable("Derived")
            .getVariable("Base")
            .op(ActionCode::Extends);
        if (scenario == "extends") {
            code.push({"d", 0, "Derived"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
            code.getVariable("d").getVariable("Derived").op(ActionCode::InstanceOf).op(ActionCode::Trace);
            code.getVariable("d").getVariable("Base").op(ActionCode::InstanceOf).op(ActionCode::Trace);
            code.getVariable("d").callMethod("hi", 0).op(ActionCode::Trace);
        } else if (scenario == "cast") {
            code.push({"d", 0, "Derived"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
            code.getVariable("Base")
                .getVariable("d")
                .op(ActionCode::CastOp)
                .push({PushValue::null()})
                .op(ActionCode::StrictEquals)
                .op(ActionCode::Not)
                .op(ActionCode::Trace);
            code.getVariable("Array").getVariable("d").op(ActionCode::CastOp).op(ActionCode::Trace);
        } else if (scenario == "implements") {
            // Derived implements Iface; new Derived() instanceof Iface
            code.defineFunction("Iface", {}, ActionAssembler(7));
            code.getVariable("Iface").push({1}).getVariable("Derived").op(ActionCode::ImplementsOp);
            code.push({"d", 0, "Derived"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
            code.getVariable("d").getVariable("Iface").op(ActionCode::InstanceOf).op(ActionCode::Trace);
        }
        QCOMPARE(traceOf(7, code), expected);
    }

    // Where super stands in a method: before SWF 7 one class above the object's own, and one
    // more for each call through super; later above the prototype the method was found on,
    // and through super above the last prototype passed before it.
    void superFollowsTheMethod_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<QString>("expected");
        QTest::newRow("inherited through super, SWF 6") << 6 << QByteArray("foo") << "1|1|1|4";
        QTest::newRow("inherited through super, SWF 7") << 7 << QByteArray("foo") << "1|1|4";
        QTest::newRow("method found up the chain, SWF 6") << 6 << QByteArray("bla") << "3|bla";
        QTest::newRow("method found up the chain, SWF 7") << 7 << QByteArray("bla") << "2|bla";
        QTest::newRow("the object's own method, SWF 7") << 7 << QByteArray("own") << "3|x";
    }
    void superFollowsTheMethod() {
        QFETCH(int, version);
        QFETCH(QByteArray, call);
        QFETCH(QString, expected);
        // One <- Two <- Three <- Four: One and Four have foo, Three has bla, each calling
        // super.foo() before tracing its mark; Two and Three get a plain foo to show where super
        // stands; "own" gives the object a bla of its own.
        ActionAssembler code(version);
        const char* classes[] = {"One", "Two", "Three", "Four"};
        for (const char* name : classes)
            code.defineFunction(name, {}, ActionAssembler(version));
        for (int i = 1; i < 4; ++i)
            code.getVariable(classes[i]).getVariable(classes[i - 1]).op(ActionCode::Extends);
        auto body = [version](const char* mark, bool callsSuper) {
            ActionAssembler out(version);
            if (callsSuper)
                out.push({0})
                    .getVariable("super")
                    .push({"foo"})
                    .op(ActionCode::CallMethod)
                    .op(ActionCode::Pop);
            out.trace(mark);
            return out;
        };
        auto method = [&](const char* owner, const char* name, const char* mark, bool callsSuper) {
            code.getVariable(owner).push({"prototype"}).op(ActionCode::GetMember).push({name});
            code.defineFunction("", {}, body(mark, callsSuper)).op(ActionCode::SetMember);
        };
        method("One", "foo", "1", true);
        method("Four", "foo", "4", true);
        method("Three", "bla", "bla", true);
        if (call != "foo") {
            method("Two", "foo", "2", false);
            method("Three", "foo", "3", false);
        }
        code.push({"x", 0, "Four"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
        if (call == "own") {
            code.getVariable("x")
                .push({"bla"})
                .defineFunction("", {}, body("x", true))
                .op(ActionCode::SetMember);
        }
        code.getVariable("x").callMethod(call == "own" ? QStringLiteral("bla") : QString::fromLatin1(call),
                                         0);
        code.op(ActionCode::Pop);
        QCOMPARE(traceOf(version, code), expected);
    }

    // What scripts build takes the prototype of the class _global holds at the time, and
    // __resolve is looked for down the prototypes, SWF 6 stopping at the first one found and
    // later versions passing over what is no object.
    void classesReplacedAndResolve_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("literal under a primitive prototype") << 7 << QByteArray("primitive") << "23";
        QTest::newRow("literal without Object") << 7 << QByteArray("noObject") << "undefined";
        QTest::newRow("function under a new Function") << 7 << QByteArray("function") << "true|false";
        QTest::newRow("resolve past undefined, SWF 7") << 7 << QByteArray("resolve") << "world|r";
        QTest::newRow("resolve stops at undefined, SWF 6") << 6 << QByteArray("resolve") << "undefined";
    }
    void classesReplacedAndResolve() {
        QFETCH(int, version);
        QFETCH(QByteArray, scenario);
        QFETCH(QString, expected);
        ActionAssembler code(version);
        auto literalProto = [&] {
            code.push({"z", 0}).op(ActionCode::InitObject).op(ActionCode::SetVariable);
            code.getVariable("z").push({"__proto__"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        };
        if (scenario == "primitive") {
            code.getVariable("_global").push({"Object"}).defineFunction("", {}, ActionAssembler(version));
            code.op(ActionCode::SetMember);
            code.getVariable("Object").push({"prototype", 23}).op(ActionCode::SetMember);
            literalProto();
        } else if (scenario == "noObject") {
            code.getVariable("_global").push({"Object", 42}).op(ActionCode::SetMember);
            literalProto();
        } else if (scenario == "function") {
            code.push({"f"}).getVariable("Function").op(ActionCode::SetVariable);
            code.getVariable("_global").push({"Function"}).defineFunction("", {}, ActionAssembler(version));
            code.op(ActionCode::SetMember);
            code.push({"x"}).defineFunction("", {}, ActionAssembler(version)).op(ActionCode::SetVariable);
            for (const char* maker : {"Function", "f"}) {
                code.getVariable("x").push({"__proto__"}).op(ActionCode::GetMember);
                code.getVariable(maker).push({"prototype"}).op(ActionCode::GetMember);
                code.op(ActionCode::Equals2).op(ActionCode::Trace);
            }
        } else {
            // o = {__proto__: {}}; o.__resolve = undefined; o.__proto__.__resolve = function (n) {...}
            ActionAssembler resolve(version);
            resolve.getVariable("n").op(ActionCode::Trace).push({"r"}).op(ActionCode::Return);
            code.push({"o", "__proto__", 0}).op(ActionCode::InitObject).push({1}).op(ActionCode::InitObject);
            code.op(ActionCode::SetVariable);
            code.getVariable("o").push({"__resolve", PushValue::undefined()}).op(ActionCode::SetMember);
            code.getVariable("o").push({"__proto__"}).op(ActionCode::GetMember).push({"__resolve"});
            code.defineFunction("", {"n"}, resolve).op(ActionCode::SetMember);
            code.getVariable("o").push({"world"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        }
        QCOMPARE(traceOf(version, code), expected);
    }

    void tryCatchFinally_data() {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("throw caught then finally") << QByteArray("caught") << "Try|Catch oops|Finally|after";
        QTest::newRow("no throw skips catch") << QByteArray("clean") << "Try|Finally|after";
        QTest::newRow("catch into a register") << QByteArray("register") << "r oops";
        QTest::newRow("finally runs while unwinding a call")
            << QByteArray("unwind") << "inner finally|outer oops";
        QTest::newRow("return passes through finally") << QByteArray("return") << "fin|1";
        QTest::newRow("uncaught throw ends the script") << QByteArray("uncaught") << "before";
        QTest::newRow("rethrow from catch reaches outer") << QByteArray("rethrow") << "inner|outer again";
        QTest::newRow("a try body with no jump at its end runs on into its catch")
            << QByteArray("no jump") << "Try|Catch undefined|Finally|after";
        QTest::newRow("a return in finally ends the throw that entered it")
            << QByteArray("return in finally") << "Try|f|after";
    }
    void tryCatchFinally() {
        QFETCH(QByteArray, scenario);
        QFETCH(QString, expected);
        ActionAssembler code(7);
        ActionAssembler throwing(7);
        throwing.trace("Try").push({"oops"}).op(ActionCode::Throw).trace("not reached");
        ActionAssembler catching(7);
        catching.push({"Catch "}).getVariable("e").op(ActionCode::Add2).op(ActionCode::Trace);
        ActionAssembler finishing(7);
        finishing.trace("Finally");
        RunStatus status = RunStatus::Completed;
        if (scenario == "caught") {
            code.tryBlock(throwing, &catching, "e", &finishing).trace("after");
        } else if (scenario == "clean") {
            ActionAssembler quiet(7);
            quiet.trace("Try");
            code.tryBlock(quiet, &catching, "e", &finishing).trace("after");
        } else if (scenario == "register") {
            ActionAssembler toRegister(7);
            toRegister.push({"r ", PushValue::reg(2)}).op(ActionCode::Add2).op(ActionCode::Trace);
            ActionAssembler body(7);
            body.push({"oops"}).op(ActionCode::Throw);
            code.tryBlock(body, &toRegister, "r:2", nullptr);
        } else if (scenario == "unwind") {
            ActionAssembler innerFinally(7);
            innerFinally.trace("inner finally");
            ActionAssembler thrower(7);
            thrower.push({"oops"}).op(ActionCode::Throw);
            ActionAssembler function(7);
            function.tryBlock(thrower, nullptr, "", &innerFinally);
            ActionAssembler call(7);
            call.callFunction("f", 0).op(ActionCode::Pop);
            ActionAssembler outerCatch(7);
            outerCatch.push({"outer "}).getVariable("e").op(ActionCode::Add2).op(ActionCode::Trace);
            code.defineFunction("f", {}, function).tryBlock(call, &outerCatch, "e", nullptr);
        } else if (scenario == "return") {
            ActionAssembler body(7);
            body.push({1}).op(ActionCode::Return);
            ActionAssembler fin(7);
            fin.trace("fin");
            ActionAssembler function(7);
            function.tryBlock(body, nullptr, "", &fin).push({2}).op(ActionCode::Return);
            code.defineFunction("g", {}, function).callFunction("g", 0).op(ActionCode::Trace);
        } else if (scenario == "no jump") {
            ActionAssembler quiet(7);
            quiet.trace("Try");
            code.tryBlock(quiet, &catching, "e", &finishing, false).trace("after");
        } else if (scenario == "return in finally") {
            ActionAssembler giveBack(7);
            giveBack.push({"f"}).op(ActionCode::Return);
            ActionAssembler function(7);
            function.tryBlock(throwing, nullptr, "", &giveBack);
            ActionAssembler call(7);
            call.callFunction("h", 0).op(ActionCode::Trace).trace("after");
            code.defineFunction("h", {}, function).tryBlock(call, &catching, "e", nullptr);
        } else if (scenario == "uncaught") {
            code.trace("before").push({"x"}).op(ActionCode::Throw).trace("after");
            status = RunStatus::Thrown;
        } else if (scenario == "rethrow") {
            ActionAssembler body(7);
            body.push({"again"}).op(ActionCode::Throw);
            ActionAssembler innerCatch(7);
            innerCatch.trace("inner").getVariable("e").op(ActionCode::Throw);
            ActionAssembler inner(7);
            inner.tryBlock(body, &innerCatch, "e", nullptr);
            ActionAssembler outerCatch(7);
            outerCatch.push({"outer "}).getVariable("e").op(ActionCode::Add2).op(ActionCode::Trace);
            code.tryBlock(inner, &outerCatch, "e", nullptr);
        }
        ScriptRun run(7);
        const RunResult result = run.run(code);
        QCOMPARE(run.traced(), expected);
        QCOMPARE(static_cast<int>(result.status), static_cast<int>(status));
    }

    void enumeration() {
        // o = {a:1, b:2, c:3}; ASSetPropFlags(o, "b", 1); for (k in o) trace(k)
        ActionAssembler code(7);
        code.push({"o", "c", 3, "b", 2, "a", 1, 3}).op(ActionCode::InitObject).op(ActionCode::SetVariable);
        code.push({1, "b"})
            .getVariable("o")
            .push({3, "ASSetPropFlags"})
            .op(ActionCode::CallFunction)
            .op(ActionCode::Pop);
        code.getVariable("o").op(ActionCode::Enumerate2);
        code.label("loop")
            .storeRegister(0)
            .push({PushValue::null()})
            .op(ActionCode::Equals2)
            .branchIf("done");
        code.push({PushValue::reg(0)}).op(ActionCode::Trace).jump("loop").label("done");
        // The most recently added name comes first; DontEnum names are hidden.
        QCOMPARE(traceOf(7, code), QStringLiteral("c|a"));
    }

    void functionCallAndApply() {
        // function f(a, b) { return this.k + a + b; }
        ActionAssembler body(7);
        body.getVariable("this")
            .push({"k"})
            .op(ActionCode::GetMember)
            .getVariable("a")
            .op(ActionCode::Add2)
            .getVariable("b")
            .op(ActionCode::Add2)
            .op(ActionCode::Return);
        ScriptRun run(7);
        ActionAssembler code(7);
        code.defineFunction("f", {"a", "b"}, body);
        run.run(code);
        Machine& m = *run.machine;
        Object* self = m.newObject();
        m.setMember(self, "k", "k");
        const Value f = m.getMember(run.host.rootClip, "f");
        const Value callArgs[] = {self, 1, 2};
        QCOMPARE(m.toString(m.callMethod(f, "call", callArgs)), QStringLiteral("k12"));
        const Value list[] = {3, 4};
        const Value applyArgs[] = {self, m.newArray(list)};
        QCOMPARE(m.toString(m.callMethod(f, "apply", applyArgs)), QStringLiteral("k34"));
        QCOMPARE(typeOf(f), QStringLiteral("function"));
        QCOMPARE(m.toString(f), QStringLiteral("[type Function]"));
    }

    // call and apply hand the function an object as `this` whatever they are given.
    void callGivesAnObjectAsThis_data() {
        QTest::addColumn<int>("given"); // 0 number, 1 string, 2 boolean, 3 null, 4 undefined
        QTest::addColumn<QString>("expected");
        QTest::newRow("number is wrapped") << 0 << "5|object|42";
        QTest::newRow("string is wrapped") << 1 << "s|object|42";
        QTest::newRow("boolean is wrapped") << 2 << "true|object|42";
        QTest::newRow("null becomes a bare object") << 3 << "[type Object]|object|42";
        QTest::newRow("undefined becomes a bare object") << 4 << "[type Object]|object|42";
    }
    void callGivesAnObjectAsThis() {
        QFETCH(int, given);
        QFETCH(QString, expected);
        // function f() { trace(this); trace(typeof this); this.x = 42; trace(this.x); }
        ActionAssembler body(7);
        body.getVariable("this").op(ActionCode::Trace);
        body.getVariable("this").op(ActionCode::TypeOf).op(ActionCode::Trace);
        body.getVariable("this").push({"x", 42}).op(ActionCode::SetMember);
        body.getVariable("this").push({"x"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        ActionAssembler code(7);
        code.defineFunction("f", {}, body);
        const PushValue values[] = {5, "s", true, PushValue::null(), PushValue::undefined()};
        code.push({values[given]}).getVariable("f").callMethod("call", 1).op(ActionCode::Pop);
        QCOMPARE(traceOf(7, code), expected);
    }

    // An array literal takes its prototype from _global.Array as it is when the literal runs.
    void arrayLiteralFollowsGlobalArray() {
        // delete Array; a = [1, 2]; trace(a); trace(a.length)
        ActionAssembler code(7);
        code.push({"Array"}).op(ActionCode::Delete2).op(ActionCode::Pop);
        code.push({"a", 2, 1, 2}).op(ActionCode::InitArray).op(ActionCode::SetVariable);
        code.getVariable("a").op(ActionCode::Trace);
        code.getVariable("a").push({"length"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        QCOMPARE(traceOf(7, code), QStringLiteral("[type Object]|2"));
    }

    // super() toward a built-in class makes the object under construction one of its kind.
    void superToBuiltinConstructsInPlace_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Date") << "Date"
                              << "1000000000000|undefined";
        QTest::newRow("Array") << "Array"
                               << "undefined|0";
    }
    void superToBuiltinConstructsInPlace() {
        QFETCH(QString, base);
        QFETCH(QString, expected);
        // function Foo() { super(); trace(this.getTime()); trace(this.length); }  Foo extends base
        // Foo.prototype.getTime = Date.prototype.getTime; new Foo()
        ActionAssembler body(7);
        body.push({0})
            .getVariable("super")
            .push({PushValue::undefined()})
            .op(ActionCode::CallMethod)
            .op(ActionCode::Pop);
        body.getVariable("this").callMethod("getTime", 0).op(ActionCode::Trace);
        body.getVariable("this").push({"length"}).op(ActionCode::GetMember).op(ActionCode::Trace);
        ActionAssembler code(7);
        code.defineFunction("Foo", {}, body).getVariable("Foo").getVariable(base).op(ActionCode::Extends);
        code.getVariable("Foo").push({"prototype"}).op(ActionCode::GetMember).push({"getTime"});
        code.getVariable("Date")
            .push({"prototype"})
            .op(ActionCode::GetMember)
            .push({"getTime"})
            .op(ActionCode::GetMember)
            .op(ActionCode::SetMember);
        code.push({0, "Foo"}).op(ActionCode::NewObject).op(ActionCode::Pop);
        ScriptRun run(7);
        run.machine->setFixedDateMs(1e12);
        run.run(code);
        QCOMPARE(run.traced(), expected);
    }

    // Recursion past the limit stops the movie's scripting for good: later scripts never run.
    void runawayRecursionHaltsLaterScripts() {
        // function foo() { foo(); }  foo(); trace("after")   then, as a new script: trace("later")
        ActionAssembler body(7);
        body.push({0, "foo"}).op(ActionCode::CallFunction).op(ActionCode::Pop);
        ActionAssembler code(7);
        code.defineFunction("foo", {}, body);
        code.push({0, "foo"}).op(ActionCode::CallFunction).op(ActionCode::Pop);
        code.trace("after");
        ActionAssembler later(7);
        later.trace("later");
        ScriptRun run(7);
        run.run(code);
        run.run(later);
        QCOMPARE(run.traced(), QString());
    }

    void timelineActions_data() {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("play and stop") << QByteArray("play") << "play _level0|stop _level0";
        QTest::newRow("goto frame counts from 0") << QByteArray("goto") << "gotoFrame _level0 4";
        QTest::newRow("goto frame 2 counts from 1") << QByteArray("goto2") << "gotoFrame _level0 2 play";
        QTest::newRow("goto label on a path") << QByteArray("goto2-label") << "gotoLabel _level0.mc intro";
        QTest::newRow("tell target") << QByteArray("settarget") << "stop _level0.mc|play _level0";
        QTest::newRow("get property by index") << QByteArray("getproperty") << "getProperty _level0.mc 2";
        QTest::newRow("getURL2 with POST") << QByteArray("geturl2-02") << "getUrl http://a _blank 2";
        QTest::newRow("getURL2 into a target")
            << QByteArray("geturl2-40") << "getUrl http://a _blank 0 target";
        QTest::newRow("getURL2 variables into a level by GET")
            << QByteArray("geturl2-81") << "getUrl http://a _blank 1 vars";
        QTest::newRow("getURL2 variables into a target")
            << QByteArray("geturl2-c0") << "getUrl http://a _blank 0 target vars";
        QTest::newRow("call a frame by label") << QByteArray("call") << "callFrame _level0 4";
        QTest::newRow("start drag with a box") << QByteArray("drag") << "startDrag _level0.mc 1 1 1 2 3 4";
        QTest::newRow("clip methods")
            << QByteArray("methods") << "gotoFrame _level0.mc 2 play|stop _level0.mc";
    }
    void timelineActions() {
        QFETCH(QByteArray, scenario);
        QFETCH(QString, expected);
        ActionAssembler code(7);
        if (scenario == "play")
            code.op(ActionCode::Play).op(ActionCode::Stop);
        else if (scenario == "goto")
            code.action(ActionCode::GotoFrame, u16(4));
        else if (scenario == "goto2")
            code.push({3}).action(ActionCode::GotoFrame2, QByteArray(1, 1));
        else if (scenario == "goto2-label")
            code.push({"/mc:intro"}).action(ActionCode::GotoFrame2, QByteArray(1, 0));
        else if (scenario == "settarget")
            code.action(ActionCode::SetTarget, "mc" + QByteArray(1, 0))
                .op(ActionCode::Stop)
                .action(ActionCode::SetTarget, QByteArray(1, 0))
                .op(ActionCode::Play);
        else if (scenario == "getproperty")
            code.push({"mc", 2}).op(ActionCode::GetProperty).op(ActionCode::Pop);
        else if (scenario.startsWith("geturl2-"))
            code.push({"http://a", "_blank"})
                .action(ActionCode::GetUrl2, QByteArray::fromHex(scenario.mid(int(qstrlen("geturl2-")))));
        else if (scenario == "call")
            code.push({"intro"}).op(ActionCode::Call);
        else if (scenario == "drag")
            code.push({1, 2, 3, 4, true, true, "mc"}).op(ActionCode::StartDrag);
        else if (scenario == "methods")
            code.push({3, 1})
                .getVariable("mc")
                .push({"gotoAndPlay"})
                .op(ActionCode::CallMethod)
                .op(ActionCode::Pop)
                .push({0})
                .getVariable("mc")
                .push({"stop"})
                .op(ActionCode::CallMethod)
                .op(ActionCode::Pop);
        ScriptRun run(7);
        run.run(code);
        QCOMPARE(run.host.calls.join('|'), expected);
    }

    void operators_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a NaN read twice is one box") << 7 << QByteArray("nan") << "true|false|true";
        QTest::newRow("SWF 5 NaNs are boxed too") << 5 << QByteArray("nan") << "true|false|true";
        QTest::newRow("undefined meets an object by valueOf") << 7 << QByteArray("undefined") << "v|true";
        QTest::newRow("equality never asks toString") << 7 << QByteArray("no-tostring") << "v|false";
        QTest::newRow("SWF 5 asks valueOf once more") << 5 << QByteArray("no-tostring") << "v|v|false";
        QTest::newRow("two objects: identity alone") << 7 << QByteArray("two-objects") << "false|true";
        QTest::newRow("SWF 5 converts both objects") << 5 << QByteArray("two-objects") << "v|false|v|v|true";
        QTest::newRow("a clip is not its path") << 7 << QByteArray("clip") << "false|v|true";
        QTest::newRow("add: an object answer is asked again for a number")
            << 7 << QByteArray("add-number") << "v|v|NaN";
        QTest::newRow("add: beside a string the object gives its text")
            << 7 << QByteArray("add-string") << "v|t|a[text]";
        QTest::newRow("less: an object answer is false, not undefined")
            << 7 << QByteArray("less-object") << "v|false";
        QTest::newRow("less: the empty string orders last") << 7 << QByteArray("less-empty") << "false|true";
    }
    void operators() {
        QFETCH(int, version);
        QFETCH(QByteArray, scenario);
        QFETCH(QString, expected);
        ActionAssembler code(version);
        // o: an object whose valueOf traces "v" and answers o.answer; toString traces "t" and
        // answers "[text]".
        ActionAssembler valueOf(version);
        valueOf.trace("v")
            .getVariable("this")
            .push({"answer"})
            .op(ActionCode::GetMember)
            .op(ActionCode::Return);
        ActionAssembler toString(version);
        toString.trace("t").push({"[text]"}).op(ActionCode::Return);
        code.push({"o", 0, "Object"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
        code.getVariable("o").push({"valueOf"}).defineFunction("", {}, valueOf).op(ActionCode::SetMember);
        code.getVariable("o").push({"toString"}).defineFunction("", {}, toString).op(ActionCode::SetMember);
        const auto equals = [&] { code.op(ActionCode::Equals2).op(ActionCode::Trace); };
        if (scenario == "nan") {
            code.push({"x", 0, 0}).op(ActionCode::Divide).op(ActionCode::SetVariable);
            code.getVariable("x").getVariable("x");
            equals();
            code.push({0, 0}).op(ActionCode::Divide).push({0, 0}).op(ActionCode::Divide);
            equals();
            code.getVariable("x").getVariable("x").op(ActionCode::StrictEquals).op(ActionCode::Trace);
        } else if (scenario == "undefined") {
            code.push({PushValue::undefined()}).getVariable("o");
            equals();
        } else if (scenario == "no-tostring") {
            code.getVariable("o")
                .push({"answer", 0, "Object"})
                .op(ActionCode::NewObject)
                .op(ActionCode::SetMember);
            code.push({"[text]"}).getVariable("o");
            equals();
        } else if (scenario == "two-objects") {
            code.getVariable("o").push({"answer", 1}).op(ActionCode::SetMember);
            code.getVariable("o").push({0, "Object"}).op(ActionCode::NewObject);
            equals();
            code.getVariable("o").getVariable("o");
            equals();
        } else if (scenario == "clip") {
            code.getVariable("o").push({"answer"}).getVariable("this").op(ActionCode::SetMember);
            code.getVariable("this").push({"_level0"});
            equals();
            code.getVariable("this").getVariable("o");
            equals();
        } else if (scenario.startsWith("add") || scenario == "less-object") {
            code.getVariable("o")
                .push({"answer", 0, "Object"})
                .op(ActionCode::NewObject)
                .op(ActionCode::SetMember);
            if (scenario == "add-number") code.push({1}).getVariable("o").op(ActionCode::Add2);
            if (scenario == "add-string") code.push({"a"}).getVariable("o").op(ActionCode::Add2);
            if (scenario == "less-object") code.getVariable("o").push({1}).op(ActionCode::Less2);
            code.op(ActionCode::Trace);
        } else if (scenario == "less-empty") {
            code.push({"", "0"}).op(ActionCode::Less2).op(ActionCode::Trace);
            code.push({"0", ""}).op(ActionCode::Less2).op(ActionCode::Trace);
        }
        QCOMPARE(traceOf(version, code), expected);
    }

    void constantPoolAndRegisters() {
        ActionAssembler code(6);
        code.constantPool({"greeting", "hello"});
        code.push({PushValue::constant(0), PushValue::constant(1)}).op(ActionCode::SetVariable);
        code.push({PushValue::constant(0)}).op(ActionCode::GetVariable).storeRegister(3).op(ActionCode::Pop);
        code.push({PushValue::reg(3)}).op(ActionCode::Trace);
        QCOMPARE(traceOf(6, code), QStringLiteral("hello"));
    }
};

QTEST_GUILESS_MAIN(Avm1LanguageTest)
#include "avm1_language_test.moc"
