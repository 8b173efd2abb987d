// Text drawn through system fonts: edit text fields with their initial text (plain or the
// HTML subset old movies use), and glyphs of fonts that carry no outlines.
#pragma once

#include "swf/format/edit_text.h"
#include "swf/format/fonts.h"

#include <QFont>
#include <QPainter>
#include <QString>

namespace swf::render {

// A system font for a movie font name: the generic device fonts (_sans, _serif,
// _typewriter) and the common Chinese system fonts map to installed families.
QString systemFamilyFor(const QString& movieFontName);

void drawEditTextField(QPainter& painter, const format::EditTextDefinition& field, const format::FontDefinition* font,
                       const QTransform& objectToDevice, const format::ColorTransform& cx, int swfVersion);

void drawDeviceGlyph(QPainter& painter, const format::FontDefinition& font, int glyphIndex, QPointF origin,
                     double height, const QTransform& textToDevice);

// Flash's HTML subset made digestible for QTextDocument: font sizes in pixels, faces mapped.
QString convertMovieHtml(const QString& html);

}  // namespace swf::render
