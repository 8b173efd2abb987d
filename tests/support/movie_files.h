// Movies for the window tests: written to a folder and loaded into the play window's
// control with its clock off, so frames advance only when a test says so.
#pragma once

#include "support/app_fixture.h"
#include "swf_builder.h"

#include "player/shockwave_flash.h"

inline QString writeTestMovie(const QString& folder, const QString& name, int frames, double fps = 24.0) {
    swftest::SwfBuilder builder(8, QSize(200, 100), fps);
    builder.setBackground(QColor(30, 60, 90));
    builder.showFrame(frames);
    const QString path = folder + QLatin1Char('/') + name;
    writeBytes(path, builder.finish());
    return path;
}

// Loads a movie into the play window's control and lets its loading complete.
inline ShockwaveFlash* loadTestMovie(const QString& path) {
    ShockwaveFlash* control = Form1::sw();
    control->setClockEnabled(false);
    control->setMovie(path);
    AppFixture::settle();
    return control;
}
