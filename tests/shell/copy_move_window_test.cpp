#include "shell/copy_move_window.h"
#include "support/scratch_dir.h"

#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "settings/preferences_window.h"
#include "shell/copy_file.h"
#include "shell/file_copy_fixtures.h"
#include "support/fake_dialogs.h"
#include "support/program.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <functional>

namespace lumora {
namespace {

using test::exists;
using test::fakeDialogs;
using test::ModalAnswer;
using test::pattern;
using test::readBytes;
using test::writeBytes;

TForm1& main() {
    return *forms().Form1;
}

TForm3& dialog() {
    return *forms().Form3;
}

QStringList listed() {
    QStringList items;
    for (int row = 0; row < main().FileListBox1->Count(); ++row)
        items << main().FileListBox1->Item(row);
    return items;
}

class CopyMoveWindowTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        path = folder.filePath(QStringLiteral("picture.bmp"));
        ASSERT_TRUE(writeBytes(path, pattern(10000)));
        ASSERT_TRUE(writeBytes(folder.filePath(QStringLiteral("notes.txt")), "notes"));
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().FileListBox1->setDirectory(folder.path());
        main().directorylistbox1->setDirectory(folder.path());
        select(QStringLiteral("picture.bmp"));
        forms().Form21->History.clear();  // start-up's own entries
    }

    static void select(const QString& entry) {
        ASSERT_TRUE(main().FileListBox1->selectItem(entry)) << entry.toStdString();
    }

    // Runs a command that opens the dialog; `inside` acts in it, then it is
    // cancelled unless it closed itself.
    static void inDialog(const std::function<void()>& command,
                         const std::function<void(TForm3&)>& inside) {
        ModalAnswer answer([&](QWidget* modal) {
            ASSERT_EQ(modal, &dialog());
            inside(dialog());
        });
        command();
        EXPECT_TRUE(answer.wasShown());
        EXPECT_FALSE(dialog().isVisible());
    }

    // Types a destination and presses OK.
    static void copyTo(TForm3& window, const QString& destination) {
        QTest::keyClicks(window.destination, destination);
        window.Timer1Timer();
        ASSERT_TRUE(window.Button1->isEnabled());
        window.Button1->click();
    }

    test::ScratchDir folder;
    QString path;
};

TEST_F(CopyMoveWindowTest, OpensOnTheSelectedFileWithTheFavouriteFolders) {
    QListWidget& favoriteSlots = *forms().Form4->ListBox1;
    favoriteSlots.item(0)->setText(QStringLiteral("/media/pictures"));
    favoriteSlots.item(2)->setText(QStringLiteral("~/Desktop"));
    inDialog([] { main().copy->click(); },
             [&](TForm3& window) {
                 EXPECT_EQ(window.windowTitle(), QStringLiteral("Copy"));
                 EXPECT_EQ(window.size(), QSize(417, 125));
                 EXPECT_EQ(window.original->text(), path);
                 EXPECT_TRUE(window.original->isReadOnly());
                 EXPECT_TRUE(window.destination->text().isEmpty());
                 EXPECT_EQ(window.focusWidget(), window.destination);
                 EXPECT_EQ(window.favorites->toolTip(), QStringLiteral("Favorites"));
                 EXPECT_EQ(window.Label3->text(),
                           QStringLiteral("Note! : only type in the directory, in the destination "
                                          "box. Eg. : c:\\windows\\desktop or c: without \"\\\""));
                 EXPECT_FALSE(window.CopyFile1->Movefile);

                 QStringList shown;
                 for (QAction* item : window.PopupMenu1->actions())
                     if (item->isVisible())
                         shown << item->objectName() + u'=' + item->text();
                 EXPECT_EQ(shown, QStringList({QStringLiteral("f1=/media/pictures"),
                                               QStringLiteral("f3=~/Desktop")}));

                 // OK only with a destination.
                 EXPECT_FALSE(window.Button1->isEnabled());
                 window.favoriteItems[2]->trigger();
                 EXPECT_EQ(window.destination->text(), QStringLiteral("~/Desktop"));
                 // The enabling timer may run late on a loaded machine.
                 EXPECT_TRUE(QTest::qWaitFor([&] { return window.Button1->isEnabled(); }));
                 window.destination->clear();
                 QTest::keyClick(window.destination, Qt::Key_A);
                 QTest::keyClick(window.destination, Qt::Key_Backspace);
                 EXPECT_TRUE(QTest::qWaitFor([&] { return !window.Button1->isEnabled(); }));

                 // Browsing puts the chosen folder into the box.
                 fakeDialogs().folderAnswers = {QStringLiteral("/srv/chosen")};
                 window.destinationBrowse->click();
                 EXPECT_EQ(window.destination->text(), QStringLiteral("/srv/chosen"));

                 window.Button2->click();
             });
    EXPECT_EQ(historyActions(), QStringList{QStringLiteral("Cancelled Favorite Folder,")});

    // Escape is Cancel too.
    inDialog([] { main().Move1->trigger(); },
             [](TForm3& window) { QTest::keyClick(&window, Qt::Key_Escape); });
    EXPECT_EQ(historyActions().size(), 2);
}

