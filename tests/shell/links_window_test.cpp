#include "shell/links_window.h"

#include "app/history_window.h"
#include "app/main_window.h"
#include "settings/preferences_window.h"
#include "shell/change_icon_dialog.h"
#include "shell/icon_list_box.h"
#include "shell/lnk_fixtures.h"
#include "shell/shell_link.h"
#include "support/fake_dialogs.h"
#include "support/icon_fixtures.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/directory_list_box.h"
#include "ui/file_drag.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/tabbed_notebook.h"

#include <QAction>
#include <QComboBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>

#include <unistd.h>

namespace lumora {
namespace {

using test::fakeDialogs;
using test::fileBytes;
using test::ModalAnswer;
using test::writeBytes;

TForm1& main() {
    return *forms().Form1;
}
TForm13& links() {
    return *forms().Form13;
}

QString ownFolder(const char* name) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/lumora/") + QLatin1String(name);
}

class LinksWindowTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        shortcut = test::copyLnkFixture("windows_1252.lnk", folder.path());
        test::copyLnkFixture("ms_shllink_example.lnk", folder.path());
        main().FileListBox1->setDirectory(folder.path());
        forms().Form21->History.clear();  // start-up's own entries
        for (const char* own : {"Recent", "Cookies"})
            QDir(ownFolder(own)).removeRecursively();
    }

    // Opens the window from the main window's command, runs inside in it, and
    // closes it unless it closed itself.
    static void inLinks(const std::function<void(TForm13&)>& inside) {
        ModalAnswer answer([&](QWidget* modal) {
            ASSERT_EQ(modal, &links());
            inside(links());
        });
        main().Links1->trigger();
        EXPECT_TRUE(answer.wasShown());
        EXPECT_FALSE(links().isVisible());
    }

    static void pick(TFileListBox* list, const QString& entry) {
        ASSERT_TRUE(list->selectItem(entry)) << entry.toStdString();
        const QRect row = list->visualRect(list->currentIndex());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    }

    // Waits for a clearing's timer to stop.
    static bool cleared(QTimer* timer) {
        return QTest::qWaitFor([timer] { return !timer->isActive(); }, 20000);
    }

    test::ScratchDir folder;
    QString shortcut;
};

TEST_F(LinksWindowTest, ReadsAClickedShortcutIntoTheBoxesAndWritesThemBack) {
    inLinks([&](TForm13& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Links"));
        EXPECT_EQ(w.size(), QSize(563, 348));
        EXPECT_EQ(w.minimumSize(), w.maximumSize());
        EXPECT_EQ(w.TabbedNotebook1->tabText(0), QStringLiteral("Edit/View"));
        EXPECT_EQ(w.TabbedNotebook1->tabText(1), QStringLiteral("System"));
        EXPECT_EQ(w.Edit5->accessibleName(), QStringLiteral("File Name"));
        EXPECT_EQ(w.HotKey1->accessibleName(), QStringLiteral("HotKey"));
        EXPECT_EQ(w.FileListBox2->Directory(), folder.path());
        EXPECT_EQ(w.DirectoryListBox1->Directory(), folder.path());
        // Read, Write and Delete wait for a shortcut; Icon for an icon file.
        w.Timer1Timer();
        for (QPushButton* button : {w.Button1, w.Button2, w.Button3, w.Button4})
            EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();

        pick(w.FileListBox2, QStringLiteral("windows_1252.lnk"));
        w.Timer1Timer();
        for (QPushButton* button : {w.Button1, w.Button2, w.Button3, w.Button4})
            EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
        EXPECT_EQ(w.Edit5->text(), shortcut);
        EXPECT_EQ(w.Edit1->text(), QStringLiteral("Café œuvre €5"));
        EXPECT_EQ(w.Edit2->text(), QStringLiteral("C:\\Données"));
        EXPECT_EQ(w.Edit3->text(), QStringLiteral("C:\\Données\\résumé €.txt"));
        EXPECT_EQ(w.Edit4->text(), QStringLiteral("/f «x»"));
        EXPECT_EQ(w.ComboBox1->currentText(), QStringLiteral("Minimized"));
        EXPECT_EQ(w.HotKey1->keySequence(), QKeySequence(QStringLiteral("Ctrl+Alt+A")));
        EXPECT_EQ(w.Edit6->text(), QStringLiteral("C:\\Windows\\système.dll"));
        EXPECT_EQ(w.Edit7->text(), QStringLiteral("2"));

        // A non-numeric icon index fails before anything is written.
        const QByteArray before = fileBytes(shortcut);
        w.Edit1->setText(QStringLiteral("Written back"));
        w.Edit7->setText(QStringLiteral("two"));
        w.Button2->click();
        EXPECT_EQ(fakeDialogs().messageTexts(),
                  QStringList{QStringLiteral("'two' is not a valid integer value")});
        EXPECT_EQ(fileBytes(shortcut), before);

        w.Edit7->setText(QStringLiteral("4"));
        w.ComboBox1->setCurrentIndex(2);
        w.Button2->click();
        TPBShellLink back;
        back.setFileName(shortcut);
        back.Read();
        EXPECT_EQ(back.Description, QStringLiteral("Written back"));
        EXPECT_EQ(back.FileIcon.IconIndex, 4);
        EXPECT_EQ(back.WindowState(), TWindowState::wsMaximized);
        EXPECT_EQ(back.HotKeyWord(), 0x0641);

        // A name typed without a folder is one in the folder the list shows.
        w.Edit5->setText(QStringLiteral("new one"));
        w.Button2->click();
        TPBShellLink copy;
        copy.setFileName(folder.filePath(QStringLiteral("new one.lnk")));
        copy.Read();
        EXPECT_EQ(copy.Description, QStringLiteral("Written back"));

        w.Button5->click();
    });
    EXPECT_EQ(
        historyActions(),
        QStringList({QStringLiteral("Launched Links,"), QStringLiteral("Read Link Clicked,"),
                     QStringLiteral("Write Link Clicked,"), QStringLiteral("Write Link Clicked,"),
                     QStringLiteral("Write Link Clicked,"), QStringLiteral("Close Link Window,")}));
}

