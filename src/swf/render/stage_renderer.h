// Draws the display tree with QPainter: background, then each object by depth, masks
// clipping the depths they cover, colour transforms multiplied down the tree.
#pragma once

#include "swf/movie/movie_definition.h"
#include "swf/render/filters.h"
#include "swf/render/paint_styles.h"
#include "swf/render/quality.h"
#include "swf/render/raster_cache.h"
#include "swf/render/render_cache.h"
#include "swf/render/text_layout.h"
#include "swf/stage/bitmap_instance.h"
#include "swf/stage/movie_clip.h"
#include "swf/stage/stage.h"
#include "swf/stage/video_instance.h"

#include <QPainter>
#include <QTransform>

#include <map>
#include <unordered_map>

namespace swf::render {

// The focus rectangle: a yellow frame 3 pixels wide just inside box (stage twips).
void drawFocusRectangle(QPainter& painter, const QTransform& stageToDevice, const QRectF& box,
                        Quality quality);

class StageRenderer {
  public:
    explicit StageRenderer(const movie::MovieDefinition& movie) : m_movie(movie), m_current(&movie) {}

    // The stage: the movie's background, its root, then the movies loaded into levels above.
    void render(QPainter& painter, const QTransform& stageToDevice, Quality quality,
                const stage::Stage& stage);

    // BitmapData.draw: one object's content (without its own placement) through objectToDevice,
    // tinted by cx. Masks that scripts set on the stage still apply, placed by stageToDevice
    // (the stage as the object's content sees it, then objectToDevice).
    void renderObject(QPainter& painter, const QTransform& objectToDevice, const stage::DisplayObject& object,
                      const format::ColorTransform& cx, bool smooth, const stage::Stage& stage,
                      const QTransform& stageToDevice);

  private:
    struct Context {
        QTransform transform; // object twips to device
        format::ColorTransform cx;
    };
    using Children = std::map<int, std::unique_ptr<stage::DisplayObject>>;

    void drawChildren(QPainter& painter, const Children& children, const Context& parent);
    void drawRange(QPainter& painter, Children::const_iterator it, Children::const_iterator end,
                   const Context& parent);
    void drawMasked(QPainter& painter, const stage::DisplayObject& mask, Children::const_iterator begin,
                    Children::const_iterator end, const Context& parent);
    void drawObject(QPainter& painter, const stage::DisplayObject& object, const Context& context);
    void drawObjectOf(QPainter& painter, const stage::DisplayObject& object, const Context& context);
    // Blend modes and filters: the object drawn alone into a layer, then composited.
    void drawInLayer(QPainter& painter, const stage::DisplayObject& object, const Context& context,
                     const movie::Placement& placement);
    // Through the raster cache where the picture is small enough, else drawShape.
    void drawShapeCached(QPainter& painter, const void* source, quint32 variant,
                         const format::ShapeDefinition& shape, const ShapePaths& paths,
                         const Context& context);
    void drawShape(QPainter& painter, const format::ShapeDefinition& shape, const ShapePaths& paths,
                   const Context& context);
    void drawBitmapFill(QPainter& painter, const format::FillStyle& fill, const QPainterPath& path,
                        const format::ColorTransform& cx);
    PenContext penContext(const QTransform& transform) const;
    void drawText(QPainter& painter, const movie::TextCharacter& text, const Context& context);
    void drawVideo(QPainter& painter, const stage::VideoInstance& video, const Context& context);
    // The picture a bitmap fill names: a library bitmap, or while a clip's drawing is drawn,
    // one of the surfaces its scripts filled with.
    QImage fillPicture(quint16 id, const format::ColorTransform& cx);
    const stage::Drawing* m_fillSurfaces = nullptr;
    void drawAttachedBitmap(QPainter& painter, const stage::BitmapInstance& bitmap, const Context& context);
    void drawEditText(QPainter& painter, const format::EditTextDefinition& field, const Context& context,
                      const stage::TextField* focused = nullptr, TextScroll scroll = {},
                      const stage::TextModel* model = nullptr);
    // The area an object covers, in device coordinates, for use as a mask.
    void addMaskArea(QPainterPath& area, const stage::DisplayObject& object, const QTransform& parent);

    const stage::TextField* m_focusField = nullptr; // shows its caret while drawn

    // setMask: the masks scripts gave (found on the stage, with where they stand), gathered
    // before drawing, since a mask may come before or after what it masks.
    // First pass (placeMasks false): who is masked by what; second: where the masks stand.
    void gatherScriptMasks(const stage::MovieClip& clip, const QTransform& toDevice, int nesting,
                           bool placeMasks);
    void drawWithScriptMask(QPainter& painter, const stage::DisplayObject& object, const Context& context);
    std::unordered_map<const stage::DisplayObject*, QTransform> m_scriptMasks; // mask -> its parent to device
    std::unordered_map<const stage::DisplayObject*, std::pair<const stage::DisplayObject*, quint64>>
        m_maskUses;

    // What a clip's drawing methods drew, beneath its children.
    void drawClipDrawing(QPainter& painter, const stage::MovieClip& clip, const Context& context);

    const movie::FontCharacter* fontNamed(const QString& name);
    // The font a field's text is drawn with, from the current movie's library (none: system fonts).
    const movie::FontCharacter* fieldFont(const format::EditTextDefinition& field);
    QPainterPath fieldOutline(const format::EditTextDefinition& field, const stage::DisplayObject& object,
                              const stage::TextModel* model = nullptr);
    int m_fontsIndexedAt = -1;
    const movie::MovieDefinition* m_fontsIndexedFor = nullptr;
    std::map<QString, const movie::FontCharacter*> m_fontsByName;

    const movie::MovieDefinition& m_movie;
    const movie::MovieDefinition* m_current; // the library of the object being drawn
    // Paths of the clips' drawings by clip; entries not drawn in a pass are let go after it.
    struct DrawingPaths {
        quint64 serial = 0;
        quint32 revision = 0;
        ShapePaths paths;
        bool used = false;
    };
    std::unordered_map<const stage::MovieClip*, DrawingPaths> m_drawings;
    RenderCache m_cache;
    RasterCache m_rasters;
    QTransform m_rasterStage; // the stage transform the rasters were drawn for
    bool m_rasterSmooth = true;
    QTransform m_stageToDevice;
    double m_stageScale = 1;
    bool m_smooth = true;
    int m_layerDepth = 0; // layers being drawn into, for Alpha and Erase
    QPoint m_layerOrigin; // where the layer being drawn into starts on the device
    FilterBuffers m_filterBuffers;
};

} // namespace swf::render
