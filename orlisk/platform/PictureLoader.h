#pragma once

#include "platform/Failure.h"

#include <QByteArray>
#include <QImage>

namespace orlisk {

// The system picture loader: JPEG, GIF, PNG and BMP bytes to a picture.
class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    virtual bool LoadPicture(const QByteArray& bytes, QImage& picture, Failure& failure) = 0;
};

class QtPictureLoader final : public PictureLoader {
public:
    bool LoadPicture(const QByteArray& bytes, QImage& picture, Failure& failure) override;
};

} // namespace orlisk
