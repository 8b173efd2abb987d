// The movie files the dialogs offer: their filter and the folder they start in.
#pragma once

#include <QString>

// The filter of every movie file dialog, in the classic "description|pattern" form.
QString movieFileFilter();
// The start folder of the movie dialogs: "my flash movie" beside the program.
QString movieFolder();
