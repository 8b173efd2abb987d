// The movie files the dialogs offer (their filter and the folder they start in), and what
// counts as a movie's web address.
#pragma once

#include <QString>

// The filter of every movie file dialog, in the classic "description|pattern" form.
QString movieFileFilter();
// The start folder of the movie dialogs: "my flash movie" beside the program.
QString movieFolder();
// An http or https address, which the control downloads rather than reads from disk.
bool isWebAddress(const QString& movie);
