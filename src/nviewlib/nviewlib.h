#pragma once

#include <QImage>
#include <QString>

namespace lumora {

// Decodes a JPEG/JIF, DIB/RLE, TGA or PCX picture file. Returns a null image
// when the file cannot be decoded. flag is 1 for the main window's preview and
// 0 for the slideshow editor and player.
QImage NViewLibLoad(const QString& fileName, int flag);

}  // namespace lumora
