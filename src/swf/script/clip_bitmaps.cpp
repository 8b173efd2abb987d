// Where scripts' BitmapData surfaces meet the stage: MovieClip.attachBitmap and
// beginBitmapFill show them, BitmapData.loadBitmap fills one from an exported bitmap.
#include "swf/script/filter_records.h"
#include "swf/script/script_host.h"
#include "swf/script/script_limits.h"

#include "swf/avm1/bitmap_data.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/color_transform_data.h"
#include "swf/avm1/filter_data.h"
#include "swf/movie/movie_definition.h"
#include "swf/raster/pixel_effects.h"
#include "swf/render/filters.h"
#include "swf/render/script_bitmaps.h"
#include "swf/render/stage_renderer.h"
#include "swf/stage/bitmap_instance.h"
#include "swf/stage/movie_clip.h"

#include <QImage>
#include <QPainter>

#include <cmath>

namespace swf::script {

namespace {

using namespace avm1::property_flags;

// A script's depth as a key of the depth list, as the clip methods count them.
int depthKey(double scriptDepth) {
    constexpr double kLowest = -ScriptHost::kTimelineDepthOffset, kHighest = 2130690045;
    const double depth = std::isfinite(scriptDepth) ? std::trunc(scriptDepth) : 0.0;
    return int(std::clamp(depth, kLowest, kHighest)) + ScriptHost::kTimelineDepthOffset;
}

// A flash.geom.Matrix in pixels as a bitmap fill's matrix, which maps bitmap pixels to twips.
format::Matrix fillMatrix(avm1::Machine& machine, const avm1::Value& matrix) {
    format::Matrix result{kTwips, 0, 0, kTwips, 0, 0};
    if (!matrix.asObject()) return result;
    auto number = [&](const char* name) {
        const double value = machine.toNumber(machine.getMember(matrix, QString::fromLatin1(name)));
        return std::isfinite(value) ? value : 0.0;
    };
    return {number("a") * kTwips, number("b") * kTwips,  number("c") * kTwips,
            number("d") * kTwips, number("tx") * kTwips, number("ty") * kTwips};
}

// A flash.geom.Matrix in pixels; identity for anything else.
QTransform pixelMatrix(avm1::Machine& machine, const avm1::Value& matrix) {
    if (!matrix.asObject()) return {};
    double values[6];
    const char* names[] = {"a", "b", "c", "d", "tx", "ty"};
    for (int i = 0; i < 6; ++i) {
        values[i] = machine.toNumber(machine.getMember(matrix, QString::fromLatin1(names[i])));
        if (!std::isfinite(values[i])) return {};
    }
    return QTransform(values[0], values[1], values[2], values[3], values[4], values[5]);
}

format::ColorTransform colorTransformOf(const avm1::Value& value) {
    const avm1::ColorTransformData* data = avm1::colorTransformData(value);
    if (!data) return {};
    auto fixed = [](double number) {
        return std::isfinite(number) ? qint16(std::clamp(number, -32768.0, 32767.0)) : qint16(0);
    };
    const auto& v = data->values;
    return {fixed(v[0] * 256), fixed(v[1] * 256), fixed(v[2] * 256), fixed(v[3] * 256),
            fixed(v[4]),       fixed(v[5]),       fixed(v[6]),       fixed(v[7])};
}

// A colour transform over a surface's picture. Clear pixels stay clear: an alpha offset
// does not bring out what was never drawn.
void tintVisible(QImage& picture, const format::ColorTransform& tint) {
    auto apply = [](std::uint32_t value, qint16 multiplier, qint16 offset) {
        return std::uint32_t(std::clamp(int(value) * multiplier / 256 + offset, 0, 255));
    };
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if ((line[x] >> 24) == 0) continue;
            const std::uint32_t c = raster::unpremultiply(line[x]);
            line[x] = raster::premultiply((apply(c >> 24, tint.alphaMult, tint.alphaAdd) << 24) |
                                          (apply((c >> 16) & 0xFF, tint.redMult, tint.redAdd) << 16) |
                                          (apply((c >> 8) & 0xFF, tint.greenMult, tint.greenAdd) << 8) |
                                          apply(c & 0xFF, tint.blueMult, tint.blueAdd));
        }
    }
}

// A writable picture over a surface's own memory.
QImage canvasOf(raster::Pixels& pixels) {
    return QImage(reinterpret_cast<uchar*>(pixels.row(0)), pixels.width(), pixels.height(),
                  qsizetype(pixels.width()) * 4, QImage::Format_ARGB32_Premultiplied);
}

int intMember(avm1::Machine& machine, const avm1::Value& object, const char* name) {
    return avm1::toInt32(machine.toNumber(machine.getMember(object, QString::fromLatin1(name))));
}

