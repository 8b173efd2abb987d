// Renders the program's icon drawing to PNG pictures for the desktop's icon theme:
// vantrel-make-icons ICON.svg OUT_DIR SIZE... writes OUT_DIR/SIZE/vantrel.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fputs("usage: vantrel-make-icons ICON.svg OUT_DIR SIZE...\n", stderr);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QSvgRenderer drawing(QString::fromLocal8Bit(argv[1]));
    if (!drawing.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0 || size > 1024) {
            std::fprintf(stderr, "not a size: %s\n", argv[i]);
            return 1;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        drawing.render(&painter);
        painter.end();
        const QString folder = QDir(QString::fromLocal8Bit(argv[2])).filePath(QString::number(size));
        QDir().mkpath(folder);
        if (!image.save(QDir(folder).filePath(QStringLiteral("vantrel.png")), "PNG")) {
            std::fprintf(stderr, "cannot write the %d pixel icon\n", size);
            return 1;
        }
    }
    return 0;
}
