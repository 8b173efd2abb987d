// Clip properties for scripts: the numbered properties of GetProperty and SetProperty and
// the named ones (`_x`, `_alpha`...), read from and written to the stage.
#include "swf/script/display_properties.h"
#include "swf/script/script_host.h"
#include "swf/script/script_limits.h"

#include "swf/input/pointer.h"

#include "swf/format/actions.h"
#include "swf/format/records.h"
#include "swf/format/tag_codes.h"
#include "swf/movie/movie_definition.h"
#include "swf/stage/bounds.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

namespace swf::script {

// Clip properties reached by name (`_root._currentframe`, `_root.child`), answered from
// the stage without copying them into the script object.
class ScriptHost::ClipProperties final : public avm1::PropertyDelegate {
  public:
    explicit ClipProperties(ScriptHost& host) : m_host(host) {}
    std::optional<avm1::Value> getProperty(avm1::Object& object, const QString& name) override {
        stage::MovieClip* clip = m_host.clipOf(&object);
        if (!clip) return std::nullopt;
        if (name == QLatin1String("opaqueBackground") && m_host.m_movie.header.version >= 8) {
            const auto color = clip->opaqueBackground();
            return color ? avm1::Value(double(*color & 0xffffff)) : avm1::Value::null();
        }
        if (name == QLatin1String("transform") && m_host.m_movie.header.version >= 8)
            return m_host.transformObject(*clip);
        if (name == QLatin1String("filters") && m_host.m_movie.header.version >= 8)
            return m_host.clipFilters(*clip);
        // A level name always names a level, loaded or not; an instance named like a
        // built-in property hides the property.
        if (const auto level = m_host.m_directory->levelNamed(name))
            return *level ? avm1::Value(m_host.objectOf(**level)) : avm1::Value();
        if (stage::MovieClip* child = m_host.m_directory->childNamed(*clip, name))
            return avm1::Value(m_host.objectOf(*child));
        // Before SWF 6 a field is no object of its own: its name stands for the clip holding it.
        if (stage::TextField* field = m_host.m_textFields->fieldNamed(*clip, name))
            return avm1::Value(m_host.m_movie.header.version >= 6 ? m_host.m_textFields->objectOf(*field)
                                                                  : avm1::Value(&object));
        if (stage::VideoInstance* video = m_host.m_netStreams->videoNamed(*clip, name))
            return avm1::Value(m_host.m_netStreams->objectOf(*video));
        if (name.startsWith(QLatin1Char('_'))) {
            const avm1::Value value = m_host.propertyByName(*clip, name);
            if (!value.isUndefined()) return value;
        }
        return std::nullopt;
    }
    bool setProperty(avm1::Object& object, const QString& name, const avm1::Value& value) override {
        stage::MovieClip* clip = m_host.clipOf(&object);
        if (clip && name == QLatin1String("opaqueBackground") && m_host.m_movie.header.version >= 8) {
            const double number = value.isNullish() ? NAN : m_host.m_machine->toNumber(value);
            clip->setScriptBackground(
                std::isfinite(number)
                    ? std::optional<QRgb>(0xff000000u | (quint32(qint64(number)) & 0xffffff))
                    : std::nullopt);
            return true;
        }
        if (clip && name == QLatin1String("filters") && m_host.m_movie.header.version >= 8) {
            m_host.setClipFilters(*clip, value);
            return true;
        }
        // Writing transform copies the matrix and colour transform of the one given.
        if (clip && name == QLatin1String("transform") && m_host.m_movie.header.version >= 8) {
            avm1::Machine& machine = *m_host.m_machine;
            if (!value.isObject()) return true;
            m_host.setClipMatrix(*clip, machine.getMember(value, QStringLiteral("matrix")));
            m_host.setClipColorTransform(*clip, machine.getMember(value, QStringLiteral("colorTransform")));
            return true;
        }
        return clip && name.startsWith(QLatin1Char('_')) && m_host.setPropertyByName(*clip, name, value);
    }

