// The script machine's language: variables and scopes, this and arguments, functions and
// registers, prototypes and classes, exceptions, enumeration and timeline actions.
#include "script_fixture.h"

#include <QtTest>

using namespace avm1test;
using swf::format::ActionCode;

namespace {

// o, whose valueOf traces "v" and answers o.answer, and whose toString traces "t".
const QString kTracingObject = "'o' 0 'Object' NewObject SetVariable "
                               "$o 'valueOf' fn() { 'v' Trace $this .answer Return } SetMember "
                               "$o 'toString' fn() { 't' Trace '[text]' Return } SetMember ";
const QString kBase = "fn:Base() { 'Base ctor' Trace } "
                      "$Base .prototype 'hi' fn() { 'hi from Base' Return } SetMember ";
const QString kDerived =
    kBase + "fn:Derived() { 0 $super undefined CallMethod Pop 'Derived ctor' Trace } $Derived $Base Extends ";
// function Foo() { super(); trace(this.getTime()); trace(this.length); }, Foo extends %1,
// Foo.prototype.getTime = Date.prototype.getTime; new Foo()
const QString kSuperTo =
    "fn:Foo() { 0 $super undefined CallMethod Pop $this .getTime(0) Trace $this .length Trace } "
    "$Foo $%1 Extends $Foo .prototype 'getTime' $Date .prototype .getTime SetMember "
    "0 'Foo' NewObject Pop";
const QString kLiteralProto = "'z' 0 InitObject SetVariable $z .__proto__ Trace";

} // namespace

class Avm1LanguageTest : public QObject {
    Q_OBJECT

  private slots:
    void variablesAndScopes_data() {
        addListingRows({
            {"undeclared write in a function lands on the timeline", 7,
             "fn:f() { 'x' 5 SetVariable } f(0) Pop $x Trace $_root.x Trace", "5|5"},
            {"local stays local", 7, "fn:f() { 'y' 1 DefineLocal $y Trace } f(0) Pop $y Trace",
             "1|undefined"},
            {"closure sees the outer activation, SWF 6+", 7,
             "fn:make() { 'secret' 'outer' DefineLocal fn() { $secret Return } Return } 'g' make(0) "
             "SetVariable "
             "g(0) Trace",
             "outer"},
            {"SWF 5 functions do not capture", 5,
             "fn:make() { 'secret' 'outer' DefineLocal fn() { $secret Return } Return } 'g' make(0) "
             "SetVariable "
             "g(0) Trace",
             "undefined"},
            {"names ignore case, SWF 6", 6, "'Foo' 1 SetVariable $foo Trace", "1"},
            {"names keep case, SWF 7", 7, "'Foo' 1 SetVariable $foo Trace", "undefined"},
            {"slash path with variable", 7, "'/mc:v' 9 SetVariable $_root.mc.v Trace $/mc:v Trace", "9|9"},
            {"dot path", 7, "'mc.w' 4 SetVariable $_root.mc.w Trace", "4"},
            {"_global is searched last", 7,
             "$_global 'z' 'g' SetMember $z Trace 'z' 't' SetVariable $z Trace", "g|t"},
            {"with puts an object in front", 7,
             "'v' 'outer' SetVariable 'v' 'inner' 1 InitObject with { $v Trace } $v Trace", "inner|outer"},
            {"keywords ignore case before SWF 7", 6, "$THIS Trace", "_level0"},
            {"and keep it from SWF 7", 7, "$THIS Trace", "undefined"},
            {"a script may write this", 7, "'this' 'test' SetVariable $this Trace", "test"},
            {"with finds its object's __proto__", 5,
             "4 with { $__proto__ 'c' 3 SetMember } $Number .prototype .c Trace", "3"},
            {"withs nest 13 deep", 7,
             QString("0 InitObject with { ").repeated(13) + "'deep' Trace" + QString(" }").repeated(13),
             "deep"},
            {"a 14th is skipped", 7,
             QString("0 InitObject with { ").repeated(14) + "'deep' Trace" + QString(" }").repeated(14), ""},
        });
    }
    void variablesAndScopes() { listingTraces(); }