// applyFilter(source, sourceRect, destPoint, filter): the filter run over the source's
// rectangle, written at the point. Answers 0, or -1 when an argument is missing or of the
// wrong kind.
avm1::Value applyFilter(avm1::Machine& machine, raster::Pixels& target, avm1::CallContext& c) {
    const raster::PixelsPtr source = avm1::bitmapPixels(c.arg(0));
    avm1::Object* rect = c.arg(1).asObject();
    const avm1::FilterData* filter = avm1::filterData(c.arg(3));
    if (!source || !rect || !filter) return avm1::Value(-1);
    const raster::Rect area{intMember(machine, c.arg(1), "x"), intMember(machine, c.arg(1), "y"),
                            intMember(machine, c.arg(1), "width"), intMember(machine, c.arg(1), "height")};
    const int toX = c.arg(2).asObject() ? intMember(machine, c.arg(2), "x") : 0;
    const int toY = c.arg(2).asObject() ? intMember(machine, c.arg(2), "y") : 0;
    if (filter->type == avm1::FilterType::ColorMatrix) {
        const avm1::FilterField* field = filter->field(QStringLiteral("matrix"));
        std::array<double, 20> matrix{};
        for (std::size_t i = 0; field && i < std::min<std::size_t>(20, field->list.size()); ++i)
            matrix[i] = field->list[i];
        raster::colorMatrix(target, *source, area, toX, toY, matrix);
        return avm1::Value(0);
    }
    const std::optional<format::Filter> record = filterRecordOf(*filter);
    const std::optional<raster::Placement> placed = raster::place(target, *source, area, toX, toY);
    if (!record || !placed) return avm1::Value(0);
    // The source's rectangle, filtered in a picture of its own, then written over the target.
    QImage picture = render::pictureOf(*source).copy(placed->from.x, placed->from.y, placed->from.width,
                                                     placed->from.height);
    render::applyFilters(picture, {*record}, 1.0);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            target.setStored(placed->toX + x, placed->toY + y, line[x]);
    }
    target.touch();
    return avm1::Value(0);
}

} // namespace

// BitmapData.draw(source [, matrix, colorTransform, blendMode, clipRect, smoothing]): a clip's
// content (its own placement left out) or another surface, painted over the pixels.
void ScriptHost::drawIntoBitmap(raster::Pixels& pixels, avm1::CallContext& c) {
    if (pixels.width() <= 0) return;
    const QTransform matrix = pixelMatrix(*m_machine, c.arg(1));
    const format::ColorTransform tint = colorTransformOf(c.arg(2));
    QImage canvas = canvasOf(pixels);
    QPainter painter(&canvas);
    if (avm1::Object* area = c.arg(4).asObject()) {
        auto number = [&](const char* name) {
            const double value =
                m_machine->toNumber(m_machine->getMember(avm1::Value(area), QString::fromLatin1(name)));
            return std::isfinite(value) ? value : 0.0;
        };
        painter.setClipRect(QRectF(number("x"), number("y"), number("width"), number("height")));
    }
    const bool smoothing = c.args.size() > 5 && m_machine->toBoolean(c.arg(5));
    if (const raster::PixelsPtr source = avm1::bitmapPixels(c.arg(0))) {
        QImage picture = render::pictureOf(*source).copy();
        if (picture.isNull()) return;
        if (!tint.isIdentity()) tintVisible(picture, tint);
        painter.setTransform(matrix);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smoothing);
        painter.drawImage(QPointF(0, 0), picture);
    } else if (stage::MovieClip* clip = clipOf(c.arg(0).asObject())) {
        render::StageRenderer renderer(m_movie);
        const QTransform twipsToPixels = QTransform::fromScale(1 / kTwips, 1 / kTwips) * matrix;
        const QTransform stageToDevice =
            m_geometry->stageToClip(*clip).value_or(QTransform()) * twipsToPixels;
        renderer.renderObject(painter, twipsToPixels, *clip, tint, true, m_stage, stageToDevice);
    } else {
        return;
    }
    painter.end();
    // An opaque surface stays opaque whatever was painted over it.
    if (!pixels.transparent())
        for (int y = 0; y < pixels.height(); ++y)
            for (std::uint32_t *p = pixels.row(y), *end = p + pixels.width(); p != end; ++p)
                *p |= 0xFF000000u;
    pixels.touch();
}

