// Placement properties: one reading and one writing for every kind of display object.
#include "swf/script/display_properties.h"
#include "swf/script/script_limits.h"

#include "swf/avm1/machine.h"
#include "swf/stage/bounds.h"
#include "swf/stage/display_object.h"
#include "swf/stage/text_field.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace swf::script {

namespace {
// Twips are whole 32-bit numbers in the player: an infinite position wraps to the lowest.
double twipsOf(double pixels) {
    if (std::isinf(pixels)) return double(std::numeric_limits<qint32>::min());
    return pixels * kTwips;
}
// Matrix entries stay finite whatever a script asks for, so drawing never sees NaN or inf.
double finite(double value) {
    return std::isfinite(value) ? std::clamp(value, -1e9, 1e9) : 0.0;
}
double normalizedDegrees(double degrees) {
    if (!std::isfinite(degrees)) return std::nan("");
    double turned = std::fmod(degrees, 360.0);
    if (turned > 180) turned -= 360;
    if (turned <= -180) turned += 360;
    return turned;
}
// Names and texts scripts give the stage are kept to a size the stage can hold.
constexpr qsizetype kMaxName = 1 << 16;
} // namespace

std::optional<PlacementProperty> placementProperty(const QString& name) {
    // Asked for every property a script reads or writes on a clip: the length and the
    // second letter settle most names without comparing strings.
    const qsizetype size = name.size();
    if (size < 2 || size > 9 || name[0] != QLatin1Char('_')) return std::nullopt;
    auto is = [&name](const char* known, PlacementProperty property) -> std::optional<PlacementProperty> {
        if (name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0) return property;
        return std::nullopt;
    };
    switch (name[1].toLower().unicode()) {
    case u'x':
        return size == 2 ? std::optional(PlacementProperty::X) : is("_xscale", PlacementProperty::XScale);
    case u'y':
        return size == 2 ? std::optional(PlacementProperty::Y) : is("_yscale", PlacementProperty::YScale);
    case u'r':
        return is("_rotation", PlacementProperty::Rotation);
    case u'a':
        return is("_alpha", PlacementProperty::Alpha);
    case u'v':
        return is("_visible", PlacementProperty::Visible);
    case u'n':
        return is("_name", PlacementProperty::Name);
    case u'w':
        return is("_width", PlacementProperty::Width);
    case u'h':
        return is("_height", PlacementProperty::Height);
    default:
        return std::nullopt;
    }
}

stage::ScriptScale scaleOf(const stage::DisplayObject& object) {
    if (object.scriptScale()) return *object.scriptScale();
    const format::Matrix& m = object.placement().matrix;
    return {std::hypot(m.a, m.b) * 100, std::hypot(m.c, m.d) * 100, std::atan2(m.b, m.a) * 180 / M_PI};
}

avm1::Value readPlacement(const stage::DisplayObject& object, PlacementProperty property) {
    const movie::Placement& placement = object.placement();
    const format::Matrix& m = placement.matrix;
    switch (property) {
    case PlacementProperty::X:
        return avm1::Value(m.tx / kTwips);
    case PlacementProperty::Y:
        return avm1::Value(m.ty / kTwips);
    case PlacementProperty::XScale:
        return avm1::Value(scaleOf(object).xScale);
    case PlacementProperty::YScale:
        return avm1::Value(scaleOf(object).yScale);
    case PlacementProperty::Rotation:
        return avm1::Value(scaleOf(object).rotation);
    case PlacementProperty::Alpha:
        return avm1::Value(placement.colorTransform.alphaMult * 100.0 / 256);
    case PlacementProperty::Visible:
        return avm1::Value(placement.visible);
    case PlacementProperty::Name:
        return avm1::Value(placement.name);
    case PlacementProperty::Width:
    case PlacementProperty::Height: {
        const auto bounds = stage::localBounds(object);
        if (!bounds) return avm1::Value(0);
        const QRectF box = m.toTransform().mapRect(*bounds);
        return avm1::Value((property == PlacementProperty::Width ? box.width() : box.height()) / kTwips);
    }
    }
    return avm1::Value();
}

void writePlacement(stage::DisplayObject& object, PlacementProperty property, const avm1::Value& value,
                    avm1::Machine& machine) {
    movie::Placement placement = object.placement();
    if (property == PlacementProperty::Name) {
        // NaN names an object "0": the number goes through an integer on its way to text.
        placement.name = value.isNumber() && std::isnan(value.asNumber())
                             ? QStringLiteral("0")
                             : machine.toString(value).left(kMaxName);
        object.setPlacement(placement);
        object.context().childrenChanged();
        return;
    }
    const double number = machine.toNumber(value);
    if (std::isnan(number)) return;
    format::Matrix& m = placement.matrix;
    stage::ScriptScale scale = scaleOf(object);
    bool rescaled = false;
    // Matrix factors, taken as given when a size is asked for: percent and back would not
    // give the same number.
    std::optional<double> factorX, factorY;
    switch (property) {
    case PlacementProperty::Visible:
        placement.visible = number != 0;
        break;
    case PlacementProperty::X:
        m.tx = twipsOf(number);
        break;
    case PlacementProperty::Y:
        m.ty = twipsOf(number);
        break;
    case PlacementProperty::XScale:
        scale.xScale = number;
        rescaled = true;
        break;
    case PlacementProperty::YScale:
        scale.yScale = number;
        rescaled = true;
        break;
    case PlacementProperty::Rotation:
        scale.rotation = normalizedDegrees(number);
        rescaled = true;
        break;
    case PlacementProperty::Width:
    case PlacementProperty::Height: {
        const bool width = property == PlacementProperty::Width;
        if (!std::isfinite(number)) return;
        if (stage::TextField* field = object.asTextField()) {
            // A field's size is its box, not a scale.
            const qint32 size = qint32(std::clamp(number * kTwips, 0.0, 1e8));
            if (width)
                field->field.bounds.xMax = field->field.bounds.xMin + size;
            else
                field->field.bounds.yMax = field->field.bounds.yMin + size;
            return;
        }
        // Scales along the object's own axis so its unturned box gets the size asked for.
        const auto bounds = stage::localBounds(object);
        const double extent = bounds ? (width ? bounds->width() : bounds->height()) : 0.0;
        if (extent <= 0) return;
        const double factor = number * kTwips / extent;
        (width ? scale.xScale : scale.yScale) = factor * 100;
        (width ? factorX : factorY) = factor;
        rescaled = true;
        break;
    }
    case PlacementProperty::Alpha:
        // 8.8 fixed point, cut toward zero; infinities have no fixed-point value and give 0.
        placement.colorTransform.alphaMult =
            std::isinf(number) ? 0 : qint16(avm1::toInt32(number * 256 / 100));
        break;
    case PlacementProperty::Name:
        break;
    }
    if (rescaled) {
        const double radians =
            std::isnan(scale.rotation) ? std::atan2(m.b, m.a) : scale.rotation * M_PI / 180;
        const double x = factorX.value_or(scale.xScale / 100), y = factorY.value_or(scale.yScale / 100);
        m.a = finite(x * std::cos(radians));
        m.b = finite(x * std::sin(radians));
        m.c = finite(-y * std::sin(radians));
        m.d = finite(y * std::cos(radians));
    }
    object.setScriptPlacement(placement);
    if (rescaled) object.setScriptScale(scale);
}

} // namespace swf::script