TEST_F(CopyMoveWindowTest, EveryPlaceOfTheCommandsOpensTheSameDialogOrQuestion) {
    const auto opens = [](const std::function<void()>& command, const QString& caption) {
        inDialog(command, [&](TForm3& window) {
            EXPECT_EQ(window.windowTitle(), caption);
            EXPECT_EQ(window.CopyFile1->Movefile, caption == QLatin1String("Move"));
        });
    };
    opens([] { main().copy->click(); }, QStringLiteral("Copy"));
    opens([] { main().Copy1->trigger(); }, QStringLiteral("Copy"));
    opens([] { main().Copy2->trigger(); }, QStringLiteral("Copy"));
    opens([] { main().move_->click(); }, QStringLiteral("Move"));
    opens([] { main().Move1->trigger(); }, QStringLiteral("Move"));
    opens([] { main().Move2->trigger(); }, QStringLiteral("Move"));

    for (const std::function<void()>& command : std::initializer_list<std::function<void()>>{
             [] { main().delete_->click(); }, [] { main().Delete1->trigger(); },
             [] { main().Delete2->trigger(); }}) {
        fakeDialogs().reset();
        fakeDialogs().messageAnswers = {MsgResult::No};
        command();
        EXPECT_EQ(fakeDialogs().messageTexts(),
                  QStringList{QStringLiteral("Do you want to delete : picture.bmp ?")});
        EXPECT_EQ(fakeDialogs().messages.at(0).buttons, MsgButtons::YesNo);
    }
    EXPECT_TRUE(exists(path));
    EXPECT_TRUE(historyActions().isEmpty());  // closed without Cancel, all answered No
}

TEST_F(CopyMoveWindowTest, CopiesIntoAFolderTypedRelativeToTheBrowser) {
    fakeDialogs().messageAnswers = {MsgResult::Yes};
    inDialog([] { main().copy->click(); },
             [](TForm3& window) { copyTo(window, QStringLiteral("c:")); });
    const QString folderShown = folder.path() + QStringLiteral("/c:/");
    EXPECT_EQ(fakeDialogs().messageTexts(),
              QStringList{QStringLiteral("Destination Directory ") + folderShown +
                          QStringLiteral(" doesn't exists...\n\nDo you want to create the "
                                         "directory ?")});
    EXPECT_EQ(readBytes(folderShown + QStringLiteral("picture.bmp")), pattern(10000));
    EXPECT_EQ(readBytes(path), pattern(10000));
    EXPECT_TRUE(listed().contains(QStringLiteral("[c:]")));  // the list was read again
    EXPECT_EQ(forms().Form21->History.size(), 1);
    EXPECT_TRUE(
        forms().Form21->History.value(0).startsWith(QStringLiteral("Copied picture.bmp toc:,")));
}

TEST_F(CopyMoveWindowTest, MovesIntoTheHomeFolderWithATrailingSeparator) {
    const QString home = QDir::homePath() + QStringLiteral("/moved");
    ASSERT_TRUE(QDir().mkpath(home));
    inDialog([] { main().Move2->trigger(); },
             [](TForm3& window) { copyTo(window, QStringLiteral("~/moved/")); });
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_EQ(readBytes(home + QStringLiteral("/picture.bmp")), pattern(10000));
    EXPECT_FALSE(exists(path));
    EXPECT_FALSE(listed().contains(QStringLiteral("picture.bmp")));
    EXPECT_EQ(historyActions(), QStringList{QStringLiteral("Moved picture.bmp to~/moved/,")});
    QDir(home).removeRecursively();
}

