// The icon reader against files that real tools made, read back by an
// independent reader (icoutils), and against the lies hostile files tell.

#include "platform/icons.h"
#include "support/icon_fixtures.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <sys/stat.h>

namespace lumora {
namespace {

using namespace test;

// Pixels that differ between two icons beyond what premultiplied alpha rounds away.
int differingPixels(const QImage& ours, const QImage& theirs) {
    if (ours.size() != theirs.size())
        return -1;
    const QImage a = ours.convertToFormat(QImage::Format_ARGB32);
    const QImage b = theirs.convertToFormat(QImage::Format_ARGB32);
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int slack = qAlpha(q) ? 255 / qAlpha(q) + 1 : 255;
            if (std::abs(qAlpha(p) - qAlpha(q)) > 1 || std::abs(qRed(p) - qRed(q)) > slack ||
                std::abs(qGreen(p) - qGreen(q)) > slack || std::abs(qBlue(p) - qBlue(q)) > slack)
                ++differing;
        }
    return differing;
}

QColor centre(const QImage& icon) {
    return icon.pixelColor(icon.width() / 2, icon.height() / 2);
}

class IconsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new ScratchDir;
        const auto magick = [](const char* name, const QStringList& arguments) {
            ASSERT_TRUE(magickIcon(arguments + QStringList{path(name)})) << name;
        };
        const QString plasma = QStringLiteral("plasma:fractal");
        const QString size = QStringLiteral("-size");
        // One icon of each depth, 32 x 32. ImageMagick writes no masks into
        // palette icons: icotool makes those with clear corners.
        magick("d1.ico", {size, "32x32", "xc:red", "-fill", "blue", "-draw", "rectangle 0,0 15,15",
                          "-type", "palette"});
        for (const char* colours : {"15", "200"}) {
            ASSERT_TRUE(magickIcon({size, "32x32", plasma, "-colors", colours, "-alpha", "set",
                                    "-channel", "A", "-fx", "(i<10&&j<10)?0:1", "+channel",
                                    QStringLiteral("PNG32:%1").arg(path(colours))}));
        }
        const auto icotool = [](const char* bits, const char* png, const char* ico) {
            ASSERT_TRUE(runTool("icotool", {"-c", "-b", bits, "-o", path(ico), path(png)})) << ico;
        };
        icotool("4", "15", "d4.ico");
        icotool("8", "200", "d8.ico");
        icotool("24", "200", "d24.ico");
        magick("d32.ico", {size, "32x32", plasma, "-alpha", "set", "-channel", "A", "-fx", "i/w"});
        // Red at four sizes, the largest a PNG.
        magick("red.ico", {size, "256x256", "xc:red", "-define", "icon:auto-resize=256,48,32,16"});
        for (const char* colour : {"green", "blue", "yellow"})
            magick(qPrintable(QStringLiteral("%1.ico").arg(colour)),
                   {size, "32x32", QStringLiteral("xc:%1").arg(colour)});
        ASSERT_TRUE(writeBytes(path("arrow.cur"), cursorFromIcon(fileBytes(path("d1.ico")), 3, 3)));

        // Groups: one named, one in two languages, a cursor that does not count.
        const QString script = QStringLiteral(
                                   "LANGUAGE 9, 1\n"
                                   "20 ICON \"%1/d32.ico\"\n"
                                   "NAMED ICON \"%1/d1.ico\"\n"
                                   "7 ICON \"%1/d4.ico\"\n"
                                   "3 ICON \"%1/d8.ico\"\n"
                                   "12 ICON \"%1/d24.ico\"\n"
                                   "1 CURSOR \"%1/arrow.cur\"\n"
                                   "LANGUAGE 7, 1\n"
                                   "3 ICON \"%1/d8.ico\"\n")
                                   .arg(dir->path());
        ASSERT_TRUE(makeIconLibrary(path("pe32.dll"), script, PeFormat::Pe32));
        ASSERT_TRUE(makeIconLibrary(path("pe64.dll"), script, PeFormat::Pe32Plus));
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }

    static QString path(const char* name) { return dir->filePath(QString::fromLatin1(name)); }
    static QByteArray bytes(const char* name) { return fileBytes(path(name)); }

    static ScratchDir* dir;
};

ScratchDir* IconsTest::dir = nullptr;

