// Operators, string actions, object actions and timeline actions.
#include "swf/avm1/interpreter.h"

#include "swf/format/action_codes.h"

#include <cmath>
#include <limits>

namespace swf::avm1 {

using format::ActionCode;

namespace {

constexpr int kSwfVersionFlash4 = 4;

// Whether an object has a toString to ask, without running a getter to find out.
bool hasToString(const Object* object) {
    const QString name = QStringLiteral("toString");
    const Object* holder = object;
    for (int depth = 0; holder && depth < kMaxPrototypeDepth; holder = holder->proto(), ++depth) {
        if (const Property* property = holder->findOwn(name))
            return property->isAccessor() ||
                   (property->value.asObject() && property->value.asObject()->isFunction());
    }
    return false;
}

QString codePointString(double code) {
    const auto value = static_cast<char32_t>(toUint32(code) & 0x1FFFFF);
    if (value == 0 || value > 0x10FFFF) return QString();
    return QString::fromUcs4(&value, 1);
}

// Before version 6 chr and ord work in the author's code page: chr makes the character of one
// byte (the code's low eight bits; a zero byte is nothing), and the multi-byte forms of two
// when the code needs them. ord gives the first byte, or the first character's bytes.
QString codePageCharacter(double code, bool multiByte, const format::StringCoding& coding) {
    const std::uint32_t value = toUint32(code);
    QByteArray bytes;
    if (multiByte && (value & 0xFF00)) bytes += char((value >> 8) & 0xFF);
    if (value & 0xFF) bytes += char(value & 0xFF);
    if (bytes.isEmpty()) return QString();
    return format::decodeCodePage(bytes, coding.codePage);
}

double codePageCode(const QString& text, bool multiByte, const format::StringCoding& coding) {
    if (text.isEmpty()) return 0;
    const qsizetype length = text.front().isHighSurrogate() && text.size() > 1 ? 2 : 1;
    const QByteArray bytes = format::encodeCodePage(QStringView(text).first(length), coding.codePage);
    if (bytes.isEmpty()) return 0;
    const auto first = static_cast<unsigned char>(bytes[0]);
    if (!multiByte || bytes.size() < 2) return first;
    return first << 8 | static_cast<unsigned char>(bytes[1]);
}

} // namespace

void Interpreter::pushTruth(bool value) {
    // Flash 4 had no booleans: its comparisons push 1 and 0.
    if (m_frame.swfVersion <= kSwfVersionFlash4)
        push(value ? 1 : 0);
    else
        push(value);
}

void Interpreter::binaryNumeric(std::uint8_t code) {
    Value right = pop();
    Value left = pop();
    // Less asks its left operand first, the others their right.
    double a = 0;
    double b = 0;
    if (static_cast<ActionCode>(code) == ActionCode::Less) {
        a = m_machine.toNumber(left);
        b = m_machine.toNumber(right);
    } else {
        b = m_machine.toNumber(right);
        a = m_machine.toNumber(left);
    }
    switch (static_cast<ActionCode>(code)) {
    case ActionCode::Add:
        push(a + b);
        break;
    case ActionCode::Subtract:
        push(a - b);
        break;
    case ActionCode::Multiply:
        push(a * b);
        break;
    case ActionCode::Divide:
        if (b == 0 && m_frame.swfVersion <= kSwfVersionFlash4)
            push(QStringLiteral("#ERROR#"));
        else
            push(a / b);
        break;
    case ActionCode::Modulo:
        push(std::fmod(a, b));
        break;
    case ActionCode::Equals:
        pushTruth(a == b);
        break;
    case ActionCode::Less:
        pushTruth(a < b);
        break;
    default:
        break;
    }
}

void Interpreter::bitwise(std::uint8_t code) {
    const double b = m_machine.toNumber(pop());
    const double a = m_machine.toNumber(pop());
    const std::int32_t left = toInt32(a);
    const std::uint32_t shift = toUint32(b) & 31;
    switch (static_cast<ActionCode>(code)) {
    case ActionCode::BitAnd:
        push(static_cast<double>(left & toInt32(b)));
        break;
    case ActionCode::BitOr:
        push(static_cast<double>(left | toInt32(b)));
        break;
    case ActionCode::BitXor:
        push(static_cast<double>(left ^ toInt32(b)));
        break;
    case ActionCode::BitLShift:
        push(static_cast<double>(static_cast<std::int32_t>(toUint32(a) << shift)));
        break;
    case ActionCode::BitRShift:
        push(static_cast<double>(left >> shift));
        break;
    case ActionCode::BitURShift:
        // The shifted bits are kept as a signed 32-bit integer: only a shift by 0 can set the
        // top bit, and `x >>> 0` of a negative x stays negative.
        push(static_cast<double>(static_cast<std::int32_t>(toUint32(a) >> shift)));
        break;
    default:
        break;
    }
}

void Interpreter::stringExtract(bool multibyte) {
    Q_UNUSED(multibyte); // strings are already characters, not code-page bytes
    // Both numbers are 32-bit integers: an infinite count is 0.
    const double count = toInt32(m_machine.toNumber(pop()));
    double index = toInt32(m_machine.toNumber(pop())) - 1.0; // the action counts from 1
    const QString text = m_machine.toString(pop());
    if (index < 0) index = 0;
    if (index >= text.size() || count == 0) {
        push(QString());
        return;
    }
    const qsizetype start = static_cast<qsizetype>(index);
    const qsizetype length = count < 0
                                 ? text.size() - start
                                 : static_cast<qsizetype>(std::min(count, static_cast<double>(text.size())));
    push(text.mid(start, length));
}

bool Interpreter::executeOperator(std::uint8_t code) {
    switch (static_cast<ActionCode>(code)) {
    case ActionCode::Add:
    case ActionCode::Subtract:
    case ActionCode::Multiply:
    case ActionCode::Divide:
    case ActionCode::Modulo:
    case ActionCode::Equals:
    case ActionCode::Less:
        binaryNumeric(code);
        return true;
    case ActionCode::BitAnd:
    case ActionCode::BitOr:
    case ActionCode::BitXor:
    case ActionCode::BitLShift:
    case ActionCode::BitRShift:
    case ActionCode::BitURShift:
        bitwise(code);
        return true;
    case ActionCode::And: {
        const bool b = m_machine.toBoolean(pop());
        pushTruth(m_machine.toBoolean(pop()) && b);
        return true;
    }
    case ActionCode::Or: {
        const bool b = m_machine.toBoolean(pop());
        pushTruth(m_machine.toBoolean(pop()) || b);
        return true;
    }
    case ActionCode::Not:
        pushTruth(!m_machine.toBoolean(pop()));
        return true;
    case ActionCode::Add2: {
        const Value b = pop();
        push(m_machine.add(pop(), b));
        return true;
    }
    case ActionCode::Less2: {
        const Value b = pop();
        push(m_machine.lessThan(pop(), b));
        return true;
    }
    case ActionCode::Greater: {
        const Value b = pop();
        push(m_machine.lessThan(b, pop()));
        return true;
    }
    case ActionCode::Equals2: {
        const Value b = pop();
        push(m_machine.abstractEquals(pop(), b));
        return true;
    }
    case ActionCode::StrictEquals: {
        const Value b = pop();
        push(strictEquals(pop(), b));
        return true;
    }
    case ActionCode::ToNumber:
        push(m_machine.toNumber(pop()));
        return true;
    case ActionCode::ToString:
        push(m_machine.toString(pop()));
        return true;
    case ActionCode::Increment:
        push(m_machine.toNumber(pop()) + 1);
        return true;
    case ActionCode::Decrement:
        push(m_machine.toNumber(pop()) - 1);
        return true;
    case ActionCode::PushDuplicate: {
        const Value value = top();
        push(value);
        return true;
    }
    case ActionCode::StackSwap: {
        const Value b = pop();
        const Value a = pop();
        push(b);
        push(a);
        return true;
    }
    case ActionCode::TypeOf:
        push(typeOf(pop()));
        return true;
    default:
        return false;
    }
}

// The Flash 4 string actions.
bool Interpreter::executeStringOp(std::uint8_t code) {
    switch (static_cast<ActionCode>(code)) {
    case ActionCode::StringEquals:
    case ActionCode::StringLess:
    case ActionCode::StringGreater: {
        const QString b = m_machine.toString(pop());
        const QString a = m_machine.toString(pop());
        const int order = QString::compare(a, b);
        pushTruth(code == static_cast<std::uint8_t>(ActionCode::StringEquals) ? order == 0
                  : code == static_cast<std::uint8_t>(ActionCode::StringLess) ? order < 0
                                                                              : order > 0);
        return true;
    }
    case ActionCode::StringAdd: {
        const QString b = m_machine.toString(pop());
        const QString a = m_machine.toString(pop());
        if (m_machine.checkStringLength(a.size() + b.size())) push(a + b);
        return true;
    }
    case ActionCode::StringLength:
        push(static_cast<double>(m_machine.toString(pop()).size()));
        return true;
    case ActionCode::MBStringLength:
        push(static_cast<double>(m_machine.toString(pop()).toUcs4().size()));
        return true;
    case ActionCode::StringExtract:
    case ActionCode::MBStringExtract:
        stringExtract(code == static_cast<std::uint8_t>(ActionCode::MBStringExtract));
        return true;
    case ActionCode::CharToAscii:
    case ActionCode::MBCharToAscii: {
        const QString text = m_machine.toString(pop());
        if (!m_coding.isUtf8()) {
            push(codePageCode(text, code == static_cast<std::uint8_t>(ActionCode::MBCharToAscii), m_coding));
            return true;
        }
        const QList<uint> points = text.toUcs4();
        push(points.isEmpty() ? 0.0 : static_cast<double>(points.first()));
        return true;
    }
    case ActionCode::AsciiToChar:
    case ActionCode::MBAsciiToChar: {
        const double value = m_machine.toNumber(pop());
        if (!m_coding.isUtf8())
            push(codePageCharacter(value, code == static_cast<std::uint8_t>(ActionCode::MBAsciiToChar),
                                   m_coding));
        else
            push(codePointString(value));
        return true;
    }
    case ActionCode::ToInteger:
        // int(): a 32-bit integer, wrapping as ToInt32 does (int(0xffffffff) is -1).
        push(double(toInt32(m_machine.toNumber(pop()))));
        return true;
    default:
        return false;
    }
}

// A count no 32-bit stack could hold makes nothing and leaves the stack alone.
constexpr double kMaxInitCount = 4294967295.0;

// Literals name the class that made them in an own, hidden `constructor` (no __constructor__,
// which only `new` leaves).
void Interpreter::markLiteral(Object* literal, const Value& madeBy) {
    if (madeBy.isObject())
        literal->setOwn(QStringLiteral("constructor"), madeBy,
                        property_flags::kDontEnum | property_flags::kDontDelete);
}

void Interpreter::initArray() {
    const double requested = m_machine.toNumber(pop());
    if (requested > kMaxInitCount) {
        push(Value());
        return;
    }
    // The promised length stands even when the stack runs short: the rest are holes.
    const auto count =
        static_cast<std::uint32_t>(requested > 0 ? std::min(requested, double(kMaxArrayLength)) : 0);
    std::vector<Value> values;
    values.reserve(std::min<std::size_t>(count, m_frame.stack.size()));
    for (std::uint32_t i = 0; i < count && !m_frame.stack.empty(); ++i)
        values.push_back(pop());
    Object* array = m_machine.newArray(values);
    array->setArrayLength(count);
    markLiteral(array, m_machine.adoptClassPrototype(array, QStringLiteral("Array")));
    push(array);
}

void Interpreter::initObject() {
    const double requested = m_machine.toNumber(pop());
    if (requested > kMaxInitCount) {
        push(Value());
        return;
    }
    Object* object = m_machine.newObject();
    markLiteral(object, m_machine.adoptClassPrototype(object, QStringLiteral("Object")));
    const double pairs = requested > 0 ? std::floor(requested) : 0;
    if (pairs * 2 > static_cast<double>(m_frame.stack.size())) {
        // Too few values for the pairs promised: the whole pairs there are are kept, and a
        // value left alone at the bottom is dropped.
        while (m_frame.stack.size() >= 2) {
            const Value value = pop();
            m_machine.setMember(object, m_machine.toString(pop()), value);
        }
        while (!m_frame.stack.empty())
            pop();
        push(object);
        return;
    }
    for (auto i = static_cast<std::size_t>(pairs); i > 0; --i) {
        const Value value = pop();
        m_machine.setMember(object, m_machine.toString(pop()), value);
    }
    push(object);
}

bool Interpreter::executeObjectOp(std::uint8_t code) {
    switch (static_cast<ActionCode>(code)) {
    case ActionCode::GetMember: {
        const QString name = m_machine.toString(pop());
        push(m_machine.getMember(pop(), name));
        return true;
    }
    case ActionCode::SetMember: {
        const Value value = pop();
        const QString name = m_machine.toString(pop());
        m_machine.setMember(pop(), name, value);
        return true;
    }
    case ActionCode::Delete: {
        const QString name = m_machine.toString(pop());
        push(m_machine.deleteMember(pop(), name));
        return true;
    }
    case ActionCode::InitArray:
        initArray();
        return true;
    case ActionCode::InitObject:
        initObject();
        return true;
    case ActionCode::InstanceOf: {
        Object* constructor = pop().asObject();
        push(m_machine.instanceOf(pop(), constructor));
        return true;
    }
    case ActionCode::CastOp: {
        const Value object = pop();
        Object* constructor = pop().asObject();
        push(m_machine.instanceOf(object, constructor) ? object : Value::null());
        return true;
    }
    case ActionCode::Extends: {
        Object* superclass = pop().asObject();
        Object* subclass = pop().asObject();
        if (!superclass || !subclass) return true;
        Object* superPrototype = m_machine.getMember(superclass, QStringLiteral("prototype")).asObject();
        Object* prototype = m_machine.newObject(ObjectKind::Plain, superPrototype);
        prototype->setOwn(QStringLiteral("__constructor__"), superclass, property_flags::kDontEnum);
        m_machine.setMember(subclass, QStringLiteral("prototype"), prototype);
        return true;
    }
    case ActionCode::ImplementsOp: {
        Object* constructor = pop().asObject();
        const double count = m_machine.toNumber(pop());
        Object* prototype =
            constructor ? m_machine.getMember(constructor, QStringLiteral("prototype")).asObject() : nullptr;
        for (double i = 0; i < count && !m_frame.stack.empty(); ++i) {
            Object* interface = pop().asObject();
            if (prototype && interface) prototype->interfaces().push_back(interface);
        }
        return true;
    }
    case ActionCode::TargetPath: {
        Object* object = pop().asObject();
        if (object && object->kind() == ObjectKind::Clip)
            push(m_machine.host().targetPath(object));
        else
            push(Value());
        return true;
    }
    default:
        return false;
    }
}

Object* Interpreter::targetFromValue(const Value& value) {
    if (Object* object = value.asObject()) return object;
    const QString path = m_machine.toString(value);
    if (path.isEmpty()) return m_frame.targetLost ? nullptr : timeline();
    return resolvePath(path);
}

int Interpreter::propertyIndex(const Value& value) {
    const double index = m_machine.toNumber(value);
    // Only the few property numbers mean anything; the rest (huge ones too) are none.
    return std::isfinite(index) && index >= 0 && index < 1024 ? static_cast<int>(index) : -1;
}

void Interpreter::getUrl2(QByteArrayView payload) {
    format::PayloadReader reader(payload, m_coding);
    const std::uint8_t flags = reader.u8();
    const QString window = m_machine.toString(pop());
    const QString url = m_machine.toString(pop());
    // Compilers put the two load flags in the high bits and the send method in the low two,
    // the reverse of the order the format's papers draw: loadMovie("FSCommand:...", "") is
    // 0x40, loadVariables into a clip 0xC0.
    const int method = flags & 0x03;
    m_machine.host().getUrl(url, window,
                            method == 1   ? UrlMethod::Get
                            : method == 2 ? UrlMethod::Post
                                          : UrlMethod::None,
                            flags & 0x40, flags & 0x80);
}

void Interpreter::gotoFrame2(QByteArrayView payload) {
    format::PayloadReader reader(payload, m_coding);
    const std::uint8_t flags = reader.u8();
    const bool play = flags & 0x01;
    const int bias = (flags & 0x02) ? reader.u16() : 0;
    const Value frame = pop();
    if (frame.isString()) {
        QString label = frame.asString();
        Object* target = timeline();
        const qsizetype colon = label.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            target = resolvePath(label.left(colon));
            label = label.mid(colon + 1);
        }
        if (target) m_machine.host().gotoLabel(target, label, play);
        return;
    }
    const double number = toInteger(m_machine.toNumber(frame));
    if (number >= 1)
        m_machine.host().gotoFrame(timeline(), static_cast<int>(std::min(number - 1 + bias, 1e9)), play);
}

