// The script machine's values and built-ins: conversions per SWF version, number text,
// operators, property flags, accessors, Array, String, Math, globals and collection.
#include "script_fixture.h"

#include "swf/avm1/number_format.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace avm1test;
using swf::format::ActionCode;

class Avm1Test : public QObject {
    Q_OBJECT

  private slots:
    // setInterval and setTimeout fire on the host's clock, earliest first, each at most once
    // per run; a cleared timer never fires.
    void timersFollowTheMovieClock() {
        ScriptRun run(8);
        Machine& m = *run.machine;
        run.host.timer = 0;
        auto tick = [&m](const char* name) {
            return Value(m.newNativeFunction([name](CallContext& c) {
                c.machine.host().trace(QString::fromLatin1(name) + c.machine.toString(c.arg(0)));
                return Value();
            }));
        };
        const Value repeat = call(m, m.global(), "setInterval", {tick("every"), 100, QStringLiteral("!")});
        call(m, m.global(), "setTimeout", {tick("once"), 150, QStringLiteral("?")});
        const Value cleared = call(m, m.global(), "setTimeout", {tick("never"), 50});
        call(m, m.global(), "clearTimeout", {cleared});
        QVERIFY(call(m, m.global(), "setInterval", {tick("bad"), Value()}).isUndefined());
        for (double now : {50.0, 100.0, 250.0, 1000.0})
            m.runTimers(now);
        QCOMPARE(run.traced(), QString("every!|once?|every!|every!"));
        QCOMPARE(text(m, repeat), QString("1"));
    }

    void numberFormatting_data() {
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("radix");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sum keeps 15 digits") << 0.1 + 0.2 << 10 << "0.3";
        QTest::newRow("third") << 1.0 / 3 << 10 << "0.333333333333333";
        QTest::newRow("integer without point") << 100.0 << 10 << "100";
        QTest::newRow("negative integer") << -4096.0 << 10 << "-4096";
        QTest::newRow("largest integer in full") << 999999999999999.0 << 10 << "999999999999999";
        QTest::newRow("integer with an exponent") << 1e15 << 10 << "1e+15";
        QTest::newRow("negative integer with an exponent")
            << -1234567890123456.0 << 10 << "-1.23456789012346e+15";
        QTest::newRow("fraction beside the integers") << 1234.5 << 10 << "1234.5";
        QTest::newRow("a tie rounds away from zero") << -4096.000244140625 << 10 << "-4096.00024414063";
        QTest::newRow("fixed down to 10^-5") << 0.0000152587890625 << 10 << "0.0000152587890625";
        QTest::newRow("exponent below 10^-5") << 2.384185791015625e-7 << 10 << "2.38418579101563e-7";
        QTest::newRow("rounding carries into a new digit") << 9.999999999999999 << 10 << "10";
        QTest::newRow("negative zero") << -0.0 << 10 << "0";
        QTest::newRow("large exponent") << 1e21 << 10 << "1e+21";
        QTest::newRow("sixteen digits") << 1234567890123456789.0 << 10 << "1.23456789012346e+18";
        QTest::newRow("small exponent") << 1e-7 << 10 << "1e-7";
        QTest::newRow("small plain") << 0.0001 << 10 << "0.0001";
        // Scaled and rounded in double precision: the last digit can stray from the exact
        // expansion's either way (these end in 57 and 49 there).
        QTest::newRow("largest number rounds down")
            << 1.7976931348623157e308 << 10 << "1.79769313486231e+308";
        QTest::newRow("small number rounds up") << 1.234567891234565e-6 << 10 << "1.23456789123457e-6";
        QTest::newRow("subnormal rounds up") << 1.234567891234565e-308 << 10 << "1.23456789123457e-308";
        QTest::newRow("large number rounds exactly") << 999990.79000155942 << 10 << "999990.790001559";
        QTest::newRow("smallest number") << 4.9406564584124654e-324 << 10 << "4.94065645841247e-324";
        QTest::newRow("NaN") << std::nan("") << 10 << "NaN";
        QTest::newRow("Infinity") << HUGE_VAL << 10 << "Infinity";
        QTest::newRow("-Infinity") << -HUGE_VAL << 10 << "-Infinity";
        QTest::newRow("hex") << 255.0 << 16 << "ff";
        QTest::newRow("negative hex") << -255.0 << 16 << "-ff";
        QTest::newRow("binary") << 5.0 << 2 << "101";
        QTest::newRow("radix drops the fraction") << 10.75 << 8 << "12";
    }
    void numberFormatting() {
        QFETCH(double, number);
        QFETCH(int, radix);
        QFETCH(QString, expected);
        QCOMPARE(swf::avm1::formatNumberRadix(number, radix), expected);
    }

