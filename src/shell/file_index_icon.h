#pragma once

#include "platform/icons.h"

#include <QImage>
#include <QPixmap>
#include <QString>

namespace lumora {

// One icon of a file, picked by its number.
class TFileIndexIcon {
public:
    // Icons come pixels x pixels; by default at the standard icon size.
    explicit TFileIndexIcon(int pixels = 0);

    QString FileName() const { return fileName_; }
    // A new name reads the count and loads icon 0 (Index -1 without icons).
    void setFileName(const QString& fileName);
    // A new number, while the count is known, is clamped to 0 .. Count - 1 and
    // that icon loaded.
    int Index() const { return index_; }
    void setIndex(int index);
    // -1 when the file cannot be read or holds no icons.
    int Count() const { return count_; }

    // The loaded icon; null when there is none.
    const QImage& Image() const { return image_; }
    // The same for a picture on a screen of that pixel ratio; empty when none.
    QPixmap Pixmap(qreal ratio) const;

private:
    int pixels_;
    QString fileName_;
    int index_ = -1;
    int count_ = -1;
    IconResources icons_;
    QImage image_;
};

}  // namespace lumora
