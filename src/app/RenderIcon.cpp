// vantor-render-icon SVG SIZE PNG: renders the program's icon at one size for the
// hicolor theme (a build step; Qt's SVG image plugin does the drawing).

#include <cstdio>

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: vantor-render-icon SVG SIZE PNG\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    if (!ok || size <= 0 || size > 1024) {
        std::fprintf(stderr, "vantor-render-icon: bad size %s\n", argv[2]);
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]), "svg");
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "vantor-render-icon: %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    QSaveFile file(QString::fromLocal8Bit(argv[3]));
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "vantor-render-icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
