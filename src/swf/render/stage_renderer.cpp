// Stage drawing.
#include "swf/render/stage_renderer.h"
#include "swf/render/script_bitmaps.h"

#include "swf/render/blend.h"
#include "swf/render/filters.h"
#include "swf/render/layer_bounds.h"
#include "swf/render/text_layout.h"
#include "swf/stage/bounds.h"
#include "swf/stage/button_instance.h"
#include "swf/stage/text_field.h"

#include <algorithm>
#include <cmath>

namespace swf::render {

void drawFocusRectangle(QPainter& painter, const QTransform& stageToDevice, const QRectF& box,
                        Quality quality) {
    constexpr double kFrameTwips = 3 * 20;
    painter.save();
    painter.setTransform(stageToDevice);
    painter.setRenderHint(QPainter::Antialiasing, quality == Quality::High);
    QPainterPath frame;
    frame.addRect(box);
    frame.addRect(box.adjusted(kFrameTwips, kFrameTwips, -kFrameTwips, -kFrameTwips));
    frame.setFillRule(Qt::OddEvenFill);
    painter.fillPath(frame, QColor(255, 255, 0));
    painter.restore();
}
namespace {

double scaleOf(const QTransform& t) {
    return std::sqrt(std::abs(t.determinant()));
}

// Whether bounds (twips, strokes included) can touch the device at all. Shapes far off the
// stage are common in timeline animations; skipping them saves the rasteriser's setup.
bool isVisible(const QPainter& painter, const QRectF& extent, const QTransform& transform) {
    const QPaintDevice* device = painter.device();
    if (!device) return true;
    // Slack for anti-aliased edges and hairlines, which stay a pixel wide at any scale.
    const QRectF area = transform.mapRect(extent).adjusted(-2, -2, 2, 2);
    return area.intersects(QRectF(0, 0, device->width(), device->height()));
}

// Room around a filtered object's box for anti-aliased edges, hairlines and mitred corners.
constexpr int kLayerSlack = 4;
// A filtered layer takes in at most this much beyond the device: blurs reaching further are
// rare, and a zoomed view would otherwise build layers many times the device's size.
constexpr int kMaxReachBeyondDevice = 256;

// Pictures larger than this are drawn directly.
constexpr qint64 kMaxRasterPixels = 1024 * 1024;
// Kept pictures may take this many times the device's own pixels, within these bounds: what
// one frame shows, several times over, fits.
constexpr qint64 kRasterBudgetPerDeviceByte = 6;
constexpr qint64 kMinRasterBudget = 12 * 1024 * 1024;
constexpr qint64 kMaxRasterBudget = 64 * 1024 * 1024;
// Translations beyond this are left to QPainter rather than split into whole pixels.
constexpr double kMaxRasterTranslation = 1 << 24;

bool sameLinearPart(const QTransform& a, const QTransform& b) {
    return a.m11() == b.m11() && a.m12() == b.m12() && a.m21() == b.m21() && a.m22() == b.m22() &&
           a.isAffine() && b.isAffine();
}

// How far strokes can reach past the paths' extent, in device pixels: pens are cosmetic, so
// their width does not follow the extent's scale, and miter joins reach further still.
double strokeReach(const format::ShapeDefinition& shape, const PenContext& context) {
    double reach = 1; // the one-pixel minimum
    for (const format::LineStyle& line : shape.lines) {
        const double reachOfJoin =
            line.join == format::JoinStyle::Miter ? std::max(1.0, line.miterLimit) : std::sqrt(2.0);
        reach = std::max(reach, penDeviceWidth(line, context) / 2 * reachOfJoin);
    }
    return reach;
}

} // namespace

void StageRenderer::render(QPainter& painter, const QTransform& stageToDevice, Quality quality,
                           const stage::Stage& stage) {
    painter.save();
    m_smooth = quality == Quality::High;
    painter.setRenderHint(QPainter::Antialiasing, m_smooth);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_smooth);
    painter.setRenderHint(QPainter::TextAntialiasing, m_smooth);
    m_stageToDevice = stageToDevice;
    m_stageScale = scaleOf(stageToDevice);
    // Strokes depend on the stage scale and edges on the quality: pictures of other ones go.
    if (!sameLinearPart(stageToDevice, m_rasterStage) || m_smooth != m_rasterSmooth) {
        m_rasters.clear();
        m_rasterStage = stageToDevice;
        m_rasterSmooth = m_smooth;
    }
    if (const QPaintDevice* device = painter.device()) {
        const qint64 deviceBytes = qint64(device->width()) * device->height() * 4;
        m_rasters.setBudget(
            std::clamp(deviceBytes * kRasterBudgetPerDeviceByte, kMinRasterBudget, kMaxRasterBudget));
    }
    painter.setTransform(stageToDevice);
    painter.fillRect(m_movie.header.frameRect.toRectF(), m_movie.background);
    m_scriptMasks.clear();
    m_maskUses.clear();
    m_focusField = stage.focusField();
    // The root, then the movies loaded into levels above it.
    const std::vector<stage::MovieClip*> layers = stage.all();
    for (const stage::MovieClip* layer : layers)
        gatherScriptMasks(*layer, stageToDevice, 0, false);
    if (!m_maskUses.empty())
        for (const stage::MovieClip* layer : layers)
            gatherScriptMasks(*layer, stageToDevice, 0, true);
    for (const stage::MovieClip* layer : layers) {
        const Context context{stageToDevice, {}};
        m_current = &layer->movie();
        drawClipDrawing(painter, *layer, context);
        drawChildren(painter, layer->children(), context);
    }
    m_current = &m_movie;
    for (auto it = m_drawings.begin(); it != m_drawings.end();) {
        if (!it->second.used) {
            it = m_drawings.erase(it);
        } else {
            it->second.used = false;
            ++it;
        }
    }
    painter.restore();
}

