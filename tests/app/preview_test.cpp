#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "base/file_name.h"
#include "media/avi_play.h"
#include "metafile/metafile_writer.h"
#include "nviewlib/nviewlib.h"
#include "platform/dialogs.h"
#include "settings/preferences_window.h"
#include "shell/icon_list_box.h"
#include "support/fake_dialogs.h"
#include "support/fake_mci.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/file_kinds.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <cstdio>

namespace lumora {
namespace {

using test::ProgramTest;

TForm1& main() {
    return *forms().Form1;
}

bool magick(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("convert"), arguments) == 0;
}

// The picture's pixels as ImageMagick decodes the file.
QImage magickDecode(const QString& path, QSize size) {
    QProcess process;
    process.start(QStringLiteral("convert"), {path, QStringLiteral("rgba:-")});
    process.waitForFinished(30000);
    const QByteArray data = process.readAllStandardOutput();
    if (data.size() != size.width() * size.height() * 4)
        return {};
    return QImage(reinterpret_cast<const uchar*>(data.constData()), size.width(), size.height(),
                  QImage::Format_RGBA8888)
        .copy();
}

class PreviewTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        QImage bitmap(40, 30, QImage::Format_RGB32);
        bitmap.fill(QColor(10, 200, 30));
        ASSERT_TRUE(bitmap.save(path("green.bmp"), "BMP"));
        ASSERT_TRUE(magick({QStringLiteral("-size"), QStringLiteral("640x480"),
                            QStringLiteral("gradient:red-blue"), path("photo.jpeg")}));
        ASSERT_TRUE(QFile::copy(path("photo.jpeg"), path("photo.jpg")));
        QFile text(path("readme.txt"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        QDir(dir.path()).mkdir(QStringLiteral("sub"));
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().directorylistbox1->setDirectory(dir.path());
        ASSERT_EQ(main().FileListBox1->Directory(), dir.path());
        main().show();
    }
    void TearDown() override {
        main().hide();
        ProgramTest::TearDown();
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    void click(const char* entry) {
        ASSERT_TRUE(main().FileListBox1->selectItem(QString::fromLatin1(entry))) << entry;
        main().FileListBox1Click();
        main().Timer1Timer();  // the refresh enables the file commands
    }

    test::ScratchDir dir;
    // Sounds and videos "play" on fake devices here.
    test::FakeMci mci_;
    test::MciScope mciScope_{&mci_};
};

TEST_F(PreviewTest, ExtensionsAreComparedInFullAndInUpperCase) {
    using G = PreviewGroup;
    EXPECT_EQ(previewGroup(QStringLiteral("/a/b.JpEg")), G::DecodedPicture);
    EXPECT_EQ(previewGroup(QStringLiteral("/a/b.mpeg")), G::Mpeg);
    EXPECT_EQ(previewGroup(QStringLiteral("/a/b.ico")), G::PlatformPicture);
    EXPECT_EQ(previewGroup(QStringLiteral("/a/b.cur")), G::IconFile);
    EXPECT_EQ(previewGroup(QStringLiteral("/a/b.jpgx")), G::None);
    EXPECT_EQ(previewGroup(QStringLiteral("/a.jpg/noext")), G::None);
    EXPECT_EQ(previewGroup(QStringLiteral("/a/archive.tar.wav")), G::Sound);
}

TEST_F(PreviewTest, PicturesShowWithTheirSize) {
    click("photo.jpeg");
    EXPECT_TRUE(main().jpg->isVisible());
    EXPECT_EQ(main().jpg->pictureSize(), QSize(640, 480));
    EXPECT_EQ(main().StatusPanels.text(0), QStringLiteral("photo.jpeg"));
    EXPECT_EQ(main().StatusPanels.text(1), QStringLiteral(" 640 x 480"));

    click("green.bmp");
    EXPECT_EQ(main().StatusPanels.text(1), QStringLiteral(" 40 x 30"));
    EXPECT_EQ(main().jpg->picture().pixelColor(5, 5), QColor(10, 200, 30));
}

TEST_F(PreviewTest, OtherFilesAndFoldersLeaveThePreviewAlone) {
    click("green.bmp");
    const QImage before = main().jpg->picture();
    click("readme.txt");
    click("[sub]");
    EXPECT_EQ(main().jpg->picture(), before);
    EXPECT_EQ(main().StatusPanels.text(0), QStringLiteral("green.bmp"));
    EXPECT_EQ(main().StatusPanels.text(1), QStringLiteral(" 40 x 30"));
}

TEST_F(PreviewTest, EachKindShowsOneSurface) {
    QFile(path("song.wav")).open(QIODevice::WriteOnly);
    QFile(path("clip.mpg")).open(QIODevice::WriteOnly);
    QFile(path("tool.exe")).open(QIODevice::WriteOnly);
    main().FileListBox1->Update();
    struct Case {
        const char* entry;
        QWidget* visible;
    };
    const Case cases[] = {{"clip.mpg", main().Panel6},
                          {"tool.exe", main().IconListBox1},
                          {"song.wav", nullptr},
                          {"green.bmp", main().jpg}};
    for (const Case& c : cases) {
        click(c.entry);
        for (QWidget* surface :
             {static_cast<QWidget*>(main().jpg), main().Panel6,
              static_cast<QWidget*>(main().IconListBox1), static_cast<QWidget*>(main().DCAVIPlay1)})
            EXPECT_EQ(surface->isVisible(), surface == c.visible) << c.entry;
        EXPECT_EQ(main().StatusPanels.text(0), QString::fromLatin1(c.entry));
        if (c.visible != main().jpg) {
            EXPECT_TRUE(main().StatusPanels.text(1).isEmpty());
        }
    }
}

TEST_F(PreviewTest, CloseAndReloadFromTheMenuRecordTwice) {
    click("photo.jpg");
    const qsizetype start = forms().Form21->History.size();
    main().closeimage->click();
    EXPECT_TRUE(main().jpg->isEmpty());
    EXPECT_TRUE(main().jpg->isVisible());
    main().Close1->trigger();
    main().reload->click();
    main().Reload1->trigger();
    EXPECT_EQ(historyActions().mid(start),
              QStringList(
                  {QStringLiteral("Closed photo.jpg,"), QStringLiteral("Closed photo.jpg,"),
                   QStringLiteral("Closed photo.jpg,"), QStringLiteral("Reloaded photo.jpg,"),
                   QStringLiteral("Reloaded photo.jpg,"), QStringLiteral("Reloaded photo.jpg,")}));
}

TEST_F(PreviewTest, ReloadOfAJpgUsesThe256ColourDecode) {
    click("photo.jpg");
    EXPECT_NE(main().jpg->picture().format(), QImage::Format_Indexed8);
    main().reloadClick();
    EXPECT_EQ(main().jpg->picture().format(), QImage::Format_Indexed8);
    EXPECT_LE(main().jpg->picture().colorCount(), 256);
    // A ".jpeg" is decoded again as on selection.
    click("photo.jpeg");
    main().reloadClick();
    EXPECT_NE(main().jpg->picture().format(), QImage::Format_Indexed8);
    EXPECT_EQ(main().jpg->pictureSize(), QSize(640, 480));
}

TEST_F(PreviewTest, StretchKeepsMenuButtonAndPreferenceTogether) {
    ASSERT_TRUE(main().StretchImages1->isChecked());
    main().StretchImages1->trigger();
    EXPECT_FALSE(main().StretchImages1->isChecked());
    EXPECT_FALSE(main().ToolbarButton972->isChecked());
    EXPECT_FALSE(forms().Form4->CheckBox6->isChecked());
    EXPECT_FALSE(main().jpg->Stretch());
    EXPECT_EQ(historyActions().last(), QStringLiteral("Stretch images off,"));
    main().ToolbarButton972->click();
    EXPECT_TRUE(main().StretchImages1->isChecked());
    EXPECT_TRUE(main().ToolbarButton972->isChecked());
    EXPECT_TRUE(main().jpg->Stretch());
    EXPECT_EQ(historyActions().last(), QStringLiteral("Stretch images on,"));
    main().Unstretch1->trigger();
    EXPECT_FALSE(main().jpg->Stretch());
}

TEST_F(PreviewTest, SaveToBmpWritesABitmapThatOthersRead) {
    click("photo.jpeg");
    const QString target = dir.filePath(QStringLiteral("saved"));
    test::fakeDialogs().fileAnswers.push_back(target);
    main().SaveToBmp1->trigger();
    ASSERT_TRUE(QFile::exists(target + QStringLiteral(".bmp")));  // default extension
    const QImage theirs = magickDecode(target + QStringLiteral(".bmp"), QSize(640, 480));
    ASSERT_FALSE(theirs.isNull());
    EXPECT_EQ(theirs.convertToFormat(QImage::Format_RGB32),
              main().jpg->picture().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(historyActions().last(), QStringLiteral("Saved photo.jpeg as bitmap,"));

    // Cancelling writes nothing and records nothing.
    const qsizetype entries = forms().Form21->History.size();
    main().SaveToBmp1Click();
    EXPECT_EQ(forms().Form21->History.size(), entries);
}

// Stretched, a large JPEG is decoded only as large as the view needs; what is
// saved, copied and shown at its own size is still the whole picture.
TEST_F(PreviewTest, StretchedPreviewKeepsOnlyWhatItShows) {
    ASSERT_TRUE(magick({QStringLiteral("-seed"), QStringLiteral("4"), QStringLiteral("-size"),
                        QStringLiteral("2400x1600"), QStringLiteral("plasma:fractal"),
                        QStringLiteral("-quality"), QStringLiteral("90"), path("big.jpg")}));
    main().FileListBox1->Update();
    ASSERT_TRUE(main().jpg->Stretch());
    TImage& view = *main().jpg;
    click("big.jpg");
    const QImage whole = NViewLibLoad(path("big.jpg"), 1);
    ASSERT_EQ(whole.size(), QSize(2400, 1600));
    EXPECT_EQ(main().StatusPanels.text(1), QStringLiteral(" 2400 x 1600"));
    EXPECT_TRUE(view.holdsReducedCopy());
    EXPECT_LE(view.keptSize().width(), 2 * view.width());
    EXPECT_GE(view.keptSize().width(), view.width());
    EXPECT_GE(view.keptSize().height(), view.height());

    // What is painted is the whole picture stretched, near enough.
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage expected =
        whole.scaled(view.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double difference = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y), b = expected.pixel(x, y);
            difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b));
        }
    EXPECT_LT(difference / (3.0 * shown.width() * shown.height()), 2.0);