void ScriptHost::installBitmapMethods() {
    avm1::Machine& machine = *m_machine;
    avm1::Object* prototype = machine.clipPrototype();
    auto method = [&](const char* name,
                      std::function<avm1::Value(stage::MovieClip&, avm1::CallContext&)> body) {
        machine.defineMethod(prototype, QString::fromLatin1(name), [this, body](avm1::CallContext& context) {
            stage::MovieClip* clip = clipOf(context.thisObject());
            return clip ? body(*clip, context) : avm1::Value();
        });
        prototype->findOwn(QString::fromLatin1(name))->flags |= kVersion8Up;
    };
    // attachBitmap(bitmap, depth [, pixelSnapping, smoothing]): whatever stood at the depth goes.
    method("attachBitmap", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        raster::PixelsPtr pixels = avm1::bitmapPixels(c.arg(0));
        if (!pixels || c.args.size() < 2) return avm1::Value();
        const int depth = depthKey(avm1::argNumber(c, 1));
        if (stage::DisplayObject* there = clip.childAt(depth)) {
            if (there->asClip())
                removeClip(*there->asClip());
            else
                clip.takeChild(there);
        }
        const bool smoothing = c.args.size() > 3 && m_machine->toBoolean(c.arg(3));
        auto instance = std::make_unique<stage::BitmapInstance>(clip.context(), clip.movie(),
                                                                std::move(pixels), smoothing);
        instance->setScripted();
        clip.addScripted(depth, std::move(instance));
        return avm1::Value();
    });
    // beginBitmapFill(bitmap [, matrix, repeat, smoothing])
    method("beginBitmapFill", [this](stage::MovieClip& clip, avm1::CallContext& c) {
        raster::PixelsPtr pixels = avm1::bitmapPixels(c.arg(0));
        if (!pixels || clip.drawing().bitmapCount() >= stage::Drawing::kMaxBitmaps) return avm1::Value();
        format::FillStyle fill;
        fill.kind = format::FillStyle::Kind::Bitmap;
        fill.bitmapId = clip.drawing().addBitmap(std::move(pixels));
        fill.bitmapMatrix = fillMatrix(*m_machine, c.arg(1));
        fill.bitmapRepeat = c.args.size() < 3 || m_machine->toBoolean(c.arg(2));
        fill.bitmapSmooth = c.args.size() > 3 && m_machine->toBoolean(c.arg(3));
        clip.drawing().beginFill(fill);
        return avm1::Value();
    });

    // BitmapData.loadBitmap(exportName): a new surface holding the exported picture.
    const avm1::Property* flash = machine.global()->findOwn(QStringLiteral("flash"));
    if (!flash) return;
    const avm1::Value constructor = machine.getMember(
        machine.getMember(flash->value, QStringLiteral("display")), QStringLiteral("BitmapData"));
    avm1::Object* bitmapData = constructor.asObject();
    if (!bitmapData) return;
    if (avm1::Object* surfaces = machine.getMember(constructor, QStringLiteral("prototype")).asObject())
        machine.defineMethod(surfaces, QStringLiteral("draw"), [this](avm1::CallContext& c) {
            const raster::PixelsPtr pixels = avm1::bitmapPixels(c.thisValue);
            if (!pixels || c.args.empty()) return avm1::Value(-1);
            drawIntoBitmap(*pixels, c);
            return avm1::Value();
        });
    if (avm1::Object* surfaces = machine.getMember(constructor, QStringLiteral("prototype")).asObject())
        machine.defineMethod(surfaces, QStringLiteral("applyFilter"), [this](avm1::CallContext& c) {
            const raster::PixelsPtr pixels = avm1::bitmapPixels(c.thisValue);
            if (!pixels || c.args.size() < 4) return avm1::Value(-1);
            return applyFilter(*m_machine, *pixels, c);
        });
    machine.defineMethod(bitmapData, QStringLiteral("loadBitmap"), [this, constructor](avm1::CallContext& c) {
        const auto found = m_exports.constFind(format::exportKey(avm1::argString(c, 0)));
        if (found == m_exports.constEnd()) return avm1::Value();
        const auto [character, library] = m_movie.resolve(*found);
        const auto* bitmap = dynamic_cast<const movie::BitmapCharacter*>(character);
        if (!bitmap) return avm1::Value();
        const QImage image = bitmap->image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (image.isNull() || !raster::validSize(image.width(), image.height(), m_machine->swfVersion()))
            return avm1::Value();
        const avm1::Value args[] = {image.width(), image.height(), image.hasAlphaChannel(), 0};
        const avm1::Value result = m_machine->construct(constructor, args);
        const raster::PixelsPtr pixels = avm1::bitmapPixels(result);
        if (!pixels) return avm1::Value();
        for (int y = 0; y < image.height(); ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                pixels->setStored(x, y, from[x]);
        }
        pixels->touch();
        return result;
    });
}

} // namespace swf::script