void StageRenderer::gatherScriptMasks(const stage::MovieClip& clip, const QTransform& toDevice, int nesting,
                                      bool placeMasks) {
    if (nesting > 64) return;
    for (const auto& [depth, child] : clip.children()) {
        if (!placeMasks && child->scriptMask())
            m_maskUses[child.get()] = {child->scriptMask(), child->scriptMaskSerial()};
        if (placeMasks)
            for (const auto& [maskee, mask] : m_maskUses)
                if (mask.first == child.get() && mask.second == child->serial())
                    m_scriptMasks[child.get()] = toDevice;
        if (const stage::MovieClip* inner = child->asClip())
            gatherScriptMasks(*inner, child->placement().matrix.toTransform() * toDevice, nesting + 1,
                              placeMasks);
    }
}

void StageRenderer::drawWithScriptMask(QPainter& painter, const stage::DisplayObject& object,
                                       const Context& context) {
    const auto use = m_maskUses.find(&object);
    const auto mask = use == m_maskUses.end() ? m_scriptMasks.end() : m_scriptMasks.find(use->second.first);
    if (mask == m_scriptMasks.end()) {
        drawObject(painter, object, context);
        return;
    }
    QPainterPath area;
    area.setFillRule(Qt::WindingFill);
    // The mask stands where its parent puts it on the device; a layer starts further on.
    addMaskArea(area, *mask->first,
                mask->second * QTransform::fromTranslate(-m_layerOrigin.x(), -m_layerOrigin.y()));
    if (area.isEmpty()) return;
    painter.save();
    painter.resetTransform();
    painter.setClipPath(area, Qt::IntersectClip);
    drawObject(painter, object, context);
    painter.restore();
}

void StageRenderer::drawClipDrawing(QPainter& painter, const stage::MovieClip& clip, const Context& context) {
    const stage::Drawing& drawing = clip.drawing();
    if (drawing.isEmpty()) return;
    DrawingPaths& entry = m_drawings[&clip];
    if (entry.paths.extent.isNull() || entry.serial != clip.serial() ||
        entry.revision != drawing.revision()) {
        entry.paths = buildShapePaths(drawing.shape());
        entry.serial = clip.serial();
        entry.revision = drawing.revision();
    }
    entry.used = true;
    m_fillSurfaces = &drawing;
    drawShape(painter, drawing.shape(), entry.paths, context);
    m_fillSurfaces = nullptr;
}

