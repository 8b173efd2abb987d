// Draws the display tree with QPainter: background, then each object by depth.
#pragma once

#include "swf/Player.h"
#include "swf/movie/movie_definition.h"
#include "swf/stage/movie_clip.h"

#include <QPainter>
#include <QTransform>

namespace swf::render {

class StageRenderer {
public:
    explicit StageRenderer(const movie::MovieDefinition& movie) : m_movie(movie) {}

    void render(QPainter& painter, const QTransform& stageToDevice, Quality quality, const stage::MovieClip* root);

private:
    const movie::MovieDefinition& m_movie;
};

}  // namespace swf::render