    // Saved byte for byte as the whole decode is; copied whole.
    const QString target = dir.filePath(QStringLiteral("saved.bmp"));
    test::fakeDialogs().fileAnswers.push_back(target);
    main().SaveToBmp1->trigger();
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    QByteArray reference;
    QBuffer buffer(&reference);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && whole.save(&buffer, "BMP"));
    EXPECT_TRUE(saved.readAll() == reference);
    main().clipboard1Click();
    EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), whole);

    // A larger view needs more pixels: the file is decoded again for it.
    const QSize before = view.keptSize();
    main().resize(main().size() + QSize(500, 400));
    QTest::qWait(50);
    view.repaint();
    EXPECT_GT(view.keptSize().width(), before.width());
    EXPECT_GE(view.keptSize().height(), view.height());

    // At its own size every pixel shows: the whole picture is kept.
    main().StretchImages1Click();
    EXPECT_FALSE(view.holdsReducedCopy());
    EXPECT_EQ(view.keptSize(), QSize(2400, 1600));
    EXPECT_EQ(view.picture(), whole);
}

// The real dialog: its type reads as designed, " [*.bmp]", not doubled; the
// name box starts with "*.bmp", and saving while it still holds a pattern
// writes nothing and keeps the dialog.
TEST_F(PreviewTest, SaveToBmpsDialogShowsTheDesignsTypeAndNameAndWritesNoPattern) {
    click("green.bmp");
    QStringList types;
    QStringList names;
    int shown = 0;
    test::withRealFileDialogs(
        [] { main().SaveToBmp1->trigger(); },
        [&](test::RealFileDialog& dialog) {
            if (++shown == 1) {
                for (int i = 0; i < dialog.type->count(); ++i)
                    types << dialog.type->itemText(i);
                names << dialog.name->text();
            } else if (shown > 2) {
                dialog.name->setText(QStringLiteral("shot"));  // a name at last
            }
            dialog.buttons->button(QDialogButtonBox::Save)->click();
        });
    EXPECT_EQ(types, QStringList{QStringLiteral("[*.bmp]")});
    EXPECT_EQ(names, QStringList{QStringLiteral("*.bmp")});
    EXPECT_GT(shown, 2);
    EXPECT_TRUE(QFile::exists(path("shot.bmp")));
    EXPECT_FALSE(QFile::exists(path("*.bmp")));
    EXPECT_EQ(historyActions().last(), QStringLiteral("Saved green.bmp as bitmap,"));
}