// Each group of both PE kinds against wrestool's count and icotool's pixels:
// 1-, 4-, 8-, 24- and 32-bit images, masks and alpha.
TEST_F(IconsTest, ProgramsShowTheirIconGroupsAsIcoutilsDoes) {
    for (const char* library : {"pe32.dll", "pe64.dll"}) {
        SCOPED_TRACE(library);
        const QStringList groups = wrestoolIconGroups(path(library));
        ASSERT_EQ(groups.size(), 5) << groups.join(u' ').toStdString();
        const IconResources icons = IconResources::open(path(library));
        ASSERT_EQ(icons.count(), 5);
        for (int i = 0; i < icons.count(); ++i) {
            ASSERT_TRUE(wrestoolExtract(path(library), groups[i], path("group.ico")));
            const QImage theirs = icotoolImage(path("group.ico"), 32, dir->path());
            ASSERT_FALSE(theirs.isNull());
            EXPECT_EQ(differingPixels(icons.icon(i, 32), theirs), 0) << "group " << i;
        }
    }
    // Named first, then by number: d1 (NAMED), d8 (3), d4 (7), d24 (12), d32 (20).
    const IconResources icons = IconResources::open(path("pe64.dll"));
    EXPECT_EQ(centre(icons.icon(0, 32)), QColor(Qt::red));
    EXPECT_EQ(differingPixels(icons.icon(4, 32), icotoolImage(path("d32.ico"), 32, dir->path())),
              0);
}

TEST_F(IconsTest, IconFilesCountOneAndShowTheNearestSizeAtTheDeepestColour) {
    // ImageMagick's PNG entries are beyond icotool: colours tell the images apart.
    const IconResources red = IconResources::open(path("red.ico"));
    ASSERT_EQ(red.count(), 1);
    EXPECT_EQ(centre(red.icon(0, 32)), QColor(Qt::red));
    EXPECT_EQ(red.icon(0, 256).size(), QSize(256, 256));  // the PNG
    EXPECT_EQ(red.icon(1, 32), QImage());

    // Without 32: of 16 and 48, equally near, the larger; scaled.
    const auto image = [](const char* name, int index) {
        return iconImages(fileBytes(path(name))).value(index);
    };
    ASSERT_TRUE(
        writeBytes(path("sizes.ico"), iconFile({image("red.ico", 3), image("red.ico", 1)})));
    const QImage scaled = IconResources::open(path("sizes.ico")).icon(0, 32);
    EXPECT_EQ(scaled.size(), QSize(32, 32));
    EXPECT_EQ(centre(scaled), QColor(Qt::red));

    // Two 32 x 32 images: the 32-bit one wins, for icons and for cursors,
    // whose directory does not say.
    const QByteArray depths = iconFile({image("d4.ico", 0), image("d32.ico", 0)});
    const QImage deep = icotoolImage(path("d32.ico"), 32, dir->path());
    EXPECT_EQ(differingPixels(IconResources::fromBytes(depths).icon(0, 32), deep), 0);
    const IconResources cursor = IconResources::fromBytes(cursorFromIcon(depths, 5, 5));
    ASSERT_EQ(cursor.count(), 1);
    EXPECT_EQ(differingPixels(cursor.icon(0, 32), deep), 0);
}

TEST_F(IconsTest, AnimatedCursorsShowTheFirstFrameOfTheirSequence) {
    QList<QByteArray> frames;
    for (const char* name : {"red.ico", "green.ico", "blue.ico"})
        frames.append(cursorFromIcon(bytes(name), 0, 0));
    const IconResources inOrder = IconResources::fromBytes(animatedCursor(frames, {}));
    ASSERT_EQ(inOrder.count(), 1);
    EXPECT_EQ(centre(inOrder.icon(0, 32)), QColor(Qt::red));
    const QByteArray sequenced = animatedCursor(frames, {2, 0, 1});
    EXPECT_EQ(centre(IconResources::fromBytes(sequenced).icon(0, 32)), QColor(Qt::blue));
    // A sequence naming a frame that is not there holds no icon.
    EXPECT_EQ(IconResources::fromBytes(animatedCursor(frames, {7})).count(), 0);
    // Only the kind asked for is read.
    EXPECT_EQ(IconResources::fromBytes(sequenced, IconFileKind::Pe).count(), 0);
}