  private:
    ScriptHost& m_host;
};

std::unique_ptr<avm1::PropertyDelegate> ScriptHost::makeClipProperties(ScriptHost& host) {
    return std::make_unique<ClipProperties>(host);
}

avm1::Value ScriptHost::getProperty(Target target, int index) {
    static const char* const kNames[] = {
        "_x",          "_y",     "_xscale",      "_yscale",    "_currentframe", "_totalframes",  "_alpha",
        "_visible",    "_width", "_height",      "_rotation",  "_target",       "_framesloaded", "_name",
        "_droptarget", "_url",   "_highquality", "_focusrect", "_soundbuftime", "_quality",      "_xmouse",
        "_ymouse"};
    stage::MovieClip* clip = clipOf(target);
    if (!clip || index < 0 || index >= int(std::size(kNames))) return avm1::Value();
    return propertyByName(*clip, QString::fromLatin1(kNames[index]));
}

void ScriptHost::setProperty(Target target, int index, const avm1::Value& value) {
    static const char* const kWritable[] = {
        "_x",       "_y",     "_xscale",      "_yscale",    nullptr,         nullptr,   "_alpha",
        "_visible", "_width", "_height",      "_rotation",  nullptr,         nullptr,   "_name",
        nullptr,    nullptr,  "_highquality", "_focusrect", "_soundbuftime", "_quality"};
    stage::MovieClip* clip = clipOf(target);
    if (!clip || index < 0 || index >= int(std::size(kWritable)) || !kWritable[index]) return;
    setPropertyByName(*clip, QString::fromLatin1(kWritable[index]), value);
}

bool ScriptHost::setPropertyByName(stage::MovieClip& clip, const QString& name, const avm1::Value& value) {
    const QString key = name.toLower();
    // Values convert as each property takes them; a NaN leaves a number property as it was.
    if (const auto property = placementProperty(name)) {
        writePlacement(clip, *property, value, *m_machine);
        return true;
    }
    if (key == QLatin1String("_quality")) {
        const QString quality = m_machine->toString(value).toUpper();
        if (quality == QLatin1String("LOW") || quality == QLatin1String("MEDIUM") ||
            quality == QLatin1String("HIGH") || quality == QLatin1String("BEST"))
            m_quality = quality;
        return true;
    }
    if (key == QLatin1String("_focusrect")) {
        if (value.isObject()) { // taken as false without asking the object anything
            m_focusRect = false;
            return true;
        }
        const double number = m_machine->toNumber(value);
        if (!std::isnan(number)) m_focusRect = number != 0;
        return true;
    }
    if (key != QLatin1String("_highquality") && key != QLatin1String("_soundbuftime")) return false;
    const double number = m_machine->toNumber(value);
    if (std::isnan(number)) return true;
    if (key == QLatin1String("_highquality")) {
        const double level = std::trunc(number);
        m_quality = level >= 2   ? QStringLiteral("BEST")
                    : level == 0 ? QStringLiteral("LOW")
                                 : QStringLiteral("HIGH");
        return true;
    }
    m_soundBufferTime = std::isinf(number) ? std::numeric_limits<qint32>::min() : avm1::toInt32(number);
    return true;
}

std::pair<double, double> ScriptHost::stageSize() {
    const QRectF rect = m_movie.header.frameRect.toRectF();
    return {std::round(rect.width() / kTwips), std::round(rect.height() / kTwips)};
}

std::optional<avm1::ClipColor> ScriptHost::clipColor(Target target) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip) return std::nullopt;
    const format::ColorTransform& t = clip->placement().colorTransform;
    avm1::ClipColor color;
    color.redMultiplier = t.redMult * 100.0 / 256;
    color.greenMultiplier = t.greenMult * 100.0 / 256;
    color.blueMultiplier = t.blueMult * 100.0 / 256;
    color.alphaMultiplier = t.alphaMult * 100.0 / 256;
    color.redOffset = t.redAdd;
    color.greenOffset = t.greenAdd;
    color.blueOffset = t.blueAdd;
    color.alphaOffset = t.alphaAdd;
    return color;
}

