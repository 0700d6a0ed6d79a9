#include "platform/PictureLoader.h"

#include <QBuffer>
#include <QImageReader>

namespace orlisk {

bool QtPictureLoader::LoadPicture(const QByteArray& bytes, QImage& picture, Failure& failure) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image;
    // Qt's allocation limit keeps a tiny file that claims a huge size from exhausting memory.
    if (!reader.read(&image) || image.isNull()) {
        failure = Failure{ErrorNumber::InvalidPicture,
                          QStringLiteral("Invalid picture (%1)").arg(reader.errorString())};
        return false;
    }
    picture = image;
    return true;
}

} // namespace orlisk