TEST_F(LinksWindowTest, DeleteRemovesTheLinkItselfOnlyAfterYes) {
    test::ScratchDir outside;
    const QString target = outside.filePath(QStringLiteral("target.lnk"));
    ASSERT_TRUE(QFile::copy(shortcut, target));
    const QString linked = folder.filePath(QStringLiteral("linked.lnk"));
    ASSERT_EQ(
        ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(linked).constData()), 0);
    inLinks([&](TForm13& w) {
        pick(w.FileListBox2, QStringLiteral("linked.lnk"));
        w.Timer1Timer();  // Delete waits for the enabling tick
        fakeDialogs().reset();
        fakeDialogs().messageAnswers = {MsgResult::No, MsgResult::Yes};
        w.Button3->click();
        EXPECT_TRUE(QFileInfo(linked).isSymLink());
        w.Button3->click();
        ASSERT_EQ(fakeDialogs().messageTexts(),
                  QStringList(2, QStringLiteral("Are you sure you want to delete this shortcut?")));
        EXPECT_EQ(fakeDialogs().messages.at(0).buttons, MsgButtons::YesNo);
        EXPECT_FALSE(QFileInfo::exists(linked) || QFileInfo(linked).isSymLink());
        EXPECT_TRUE(QFile::exists(target));
        EXPECT_FALSE(w.FileListBox2->selectItem(QStringLiteral("linked.lnk")));
        EXPECT_TRUE(w.PBShellLink1->FileName().isEmpty());
    });
    EXPECT_EQ(historyActions().mid(1), QStringList({QStringLiteral("Read Link Clicked,"),
                                                    QStringLiteral("Delete Link Clicked,")}));
}

TEST_F(LinksWindowTest, DroppedShortcutsLoadInOrderAndOthersAreRefused) {
    test::ScratchDir other;
    const QString elsewhere = test::copyLnkFixture("unknown_blocks.lnk", other.path());
    const QString lnkx = other.filePath(QStringLiteral("y.lnkx"));
    ASSERT_TRUE(QFile::copy(shortcut, lnkx));
    inLinks([&](TForm13& w) {
        fakeDialogs().reset();
        w.FileDrag1->drop({QUrl::fromLocalFile(other.filePath(QStringLiteral("notes.txt"))),
                           QUrl(QStringLiteral("https://example.org/a.lnk")),
                           QUrl::fromLocalFile(elsewhere), QUrl::fromLocalFile(lnkx)});
        EXPECT_EQ(w.FileDrag1->FileCount(), 3);  // local files only
        // ".lnkx" passes the first four characters, gets ".lnk" appended and is not found.
        EXPECT_EQ(fakeDialogs().messageTexts(), QStringList({QStringLiteral("Not a valid shortcut"),
                                                             QStringLiteral("Lien non trouvé.")}));
        EXPECT_EQ(w.PBShellLink1->FileName(), lnkx + QStringLiteral(".lnk"));
        // The boxes keep what the shortcut before it filled in.
        EXPECT_EQ(w.Edit3->text(), QStringLiteral("C:\\Program Files\\Ω.exe"));
        EXPECT_EQ(w.FileListBox2->Directory(), other.path());
        EXPECT_EQ(w.DirectoryListBox1->Directory(), other.path());
        EXPECT_EQ(w.FileListBox2->FileName(), elsewhere);
    });
}

