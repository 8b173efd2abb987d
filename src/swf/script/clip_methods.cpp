// The MovieClip methods that change the stage: clips made, copied, removed and moved
// between depths by scripts, and the drawing methods.
#include "swf/script/script_host.h"
#include "swf/script/script_limits.h"

#include "swf/input/pointer.h"

#include "swf/avm1/builtins.h"
#include "swf/movie/movie_definition.h"
#include "swf/stage/bounds.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace swf::script {

namespace {

constexpr int kMinScriptDepth = -ScriptHost::kTimelineDepthOffset;
constexpr int kMaxScriptDepth = 2130690045;
// removeMovieClip takes only clips in the depths scripts use.
constexpr int kMaxRemovableDepth = 1048575;

const movie::Timeline& emptyTimeline() {
    static const movie::Timeline timeline;
    return timeline;
}

// A script's depth as a key of the depth list: wrapped to 32 bits as the player does, and
// kept where a key still fits.
int depthKey(double scriptDepth) {
    const qint64 key = qint64(avm1::toInt32(scriptDepth)) + ScriptHost::kTimelineDepthOffset;
    return int(std::min<qint64>(key, std::numeric_limits<int>::max()));
}

QPoint twips(avm1::CallContext& context, std::size_t index) {
    auto coordinate = [&](std::size_t i) {
        const double value = avm1::argNumber(context, i) * kTwips;
        return std::isfinite(value) ? int(std::clamp(value, -1e9, 1e9)) : 0;
    };
    return QPoint(coordinate(index), coordinate(index + 1));
}

// rgb and alpha in percent, as beginFill and lineStyle take them.
QColor colorOf(avm1::CallContext& context, std::size_t rgbIndex, std::size_t alphaIndex) {
    const std::uint32_t rgb = avm1::toUint32(avm1::argNumber(context, rgbIndex));
    double alpha = context.arg(alphaIndex).isUndefined() ? 100.0 : avm1::argNumber(context, alphaIndex);
    if (!std::isfinite(alpha)) alpha = 0;
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF),
                  int(std::clamp(alpha, 0.0, 100.0) * 255 / 100));
}