void ScriptHost::setClipColor(Target target, const avm1::ClipColor& color) {
    stage::MovieClip* clip = clipOf(target);
    if (!clip) return;
    auto fixed = [](double value) { return qint16(std::clamp(value, -32768.0, 32767.0)); };
    movie::Placement placement = clip->placement();
    format::ColorTransform& t = placement.colorTransform;
    t.redMult = fixed(color.redMultiplier * 256 / 100);
    t.greenMult = fixed(color.greenMultiplier * 256 / 100);
    t.blueMult = fixed(color.blueMultiplier * 256 / 100);
    t.alphaMult = fixed(color.alphaMultiplier * 256 / 100);
    t.redAdd = fixed(color.redOffset);
    t.greenAdd = fixed(color.greenOffset);
    t.blueAdd = fixed(color.blueOffset);
    t.alphaAdd = fixed(color.alphaOffset);
    // Like a move by script, a colour set by script takes the clip from the timeline.
    clip->setScriptPlacement(placement);
}

avm1::Value ScriptHost::propertyByName(stage::MovieClip& clip, const QString& name) {
    if (const auto property = placementProperty(name)) return readPlacement(clip, *property);
    const QString key = name.toLower();
    if (key == QLatin1String("_currentframe")) return avm1::Value(clip.currentFrame() + 1);
    // A clip made without a definition (createEmptyMovieClip) still counts one frame; a
    // sprite defined without any counts none.
    const auto* sprite = dynamic_cast<const movie::SpriteCharacter*>(clip.character());
    const int frames = sprite && sprite->frameless && &sprite->timeline == &clip.timeline()
                           ? 0
                           : std::max(1, clip.frameCount());
    if (key == QLatin1String("_totalframes")) return avm1::Value(frames);
    if (key == QLatin1String("_framesloaded"))
        return avm1::Value(&clip == m_stage.root() ? framesLoaded(objectOf(clip)) : frames);
    // this._parent and this._root, read as members, as movies use them all the time.
    if (key == QLatin1String("_parent")) {
        stage::MovieClip* parent = m_directory->parentOf(clip);
        return parent ? avm1::Value(objectOf(*parent)) : avm1::Value();
    }
    if ((key == QLatin1String("_root") || key == QLatin1String("_level0")) && m_stage.root())
        return avm1::Value(objectOf(*m_stage.root()));
    if (key == QLatin1String("_target")) return avm1::Value(m_directory->slashPath(clip));
    if (key == QLatin1String("_global") && m_movie.header.version >= 6)
        return avm1::Value(m_machine->global());
    if (key == QLatin1String("_droptarget")) {
        // While dragged, what lies under the pointer now; afterwards, where it was let go.
        return avm1::Value(m_geometry->dropTarget(clip));
    }
    if (key == QLatin1String("_url")) return avm1::Value(m_loadedMovies.urlOf(clip));
    if (key == QLatin1String("_quality")) return avm1::Value(m_quality);
    if (key == QLatin1String("_highquality"))
        return avm1::Value(m_quality == QLatin1String("BEST")  ? 2
                           : m_quality == QLatin1String("LOW") ? 0
                                                               : 1);
    if (key == QLatin1String("_focusrect")) return avm1::Value(m_focusRect);
    if (key == QLatin1String("_soundbuftime")) return avm1::Value(m_soundBufferTime);
    if (key == QLatin1String("_xmouse") || key == QLatin1String("_ymouse")) {
        const auto toClip = m_geometry->stageToClip(clip);
        if (!toClip) return avm1::Value(0);
        const QPointF local = toClip->map(m_stage.pointer());
        return avm1::Value((key == QLatin1String("_xmouse") ? local.x() : local.y()) / kTwips);
    }
    return avm1::Value();
}

} // namespace swf::script
