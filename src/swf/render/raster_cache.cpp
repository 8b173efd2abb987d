// Rasterised shape pictures with least-recently-used eviction.
#include "swf/render/raster_cache.h"

#include <cstring>

namespace swf::render {
namespace {

size_t mix(size_t seed, quint64 value) {
    // 64-bit finaliser of MurmurHash3, folded into the running seed.
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdULL;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53ULL;
    value ^= value >> 33;
    return seed ^ (size_t(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

quint64 bitsOf(double value) {
    value += 0.0; // -0.0 equals 0.0, so both must hash alike
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

quint64 pack(qint16 a, qint16 b, qint16 c, qint16 d) {
    return quint64(quint16(a)) | quint64(quint16(b)) << 16 | quint64(quint16(c)) << 32 |
           quint64(quint16(d)) << 48;
}

qint64 bytesOf(const RasterCache::Picture& picture) {
    return picture.image.sizeInBytes() + 64;
}

} // namespace

size_t RasterKeyHash::operator()(const RasterKey& key) const {
    size_t seed = mix(0, quint64(reinterpret_cast<quintptr>(key.source)));
    seed = mix(seed, key.variant);
    seed = mix(seed, bitsOf(key.m11));
    seed = mix(seed, bitsOf(key.m12));
    seed = mix(seed, bitsOf(key.m21));
    seed = mix(seed, bitsOf(key.m22));
    seed = mix(seed, quint64(quint32(key.subpixelX)) << 32 | quint32(key.subpixelY));
    const format::ColorTransform& cx = key.cx;
    seed = mix(seed, pack(cx.redMult, cx.greenMult, cx.blueMult, cx.alphaMult));
    return mix(seed, pack(cx.redAdd, cx.greenAdd, cx.blueAdd, cx.alphaAdd));
}

const RasterCache::Picture* RasterCache::find(const RasterKey& key) {
    const auto it = m_index.find(key);
    if (it == m_index.end()) return nullptr;
    m_order.splice(m_order.begin(), m_order, it->second);
    return &it->second->second;
}

const RasterCache::Picture& RasterCache::insert(const RasterKey& key, Picture picture) {
    if (const auto it = m_index.find(key); it != m_index.end()) {
        m_bytes -= bytesOf(it->second->second);
        m_order.erase(it->second);
        m_index.erase(it);
    }
    const qint64 bytes = bytesOf(picture);
    // A key that does not equal itself (a NaN in the matrix) could never be found or dropped.
    if (bytes > m_budget || !(key == key)) {
        m_unkept = std::move(picture);
        return m_unkept;
    }
    evictDownTo(m_budget - bytes);
    m_order.emplace_front(key, std::move(picture));
    m_index.emplace(key, m_order.begin());
    m_bytes += bytes;
    return m_order.front().second;
}

void RasterCache::setBudget(qint64 budgetBytes) {
    m_budget = budgetBytes;
    evictDownTo(m_budget);
}

void RasterCache::evictDownTo(qint64 bytes) {
    while (m_bytes > bytes && !m_order.empty()) {
        m_bytes -= bytesOf(m_order.back().second);
        m_index.erase(m_order.back().first);
        m_order.pop_back();
    }
}

void RasterCache::clear() {
    m_index.clear();
    m_order.clear();
    m_unkept = {};
    m_bytes = 0;
}

} // namespace swf::render