// beginGradientFill(type, colors, alphas, ratios, matrix [, spread, interpolation, focal]):
// nullopt when the arguments make no gradient (the fill is then ignored, as the player does).
std::optional<format::FillStyle> gradientFillOf(avm1::Machine& machine, avm1::CallContext& c) {
    constexpr std::size_t kMaxStops = 15;
    const QString type = avm1::argString(c, 0);
    avm1::Object* colors = c.arg(1).asObject();
    avm1::Object* alphas = c.arg(2).asObject();
    avm1::Object* ratios = c.arg(3).asObject();
    avm1::Object* box = c.arg(4).asObject();
    if ((type != QLatin1String("linear") && type != QLatin1String("radial")) || !colors || !alphas ||
        !ratios || !box)
        return std::nullopt;
    auto number = [&machine](avm1::Object* object, const QString& name) {
        return machine.toNumber(machine.getMember(avm1::Value(object), name));
    };
    const double count = number(colors, QStringLiteral("length"));
    if (!(count >= 1) || number(alphas, QStringLiteral("length")) != count ||
        number(ratios, QStringLiteral("length")) != count)
        return std::nullopt;
    format::FillStyle fill;
    fill.kind = type == QLatin1String("linear") ? format::FillStyle::Kind::LinearGradient
                                                : format::FillStyle::Kind::RadialGradient;
    for (std::size_t i = 0; i < std::min<std::size_t>(std::size_t(count), kMaxStops); ++i) {
        const QString index = QString::number(i);
        const std::uint32_t rgb = avm1::toUint32(number(colors, index));
        double alpha = number(alphas, index);
        double ratio = number(ratios, index);
        if (!std::isfinite(alpha)) alpha = 0;
        if (!std::isfinite(ratio)) ratio = 0;
        fill.gradient.records.push_back(
            {quint8(std::clamp(ratio, 0.0, 255.0)),
             QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF),
                    int(std::clamp(alpha, 0.0, 100.0) * 255 / 100))});
    }
    // The matrix maps the gradient's square of 1638.4 pixels (32768 twips) onto the clip:
    // either a Matrix (a, b, c, d, tx, ty) or a box (x, y, w, h, r).
    format::Matrix& m = fill.gradient.matrix;
    if (machine.toString(machine.getMember(avm1::Value(box), QStringLiteral("matrixType"))) ==
        QLatin1String("box")) {
        const double w = number(box, QStringLiteral("w")), h = number(box, QStringLiteral("h"));
        const double r = number(box, QStringLiteral("r"));
        const double x = number(box, QStringLiteral("x")), y = number(box, QStringLiteral("y"));
        const double sx = w / 1638.4, sy = h / 1638.4;
        m = {sx * std::cos(r), sx * std::sin(r),     -sy * std::sin(r),
             sy * std::cos(r), (x + w / 2) * kTwips, (y + h / 2) * kTwips};
    } else if (!machine.getMember(avm1::Value(box), QStringLiteral("tx")).isUndefined()) {
        m = {number(box, QStringLiteral("a")),           number(box, QStringLiteral("b")),
             number(box, QStringLiteral("c")),           number(box, QStringLiteral("d")),
             number(box, QStringLiteral("tx")) * kTwips, number(box, QStringLiteral("ty")) * kTwips};
    } else {
        // The 3 x 3 form (a b 0 / d e 0 / g h 1): a..e size the gradient in pixels, g, h centre it.
        m = {number(box, QStringLiteral("a")) / 1638.4, number(box, QStringLiteral("b")) / 1638.4,
             number(box, QStringLiteral("d")) / 1638.4, number(box, QStringLiteral("e")) / 1638.4,
             number(box, QStringLiteral("g")) * kTwips, number(box, QStringLiteral("h")) * kTwips};
    }
    for (double* value : {&m.a, &m.b, &m.c, &m.d, &m.tx, &m.ty})
        if (!std::isfinite(*value)) return std::nullopt;
    const QString spread = avm1::argString(c, 5);
    fill.gradient.spread = spread == QLatin1String("reflect")  ? format::SpreadMode::Reflect
                           : spread == QLatin1String("repeat") ? format::SpreadMode::Repeat
                                                               : format::SpreadMode::Pad;
    if (avm1::argString(c, 6) == QLatin1String("linearRGB"))
        fill.gradient.interpolation = format::InterpolationMode::LinearRgb;
    const double focal = c.args.size() > 7 ? avm1::argNumber(c, 7) : 0;
    if (fill.kind == format::FillStyle::Kind::RadialGradient && std::isfinite(focal) && focal != 0) {
        fill.kind = format::FillStyle::Kind::FocalGradient;
        fill.gradient.focalPoint = std::clamp(focal, -1.0, 1.0);
    }
    return fill;
}

// The player's own reads of a movie's object take an own value as it is stored, even where a
// version flag hides it from the movie's reads.
avm1::Value storedMember(avm1::Machine& machine, avm1::Object* object, const QString& name) {
    const avm1::Property* own = object->findOwn(name);
    return own && !own->getter ? own->value : machine.getMember(avm1::Value(object), name);
}

// The player's own writes change a member the movie cannot see without making it visible.
void storeMember(avm1::Machine& machine, avm1::Object* object, const QString& name,
                 const avm1::Value& value) {
    avm1::Property* own = object->findOwn(name);
    if (own && !own->getter && !avm1::property_flags::visibleTo(own->flags, machine.swfVersion()))
        own->value = value;
    else
        machine.setMember(avm1::Value(object), name, value);
}

void copyMembers(avm1::Machine& machine, avm1::Object* from, avm1::Object* to) {
    if (!from || !to) return;
    for (const QString& name : machine.enumerate(from))
        machine.setMember(to, name, storedMember(machine, from, name));
}

} // namespace

