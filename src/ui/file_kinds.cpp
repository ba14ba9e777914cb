#include "ui/file_kinds.h"

#include <QStringList>

namespace lumora {
namespace {

struct Kind {
    const char* extension;
    PreviewGroup preview;
    FilterGroup filter;  // the "Only ..." mode that lists it
};

// In the order of the "Supported Files" mask; the other masks keep it.
constexpr Kind kKinds[] = {
    {".BMP", PreviewGroup::PlatformPicture, FilterGroup::Images},
    {".ICO", PreviewGroup::PlatformPicture, FilterGroup::Icons},
    {".WMF", PreviewGroup::PlatformPicture, FilterGroup::Images},
    {".EMF", PreviewGroup::PlatformPicture, FilterGroup::Images},
    {".WAV", PreviewGroup::Sound, FilterGroup::Wavs},
    {".MID", PreviewGroup::Sound, FilterGroup::Midi},
    {".AVI", PreviewGroup::Avi, FilterGroup::Videos},
    {".JPG", PreviewGroup::DecodedPicture, FilterGroup::Images},
    {".JIF", PreviewGroup::DecodedPicture, FilterGroup::Images},
    {".EXE", PreviewGroup::IconFile, FilterGroup::Icons},
    {".DLL", PreviewGroup::IconFile, FilterGroup::Icons},
    {".ICL", PreviewGroup::IconFile, FilterGroup::Icons},
    {".CUR", PreviewGroup::IconFile, FilterGroup::Icons},
    {".ANI", PreviewGroup::IconFile, FilterGroup::Icons},
    {".MPG", PreviewGroup::Mpeg, FilterGroup::Videos},
    {".MPA", PreviewGroup::Mpeg, FilterGroup::Videos},
    {".MPEG", PreviewGroup::Mpeg, FilterGroup::Videos},
    {".DIB", PreviewGroup::DecodedPicture, FilterGroup::Images},
    {".RLE", PreviewGroup::DecodedPicture, FilterGroup::Images},
    {".TGA", PreviewGroup::DecodedPicture, FilterGroup::Images},
    {".PCX", PreviewGroup::DecodedPicture, FilterGroup::Images},
    {".JPEG", PreviewGroup::DecodedPicture, FilterGroup::Images},
};

// In the order of the editor's mask.
constexpr const char* kSlideshowPictures[] = {".BMP", ".WMF", ".JPG", ".JPEG", ".JIF",
                                              ".DIB", ".RLE", ".TGA", ".PCX"};

constexpr const char* kViewerPictures[] = {".BMP", ".JPG", ".WMF", ".GIF", ".ICO"};

constexpr const char* kForeignToDesktops[] = {".PCX", ".DIB", ".RLE", ".WMF", ".EMF"};

template <size_t N>
bool listed(const char* const (&list)[N], const QString& fileName) {
    const QString extension = upperExtension(fileName);
    for (const char* each : list)
        if (extension == QLatin1String(each))
            return true;
    return false;
}

QString pattern(const char* extension) {
    return u'*' + QLatin1String(extension);
}

}  // namespace

QString upperExtension(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf(u'/');
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot <= slash ? QString() : fileName.mid(dot).toUpper();
}

PreviewGroup previewGroup(const QString& fileName) {
    const QString extension = upperExtension(fileName);
    for (const Kind& kind : kKinds)
        if (extension == QLatin1String(kind.extension))
            return kind.preview;
    return PreviewGroup::None;
}

QString filterMask(FilterGroup group) {
    QStringList patterns;
    for (const Kind& kind : kKinds)
        if (group == FilterGroup::SupportedFiles || kind.filter == group)
            patterns << pattern(kind.extension);
    return patterns.join(u';');
}

bool isSlideshowPicture(const QString& fileName) {
    return listed(kSlideshowPictures, fileName);
}

QString slideshowEditorMask() {
    QStringList patterns;
    for (const char* extension : kSlideshowPictures)
        patterns << pattern(extension).toLower();
    return patterns.join(u';');
}

bool isViewerPicture(const QString& fileName) {
    return listed(kViewerPictures, fileName);
}

bool isForeignToDesktops(const QString& fileName) {
    return listed(kForeignToDesktops, fileName);
}

}  // namespace lumora
