// Renders the brand mark as the PNG app icons that desktops look up by name.
#include "Design/BrandMark.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: wrenbox-render-icon SIZE OUTPUT.png\n", stderr);
        return 2;
    }
    const int size = QByteArray(argv[1]).toInt();
    if (size <= 0 || size > 4096)
        return 2;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    BrandMark::paint(painter, QRectF(0, 0, size, size));
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