void StageRenderer::drawChildren(QPainter& painter, const Children& children, const Context& parent) {
    drawRange(painter, children.begin(), children.end(), parent);
}

void StageRenderer::drawRange(QPainter& painter, Children::const_iterator it, Children::const_iterator end,
                              const Context& parent) {
    while (it != end) {
        const stage::DisplayObject& object = *it->second;
        const movie::Placement& placement = object.placement();
        if (placement.clipDepth > 0) {
            // A mask covers the depths above it up to its clip depth.
            auto maskedEnd = std::next(it);
            while (maskedEnd != end && maskedEnd->first <= placement.clipDepth)
                ++maskedEnd;
            drawMasked(painter, object, std::next(it), maskedEnd, parent);
            it = maskedEnd;
            continue;
        }
        ++it;
        if (!placement.visible || m_scriptMasks.count(&object)) continue;
        const Context context{placement.matrix.toTransform() * parent.transform,
                              placement.colorTransform.concatenated(parent.cx)};
        // Fully transparent objects draw nothing; skip their subtree.
        if (context.cx.alphaMult <= 0 && context.cx.alphaAdd <= 0) continue;
        if (needsLayer(placement.blendMode) || hasDrawableFilter(placement.filters))
            drawInLayer(painter, object, context, placement);
        else if (object.scriptMask())
            drawWithScriptMask(painter, object, context);
        else
            drawObject(painter, object, context);
    }
}

void StageRenderer::drawMasked(QPainter& painter, const stage::DisplayObject& mask,
                               Children::const_iterator begin, Children::const_iterator end,
                               const Context& parent) {
    if (begin == end) return;
    QPainterPath area;
    area.setFillRule(Qt::WindingFill);
    addMaskArea(area, mask, parent.transform);
    if (area.isEmpty()) return;
    const QPaintDevice* device = painter.device();
    if (!m_smooth || !device || device->width() <= 0 || device->height() <= 0) {
        // A clip path: fast, with hard edges, which is what low quality asks for anyway.
        painter.save();
        painter.resetTransform();
        painter.setClipPath(area, Qt::IntersectClip);
        drawRange(painter, begin, end, parent);
        painter.restore();
        return;
    }
    // Smooth mask edges: the masked objects go into a layer covering the mask's box, which
    // keeps only what the mask's anti-aliased coverage allows. Everything drawn into it is
    // shifted by the box's corner through the parent transform.
    const QRect box = area.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1) &
                      QRect(0, 0, device->width(), device->height());
    if (box.isEmpty()) return;
    const QTransform shift = QTransform::fromTranslate(-box.left(), -box.top());
    QImage layer(box.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QImage coverage(box.size(), QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    {
        QPainter coveragePainter(&coverage);
        coveragePainter.setRenderHint(QPainter::Antialiasing);
        coveragePainter.fillPath(shift.map(area), Qt::black);
    }
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHints(painter.renderHints());
        const QPoint outer = m_layerOrigin;
        m_layerOrigin += box.topLeft();
        drawRange(layerPainter, begin, end, Context{parent.transform * shift, parent.cx});
        m_layerOrigin = outer;
        layerPainter.resetTransform();
        layerPainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        layerPainter.drawImage(0, 0, coverage);
    }
    painter.save();
    painter.resetTransform();
    painter.drawImage(box.topLeft(), layer);
    painter.restore();
}