    // Own properties as objects grow past and shrink below the size where lookups change
    // from a scan to a hash: every name stays found, in the order it was added.
    void propertyStore_data() {
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("removed");
        for (const bool caseSensitive : {true, false}) {
            const char* rule = caseSensitive ? "case kept" : "case ignored";
            QTest::addRow("%s: few", rule) << caseSensitive << 4 << QList<int>{1};
            QTest::addRow("%s: at the hash", rule) << caseSensitive << 9 << QList<int>{0, 8};
            QTest::addRow("%s: many, shrunk to few", rule)
                << caseSensitive << 20 << QList<int>{19, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
        }
    }
    void propertyStore() {
        QFETCH(bool, caseSensitive);
        QFETCH(int, count);
        QFETCH(QList<int>, removed);
        using swf::avm1::Object;
        using swf::avm1::ObjectKind;
        Object object(ObjectKind::Plain, nullptr, caseSensitive);
        auto name = [](int i) { return QStringLiteral("Prop%1").arg(i); };
        for (int i = 0; i < count; ++i)
            object.setOwn(name(i), i);
        object.setOwn(name(count - 1), -1); // a second write replaces
        for (int i : removed)
            QVERIFY(object.removeOwn(name(i)));
        QVERIFY(!object.removeOwn(name(removed.first())));
        QStringList expectedOrder;
        for (int i = 0; i < count; ++i) {
            const Property* found = object.findOwn(name(i));
            QCOMPARE(found != nullptr, !removed.contains(i));
            if (!found) continue;
            expectedOrder << name(i);
            QCOMPARE(found->value.asNumber(), i == count - 1 ? -1.0 : double(i));
            QCOMPARE(object.findOwn(name(i).toLower()) != nullptr, !caseSensitive);
        }
        QStringList order;
        for (const Property& property : object.properties())
            order << property.name;
        QCOMPARE(order, expectedOrder);
        object.setOwn(QStringLiteral("added"), 7);
        QCOMPARE(object.findOwn(QStringLiteral("added"))->value.asNumber(), 7.0);
    }

    // Each row runs a listing that leaves one value, and traces it.
    void actions_data() {
        const QString array = "'a' 2 10 1 3 4 InitArray SetVariable "; // [3, 1, 10, 2]
        // A split's parts, counted, then joined by '|'.
        const QString parts = " store:0 Pop r:0 .length Trace '|' r:0 .join(1)";
        addListingRows({
            {"undefined to number, SWF 6", 6, "undefined ToNumber", "0"},
            {"undefined to number, SWF 7", 7, "undefined ToNumber", "NaN"},
            {"null to number, SWF 6", 6, "null ToNumber", "0"},
            {"hex string", 6, "'0x1A' ToNumber", "26"},
            {"leading spaces", 6, "'  12' ToNumber", "12"},
            {"trailing letters", 6, "'12abc' ToNumber", "NaN"},
            {"exponent string", 7, "'1.5e3' ToNumber", "1500"},
            {"octal-looking string", 6, "'044' ToNumber", "36"},
            {"empty string, SWF 5", 5, "'' ToNumber", "NaN"},
            {"empty string, SWF 7", 7, "'' ToNumber", "NaN"},
            {"true", 6, "true ToNumber", "1"},
            {"undefined to string, SWF 6", 6, "undefined ToString", ""},
            {"undefined to string, SWF 7", 7, "undefined ToString", "undefined"},
            {"number to string", 6, "0.5 ToString", "0.5"},
            {"text is false when not a number, SWF 6", 6, "'abc' Not", "true"},
            {"text is true when not empty, SWF 7", 7, "'abc' Not", "false"},
            {"\"0\" is false, SWF 6", 6, "'0' Not", "true"},
            {"\"0\" is true, SWF 7", 7, "'0' Not", "false"},
            {"Flash 4 truth is a number", 4, "0 Not", "1"},
            {"0.1 + 0.2", 7, "0.1 0.2 Add2", "0.3"},
            {"number + text concatenates", 7, "1 '2' Add2", "12"},
            {"undefined + text, SWF 6", 6, "undefined 'x' Add2", "x"},
            {"undefined + text, SWF 7", 7, "undefined 'x' Add2", "undefinedx"},
            {"boolean + number", 7, "true 1 Add2", "2"},
            {"Flash 4 add reads text as number", 4, "'12abc' 1 Add", "13"},
            {"Flash 4 divide by zero", 4, "1 0 Divide", "#ERROR#"},
            {"divide by zero", 5, "1 0 Divide", "Infinity"},
            {"modulo", 5, "7.5 2 Modulo", "1.5"},
            {"number equals text", 6, "1 '1' Equals2", "true"},
            {"null equals undefined", 6, "null undefined Equals2", "true"},
            {"undefined is not 0", 6, "undefined 0 Equals2", "false"},
            {"NaN is not NaN", 6, "'x' 'x' Subtract", "NaN"},
            // NaN equals only itself: the global and Number.NaN are one value, a computed NaN another.
            {"NaN constants are one", 6, "$NaN $Number .NaN Equals2", "true"},
            {"computed NaN is another", 6, "'x' 0 Multiply $NaN Equals2", "false"},
            {"boolean equals number", 6, "true 1 Equals2", "true"},
            {"strict: text is not number", 6, "'1' 1 StrictEquals", "false"},
            {"strict: same text", 6, "'a' 'a' StrictEquals", "true"},
            {"texts compare as texts", 6, "'10' '9' Less2", "true"},
            {"number against text compares numbers", 6, "10 '9' Less2", "false"},
            {"less with NaN is undefined", 7, "1 'x' Less2", "undefined"},
            {"greater", 6, "3 2 Greater", "true"},
            {"Flash 4 less pushes 1", 4, "1 2 Less", "1"},
            {"string add", 4, "'ab' 'cd' StringAdd", "abcd"},
            {"string equals", 5, "'ab' 'ab' StringEquals", "true"},
            {"string less", 5, "'ab' 'b' StringLess", "true"},
            {"string greater", 6, "'ab' 'b' StringGreater", "false"},
            {"shift left wraps to 32 bits", 6, "1 31 BitLShift", "-2147483648"},
            {"unsigned shift", 6, "-1 28 BitURShift", "15"},
            {"unsigned shift by 0 stays signed", 8, "-3 0 BitURShift", "-3"},
            {"bit and of large number", 6, "4294967297 3 BitAnd", "1"},
            {"length", 6, "'hello' StringLength", "5"},
            {"multibyte length", 6, "'日本' MBStringLength", "2"},
            {"extract from 1", 6, "'hello' 2 3 StringExtract", "ell"},
            {"extract past end", 6, "'hello' 9 3 MBStringExtract", ""},
            {"to integer truncates", 6, "-3.7 ToInteger", "-3"},
            {"to integer wraps to 32 bits", 6, "4294967295 ToInteger", "-1"},
            {"to integer of infinity", 6, "Infinity ToInteger", "0"},
            {"char to code", 6, "'A' CharToAscii", "65"},
            {"code to char", 6, "66 AsciiToChar", "B"},
            {"trace ends at a NUL character", 6, "'ab' 0 $String .fromCharCode(1) StringAdd 'cd' StringAdd",
             "ab"},
            {"random uses the host", 6, "10 RandomNumber", "5"},
            {"getTimer uses the host", 6, "GetTime", "1234"},
            // The Function class came with SWF 6: older movies cannot name it.
            {"no Function before SWF 6", 5, "$Function TypeOf", "undefined"},
            {"Function in SWF 6", 6, "$Function TypeOf", "function"},
            // flash.geom came with SWF 8; ASSetPropFlags clearing the version bit shows it earlier.
            {"no flash before SWF 8", 7, "$flash TypeOf", "undefined"},
            {"flash in SWF 8", 8, "$flash TypeOf", "object"},
            {"flash in SWF 7, flags cleared", 7,
             "4096 0 'flash' $_global ASSetPropFlags(4) Pop $flash TypeOf", "object"},
            {"SWF 6, only the SWF 6 bit cleared", 6,
             "128 0 'flash' $_global ASSetPropFlags(4) Pop $flash TypeOf", "undefined"},
            // Literals carry an own hidden `constructor`; `new` leaves __constructor__ instead.
            {"literals name their class", 7,
             "'o' 0 InitObject SetVariable 'a' 0 InitArray SetVariable 'constructor' $o .hasOwnProperty(1) "
             "Trace "
             "$o .constructor Trace 'constructor' $a .hasOwnProperty(1) Trace $a .constructor Trace "
             "$o .__constructor__",
             "true|[type Function]|true|[type Function]|undefined"},
            // The built-in classes as movies use them.
            {"context menu hides built-ins in a fresh object", 8,
             "'m' 0 'ContextMenu' NewObject SetVariable 'b' $m .builtInItems SetVariable $m "
             ".hideBuiltInItems(0) Pop "
             "$b .save Trace $m .builtInItems .save",
             "true|false"},
            {"context menu item keeps odd arguments as given", 8,
             "'i' 5 undefined 'c' 3 'ContextMenuItem' NewObject SetVariable $i .separatorBefore Trace $i "
             ".enabled",
             "5|true"},
            {"context menu methods are SWF 7 material", 6,
             "'m' 0 'ContextMenu' NewObject SetVariable $m .copy TypeOf Trace $m .builtInItems TypeOf",
             "undefined|object"},
            // The numbered scaleMode setter works on the Stage whatever `this` is, and with no
            // argument leaves the mode alone.
            {"scaleMode setter as a native", 7,
             "$Stage 'scaleMode' 'noborder' SetMember 's' 2 666 ASnative(2) SetVariable s(0) Pop $Stage "
             ".scaleMode Trace "
             "'EXACTFIT' s(1) Pop $Stage .scaleMode",
             "noBorder|exactFit"},
            {"LoadVars text lists the newest variable first", 7,
             "'v' 0 'LoadVars' NewObject SetVariable $v 'a' 3 SetMember $v 'b' 'x y' SetMember $v Trace "
             "LoadVars(0) TypeOf",
             "b=x%20y&a=3|undefined"},
            {"date text is UTC", 8, "1239752134235.94 1 'Date' NewObject",
             "Tue Apr 14 23:35:34 GMT+0000 2009"},
            {"date fields overflow into the next month", 8,
             "'d' 31 0 2000 3 'Date' NewObject SetVariable 1 $d .setMonth(1) Pop $d .getMonth(0) Trace $d "
             ".getDate(0) Trace "
             "$d .getDay(0)",
             "2|2|4"},
            {"two-digit years are 19xx", 8, "59 59 23 31 11 99 6 'Date' NewObject .getFullYear(0)", "1999"},
            // Parts stop at the first undefined one; each is cut to a whole number; an infinite
            // part gives an infinite time, which reads as a Sunday at the epoch.
            {"date parts stop at undefined", 7,
             "'d' 89 undefined 43 22 undefined 11 1983 7 'Date' NewObject SetVariable $d Trace $d "
             ".getTime(0)",
             "Thu Dec 1 00:00:00 GMT+0000 1983|439084800000"},
            {"date parts are cut to whole numbers", 7,
             "'d' 89 0.5 43 22 -0.5 11 1983 7 'Date' NewObject SetVariable $d Trace $d .getTime(0)",
             "Wed Nov 30 22:43:00 GMT+0000 1983|439080180089"},
            {"an infinite date part", 7,
             "'d' 89 -Infinity 43 22 -Infinity 11 1983 7 'Date' NewObject SetVariable $d Trace $d "
             ".getTime(0)",
             "Sun Jan 1 00:00:00 GMT+0000 1970|-Infinity"},
            {"infinities that cancel", 7,
             "'d' 89 -Infinity 43 22 Infinity 11 1983 7 'Date' NewObject SetVariable $d Trace $d .getTime(0)",
             "Invalid Date|NaN"},
            {"the fixed moment is what Date reads as now", 8, "0 'Date' NewObject .getTime(0)",
             "1000000000000"},
            {"date out of range is invalid", 8, "1e300 1 'Date' NewObject", "Invalid Date"},
            {"setYear takes month and date, two-digit years are 19xx", 8,
             "'d' 15 10 2020 3 'Date' NewObject SetVariable 3 2 1 $d .setYear(3) Pop $d .getFullYear(0) "
             "Trace "
             "$d .getMonth(0) Trace $d .getDate(0)",
             "1901|2|3"},
            {"getTime of an object that is no date", 8,
             "0 'Object' NewObject $Date .prototype .getTime .call(1)", "undefined"},
            {"_global stands outside Object", 8, "$_global .toString TypeOf Trace 1 $_global Less2",
             "undefined|undefined"},
            {"Function.prototype is no function", 8, "$Function .prototype TypeOf Trace $Function .prototype",
             "object|[object Object]"},
            {"ASnative numbers the player lacks give a function doing nothing", 6,
             "'n' 3 9999 ASnative(2) SetVariable $n TypeOf Trace n(0) TypeOf Trace $ASnative .__proto__ "
             "TypeOf",
             "function|undefined|undefined"},
            {"ASconstructor makes a class", 6,
             "'c' 3 9999 ASconstructor(2) SetVariable $c .prototype .constructor $c StrictEquals", "true"},
            {"clearTimeout is not clearInterval, SWF 5", 5, "$clearTimeout $clearInterval StrictEquals",
             "false"},
            {"clearTimeout is clearInterval, SWF 6", 6, "$clearTimeout $clearInterval StrictEquals", "true"},
            // A primitive reads as the object its class would make of it.
            {"a number's own members, SWF 6", 6,
             "42 .__proto__ $Number .prototype StrictEquals Trace '__proto__' 42 .hasOwnProperty(1) Trace "
             "'__constructor__' 42 .hasOwnProperty(1) Trace 'constructor' 42 .hasOwnProperty(1)",
             "true|true|true|true"},
            {"a number's own members, SWF 7", 7,
             "42 .__proto__ $Number .prototype StrictEquals Trace '__proto__' 42 .hasOwnProperty(1) Trace "
             "'__constructor__' 42 .hasOwnProperty(1) Trace 'constructor' 42 .hasOwnProperty(1)",
             "true|true|true|false"},
            {"Number and Boolean prototypes hold no value", 8,
             "$Number .prototype Trace $Boolean .prototype Trace 5 1 'Number' NewObject .toString(0)",
             "[type Object]|[type Object]|5"},
            // Older movies reach flash.geom only once ASSetPropFlags has cleared its SWF 8 bit.
            {"matrix with missing members, SWF 6", 6,
             "4096 0 'flash' $_global ASSetPropFlags(4) Pop 20 10 2 $flash .geom 'Matrix' NewMethod",
             "(a=10, b=20, c=, d=, tx=, ty=)"},
            {"matrix inverse maps a point back", 8,
             "'m' 20 10 4 0 0 2 6 $flash .geom 'Matrix' NewMethod SetVariable "
             "'p' 1 1 2 $flash .geom 'Point' NewMethod $m .transformPoint(1) SetVariable $p Trace "
             "$m .invert(0) Pop $p $m .transformPoint(1)",
             "(x=12, y=24)|(x=1, y=1)"},
            // A menu copy shares the built-in entries but copies each custom item through its own copy.
            {"context menu copy shares built-ins, copies items", 7,
             "'m' 1 1 'ContextMenu' NewObject SetVariable 2 'a' 2 'ContextMenuItem' NewObject $m "
             ".customItems .push(1) "
             "Pop 'c' $m .copy(0) SetVariable $m .builtInItems 'zoom' false SetMember "
             "$m .customItems .0 'caption' 'b' SetMember $c .onSelect Trace $c .builtInItems .zoom Trace "
             "$c .customItems .0 .caption Trace $c .customItems .0 .visible",
             "1|false|a|true"},
            {"xml element left open", 8, "'<a><b></a>' 1 'XML' NewObject .status", "-9"},
            {"xml end tag of nothing open", 8, "'<a><b></c></b></a>' 1 'XML' NewObject .status", "-10"},
            {"xml prefix and local name split at a colon with something after it", 8,
             "'x' 0 'XML' NewObject SetVariable "
             "'a:b' $x .createElement(1) store:0 Pop r:0 .prefix Trace r:0 .localName Trace "
             "'a:' $x .createElement(1) store:0 Pop r:0 .prefix Trace r:0 .localName Trace "
             "':' $x .createElement(1) store:0 Pop r:0 .prefix Trace r:0 .localName Trace "
             "'::b' $x .createElement(1) store:0 Pop r:0 .prefix Trace r:0 .localName Trace "
             "'a::' $x .createElement(1) store:0 Pop r:0 .prefix Trace r:0 .localName",
             "a|b||a:||:||:b|a|:"},
            {"xml childNodes keeps a script's changes until the tree changes", 8,
             "'r' '<r><a/></r>' 1 'XML' NewObject .firstChild SetVariable 'fake' $r .childNodes .push(1) Pop "
             "$r .childNodes Trace 'b' 0 'XML' NewObject .createElement(1) $r .appendChild(1) Pop $r "
             ".childNodes",
             "<a />,fake|<a />,<b />"},
            {"xml navigation and white space", 8,
             "'x' 0 'XML' NewObject SetVariable $x 'ignoreWhite' true SetMember '<r> <p/> <q>v</q> </r>' "
             "$x .parseXML(1) Pop 'q' $x .firstChild .firstChild .nextSibling SetVariable "
             "$x .firstChild .childNodes .length Trace $q .nodeName Trace $q .firstChild .nodeValue",
             "2|q|v"},
            {"xml namespace of a prefix, from an ancestor", 8,
             "'b' '<t:a xmlns:t=\"u1\"><t:b xmlns=\"u2\"/></t:a>' 1 'XML' NewObject .firstChild .firstChild "
             "SetVariable $b .namespaceURI Trace 'u2' $b .getPrefixForNamespace(1) Trace "
             "'x' $b .getNamespaceForPrefix(1)",
             "u1||null"},
            {"xml ids on the document before SWF 8", 5,
             "'x' '<a id=\"k\"/>' 1 'XML' NewObject SetVariable $x .k .nodeName Trace $x .idMap Trace "
             "$x .__constructor__",
             "a|undefined|undefined"},
            {"xml ids under idMap from SWF 8", 8,
             "'x' '<a id=\"k\"/>' 1 'XML' NewObject SetVariable $x .idMap .k .nodeName Trace $x .k Trace "
             "$x .__constructor__ undefined StrictEquals",
             "a|undefined|false"},
            {"xml idMap made by the parser inherits nothing", 8,
             "'<a id=\"k\"/>' 1 'XML' NewObject .idMap store:0 Pop r:0 .k .nodeName Trace r:0 .toString "
             "TypeOf",
             "a|undefined"},
            // A slash ends a start tag's name only before '>'; an end tag's name stops at any slash.
            {"xml slash inside a start tag's name", 8,
             "'x' '<a/ ></a/>' 1 'XML' NewObject SetVariable $x Trace $x .status", "<a/ />|-10"},
            {"xml end tag without a name", 8, "'x' '</>a' 1 'XML' NewObject SetVariable $x Trace $x .status",
             "|-6"},
            {"xml end tag name stops at a slash", 8,
             "'x' '<a></a/>' 1 'XML' NewObject SetVariable $x Trace $x .status", "<a />|0"},
            {"xml node properties return to a replaced XMLNode.prototype through the class", 8,
             "'p' 0 'Object' NewObject SetVariable $XMLNode 'prototype' $p SetMember 'x' '<a/>' 1 'XML' "
             "NewObject "
             "SetVariable 'nodeType' $p .hasOwnProperty(1) Trace 1 1 'XMLNode' NewObject Pop "
             "'nodeType' $p .hasOwnProperty(1) Trace 't' $x .createTextNode(1) Pop 'nodeType' $p "
             ".hasOwnProperty(1)",
             "false|false|true"},
            // The parser stores each id as it reads the element, through any setter there.
            {"xml id store runs a setter mid-parse, SWF 7", 7,
             "'x' 0 'XML' NewObject SetVariable fn(v) { $v ' in ' Add2 $this Add2 Trace } fn() { } 'k' "
             "$x .addProperty(3) Pop '<r><a id=\"k\"/><b/></r>' $x .parseXML(1)",
             "<a id=\"k\" /> in <r><a id=\"k\" /></r>|undefined"},
            {"xml id store runs a setter mid-parse, SWF 8", 8,
             "'x' 0 'XML' NewObject SetVariable 'm' 0 'Object' NewObject SetVariable $x 'idMap' $m SetMember "
             "fn(v) { $v ' in ' Add2 $this Add2 Trace } fn() { } 'k' $m .addProperty(3) Pop "
             "'<r><a id=\"k\"/><b/></r>' $x .parseXML(1)",
             "<a id=\"k\" /> in [object Object]|undefined"},
            // Clearing every flag also reveals the hidden __constructor__ new leaves, and the
            // constructor a literal carries.
            {"__proto__ keeps any value and is hidden and permanent", 8,
             "'o' 0 'Object' NewObject SetVariable $o Enumerate2 label:a store:0 null Equals2 if:a. r:0 "
             "Trace jump:a "
             "label:a. $o '__proto__' 'text' SetMember $o .__proto__ Trace 1 0 null $o ASSetPropFlags(4) Pop "
             "$o Enumerate2 label:b store:0 null Equals2 if:b. r:0 Trace jump:b label:b. $o '__proto__' "
             "Delete",
             "text|__constructor__|__proto__|false"},
            {"an array's length reads back as written until the elements change it", 7,
             "'a' 2 1 2 InitArray SetVariable $a 'length' 'one' SetMember $a .length Trace $a .0 Trace "
             "3 $a .push(1) Pop $a .length Trace 'length' $Array .prototype .hasOwnProperty(1)",
             "one|undefined|1|false"},
            {"an object made by a function prototype is no function", 8,
             "'o' 0 'Object' NewObject SetVariable $o '__proto__' fn() { } SetMember $o Trace $isNaN",
             "[object Object]|[type Function]"},
            {"an array's length is an own member that ASSetPropFlags reveals", 7,
             "'a' 1 1 InitArray SetVariable $a Enumerate2 label:a store:0 null Equals2 if:a. r:0 Trace "
             "jump:a label:a. "
             "'length' $a .hasOwnProperty(1) Trace 1 0 null $a ASSetPropFlags(4) Pop "
             "$a Enumerate2 label:b store:0 null Equals2 if:b. r:0 Trace jump:b label:b. "
             "4 'length' $a ASSetPropFlags(3) Pop $a 'length' 5 SetMember $a .length Trace $a 'length' "
             "Delete",
             "0|true|constructor|0|length|__proto__|1|false"},
            // A native function that never had a prototype member makes objects that inherit nothing.
            {"a class without a prototype makes objects that inherit nothing", 7,
             "'F' 3 9999 ASnative(2) SetVariable $F .prototype TypeOf Trace 'o' 0 'F' NewObject SetVariable "
             "$o .toString TypeOf Trace $o .__proto__ TypeOf",
             "undefined|undefined|undefined"},
            {"xml round trip escapes and closes empty elements", 8,
             "'x' \"<a x='1&amp;2'><b/>t&lt;</a>\" 1 'XML' NewObject SetVariable $x Trace $x .status",
             "<a x=\"1&amp;2\"><b />t&lt;</a>|0"},
            {"xml insertBefore leaves a node already among the children in place", 8,
             "'x' '<a/><b/>' 1 'XML' NewObject SetVariable 'a' $x .firstChild SetVariable 'b' $x .lastChild "
             "SetVariable $a $b $x .insertBefore(2) Pop $x Trace $b .removeNode(0) Pop $a $b $x "
             ".insertBefore(2) Pop "
             "$x",
             "<a /><b />|<b /><a />"},
            {"loadvars decodes and encodes", 8,
             "'v' 0 'LoadVars' NewObject SetVariable 'a=1&b=x%20y&c' $v .decode(1) Pop $v .b Trace $v",
             "x y|c=&b=x%20y&a=1"},
            {"a listener added twice hears once", 8,
             "'s' 0 'Object' NewObject SetVariable $s $AsBroadcaster .initialize(1) Pop "
             "'l' 0 'Object' NewObject SetVariable $l 'hit' fn(w) { $w Trace } SetMember $l $s "
             ".addListener(1) Pop "
             "$l $s .addListener(1) Pop 'once' 'hit' $s .broadcastMessage(2) Pop $l $s .removeListener(1) "
             "Pop "
             "'gone' 'hit' $s .broadcastMessage(2)",
             "once|undefined"},
            {"functions name Function as their constructor", 8,
             "$parseInt .constructor $Function StrictEquals", "true"},
            {"a number from an object asks valueOf only", 8,
             "'o' 0 'Object' NewObject SetVariable $o 'valueOf' fn() { $this Return } SetMember "
             "$o 'toString' fn() { '5' Return } SetMember $o ToNumber Trace $o 1 Add2 Trace 'a' $o Add2",
             "NaN|NaN|a5"},
            {"propertyFlags: protected and read-only members", 7,
             "'o' 0 'Object' NewObject SetVariable $o 'keep' 1 SetMember $o 'fixed' 2 SetMember "
             "2 'keep' $o ASSetPropFlags(3) Pop 4 'fixed' $o ASSetPropFlags(3) Pop $o 'keep' Delete Trace "
             "$o 'fixed' 3 SetMember $o .fixed Trace 'keep' $o .hasOwnProperty(1)",
             "false|2|true"},
            // A watcher sees each write and replaces the value; a write from inside it does not call
            // it again.
            {"watch sees and replaces writes", 6,
             "'o' 0 'Object' NewObject SetVariable $o 'p' 1 SetMember "
             "'data' fn(n,old,val,d) { $n ':' Add2 $old Add2 '->' Add2 $val Add2 '/' Add2 $d Add2 Trace "
             "$this 'p' 100 SetMember $val 2 Multiply Return } 'p' $o .watch(3) Trace $o 'p' 5 SetMember $o "
             ".p Trace "
             "'p' $o .unwatch(1) Trace $o 'p' 6 SetMember $o .p",
             "true|p:1->5/data|10|true|6"},
            // A caseless sort is not stable (the pivot moves "a" before "A"); a unique sort meeting
            // equals answers 0; a comparator that contradicts itself does not break the sort; sortOn
            // by a field; length truncates.
            {"array sort edge cases", 7,
             "'a' 'B' 'a' 'A' 'b' 4 InitArray SetVariable 1 $a .sort(1) Pop $a Trace 5 $a .sort(1) Trace "
             "fn() { 1 Return } $a .sort(1) Pop $a .length Trace "
             "'p' 'name' 'bob' 'age' 4 2 InitObject 'name' 'ann' 'age' 30 2 InitObject 2 InitArray "
             "SetVariable "
             "16 'age' $p .sortOn(2) Pop $p .0 .name Trace $a 'length' 1 SetMember $a .1",
             "a,A,b,B|0|4|bob|undefined"},
            // Given a comparator, a unique sort compares the sorted elements as texts instead.
            {"unique sort by a comparator", 7,
             "'a' 'A' 'a' 2 InitArray SetVariable 4 fn() { 0 Return } $a .sort(2) Trace "
             "'a' 'x' 'x' 2 InitArray SetVariable 4 fn() { -1 Return } $a .sort(2)",
             "a,A|0"},
            {"array push", 7, array + "9 $a .push(1) Trace $a", "5|3,1,10,2,9"},
            {"array pop", 7, array + "$a .pop(0) Trace $a", "2|3,1,10"},
            {"array shift", 7, array + "$a .shift(0) Trace $a", "3|1,10,2"},
            {"array unshift", 7, array + "0 $a .unshift(1) Trace $a", "5|0,3,1,10,2"},
            {"array slice negative", 7, array + "-2 $a .slice(1) Trace $a", "10,2|3,1,10,2"},
            {"array splice insert", 7, array + "'x' 2 1 $a .splice(3) Trace $a", "1,10|3,x,2"},
            {"array join", 7, array + "'-' $a .join(1) Trace $a", "3-1-10-2|3,1,10,2"},
            {"array concat", 7, array + "4 $a .concat(1) Trace $a", "3,1,10,2,4|3,1,10,2"},
            {"array reverse", 7, array + "$a .reverse(0) Trace $a", "2,10,1,3|2,10,1,3"},
            {"array sort compares text", 7, array + "$a .sort(0) Trace $a", "1,10,2,3|1,10,2,3"},
            // The quicksort's own order of comparisons, the pivot first, exchanged elements again.
            {"array sort comparisons", 7,
             array + "fn(x,y) { $x ':' Add2 $y Add2 Trace $x $y Subtract Return } $a .sort(1) Trace $a",
             "3:1|3:10|3:2|3:2|3:10|3:2|2:1|1,2,3,10|1,2,3,10"},
            {"array sort numeric", 7, array + "16 $a .sort(1) Trace $a", "1,2,3,10|1,2,3,10"},
            {"array sort numeric descending", 7, array + "18 $a .sort(1) Trace $a", "10,3,2,1|10,3,2,1"},
            {"array sort returning indices", 7, array + "24 $a .sort(1) Trace $a", "1,3,0,2|3,1,10,2"},
            {"array toString", 7, array + "$a .toString(0) Trace $a", "3,1,10,2|3,1,10,2"},
            {"split", 7, "',' 'a,b,,c' .split(1)" + parts, "4|a|b||c"},
            {"split with limit", 7, "2 ',' 'a,b,c' .split(2)" + parts, "2|a|b"},
            {"split empty delimiter", 7, "'' 'abc' .split(1)" + parts, "3|a|b|c"},
            {"split empty text, empty delimiter", 7, "'' '' .split(1)" + parts, "0|"},
            {"split empty text", 7, "',' '' .split(1)" + parts, "1|"},
            {"split without delimiter", 7, "'a,b' .split(0)" + parts, "1|a,b"},
            {"undefined delimiter ignores the limit", 7, "0 undefined 'a,b' .split(2)" + parts, "1|a,b"},
            {"SWF 5: empty delimiter keeps the string", 5, "'' 'abc' .split(1)" + parts, "1|abc"},
            {"SWF 5: empty text, empty delimiter", 5, "'' '' .split(1)" + parts, "1|"},
            {"SWF 5: empty delimiter ignores the limit", 5, "0 '' 'abc' .split(2)" + parts, "1|abc"},
            {"SWF 5: a longer delimiter keeps the string", 5, "'::' 'a::b' .split(1)" + parts, "1|a::b"},
            {"SWF 5: a longer delimiter, limit 0", 5, "0 '::' 'a::b' .split(2)" + parts, "0|"},
            {"SWF 5: undefined delimiter and a limit cut at commas", 5,
             "2 undefined 'a,b,c' .split(2)" + parts, "2|a|b"},
            {"charAt", 7, "1 'hello' .charAt(1)", "e"},
            {"charAt outside", 7, "9 'hello' .charAt(1)", ""},
            {"charCodeAt outside", 7, "9 'hello' .charCodeAt(1)", "NaN"},
            {"indexOf from", 7, "2 'b' 'abcabc' .indexOf(2)", "4"},
            {"lastIndexOf", 7, "'b' 'abcabc' .lastIndexOf(1)", "4"},
            {"substr negative start", 7, "2 -3 'hello' .substr(2)", "ll"},
            {"substring swaps", 7, "1 4 'hello' .substring(2)", "ell"},
            {"substr negative length counts from the end", 7, "-2 1 'hello' .substr(2)", "ell"},
            {"substr negative length reaching the end is empty", 7, "-1 1 'hello' .substr(2)", ""},
            {"substr infinite length is 0", 7, "Infinity 1 'hello' .substr(2)", ""},
            {"substring from the end is empty", 7, "1 5 'hello' .substring(2)", ""},
            {"slice negative end", 7, "-1 1 'hello' .slice(2)", "ell"},
            {"toUpperCase", 7, "'Hello' .toUpperCase(0)", "HELLO"},
            {"concat", 7, "'b' 1 'a' .concat(2)", "a1b"},
            {"parseInt hex", 7, "'0x1F' parseInt(1)", "31"},
            {"parseInt octal by leading zero", 7, "'010' parseInt(1)", "8"},
            {"parseInt radix", 7, "36 'z' parseInt(2)", "35"},
            {"parseInt garbage", 7, "'x1' parseInt(1)", "NaN"},
            {"parseFloat prefix", 7, "'3.5kg' parseFloat(1)", "3.5"},
            {"isNaN", 7, "'x' isNaN(1)", "true"},
            {"isFinite", 7, "1e308 isFinite(1)", "true"},
            {"escape", 7, "'a b&é' escape(1)", "a%20b%26%C3%A9"},
            {"unescape", 7, "'a%20b%C3%A9%zz+c' unescape(1)", "a bé c"},
            {"String of number", 7, "0.5 String(1)", "0.5"},
            {"Number of text", 7, "'12' Number(1)", "12"},
            // Space may lead but not follow, and turns off hexadecimal and octal; hexadecimal
            // is a signed 32-bit integer; an exponent mark without digits is let go.
            {"Number of spaced text", 7,
             "'2 ' Number(1) ' 077' Number(1) ' 0x2' Number(1) '077' Number(1) "
             "Trace Trace Trace",
             "63|NaN|77|NaN"},
            {"Number of hexadecimal", 7, "'0x-2' Number(1) '0xff000000' Number(1) Trace", "-16777216|-2"},
            {"Number with a bare exponent", 7, "'2e' Number(1) '-56e+' Number(1) Trace", "-56|2"},
            {"Boolean of text", 7, "'0' Boolean(1)", "true"},
            {"Boolean of nothing", 7, "Boolean(0)", "undefined"},
            {"fromCharCode", 7, "105 72 $String .fromCharCode(2)", "Hi"},
            {"Math.max empty", 7, "$Math .max(0)", "-Infinity"},
            {"Math.min NaN", 7, "'x' 1 $Math .min(2)", "NaN"},
            {"Math.round half", 7, "-2.5 $Math .round(1)", "-2"},
            {"Math.pow", 7, "10 2 $Math .pow(2)", "1024"},
            {"Math.random from the host", 7, "$Math .random(0)", "0.5"},
            {"Math.abs of nothing", 7, "$Math .abs(0)", "NaN"},
            {"Math.min of nothing", 7, "$Math .min(0)", "Infinity"},
            {"Math.max of one", 7, "1 $Math .max(1)", "NaN"},
            {"Math.max of the first two", 7, "3 2 1 $Math .max(3)", "2"},
            {"Math.pow of one", 7, "2 $Math .pow(1)", "NaN"},
            {"Number.MAX_VALUE", 7, "$Number .MAX_VALUE", "1.79769313486231e+308"},
            {"Number.MIN_VALUE", 7, "$Number .MIN_VALUE", "4.94065645841247e-324"},
            {"Number.NEGATIVE_INFINITY", 7, "$Number .NEGATIVE_INFINITY", "-Infinity"},
            {"number toString by radix", 7, "16 255 .toString(1)", "ff"},
            // Radixes that are no whole number in range (a fuzzer's NaN among them) write decimal.
            {"radix NaN", 7, "NaN 255 .toString(1)", "255"},
            {"radix huge", 7, "1e300 255 .toString(1)", "255"},
            {"radix -Infinity", 7, "-Infinity 255 .toString(1)", "255"},
            {"radix text", 7, "'x' 255 .toString(1)", "255"},
            {"a Number object", 7, "'w' 5 1 'Number' NewObject SetVariable $w ToNumber Trace $w TypeOf",
             "5|object"},
        });
    }
    void actions() {
        QFETCH(int, version);
        QFETCH(QString, listing);
        QFETCH(QString, expected);
        QCOMPARE(traceOf(version, ActionAssembler(version, listing + " Trace")), expected);
    }

    // ASSetPropFlags's version bits, each hiding a member from some SWF versions; the member
    // is named by a number, which names one member as its text does.
    void versionFlagsHideMembers_data() {
        QTest::addColumn<int>("flag");
        QTest::addColumn<QString>("visibleIn"); // the SWF versions 5..9 that still read it
        QTest::newRow("6 and up") << 0x80 << "6789";
        QTest::newRow("not in 6") << 0x100 << "5789";
        QTest::newRow("7 and up") << 0x400 << "789";
        QTest::newRow("8 and up") << 0x1000 << "89";
        QTest::newRow("9 and up") << 0x2000 << "9";
    }
    void versionFlagsHideMembers() {
        QFETCH(int, flag);
        QFETCH(QString, visibleIn);
        QString seen;
        for (int version = 5; version <= 9; ++version) {
            ScriptRun run(version);
            Machine& m = *run.machine;
            Object* object = m.newObject();
            m.setMember(object, "12", 1);
            call(m, m.global(), "ASSetPropFlags", {object, 12, flag});
            if (!m.getMember(object, "12").isUndefined()) seen += QString::number(version);
        }
        QCOMPARE(seen, visibleIn);
    }

    // The flags the player leaves on its own classes' members, as movies list them.
    void builtinMemberFlags_data() {
        QTest::addColumn<QString>("owner"); // a path from _global
        QTest::addColumn<QString>("member");
        QTest::addColumn<int>("flags");
        const int hidden = property_flags::kDontEnum, permanent = property_flags::kDontDelete,
                  readOnly = property_flags::kReadOnly;
        const struct {
            const char *name, *owner, *member;
            int flags;
        } rows[] = {
            {"prototype method", "Boolean.prototype", "toString", hidden | permanent},
            {"locked class: static method", "Date", "UTC", hidden | permanent | readOnly},
            {"locked class: prototype", "Number", "prototype", hidden | permanent | readOnly},
            {"open class: prototype", "Boolean", "prototype", hidden | permanent},
            {"sort option is a plain member", "Array", "NUMERIC", 0},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << QString(row.owner) << QString(row.member) << row.flags;
    }
    void builtinMemberFlags() {
        QFETCH(QString, owner);
        QFETCH(QString, member);
        QFETCH(int, flags);
        ScriptRun run(8);
        const Value object = classOf(*run.machine, owner);
        QVERIFY(object.isObject());
        const Property* property = object.asObject()->findOwn(member);
        QVERIFY(property);
        constexpr int kListed =
            property_flags::kDontEnum | property_flags::kDontDelete | property_flags::kReadOnly;
        QCOMPARE(property->flags & kListed, flags);
    }

    void registerClassKeepsTheConstructor() {
        ScriptRun run(7);
        Machine& m = *run.machine;
        Object* constructor = m.newNativeFunction([](CallContext&) { return Value(); });
        const Value args[] = {"Ball", constructor};
        QVERIFY(m.toBoolean(m.callMethod(m.getMember(m.global(), "Object"), "registerClass", args)));
        m.collect();
        QCOMPARE(m.registeredClass("Ball"), constructor);
        const Value clear[] = {"Ball", Value::null()};
        m.callMethod(m.getMember(m.global(), "Object"), "registerClass", clear);
        QCOMPARE(m.registeredClass("Ball"), nullptr);
    }

    void automaticCollectionKeepsEntryArguments() {
        ScriptRun run(7);
        Machine& m = *run.machine;
        run.run(ActionAssembler(7, "fn:keep(a) { $_root 'kept' $a SetMember }"));
        for (int i = 0; i < 50000; ++i)
            m.newObject(); // garbage, enough to trigger a collection at the next entry
        Object* fresh = m.newObject();
        m.setMember(fresh, "tag", "alive");
        const RunResult result =
            m.callFunction(m.getMember(run.host.rootClip, "keep"), Value(), {Value(fresh)});
        QCOMPARE(static_cast<int>(result.status), static_cast<int>(RunStatus::Completed));
        QVERIFY(m.objectCount() < 50000);
        QCOMPARE(m.toString(m.getMember(m.getMember(run.host.rootClip, "kept"), "tag")),
                 QStringLiteral("alive"));
    }

    void collectionFreesCycles() {
        ScriptRun run(7);
        Machine& m = *run.machine;
        m.collect();
        const std::size_t baseline = m.objectCount();
        Object* a = m.newObject();
        Object* b = m.newObject();
        m.setMember(a, "other", b);
        m.setMember(b, "other", a);
        Object* kept = m.newObject();
        m.setMember(run.host.rootClip, "kept", kept);
        m.collect();
        QCOMPARE(m.objectCount(), baseline + 1);
        QCOMPARE(m.getMember(run.host.rootClip, "kept").asObject(), kept);
    }
};

QTEST_GUILESS_MAIN(Avm1Test)
#include "avm1_test.moc"
