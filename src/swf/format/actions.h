// Decoding of action records and their payloads. Knows nothing of execution: the
// interpreter asks for one record at a time, so a jump can land anywhere in the block.
#pragma once

#include "swf/format/action_codes.h"
#include "swf/format/text_encoding.h"
#include "swf/io/reader.h"

#include <QByteArrayView>
#include <QString>
#include <QVector>

#include <cstdint>
#include <optional>

namespace swf::format {

struct ActionRecord {
    std::uint8_t code = 0;
    int offset = 0; // of the code byte, within the block
    int size = 1;   // header plus payload
    QByteArrayView payload;
    int next() const { return offset + size; }
};

// A record that would run past the block's end is not a record: the block ends there.
std::optional<ActionRecord> readActionRecord(QByteArrayView block, int offset);

// Strings in SWF 6 and later are UTF-8; older movies hold the author's code page.
QString decodeActionString(QByteArrayView bytes, const StringCoding& coding);

// A payload's fields: the engine's bounded reader, with strings decoded by the movie's
// version. Reading past the end yields zeros and marks the reader.
class PayloadReader {
  public:
    // Kept by reference: readers are made per record on hot paths.
    PayloadReader(QByteArrayView bytes, const StringCoding& coding) : m_reader(bytes), m_coding(coding) {}
    PayloadReader(QByteArrayView bytes, StringCoding&& coding) = delete;
    std::uint8_t u8() { return m_reader.u8(); }
    std::uint16_t u16() { return m_reader.u16(); }
    std::int16_t s16() { return m_reader.s16(); }
    std::uint32_t u32() { return m_reader.u32(); }
    float f32() { return m_reader.f32(); }
    double f64() { return m_reader.f64(); } // two little-endian 32-bit halves, high half first
    QString string();
    QByteArrayView rawString(); // the bytes of string(), undecoded
    bool atEnd() const { return m_reader.atEnd(); }
    bool failed() const { return m_reader.failed(); }

  private:
    io::Reader m_reader;
    const StringCoding& m_coding;
};

struct FunctionParameter {
    int reg = 0; // 0: passed by name only
    QString name;
};

struct FunctionHeader {
    QString name;
    QVector<FunctionParameter> params;
    int registerCount = 0;
    std::uint16_t flags = 0;
    int codeSize = 0;
    bool isFunction2 = false;
};

namespace function_flags {
constexpr std::uint16_t kPreloadThis = 0x0001;
constexpr std::uint16_t kSuppressThis = 0x0002;
constexpr std::uint16_t kPreloadArguments = 0x0004;
constexpr std::uint16_t kSuppressArguments = 0x0008;
constexpr std::uint16_t kPreloadSuper = 0x0010;
constexpr std::uint16_t kSuppressSuper = 0x0020;
constexpr std::uint16_t kPreloadRoot = 0x0040;
constexpr std::uint16_t kPreloadParent = 0x0080;
constexpr std::uint16_t kPreloadGlobal = 0x0100;
} // namespace function_flags

std::optional<FunctionHeader> readDefineFunction(QByteArrayView payload, const StringCoding& coding);
std::optional<FunctionHeader> readDefineFunction2(QByteArrayView payload, const StringCoding& coding);

struct TryHeader {
    bool hasCatch = false;
    bool hasFinally = false;
    bool catchInRegister = false;
    int trySize = 0;
    int catchSize = 0;
    int finallySize = 0;
    QString catchName;
    int catchRegister = 0;
};

std::optional<TryHeader> readTry(QByteArrayView payload, const StringCoding& coding);

} // namespace swf::format
