// One script machine per movie: owns every script object of that movie, the global object
// and built-in classes, runs action blocks for the host and keeps scripts inside their limits.
#pragma once

#include "swf/avm1/abort_reason.h"
#include "swf/avm1/host.h"
#include "swf/avm1/literal_cache.h"
#include "swf/avm1/object.h"
#include "swf/avm1/value.h"
#include "swf/format/text_encoding.h"

#include <QElapsedTimer>
#include <QHash>

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace swf::avm1 {

struct Frame;

constexpr qint64 kDefaultTimeBudgetMs = 15000;
constexpr int kMaxCallDepth = 256;
constexpr int kMaxStackValues = 1 << 18;         // all frames together
constexpr qsizetype kMaxStringLength = 32 << 20; // UTF-16 units: 64 MiB
constexpr std::size_t kMaxObjects = 1'000'000;
constexpr std::uint32_t kMaxArrayLength = 1u << 24;
constexpr int kGlobalRegisterCount = 4;
constexpr int kMaxFunctionRegisters = 256;
constexpr int kMaxPrototypeDepth = 256; // __proto__ may be made into a cycle

constexpr std::size_t kMaxTimers = 10000;
constexpr int kAnyNativeIndex = -1; // Machine::setNative: a family's answer to indices it lacks

enum class RunStatus { Completed, Thrown, Aborted };

// A setInterval / setTimeout entry: a function, or a method named on an object, called with
// args each time the movie's clock passes due.
struct IntervalTimer {
    Value callee;
    QString method;
    bool onObject = false;
    std::vector<Value> args;
    double interval = 0;
    double due = 0;
    bool repeat = true;
};

struct RunResult {
    RunStatus status = RunStatus::Completed;
    Value value;                            // the uncaught thrown value, or the function's result
    AbortReason reason = AbortReason::None; // why the script was aborted
};

class Machine {
  public:
    Machine(Host& host, int swfVersion);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    Host& host() { return m_host; }
    int swfVersion() const { return m_swfVersion; }
    // The code page strings of movies before version 6 are in (see format::StringCoding).
    const QByteArray& codePage() const { return m_codePage; }
    void setCodePage(const QByteArray& codePage);
    // How the strings of a block of the given version are stored; kept here so the
    // interpreter, made for every call, does not copy it.
    const format::StringCoding& stringCoding(int swfVersion) const {
        return swfVersion >= format::kFirstUtf8Version ? m_utf8Coding : m_codePageCoding;
    }
    void setTimeBudgetMs(qint64 milliseconds) { m_timeBudgetMs = milliseconds; }
    // The calendar time Date reads as "now", in ms since 1970 UTC: the system clock unless a
    // fixed moment is given, so runs that compare output can replay one recording's time.
    void setFixedDateMs(std::optional<double> milliseconds) { m_fixedDateMs = milliseconds; }
    double dateNowMs() const;
    // Between beginFrame and endFrame all scripts share one time budget; outside a frame
    // each entry point below gets a budget of its own.
    void beginFrame();
    void endFrame() { m_inFrame = false; }

    // --- entry points for the host ---
    // A DoAction / DoInitAction block, clip event or button action, run with target as
    // `this` and timeline. The budget clock starts here unless a script is already running.
    RunResult runActions(const QByteArray& block, Object* target);
    RunResult callFunction(const Value& function, const Value& thisValue, const QVector<Value>& args);

    // --- objects ---
    Object* global() const { return m_global; }
    Object* objectPrototype() const { return m_objectPrototype; }
    Object* functionPrototype() const { return m_functionPrototype; }
    Object* arrayPrototype() const { return m_arrayPrototype; }
    Object* stringPrototype() const { return m_stringPrototype; }
    Object* numberPrototype() const { return m_numberPrototype; }
    Object* booleanPrototype() const { return m_booleanPrototype; }
    Object* clipPrototype() const { return m_clipPrototype; }
    Object* errorPrototype() const { return m_errorPrototype; }
    void setBuiltinPrototypes(Object* function, Object* array, Object* string, Object* number,
                              Object* boolean, Object* clip, Object* error);

    Object* newObject() { return newObject(ObjectKind::Plain, m_objectPrototype); }
    Object* newObject(ObjectKind kind, Object* proto);
    Object* newArray(std::span<const Value> values = {});
    Object* newNativeFunction(NativeFunction function);
    // A function with a fresh `prototype` object whose `constructor` points back.
    Object* newConstructor(NativeFunction function, Object* prototype = nullptr);
    Object* newScriptFunction(std::shared_ptr<ScriptFunction> function);
    // The global Function, once it exists; functions made before it get it then.
    void setFunctionConstructor(Object* constructor);
    // A clip's script object; the host keeps it alive with pin() while the clip is on stage.
    Object* newClip(PropertyDelegate* delegate);
    // What scripts build (literals, functions, new clips) takes the prototype of whatever the
    // global class is now, not the one the player began with: with the class replaced the
    // new object follows it, with its prototype a primitive that is the new __proto__, and
    // without the class it has none. Returns the class.
    Value adoptClassPrototype(Object* object, const QString& className);
    void defineMethod(Object* object, const QString& name, NativeFunction function);

    // Object.registerClass: the constructor the host gives to clips of an exported symbol.
    void registerClass(const QString& exportName, Object* constructor);
    Object* registeredClass(const QString& exportName) const { return m_registeredClasses.value(exportName); }
    // The player's numbered natives, as ASnative(family, index) hands them out.
    void setNative(int family, int index, NativeFunction function) {
        m_natives.insert({family, index}, function);
    }
    // kAnyNativeIndex stands for every index of a family that has none of its own.
    NativeFunction native(int family, int index) const {
        const auto found = m_natives.constFind({family, index});
        return found != m_natives.constEnd() ? *found : m_natives.value({family, kAnyNativeIndex});
    }

    // --- timers on the movie's clock (Host::getTimer); ids count from 1 ---
    int addTimer(IntervalTimer timer); // 0 when there are too many
    bool removeTimer(int id);
    // Calls every timer due by nowMs, each once, earliest first.
    void runTimers(double nowMs);

    // --- member access: runs getters, setters and array rules; may run script ---
    // Stepping from one object to its __proto__ counts a hop, the step to the chain's end
    // included; a search that would take more hops than kMaxPrototypeDepth aborts the script,
    // as the player does (a cycle ends so too). `hops` is what the caller has walked already.
    Object* lookup(Object* object, const QString& name, Object** owner = nullptr, int hops = 0);
    Value getMember(const Value& object, const QString& name);
    void setMember(const Value& object, const QString& name, const Value& value);
    bool deleteMember(const Value& object, const QString& name);
    bool hasProperty(Object* object, const QString& name);
    bool hasOwnProperty(Object* object, const QString& name); // the object's own, or its host's
    bool canResolve(Object* object);                          // has a __resolve function for names it lacks
    // The value a write of `name` stores once the object's watcher of that name has seen it;
    // none when the watcher deleted the member it was writing.
    std::optional<Value> applyWatcher(Object* object, const QString& name, const Value& value);

    Object* toObject(const Value& value); // wraps primitives; nullptr for undefined and null
    // The prototype link as this movie's version sees it: SWF 5 does not see a function's.
    // The link heeds fewer version bits than a member does: SWF 5 movies lose it to any bit of
    // a later version, SWF 6 movies only to SWF 7's, and later movies to none.
    Object* visibleProto(Object* object) const {
        using namespace property_flags;
        constexpr std::uint16_t kLaterThan5 =
            kVersion6Up | kVersion7Up | kVersion8Up | kVersion9Up | kVersion10Up;
        const std::uint16_t hiding = m_swfVersion < 6 ? kLaterThan5 : m_swfVersion < 7 ? kVersion7Up : 0;
        return (object->protoFlags() & hiding) ? nullptr : object->proto();
    }
    QStringList enumerate(Object* object);

    // --- calls; a thrown value or abort is left pending (see unwinding()) ---
    // A plain call (a function called by name, not as a member) has no super.
    Value call(const Value& function, const Value& thisValue, std::span<const Value> args,
               Object* home = nullptr, bool plain = false);
    Value callMethod(const Value& object, const QString& name, std::span<const Value> args);
    Value construct(const Value& constructor, std::span<const Value> args);

    // --- conversions, as the movie's SWF version does them ---
    Value toPrimitive(const Value& value);
    double toNumber(const Value& value);
    QString toString(const Value& value);
    bool toBoolean(const Value& value) const { return avm1::toBoolean(value, m_swfVersion); }
    bool abstractEquals(const Value& a, const Value& b);
    Value valueOfPrimitive(const Value& value); // valueOf's answer, as operators ask it
    Value boxedNaN();                           // a NaN in a box of its own: equal to itself, to no other NaN
    Value constantNaN();                        // the one box NaN and Number.NaN share
    Value lessThan(const Value& a, const Value& b); // boolean, or undefined for NaN
    Value add(const Value& a, const Value& b);
    bool instanceOf(const Value& value, Object* constructor);

    // --- errors and limits ---
    void throwValue(const Value& value);
    void abort(AbortReason reason);
    bool unwinding() const { return m_thrown.has_value() || m_aborted; }
    bool aborted() const { return m_aborted; }
    std::optional<Value> takeThrown();
    bool checkStringLength(qsizetype length); // aborts when a string would grow too long
    bool checkBudget();
    int& callDepth() { return m_callDepth; }
    // The script function whose body is running, for arguments.caller.
    Object* runningFunction() const { return m_runningFunction; }
    void setRunningFunction(Object* function) { m_runningFunction = function; }
    // The timeline the running script stands in, SetTarget included: built-ins given a path
    // resolve it from there. Null between scripts and after a SetTarget that named no clip.
    Object* currentTarget() const;
    const Frame* runningFrame() const { return m_runningFrame; }
    void setRunningFrame(const Frame* frame) { m_runningFrame = frame; }
    int& stackValues() { return m_stackValues; }
    Value* globalRegisters() { return m_globalRegisters; }

    // --- collection: only between scripts; roots are the global object, the built-ins,
    // registered classes, the global registers and pinned objects. Entry points also collect
    // on their own once the object count has doubled, keeping their arguments alive. ---
    void collect(std::span<Object* const> extraRoots = {});
    std::size_t objectCount() const { return m_objects.size(); }

    LiteralCache& literals() { return m_literals; }

  private:
    LiteralCache m_literals;
    RunResult finishRun(Value result);
    void giveFunctionConstructor(Object* function);
    void collectIfGrown(std::span<Object* const> extraRoots);
    Value resolveMissing(const Value& value, Object* object, const QString& name);
    bool setArrayMember(Object* array, const QString& name, const Value& value);
    Object* inheritedAccessor(Object* object, const QString& name);
    int watcherNestingLimit() const;
    bool watcherSaturated(Object* object, const QString& name) const;
    bool sameName(const QString& a, const QString& b) const; // as this movie's version compares names
    // addProperty may put a getter and setter on __proto__ itself: they, not the link, answer
    // the object's reads and writes of that name.
    static bool ownAccessor(const Object* object, const QString& name) {
        const Property* own = object->findOwn(name);
        return own && own->isAccessor();
    }
    void beginRun();

    Host& m_host;
    int m_swfVersion;
    QByteArray m_codePage = format::kDefaultCodePage;
    format::StringCoding m_codePageCoding{format::kFirstUtf8Version - 1};
    format::StringCoding m_utf8Coding{format::kFirstUtf8Version};
    qint64 m_timeBudgetMs = kDefaultTimeBudgetMs;
    std::optional<double> m_fixedDateMs;
    std::vector<std::unique_ptr<Object>> m_objects;
    Object* m_global = nullptr;
    Object* m_objectPrototype = nullptr;
    Object* m_functionPrototype = nullptr;
    Object* m_arrayPrototype = nullptr;
    Object* m_stringPrototype = nullptr;
    Object* m_numberPrototype = nullptr;
    Object* m_booleanPrototype = nullptr;
    Object* m_clipPrototype = nullptr;
    Object* m_errorPrototype = nullptr;
    Object* m_functionConstructor = nullptr;
    Value m_globalRegisters[kGlobalRegisterCount];
    QHash<QString, Object*> m_registeredClasses;
    QHash<std::pair<int, int>, NativeFunction> m_natives;
    std::map<int, IntervalTimer> m_timers;
    int m_nextTimerId = 1;
    std::uint32_t m_nextNumberIdentity = 1;
    std::uint32_t m_constantNaNIdentity = 0;
    std::optional<Value> m_thrown;
    bool m_aborted = false;
    bool m_halted = false;
    AbortReason m_abortReason = AbortReason::None;
    int m_callDepth = 0;
    Object* m_runningFunction = nullptr;
    const Frame* m_runningFrame = nullptr;
    int m_stackValues = 0;
    int m_runDepth = 0;
    bool m_inFrame = false;
    QElapsedTimer m_clock;
    int m_budgetTick = 0;
    std::size_t m_liveAfterCollect = 0;
};

} // namespace swf::avm1
