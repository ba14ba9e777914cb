#include "settings/favorite_folders.h"
#include "app/folder_tree.h"
#include "app/main_window.h"
#include "settings/preferences_window.h"
#include "shell/copy_move_window.h"
#include "slideshow/slideshow_editor.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/user_caption.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>

namespace lumora {
namespace {

TForm1& main() {
    return *forms().Form1;
}

// The slots as the user leaves them with OK of the preferences.
void confirmSlots(const QStringList& folders) {
    TForm4& preferences = *forms().Form4;
    for (int i = 0; i < TForm4::kFavoriteSlots; ++i)
        preferences.ListBox1->item(i)->setText(folders.value(i, QStringLiteral("Empty")));
    preferences.Button1Click();
}

class FavoriteFoldersTest : public test::ProgramTest {
protected:
    test::ScratchDir root;
};

TEST_F(FavoriteFoldersTest, WithEverySlotFreeTheMenuHoldsOnlyOrganize) {
    QStringList shown;
    for (QAction* item : main().Favorites1->actions()) {
        if (item->isVisible())
            shown << (item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    EXPECT_EQ(shown, QStringList({QStringLiteral("Organize"), QStringLiteral("-")}));
}

TEST_F(FavoriteFoldersTest, AFavoriteListsItsFolder) {
    QDir(root.path()).mkpath(QStringLiteral("holiday"));
    QFile(root.filePath(QStringLiteral("holiday/beach.bmp"))).open(QIODevice::WriteOnly);
    const QString folder = root.filePath(QStringLiteral("holiday"));
    confirmSlots({QStringLiteral("Empty"), folder});
    main().StatusPanels.setText(0, QString());

    main().favoriteItems[1]->trigger();
    EXPECT_EQ(main().directorylistbox1->Directory(), folder);
    EXPECT_EQ(main().FileListBox1->Directory(), folder);
    EXPECT_TRUE(main().FileListBox1->selectItem(QStringLiteral("beach.bmp")));
    EXPECT_EQ(main().StatusPanels.text(0), TForm1::driveCapacityText(folder));
    EXPECT_EQ(test::ProgramTest::historyActions().last(),
              QStringLiteral("Favorite Folder Pressed,"));
}

TEST_F(FavoriteFoldersTest, AVanishedFolderListsTheDeepestOneLeft) {
    QDir(root.path()).mkpath(QStringLiteral("kept"));
    confirmSlots({root.filePath(QStringLiteral("kept/gone/deeper"))});
    main().favoriteItems[0]->trigger();
    EXPECT_EQ(main().directorylistbox1->Directory(), root.filePath(QStringLiteral("kept")));
    EXPECT_EQ(main().FileListBox1->Directory(), root.filePath(QStringLiteral("kept")));
}

TEST_F(FavoriteFoldersTest, AnAmpersandInAFolderIsShownAndKept) {
    // "&" would be a mnemonic in a caption: shown doubled, the path kept whole.
    QDir(root.path()).mkpath(QStringLiteral("Tom & Jerry"));
    const QString folder = root.filePath(QStringLiteral("Tom & Jerry"));
    confirmSlots({folder});
    QAction* item = main().favoriteItems[0];
    EXPECT_EQ(item->text(), QString(folder).replace(u'&', QStringLiteral("&&")));
    EXPECT_EQ(userCaption(item), folder);
    item->trigger();
    EXPECT_EQ(main().directorylistbox1->Directory(), folder);
}

TEST_F(FavoriteFoldersTest, TheDropDownsOfTheCopyDialogAndTheEditorKeepAnAmpersandToo) {
    QDir(root.path()).mkpath(QStringLiteral("R&D"));
    const QString folder = root.filePath(QStringLiteral("R&D"));
    confirmSlots({QStringLiteral("Empty"), folder});

    TForm3& copy = *forms().Form3;
    copy.SelectedFile = root.filePath(QStringLiteral("x.bmp"));
    showFavoriteFolders(copy.favoriteItems);
    EXPECT_FALSE(copy.favoriteItems[0]->isVisible());
    EXPECT_EQ(copy.favoriteItems[1]->text(), QString(folder).replace(u'&', QStringLiteral("&&")));
    copy.favoriteItems[1]->trigger();
    EXPECT_EQ(copy.destination->text(), folder);

    TForm7& editor = *forms().Form7;
    showFavoriteFolders(editor.favoriteItems);
    editor.favoriteItems[1]->trigger();
    EXPECT_EQ(editor.DirectoryListBox1->Directory(), folder);
}

}  // namespace
}  // namespace lumora
