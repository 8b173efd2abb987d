// Test action assembler.
#include "action_assembler.h"

#include <cstring>

namespace avm1test {

QByteArray u16(int value) {
    QByteArray bytes;
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>((value >> 8) & 0xFF);
    return bytes;
}

QByteArray ActionAssembler::string(const QString& text) const {
    return (m_version >= 6 ? text.toUtf8() : text.toLatin1()) + QByteArray(1, '\0');
}

ActionAssembler& ActionAssembler::push(std::initializer_list<PushValue> values) {
    QByteArray payload;
    for (const PushValue& value : values) {
        switch (value.kind) {
        case PushValue::Kind::String:
            payload += '\0';
            payload += string(value.text);
            break;
        case PushValue::Kind::Double: {
            payload += '\x06';
            std::uint64_t bits;
            std::memcpy(&bits, &value.number, sizeof bits);
            const auto high = static_cast<std::uint32_t>(bits >> 32), low = static_cast<std::uint32_t>(bits);
            for (std::uint32_t half : {high, low})
                for (int i = 0; i < 4; ++i)
                    payload += static_cast<char>((half >> (8 * i)) & 0xFF);
            break;
        }
        case PushValue::Kind::Integer: {
            payload += '\x07';
            const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value.number));
            for (int i = 0; i < 4; ++i)
                payload += static_cast<char>((bits >> (8 * i)) & 0xFF);
            break;
        }
        case PushValue::Kind::Boolean:
            payload += '\x05';
            payload += static_cast<char>(static_cast<int>(value.number));
            break;
        case PushValue::Kind::Null:
            payload += '\x02';
            break;
        case PushValue::Kind::Undefined:
            payload += '\x03';
            break;
        case PushValue::Kind::Register:
            payload += '\x04';
            payload += static_cast<char>(static_cast<int>(value.number));
            break;
        case PushValue::Kind::Constant:
            if (value.number < 256) {
                payload += '\x08';
                payload += static_cast<char>(static_cast<int>(value.number));
            } else {
                payload += '\x09';
                payload += u16(static_cast<int>(value.number));
            }
            break;
        case PushValue::Kind::Raw:
            payload += static_cast<char>(static_cast<int>(value.number));
            break;
        }
    }
    return action(ActionCode::Push, payload);
}

ActionAssembler& ActionAssembler::op(ActionCode code) {
    if (static_cast<std::uint8_t>(code) >= 0x80) return action(code, QByteArray());
    m_code += static_cast<char>(code);
    return *this;
}

ActionAssembler& ActionAssembler::action(ActionCode code, const QByteArray& payload) {
    m_code += static_cast<char>(code);
    if (static_cast<std::uint8_t>(code) >= 0x80) m_code += u16(static_cast<int>(payload.size())) + payload;
    return *this;
}

ActionAssembler& ActionAssembler::raw(const QByteArray& bytes) {
    m_code += bytes;
    return *this;
}

ActionAssembler& ActionAssembler::constantPool(const QStringList& strings) {
    QByteArray payload = u16(static_cast<int>(strings.size()));
    for (const QString& text : strings)
        payload += string(text);
    return action(ActionCode::ConstantPool, payload);
}

ActionAssembler& ActionAssembler::storeRegister(int index) {
    return action(ActionCode::StoreRegister, QByteArray(1, static_cast<char>(index)));
}

ActionAssembler& ActionAssembler::label(const QString& name) {
    m_labels.insert(name, static_cast<int>(m_code.size()));
    return *this;
}

ActionAssembler& ActionAssembler::jump(const QString& target) {
    action(ActionCode::Jump, u16(0));
    m_fixups.push_back({static_cast<int>(m_code.size()) - 2, target});
    return *this;
}

ActionAssembler& ActionAssembler::branchIf(const QString& target) {
    action(ActionCode::If, u16(0));
    m_fixups.push_back({static_cast<int>(m_code.size()) - 2, target});
    return *this;
}

ActionAssembler& ActionAssembler::defineFunction(const QString& name, const QStringList& params,
                                                 const ActionAssembler& body) {
    const QByteArray code = body.body();
    QByteArray payload = string(name) + u16(static_cast<int>(params.size()));
    for (const QString& param : params)
        payload += string(param);
    payload += u16(static_cast<int>(code.size()));
    return action(ActionCode::DefineFunction, payload).raw(code);
}

ActionAssembler& ActionAssembler::defineFunction2(const QString& name, int registerCount, std::uint16_t flags,
                                                  const QVector<std::pair<int, QString>>& params,
                                                  const ActionAssembler& body) {
    const QByteArray code = body.body();
    QByteArray payload = string(name) + u16(static_cast<int>(params.size()));
    payload += static_cast<char>(registerCount);
    payload += static_cast<char>(flags & 0xFF);
    payload += static_cast<char>(flags >> 8);
    for (const auto& [reg, param] : params) {
        payload += static_cast<char>(reg);
        payload += string(param);
    }
    payload += u16(static_cast<int>(code.size()));
    return action(ActionCode::DefineFunction2, payload).raw(code);
}

ActionAssembler& ActionAssembler::tryBlock(const ActionAssembler& body, const ActionAssembler* catchBody,
                                           const QString& catchTarget, const ActionAssembler* finallyBody,
                                           bool jumpOverCatch) {
    const QByteArray catchCode = catchBody ? catchBody->body() : QByteArray();
    QByteArray tryCode = body.body();
    if (catchBody && jumpOverCatch)
        tryCode += QByteArray(1, char(ActionCode::Jump)) + u16(2) + u16(static_cast<int>(catchCode.size()));
    const QByteArray finallyCode = finallyBody ? finallyBody->body() : QByteArray();
    const bool inRegister = catchTarget.startsWith(QLatin1String("r:"));
    const int flags = (catchBody ? 1 : 0) | (finallyBody ? 2 : 0) | (inRegister ? 4 : 0);
    QByteArray payload(1, static_cast<char>(flags));
    payload += u16(static_cast<int>(tryCode.size())) + u16(static_cast<int>(catchCode.size())) +
               u16(static_cast<int>(finallyCode.size()));
    if (inRegister)
        payload += static_cast<char>(catchTarget.mid(2).toInt());
    else
        payload += string(catchTarget);
    return action(ActionCode::Try, payload).raw(tryCode + catchCode + finallyCode);
}

ActionAssembler& ActionAssembler::with(const ActionAssembler& body) {
    const QByteArray code = body.body();
    return action(ActionCode::With, u16(static_cast<int>(code.size()))).raw(code);
}

ActionAssembler& ActionAssembler::callFunction(const QString& name, int argumentCount) {
    return push({argumentCount, name}).op(ActionCode::CallFunction);
}

ActionAssembler& ActionAssembler::callMethod(const QString& name, int argumentCount) {
    // Expects the arguments then the object on the stack; count and name go between.
    return push({argumentCount}).op(ActionCode::StackSwap).push({name}).op(ActionCode::CallMethod);
}

QByteArray ActionAssembler::body() const {
    QByteArray code = m_code;
    for (const auto& [offset, target] : m_fixups) {
        const int relative = m_labels.value(target, offset + 2) - (offset + 2);
        code[offset] = static_cast<char>(relative & 0xFF);
        code[offset + 1] = static_cast<char>((relative >> 8) & 0xFF);
    }
    return code;
}

} // namespace avm1test
