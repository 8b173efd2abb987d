// Why a movie could not be loaded, as a code: the application says it to the user in the
// user's language; describe() gives the English words tools and logs print.
#pragma once

#include <QString>

namespace swf::movie {

enum class LoadError {
    None,
    FileMissing,           // no file at that path
    FileUnreadable,        // the file is there but cannot be read
    EmptyFile,             // no bytes at all
    NotAMovie,             // the bytes are something else
    AuthoringFile,         // an authoring tool's source file (.fla), not a movie
    Truncated,             // the movie ends before its header does
    AbsurdSize,            // the header declares a size no movie has
    BadCompression,        // the compressed body is broken
    Damaged,               // a movie broken part way: what came before plays
    ProjectorWithoutMovie, // a program file without a movie inside
    ActionScript3,         // its FileAttributes say its scripts are ActionScript 3
};

inline QString describe(LoadError error) {
    switch (error) {
    case LoadError::None:
        return {};
    case LoadError::FileMissing:
        return QStringLiteral("cannot open the movie: the file is not there");
    case LoadError::FileUnreadable:
        return QStringLiteral("cannot open the movie: the file cannot be read");
    case LoadError::EmptyFile:
        return QStringLiteral("cannot read the movie: the file is empty");
    case LoadError::NotAMovie:
        return QStringLiteral("cannot read the movie: this is not a Flash movie");
    case LoadError::AuthoringFile:
        return QStringLiteral("cannot play: this is a Flash source file (.fla), not a published movie");
    case LoadError::Truncated:
        return QStringLiteral("cannot read the movie: the file is incomplete");
    case LoadError::AbsurdSize:
        return QStringLiteral("cannot read the movie: the file declares an impossible size");
    case LoadError::BadCompression:
        return QStringLiteral("cannot read the movie: its compressed data is broken");
    case LoadError::Damaged:
        return QStringLiteral("the movie is damaged: the rest of it cannot be read");
    case LoadError::ProjectorWithoutMovie:
        return QStringLiteral("cannot read the movie: this program holds no Flash movie");
    case LoadError::ActionScript3:
        return QStringLiteral(
            "cannot play: the movie is made for ActionScript 3, which this player does not run");
    }
    return {};
}

} // namespace swf::movie
