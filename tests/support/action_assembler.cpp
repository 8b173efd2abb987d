// Test action assembler.
#include "action_assembler.h"

#include <QRegularExpression>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace avm1test {

QByteArray u16(int value) {
    return QByteArray(1, static_cast<char>(value & 0xFF)) + static_cast<char>((value >> 8) & 0xFF);
}

QByteArray ActionAssembler::string(const QString& text) const {
    return (m_version >= 6 ? text.toUtf8() : text.toLatin1()) + QByteArray(1, '\0');
}

ActionAssembler& ActionAssembler::push(const PushValue* begin, const PushValue* end) {
    QByteArray payload;
    for (const PushValue& value : std::span(begin, end)) {
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

ActionAssembler& ActionAssembler::jump(const QString& target, ActionCode code) {
    action(code, u16(0));
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

namespace {

const QHash<QString, ActionCode>& actionNames() {
#define A(name)                                                                                              \
    { QStringLiteral(#name), ActionCode::name }
    // clang-format off
    static const QHash<QString, ActionCode> names{
        A(End), A(NextFrame), A(PreviousFrame), A(Play), A(Stop), A(ToggleQuality), A(StopSounds), A(GetUrl),
        A(WaitForFrame), A(SetTarget), A(GotoLabel), A(Add), A(Subtract), A(Multiply), A(Divide), A(Equals),
        A(Less), A(And), A(Or), A(Not), A(StringEquals), A(StringLength), A(StringExtract), A(Pop),
        A(ToInteger), A(GetVariable), A(SetVariable), A(SetTarget2), A(StringAdd), A(GetProperty),
        A(SetProperty), A(CloneSprite), A(RemoveSprite), A(Trace), A(StartDrag), A(EndDrag), A(StringLess),
        A(RandomNumber), A(MBStringLength), A(CharToAscii), A(AsciiToChar), A(GetTime), A(MBStringExtract),
        A(MBCharToAscii), A(MBAsciiToChar), A(WaitForFrame2), A(Push), A(Jump), A(GetUrl2), A(If), A(Call),
        A(GotoFrame), A(GotoFrame2), A(Delete), A(Delete2), A(DefineLocal), A(CallFunction), A(Return),
        A(Modulo), A(NewObject), A(DefineLocal2), A(InitArray), A(InitObject), A(TypeOf), A(TargetPath),
        A(Enumerate), A(Add2), A(Less2), A(Equals2), A(ToNumber), A(ToString), A(PushDuplicate),
        A(StackSwap), A(GetMember), A(SetMember), A(Increment), A(Decrement), A(CallMethod), A(NewMethod),
        A(BitAnd), A(BitOr), A(BitXor), A(BitLShift), A(BitRShift), A(BitURShift), A(StoreRegister),
        A(ConstantPool), A(With), A(DefineFunction), A(InstanceOf), A(Enumerate2), A(StrictEquals),
        A(Greater), A(StringGreater), A(Throw), A(CastOp), A(ImplementsOp), A(Extends), A(DefineFunction2),
        A(Try)};
    // clang-format on
#undef A
    return names;
}

// Words of a listing; a quoted word keeps its quotes (and its spaces).
QStringList words(const QString& listing) {
    static const QRegularExpression word(QStringLiteral("'[^']*'|\"[^\"]*\"|\\S+"));
    QStringList out;
    for (const QRegularExpressionMatch& match : word.globalMatch(listing))
        out << match.captured();
    return out;
}

std::optional<PushValue> literal(const QString& word) {
    static const QRegularExpression number(QStringLiteral("^-?(\\d+\\.?\\d*(e[-+]?\\d+)?|NaN|Infinity)$"));
    if (word.startsWith('\'') || word.startsWith('"')) return PushValue(word.mid(1, word.size() - 2));
    if (word == QLatin1String("true") || word == QLatin1String("false")) return PushValue(word == "true");
    if (word == QLatin1String("null")) return PushValue::null();
    if (word == QLatin1String("undefined")) return PushValue::undefined();
    if (word.startsWith(QLatin1String("r:"))) return PushValue::reg(word.mid(2).toInt());
    if (word.startsWith(QLatin1String("c:"))) return PushValue::constant(word.mid(2).toInt());
    if (!number.match(word).hasMatch()) return std::nullopt;
    bool whole = false;
    const int integer = word.toInt(&whole);
    if (whole) return PushValue(integer);
    if (word.endsWith(QLatin1String("NaN"))) return PushValue(qQNaN());
    if (word.endsWith(QLatin1String("Infinity"))) return PushValue(word.startsWith('-') ? -qInf() : qInf());
    return PushValue(word.toDouble());
}

} // namespace

ActionAssembler& ActionAssembler::script(const QString& listing) {
    static const QRegularExpression call(QStringLiteral("^(\\.?)([^(]+)\\((\\d+)\\)$"));
    static const QRegularExpression function(QStringLiteral("^fn(?::(\\w*))?\\(([\\w,]*)\\)$"));
    const QStringList all = words(listing);
    std::vector<ActionAssembler*> open{this};
    std::vector<std::function<void(const ActionAssembler&)>> close;
    std::vector<PushValue> pending;
    auto out = [&]() -> ActionAssembler& {
        ActionAssembler& code = *open.back();
        if (!pending.empty()) code.push(pending.data(), pending.data() + pending.size());
        pending.clear();
        return code;
    };
    std::vector<std::unique_ptr<ActionAssembler>> bodies;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString& word = all[i];
        if (const auto value = literal(word)) {
            pending.push_back(*value);
        } else if (word.startsWith('$')) {
            pending.push_back(word.mid(1));
            out().op(ActionCode::GetVariable);
        } else if (const auto match = call.match(word); match.hasMatch()) {
            if (match.captured(1).isEmpty())
                out().callFunction(match.captured(2), match.captured(3).toInt());
            else
                out().callMethod(match.captured(2), match.captured(3).toInt());
        } else if (word.startsWith('.')) {
            pending.push_back(word.mid(1));
            out().op(ActionCode::GetMember);
        } else if (word.startsWith(QLatin1String("tell:"))) {
            out().action(ActionCode::SetTarget, word.mid(5).toUtf8() + '\0');
        } else if (word.startsWith(QLatin1String("goto:"))) {
            out().action(ActionCode::GotoFrame, u16(word.mid(5).toInt()));
        } else if (word.startsWith(QLatin1String("pool:"))) {
            out().constantPool(word.mid(5).split(','));
        } else if (word.startsWith(QLatin1String("store:"))) {
            out().storeRegister(word.mid(6).toInt());
        } else if (word.startsWith(QLatin1String("label:"))) {
            out().label(word.mid(6));
        } else if (word.startsWith(QLatin1String("jump:"))) {
            out().jump(word.mid(5));
        } else if (word.startsWith(QLatin1String("if:"))) {
            out().branchIf(word.mid(3));
        } else if (const auto header = function.match(word); header.hasMatch() || word == "with") {
            if (all.value(i + 1) != QLatin1String("{"))
                qFatal("listing: %s wants a { body }", qPrintable(word));
            ActionAssembler& outer = out();
            const QString name = header.captured(1);
            const QStringList params = header.captured(2).split(',', Qt::SkipEmptyParts);
            close.push_back([&outer, name, params, isWith = !header.hasMatch()](const ActionAssembler& body) {
                isWith ? outer.with(body) : outer.defineFunction(name, params, body);
            });
            bodies.push_back(std::make_unique<ActionAssembler>(m_version));
            open.push_back(bodies.back().get());
            ++i;
        } else if (word == QLatin1String("}")) {
            out();
            if (close.empty()) qFatal("listing: a } closes nothing");
            open.pop_back();
            close.back()(*bodies.back());
            close.pop_back();
            bodies.pop_back();
        } else if (const auto code = actionNames().find(word.section(':', 0, 0));
                   code != actionNames().end()) {
            if (word.contains(':'))
                out().action(*code, QByteArray::fromHex(word.section(':', 1).toLatin1()));
            else
                out().op(*code);
        } else {
            qFatal("listing: no such word: %s", qPrintable(word));
        }
    }
    out();
    if (!close.empty()) qFatal("listing: a { is not closed");
    return *this;
}

} // namespace avm1test