void StageRenderer::drawInLayer(QPainter& painter, const stage::DisplayObject& object, const Context& context,
                                const movie::Placement& placement) {
    const QPaintDevice* device = painter.device();
    if (!device || device->width() <= 0 || device->height() <= 0) return;
    const QRect deviceArea(0, 0, device->width(), device->height());
    const bool filtered = hasDrawableFilter(placement.filters);
    const double filterScale = m_stageScale * format::kTwipsPerPixel;
    QRect area = deviceArea;
    if (filtered) {
        // Filters run over the object's own box and the room they reach into, and take in
        // what lies beyond the device's edge within that reach: a blurred layer that covers
        // the stage blurs into its own colour there, not into transparency.
        const auto bounds = drawnBounds(object, context.transform, filterScale);
        if (!bounds) return;
        const QMargins reach = filterReach(placement.filters, filterScale);
        const auto capped = [](int side) { return std::min(side, kMaxReachBeyondDevice); };
        area = bounds->toAlignedRect().marginsAdded(
                   reach + QMargins(kLayerSlack, kLayerSlack, kLayerSlack, kLayerSlack)) &
               deviceArea.marginsAdded(QMargins(capped(reach.left()), capped(reach.top()),
                                                capped(reach.right()), capped(reach.bottom())));
        if (area.isEmpty()) return;
    }
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull()) return;
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHints(painter.renderHints());
        const QPoint outer = m_layerOrigin;
        m_layerOrigin += area.topLeft();
        ++m_layerDepth;
        drawObject(
            layerPainter, object,
            Context{context.transform * QTransform::fromTranslate(-area.left(), -area.top()), context.cx});
        --m_layerDepth;
        m_layerOrigin = outer;
    }
    if (filtered) applyFilters(layer, placement.filters, filterScale, &m_filterBuffers);
    compositeLayer(painter, layer, area.topLeft(), placement.blendMode, m_layerDepth > 0);
}

void StageRenderer::drawObject(QPainter& painter, const stage::DisplayObject& object,
                               const Context& context) {
    // Ids inside an object mean its own movie's library: a loaded or imported one may differ.
    const movie::MovieDefinition* outer = m_current;
    m_current = &object.movie();
    drawObjectOf(painter, object, context);
    m_current = outer;
}

void StageRenderer::drawObjectOf(QPainter& painter, const stage::DisplayObject& object,
                                 const Context& context) {
    if (const stage::MovieClip* clip = object.asClip()) {
        if (const auto background = clip->opaqueBackground()) {
            // The box behind the clip's content, in its own coordinates, always opaque.
            if (const auto bounds = stage::localBounds(*clip)) {
                painter.setTransform(context.transform);
                painter.fillRect(*bounds, context.cx.apply(QColor::fromRgb(*background | 0xff000000u)));
            }
        }
        drawClipDrawing(painter, *clip, context);
        drawChildren(painter, clip->children(), context);
        return;
    }
    if (const stage::TextField* text = object.asTextField()) {
        drawEditText(painter, text->field, context, text == m_focusField ? text : nullptr,
                     TextScroll{text->scroll, text->hscroll}, &text->content);
        return;
    }
    if (const auto* bitmap = dynamic_cast<const stage::BitmapInstance*>(&object)) {
        drawAttachedBitmap(painter, *bitmap, context);
        return;
    }
    const movie::Character* character = object.character();
    if (!character) return;
    switch (character->kind) {
    case movie::CharacterKind::Shape: {
        const auto& shape = static_cast<const movie::ShapeCharacter&>(*character);
        drawShapeCached(painter, &shape, 0, shape.shape, m_cache.shape(shape), context);
        return;
    }
    case movie::CharacterKind::MorphShape: {
        const auto& morph = static_cast<const movie::MorphShapeCharacter&>(*character);
        const quint16 ratio = object.placement().ratio;
        const RenderCache::Morph& entry = m_cache.morph(morph, ratio);
        drawShapeCached(painter, &morph, ratio, entry.shape, entry.paths, context);
        return;
    }
    case movie::CharacterKind::Text:
        drawText(painter, static_cast<const movie::TextCharacter&>(*character), context);
        return;
    case movie::CharacterKind::EditText:
        drawEditText(painter, static_cast<const movie::EditTextCharacter&>(*character).field, context);
        return;
    case movie::CharacterKind::Button: {
        const auto& button = static_cast<const stage::ButtonInstance&>(object);
        drawChildren(painter, button.children(), context);
        return;
    }
    case movie::CharacterKind::Video:
        if (const auto* video = dynamic_cast<const stage::VideoInstance*>(&object))
            drawVideo(painter, *video, context);
        return;
    case movie::CharacterKind::Bitmap: {
        // Placed directly (later versions allow it): one bitmap pixel per stage pixel.
        const RenderCache::Opacity fade = RenderCache::opacityOf(context.cx);
        const QImage image =
            m_cache.bitmap(static_cast<const movie::BitmapCharacter&>(*character), fade.rest);
        if (image.isNull()) return;
        // Through a texture brush, like clipped bitmap fills (see drawBitmapFill).
        painter.setTransform(QTransform::fromScale(format::kTwipsPerPixel, format::kTwipsPerPixel) *
                             context.transform);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QBrush(image));
        const double opacity = painter.opacity();
        painter.setOpacity(opacity * fade.opacity);
        painter.drawRect(image.rect());
        painter.setOpacity(opacity);
        return;
    }
    default:
        return;
    }
}

