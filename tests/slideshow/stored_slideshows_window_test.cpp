// The open-slideshow dialog and the favourite slideshows.

#include "app/history_window.h"
#include "app/start_up.h"
#include "settings/preferences_window.h"
#include "slideshow/favorite_slideshows_window.h"
#include "slideshow/open_slideshow_dialog.h"
#include "slideshow/path_list_file.h"
#include "slideshow/slideshow_player.h"
#include "slideshow/slideshow_sounds_window.h"
#include "support/fake_dialogs.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/list_box.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

namespace lumora {
namespace {

using test::fakeDialogs;
using test::ModalAnswer;

TForm9& dialog() {
    return *forms().Form9;
}

TForm20& favorites() {
    return *forms().Form20;
}

QString label1(int items, int seconds) {
    return QStringLiteral("Total item(s) : %1   Total time of slide : %2 sec")
        .arg(items)
        .arg(seconds);
}

// Clicks (or double-clicks) a list entry where a user would.
void click(QAbstractItemView& list, int row, bool twice = false) {
    const QModelIndex index = list.model()->index(row, 0);
    list.scrollTo(index);
    const QPoint at = list.visualRect(index).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    if (!twice)
        return;
    // The second press comes with the double-click, as the platform sends them.
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, at);
}

class StoredSlideshowsTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        forms().Form4->slidestimer->setValue(2000);
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::red);
        red = folder.filePath(QStringLiteral("red.bmp"));
        blue = folder.filePath(QStringLiteral("blue.bmp"));
        image.save(red, "BMP");
        image.save(blue, "BMP");
        show = folder.filePath(QStringLiteral("show.lss"));
        favorite = folder.filePath(QStringLiteral("favourite.lss"));
        writePathList(show, {red, blue, red});
        writePathList(favorite, {blue});
        dialog().DirectoryListBox1->setDirectory(folder.path());
        favorites().DirectoryListBox1->setDirectory(folder.path());
    }
    void TearDown() override {
        dialog().hide();
        favorites().hide();
        ProgramTest::TearDown();
    }

    // The dialog shown, not modally, as the user meets it.
    static void open() {
        dialog().show();
        dialog().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog()));
    }
    // Selects a slideshow file as a click does.
    static void clickFile(const QString& name) {
        TFileListBox& files = *dialog().FileListBox1;
        for (int row = 0; row < files.Count(); ++row)
            if (files.Item(row) == name)
                return click(files, row);
        ADD_FAILURE() << "no file " << name.toStdString();
    }
    // Runs `command`; the player it starts is ended with F4 at once. The list
    // the player was given, empty when none played.
    static QStringList playedBy(const std::function<void()>& command) {
        QStringList played;
        ModalAnswer end([&](QWidget* window) {
            if (window != forms().Form8)
                return;
            played = forms().Form8->ListBox1;
            QTest::keyClick(window, Qt::Key_F4);
        });
        command();
        return played;
    }

    test::ScratchDir folder;
    QString red, blue, show, favorite;
};

TEST_F(StoredSlideshowsTest, ADialogOfItsDesignThatWidensForTheFavorites) {
    TForm9& d = dialog();
    EXPECT_EQ(d.size(), QSize(402, 297));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Open Slideshow"));
    EXPECT_EQ(d.FileListBox1->Mask(), QStringLiteral("*.lss"));
    open();
    EXPECT_EQ(d.Button2->text(), QStringLiteral("Close"));
    EXPECT_FALSE(d.Button1->isEnabled());  // no file selected
    EXPECT_GE(d.TextListBox1->x(), 402);   // in the widened part
    forms().Form21->History.clear();

    const int left = d.x();
    d.Button3->click();
    EXPECT_EQ(d.Button3->text(), QStringLiteral("<<< Less"));
    EXPECT_EQ(d.width(), 681);  // 689 outside with the dialog's border
    EXPECT_TRUE(d.rect().contains(d.TextListBox1->geometry()));
    d.Button3->click();
    EXPECT_EQ(d.Button3->text(), QStringLiteral("More >>>"));
    EXPECT_EQ(d.width(), 402);
    EXPECT_EQ(d.x(), left);
    EXPECT_EQ(historyActions(), QStringList({"Pressed More Options For Open Slideshow,",
                                             "Pressed More Options For Open Slideshow,"}));

    // Escape is the cancel button.
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(historyActions().last(), QStringLiteral("Pressed Cancelled Launch Slideshow,"));
}

TEST_F(StoredSlideshowsTest, AClickedFileIsPreviewedAndOpenPlaysItThenTheDialogCloses) {
    open();
    forms().Form21->History.clear();
    clickFile(QStringLiteral("show.lss"));
    EXPECT_EQ(dialog().ListBox1->Items(), QStringList({red, blue, red}));
    EXPECT_EQ(dialog().windowTitle(), QStringLiteral("Open Slideshow - [ ") + show + " ]");
    dialog().Timer1Timer();
    EXPECT_TRUE(dialog().Button1->isEnabled());
    EXPECT_EQ(dialog().Label1->text(), label1(3, 6));

    EXPECT_EQ(playedBy([] { dialog().Button1->click(); }), QStringList({red, blue, red}));
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(historyActions(), QStringList({"Pressed Open Slideshow,"}));

    // A double-click on a file is Open.
    open();
    EXPECT_TRUE(dialog().ListBox1->Items().isEmpty());  // emptied as it opened
    TFileListBox& files = *dialog().FileListBox1;
    const int row = files.Item(0) == QStringLiteral("show.lss") ? 0 : 1;
    EXPECT_EQ(playedBy([&] { click(files, row, true); }), QStringList({red, blue, red}));
    EXPECT_FALSE(dialog().isVisible());
}

