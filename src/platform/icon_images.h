#pragma once

// One image of an icon or cursor resource: a PNG, or a device-independent
// bitmap of twice its height whose AND mask follows its colours.

#include <QByteArrayView>
#include <QImage>

namespace lumora::icon_images {

// What an image says of itself, read from its header alone.
struct Header {
    int width = 0;
    int height = 0;
    int bits = 0;  // bits per pixel
};
// Nothing when the data is neither a PNG nor a bitmap we decode.
std::optional<Header> peekHeader(QByteArrayView data);

// The image as premultiplied ARGB; null when broken, of a kind we do not
// decode, or larger than kMaxIconSide on a side, which is known before any
// pixel is decoded.
QImage decode(QByteArrayView data);

}  // namespace lumora::icon_images
