// Drawing BitmapData surfaces: attached to clips, and as the pictures of bitmap fills.
#include "swf/render/script_bitmaps.h"
#include "swf/render/stage_renderer.h"

#include <algorithm>
#include <cmath>

namespace swf::render {

QImage pictureOf(const raster::Pixels& pixels) {
    if (pixels.width() <= 0 || pixels.height() <= 0) return {};
    // The stored form is premultiplied 0xAARRGGBB per pixel, as this format lays it out.
    return QImage(reinterpret_cast<const uchar*>(pixels.row(0)), pixels.width(), pixels.height(),
                  qsizetype(pixels.width()) * 4, QImage::Format_ARGB32_Premultiplied);
}

EdgeWidening EdgeWidening::around(const QSize& size, const QRectF& reach) {
    auto rim = [](double beyond) { return int(std::clamp(std::ceil(beyond), 0.0, double(kMaxRim))); };
    return {rim(-reach.left()), rim(-reach.top()), rim(reach.right() - size.width()),
            rim(reach.bottom() - size.height())};
}

QImage EdgeWidening::apply(const QImage& image) const {
    if (left == 0 && top == 0 && right == 0 && bottom == 0) return image;
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = source.width(), height = source.height();
    QImage widened(width + left + right, height + top + bottom, QImage::Format_ARGB32_Premultiplied);
    if (widened.isNull() || width == 0 || height == 0) return {};
    for (int y = 0; y < widened.height(); ++y) {
        const auto* from =
            reinterpret_cast<const QRgb*>(source.constScanLine(std::clamp(y - top, 0, height - 1)));
        auto* to = reinterpret_cast<QRgb*>(widened.scanLine(y));
        std::fill(to, to + left, from[0]);
        std::copy(from, from + width, to + left);
        std::fill(to + left + width, to + widened.width(), from[width - 1]);
    }
    return widened;
}

void StageRenderer::renderObject(QPainter& painter, const QTransform& objectToDevice,
                                 const stage::DisplayObject& object, const format::ColorTransform& cx,
                                 bool smooth, const stage::Stage& stage, const QTransform& stageToDevice) {
    painter.save();
    m_smooth = smooth;
    painter.setRenderHint(QPainter::Antialiasing, m_smooth);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_smooth);
    painter.setRenderHint(QPainter::TextAntialiasing, m_smooth);
    m_stageToDevice = objectToDevice;
    m_stageScale = std::sqrt(std::abs(objectToDevice.determinant()));
    m_rasters.clear();
    m_scriptMasks.clear();
    m_maskUses.clear();
    m_focusField = nullptr;
    const std::vector<stage::MovieClip*> layers = stage.all();
    for (const stage::MovieClip* layer : layers)
        gatherScriptMasks(*layer, stageToDevice, 0, false);
    if (!m_maskUses.empty())
        for (const stage::MovieClip* layer : layers)
            gatherScriptMasks(*layer, stageToDevice, 0, true);
    // A clip serving as another's mask draws nothing, here as on the stage.
    const Context context{objectToDevice, cx};
    if (m_scriptMasks.count(&object) == 0) {
        if (object.scriptMask())
            drawWithScriptMask(painter, object, context);
        else
            drawObject(painter, object, context);
    }
    m_current = &m_movie;
    painter.restore();
}

QImage StageRenderer::fillPicture(quint16 id, const format::ColorTransform& cx) {
    if (m_fillSurfaces) {
        const raster::Pixels* pixels = m_fillSurfaces->bitmap(id);
        if (!pixels) return {};
        // A copy: brushes may outlive this drawing in the paint engine's caches.
        const QImage image = pictureOf(*pixels).copy();
        return cx.isIdentity() || image.isNull() ? image : RenderCache::tinted(image, cx);
    }
    const auto* bitmap = dynamic_cast<const movie::BitmapCharacter*>(m_current->character(id));
    return bitmap ? m_cache.bitmap(*bitmap, cx) : QImage();
}

void StageRenderer::drawAttachedBitmap(QPainter& painter, const stage::BitmapInstance& bitmap,
                                       const Context& context) {
    if (!bitmap.pixels()) return;
    QImage image = pictureOf(*bitmap.pixels());
    if (image.isNull()) return;
    const RenderCache::Opacity fade = RenderCache::opacityOf(context.cx);
    if (!fade.rest.isIdentity()) image = RenderCache::tinted(image, fade.rest);
    painter.save();
    // One surface pixel per pixel of the clip's space.
    painter.setTransform(QTransform::fromScale(format::kTwipsPerPixel, format::kTwipsPerPixel) *
                         context.transform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_smooth && bitmap.smoothing());
    painter.setOpacity(painter.opacity() * fade.opacity);
    painter.drawImage(QPointF(0, 0), image);
    painter.restore();
}

} // namespace swf::render