// The numbered clip properties, duplicating, removing and dragging.
bool Interpreter::executeClipOp(std::uint8_t code) {
    Host& host = m_machine.host();
    switch (static_cast<ActionCode>(code)) {
    case ActionCode::GetProperty: {
        const int index = propertyIndex(pop());
        Object* target = targetFromValue(pop());
        push(target ? host.getProperty(target, index) : Value());
        return true;
    }
    case ActionCode::SetProperty: {
        const Value value = pop();
        const int index = propertyIndex(pop());
        if (Object* target = targetFromValue(pop())) host.setProperty(target, index, value);
        return true;
    }
    case ActionCode::CloneSprite: {
        const int depth = toInt32(m_machine.toNumber(pop()));
        const QString name = m_machine.toString(pop());
        if (Object* source = targetFromValue(pop())) host.cloneSprite(source, name, depth);
        return true;
    }
    case ActionCode::RemoveSprite:
        if (Object* target = targetFromValue(pop())) host.removeSprite(target);
        return true;
    case ActionCode::StartDrag: {
        Object* target = targetFromValue(pop());
        const bool lockCenter = m_machine.toBoolean(pop());
        const bool constrain = m_machine.toBoolean(pop());
        double box[4] = {0, 0, 0, 0};
        if (constrain) {
            for (int i = 3; i >= 0; --i)
                box[i] = m_machine.toNumber(pop());
        }
        if (target) host.startDrag(target, lockCenter, constrain, box[0], box[1], box[2], box[3]);
        return true;
    }
    default:
        return false;
    }
}