TEST_F(StoredSlideshowsTest, FavoritesAreCopiedAndTheirClickDecidesWhatOpenPlays) {
    favorites().TextListBox1->setItems({favorite, show});
    open();
    TListBox& stored = *dialog().TextListBox1;
    ASSERT_EQ(stored.Items(), QStringList({favorite, show}));
    forms().Form21->History.clear();

    // File, then favourite: Open plays the favourite.
    clickFile(QStringLiteral("show.lss"));
    click(stored, 0);
    EXPECT_EQ(dialog().windowTitle(), QStringLiteral("Open Slideshow - [ ") + favorite + " ]");
    EXPECT_EQ(playedBy([] { dialog().Button1->click(); }), QStringList({blue}));

    // A double-click on a favourite plays it without an entry of the dialog.
    open();
    forms().Form21->History.clear();
    EXPECT_EQ(playedBy([&] { click(*dialog().TextListBox1, 1, true); }),
              QStringList({red, blue, red}));
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(historyActions(), QStringList());
}

TEST_F(StoredSlideshowsTest, TheSoundSetupComesBackToTheSamePreview) {
    open();
    clickFile(QStringLiteral("show.lss"));
    ModalAnswer setup([](QWidget* window) { EXPECT_EQ(window, forms().Form22); });
    dialog().BitBtn1->click();
    EXPECT_TRUE(setup.wasShown());
    dialog().activateWindow();
    QTest::qWait(20);
    EXPECT_EQ(dialog().ListBox1->Items(), QStringList({red, blue, red}));
}

TEST_F(StoredSlideshowsTest, ASlideshowThatCannotBeReadLeavesPreviewAndCaption) {
    const QString pipe = folder.filePath(QStringLiteral("pipe.lss"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    favorites().TextListBox1->setItems({folder.filePath(QStringLiteral("gone.lss")), pipe});
    open();
    clickFile(QStringLiteral("show.lss"));
    const QString caption = dialog().windowTitle();
    dialog().ListBox1->setItems({red});
    for (int row : {0, 1})
        click(*dialog().TextListBox1, row);
    EXPECT_EQ(fakeDialogs().messageTexts(),
              QStringList({"Cannot open file " + folder.filePath(QStringLiteral("gone.lss")),
                           "Cannot open file " + pipe}));
    EXPECT_EQ(dialog().ListBox1->Items(), QStringList({red}));
    EXPECT_EQ(dialog().windowTitle(), caption);
}

TEST_F(StoredSlideshowsTest, FavoritesAreAddedMovedAndRemovedWithTheirEntries) {
    TForm20& f = favorites();
    EXPECT_EQ(f.size(), QSize(554, 226));
    f.show();
    f.Timer1Timer();
    EXPECT_EQ(f.Label2->text(), QStringLiteral("There are 0 slideshows in the list"));
    EXPECT_FALSE(f.remove->isEnabled());
    EXPECT_FALSE(f.add->isEnabled());
    EXPECT_EQ(f.Label3->text(), folder.path());
    forms().Form21->History.clear();

    // Remove and the moves do nothing without a selection.
    f.moveup->click();
    f.remove->click();
    EXPECT_EQ(historyActions(), QStringList());

    for (int row = 0; row < f.FileListBox1->Count(); ++row)
        click(*f.FileListBox1, row, true);
    f.FileListBox1->setItemIndex(0);
    f.add->click();
    const QString first = f.FileListBox1->FileNameAt(0);
    const QString second = f.FileListBox1->FileNameAt(1);
    ASSERT_EQ(f.TextListBox1->Items(), QStringList({first, second, first}));
    f.Timer1Timer();
    EXPECT_EQ(f.Label2->text(), QStringLiteral("There are 3 slideshows in the list"));

    click(*f.TextListBox1, 1);
    EXPECT_EQ(f.Edit1->text(), second);
    f.Timer1Timer();
    EXPECT_TRUE(f.remove->isEnabled());
    f.moveup->click();
    EXPECT_EQ(f.TextListBox1->Items(), QStringList({second, first, first}));
    EXPECT_EQ(f.TextListBox1->ItemIndex(), 1);  // the selection stays where it was
    EXPECT_TRUE(f.Edit1->text().isEmpty());
    f.Timer1Timer();
    EXPECT_FALSE(f.movedown->isEnabled());  // until a favourite is clicked again
    click(*f.TextListBox1, 0);
    f.movedown->click();
    EXPECT_EQ(f.TextListBox1->Items(), QStringList({first, second, first}));
    EXPECT_EQ(f.TextListBox1->ItemIndex(), 0);
    click(*f.TextListBox1, 0);
    f.remove->click();
    EXPECT_EQ(f.TextListBox1->Items(), QStringList({second, first}));

    f.BitBtn1->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(historyActions(),
              QStringList({"Added Slideshow,", "Added Slideshow,", "Added Slideshow,",
                           "Moved slideshow one space up,", "Moved slideshow one space down,",
                           "Removed Slideshow,", "Closed Favorite Slideshow,"}));
}

TEST_F(StoredSlideshowsTest, TenThousandFavoritesAreReadAtStartWithoutTheWindowAndCopied) {
    QStringList many;
    for (int i = 0; i < 10000; ++i)
        many << QStringLiteral("/shows/%1.lss").arg(i);
    favorites().TextListBox1->setItems(many);
    destroyForms();  // written at exit
    createForms({});
    EXPECT_FALSE(favorites().isVisible());
    EXPECT_EQ(favorites().TextListBox1->Items(), many);
    open();
    EXPECT_EQ(dialog().TextListBox1->count(), 10000);
}

}  // namespace
}  // namespace lumora