stage::MovieClip* ScriptHost::attachClip(stage::MovieClip& parent,
                                         std::unique_ptr<stage::DisplayObject> instance, const QString& name,
                                         int depth, avm1::Object* initObject, bool initializeLater) {
    stage::MovieClip* clip = instance ? instance->asClip() : nullptr;
    if (!clip) return nullptr;
    if (stage::DisplayObject* there = parent.childAt(depth)) {
        if (there->asClip())
            removeClip(*there->asClip());
        else
            parent.takeChild(there);
    }
    movie::Placement placement = clip->placement();
    placement.name = name;
    placement.characterId = clip->character() ? clip->character()->id : 0;
    placement.birth = --m_lastScriptBirth;
    clip->setPlacement(placement);
    parent.addScripted(depth, std::move(instance));
    avm1::Object* object = objectOf(*clip);
    copyMembers(*m_machine, initObject, object);
    if (initializeLater) {
        // A duplicate is constructed at once; its initialize event waits, with the first
        // frames, until the running script is done.
        if (!clip->placement().clipActions.isEmpty())
            m_clipEvents[clip->serial()] += clip->placement().clipActions;
        construct(*clip);
        if (!m_directory->knows(clip)) return nullptr;
        m_initializePending.emplace_back(clip);
        return clip;
    }
    clipCreated(*clip);
    // Construction happens now, the first frame's actions once the running script is done.
    if (!m_directory->knows(clip)) return nullptr;
    std::erase(m_unconstructed, stage::ClipHandle(clip));
    construct(*clip);
    return m_directory->knows(clip) ? clip : nullptr;
}

stage::MovieClip* ScriptHost::duplicateClip(stage::MovieClip& clip, const QString& name, int depth,
                                            avm1::Object* initObject) {
    stage::MovieClip* parent = m_directory->parentOf(clip);
    if (!parent) return nullptr;
    std::unique_ptr<stage::DisplayObject> copy;
    if (clip.character())
        copy = stage::createInstance(clip.context(), clip.character(), clip.movie());
    else
        copy = std::make_unique<stage::MovieClip>(clip.context(), nullptr, emptyTimeline(), clip.movie());
    stage::MovieClip* duplicate = copy ? copy->asClip() : nullptr;
    if (!duplicate) return nullptr;
    movie::Placement placement = clip.placement();
    duplicate->setPlacement(placement);
    duplicate->drawing().copyFrom(clip.drawing());
    return attachClip(*parent, std::move(copy), name, depth, initObject, true);
}

void ScriptHost::forgetClipTree(stage::MovieClip& clip) {
    for (const auto& [depth, child] : clip.children())
        if (child->asClip()) forgetClipTree(*child->asClip());
    clipDestroyed(clip);
    m_forgotten.insert(clip.serial());
}

bool ScriptHost::hearsUnload(stage::MovieClip& clip) {
    if (!m_directory->knows(&clip)) return false;
    const auto events = m_clipEvents.find(clip.serial());
    if (events != m_clipEvents.end())
        for (const format::ClipActionRecord& entry : events->second)
            if (entry.events & kEventUnload) return true;
    const avm1::Value handler = m_machine->getMember(avm1::Value(objectOf(clip)), QStringLiteral("onUnload"));
    if (handler.asObject() && handler.asObject()->isFunction()) return true;
    for (const auto& [depth, child] : clip.children())
        if (child->asClip() && hearsUnload(*child->asClip())) return true;
    return false;
}

bool ScriptHost::leaving(const stage::MovieClip& clip) const {
    for (const stage::MovieClip* at = &clip; at; at = m_directory->parentOf(*at))
        if (std::find(m_leaving.begin(), m_leaving.end(), stage::ClipHandle(at)) != m_leaving.end())
            return true;
    return false;
}

void ScriptHost::runUnloadTree(stage::MovieClip& clip) {
    std::vector<stage::ClipHandle> children;
    for (const auto& [depth, child] : clip.children())
        if (child->asClip()) children.emplace_back(child->asClip());
    for (const stage::ClipHandle& handle : children)
        if (stage::MovieClip* child = known(handle)) runUnloadTree(*child);
    if (m_directory->knows(&clip)) runUnload(clip);
}

