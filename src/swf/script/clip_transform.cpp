// flash.geom.Transform and MovieClip.transform: a clip's matrix and colour transform as
// flash.geom objects. Each read makes new objects; a write copies the members in.
#include "swf/avm1/builtins.h"
#include "swf/avm1/color_transform_data.h"
#include "swf/script/clip_directory.h"
#include "swf/script/display_properties.h"
#include "swf/script/script_host.h"
#include "swf/script/script_limits.h"
#include "swf/script/stage_geometry.h"
#include "swf/stage/movie_clip.h"

#include <algorithm>
#include <cmath>

namespace swf::script {

namespace {

// The clip a Transform was made for; it follows the clip's script object.
class TransformData final : public avm1::NativeData {
  public:
    avm1::Object* clip = nullptr;
    void forEachReference(const std::function<void(avm1::Object*)>& visit) const override { visit(clip); }
};

avm1::Object* transformedClip(const avm1::Value& value) {
    avm1::Object* object = value.asObject();
    auto* data = object ? dynamic_cast<TransformData*>(object->nativeData()) : nullptr;
    return data ? data->clip : nullptr;
}

avm1::Value geomClass(avm1::Machine& machine, const char* name) {
    const avm1::Property* flash = machine.global()->findOwn(QStringLiteral("flash"));
    if (!flash) return avm1::Value();
    return machine.getMember(machine.getMember(flash->value, QStringLiteral("geom")),
                             QString::fromLatin1(name));
}

// Matrices reach scripts in pixels; the stage keeps twips.
avm1::Value matrixObject(avm1::Machine& machine, const QTransform& m) {
    const avm1::Value args[] = {m.m11(), m.m12(), m.m21(), m.m22(), m.dx() / kTwips, m.dy() / kTwips};
    return machine.construct(geomClass(machine, "Matrix"), args);
}

} // namespace

avm1::Value ScriptHost::transformObject(stage::MovieClip& clip) {
    const avm1::Value args[] = {objectOf(clip)};
    return m_machine->construct(geomClass(*m_machine, "Transform"), args);
}

void ScriptHost::setClipMatrix(stage::MovieClip& clip, const avm1::Value& matrix) {
    if (!matrix.isObject()) return;
    auto member = [&](const char* name) {
        return m_machine->toNumber(m_machine->getMember(matrix, QString::fromLatin1(name)));
    };
    // The scale and rotation scripts read stay what they were: the player does not work
    // them out again from a matrix set this way.
    const double values[] = {member("a"), member("b"), member("c"), member("d"), member("tx"), member("ty")};
    // An object missing any of the six members leaves the matrix alone, whole.
    if (std::any_of(std::begin(values), std::end(values), [](double v) { return std::isnan(v); })) return;
    const stage::ScriptScale scale = scaleOf(clip);
    movie::Placement placement = clip.placement();
    placement.matrix = {values[0], values[1], values[2], values[3], values[4] * kTwips, values[5] * kTwips};
    clip.setScriptPlacement(placement);
    clip.setScriptScale(scale);
}

void ScriptHost::setClipColorTransform(stage::MovieClip& clip, const avm1::Value& transform) {
    const avm1::ColorTransformData* data = avm1::colorTransformData(transform);
    if (!data) return;
    auto fixed = [](double value) {
        return std::isfinite(value) ? qint16(std::clamp(value, -32768.0, 32767.0)) : qint16(0);
    };
    const auto& v = data->values;
    movie::Placement placement = clip.placement();
    placement.colorTransform = {fixed(v[0] * 256), fixed(v[1] * 256), fixed(v[2] * 256), fixed(v[3] * 256),
                                fixed(v[4]),       fixed(v[5]),       fixed(v[6]),       fixed(v[7])};
    clip.setScriptPlacement(placement);
}

void ScriptHost::installTransformClass() {
    avm1::Machine& machine = *m_machine;
    const avm1::Property* flash = machine.global()->findOwn(QStringLiteral("flash"));
    avm1::Object* geom = flash ? machine.getMember(flash->value, QStringLiteral("geom")).asObject() : nullptr;
    if (!geom) return;
    avm1::Object* prototype = machine.newObject();
    avm1::Object* constructor = machine.newConstructor(
        [this](avm1::CallContext& c) {
            avm1::Object* self = c.thisObject();
            if (!c.constructing || !self) return avm1::Value();
            auto data = std::make_unique<TransformData>();
            if (clipOf(c.arg(0).asObject())) data->clip = c.arg(0).asObject();
            self->setNativeData(std::move(data));
            return c.thisValue;
        },
        prototype);
    geom->setOwn(QStringLiteral("Transform"), constructor, avm1::property_flags::kDontEnum);
    auto accessor = [&](const char* name, std::function<avm1::Value(stage::MovieClip&)> get,
                        std::function<void(stage::MovieClip&, const avm1::Value&)> set) {
        const QString key = QString::fromLatin1(name);
        prototype->setOwn(key, avm1::Value(), avm1::property_flags::kDontEnum);
        avm1::Property* property = prototype->findOwn(key);
        property->getter = machine.newNativeFunction([this, get](avm1::CallContext& c) {
            stage::MovieClip* clip = clipOf(transformedClip(c.thisValue));
            return clip ? get(*clip) : avm1::Value();
        });
        property->setter = machine.newNativeFunction([this, set](avm1::CallContext& c) {
            stage::MovieClip* clip = clipOf(transformedClip(c.thisValue));
            if (clip && set) set(*clip, c.arg(0));
            return avm1::Value();
        });
    };
    accessor(
        "matrix",
        [this](stage::MovieClip& clip) {
            return matrixObject(*m_machine, clip.placement().matrix.toTransform());
        },
        [this](stage::MovieClip& clip, const avm1::Value& value) { setClipMatrix(clip, value); });
    accessor(
        "colorTransform",
        [this](stage::MovieClip& clip) {
            const format::ColorTransform& t = clip.placement().colorTransform;
            const avm1::Value args[] = {t.redMult / 256.0,   t.greenMult / 256.0, t.blueMult / 256.0,
                                        t.alphaMult / 256.0, double(t.redAdd),    double(t.greenAdd),
                                        double(t.blueAdd),   double(t.alphaAdd)};
            return m_machine->construct(geomClass(*m_machine, "ColorTransform"), args);
        },
        [this](stage::MovieClip& clip, const avm1::Value& value) { setClipColorTransform(clip, value); });
    accessor(
        "concatenatedMatrix",
        [this](stage::MovieClip& clip) {
            QTransform total = clip.placement().matrix.toTransform();
            for (stage::MovieClip* parent = m_directory->parentOf(clip); parent;
                 parent = m_directory->parentOf(*parent))
                total = total * parent->placement().matrix.toTransform();
            return matrixObject(*m_machine, total);
        },
        nullptr);
    accessor(
        "pixelBounds",
        [this](stage::MovieClip& clip) {
            const QRectF box = m_geometry ? m_geometry->stageBox(clip).value_or(QRectF()) : QRectF();
            const avm1::Value args[] = {box.x() / kTwips, box.y() / kTwips, box.width() / kTwips,
                                        box.height() / kTwips};
            return m_machine->construct(geomClass(*m_machine, "Rectangle"), args);
        },
        nullptr);
}

} // namespace swf::script