namespace {

// The picture with a rim of its own edge pixels: smoothing samples between neighbours, and at
// the edges a texture brush's neighbours would be those of the opposite edge.
QImage withEdgeRim(const QImage& picture) {
    const QImage source = picture.format() == QImage::Format_RGB32
                              ? picture
                              : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = source.width(), height = source.height();
    QImage rimmed(width + 2, height + 2, source.format());
    if (rimmed.isNull()) return {};
    for (int y = 0; y < height + 2; ++y) {
        const auto* from =
            reinterpret_cast<const QRgb*>(source.constScanLine(std::clamp(y - 1, 0, height - 1)));
        auto* to = reinterpret_cast<QRgb*>(rimmed.scanLine(y));
        std::copy(from, from + width, to + 1);
        to[0] = from[0];
        to[width + 1] = from[width - 1];
    }
    return rimmed;
}

} // namespace

void StageRenderer::drawVideo(QPainter& painter, const stage::VideoInstance& video, const Context& context) {
    QImage image = video.picture();
    if (image.isNull()) return;
    const format::VideoStreamDefinition& stream = video.video().stream;
    // The stream's declared size is the box pictures fill, whatever size they were coded at;
    // without one they show at their own size.
    const QSizeF box =
        stream.width > 0 && stream.height > 0 ? QSizeF(stream.width, stream.height) : QSizeF(image.size());
    const QRectF area(QPointF(0, 0), image.size());
    const RenderCache::Opacity fade = RenderCache::opacityOf(context.cx);
    if (!fade.rest.isIdentity()) image = RenderCache::tinted(image, fade.rest);
    const bool smooth = m_smooth && video.smoothing();
    QBrush brush;
    if (smooth) {
        brush = QBrush(withEdgeRim(image));
        brush.setTransform(QTransform::fromTranslate(-1, -1));
    } else {
        brush = QBrush(image);
    }
    painter.save();
    // Through a texture brush, as bitmaps placed directly are drawn.
    painter.setTransform(QTransform::fromScale(format::kTwipsPerPixel * box.width() / area.width(),
                                               format::kTwipsPerPixel * box.height() / area.height()) *
                         context.transform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.setOpacity(painter.opacity() * fade.opacity);
    painter.drawRect(area);
    painter.restore();
}

void StageRenderer::drawShapeCached(QPainter& painter, const void* source, quint32 variant,
                                    const format::ShapeDefinition& shape, const ShapePaths& paths,
                                    const Context& context) {
    const QTransform& transform = context.transform;
    if (!isVisible(painter, paths.extent, transform)) return;
    // On scaled screens the device has more pixels than the painter's coordinates count; a
    // picture made in those coordinates would be enlarged, so such screens are drawn directly.
    const QPaintDevice* device = painter.device();
    if (!transform.isAffine() || !(std::abs(transform.dx()) <= kMaxRasterTranslation) ||
        !(std::abs(transform.dy()) <= kMaxRasterTranslation) || !device ||
        device->devicePixelRatioF() != 1.0) {
        drawShape(painter, shape, paths, context);
        return;
    }
    constexpr int kSteps = RasterKey::kSubpixelSteps;
    QPoint whole(int(std::floor(transform.dx())), int(std::floor(transform.dy())));
    RasterKey key{source,
                  variant,
                  transform.m11(),
                  transform.m12(),
                  transform.m21(),
                  transform.m22(),
                  int(std::lround((transform.dx() - whole.x()) * kSteps)),
                  int(std::lround((transform.dy() - whole.y()) * kSteps)),
                  context.cx};
    if (key.subpixelX == kSteps) key.subpixelX = 0, whole.rx() += 1;
    if (key.subpixelY == kSteps) key.subpixelY = 0, whole.ry() += 1;
    const RasterCache::Picture* picture = m_rasters.find(key);
    if (!picture) {
        const QTransform local(transform.m11(), transform.m12(), transform.m21(), transform.m22(),
                               double(key.subpixelX) / kSteps, double(key.subpixelY) / kSteps);
        const double reach = std::ceil(strokeReach(shape, penContext(local))) + 1;
        const QRectF area = local.mapRect(paths.extent).adjusted(-reach, -reach, reach, reach);
        // Checked before any rounding to whole pixels, which huge or broken extents would overflow.
        if (area.isEmpty() || !(area.width() * area.height() <= double(kMaxRasterPixels))) {
            drawShape(painter, shape, paths, context);
            return;
        }
        const QRect box = area.toAlignedRect();
        QImage image(box.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter imagePainter(&image);
            imagePainter.setRenderHint(QPainter::Antialiasing, m_smooth);
            imagePainter.setRenderHint(QPainter::SmoothPixmapTransform, m_smooth);
            drawShape(imagePainter, shape, paths,
                      Context{local * QTransform::fromTranslate(-box.left(), -box.top()), context.cx});
        }
        picture = &m_rasters.insert(key, RasterCache::Picture{std::move(image), box.topLeft()});
    }
    // Whole pixels and no scaling: QPainter copies the picture without resampling it.
    painter.setTransform(QTransform());
    painter.drawImage(whole + picture->origin, picture->image);
}

void StageRenderer::drawBitmapFill(QPainter& painter, const format::FillStyle& fill, const QPainterPath& path,
                                   const format::ColorTransform& cx) {
    // Fades draw the bitmap itself with less opacity rather than a faded copy of it.
    const RenderCache::Opacity fade = RenderCache::opacityOf(cx);
    const BitmapLookup bitmaps = [&](quint16 id) { return fillPicture(id, fade.rest); };
    painter.save();
    painter.setOpacity(painter.opacity() * fade.opacity);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_smooth && fill.bitmapSmooth);
    if (fill.bitmapRepeat) {
        painter.setBrush(makeBrush(fill, fade.rest, bitmaps));
        painter.drawPath(path);
    } else if (const QImage image = bitmaps(fill.bitmapId); !image.isNull()) {
        // Clipped fills show the bitmap once and its edge pixels stretched beyond it, as far
        // as the shape reaches. Filled as the widened bitmap's own quad under the shape's
        // clip, with a texture brush: QPainter's transformed-image path crashes on some
        // flipped scales.
        const QTransform toShape = fill.bitmapMatrix.toTransform();
        bool invertible = false;
        const QRectF reach = toShape.inverted(&invertible).mapRect(path.boundingRect());
        const EdgeWidening widening = invertible ? EdgeWidening::around(image.size(), reach) : EdgeWidening{};
        const QImage widened = widening.apply(image);
        if (widened.isNull()) {
            painter.restore();
            return;
        }
        const QRectF area(-widening.left, -widening.top, widened.width(), widened.height());
        QPainterPath quad;
        quad.addPolygon(toShape.map(QPolygonF(area)));
        painter.setClipPath(path, Qt::IntersectClip);
        QBrush brush(widened);
        brush.setTransform(QTransform::fromTranslate(-widening.left, -widening.top) * toShape);
        painter.setBrush(brush);
        painter.drawPath(quad);
    }
    painter.restore();
}

