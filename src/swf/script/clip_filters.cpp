// MovieClip.filters: the filter objects a script gives a clip become the same records
// PlaceObject3 carries, so the renderer draws both alike; a read hands out new objects.
#include "swf/avm1/builtins.h"
#include "swf/avm1/filter_data.h"
#include "swf/format/filters.h"
#include "swf/script/filter_records.h"
#include "swf/script/script_host.h"
#include "swf/stage/movie_clip.h"

#include <QtEndian>

#include <cmath>
#include <numbers>

namespace swf::script {

namespace {

class RecordWriter {
  public:
    void u8(int value) { m_bytes.append(char(value & 0xFF)); }
    void s32(qint32 value) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        m_bytes.append(bytes, 4);
    }
    void s16(qint16 value) {
        char bytes[2];
        qToLittleEndian(value, bytes);
        m_bytes.append(bytes, 2);
    }
    void fixed16(double value) { s32(qint32(std::clamp(value * 65536.0, -2147483648.0, 2147483647.0))); }
    void fixed8(double value) { s16(qint16(std::clamp(value * 256.0, -32768.0, 32767.0))); }
    void rgba(double color, double alpha) {
        const quint32 rgb = quint32(color);
        u8(int(rgb >> 16));
        u8(int(rgb >> 8));
        u8(int(rgb));
        u8(int(std::lround(std::clamp(alpha, 0.0, 1.0) * 255)));
    }
    QByteArray bytes() const { return m_bytes; }

  private:
    QByteArray m_bytes;
};

constexpr double kRadiansPerDegree = std::numbers::pi / 180;

} // namespace

// Only the filters the renderer draws are kept: the others would be dropped there anyway.
std::optional<format::Filter> filterRecordOf(const avm1::FilterData& data) {
    RecordWriter out;
    const int passes = int(data.number(QStringLiteral("quality"), 1));
    switch (data.type) {
    case avm1::FilterType::Blur:
        out.fixed16(data.number(QStringLiteral("blurX")));
        out.fixed16(data.number(QStringLiteral("blurY")));
        out.u8(passes << 3);
        break;
    case avm1::FilterType::DropShadow:
    case avm1::FilterType::Glow: {
        out.rgba(data.number(QStringLiteral("color")), data.number(QStringLiteral("alpha")));
        out.fixed16(data.number(QStringLiteral("blurX")));
        out.fixed16(data.number(QStringLiteral("blurY")));
        if (data.type == avm1::FilterType::DropShadow) {
            out.fixed16(data.number(QStringLiteral("angle")) * kRadiansPerDegree);
            out.fixed16(data.number(QStringLiteral("distance")));
        }
        out.fixed8(data.number(QStringLiteral("strength")));
        const int flags = (data.number(QStringLiteral("inner")) != 0 ? 0x80 : 0) |
                          (data.number(QStringLiteral("knockout")) != 0 ? 0x40 : 0) | 0x20 | (passes & 0x1F);
        out.u8(flags);
        break;
    }
    default:
        return std::nullopt;
    }
    return format::Filter{quint8(data.type), out.bytes()};
}

namespace {

// The parameters a record holds, in the form the filter classes keep them.
std::optional<avm1::FilterData> dataOf(const format::Filter& record) {
    const format::DecodedFilter decoded = format::decodeFilter(record);
    if (decoded.kind == format::DecodedFilter::Kind::Unsupported) return std::nullopt;
    // The record's values go over the class's defaults.
    std::optional<avm1::FilterData> data = avm1::filterDefaults(avm1::FilterType(record.type));
    if (!data) return std::nullopt;
    auto set = [&data](const char* name, double value) {
        for (avm1::FilterField& field : data->fields)
            if (field.name == QLatin1String(name)) field.number = value;
    };
    const format::BlurParameters& blur =
        decoded.kind == format::DecodedFilter::Kind::Blur ? decoded.blur : decoded.shadow.blur;
    set("blurX", blur.blurX);
    set("blurY", blur.blurY);
    set("quality", blur.passes);
    if (decoded.kind == format::DecodedFilter::Kind::Shadow) {
        const format::ShadowFilter& shadow = decoded.shadow;
        set("color", double(shadow.color.rgb() & 0xFFFFFF));
        set("alpha", shadow.color.alpha() / 255.0);
        set("angle", shadow.angle / kRadiansPerDegree);
        set("distance", shadow.distance);
        set("strength", shadow.strength);
        set("inner", shadow.inner ? 1 : 0);
        set("knockout", shadow.knockout ? 1 : 0);
    }
    return data;
}

} // namespace

avm1::Value ScriptHost::clipFilters(stage::MovieClip& clip) {
    std::vector<avm1::Value> filters;
    for (const format::Filter& record : clip.placement().filters)
        if (const auto data = dataOf(record))
            if (const auto object = avm1::newFilterObject(*m_machine, *data)) filters.push_back(*object);
    return m_machine->newArray(filters);
}

void ScriptHost::setClipFilters(stage::MovieClip& clip, const avm1::Value& value) {
    movie::Placement placement = clip.placement();
    placement.filters.clear();
    if (value.isObject())
        for (const avm1::Value& element : avm1::arrayElements(*m_machine, value))
            if (const avm1::FilterData* data = avm1::filterData(element))
                if (const auto record = filterRecordOf(*data)) placement.filters.push_back(*record);
    clip.setScriptPlacement(placement);
}

} // namespace swf::script
