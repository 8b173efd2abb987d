// Short string literals of action blocks, decoded once per machine and shared after: loops
// push the same literals over and over, and this spares an allocation per push. Keyed by the
// bytes themselves, so a block freed and another loaded in its place cannot be answered
// wrongly.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace swf::avm1 {

class LiteralCache {
  public:
    static constexpr std::size_t kMaxCachedBytes = 64;
    static constexpr std::size_t kMaxCachedStrings = 4096;

    // The decoded text of bytes under the given decoding (0: code page, 1: UTF-8), made by
    // decode when it is not known yet.
    template <typename Decode> QString get(QByteArrayView bytes, int decoding, Decode&& decode) {
        if (static_cast<std::size_t>(bytes.size()) > kMaxCachedBytes) return decode();
        auto& strings = m_strings[decoding ? 1 : 0];
        const std::string_view key(bytes.data(), static_cast<std::size_t>(bytes.size()));
        if (const auto found = strings.find(key); found != strings.end()) return found->second;
        QString text = decode();
        if (strings.size() >= kMaxCachedStrings) strings.clear();
        strings.emplace(std::string(key), text);
        return text;
    }

    void clear() {
        for (auto& strings : m_strings)
            strings.clear();
    }

  private:
    struct BytesHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>{}(bytes); }
    };
    std::unordered_map<std::string, QString, BytesHash, std::equal_to<>> m_strings[2];
};

} // namespace swf::avm1