TEST_F(LinksWindowTest, TheIconPickerCanBeKeptOrAnswered) {
    const QString red = folder.filePath(QStringLiteral("red.ico"));
    const QString blue = folder.filePath(QStringLiteral("blue.ico"));
    ASSERT_TRUE(test::magickIcon(
        {QStringLiteral("-size"), QStringLiteral("32x32"), QStringLiteral("xc:red"), red}));
    ASSERT_TRUE(test::magickIcon(
        {QStringLiteral("-size"), QStringLiteral("32x32"), QStringLiteral("xc:blue"), blue}));
    const QString library = folder.filePath(QStringLiteral("two.icl"));
    ASSERT_TRUE(writeBytes(library, test::neIconLibrary({fileBytes(red), fileBytes(blue)})));
    const QString notes = folder.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(writeBytes(notes, "no icons here"));

    inLinks([&](TForm13& w) {
        pick(w.FileListBox2, QStringLiteral("windows_1252.lnk"));
        w.Edit6->setText(library);
        w.Edit7->setText(QStringLiteral("1"));
        w.Timer1Timer();  // Icon waits for the enabling tick
        fakeDialogs().reset();
        ModalAnswer picker([&](QWidget* modal) {
            TIconDlg& d = *forms().IconDlg;
            ASSERT_EQ(modal, &d);
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Change Icon"));
            EXPECT_EQ(d.size(), QSize(361, 200));
            EXPECT_EQ(d.IconFileName->text(), library);
            EXPECT_EQ(d.IconListBox->NumberOfIcons(), 2);
            EXPECT_EQ(d.IconListBox->ItemIndex(), 1);

            // Browse starts in the box's folder with the icon filter.
            fakeDialogs().fileAnswers = {red};
            d.BrowseBtn->click();
            ASSERT_EQ(fakeDialogs().fileRequests.size(), 1u);
            EXPECT_EQ(fakeDialogs().fileRequests[0].initialDir, folder.path() + u'/');
            EXPECT_EQ(
                fakeDialogs().fileRequests[0].filter,
                QStringLiteral("Icons (*.ico)|*.ico|Executables (*.exe)|*.exe|DLL Library "
                               "(*.dll)|*.dll|Icon Library (*.icl)|*.icl|All Files (*.*)|*.*"));
            EXPECT_EQ(d.IconListBox->FileName(), red);

            // OK keeps the dialog open on a missing file and on one without icons.
            d.IconFileName->setText(folder.filePath(QStringLiteral("gone.ico")));
            d.OKbtn->click();
            d.IconFileName->setText(notes);
            d.OKbtn->click();
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(fakeDialogs().messageTexts(),
                      QStringList({QStringLiteral("Unable to find icon ") + folder.path() +
                                       QStringLiteral("/gone.ico."),
                                   notes + QStringLiteral(" is not a valid icon")}));
            d.IconFileName->setText(library);
            d.IconListBox->setItemIndex(0);
            d.OKbtn->click();
        });
        w.Button4->click();
        EXPECT_TRUE(picker.wasShown());
        EXPECT_EQ(w.Edit6->text(), library);
        EXPECT_EQ(w.Edit7->text(), QStringLiteral("0"));

        // Cancelled, it changes nothing; without an icon file the target is offered
        // (clicked before the next tick greys Icon).
        w.Edit6->clear();
        ModalAnswer cancel([&](QWidget*) {
            EXPECT_EQ(forms().IconDlg->IconFileName->text(), w.Edit3->text());
            // Escape is Cancel.
            TIconDlg& d = *forms().IconDlg;
            QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, Qt::Key_Escape);
        });
        w.Button4->click();
        EXPECT_TRUE(cancel.wasShown());
        EXPECT_TRUE(w.Edit6->text().isEmpty());
    });
    EXPECT_EQ(historyActions().mid(2),
              QStringList({QStringLiteral("Icon Link Clicked,"),
                           QStringLiteral("Pressed Browse for Icon,"),
                           QStringLiteral("Pressed OK Icon,"), QStringLiteral("Pressed OK Icon,"),
                           QStringLiteral("Pressed OK Icon,"), QStringLiteral("Icon Link Clicked,"),
                           QStringLiteral("Pressed Cancel Icon,")}));
}