PenContext StageRenderer::penContext(const QTransform& transform) const {
    PenContext context{scaleOf(transform), m_stageScale};
    const QTransform toStage = transform * m_stageToDevice.inverted();
    context.objectScaleX = std::hypot(toStage.m11(), toStage.m12());
    context.objectScaleY = std::hypot(toStage.m21(), toStage.m22());
    return context;
}

void StageRenderer::drawShape(QPainter& painter, const format::ShapeDefinition& shape,
                              const ShapePaths& paths, const Context& context) {
    painter.setTransform(context.transform);
    painter.setPen(Qt::NoPen);
    const BitmapLookup bitmaps = [&](quint16 id) { return fillPicture(id, context.cx); };
    const PenContext pens = penContext(context.transform);
    // Each set of styles: its fills, then its lines, over the sets before it.
    const size_t fillCount = std::min(paths.fills.size(), shape.fills.size());
    const size_t lineCount = std::min(paths.strokes.size(), shape.lines.size());
    for (size_t layer = 0; layer <= shape.layers.size(); ++layer) {
        const size_t firstFill = layer == 0 ? 0 : size_t(std::max(0, shape.layers[layer - 1].firstFill));
        const size_t firstLine = layer == 0 ? 0 : size_t(std::max(0, shape.layers[layer - 1].firstLine));
        const size_t endFill =
            layer == shape.layers.size() ? fillCount : size_t(std::max(0, shape.layers[layer].firstFill));
        const size_t endLine =
            layer == shape.layers.size() ? lineCount : size_t(std::max(0, shape.layers[layer].firstLine));
        painter.setPen(Qt::NoPen);
        for (size_t i = firstFill; i < std::min(endFill, fillCount); ++i) {
            const QPainterPath& path = paths.fills[i];
            if (path.isEmpty()) continue;
            const format::FillStyle& fill = shape.fills[i];
            if (fill.kind == format::FillStyle::Kind::Bitmap) {
                drawBitmapFill(painter, fill, path, context.cx);
                continue;
            }
            painter.setBrush(makeBrush(fill, context.cx, bitmaps));
            painter.drawPath(path);
        }
        painter.setBrush(Qt::NoBrush);
        for (size_t i = firstLine; i < std::min(endLine, lineCount); ++i) {
            if (paths.strokes[i].isEmpty()) continue;
            painter.setPen(makePen(shape.lines[i], context.cx, bitmaps, pens));
            painter.drawPath(paths.strokes[i]);
        }
    }
    painter.setPen(Qt::NoPen);
}