TEST_F(IconsTest, SixteenBitLibrariesShowTheirGroupsAsWrestoolDoes) {
    ASSERT_TRUE(writeBytes(path("icons.icl"),
                           neIconLibrary({bytes("d1.ico"), bytes("d32.ico"), bytes("d8.ico")})));
    const QStringList groups = wrestoolIconGroups(path("icons.icl"));
    ASSERT_EQ(groups.size(), 3);
    const IconResources icons = IconResources::open(path("icons.icl"));
    ASSERT_EQ(icons.count(), 3);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(wrestoolExtract(path("icons.icl"), groups[i], path("group.ico")));
        EXPECT_EQ(
            differingPixels(icons.icon(i, 32), icotoolImage(path("group.ico"), 32, dir->path())), 0)
            << "group " << i;
    }
}

// A picture named by a hundred groups is decoded once: every group gets that
// very image. A PNG is measured before it is decoded, whatever its directory says.
TEST_F(IconsTest, ImagesAreDecodedOnceAndCheckedBeforeDecoding) {
    const IconResources shared = IconResources::fromBytes(neIconLibrary({bytes("red.ico")}, 100));
    ASSERT_EQ(shared.count(), 100);
    const qint64 first = shared.icon(0, 256).cacheKey();
    for (int i = 1; i < 100; ++i)
        ASSERT_EQ(shared.icon(i, 256).cacheKey(), first) << i;

    IconImage png = iconImages(bytes("red.ico")).value(0);
    ASSERT_TRUE(png.data.startsWith("\x89PNG"));
    EXPECT_EQ(IconResources::fromBytes(iconFile({png})).icon(0, 32).size(), QSize(32, 32));
    qToBigEndian(quint32(30000), png.data.data() + 16);  // the header's width and height
    qToBigEndian(quint32(30000), png.data.data() + 20);
    EXPECT_TRUE(IconResources::fromBytes(iconFile({png})).icon(0, 32).isNull());
}

// Where ld put the resource section, and the way from its root to a group's data.
struct ResourceMap {
    QByteArray& dll;
    qint64 sectionAt = 0;
    quint32 sectionRva = 0;

    explicit ResourceMap(QByteArray& file) : dll(file) {
        const quint32 pe = le32At(dll, 0x3C);
        const quint32 optional = le16At(dll, pe + 20);
        for (quint32 i = 0; i < le16At(dll, pe + 6); ++i) {
            const qsizetype section = pe + 24 + optional + 40 * i;
            if (dll.mid(section, 5) == ".rsrc") {
                sectionAt = le32At(dll, section + 20);
                sectionRva = le32At(dll, section + 12);
            }
        }
    }
    // The file offset of entry i of the directory at offset dir of the section.
    qint64 entry(quint32 dir, int i) const { return sectionAt + dir + 16 + 8 * i; }
    quint32 target(qint64 entryAt) const { return le32At(dll, entryAt + 4) & 0x7FFFFFFF; }
    qint64 groupsEntry(int group) const {
        for (int i = 0;; ++i)
            if (le32At(dll, entry(0, i)) == 14)
                return entry(target(entry(0, i)), group);
    }
    qint64 languageEntry(int group) const { return entry(target(groupsEntry(group)), 0); }
    qint64 dataEntry(int group) const { return sectionAt + target(languageEntry(group)); }
    qint64 groupData(int group) const {
        return sectionAt + le32At(dll, dataEntry(group)) - sectionRva;
    }
    void set32(qint64 at, quint32 value) { qToLittleEndian(value, dll.data() + at); }
};