void ScriptHost::runLeaving(bool withHandlers) {
    std::vector<stage::ClipHandle> clips;
    clips.swap(m_leaving);
    for (const stage::ClipHandle& handle : clips) {
        stage::MovieClip* clip = known(handle);
        if (clip && withHandlers) runUnloadTree(*clip);
        clip = known(handle);
        stage::MovieClip* parent = clip ? m_directory->parentOf(*clip) : nullptr;
        if (!parent) continue;
        std::unique_ptr<stage::DisplayObject> removed = parent->takeChild(clip);
        forgetClipTree(*clip);
        m_removed.push_back(std::move(removed));
    }
}

void ScriptHost::removeClip(stage::MovieClip& clip) {
    stage::MovieClip* parent = m_directory->parentOf(clip);
    if (!parent || leaving(clip)) return;
    if (hearsUnload(clip)) {
        // A clip with unload handlers stays, below every depth in use, until they ran once
        // the running scripts are done; its children with it.
        const qint64 depth = parent->depthOf(&clip) - kTimelineDepthOffset;
        const qint64 below =
            std::max<qint64>(-32769 - depth + kTimelineDepthOffset, std::numeric_limits<int>::min());
        parent->swapDepth(&clip, int(below));
        m_leaving.emplace_back(&clip);
        return;
    }
    std::unique_ptr<stage::DisplayObject> removed = parent->takeChild(&clip);
    if (!removed) return;
    runUnload(clip);
    forgetClipTree(clip);
    m_removed.push_back(std::move(removed));
}

void ScriptHost::cloneSprite(Target source, const QString& name, int depth) {
    if (stage::MovieClip* clip = clipOf(source))
        duplicateClip(*clip, name, depthKey(double(depth) - kTimelineDepthOffset), nullptr);
}

void ScriptHost::removeSprite(Target target) {
    stage::MovieClip* clip = clipOf(target);
    stage::MovieClip* parent = clip ? m_directory->parentOf(*clip) : nullptr;
    if (!parent) return;
    const int depth = parent->depthOf(clip) - kTimelineDepthOffset;
    if (depth >= 0 && depth <= kMaxRemovableDepth) removeClip(*clip);
}

void ScriptHost::hideLaterClipMethods() {
    // MovieClip methods the player added after SWF 5: movies of older versions do not see
    // them (and a script can reveal them with ASSetPropFlags, as on any versioned name).
    // createTextField is not among them: SWF 5 movies make fields too.
    using namespace avm1::property_flags;
    static const std::pair<const char*, std::uint16_t> kAdded[] = {{"createEmptyMovieClip", kVersion6Up},
                                                                   {"beginFill", kVersion6Up},
                                                                   {"beginGradientFill", kVersion6Up},
                                                                   {"clear", kVersion6Up},
                                                                   {"curveTo", kVersion6Up},
                                                                   {"endFill", kVersion6Up},
                                                                   {"lineStyle", kVersion6Up},
                                                                   {"lineTo", kVersion6Up},
                                                                   {"moveTo", kVersion6Up},
                                                                   {"getDepth", kVersion6Up},
                                                                   {"setMask", kVersion6Up},
                                                                   {"getNextHighestDepth", kVersion7Up},
                                                                   {"getInstanceAtDepth", kVersion7Up},
                                                                   {"getSWFVersion", kVersion7Up}};
    for (const auto& [name, flag] : kAdded)
        if (avm1::Property* property = m_machine->clipPrototype()->findOwn(QString::fromLatin1(name)))
            property->flags |= flag;
}