void StageRenderer::drawText(QPainter& painter, const movie::TextCharacter& text, const Context& context) {
    const QTransform textToDevice = text.text.matrix.toTransform() * context.transform;
    painter.setPen(Qt::NoPen);
    for (const format::TextRecord& record : text.text.records) {
        const auto* font = dynamic_cast<const movie::FontCharacter*>(m_current->character(record.fontId));
        if (!font) continue;
        painter.setBrush(context.cx.apply(record.color));
        const double scale = record.height / font->font.emSize;
        double x = record.x;
        for (const format::TextGlyph& glyph : record.glyphs) {
            const QPainterPath& path = m_cache.glyph(*font, glyph.index);
            if (!path.isEmpty()) {
                painter.setTransform(QTransform(scale, 0, 0, scale, x, record.y) * textToDevice);
                painter.drawPath(path);
            } else {
                drawDeviceGlyph(painter, font->font, glyph.index, QPointF(x, record.y), record.height,
                                textToDevice);
            }
            x += glyph.advance;
        }
    }
}

const movie::FontCharacter* StageRenderer::fontNamed(const QString& name) {
    // Built again when more characters have arrived (a movie still loading).
    if (m_fontsIndexedAt != m_current->characterCount() || m_fontsIndexedFor != m_current) {
        m_fontsIndexedAt = m_current->characterCount();
        m_fontsIndexedFor = m_current;
        m_fontsByName.clear();
        for (int id = 0; id <= 0xffff; ++id) {
            const auto* font = dynamic_cast<const movie::FontCharacter*>(m_current->character(quint16(id)));
            if (font && !font->font.glyphs.empty() && !font->font.name.isEmpty())
                m_fontsByName.emplace(font->font.name.toLower(), font); // the first of a name wins
        }
    }
    const auto found = m_fontsByName.find(name.toLower());
    return found == m_fontsByName.end() ? nullptr : found->second;
}

const movie::FontCharacter* StageRenderer::fieldFont(const format::EditTextDefinition& field) {
    const movie::Character* fontCharacter = field.hasFont ? m_current->character(field.fontId) : nullptr;
    const auto* font = dynamic_cast<const movie::FontCharacter*>(fontCharacter);
    // A field asking for embedded fonts by name (a script's TextFormat) uses the movie's font
    // of that name.
    if (!font && field.useOutlines && !field.fontClass.isEmpty()) font = fontNamed(field.fontClass);
    return font;
}

