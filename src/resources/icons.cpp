// Drawing the SVG pictures with QSvgRenderer, so no image-format plugin is needed.

#include "resources/icons.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// The resource file is compiled into a static library; naming its initialiser here makes the
// linker keep it in every program that draws a picture. It must stand outside any namespace.
static void initIconResources() {
    Q_INIT_RESOURCE(resources);
}

namespace resources {

namespace {

constexpr int kIconSizes[] = {16, 24, 32, 48, 64};
constexpr int kCursorSize = 32;
// Where the forefinger's tip stands in hand.svg's 32 by 32 drawing.
constexpr int kHandHotSpotX = 10;
constexpr int kHandHotSpotY = 2;

QString resourcePath(const QString& name) {
    return QStringLiteral(":/icons/%1.svg").arg(name);
}

QString indexedName(const char* prefix, int index, int count) {
    if (index < 0 || index >= count) return {};
    return QStringLiteral("%1_%2").arg(QLatin1String(prefix)).arg(index);
}

} // namespace

QString mainButtonIconName(int index) {
    return indexedName("main", index, kMainButtonCount);
}

QString listButtonIconName(int index) {
    return indexedName("list", index, kListButtonCount);
}

QImage image(const QString& name, int size) {
    if (name.isEmpty() || size <= 0) return {};
    static const bool initialised = (initIconResources(), true);
    Q_UNUSED(initialised);
    const QString path = resourcePath(name);
    if (!QFile::exists(path)) return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    QImage picture(size, size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    renderer.render(&painter);
    painter.end();
    return picture;
}

QPixmap pixmap(const QString& name, int size) {
    return QPixmap::fromImage(image(name, size));
}

QIcon icon(const QString& name) {
    QIcon result;
    for (const int size : kIconSizes) {
        const QPixmap picture = pixmap(name, size);
        if (picture.isNull()) return {};
        result.addPixmap(picture);
    }
    return result;
}

QCursor handCursor() {
    const QPixmap picture = pixmap(QString::fromLatin1(kHandCursor), kCursorSize);
    if (picture.isNull()) return QCursor(Qt::PointingHandCursor);
    return QCursor(picture, kHandHotSpotX, kHandHotSpotY);
}

} // namespace resources
