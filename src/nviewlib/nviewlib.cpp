#include "nviewlib/nviewlib.h"

namespace lumora {

QImage NViewLibLoad(const QString& fileName, int flag) {
    QImage image;
    image.load(fileName);
    return image;
}

}  // namespace lumora