    void functions_data() {
        const QString thisOf =
            "fn:f() { $this Trace $this TypeOf Trace $this 'x' 42 SetMember $this .x Trace } ";
        addListingRows({
            {"this and arguments", 7,
             "'o' 0 InitObject SetVariable $o 'tag' 'me' SetMember "
             "$o 'm' fn(a,b) { $this .tag Trace $arguments .length Trace $b Trace } SetMember 3 2 1 $o .m(3) "
             "Pop",
             "me|3|2"},
            {"a plain call sees the timeline as this", 7,
             "$_global 'f' fn() { $this Trace } SetMember f(0) Pop tell:mc f(0) Pop", "_level0|_level0.mc"},
            // call and apply hand the function an object as `this` whatever they are given.
            {"call wraps a number", 7, thisOf + "5 $f .call(1) Pop", "5|object|42"},
            {"call wraps a string", 7, thisOf + "'s' $f .call(1) Pop", "s|object|42"},
            {"call wraps a boolean", 7, thisOf + "true $f .call(1) Pop", "true|object|42"},
            {"call makes null a bare object", 7, thisOf + "null $f .call(1) Pop", "[type Object]|object|42"},
            {"call makes undefined a bare object", 7, thisOf + "undefined $f .call(1) Pop",
             "[type Object]|object|42"},
            {"a function's call and apply", 7,
             "fn:f(a,b) { $this .k $a Add2 $b Add2 Return } 'o' 'k' 'k' 1 InitObject SetVariable "
             "2 1 $o $f .call(3) Trace 4 3 2 InitArray $o $f .apply(2) Trace $f Trace",
             "k12|k34|[type Function]"},
            {"an array literal takes the Array _global holds when it runs", 7,
             "'Array' Delete2 Pop 'a' 2 1 2 InitArray SetVariable $a Trace $a .length Trace",
             "[type Object]|2"},
            {"constant pool and registers", 6,
             "pool:greeting,hello c:0 c:1 SetVariable c:0 GetVariable store:3 Pop r:3 Trace", "hello"},
            // The most recently added name comes first; DontEnum names are hidden.
            {"enumeration", 7,
             "'o' 'c' 3 'b' 2 'a' 1 3 InitObject SetVariable 1 'b' $o ASSetPropFlags(3) Pop "
             "$o Enumerate2 label:loop store:0 null Equals2 if:done r:0 Trace jump:loop label:done",
             "c|a"},
        });
    }
    void functions() { listingTraces(); }

    void defineFunction2Registers() {
        // function f(a in r3) with this in r1 and arguments in r2; a lives only in its register.
        using namespace swf::format::function_flags;
        ActionAssembler code(7, "'o' 'tag' 't' 1 InitObject SetVariable $o 'f'");
        code.defineFunction2("", 4, kPreloadThis | kPreloadArguments | kSuppressSuper, {{3, "a"}},
                             ActionAssembler(7, "r:1 .tag Trace r:2 .length Trace r:3 Trace $a Trace"));
        code.script("SetMember 'second' 'first' $o .f(2) Pop");
        QCOMPARE(traceOf(7, code), QStringLiteral("t|2|first|undefined"));
    }