bool Interpreter::executeTimeline(std::uint8_t code, const format::ActionRecord& record) {
    Host& host = m_machine.host();
    format::PayloadReader reader(record.payload, m_coding);
    switch (static_cast<ActionCode>(code)) {
    case ActionCode::NextFrame:
        host.nextFrame(timeline());
        return true;
    case ActionCode::PreviousFrame:
        host.previousFrame(timeline());
        return true;
    case ActionCode::Play:
        host.play(timeline());
        return true;
    case ActionCode::Stop:
        host.stop(timeline());
        return true;
    case ActionCode::ToggleQuality:
        host.toggleQuality();
        return true;
    case ActionCode::StopSounds:
        host.stopSounds();
        return true;
    case ActionCode::GotoFrame:
        host.gotoFrame(timeline(), reader.u16(), false);
        return true;
    case ActionCode::GotoLabel:
        host.gotoLabel(timeline(), reader.string(), false);
        return true;
    case ActionCode::GetUrl: {
        const QString url = reader.string();
        host.getUrl(url, reader.string(), UrlMethod::None, false, false);
        return true;
    }
    case ActionCode::SetTarget:
        setTarget(reader.string());
        return true;
    case ActionCode::SetTarget2: {
        const Value value = pop();
        // A clip is told by its target path, which may now name another clip of the same
        // name; anything else by the path its text gives.
        Object* object = value.asObject();
        setTarget(object && object->kind() == ObjectKind::Clip ? host.targetPath(object)
                                                               : m_machine.toString(value));
        return true;
    }
    case ActionCode::EndDrag:
        host.endDrag();
        return true;
    case ActionCode::Trace: {
        // trace() writes "undefined" even in versions where undefined converts to "".
        // A String object prints the text it wraps, whatever its toString says.
        const Value value = pop();
        const Object* object = value.asObject();
        QString text;
        // One without a toString prints its type, where other conversions would give undefined.
        if (object && object->kind() == ObjectKind::String && object->primitive().isString())
            text = object->primitive().asString();
        else if (object && object->kind() != ObjectKind::Clip && !hasToString(object))
            text = object->isFunction() ? QStringLiteral("[type Function]") : QStringLiteral("[type Object]");
        else
            text = value.isUndefined() ? QStringLiteral("undefined") : m_machine.toString(value);
        // The log takes the text as a C string: it ends at the first NUL character.
        if (const qsizetype end = text.indexOf(QChar(0)); end >= 0) text.truncate(end);
        host.trace(text);
        return true;
    }
    case ActionCode::RandomNumber: {
        const double limit = toInteger(m_machine.toNumber(pop()));
        push(limit > 0 ? std::floor(host.randomUnit() * limit) : 0.0);
        return true;
    }
    case ActionCode::GetTime:
        push(host.getTimer());
        return true;
    case ActionCode::GetUrl2:
        getUrl2(record.payload);
        return true;
    case ActionCode::GotoFrame2:
        gotoFrame2(record.payload);
        return true;
    case ActionCode::Call: {
        const Value frame = pop();
        // Frames count from 1; numbers past any frame are no frame.
        const double asNumber = frame.isString() ? 0 : toInteger(m_machine.toNumber(frame));
        const int number = frame.isString() ? host.frameNumber(timeline(), frame.asString())
                           : asNumber >= 1 && asNumber <= 65536 ? static_cast<int>(asNumber) - 1
                                                                : -1;
        if (number >= 0) host.callFrame(timeline(), number);
        return true;
    }
    default:
        return false; // unknown actions are skipped by their length
    }
}

} // namespace swf::avm1