// Metafiles stay vector pictures in the view and become bitmaps on saving;
// an icon file shows the largest of its pictures.
TEST_F(PreviewTest, MetafilesAndIconsShowAndSaveAsBitmaps) {
    test::WmfWriter wmf;
    wmf.createPen(5, 0, Qt::black)
        .select(0)
        .createBrush(0, Qt::red)
        .select(1)
        .rectangle(0, 0, 120, 60);
    QFile file(path("shape.wmf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(wmf.placeable(0, 0, 120, 60, 96));
    file.close();
    ASSERT_TRUE(magick({QStringLiteral("-size"), QStringLiteral("48x48"), QStringLiteral("xc:blue"),
                        QStringLiteral("("), QStringLiteral("+clone"), QStringLiteral("-resize"),
                        QStringLiteral("16x16"), QStringLiteral(")"), path("two.ico")}));
    main().FileListBox1->Update();

    click("shape.wmf");
    EXPECT_TRUE(main().jpg->isMetafile());
    EXPECT_EQ(main().StatusPanels.text(1), QStringLiteral(" 120 x 60"));
    const QString target = dir.filePath(QStringLiteral("shape.bmp"));
    test::fakeDialogs().fileAnswers.push_back(target);
    main().SaveToBmp1->trigger();
    const QImage saved = magickDecode(target, QSize(120, 60));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.pixelColor(60, 30), QColor(Qt::red));

    click("two.ico");
    EXPECT_FALSE(main().jpg->isMetafile());
    EXPECT_EQ(main().StatusPanels.text(1), QStringLiteral(" 48 x 48"));
    EXPECT_EQ(main().jpg->picture().pixelColor(20, 20), QColor(Qt::blue));
}

// A name that is not UTF-8 is shown and opened by its exact bytes.
TEST_F(PreviewTest, PicturesWhoseNamesAreNotUtf8Show) {
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray bitmap = folder +
                              "/gr\xe9"
                              "en.bmp";
    const QByteArray photo = folder + "/ph\xf6to.jpeg";
    ASSERT_EQ(std::rename(QFile::encodeName(path("green.bmp")).constData(), bitmap.constData()), 0);
    ASSERT_EQ(std::rename(QFile::encodeName(path("photo.jpeg")).constData(), photo.constData()), 0);
    main().FileListBox1->Update();

    const QString bitmapEntry =
        decodeFileName(QByteArray("gr\xe9"
                                  "en.bmp"));
    ASSERT_TRUE(main().FileListBox1->selectItem(bitmapEntry));
    main().FileListBox1Click();
    EXPECT_EQ(main().jpg->pictureSize(), QSize(40, 30));
    EXPECT_EQ(main().jpg->picture().pixelColor(5, 5), QColor(10, 200, 30));

    ASSERT_TRUE(main().FileListBox1->selectItem(decodeFileName(QByteArray("ph\xf6to.jpeg"))));
    main().FileListBox1Click();
    EXPECT_EQ(main().jpg->pictureSize(), QSize(640, 480));
    EXPECT_EQ(main().StatusPanels.text(1), QStringLiteral(" 640 x 480"));
}

TEST_F(PreviewTest, EveryClickOnAFilePreviewsItAgainAfterCloseFile) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    TFileListBox& list = *main().FileListBox1;
    const auto clickOn = [&](const char* entry) {
        int row = 0;
        while (row < list.Count() && list.Item(row) != QLatin1String(entry))
            ++row;
        ASSERT_LT(row, list.Count()) << entry;
        const QModelIndex index = list.model()->index(row, 0);
        list.scrollTo(index);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(index).center());
    };
    clickOn("green.bmp");
    EXPECT_EQ(main().jpg->pictureSize(), QSize(40, 30));
    main().closeimage->click();
    EXPECT_TRUE(main().jpg->isEmpty());
    // The same file, clicked again while it is still selected.
    clickOn("green.bmp");
    EXPECT_EQ(main().jpg->pictureSize(), QSize(40, 30));
    EXPECT_EQ(main().StatusPanels.text(0), QStringLiteral("green.bmp"));

    // A key that moves the selection previews too.
    clickOn("photo.jpeg");
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.Item(list.ItemIndex()), QStringLiteral("photo.jpg"));
    EXPECT_EQ(main().StatusPanels.text(0), QStringLiteral("photo.jpg"));
}

TEST_F(PreviewTest, SelectingFromCodeDoesNotPreview) {
    click("green.bmp");
    const QStringList history = historyActions();
    main().closeimageClick();
    ASSERT_TRUE(main().jpg->isEmpty());
    // A walk over the list, as the quick slideshow and the editor make one.
    for (int row = 0; row < main().FileListBox1->Count(); ++row)
        main().FileListBox1->setItemIndex(row);
    ASSERT_TRUE(main().FileListBox1->selectItem(QStringLiteral("photo.jpeg")));
    EXPECT_TRUE(main().jpg->isEmpty());
    EXPECT_EQ(main().StatusPanels.text(0), QStringLiteral("green.bmp"));
}

TEST_F(PreviewTest, CopyToClipboardPutsThePictureThere) {
    click("green.bmp");
    main().clipboard1Click();
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(40, 30));
    EXPECT_EQ(historyActions().last(), QStringLiteral("Copied green.bmp to clipboard,"));
}

}  // namespace
}  // namespace lumora