    // Which of this/arguments/super a DefineFunction2 body sees as a variable or in r1.
    void functionPreloadFlags_data() {
        using namespace swf::format::function_flags;
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("expected");
        const struct {
            const char* name;
            int flags;
            const char* read;
            const char* expected;
        } rows[] = {
            {"super as a variable", 0, "$super", "[object Object]"},
            {"no flags: r1 is empty", 0, "r:1", "undefined"},
            {"suppressed super", kSuppressSuper, "$super", "undefined"},
            {"preloaded super is no variable", kPreloadSuper, "$super", "undefined"},
            {"preloaded super in r1", kPreloadSuper, "r:1", "[object Object]"},
            {"suppress wins over preload", kPreloadSuper | kSuppressSuper, "r:1", "undefined"},
            {"preloaded this in r1", kPreloadThis, "r:1", "tagged"},
            {"suppressed this", kSuppressThis, "$this", "undefined"},
            {"this as a variable", 0, "$this", "tagged"},
            {"arguments take r1 when this is suppressed", kSuppressThis | kPreloadArguments, "r:1", "7"},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << row.flags << row.read << row.expected;
    }
    void functionPreloadFlags() {
        QFETCH(int, flags);
        QFETCH(QString, read);
        QFETCH(QString, expected);
        ActionAssembler code(7, "'o' 0 InitObject SetVariable $o '__proto__' 0 InitObject SetMember "
                                "$o 'toString' fn() { 'tagged' Return } SetMember $o 'f'");
        code.defineFunction2("", 3, static_cast<std::uint16_t>(flags), {},
                             ActionAssembler(7, read + " Return"));
        code.script("SetMember 7 $o .f(1) Trace");
        QCOMPARE(traceOf(7, code), expected);
    }

    // What scripts build takes the prototype of the class _global holds at the time, and
    // __resolve is looked for down the prototypes, SWF 6 stopping at the first one found and
    // later versions passing over what is no object. Before SWF 7 super stands one class
    // above the object's own, and one more for each call through super; later above the
    // prototype the method was found on, and through super above the last prototype passed.
    void prototypesAndClasses_data() {
        const QString resolve =
            "'o' '__proto__' 0 InitObject 1 InitObject SetVariable "
            "$o '__resolve' undefined SetMember "
            "$o .__proto__ '__resolve' fn(n) { $n Trace 'r' Return } SetMember $o .world Trace";
        // One <- Two <- Three <- Four: One and Four have foo, Three has bla, each calling
        // super.foo() before tracing its mark; Two and Three may get a plain foo to show where
        // super stands.
        auto chain = [](bool plainFoos, const QString& call) {
            QString out = "fn:One() { } fn:Two() { } fn:Three() { } fn:Four() { } $Two $One Extends "
                          "$Three $Two Extends $Four $Three Extends ";
            auto method = [&out](const char* owner, const char* name, const char* mark, bool callsSuper) {
                out += QStringLiteral("$%1 .prototype '%2' fn() { %3'%4' Trace } SetMember ")
                           .arg(owner, name, callsSuper ? "0 $super 'foo' CallMethod Pop " : "", mark);
            };
            method("One", "foo", "1", true);
            method("Four", "foo", "4", true);
            method("Three", "bla", "bla", true);
            if (plainFoos) {
                method("Two", "foo", "2", false);
                method("Three", "foo", "3", false);
            }
            return out + "'x' 0 'Four' NewObject SetVariable " + call;
        };
        const QString own =
            "$x 'bla' fn() { 0 $super 'foo' CallMethod Pop 'x' Trace } SetMember $x .bla(0) Pop";
        addListingRows({
            {"method from prototype", 7, kBase + "'b' 0 'Base' NewObject SetVariable $b .hi(0) Trace",
             "Base ctor|hi from Base"},
            {"instanceof follows __proto__", 7,
             kBase +
                 "'b' 0 'Base' NewObject SetVariable $b $Base InstanceOf Trace $b $Array InstanceOf Trace",
             "Base ctor|true|false"},
            {"extends and super", 7,
             kDerived + "'d' 0 'Derived' NewObject SetVariable $d $Derived InstanceOf Trace "
                        "$d $Base InstanceOf Trace $d .hi(0) Trace",
             "Base ctor|Derived ctor|true|true|hi from Base"},
            {"cast op", 7,
             kDerived + "'d' 0 'Derived' NewObject SetVariable $Base $d CastOp null StrictEquals Not Trace "
                        "$Array $d CastOp Trace",
             "Base ctor|Derived ctor|true|null"},
            {"implements", 7,
             kDerived + "fn:Iface() { } $Iface 1 $Derived ImplementsOp 'd' 0 'Derived' NewObject SetVariable "
                        "$d $Iface InstanceOf Trace",
             "Base ctor|Derived ctor|true"},
            {"super: inherited through super, SWF 6", 6, chain(false, "$x .foo(0) Pop"), "1|1|1|4"},
            {"super: inherited through super, SWF 7", 7, chain(false, "$x .foo(0) Pop"), "1|1|4"},
            {"super: method found up the chain, SWF 6", 6, chain(true, "$x .bla(0) Pop"), "3|bla"},
            {"super: method found up the chain, SWF 7", 7, chain(true, "$x .bla(0) Pop"), "2|bla"},
            {"super: the object's own method, SWF 7", 7, chain(true, own), "3|x"},
            // super() toward a built-in class makes the object under construction one of its kind.
            {"super() toward Date makes a date", 7, kSuperTo.arg("Date"), "1000000000000|undefined"},
            {"super() toward Array makes an array", 7, kSuperTo.arg("Array"), "undefined|0"},
            {"literal under a primitive prototype", 7,
             "$_global 'Object' fn() { } SetMember $Object 'prototype' 23 SetMember " + kLiteralProto, "23"},
            {"literal without Object", 7, "$_global 'Object' 42 SetMember " + kLiteralProto, "undefined"},
            {"function under a new Function", 7,
             "'f' $Function SetVariable $_global 'Function' fn() { } SetMember 'x' fn() { } SetVariable "
             "$x .__proto__ $Function .prototype Equals2 Trace $x .__proto__ $f .prototype Equals2 Trace",
             "true|false"},
            {"resolve past undefined, SWF 7", 7, resolve, "world|r"},
            {"resolve stops at undefined, SWF 6", 6, resolve, "undefined"},
        });
    }
    void prototypesAndClasses() { listingTraces(); }

    // Equality, addition and comparison meeting objects, per version.
    void operators_data() {
        const QString noAnswer = "$o 'answer' 0 'Object' NewObject SetMember ";
        const QString nan =
            "'x' 0 0 Divide SetVariable $x $x Equals2 Trace 0 0 Divide 0 0 Divide Equals2 Trace "
            "$x $x StrictEquals Trace";
        const QString twoObjects =
            "$o 'answer' 1 SetMember $o 0 'Object' NewObject Equals2 Trace $o $o Equals2 Trace";
        addListingRows({
            {"a NaN read twice is one box", 7, nan, "true|false|true"},
            {"SWF 5 NaNs are boxed too", 5, nan, "true|false|true"},
            {"undefined meets an object by valueOf", 7, kTracingObject + "undefined $o Equals2 Trace",
             "v|true"},
            {"equality never asks toString", 7, kTracingObject + noAnswer + "'[text]' $o Equals2 Trace",
             "v|false"},
            {"SWF 5 asks valueOf once more", 5, kTracingObject + noAnswer + "'[text]' $o Equals2 Trace",
             "v|v|false"},
            {"two objects: identity alone", 7, kTracingObject + twoObjects, "false|true"},
            {"SWF 5 converts both objects", 5, kTracingObject + twoObjects, "v|false|v|v|true"},
            {"a clip is not its path", 7,
             kTracingObject +
                 "$o 'answer' $this SetMember $this '_level0' Equals2 Trace $this $o Equals2 Trace",
             "false|v|true"},
            {"add: an object answer is asked again for a number", 7,
             kTracingObject + noAnswer + "1 $o Add2 Trace", "v|v|NaN"},
            {"add: beside a string the object gives its text", 7,
             kTracingObject + noAnswer + "'a' $o Add2 Trace", "v|t|a[text]"},
            {"less: an object answer is false, not undefined", 7,
             kTracingObject + noAnswer + "$o 1 Less2 Trace", "v|false"},
            {"less: the empty string orders last", 7, "'' '0' Less2 Trace '0' '' Less2 Trace", "false|true"},
        });
    }
    void operators() { listingTraces(); }

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
        auto block = [](const char* listing) { return ActionAssembler(7, listing); };
        const ActionAssembler throwing = block("'Try' Trace 'oops' Throw 'not reached' Trace");
        const ActionAssembler quiet = block("'Try' Trace"), oops = block("'oops' Throw");
        const ActionAssembler catching = block("'Catch ' $e Add2 Trace"),
                              finishing = block("'Finally' Trace");
        const ActionAssembler outerCatch = block("'outer ' $e Add2 Trace");
        ActionAssembler code(7);
        RunStatus status = RunStatus::Completed;
        if (scenario == "caught") {
            code.tryBlock(throwing, &catching, "e", &finishing).trace("after");
        } else if (scenario == "clean" || scenario == "no jump") {
            code.tryBlock(quiet, &catching, "e", &finishing, scenario == "clean").trace("after");
        } else if (scenario == "register") {
            const ActionAssembler toRegister = block("'r ' r:2 Add2 Trace");
            code.tryBlock(oops, &toRegister, "r:2", nullptr);
        } else if (scenario == "unwind") {
            const ActionAssembler innerFinally = block("'inner finally' Trace");
            code.defineFunction("f", {}, ActionAssembler(7).tryBlock(oops, nullptr, "", &innerFinally));
            code.tryBlock(block("f(0) Pop"), &outerCatch, "e", nullptr);
        } else if (scenario == "return") {
            const ActionAssembler fin = block("'fin' Trace");
            ActionAssembler function(7);
            function.tryBlock(block("1 Return"), nullptr, "", &fin).script("2 Return");
            code.defineFunction("g", {}, function).script("g(0) Trace");
        } else if (scenario == "return in finally") {
            const ActionAssembler giveBack = block("'f' Return");
            code.defineFunction("h", {}, ActionAssembler(7).tryBlock(throwing, nullptr, "", &giveBack));
            code.tryBlock(block("h(0) Trace 'after' Trace"), &catching, "e", nullptr);
        } else if (scenario == "uncaught") {
            code.script("'before' Trace 'x' Throw 'after' Trace");
            status = RunStatus::Thrown;
        } else if (scenario == "rethrow") {
            const ActionAssembler innerCatch = block("'inner' Trace $e Throw");
            code.tryBlock(ActionAssembler(7).tryBlock(block("'again' Throw"), &innerCatch, "e", nullptr),
                          &outerCatch, "e", nullptr);
        }
        ScriptRun run(7);
        const RunResult result = run.run(code);
        QCOMPARE(run.traced(), expected);
        QCOMPARE(static_cast<int>(result.status), static_cast<int>(status));
    }

