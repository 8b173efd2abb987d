#include "player/movie_files.h"

#include "platform/program_folder.h"

#include <QDir>

QString movieFileFilter() {
    return QStringLiteral(
        "Flash Player movie (*.swf)|*.swf|Flash Movie (* .fla)|*.fla|Flash exe Movie(*.exe)|*.exe");
}

QString movieFolder() {
    return QDir(platform::programFolder()).filePath(QStringLiteral("my flash movie"));
}

bool isWebAddress(const QString& movie) {
    return movie.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           movie.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}