TEST_F(LinksWindowTest, TheStoredDefaultFoldersAreTheProgramsOwnAndClearWithoutAsking) {
    const QString recent = ownFolder("Recent");
    ASSERT_TRUE(QDir().mkpath(recent + QStringLiteral("/sub")));
    for (const char* name : {"a.lnk", "b.PIF", "c.txt", "sub/d.lnk"})
        ASSERT_TRUE(writeBytes(recent + u'/' + QLatin1String(name), "x"));
    ASSERT_TRUE(QFile::copy(shortcut, recent + QStringLiteral("/e.lnk")));
    inLinks([&](TForm13& w) {
        EXPECT_EQ(w.FileListBox1->Directory(), recent);
        EXPECT_EQ(w.FileListBox3->Directory(), ownFolder("Cookies"));
        EXPECT_TRUE(QFileInfo(ownFolder("Cookies")).isDir());
        w.Timer1Timer();
        EXPECT_EQ(w.Label13->text(), QStringLiteral("3 item(s)"));
        EXPECT_EQ(w.Label14->text(), QStringLiteral("0 item(s)"));

        pick(w.FileListBox1, QStringLiteral("e.lnk"));
        EXPECT_EQ(w.Label15->text(), QStringLiteral("C:\\Données\\résumé €.txt"));

        fakeDialogs().reset();
        w.Office97Button1->click();
        EXPECT_TRUE(w.Timer2->isActive());
        EXPECT_EQ(w.ProgressBar1->maximum(), 3);
        ASSERT_TRUE(cleared(w.Timer2));
        EXPECT_TRUE(fakeDialogs().messages.empty());
        EXPECT_EQ(w.FileListBox1->Count(), 0);
        EXPECT_EQ(w.ProgressBar1->value(), 0);
        // An empty list ends at once.
        w.Office97Button2->click();
        EXPECT_FALSE(w.Timer3->isActive());
        w.Office97Button3->click();
    });
    EXPECT_EQ(QDir(recent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
              QStringList({QStringLiteral("c.txt"), QStringLiteral("sub")}));
    EXPECT_TRUE(QFile::exists(recent + QStringLiteral("/sub/d.lnk")));
    EXPECT_EQ(historyActions().mid(1), QStringList({QStringLiteral("Clear Documents Clicked,"),
                                                    QStringLiteral("Clear Cookies Clicked,"),
                                                    QStringLiteral("Update Links Clicked,")}));
}

TEST_F(LinksWindowTest, AFolderOfTheUsersChoiceIsClearedOnlyAfterYesAndNeverAHomeFolder) {
    test::ScratchDir cookies;
    for (int i = 0; i < 5000; ++i)
        ASSERT_TRUE(writeBytes(cookies.filePath(QStringLiteral("c%1.txt").arg(i)), "x"));
    forms().Form4->Edit3->setText(cookies.path());
    forms().Form4->Edit2->setText(QDir::homePath());
    ASSERT_TRUE(writeBytes(QDir::homePath() + QStringLiteral("/mine.lnk"), "x"));
    const auto left = [&] { return QDir(cookies.path()).entryList(QDir::Files).size(); };
    inLinks([&](TForm13& w) {
        fakeDialogs().reset();
        fakeDialogs().messageAnswers = {MsgResult::No};
        w.Office97Button2->click();
        w.Office97Button1->click();
        EXPECT_EQ(
            fakeDialogs().messageTexts(),
            QStringList({QStringLiteral("Delete every listed file in ") + cookies.path() + u'?',
                         QStringLiteral("This folder cannot be cleared: ") + QDir::homePath()}));
        EXPECT_FALSE(w.Timer2->isActive() || w.Timer3->isActive());
        EXPECT_EQ(left(), 5000);

        // Close stops a clearing that runs.
        fakeDialogs().messageAnswers = {MsgResult::Yes};
        w.Office97Button2->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.ProgressBar1->value() > 0; }, 10000));
        w.Button5->click();
    });
    const qsizetype stopped = left();
    EXPECT_GT(stopped, 0);
    EXPECT_LT(stopped, 5000);
    QTest::qWait(100);
    EXPECT_EQ(left(), stopped);
    EXPECT_TRUE(QFile::exists(QDir::homePath() + QStringLiteral("/mine.lnk")));

    // A folder that is not absolute or not there lists nothing and clears nothing.
    forms().Form4->Edit3->setText(QStringLiteral("relative"));
    inLinks([&](TForm13& w) {
        EXPECT_EQ(w.FileListBox3->Count(), 0);
        fakeDialogs().reset();
        w.Office97Button2->click();
        EXPECT_TRUE(fakeDialogs().messages.empty());
        EXPECT_FALSE(w.Timer3->isActive());
    });
}

}  // namespace
}  // namespace lumora