QPainterPath StageRenderer::fieldOutline(const format::EditTextDefinition& field,
                                         const stage::DisplayObject& object, const stage::TextModel* model) {
    const movie::MovieDefinition* outer = m_current;
    m_current = &object.movie();
    const movie::FontCharacter* font = fieldFont(field);
    const GlyphLookup glyphs = [&](int index) -> const QPainterPath& { return m_cache.glyph(*font, index); };
    QPainterPath outline = editTextOutline(field, font ? &font->font : nullptr, glyphs, model);
    m_current = outer;
    return outline;
}

void StageRenderer::drawEditText(QPainter& painter, const format::EditTextDefinition& field,
                                 const Context& context, const stage::TextField* focused, TextScroll scroll,
                                 const stage::TextModel* model) {
    const movie::FontCharacter* font = fieldFont(field);
    const GlyphLookup glyphs = [&](int index) -> const QPainterPath& { return m_cache.glyph(*font, index); };
    const EditCaret caret = focused ? EditCaret{focused->caret, focused->anchor} : EditCaret{};
    drawEditTextField(painter, field, font ? &font->font : nullptr, glyphs, context.transform, context.cx,
                      focused ? &caret : nullptr, scroll, model);
}

void StageRenderer::addMaskArea(QPainterPath& area, const stage::DisplayObject& object,
                                const QTransform& parent) {
    const QTransform transform = object.placement().matrix.toTransform() * parent;
    if (const stage::MovieClip* clip = object.asClip()) {
        // What its drawing methods filled masks too.
        if (!clip->drawing().isEmpty())
            area.addPath(transform.map(buildShapePaths(clip->drawing().shape()).outline));
        for (const auto& [depth, child] : clip->children())
            addMaskArea(area, *child, transform);
        return;
    }
    // A field masks by its characters' shapes, not by its box or background.
    if (const stage::TextField* text = object.asTextField()) {
        area.addPath(transform.map(fieldOutline(text->field, object, &text->content)));
        return;
    }
    const movie::Character* character = object.character();
    if (!character) return;
    switch (character->kind) {
    case movie::CharacterKind::Shape:
        area.addPath(
            transform.map(m_cache.shape(static_cast<const movie::ShapeCharacter&>(*character)).outline));
        return;
    case movie::CharacterKind::MorphShape:
        area.addPath(transform.map(
            m_cache
                .morph(static_cast<const movie::MorphShapeCharacter&>(*character), object.placement().ratio)
                .paths.outline));
        return;
    case movie::CharacterKind::Text: {
        const auto& text = static_cast<const movie::TextCharacter&>(*character);
        const QTransform textTransform = text.text.matrix.toTransform() * transform;
        for (const format::TextRecord& record : text.text.records) {
            const auto* font =
                dynamic_cast<const movie::FontCharacter*>(object.movie().character(record.fontId));
            if (!font) continue;
            const double scale = record.height / font->font.emSize;
            double x = record.x;
            for (const format::TextGlyph& glyph : record.glyphs) {
                area.addPath((QTransform(scale, 0, 0, scale, x, record.y) * textTransform)
                                 .map(m_cache.glyph(*font, glyph.index)));
                x += glyph.advance;
            }
        }
        return;
    }
    case movie::CharacterKind::EditText: {
        const auto& field = static_cast<const movie::EditTextCharacter&>(*character);
        area.addPath(transform.map(fieldOutline(field.field, object)));
        return;
    }
    case movie::CharacterKind::Button:
        for (const auto& [depth, child] : static_cast<const stage::ButtonInstance&>(object).children())
            addMaskArea(area, *child, transform);
        return;
    case movie::CharacterKind::Video: {
        QPainterPath box;
        box.addRect(stage::videoBox(static_cast<const movie::VideoCharacter&>(*character)));
        area.addPath(transform.map(box));
        return;
    }
    default:
        return;
    }
}

} // namespace swf::render