    // Recursion past the limit stops the movie's scripting for good: later scripts never run.
    void runawayRecursionHaltsLaterScripts() {
        ScriptRun run(7);
        run.run(ActionAssembler(7, "fn:foo() { foo(0) Pop } foo(0) Pop 'after' Trace"));
        run.run(ActionAssembler(7, "'later' Trace"));
        QCOMPARE(run.traced(), QString());
    }

    // What timeline actions ask of the host.
    void timelineActions_data() {
        addListingRows({
            {"play and stop", 7, "Play Stop", "play _level0|stop _level0"},
            {"goto frame counts from 0", 7, "goto:4", "gotoFrame _level0 4"},
            {"goto frame 2 counts from 1", 7, "3 GotoFrame2:01", "gotoFrame _level0 2 play"},
            {"goto label on a path", 7, "'/mc:intro' GotoFrame2:00", "gotoLabel _level0.mc intro"},
            {"tell target", 7, "tell:mc Stop tell: Play", "stop _level0.mc|play _level0"},
            {"get property by index", 7, "'mc' 2 GetProperty Pop", "getProperty _level0.mc 2"},
            {"getURL2 with POST", 7, "'http://a' '_blank' GetUrl2:02", "getUrl http://a _blank 2"},
            {"getURL2 into a target", 7, "'http://a' '_blank' GetUrl2:40", "getUrl http://a _blank 0 target"},
            {"getURL2 variables into a level by GET", 7, "'http://a' '_blank' GetUrl2:81",
             "getUrl http://a _blank 1 vars"},
            {"getURL2 variables into a target", 7, "'http://a' '_blank' GetUrl2:c0",
             "getUrl http://a _blank 0 target vars"},
            {"call a frame by label", 7, "'intro' Call", "callFrame _level0 4"},
            {"start drag with a box", 7, "1 2 3 4 true true 'mc' StartDrag",
             "startDrag _level0.mc 1 1 1 2 3 4"},
            {"clip methods", 7, "3 1 $mc 'gotoAndPlay' CallMethod Pop 0 $mc 'stop' CallMethod Pop",
             "gotoFrame _level0.mc 2 play|stop _level0.mc"},
        });
    }
    void timelineActions() {
        QFETCH(QString, listing);
        QFETCH(QString, expected);
        ScriptRun run(7);
        run.run(ActionAssembler(7, listing));
        QCOMPARE(run.host.calls.join('|'), expected);
    }
};

QTEST_GUILESS_MAIN(Avm1LanguageTest)
#include "avm1_language_test.moc"
