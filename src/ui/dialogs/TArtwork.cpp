#include "ui/dialogs/TArtwork.h"

#include <QImage>
#include <QImageReader>

namespace artwork {

QPixmap pixmap(const char* resource, QSize size, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QImageReader reader(QString::fromLatin1(resource));
    reader.setScaledSize(size * ratio);
    const QImage image = reader.read();
    if (image.isNull())
        return QPixmap();
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(ratio);
    return result;
}

} // namespace artwork
