#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>
#include <vector>

namespace lumora {

// The large icon size of every Qt style at scale 1: the size the grid's cells
// show and the size lumora-icons writes.
inline constexpr int kStandardIconSize = 32;
// No image of an icon is taken larger than this on a side, whatever its
// directory or header says.
inline constexpr int kMaxIconSide = 1024;
// More icons than this in one file are left out.
inline constexpr int kMaxIconsPerFile = 10000;

// What a file holds, told by its content: a program or library in the PE
// (32- and 64-bit) or NE (16-bit, also icon libraries) format, an icon or
// cursor file, or an animated cursor.
enum class IconFileKind { Any, Pe, Ne, IconDirectory, AnimatedCursor };

// The icons of one file as the desktop's icon extraction sees them. A PE or
// NE file counts its icon groups (not its cursors), each once whatever its
// languages, in the order of its resource directory; an icon, cursor or
// animated-cursor file counts 1. A file that cannot be read or holds none
// counts 0. Only headers and the resources asked for are read; the file
// stays open while the object lives.
class IconResources {
public:
    IconResources();
    ~IconResources();
    IconResources(IconResources&&) noexcept;
    IconResources& operator=(IconResources&&) noexcept;

    // A regular file only: a pipe or device with an icon file's name holds none.
    static IconResources open(const QString& path);
    // The kind, when given, is the only one tried.
    static IconResources fromBytes(const QByteArray& bytes, IconFileKind kind = IconFileKind::Any);

    int count() const;
    // Icon index, pixels x pixels (premultiplied ARGB): of its group, the image
    // nearest that size at the deepest colour, scaled when the group lacks the
    // size; its alpha kept, else its AND mask applied. Null when the icon is
    // missing or broken. An image is decoded once per size however many
    // groups name it, and the same image comes back for them.
    QImage icon(int index, int pixels) const;
    // The sides of the square images group index names, each once, smallest
    // first; what the images hold is not checked.
    std::vector<int> squareSides(int index) const;

private:
    struct Data;
    std::unique_ptr<Data> d_;
};

// An icon file holding image as its one 32-bit image with an AND mask from its
// alpha; empty for a null image or one larger than 256 pixels on a side.
QByteArray icoFileBytes(const QImage& image);

}  // namespace lumora
