// Runs one activation: a frame script or one call of a script function. Calls nest through
// the C++ stack, bounded by kMaxCallDepth.
#pragma once

#include "swf/avm1/machine.h"
#include "swf/format/actions.h"

#include <memory>
#include <vector>

namespace swf::avm1 {

struct TryBlock {
    enum class Phase { Try, Catch, Finally };
    enum class Pending { None, Throw, Return, Jump };
    format::TryHeader header;
    int tryStart = 0;
    int catchStart = 0;
    int finallyStart = 0;
    int end = 0;
    Phase phase = Phase::Try;
    Pending pending = Pending::None;
    Value pendingValue;
    int pendingJump = 0;
    ScopePtr scope;
    std::size_t withDepth = 0;
};

struct WithBlock {
    int start = 0;
    int end = 0;
    ScopePtr saved;
};

struct Frame {
    std::shared_ptr<const QByteArray> code;
    int start = 0;
    int end = 0;
    int pc = 0;
    ScopePtr scope;
    ScopePtr baseScope; // before any SetTarget
    Object* target = nullptr;
    Object* originalTarget = nullptr;
    // After SetTarget to a path that names no clip: target is the root, for variables only.
    bool targetLost = false;
    Object* activation = nullptr;
    Value thisValue;
    Object* callee = nullptr;
    Object* home = nullptr; // the prototype the running method was found on, for super
    std::vector<Value> args;
    std::vector<Value> localRegisters;
    Value* registers = nullptr;
    int registerCount = 0;
    std::shared_ptr<const QVector<QString>> constants;
    std::vector<Value> stack;
    std::vector<TryBlock> tries;
    std::vector<WithBlock> withs;
    int swfVersion = 0;
    bool returned = false;
    Value returnValue;
    // DefineFunction2 may take `this` and `super` away from the variables (preloaded or suppressed).
    bool thisVariable = true;
    bool superVariable = true;
    // super exists in functions of SWF 6 and later called as methods or constructors.
    bool hasSuper = false;
};

class Interpreter {
  public:
    Interpreter(Machine& machine, Frame& frame)
        : m_machine(machine), m_frame(frame), m_coding(machine.stringCoding(frame.swfVersion)) {}
    Value run();

  private:
    Value m_scratch; // what top() gives when the stack cannot grow
    // interpreter.cpp: the loop, control flow, functions, scopes and variables
    bool settleBlocks();
    bool handleThrow();
    void doReturn(const Value& value);
    void execute(const format::ActionRecord& record);
    bool executeControl(std::uint8_t code, const format::ActionRecord& record);
    bool executeVariableOp(std::uint8_t code, const format::ActionRecord& record);
    void jumpBy(const format::ActionRecord& record, int offset);
    void push(const Value& value);
    void push(Value&& value); // results and decoded literals move onto the stack
    Value pop();
    Value& top();
    void actionPush(QByteArrayView payload);
    void actionDefineFunction(const format::ActionRecord& record, bool version2);
    void actionTry(const format::ActionRecord& record);
    void actionWith(const format::ActionRecord& record);
    void actionEnumerate(const Value& value);
    void actionCall(std::uint8_t code);
    void actionNew(std::uint8_t code);
    void actionWaitForFrame(int frame, int skip);
    // holder, when given, learns the with object or activation the name was found on.
    Value getVariable(const QString& name, Object** holder = nullptr);
    void setVariable(const QString& name, const Value& value);
    void defineLocal(const QString& name, const Value& value);
    void declareLocal(const QString& name); // DefineLocal2: undefined unless already there
    // The first object the path leads to that accept takes, trying from each scope.
    template <typename Accept> Object* pathTarget(const QString& path, Accept accept);
    std::pair<Object*, QString> variableSlot(const QString& name);
    bool deleteVariable(const QString& name);
    Object* timeline() const;
    Object* resolvePath(const QString& path);
    Object* scopeObject(const Scope& scope);
    Object* makeSuper();
    Object* methodHome(Object* object, const QString& name);
    Object* superCallHome(Object* superProto, const QString& name);
    void setTarget(const QString& path);
    void tellTarget(Object* clip);
    // interpreter_ops.cpp: arithmetic, comparisons, strings, objects, timeline actions
    bool executeOperator(std::uint8_t code);
    bool executeStringOp(std::uint8_t code);
    bool executeClipOp(std::uint8_t code);
    bool executeObjectOp(std::uint8_t code);
    bool executeTimeline(std::uint8_t code, const format::ActionRecord& record);
    void pushTruth(bool value);
    void binaryNumeric(std::uint8_t code);
    void bitwise(std::uint8_t code);
    void stringExtract(bool multibyte);
    void initArray();
    void markLiteral(Object* literal, const Value& madeBy);
    void initObject();
    void getUrl2(QByteArrayView payload);
    void gotoFrame2(QByteArrayView payload);
    Object* targetFromValue(const Value& value);
    int propertyIndex(const Value& value);

    Machine& m_machine;
    Frame& m_frame;
    const format::StringCoding& m_coding; // how the running block's strings are stored
};

// Runs a script function object as a call; used by Machine::call.
Value callScriptFunction(Machine& machine, Object* function, const Value& thisValue,
                         std::span<const Value> args, Object* home, bool hasSuper);
// Runs a top-level action block on a timeline.
Value runActionBlock(Machine& machine, std::shared_ptr<const QByteArray> code, Object* target);

} // namespace swf::avm1