void ScriptHost::installClipMethods() {
    avm1::Machine& machine = *m_machine;
    avm1::Object* prototype = machine.clipPrototype();
    auto method = [&](const char* name,
                      std::function<avm1::Value(stage::MovieClip&, avm1::CallContext&)> body) {
        machine.defineMethod(prototype, QString::fromLatin1(name), [this, body](avm1::CallContext& context) {
            stage::MovieClip* clip = clipOf(context.thisObject());
            return clip ? body(*clip, context) : avm1::Value();
        });
    };
    auto result = [this](stage::MovieClip* clip) {
        return clip ? avm1::Value(objectOf(*clip)) : avm1::Value();
    };

    method("attachMovie", [this, result](stage::MovieClip& clip, avm1::CallContext& c) {
        const auto found = m_exports.constFind(format::exportKey(avm1::argString(c, 0)));
        if (found == m_exports.constEnd() || c.args.size() < 3) return avm1::Value();
        const auto [character, library] = m_movie.resolve(*found);
        if (!character || character->kind != movie::CharacterKind::Sprite) return avm1::Value();
        return result(attachClip(clip, stage::createInstance(clip.context(), character, *library),
                                 avm1::argString(c, 1), depthKey(avm1::argNumber(c, 2)),
                                 c.arg(3).asObject()));
    });
    method("createEmptyMovieClip", [this, result](stage::MovieClip& clip, avm1::CallContext& c) {
        if (c.args.size() < 2) return avm1::Value();
        const avm1::Value made = result(attachClip(
            clip, std::make_unique<stage::MovieClip>(clip.context(), nullptr, emptyTimeline(), m_movie),
            avm1::argString(c, 0), depthKey(avm1::argNumber(c, 1)), nullptr));
        if (avm1::Object* object = made.asObject())
            c.machine.adoptClassPrototype(object, QStringLiteral("MovieClip"));
        return made;
    });
    method("duplicateMovieClip", [this, result](stage::MovieClip& clip, avm1::CallContext& c) {
        if (c.args.size() < 2) return avm1::Value();
        return result(
            duplicateClip(clip, avm1::argString(c, 0), depthKey(avm1::argNumber(c, 1)), c.arg(2).asObject()));
    });
    // Removes any display object it is called on, a text field included.
    machine.defineMethod(prototype, QStringLiteral("removeMovieClip"), [this](avm1::CallContext& c) {
        if (stage::MovieClip* clip = clipOf(c.thisObject()))
            removeSprite(objectOf(*clip));
        else if (stage::TextField* field = m_textFields->fieldOf(c.thisObject()))
            m_textFields->removeField(*field);
        return avm1::Value();
    });
    method("getDepth", [this](stage::MovieClip& clip, avm1::CallContext&) {
        if (stage::MovieClip* parent = m_directory->parentOf(clip))
            return avm1::Value(parent->depthOf(&clip) - kTimelineDepthOffset);
        const auto moved = m_levelDepths.find(clip.serial());
        if (moved != m_levelDepths.end()) return avm1::Value(moved->second);
        return avm1::Value(std::max(0, m_stage.levelOf(clip)) - kTimelineDepthOffset);
    });
    method("getNextHighestDepth", [](stage::MovieClip& clip, avm1::CallContext&) {
        int next = 0;
        if (!clip.children().empty())
            next = std::max(0, clip.children().rbegin()->first - kTimelineDepthOffset + 1);
        return avm1::Value(next);
    });
    method("getInstanceAtDepth", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        stage::DisplayObject* child = clip.childAt(depthKey(avm1::argNumber(c, 0)));
        return child && child->asClip() ? avm1::Value(objectOf(*child->asClip())) : avm1::Value();
    });
    // swapDepths(sibling, or its path, or a depth): a path that names no clip counts as a
    // depth (NaN, so 0); undefined, another parent's clip and depths out of range do nothing.
    // A level's top has no siblings, but keeps the depth it is given.
    method("swapDepths", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        constexpr int kLowestSwap = -kTimelineDepthOffset, kHighestSwap = 2130690044;
        if (c.args.empty() || c.arg(0).isUndefined()) return avm1::Value();
        stage::MovieClip* parent = m_directory->parentOf(clip);
        stage::MovieClip* other = nullptr;
        if (avm1::Object* object = c.arg(0).asObject()) {
            other = clipOf(object);
            if (!other) return avm1::Value();
        } else if (c.arg(0).isString()) {
            if (avm1::Object* found = resolveTarget(avm1::argString(c, 0), objectOf(clip)))
                other = clipOf(found);
        }
        if (other) {
            if (!parent || m_directory->parentOf(*other) != parent) return avm1::Value();
            parent->swapDepth(&clip, parent->depthOf(other));
            return avm1::Value();
        }
        const int depth = avm1::toInt32(avm1::argNumber(c, 0));
        if (depth < kLowestSwap || depth > kHighestSwap) return avm1::Value();
        if (parent)
            parent->swapDepth(&clip, depthKey(depth));
        else
            m_levelDepths[clip.serial()] = depth;
        return avm1::Value();
    });

    method("loadMovie", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        if (!c.args.empty()) loadInto(clip, avm1::argString(c, 0), false);
        return avm1::Value();
    });
    method("loadVariables", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        if (!c.args.empty()) loadInto(clip, avm1::argString(c, 0), true);
        return avm1::Value();
    });
    method("unloadMovie", [this](stage::MovieClip& clip, avm1::CallContext&) {
        unloadClip(clip);
        return avm1::Value();
    });
    method("getBytesTotal", [this](stage::MovieClip& clip, avm1::CallContext&) {
        return avm1::Value(double(clipBytes(clip)));
    });
    method("getBytesLoaded", [this](stage::MovieClip& clip, avm1::CallContext&) {
        return avm1::Value(double(clipBytes(clip)));
    });
    method("getSWFVersion", [this](stage::MovieClip& clip, avm1::CallContext&) {
        return avm1::Value(m_loadedMovies.versionOf(clip));
    });

    method("clear", [](stage::MovieClip& clip, avm1::CallContext&) {
        clip.drawing().clear();
        return avm1::Value();
    });
    method("beginFill", [](stage::MovieClip& clip, avm1::CallContext& c) {
        if (c.args.empty() || c.arg(0).isNullish()) {
            clip.drawing().beginFill(std::nullopt);
            return avm1::Value();
        }
        format::FillStyle fill;
        fill.color = colorOf(c, 0, 1);
        clip.drawing().beginFill(fill);
        return avm1::Value();
    });
    method("beginGradientFill", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        if (const auto fill = gradientFillOf(*m_machine, c)) clip.drawing().beginFill(fill);
        return avm1::Value();
    });
    method("endFill", [](stage::MovieClip& clip, avm1::CallContext&) {
        clip.drawing().endFill();
        return avm1::Value();
    });
    method("lineStyle", [](stage::MovieClip& clip, avm1::CallContext& c) {
        if (c.args.empty() || c.arg(0).isNullish()) {
            clip.drawing().setLineStyle(std::nullopt);
            return avm1::Value();
        }
        format::LineStyle line;
        const double width = avm1::argNumber(c, 0);
        line.width = quint16(std::isfinite(width) ? std::clamp(width, 0.0, 255.0) * kTwips : 0);
        line.color = colorOf(c, 1, 2);
        clip.drawing().setLineStyle(line);
        return avm1::Value();
    });
    method("moveTo", [](stage::MovieClip& clip, avm1::CallContext& c) {
        if (c.args.size() >= 2) clip.drawing().moveTo(twips(c, 0));
        return avm1::Value();
    });
    method("lineTo", [](stage::MovieClip& clip, avm1::CallContext& c) {
        if (c.args.size() >= 2) clip.drawing().lineTo(twips(c, 0));
        return avm1::Value();
    });
    method("curveTo", [](stage::MovieClip& clip, avm1::CallContext& c) {
        if (c.args.size() >= 4) clip.drawing().curveTo(twips(c, 0), twips(c, 2));
        return avm1::Value();
    });
    // Points given as objects with x and y, in pixels, converted in place.
    auto convertPoint = [this](stage::MovieClip& clip, avm1::CallContext& c, bool toStage) {
        avm1::Object* point = c.arg(0).asObject();
        const auto toClip = m_geometry->stageToClip(clip);
        if (!point || !toClip) return avm1::Value();
        const QTransform transform = toStage ? toClip->inverted() : *toClip;
        const double x = m_machine->toNumber(storedMember(*m_machine, point, QStringLiteral("x")));
        const double y = m_machine->toNumber(storedMember(*m_machine, point, QStringLiteral("y")));
        if (!std::isfinite(x) || !std::isfinite(y)) return avm1::Value();
        const QPointF mapped = transform.map(QPointF(x * kTwips, y * kTwips)) / kTwips;
        storeMember(*m_machine, point, QStringLiteral("x"), mapped.x());
        storeMember(*m_machine, point, QStringLiteral("y"), mapped.y());
        return avm1::Value();
    };
    method("localToGlobal", [convertPoint](stage::MovieClip& clip, avm1::CallContext& c) {
        return convertPoint(clip, c, true);
    });
    method("globalToLocal", [convertPoint](stage::MovieClip& clip, avm1::CallContext& c) {
        return convertPoint(clip, c, false);
    });
    // hitTest(x, y[, shape]) with a stage point in pixels, or hitTest(other clip) by boxes.
    method("hitTest", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        const auto stageBox = [this](stage::MovieClip& of) { return m_geometry->stageBox(of); };
        if (c.args.size() >= 2 && !c.arg(0).asObject()) {
            const QPointF point(avm1::argNumber(c, 0) * kTwips, avm1::argNumber(c, 1) * kTwips);
            if (!std::isfinite(point.x()) || !std::isfinite(point.y())) return avm1::Value(false);
            if (c.args.size() >= 3 && m_machine->toBoolean(c.arg(2)))
                return avm1::Value(m_geometry->covers(clip, point));
            const auto box = stageBox(clip);
            return avm1::Value(box && box->contains(point));
        }
        stage::MovieClip* other = c.arg(0).asObject() ? clipOf(c.arg(0).asObject()) : nullptr;
        if (!other)
            other = resolveTarget(avm1::argString(c, 0), objectOf(clip))
                        ? clipOf(resolveTarget(avm1::argString(c, 0), objectOf(clip)))
                        : nullptr;
        if (!other) return avm1::Value(false);
        const auto mine = stageBox(clip), theirs = stageBox(*other);
        return avm1::Value(mine && theirs && mine->intersects(*theirs));
    });
    method("setMask", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        stage::DisplayObject* mask = c.arg(0).asObject() ? clipOf(c.arg(0).asObject()) : nullptr;
        // A text field masks too, by its text.
        if (!mask && c.arg(0).asObject()) mask = m_textFields->fieldOf(c.arg(0).asObject());
        // A clip the timeline already uses as a mask stays the timeline's, on either side.
        if (clip.placement().clipDepth > 0 || (mask && mask->placement().clipDepth > 0)) return avm1::Value();
        clip.setScriptMask(mask != &clip ? mask : nullptr);
        return avm1::Value();
    });
    method("startDrag", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        const bool lock = !c.args.empty() && m_machine->toBoolean(c.arg(0));
        const bool constrain = c.args.size() >= 5;
        startDrag(objectOf(clip), lock, constrain, constrain ? avm1::argNumber(c, 1) : 0,
                  constrain ? avm1::argNumber(c, 2) : 0, constrain ? avm1::argNumber(c, 3) : 0,
                  constrain ? avm1::argNumber(c, 4) : 0);
        return avm1::Value();
    });
    method("stopDrag", [this](stage::MovieClip&, avm1::CallContext&) {
        endDrag();
        return avm1::Value();
    });
    // getBounds([space]): in the clip's own space, or in another clip's, by way of the stage.
    method("getBounds", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        auto bounds = stage::localBounds(clip);
        stage::MovieClip* space = c.arg(0).asObject() ? clipOf(c.arg(0).asObject()) : nullptr;
        if (bounds && space && space != &clip) {
            const auto fromStage = m_geometry->stageToClip(clip), toSpace = m_geometry->stageToClip(*space);
            if (fromStage && toSpace) bounds = (fromStage->inverted() * *toSpace).mapRect(*bounds);
        }
        avm1::Object* box = m_machine->newObject();
        const QRectF rect =
            bounds.value_or(QRectF(QPointF(6710886.35, 6710886.35), QPointF(6710886.35, 6710886.35)));
        box->setOwn(QStringLiteral("xMin"), rect.left() / kTwips);
        box->setOwn(QStringLiteral("xMax"), rect.right() / kTwips);
        box->setOwn(QStringLiteral("yMin"), rect.top() / kTwips);
        box->setOwn(QStringLiteral("yMax"), rect.bottom() / kTwips);
        return avm1::Value(box);
    });
}

} // namespace swf::script
