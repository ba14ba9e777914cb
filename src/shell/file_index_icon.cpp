#include "shell/file_index_icon.h"

#include "shell/icon_list_box.h"

#include <algorithm>

namespace lumora {

TFileIndexIcon::TFileIndexIcon(int pixels) : pixels_(pixels > 0 ? pixels : standardIconPixels()) {}

void TFileIndexIcon::setFileName(const QString& fileName) {
    if (fileName == fileName_)
        return;
    fileName_ = fileName;
    icons_ = IconResources::open(fileName);
    count_ = icons_.count() > 0 ? icons_.count() : -1;
    index_ = count_ > 0 ? 0 : -1;
    image_ = icons_.icon(index_, pixels_);
}

void TFileIndexIcon::setIndex(int index) {
    if (index == index_ || count_ < 1)
        return;
    index_ = std::clamp(index, 0, count_ - 1);
    image_ = icons_.icon(index_, pixels_);
}

QPixmap TFileIndexIcon::Pixmap(qreal ratio) const {
    if (image_.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(image_);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

}  // namespace lumora
