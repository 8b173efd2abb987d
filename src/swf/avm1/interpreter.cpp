// The action loop: control flow, try/catch/finally, with, functions, scopes and variables.
#include "swf/avm1/interpreter.h"

#include "swf/format/action_codes.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

namespace swf::avm1 {

using format::ActionCode;

namespace {

constexpr std::size_t kMaxWithDepth = 13;
constexpr int kPushString = 0, kPushFloat = 1, kPushNull = 2, kPushUndefined = 3, kPushRegister = 4,
              kPushBoolean = 5, kPushDouble = 6, kPushInteger = 7, kPushConstant8 = 8, kPushConstant16 = 9;

QString pushedString(format::PayloadReader& reader, const format::StringCoding& coding,
                     LiteralCache& literals) {
    const QByteArrayView bytes = reader.rawString();
    if (reader.failed()) return format::decodeActionString(bytes, coding);
    return literals.get(bytes, coding.isUtf8() ? 1 : 0,
                        [&] { return format::decodeActionString(bytes, coding); });
}

} // namespace

Value Interpreter::run() {
    const QByteArrayView block = QByteArrayView(*m_frame.code).first(m_frame.end);
    while (!m_machine.aborted() && !m_frame.returned) {
        if (m_machine.unwinding() && !handleThrow()) break;
        if (!settleBlocks()) break;
        if (m_machine.unwinding()) continue;
        if (m_frame.pc < m_frame.start || m_frame.pc >= m_frame.end) {
            if (m_frame.tries.empty() && m_frame.withs.empty()) break;
            m_frame.pc = m_frame.end; // lets settleBlocks close what is still open
            if (!settleBlocks() || m_frame.pc >= m_frame.end || m_frame.pc < m_frame.start) break;
        }
        const auto record = format::readActionRecord(block, m_frame.pc);
        if (!record || record->code == static_cast<std::uint8_t>(ActionCode::End)) {
            m_frame.pc = m_frame.end;
            if (m_frame.tries.empty() && m_frame.withs.empty()) break;
            continue;
        }
        m_frame.pc = record->next();
        if (!m_machine.checkBudget()) break;
        execute(*record);
    }
    m_machine.stackValues() -= static_cast<int>(m_frame.stack.size());
    m_frame.stack.clear();
    return m_frame.returnValue;
}

// Leaves with-bodies and try regions the program counter has moved out of.
bool Interpreter::settleBlocks() {
    for (;;) {
        if (!m_frame.withs.empty()) {
            const WithBlock& with = m_frame.withs.back();
            if (m_frame.pc < with.start || m_frame.pc >= with.end) {
                m_frame.scope = with.saved;
                m_frame.withs.pop_back();
                continue;
            }
        }
        if (m_frame.tries.empty()) return true;
        TryBlock& block = m_frame.tries.back();
        if (block.withDepth < m_frame.withs.size())
            return true; // a with opened inside the region is still open
        int regionStart = block.tryStart, regionEnd = block.catchStart;
        if (block.phase == TryBlock::Phase::Catch) {
            regionStart = block.catchStart;
            regionEnd = block.finallyStart;
        } else if (block.phase == TryBlock::Phase::Finally) {
            regionStart = block.finallyStart;
            regionEnd = block.end;
        }
        if (m_frame.pc >= regionStart && m_frame.pc < regionEnd) return true;
        const bool fellThrough = m_frame.pc == regionEnd;
        // Nothing jumps over a catch body for a try body that runs to its end: the catch's
        // actions simply come next, its variable unset. Compilers always end a try body with
        // a jump; hand-made code does not.
        if (fellThrough && block.phase == TryBlock::Phase::Try && block.header.hasCatch &&
            block.catchStart < block.finallyStart) {
            block.phase = TryBlock::Phase::Catch;
            continue;
        }
        if (block.phase == TryBlock::Phase::Finally) {
            const TryBlock done = block;
            m_frame.tries.pop_back();
            if (done.pending == TryBlock::Pending::Throw) {
                m_machine.throwValue(done.pendingValue);
                return true;
            }
            if (done.pending == TryBlock::Pending::Return) {
                doReturn(done.pendingValue);
                return !m_frame.returned;
            }
            if (done.pending == TryBlock::Pending::Jump && fellThrough) m_frame.pc = done.pendingJump;
            continue;
        }
        if (block.header.hasFinally) {
            // Compilers end a try or catch body with a jump to the finally block: that is
            // the way into it, not a jump to be resumed after it.
            const bool intoFinally = m_frame.pc >= block.finallyStart && m_frame.pc < block.end;
            block.pending = fellThrough || intoFinally ? TryBlock::Pending::None : TryBlock::Pending::Jump;
            block.pendingJump = m_frame.pc;
            block.phase = TryBlock::Phase::Finally;
            m_frame.pc = block.finallyStart;
            continue;
        }
        const int end = block.end;
        m_frame.tries.pop_back();
        if (fellThrough) m_frame.pc = end;
    }
}

// Routes a pending thrown value to the innermost catch or finally of this frame.
bool Interpreter::handleThrow() {
    if (m_machine.aborted()) return false;
    while (!m_frame.tries.empty()) {
        TryBlock& block = m_frame.tries.back();
        const bool inBody = block.phase != TryBlock::Phase::Finally;
        if (block.phase == TryBlock::Phase::Try && block.header.hasCatch) {
            const Value thrown = m_machine.takeThrown().value_or(Value());
            m_frame.scope = block.scope;
            while (m_frame.withs.size() > block.withDepth)
                m_frame.withs.pop_back();
            block.phase = TryBlock::Phase::Catch;
            m_frame.pc = block.catchStart;
            if (block.header.catchInRegister) {
                if (block.header.catchRegister < m_frame.registerCount)
                    m_frame.registers[block.header.catchRegister] = thrown;
            } else {
                defineLocal(block.header.catchName, thrown);
            }
            return true;
        }
        if (inBody && block.header.hasFinally) {
            block.pendingValue = m_machine.takeThrown().value_or(Value());
            block.pending = TryBlock::Pending::Throw;
            block.phase = TryBlock::Phase::Finally;
            m_frame.scope = block.scope;
            while (m_frame.withs.size() > block.withDepth)
                m_frame.withs.pop_back();
            m_frame.pc = block.finallyStart;
            return true;
        }
        m_frame.tries.pop_back();
    }
    return false;
}

void Interpreter::doReturn(const Value& value) {
    while (!m_frame.tries.empty()) {
        TryBlock& block = m_frame.tries.back();
        if (block.phase != TryBlock::Phase::Finally && block.header.hasFinally) {
            block.pending = TryBlock::Pending::Return;
            block.pendingValue = value;
            block.phase = TryBlock::Phase::Finally;
            m_frame.scope = block.scope;
            while (m_frame.withs.size() > block.withDepth)
                m_frame.withs.pop_back();
            m_frame.pc = block.finallyStart;
            return;
        }
        m_frame.tries.pop_back();
    }
    m_frame.returnValue = value;
    m_frame.returned = true;
}

void Interpreter::push(const Value& value) {
    push(Value(value));
}

void Interpreter::push(Value&& value) {
    if (m_machine.stackValues() >= kMaxStackValues) {
        m_machine.abort(AbortReason::StackSize);
        return;
    }
    ++m_machine.stackValues();
    // What an action computes is a new box; what it reads keeps the box it was stored in.
    if (value.isUnboxedNaN()) value = m_machine.boxedNaN();
    m_frame.stack.push_back(std::move(value));
}

Value Interpreter::pop() {
    // An empty stack reads as undefined, as in the player.
    if (m_frame.stack.empty()) return Value();
    --m_machine.stackValues();
    Value value = std::move(m_frame.stack.back());
    m_frame.stack.pop_back();
    return value;
}

Value& Interpreter::top() {
    if (m_frame.stack.empty()) push(Value());
    if (m_frame.stack.empty()) {
        m_scratch = Value();
        return m_scratch;
    }
    return m_frame.stack.back();
}

void Interpreter::jumpBy(const format::ActionRecord& record, int offset) {
    const int target = record.next() + offset;
    // A jump outside the block ends the block.
    m_frame.pc = (target < m_frame.start || target > m_frame.end) ? m_frame.end : target;
}

void Interpreter::execute(const format::ActionRecord& record) {
    const std::uint8_t code = record.code;
    if (executeControl(code, record) || executeVariableOp(code, record) || executeOperator(code) ||
        executeStringOp(code) || executeObjectOp(code) || executeClipOp(code))
        return;
    executeTimeline(code, record);
}

bool Interpreter::executeControl(std::uint8_t code, const format::ActionRecord& record) {
    format::PayloadReader reader(record.payload, m_coding);
    switch (static_cast<ActionCode>(code)) {
    case ActionCode::Push:
        actionPush(record.payload);
        return true;
    case ActionCode::Pop:
        pop();
        return true;
    case ActionCode::Jump:
        jumpBy(record, reader.s16());
        return true;
    case ActionCode::If: {
        const int offset = reader.s16();
        if (m_machine.toBoolean(pop())) jumpBy(record, offset);
        return true;
    }
    case ActionCode::ConstantPool: {
        auto pool = std::make_shared<QVector<QString>>();
        const int count = reader.u16();
        for (int i = 0; i < count && !reader.failed(); ++i)
            pool->push_back(reader.string());
        m_frame.constants = std::move(pool);
        return true;
    }
    case ActionCode::StoreRegister: {
        const int reg = reader.u8();
        if (!reader.failed() && reg < m_frame.registerCount) m_frame.registers[reg] = top();
        return true;
    }
    case ActionCode::DefineFunction:
    case ActionCode::DefineFunction2:
        actionDefineFunction(record, code == static_cast<std::uint8_t>(ActionCode::DefineFunction2));
        return true;
    case ActionCode::Return:
        doReturn(pop());
        return true;
    case ActionCode::Throw:
        m_machine.throwValue(pop());
        return true;
    case ActionCode::Try:
        actionTry(record);
        return true;
    case ActionCode::With:
        actionWith(record);
        return true;
    case ActionCode::CallFunction:
    case ActionCode::CallMethod:
        actionCall(code);
        return true;
    case ActionCode::NewObject:
    case ActionCode::NewMethod:
        actionNew(code);
        return true;
    default:
        return false;
    }
}

bool Interpreter::executeVariableOp(std::uint8_t code, const format::ActionRecord& record) {
    format::PayloadReader reader(record.payload, m_coding);
    switch (static_cast<ActionCode>(code)) {
    case ActionCode::Enumerate:
        actionEnumerate(getVariable(m_machine.toString(pop())));
        return true;
    case ActionCode::Enumerate2:
        actionEnumerate(pop());
        return true;
    case ActionCode::GetVariable:
        push(getVariable(m_machine.toString(pop())));
        return true;
    case ActionCode::SetVariable: {
        const Value value = pop();
        setVariable(m_machine.toString(pop()), value);
        return true;
    }
    case ActionCode::DefineLocal: {
        const Value value = pop();
        defineLocal(m_machine.toString(pop()), value);
        return true;
    }
    case ActionCode::DefineLocal2:
        declareLocal(m_machine.toString(pop()));
        return true;
    case ActionCode::Delete2:
        push(deleteVariable(m_machine.toString(pop())));
        return true;
    case ActionCode::WaitForFrame: {
        const int frame = reader.u16();
        actionWaitForFrame(frame, reader.u8());
        return true;
    }
    case ActionCode::WaitForFrame2: {
        const int skip = reader.u8();
        const Value frame = pop();
        const int number =
            frame.isString()
                ? m_machine.host().frameNumber(timeline(), frame.asString())
                : static_cast<int>(std::clamp(toInteger(m_machine.toNumber(frame)), -1.0, 65536.0)) - 1;
        actionWaitForFrame(number, skip);
        return true;
    }
    default:
        return false;
    }
}

void Interpreter::actionWaitForFrame(int frame, int skip) {
    if (m_machine.host().framesLoaded(timeline()) > frame) return;
    const QByteArrayView block = QByteArrayView(*m_frame.code).first(m_frame.end);
    for (int i = 0; i < skip; ++i) {
        const auto record = format::readActionRecord(block, m_frame.pc);
        if (!record) {
            m_frame.pc = m_frame.end;
            return;
        }
        m_frame.pc = record->next();
    }
}

void Interpreter::actionPush(QByteArrayView payload) {
    format::PayloadReader reader(payload, m_coding);
    while (!reader.atEnd() && !m_machine.aborted()) {
        const int type = reader.u8();
        Value value;
        switch (type) {
        case kPushString:
            value = pushedString(reader, m_coding, m_machine.literals());
            break;
        case kPushFloat:
            value = static_cast<double>(reader.f32());
            break;
        case kPushNull:
            value = Value::null();
            break;
        case kPushUndefined:
            break;
        case kPushRegister: {
            const int reg = reader.u8();
            if (reg < m_frame.registerCount) value = m_frame.registers[reg];
            break;
        }
        case kPushBoolean:
            value = reader.u8() != 0;
            break;
        case kPushDouble:
            value = reader.f64();
            break;
        case kPushInteger:
            value = static_cast<double>(static_cast<std::int32_t>(reader.u32()));
            break;
        case kPushConstant8:
        case kPushConstant16: {
            const int index = type == kPushConstant8 ? reader.u8() : reader.u16();
            if (m_frame.constants && index < m_frame.constants->size()) value = m_frame.constants->at(index);
            break;
        }
        default:
            return; // an unknown type byte: the rest of the record cannot be read
        }
        if (reader.failed()) return;
        push(std::move(value));
    }
}

void Interpreter::actionDefineFunction(const format::ActionRecord& record, bool version2) {
    auto header = version2 ? format::readDefineFunction2(record.payload, m_coding)
                           : format::readDefineFunction(record.payload, m_coding);
    if (!header) {
        m_frame.pc = m_frame.end;
        return;
    }
    auto function = std::make_shared<ScriptFunction>();
    function->code = m_frame.code;
    function->start = record.next();
    function->size = std::min(header->codeSize, m_frame.end - function->start);
    function->header = std::move(*header);
    function->constants = m_frame.constants;
    function->scope = m_frame.scope;
    function->target = timeline();
    function->swfVersion = m_frame.swfVersion;
    m_frame.pc = function->start + function->size;
    const QString name = function->header.name;
    Object* object = m_machine.newScriptFunction(std::move(function));
    m_machine.adoptClassPrototype(object, QStringLiteral("Function"));
    if (Object* prototype = object->findOwn(QStringLiteral("prototype"))->value.asObject())
        m_machine.adoptClassPrototype(prototype, QStringLiteral("Object"));
    if (name.isEmpty())
        push(object);
    else
        defineLocal(name, object);
}

void Interpreter::actionTry(const format::ActionRecord& record) {
    const auto header = format::readTry(record.payload, m_coding);
    if (!header) {
        m_frame.pc = m_frame.end;
        return;
    }
    TryBlock block;
    block.header = *header;
    block.tryStart = record.next();
    block.catchStart = std::min(block.tryStart + header->trySize, m_frame.end);
    block.finallyStart = std::min(block.catchStart + header->catchSize, m_frame.end);
    block.end = std::min(block.finallyStart + (header->hasFinally ? header->finallySize : 0), m_frame.end);
    block.scope = m_frame.scope;
    block.withDepth = m_frame.withs.size();
    if (block.tryStart >= block.catchStart && !header->hasFinally) {
        m_frame.pc = block.end;
        return;
    }
    m_frame.tries.push_back(block);
}

void Interpreter::actionWith(const format::ActionRecord& record) {
    format::PayloadReader reader(record.payload, m_coding);
    const int size = reader.u16();
    Object* object = m_machine.toObject(pop());
    const int start = record.next();
    const int end = std::min(start + size, m_frame.end);
    // with(undefined) skips its body, and so does a with nested deeper than the player allows.
    if (!object || m_frame.withs.size() >= kMaxWithDepth) {
        m_frame.pc = end;
        return;
    }
    m_frame.withs.push_back({start, end, m_frame.scope});
    m_frame.scope = std::make_shared<const Scope>(Scope{object, ScopeKind::With, m_frame.scope});
}

void Interpreter::actionEnumerate(const Value& value) {
    push(Value::null());
    Object* object = value.asObject();
    if (!object) return;
    // The player hands out the most recently added names first: push oldest first.
    for (const QString& name : m_machine.enumerate(object))
        push(name);
}

} // namespace swf::avm1