TEST_F(CopyMoveWindowTest, NoToTheMissingFolderLeavesEverythingAsItWas) {
    fakeDialogs().messageAnswers = {MsgResult::No};
    inDialog([] { main().move_->click(); },
             [](TForm3& window) { copyTo(window, QStringLiteral("elsewhere")); });
    EXPECT_EQ(fakeDialogs().messageTexts().value(1), QStringLiteral("Process Aborted"));
    EXPECT_FALSE(exists(folder.filePath(QStringLiteral("elsewhere"))));
    EXPECT_EQ(readBytes(path), pattern(10000));
}

TEST_F(CopyMoveWindowTest, AVanishedSourceIsToldAndTheListReadAgain) {
    ASSERT_TRUE(QDir().mkpath(folder.filePath(QStringLiteral("out"))));
    inDialog([] { main().copy->click(); },
             [&](TForm3& window) {
                 QFile::remove(path);
                 copyTo(window, QStringLiteral("out"));
             });
    EXPECT_EQ(fakeDialogs().messageTexts(),
              QStringList{QStringLiteral("ERROR! The file(s) does not exists!")});
    EXPECT_FALSE(listed().contains(QStringLiteral("picture.bmp")));
    EXPECT_FALSE(exists(folder.filePath(QStringLiteral("out/picture.bmp"))));
    EXPECT_EQ(historyActions(), QStringList{QStringLiteral("Copied picture.bmp toout,")});
}

TEST_F(CopyMoveWindowTest, AFailedCopyKeepsTheDialogOpenAndRecordsNothing) {
    inDialog([] { main().copy->click(); },
             [&](TForm3& window) {
                 copyTo(window, QStringLiteral("notes.txt"));  // a file, not a folder
                 EXPECT_TRUE(window.isVisible());
                 EXPECT_EQ(fakeDialogs().messageTexts(),
                           QStringList{QStringLiteral("Cannot create file ") +
                                       folder.filePath(QStringLiteral("notes.txt/picture.bmp"))});
                 // The same through a symbolic link to the folder itself.
                 ASSERT_TRUE(QFile::link(folder.path(), folder.filePath(QStringLiteral("link"))));
                 window.destination->setText(QStringLiteral("link"));
                 window.Button1->click();
                 EXPECT_TRUE(window.isVisible());
                 EXPECT_EQ(fakeDialogs().messageTexts().value(1),
                           QStringLiteral("Cannot copy %1 onto itself")
                               .arg(folder.filePath(QStringLiteral("picture.bmp"))));
             });
    EXPECT_TRUE(historyActions().isEmpty());
    EXPECT_EQ(readBytes(path), pattern(10000));
}

TEST_F(CopyMoveWindowTest, DeleteAsksAndDeletesForGood) {
    fakeDialogs().messageAnswers = {MsgResult::Yes};
    main().Delete1->trigger();
    EXPECT_FALSE(exists(path));
    EXPECT_FALSE(listed().contains(QStringLiteral("picture.bmp")));
    EXPECT_EQ(historyActions(), QStringList{QStringLiteral("Deleted picture.bmp,")});
    // Nothing went to a trash folder.
    EXPECT_FALSE(exists(QDir::homePath() + QStringLiteral("/.local/share/Trash/files")));

    // A failed deletion still records the answer and reads nothing again.
    select(QStringLiteral("notes.txt"));
    QFile::remove(folder.filePath(QStringLiteral("notes.txt")));
    fakeDialogs().messageAnswers = {MsgResult::Yes};
    main().delete_->click();
    EXPECT_TRUE(listed().contains(QStringLiteral("notes.txt")));
    EXPECT_EQ(historyActions().value(1), QStringLiteral("Deleted notes.txt,"));
}

TEST_F(CopyMoveWindowTest, NamesThatAreNotUtf8AreCopiedByTheirBytes) {
    const QString name = decodeFileName(QByteArray("\xe9t\xe9.bmp"));
    ASSERT_TRUE(writeBytes(folder.path() + u'/' + name, pattern(3000)));
    main().FileListBox1->Update();
    select(name);
    ASSERT_TRUE(QDir().mkpath(folder.filePath(QStringLiteral("copies"))));
    inDialog([] { main().copy->click(); },
             [](TForm3& window) { copyTo(window, QStringLiteral("copies")); });
    EXPECT_EQ(readBytes(folder.filePath(QStringLiteral("copies/")) + name), pattern(3000));
    ::unlink(encodeFileName(folder.filePath(QStringLiteral("copies/")) + name).constData());
    ::unlink(encodeFileName(folder.path() + u'/' + name).constData());
}

}  // namespace
}  // namespace lumora
