// Stage drawing.
#include "swf/render/stage_renderer.h"

namespace swf::render {

void StageRenderer::render(QPainter& painter, const QTransform& stageToDevice, Quality quality,
                           const stage::MovieClip* root) {
    Q_UNUSED(root);
    painter.save();
    const bool smooth = quality == Quality::High;
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.setTransform(stageToDevice);
    painter.fillRect(m_movie.header.frameRect.toRectF(), m_movie.background);
    painter.restore();
}

}  // namespace swf::render
