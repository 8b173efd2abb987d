// Builds action blocks for tests: pushes, actions with payloads, labels for jumps and
// nested bodies for functions, try and with.
#pragma once

#include "swf/format/action_codes.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace avm1test {

using swf::format::ActionCode;

struct PushValue {
    enum class Kind { String, Double, Integer, Boolean, Null, Undefined, Register, Constant };
    PushValue(const char* text) : kind(Kind::String), text(QString::fromUtf8(text)) {}
    PushValue(const QString& text) : kind(Kind::String), text(text) {}
    PushValue(double number) : kind(Kind::Double), number(number) {}
    PushValue(int number) : kind(Kind::Integer), number(number) {}
    PushValue(bool truth) : kind(Kind::Boolean), number(truth ? 1 : 0) {}
    static PushValue null() { return PushValue(Kind::Null, 0); }
    static PushValue undefined() { return PushValue(Kind::Undefined, 0); }
    static PushValue reg(int index) { return PushValue(Kind::Register, index); }
    static PushValue constant(int index) { return PushValue(Kind::Constant, index); }

    Kind kind;
    QString text;
    double number = 0;

  private:
    PushValue(Kind k, double n) : kind(k), number(n) {}
};

class ActionAssembler {
  public:
    explicit ActionAssembler(int swfVersion = 7) : m_version(swfVersion) {}
    ActionAssembler(int swfVersion, const QString& listing) : m_version(swfVersion) { script(listing); }

    // Appends a listing of whitespace-separated words, read left to right as the stack runs:
    //   'text' "text" 12 1.5 NaN true null undefined r:2 c:0   pushed (neighbours share one Push)
    //   $path   the variable's value (the whole word is one path)   .name   the member of what is on top
    //   f(2)    calls function f, two arguments pushed last first
    //   .m(2)   calls method m of the object above its two arguments
    //   Trace, Add2 ... (ActionCode names), GetUrl2:02 (with payload bytes in hex)
    //   store:N  label:x  jump:x  if:x  tell:target  goto:frame  pool:a,b
    //   fn(a,b) { ... }, fn:name(a) { ... }, with { ... }   nested bodies
    ActionAssembler& script(const QString& listing);

    ActionAssembler& push(std::initializer_list<PushValue> values) {
        return push(values.begin(), values.end());
    }
    ActionAssembler& push(const PushValue* begin, const PushValue* end);
    ActionAssembler& op(ActionCode code);
    ActionAssembler& action(ActionCode code, const QByteArray& payload);
    ActionAssembler& raw(const QByteArray& bytes);
    ActionAssembler& constantPool(const QStringList& strings);
    ActionAssembler& storeRegister(int index);
    ActionAssembler& label(const QString& name);
    ActionAssembler& jump(const QString& label, ActionCode code = ActionCode::Jump);
    ActionAssembler& branchIf(const QString& label) { return jump(label, ActionCode::If); }
    ActionAssembler& defineFunction(const QString& name, const QStringList& params,
                                    const ActionAssembler& body);
    ActionAssembler& defineFunction2(const QString& name, int registerCount, std::uint16_t flags,
                                     const QVector<std::pair<int, QString>>& params,
                                     const ActionAssembler& body);
    // catchTarget: a variable name, or "r:N" for register N. Empty bodies are left out. The
    // try body ends with a jump over the catch body, as compilers write it, unless told not to.
    ActionAssembler& tryBlock(const ActionAssembler& body, const ActionAssembler* catchBody,
                              const QString& catchTarget, const ActionAssembler* finallyBody,
                              bool jumpOverCatch = true);
    ActionAssembler& with(const ActionAssembler& body);

    // Shorthands for common sequences.
    ActionAssembler& trace(PushValue value) { return push({value}).op(ActionCode::Trace); }
    ActionAssembler& setVariable(const QString& name, PushValue value) {
        return push({name, value}).op(ActionCode::SetVariable);
    }
    ActionAssembler& getVariable(const QString& name) { return push({name}).op(ActionCode::GetVariable); }
    ActionAssembler& callFunction(const QString& name,
                                  int argumentCount); // arguments already pushed, last first
    ActionAssembler& callMethod(const QString& name, int argumentCount); // arguments, then the object

    // The body without a terminating End (for nesting), or the whole block with one.
    QByteArray body() const;
    QByteArray bytes() const { return body() + QByteArray(1, '\0'); }

  private:
    QByteArray string(const QString& text) const;

    int m_version;
    QByteArray m_code;
    QHash<QString, int> m_labels;
    QVector<std::pair<int, QString>> m_fixups; // offset of the s16, label
};

QByteArray u16(int value);

} // namespace avm1test