// Lies in the directories, counts, sizes and addresses: fewer icons or empty
// cells, never a crash, a hang or a large allocation (the sanitizers watch).
TEST_F(IconsTest, HostileProgramsGiveFewerIconsOrEmptyCells) {
    const QByteArray dll = bytes("pe64.dll");
    struct Lie {
        const char* what;
        std::function<void(ResourceMap&)> tell;
        int emptyGroup;  // -1: any may be empty
    };
    const Lie lies[] = {
        {"a name's languages are the root: a loop",
         [](ResourceMap& m) { m.set32(m.groupsEntry(0) + 4, 0x80000000u); }, 0},
        {"a language nests a fourth level",
         [](ResourceMap& m) {
             m.set32(m.languageEntry(2) + 4, 0x80000000u | m.target(m.groupsEntry(2)));
         },
         2},
        {"a group claims 4 GiB", [](ResourceMap& m) { m.set32(m.dataEntry(2) + 4, 0xFFFFFFFFu); },
         -1},
        {"a group lies beyond every section",
         [](ResourceMap& m) { m.set32(m.dataEntry(3), 0xFFFFFFF0u); }, 3},
        {"a group of size zero", [](ResourceMap& m) { m.set32(m.dataEntry(3) + 4, 0); }, 3},
        {"a group names an image that is not there",
         [](ResourceMap& m) {
             qToLittleEndian(quint16(999), m.dll.data() + m.groupData(4) + 6 + 12);
         },
         4},
        {"every bitmap claims 100000 pixels across",
         [](ResourceMap& m) {
             for (qint64 at = m.sectionAt; at + 40 < m.dll.size(); ++at)
                 if (le32At(m.dll, at) == 40 && le32At(m.dll, at + 4) == 32)
                     m.set32(at + 4, 100000);
         },
         0},
        {"the root claims 131070 entries",
         [](ResourceMap& m) { m.set32(m.sectionAt + 12, 0xFFFFFFFFu); }, -1},
        {"65535 sections",
         [](ResourceMap& m) {
             qToLittleEndian(quint16(0xFFFF), m.dll.data() + le32At(m.dll, 0x3C) + 6);
         },
         -1},
        {"the PE header lies past the end", [](ResourceMap& m) { m.set32(0x3C, 0xFFFFFFF0u); }, -1},
    };
    for (const Lie& lie : lies) {
        SCOPED_TRACE(lie.what);
        QByteArray told = dll;
        ResourceMap map(told);
        lie.tell(map);
        const IconResources icons = IconResources::fromBytes(told);
        EXPECT_LE(icons.count(), 5);
        for (int i = 0; i < icons.count(); ++i) {
            const QImage icon = icons.icon(i, 32);
            EXPECT_TRUE(icon.isNull() || icon.size() == QSize(32, 32));
            if (i == lie.emptyGroup) {
                EXPECT_TRUE(icon.isNull()) << i;
            }
        }
    }

    // Every length of a truncated file.
    for (qsizetype length = 0; length < dll.size(); length += 61) {
        const IconResources icons = IconResources::fromBytes(dll.left(length));
        ASSERT_LE(icons.count(), 5);
        for (int i = 0; i < icons.count(); ++i) {
            const QImage icon = icons.icon(i, 32);
            ASSERT_TRUE(icon.isNull() || icon.size() == QSize(32, 32)) << length;
        }
    }

    // Names of programs that are not files to read: no hang, no icons.
    ASSERT_EQ(::mkfifo(qPrintable(path("pipe.exe")), 0600), 0);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(IconResources::open(path("pipe.exe")).count(), 0);
    EXPECT_EQ(IconResources::open(dir->path()).count(), 0);
    EXPECT_EQ(IconResources::open(path("missing.exe")).count(), 0);
}

TEST_F(IconsTest, ASavedIconIsOne32BitImageWithItsMask) {
    QImage icon(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            icon.setPixel(x, y, x < 8 ? 0 : qRgba(8 * y, 255 - 8 * x, 90, 64 + 6 * x));
    const QByteArray ico = icoFileBytes(icon.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    ASSERT_TRUE(writeBytes(path("saved.ico"), ico));
    QByteArray listing;
    ASSERT_TRUE(runTool("icotool", {"-l", path("saved.ico")}, &listing));
    EXPECT_EQ(listing.trimmed(), QByteArray("--icon --index=1 --width=32 --height=32 "
                                            "--bit-depth=32 --palette-size=0"));
    EXPECT_EQ(differingPixels(icotoolImage(path("saved.ico"), 32, dir->path()), icon), 0);
    // The mask: a bit for each clear pixel, rows bottom up after the colours.
    const qsizetype mask = 6 + 16 + 40 + 32 * 32 * 4;
    ASSERT_EQ(ico.size(), mask + 32 * 4);
    for (int row = 0; row < 32; ++row)
        EXPECT_EQ(quint8(ico[mask + 4 * row]), 0xFF) << row;
    EXPECT_EQ(quint8(ico[mask + 1]), 0x00);
    EXPECT_TRUE(icoFileBytes(QImage(257, 257, QImage::Format_ARGB32)).isEmpty());
}

}  // namespace
}  // namespace lumora
