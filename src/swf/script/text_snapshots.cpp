// TextSnapshot and MovieClip.getTextSnapshot: the characters of a clip's static texts, read
// from their glyphs through the fonts' code tables, as scripts search and select them.
#include "swf/script/script_host.h"

#include "swf/avm1/builtins.h"
#include "swf/movie/character.h"
#include "swf/movie/movie_definition.h"
#include "swf/stage/movie_clip.h"

#include <cmath>
#include <limits>

namespace swf::script {

namespace {

struct SnapshotGlyph {
    QChar character;
    bool startsText = false; // the first glyph of a text object: a line ending stands before it
    QRectF box;              // in the clip's pixels
    bool selected = false;
};

// Taken once, when the snapshot is made: later changes to the clip do not reach it.
class SnapshotData final : public avm1::NativeData {
  public:
    std::vector<SnapshotGlyph> glyphs;
    void forEachReference(const std::function<void(avm1::Object*)>&) const override {}
};

constexpr double kTwipsPerPixel = 20;

std::vector<SnapshotGlyph> staticGlyphs(const stage::MovieClip& clip) {
    std::vector<SnapshotGlyph> glyphs;
    for (const auto& [depth, child] : clip.children()) {
        const movie::Character* character = child->character();
        if (!character || character->kind != movie::CharacterKind::Text) continue;
        const format::TextDefinition& text = static_cast<const movie::TextCharacter*>(character)->text;
        const QTransform toClip = text.matrix.toTransform() * child->placement().matrix.toTransform();
        bool first = true;
        for (const format::TextRecord& record : text.records) {
            const auto* font =
                dynamic_cast<const movie::FontCharacter*>(child->movie().character(record.fontId));
            double x = record.x;
            for (const format::TextGlyph& glyph : record.glyphs) {
                const std::size_t index = std::size_t(std::max(0, glyph.index));
                const quint16 code =
                    font && index < font->font.codes.size() ? font->font.codes[index] : quint16(0);
                const QRectF box(x, record.y - record.height, std::max(1, glyph.advance), record.height);
                const QRectF inClip = toClip.mapRect(box);
                glyphs.push_back({QChar(code), first,
                                  QRectF(inClip.topLeft() / kTwipsPerPixel, inClip.size() / kTwipsPerPixel)});
                first = false;
                x += glyph.advance;
            }
        }
    }
    return glyphs;
}

SnapshotData* snapshotOf(avm1::CallContext& c) {
    avm1::Object* self = c.thisObject();
    return self ? dynamic_cast<SnapshotData*>(self->nativeData()) : nullptr;
}

// An index argument: whole numbers toward zero, NaN as 0, infinities kept apart from the
// integer range so clamping sees them.
double indexArgument(avm1::CallContext& c, std::size_t index) {
    const double number = avm1::argNumber(c, index);
    if (std::isnan(number)) return 0;
    return std::isinf(number) ? number : std::trunc(number);
}

// The [start, end) a range argument pair names: the start held to the glyphs, the end at
// least one past it.
std::pair<int, int> glyphRange(avm1::CallContext& c, int count) {
    const double start = std::clamp(indexArgument(c, 0), 0.0, double(count - 1));
    const double end = std::clamp(indexArgument(c, 1), start + 1, double(count));
    return {int(start), int(end)};
}

QString textOf(const std::vector<SnapshotGlyph>& glyphs, int from, int to, bool lineEndings,
               bool selectedOnly) {
    QString text;
    bool any = false;
    for (int i = from; i < to; ++i) {
        if (selectedOnly && !glyphs[std::size_t(i)].selected) continue;
        if (lineEndings && any && glyphs[std::size_t(i)].startsText) text += QLatin1Char('\n');
        text += glyphs[std::size_t(i)].character;
        any = true;
    }
    return text;
}

double distanceTo(const QRectF& box, const QPointF& point) {
    const double dx = std::max({box.left() - point.x(), 0.0, point.x() - box.right()});
    const double dy = std::max({box.top() - point.y(), 0.0, point.y() - box.bottom()});
    return std::hypot(dx, dy);
}

} // namespace

// Each method answers undefined unless called with the number of arguments it takes, and
// on a snapshot made of no clip.
void ScriptHost::installTextSnapshots() {
    avm1::Machine& machine = *m_machine;
    avm1::Object* prototype = machine.newObject();
    avm1::Object* constructor = machine.newConstructor(
        [this](avm1::CallContext& c) {
            avm1::Object* self = c.thisObject();
            if (!c.constructing || !self) return avm1::Value();
            if (stage::MovieClip* clip = c.args.size() == 1 ? clipOf(c.arg(0).asObject()) : nullptr) {
                auto data = std::make_unique<SnapshotData>();
                data->glyphs = staticGlyphs(*clip);
                self->setNativeData(std::move(data));
            }
            return c.thisValue;
        },
        prototype);
    machine.global()->setOwn(QStringLiteral("TextSnapshot"), constructor, avm1::property_flags::kDontEnum);
    auto method = [&](const char* name, std::size_t fewest, std::size_t most,
                      std::function<avm1::Value(SnapshotData&, avm1::CallContext&)> body) {
        machine.defineMethod(prototype, QString::fromLatin1(name),
                             [fewest, most, body](avm1::CallContext& c) {
                                 SnapshotData* data = snapshotOf(c);
                                 if (!data || c.args.size() < fewest || c.args.size() > most)
                                     return avm1::Value();
                                 return body(*data, c);
                             });
    };
    method("getCount", 0, 0,
           [](SnapshotData& data, avm1::CallContext&) { return avm1::Value(double(data.glyphs.size())); });
    method("findText", 3, 3, [](SnapshotData& data, avm1::CallContext& c) {
        const double start = indexArgument(c, 0);
        const QString wanted = avm1::argString(c, 1);
        const Qt::CaseSensitivity sensitivity =
            c.machine.toBoolean(c.arg(2)) ? Qt::CaseSensitive : Qt::CaseInsensitive;
        const int count = int(data.glyphs.size());
        if (wanted.isEmpty() || start < 0 || start >= count) return avm1::Value(-1);
        return avm1::Value(
            double(textOf(data.glyphs, 0, count, false, false).indexOf(wanted, int(start), sensitivity)));
    });
    method("getText", 2, 3, [](SnapshotData& data, avm1::CallContext& c) {
        if (data.glyphs.empty()) return avm1::Value(QString());
        const auto [from, to] = glyphRange(c, int(data.glyphs.size()));
        return avm1::Value(textOf(data.glyphs, from, to, c.machine.toBoolean(c.arg(2)), false));
    });
    method("getSelected", 2, 2, [](SnapshotData& data, avm1::CallContext& c) {
        if (data.glyphs.empty()) return avm1::Value(false);
        const auto [from, to] = glyphRange(c, int(data.glyphs.size()));
        for (int i = from; i < to; ++i)
            if (data.glyphs[std::size_t(i)].selected) return avm1::Value(true);
        return avm1::Value(false);
    });
    method("getSelectedText", 0, 1, [](SnapshotData& data, avm1::CallContext& c) {
        return avm1::Value(
            textOf(data.glyphs, 0, int(data.glyphs.size()), c.machine.toBoolean(c.arg(0)), true));
    });
    method("setSelected", 3, 3, [](SnapshotData& data, avm1::CallContext& c) {
        if (data.glyphs.empty()) return avm1::Value();
        const auto [from, to] = glyphRange(c, int(data.glyphs.size()));
        const bool select = c.machine.toBoolean(c.arg(2));
        for (int i = from; i < to; ++i)
            data.glyphs[std::size_t(i)].selected = select;
        return avm1::Value();
    });
    // Selections are not drawn here, so the colour has nowhere to go.
    method("setSelectColor", 1, 1, [](SnapshotData&, avm1::CallContext&) { return avm1::Value(); });
    method("hitTestTextNearPos", 2, 3, [](SnapshotData& data, avm1::CallContext& c) {
        const QPointF point(avm1::argNumber(c, 0), avm1::argNumber(c, 1));
        const double reach = c.args.size() > 2 ? avm1::argNumber(c, 2) : 0;
        int nearest = -1;
        double best = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < data.glyphs.size(); ++i) {
            const double distance = distanceTo(data.glyphs[i].box, point);
            if (distance <= reach && distance < best) {
                best = distance;
                nearest = int(i);
            }
        }
        return avm1::Value(nearest);
    });
    machine.defineMethod(machine.clipPrototype(), QStringLiteral("getTextSnapshot"),
                         [constructor](avm1::CallContext& c) {
                             const avm1::Value self = c.thisValue;
                             return c.machine.construct(constructor, std::span<const avm1::Value>(&self, 1));
                         });
}

} // namespace swf::script
