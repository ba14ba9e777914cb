#include "app/folder_tree.h"
#include "app/main_window.h"
#include "settings/preferences_window.h"
#include "shell/association_window.h"
#include "support/fake_launcher.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QToolButton>

namespace lumora {
namespace {

TForm1& main() {
    return *forms().Form1;
}

class OpenAssociatedTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        QFile file(dir_.filePath("doc one.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QDir(dir_.path()).mkdir(QStringLiteral("sub"));
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().directorylistbox1->setDirectory(dir_.path());
        main().FileListBox1->Update();
        main().show();
    }
    void TearDown() override {
        main().hide();
        ProgramTest::TearDown();
    }

    test::ScratchDir dir_;
    test::FakeLauncher launcher_;
    test::LauncherScope launcherScope_{launcher_};
};

TEST_F(OpenAssociatedTest, TheOpenCommandsOpenTheSelectedFileInItsFolderAndRecordIt) {
    ASSERT_TRUE(main().FileListBox1->selectItem(QStringLiteral("doc one.txt")));
    main().Timer1Timer();
    main().findChild<QAction*>(QStringLiteral("AssociatedProgram1"))->trigger();
    main().findChild<QAction*>(QStringLiteral("AssociatedProgram2"))->trigger();
    main().findChild<QToolButton*>(QStringLiteral("execute"))->click();
    EXPECT_EQ(launcher_.opened, QStringList(3, dir_.filePath("doc one.txt")));
    EXPECT_EQ(launcher_.openedIn, QStringList(3, dir_.path()));
    EXPECT_EQ(historyActions().mid(historyActions().size() - 3),
              QStringList(3, QStringLiteral("Open doc one.txt in associated program,")));

    // A folder entry names no file: nothing opens, the entry is still recorded.
    ASSERT_TRUE(main().FileListBox1->selectItem(QStringLiteral("[sub]")));
    main().findChild<QAction*>(QStringLiteral("AssociatedProgram1"))->trigger();
    EXPECT_EQ(launcher_.opened.size(), 3);
    EXPECT_EQ(historyActions().back(), QStringLiteral("Open  in associated program,"));
}

TEST_F(OpenAssociatedTest, DoubleClickOpensOnlyWhileThePreferenceIsOnAndRecordsNothing) {
    TFileListBox& list = *main().FileListBox1;
    const auto doubleClick = [&list](const QString& text) {
        EXPECT_TRUE(list.selectItem(text));
        const QPoint at = list.visualRect(list.currentIndex()).center();
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    };
    const qsizetype recorded = historyActions().size();
    forms().Form4->CheckBox10->setChecked(false);
    doubleClick(QStringLiteral("doc one.txt"));
    EXPECT_TRUE(launcher_.opened.isEmpty());

    forms().Form4->CheckBox10->setChecked(true);
    doubleClick(QStringLiteral("doc one.txt"));
    EXPECT_EQ(launcher_.opened, QStringList{dir_.filePath("doc one.txt")});
    EXPECT_EQ(historyActions().size(), recorded);  // double-clicks record nothing
}

TEST_F(OpenAssociatedTest, AssociateOpensTheAssociationWindowAtTheBrowsersFolder) {
    QString listed;
    test::ModalAnswer answer([&listed](QWidget* shown) {
        EXPECT_EQ(shown, forms().Form17);
        listed = forms().Form17->DirectoryListBox2->Directory();
    });
    main().findChild<QAction*>(QStringLiteral("Associate1"))->trigger();
    EXPECT_TRUE(answer.wasShown());
    EXPECT_EQ(listed, dir_.path());
    EXPECT_EQ(historyActions().back(), QStringLiteral("Associate Pressed,"));
}

}  // namespace
}  // namespace lumora
