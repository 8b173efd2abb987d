// A script value and the conversions between primitive values. Conversions that may run
// script (an object's valueOf or toString) live on Machine.
#pragma once

#include <QString>

#include <cstdint>

namespace swf::avm1 {

class Object;

enum class ValueType { Undefined, Null, Boolean, Number, String, Object };

class Value {
  public:
    Value() = default;
    Value(bool b) : m_type(ValueType::Boolean), m_bool(b) {}
    Value(double n) : m_type(ValueType::Number), m_number(n) {}
    Value(int n) : m_type(ValueType::Number), m_number(n) {}
    Value(const QString& s) : m_type(ValueType::String), m_string(s) {}
    Value(const char* s) : m_type(ValueType::String), m_string(QString::fromUtf8(s)) {}
    Value(Object* o) : m_type(o ? ValueType::Object : ValueType::Null), m_object(o) {}
    static Value null() { return Value(static_cast<Object*>(nullptr)); }

    ValueType type() const { return m_type; }
    bool isUndefined() const { return m_type == ValueType::Undefined; }
    bool isNull() const { return m_type == ValueType::Null; }
    bool isNullish() const { return isUndefined() || isNull(); }
    bool isBoolean() const { return m_type == ValueType::Boolean; }
    bool isNumber() const { return m_type == ValueType::Number; }
    bool isString() const { return m_type == ValueType::String; }
    bool isObject() const { return m_type == ValueType::Object; }

    bool asBoolean() const { return m_bool; }
    double asNumber() const { return m_number; }
    const QString& asString() const { return m_string; }
    Object* asObject() const { return m_type == ValueType::Object ? m_object : nullptr; }

    // The player keeps numbers in boxes, and a NaN equals only its own box: one NaN read twice
    // is equal to itself, two NaNs computed apart are not. 0 marks a NaN not yet boxed.
    std::uint32_t numberIdentity() const { return m_numberIdentity; }
    void setNumberIdentity(std::uint32_t identity) { m_numberIdentity = identity; }
    bool isUnboxedNaN() const {
        return m_type == ValueType::Number && m_number != m_number && !m_numberIdentity;
    }

  private:
    ValueType m_type = ValueType::Undefined;
    bool m_bool = false;
    std::uint32_t m_numberIdentity = 0;
    double m_number = 0;
    QString m_string;
    Object* m_object = nullptr;
};

// SWF versions where conversions change.
constexpr int kSwfVersionCaseSensitive = 7;
constexpr int kSwfVersionStrictConversions = 7;

// Primitive conversions; objects convert as by the machine's defaults (NaN, true).
double stringToNumber(QStringView text, int swfVersion);
double primitiveToNumber(const Value& value, int swfVersion);
bool toBoolean(const Value& value, int swfVersion);
QString primitiveToString(const Value& value, int swfVersion);
QString typeOf(const Value& value);

double parseFloatPrefix(QStringView text);
double parseIntPrefix(QStringView text, int radix); // radix 0: decide from the text
std::int32_t toInt32(double number);
std::uint32_t toUint32(double number);
double toInteger(double number);

// Strict equality (no conversion). Abstract equality needs ToPrimitive: see Machine.
bool strictEquals(const Value& a, const Value& b);

} // namespace swf::avm1
