// The drive combo, the folder list and the plain list box.
#include "platform/dir_entries.h"
#include "support/fake_shell_namespace.h"
#include "support/scratch_dir.h"
#include "ui/directory_list_box.h"
#include "ui/drive_combo_box.h"
#include "ui/list_box.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTest>

namespace lumora {
namespace {

QStringList rows(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts << list.item(row)->text();
    return texts;
}

class FolderListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* folder : {"media/usb/photos/2020", "media/usb/Beta", "media/usb/alpha",
                                   "media/usb/.hidden", "home"})
            ASSERT_TRUE(QDir(dir.path()).mkpath(QString::fromLatin1(folder)));
        usb = dir.filePath(QStringLiteral("media/usb"));
        shell.drives = {{QStringLiteral("/"), {}}, {usb, QStringLiteral("USB"), true}};
    }
    void TearDown() override { setCurrentDirectory(previous); }

    test::ScratchDir dir;
    QString usb;
    QString previous = currentDirectory();
    test::FakeShellNamespace shell;
};

TEST_F(FolderListsTest, TheDriveOfAFolderIsTheDeepestMountHoldingIt) {
    TDriveComboBox drives(nullptr, &shell);
    ASSERT_EQ(drives.count(), 2);
    EXPECT_EQ(drives.itemText(0), QStringLiteral("/"));
    EXPECT_EQ(drives.itemText(1), QStringLiteral("USB (") + usb + u')');
    EXPECT_EQ(drives.driveOf(usb + QStringLiteral("/photos")), usb);
    EXPECT_EQ(drives.driveOf(usb), usb);
    EXPECT_EQ(drives.driveOf(usb + QStringLiteral("x/photos")), QStringLiteral("/"));
    EXPECT_FALSE(drives.accessibleName().isEmpty());

    // The chosen drive stays while mounted; when it goes nothing is chosen.
    QSignalSpy changes(&drives, &TDriveComboBox::Change);
    drives.setDrive(usb);
    shell.drives.insert(shell.drives.begin() + 1, {QStringLiteral("/boot"), {}});
    shell.changeDevices();
    EXPECT_EQ(drives.count(), 3);
    EXPECT_EQ(drives.Drive(), usb);
    shell.drives.pop_back();
    shell.changeDevices();
    EXPECT_TRUE(drives.Drive().isEmpty());
    EXPECT_EQ(changes.count(), 0);  // only the user's choice reports
}

TEST_F(FolderListsTest, TheFolderListShowsThePathFromTheDriveAndTheFoldersBelow) {
    TDriveComboBox drives(nullptr, &shell);
    TDirectoryListBox folders(&drives);
    QSignalSpy changes(&folders, &TDirectoryListBox::Change);
    folders.setDirectory(usb + QStringLiteral("/./"));
    EXPECT_EQ(folders.Directory(), usb);
    EXPECT_EQ(drives.Drive(), usb);
    // Hidden folders stay out; the rest sorted without regard to case.
    EXPECT_EQ(rows(folders), QStringList({usb, "alpha", "Beta", "photos"}));
    EXPECT_EQ(folders.currentRow(), 0);
    EXPECT_EQ(changes.count(), 1);
    folders.setDirectory(usb);
    EXPECT_EQ(changes.count(), 1);  // the same folder again is no change

    // Enter on a folder opens it.
    folders.setCurrentRow(3);
    QTest::keyClick(&folders, Qt::Key_Return);
    EXPECT_EQ(folders.Directory(), usb + QStringLiteral("/photos"));
    EXPECT_EQ(rows(folders), QStringList({usb, "photos", "2020"}));
    EXPECT_EQ(folders.currentRow(), 1);
    EXPECT_EQ(changes.count(), 2);

    // Another drive's folder lists from that drive; one that is gone shows
    // its path and nothing below it.
    const QString home = dir.filePath(QStringLiteral("home"));
    folders.setDirectory(home);
    EXPECT_EQ(drives.Drive(), QStringLiteral("/"));
    EXPECT_EQ(rows(folders).first(), QStringLiteral("/"));
    EXPECT_EQ(rows(folders).last(), QStringLiteral("home"));
    ASSERT_TRUE(QDir(home).removeRecursively());
    folders.Update();
    EXPECT_EQ(rows(folders).last(), QStringLiteral("home"));
    EXPECT_EQ(folders.currentRow(), folders.count() - 1);
}

TEST(ListBoxTest, ClickReportsOnlyWhatTheUserPicks) {
    TListBox list;
    list.setItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    list.resize(200, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicks(&list, &TListBox::Click);
    list.setItemIndex(1);
    list.setItemIndex(7);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(clicks.count(), 0);

    const QPoint second = list.visualItemRect(list.item(1)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second);  // the selected one again
    EXPECT_EQ(clicks.count(), 2);
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, second);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.ItemIndex(), 2);
    QTest::keyClick(&list, Qt::Key_Down);  // already at the end: no move
    EXPECT_EQ(clicks.count(), 3);
    EXPECT_EQ(list.Items(), QStringList({"a", "b", "c"}));
}

}  // namespace
}  // namespace lumora
