#pragma once
// The program's own folder: the settings file, readme.txt, "vtl_list" and "my flash movie"
// live beside the executable.

#include <QString>

namespace platform {

// The folder that holds the executable (tests may put another folder in its place).
QString programFolder();

// `name` (a file or folder name, or a relative path) inside the program's folder.
QString programFile(const QString& name);

// Where the settings file and the list files go: the program's folder when it can be written
// (a copy run from where it was unpacked), otherwise the user's configuration folder (an
// installed copy, whose folder belongs to the system), created when needed.
QString dataFolder();
QString dataFile(const QString& name);

// Makes programFolder() answer `folder`; an empty text restores the executable's folder.
void setProgramFolderForTesting(const QString& folder);

} // namespace platform
