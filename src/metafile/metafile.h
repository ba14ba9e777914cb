#pragma once

// Windows metafiles (WMF, with or without the placeable header, and EMF)
// played onto a QPainter. Only QtGui is needed; drawing text needs a
// QGuiApplication (without one, text records are skipped).
//
//   Metafile m = Metafile::fromFile(path);
//   if (!m.isNull()) picture = m.toImage(m.size());
//
// The picture's frame is the placeable header's bounding box, the EMF
// header's frame, or for a plain WMF the window (or viewport) its first
// mapping records set up. play() maps that frame onto the target rectangle
// and clips to it. Unknown records are skipped; a damaged record ends the
// picture where it stands. Playing is bounded: a file that asks for more
// work than a sane picture needs is cut short instead of taking minutes.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include <memory>

class QPainter;

namespace lumora {

namespace mf {
struct MetafileData;
}

class Metafile {
public:
    enum class Format { None, Wmf, PlaceableWmf, Emf };

    Metafile();
    ~Metafile();
    Metafile(const Metafile&);
    Metafile& operator=(const Metafile&);

    // WMF (placeable or plain) or EMF, recognised by content, not by name.
    static Metafile fromData(const QByteArray& bytes);
    // Null when the file cannot be read or is not a metafile.
    static Metafile fromFile(const QString& path);

    bool isNull() const;
    Format format() const;

    // Natural size in pixels at 96 dpi: placeable bounds / units per inch,
    // EMF frame (0.01 mm), plain WMF: its window extent. Never larger than
    // maxSide() on either side (the aspect ratio is kept).
    QSize size() const;
    static constexpr int maxSide() { return 16384; }

    // Draws the whole picture with its frame mapped onto target, in the
    // painter's current coordinates. The painter's state is left as found.
    void play(QPainter& painter, const QRectF& target) const;

    // The picture rendered into a new image of the given size (ARGB32
    // premultiplied) over background; a null image for an empty size or a
    // null metafile.
    QImage toImage(const QSize& size, QColor background = Qt::white) const;

private:
    std::shared_ptr<const mf::MetafileData> d_;
};

}  // namespace lumora
