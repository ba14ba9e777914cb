#include "ui/file_kinds.h"

#include "support/qt_print.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(FileKinds, FilterMasksAreTheMenusTextsInTheirOrder) {
    EXPECT_EQ(
        filterMask(FilterGroup::SupportedFiles),
        QStringLiteral("*.BMP;*.ICO;*.WMF;*.EMF;*.WAV;*.MID;*.AVI;*.JPG;*.JIF;*.EXE;*.DLL;"
                       "*.ICL;*.CUR;*.ANI;*.MPG;*.MPA;*.MPEG;*.DIB;*.RLE;*.TGA;*.PCX;*.JPEG"));
    EXPECT_EQ(filterMask(FilterGroup::Images),
              QStringLiteral("*.BMP;*.WMF;*.EMF;*.JPG;*.JIF;*.DIB;*.RLE;*.TGA;*.PCX;*.JPEG"));
    EXPECT_EQ(filterMask(FilterGroup::Wavs), QStringLiteral("*.WAV"));
    EXPECT_EQ(filterMask(FilterGroup::Videos), QStringLiteral("*.AVI;*.MPG;*.MPA;*.MPEG"));
    EXPECT_EQ(filterMask(FilterGroup::Midi), QStringLiteral("*.MID"));
    EXPECT_EQ(filterMask(FilterGroup::Icons),
              QStringLiteral("*.ICO;*.EXE;*.DLL;*.ICL;*.CUR;*.ANI"));
    EXPECT_EQ(slideshowEditorMask(),
              QStringLiteral("*.bmp;*.wmf;*.jpg;*.jpeg;*.jif;*.dib;*.rle;*.tga;*.pcx"));
}

TEST(FileKinds, ExtensionIsTheNameFromItsLastDot) {
    EXPECT_EQ(upperExtension(QStringLiteral("/a/b.tar.Gz")), QStringLiteral(".GZ"));
    EXPECT_EQ(upperExtension(QStringLiteral("/a.d/noext")), QString());
    EXPECT_EQ(upperExtension(QStringLiteral("name.")), QStringLiteral("."));
    EXPECT_EQ(upperExtension(QStringLiteral(".hidden")), QStringLiteral(".HIDDEN"));
}

TEST(FileKinds, EachWindowKeepsItsOwnPictureList) {
    // The slideshows take the nine pictures the decoder reads; the viewer its five.
    for (const char* name :
         {"a.bmp", "a.JPG", "a.wmf", "a.Jpeg", "a.jif", "a.dib", "a.rle", "a.tga", "a.pcx"})
        EXPECT_TRUE(isSlideshowPicture(QLatin1String(name))) << name;
    for (const char* name : {"a.emf", "a.ico", "a.gif", "a.txt", "jpg"})
        EXPECT_FALSE(isSlideshowPicture(QLatin1String(name))) << name;
    for (const char* name : {"a.bmp", "a.jpg", "a.WMF", "a.gif", "a.ico"})
        EXPECT_TRUE(isViewerPicture(QLatin1String(name))) << name;
    for (const char* name : {"a.jpeg", "a.pcx", "a.emf"})
        EXPECT_FALSE(isViewerPicture(QLatin1String(name))) << name;
}

}  // namespace
}  // namespace lumora
