#include "settings/preferences_window.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "settings/ini_file.h"
#include "settings/select_directory_window.h"
#include "slideshow/slideshow_player.h"
#include "support/fake_dialogs.h"
#include "support/layout_faults.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/color_combo_box.h"
#include "ui/controls.h"
#include "ui/directory_edit.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"
#include "ui/tabbed_notebook.h"

#include <QAction>
#include <QCheckBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace lumora {
namespace {

using test::ModalAnswer;
using test::ProgramTest;

TForm1& main() {
    return *forms().Form1;
}
TForm4& preferences() {
    return *forms().Form4;
}
TForm6& directory() {
    return *forms().Form6;
}

QStringList slotTexts() {
    return preferences().ListBox1->Items();
}

void setSlots(const QStringList& texts) {
    for (int i = 0; i < TForm4::kFavoriteSlots; ++i)
        preferences().ListBox1->item(i)->setText(texts.value(i, QStringLiteral("Empty")));
}

QString preferencesValue(const char* key) {
    return IniFile().readString(QStringLiteral("preferences"), QString::fromLatin1(key), {});
}

class PreferencesTest : public ProgramTest {
protected:
    // Opens the window as the user sees it, without a modal loop.
    void open() {
        preferences().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&preferences()));
    }
    void TearDown() override {
        preferences().hide();
        ProgramTest::TearDown();
    }
    // A click on slot `row`, as the user clicks it.
    void clickSlot(int row) {
        TListBox& list = *preferences().ListBox1;
        QListWidgetItem* item = list.item(row);
        list.scrollToItem(item);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
        preferences().Timer1Timer();
    }
};

TEST_F(PreferencesTest, ADialogOfEightPagesLeftOnlyWithOk) {
    TForm4& window = preferences();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Preferences"));
    EXPECT_EQ(window.minimumSize(), QSize(394, 405));
    EXPECT_EQ(window.maximumSize(), QSize(394, 405));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowSystemMenuHint);
    QStringList captions;
    for (int i = 0; i < window.TabbedNotebook1->count(); ++i)
        captions << window.TabbedNotebook1->tabText(i);
    EXPECT_EQ(captions, QStringList({"General", "Images", "Movies", "Favorites", "Slideshow",
                                     "Language", "Toolbar", "Links"}));

    open();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible()) << "Escape left the window without OK";

    // A window manager's close box or Alt+F4 leaves it as OK does: what is
    // stored is what is in force.
    ASSERT_TRUE(main().jpg->Stretch());
    window.TabbedNotebook1->setCurrentIndex(1);
    window.CheckBox6->click();
    ASSERT_FALSE(window.CheckBox6->isChecked());
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(preferencesValue("CheckBox6_Checked"), QStringLiteral("False"));
    EXPECT_FALSE(main().jpg->Stretch());
    EXPECT_FALSE(main().StretchImages1->isChecked());
    EXPECT_FALSE(main().ToolbarButton972->isChecked());
}

TEST_F(PreferencesTest, ControlsStartAtTheirCaptionsAndStates) {
    const TForm4& w = preferences();
    const std::pair<QCheckBox*, std::pair<const char*, bool>> boxes[] = {
        {w.CheckBox951, {"Enable HistoryList", true}},
        {w.CheckBox7, {"No Taskbar", false}},
        {w.CheckBox9, {"Hide Toolbar", false}},
        {w.CheckBox10, {"Doubleclicking on a file opens file with associated program", false}},
        {w.CheckBox6, {"Stretch", true}},
        {w.CheckBox11, {"Center", true}},
        {w.CheckBox1, {"Transparent", false}},
        {w.CheckBox2, {"Stretch", false}},
        {w.CheckBox3, {"Repetitions on", true}},
        {w.CheckBox4, {"Play Sound", true}},
        {w.CheckBox5, {"Center Videos", true}},
    };
    for (const auto& [box, expected] : boxes) {
        EXPECT_EQ(box->text(), QString::fromUtf8(expected.first));
        EXPECT_EQ(box->isChecked(), expected.second) << box->objectName().toStdString();
    }
    EXPECT_EQ(slotTexts(), QStringList(20, QStringLiteral("Empty")));
    EXPECT_FALSE(w.Button6->isEnabled());
    EXPECT_FALSE(w.Button7->isEnabled());
    EXPECT_EQ(w.slidestimer->minimum(), 1000);
    EXPECT_EQ(w.slidestimer->maximum(), 30000);
    EXPECT_EQ(w.slidestimer->pageStep(), 1000);
    EXPECT_EQ(w.slidestimer->value(), 1000);
    EXPECT_EQ(w.bgcolor->ColorValue(), 0);
    EXPECT_EQ(w.Label5->text(), QStringLiteral("Standard English Language"));
    EXPECT_EQ(w.Memo2->Lines().size(), 152);
    EXPECT_EQ(w.Edit2->text(), QStringLiteral("c:\\windows\\recent"));
    EXPECT_EQ(w.Edit3->text(), QStringLiteral("c:\\windows\\Cookies"));
    for (QToolButton* toggle : w.SpeedButtons) {
        EXPECT_TRUE(toggle->isChecked());
        EXPECT_FALSE(toggle->icon().isNull());
    }
    // The description panels are pale yellow.
    for (QLabel* label : {w.label10, w.Label12, w.Label14, w.Label16, w.Label18, w.Label20})
        EXPECT_EQ(valueFromColor(label->parentWidget()->palette().color(QPalette::Window)),
                  13565951);
}

TEST_F(PreferencesTest, AFreshStartAppliesAndWritesTheInitialValues) {
    for (QAction* item : main().favoriteItems)
        EXPECT_FALSE(item->isVisible());
    for (int i = 0; i < 15; ++i)
        EXPECT_TRUE(main().toolbarButtonVisible(i));
    EXPECT_FALSE(main().Toolbar971->isHidden());
    EXPECT_FALSE(main().NoTask1.HideForm());
    EXPECT_EQ(forms().Form8->Timer1->interval(), 1000);
    EXPECT_EQ(preferencesValue("slidestimer_Position"), QStringLiteral("1000"));
    EXPECT_EQ(preferencesValue("SpeedButton15_Down"), QStringLiteral("True"));
}

TEST_F(PreferencesTest, AllTogglesUpHideTheFifteenButtonsAndLeaveTheToolbar) {
    for (QToolButton* toggle : preferences().SpeedButtons)
        toggle->setChecked(false);
    preferences().Button1Click();
    for (int i = 0; i < 15; ++i)
        EXPECT_FALSE(main().toolbarButtonVisible(i)) << i;
    EXPECT_FALSE(main().Toolbar971->isHidden());
    // Each toggle its own button.
    preferences().SpeedButtons[13]->setChecked(true);
    preferences().Button1Click();
    EXPECT_TRUE(main().toolbarButtonVisible(13));
    EXPECT_FALSE(main().toolbarButtonVisible(12));
}

TEST_F(PreferencesTest, RepetitionsOffIsKeptForTheVideoView) {
    open();
    preferences().CheckBox3->setChecked(false);
    preferences().Button1Click();
    EXPECT_EQ(preferencesValue("CheckBox3_Checked"), QStringLiteral("False"));
    destroyForms();
    createForms({});
    EXPECT_FALSE(preferences().CheckBox3->isChecked());
}

TEST_F(PreferencesTest, AFreedSlotHidesItsMenuItemAndAnyOtherTextShowsIt) {
    setSlots({QStringLiteral("/tmp"), QStringLiteral("empty"), QStringLiteral("Empty ")});
    preferences().Button1Click();
    EXPECT_TRUE(main().favoriteItems[0]->isVisible());
    EXPECT_TRUE(main().favoriteItems[1]->isVisible());
    EXPECT_TRUE(main().favoriteItems[2]->isVisible());
    EXPECT_FALSE(main().favoriteItems[3]->isVisible());

    open();
    clickSlot(0);
    preferences().Button4->click();
    EXPECT_EQ(slotTexts().first(), QStringLiteral("Empty"));
    // The menu follows only with OK.
    EXPECT_TRUE(main().favoriteItems[0]->isVisible());
    preferences().Button1Click();
    EXPECT_FALSE(main().favoriteItems[0]->isVisible());
}

TEST_F(PreferencesTest, TheDelayBarEndsAtThirtySecondsWhichOkGivesThePlayer) {
    open();
    preferences().slidestimer->setFocus();
    QTest::keyClick(preferences().slidestimer, Qt::Key_End);
    preferences().Timer1Timer();
    EXPECT_EQ(preferences().Label3->text(), QStringLiteral("30 sec"));
    preferences().Button1Click();
    EXPECT_EQ(forms().Form8->Timer1->interval(), 30000);

    open();
    preferences().slidestimer->setValue(7000);
    preferences().Timer1Timer();
    EXPECT_EQ(preferences().Label3->text(), QStringLiteral("7 sec"));
}

TEST_F(PreferencesTest, NoTaskbarHidesNothingWithoutANotificationArea) {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "a notification area is present";
    open();
    preferences().CheckBox7->setChecked(true);
    preferences().Button1Click();
    // Nothing could bring the window back: it keeps its entry, the option stays.
    EXPECT_FALSE(main().NoTask1.HideForm());
    EXPECT_TRUE(preferences().CheckBox7->isChecked());
    EXPECT_EQ(preferencesValue("CheckBox7_Checked"), QStringLiteral("True"));
}

TEST_F(PreferencesTest, AClickedSlotEnablesItsCommandsByPlace) {
    open();
    TForm4& w = preferences();
    w.Timer1Timer();
    EXPECT_FALSE(w.Button3->isEnabled());
    EXPECT_FALSE(w.Button4->isEnabled());
    EXPECT_FALSE(w.Button2->isEnabled());

    setSlots({QStringLiteral("/first")});
    clickSlot(0);
    EXPECT_EQ(w.Edit1->text(), QStringLiteral("/first"));
    EXPECT_EQ(w.Label6->text(), QStringLiteral("/first"));
    EXPECT_TRUE(w.Button3->isEnabled());
    EXPECT_TRUE(w.Button4->isEnabled());
    EXPECT_TRUE(w.Button2->isEnabled());
    EXPECT_FALSE(w.Button6->isEnabled()) << "Move Up on the first slot";
    EXPECT_TRUE(w.Button7->isEnabled());

    clickSlot(19);
    EXPECT_TRUE(w.Button6->isEnabled());
    EXPECT_FALSE(w.Button7->isEnabled()) << "Move Down on the last slot";

    // Selecting from code is no click; without a selected slot nothing moves.
    w.ListBox1->setCurrentRow(-1);
    w.Timer1Timer();
    EXPECT_EQ(w.Edit1->text(), QStringLiteral("Empty"));
    EXPECT_FALSE(w.Button6->isEnabled());
    EXPECT_FALSE(w.Button7->isEnabled());
}

TEST_F(PreferencesTest, MoveUpAndDownCarryTheSlotAndItsSelection) {
    open();
    setSlots({QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c")});
    clickSlot(1);
    preferences().Button6->click();
    EXPECT_EQ(slotTexts().mid(0, 3), QStringList({"/b", "/a", "/c"}));
    EXPECT_EQ(preferences().ListBox1->currentRow(), 0);
    preferences().Button7->click();
    preferences().Button7->click();
    EXPECT_EQ(slotTexts().mid(0, 3), QStringList({"/a", "/c", "/b"}));
    EXPECT_EQ(preferences().ListBox1->currentRow(), 2);
    EXPECT_EQ(preferences().Edit1->text(), QStringLiteral("/b"));
}

TEST_F(PreferencesTest, SortComparesCaseInsensitivelyCharacterByCharacter) {
    open();
    setSlots({QStringLiteral("zeta"), QStringLiteral("/B"), QStringLiteral("Empty"),
              QStringLiteral("/a")});
    preferences().Button5->click();
    QStringList expected = {"/a", "/B"};
    expected << QStringList(17, QStringLiteral("Empty")) << QStringLiteral("zeta");
    EXPECT_EQ(slotTexts(), expected);
    // Sorted once, not kept sorted: later edits stay where they are made.
    preferences().ListBox1->item(0)->setText(QStringLiteral("/z"));
    EXPECT_EQ(slotTexts().first(), QStringLiteral("/z"));
}

TEST_F(PreferencesTest, SortKeepsTheClickedSlotSelectedWhereItWent) {
    open();
    setSlots({QStringLiteral("/m"), QStringLiteral("/b"), QStringLiteral("/a")});
    clickSlot(0);
    preferences().Button5->click();
    EXPECT_EQ(preferences().ListBox1->currentRow(), 2);
    EXPECT_EQ(preferences().ListBox1->currentItem()->text(), preferences().Edit1->text());
    // So Delete frees the slot the user sees selected.
    preferences().Button4->click();
    EXPECT_EQ(slotTexts().mid(0, 3), QStringList({"/a", "/b", "Empty"}));
}

TEST_F(PreferencesTest, AddDirPutsTheBrowsedFolderIntoTheSelectedSlot) {
    test::ScratchDir folder;
    main().FileListBox1->setDirectory(folder.path());
    open();
    clickSlot(4);
    preferences().Button2->click();
    EXPECT_EQ(slotTexts().at(4), folder.path());
    EXPECT_TRUE(preferences().Edit1->text().isEmpty());
    EXPECT_TRUE(preferences().Label6->text().isEmpty());
    EXPECT_FALSE(preferences().Button6->isEnabled());
    EXPECT_FALSE(preferences().Button7->isEnabled());
}

TEST_F(PreferencesTest, AddFillsTheSelectedSlotThroughTheDirectoryDialog) {
    open();
    clickSlot(2);
    ModalAnswer answer([](QWidget* window) {
        ASSERT_EQ(window, &directory());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Select a directory"));
        EXPECT_EQ(window->size(), QSize(387, 68));
        directory().DirectoryEdit1->setText(QString());
        directory().Timer1Timer();
        EXPECT_FALSE(directory().Button1->isEnabled());
        directory().DirectoryEdit1->setText(QStringLiteral("/srv/pictures"));
        directory().Timer1Timer();
        EXPECT_TRUE(directory().Button1->isEnabled());
        directory().Button1->click();
    });
    preferences().Button3->click();
    EXPECT_TRUE(answer.wasShown());
    EXPECT_EQ(slotTexts().at(2), QStringLiteral("/srv/pictures"));
    EXPECT_EQ(historyActions().last(), QStringLiteral("Added Favorite Folder,"));
    EXPECT_TRUE(preferences().Edit1->text().isEmpty());
    EXPECT_TRUE(preferences().Label6->text().isEmpty());
    EXPECT_FALSE(preferences().Button6->isEnabled());
    EXPECT_FALSE(preferences().Button7->isEnabled());
    // The menu shows it only after OK of the preferences.
    EXPECT_FALSE(main().favoriteItems[2]->isVisible());
    preferences().Button1Click();
    EXPECT_TRUE(main().favoriteItems[2]->isVisible());
}

TEST_F(PreferencesTest, DirectoryOkWithoutASelectedSlotChangesNothing) {
    const qsizetype entries = historyActions().size();
    preferences().ListBox1->setCurrentRow(-1);
    directory().DirectoryEdit1->setText(QStringLiteral("/srv"));
    directory().Button1Click();
    EXPECT_EQ(slotTexts(), QStringList(20, QStringLiteral("Empty")));
    EXPECT_EQ(historyActions().size(), entries);

    // Cancel leaves the selected slot alone.
    preferences().ListBox1->setCurrentRow(0);
    directory().Button2->click();
    EXPECT_EQ(slotTexts().first(), QStringLiteral("Empty"));
}

TEST_F(PreferencesTest, TheBrowseButtonAsksForAFolder) {
    TDirectoryEdit& edit = *directory().DirectoryEdit1;
    edit.setText(QStringLiteral("/start"));
    test::fakeDialogs().folderAnswers.push_back(QStringLiteral("/chosen"));
    edit.browseButton()->click();
    EXPECT_EQ(edit.text(), QStringLiteral("/chosen"));
    // Cancelled: the text stays.
    edit.browseButton()->click();
    EXPECT_EQ(edit.text(), QStringLiteral("/chosen"));
}

TEST_F(PreferencesTest, ReopeningForgetsTheClickedSlot) {
    // The slots are read again as the window shows: the old click no longer
    // names a selected slot, so nothing may act on it.
    open();
    clickSlot(3);
    preferences().Button1Click();
    open();
    preferences().Timer1Timer();
    EXPECT_TRUE(preferences().Edit1->text().isEmpty());
    EXPECT_FALSE(preferences().Button4->isEnabled());
    EXPECT_FALSE(preferences().Button6->isEnabled());
}

TEST_F(PreferencesTest, DescriptionsFollowTheMouseAndThePictureClearsThem) {
    open();
    TForm4& w = preferences();
    const auto enter = [](QWidget* control) {
        QEnterEvent event(QPointF(2, 2), QPointF(2, 2), control->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(control, &event);
    };
    const auto highlighted = [](const QCheckBox* box) {
        return box->palette().color(QPalette::WindowText) == QColor(Qt::blue) &&
               box->font().underline();
    };
    enter(w.CheckBox7);
    EXPECT_EQ(w.label10->text(), QStringLiteral("Hides the Lumora taskbar"));
    EXPECT_TRUE(highlighted(w.CheckBox7));
    enter(w.CheckBox10);
    EXPECT_EQ(w.label10->text(), QStringLiteral("When you doubleclick on a file it will open "
                                                "with the associated program"));
    EXPECT_TRUE(highlighted(w.CheckBox10));
    EXPECT_FALSE(highlighted(w.CheckBox7));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), w.Image1->mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.Image1, &move);
    EXPECT_TRUE(w.label10->text().isEmpty());
    EXPECT_FALSE(highlighted(w.CheckBox10));
    EXPECT_EQ(w.CheckBox10->palette().color(QPalette::WindowText),
              QApplication::palette(w.CheckBox10).color(QPalette::WindowText));

    enter(w.Button2);
    EXPECT_EQ(w.Label16->text(), QStringLiteral("This will add your currently selected folder "
                                                "(from the foldertree) to your favorites"));
    enter(w.ListBox1);
    EXPECT_TRUE(w.Label16->text().isEmpty());
    enter(w.GroupBox2);
    EXPECT_EQ(w.Label18->text(), QStringLiteral("The background color for your slideshow"));
    enter(w.Label5);
    EXPECT_EQ(w.Label20->text(), QStringLiteral("The currently loaded language pack"));
}

TEST_F(PreferencesTest, OrganizeFolderOpensTheFavoritesPage) {
    for (QAction* command : {main().Folder2, main().Folder1}) {
        preferences().TabbedNotebook1->setCurrentIndex(0);
        int page = -1;
        ModalAnswer answer([&page](QWidget* window) {
            EXPECT_EQ(window, &preferences());
            page = preferences().TabbedNotebook1->currentIndex();
        });
        command->trigger();
        EXPECT_TRUE(answer.wasShown());
        EXPECT_EQ(page, TForm4::kFavoritesPage);
        EXPECT_EQ(historyActions().last(), QStringLiteral("Organize Folder Pressed,"));
    }
}

TEST_F(PreferencesTest, EveryControlHasANameForScreenReaders) {
    open();
    for (int page = 0; page < preferences().TabbedNotebook1->count(); ++page) {
        preferences().TabbedNotebook1->setCurrentIndex(page);
        EXPECT_EQ(test::unnamedControls(&preferences()), QStringList()) << page;
    }
    // The tabs are page tabs under their captions.
    preferences().TabbedNotebook1->setCurrentIndex(3);
    QAccessibleInterface* tab =
        QAccessible::queryAccessibleInterface(preferences().TabbedNotebook1->tab(3));
    ASSERT_TRUE(tab);
    EXPECT_EQ(tab->role(), QAccessible::PageTab);
    EXPECT_EQ(tab->text(QAccessible::Name), QStringLiteral("Favorites"));
    EXPECT_TRUE(tab->state().selected);
    EXPECT_EQ(preferences().SpeedButtons[0]->accessibleName(), QStringLiteral("Copy"));
    directory().show();
    EXPECT_EQ(test::unnamedControls(&directory()), QStringList());
    directory().hide();
}

TEST_F(PreferencesTest, TheTabsTurnByKeyboard) {
    open();
    TTabbedNotebook& notebook = *preferences().TabbedNotebook1;
    notebook.setCurrentIndex(0);
    notebook.tab(0)->setFocus();
    QTest::keyClick(notebook.tab(0), Qt::Key_Right);
    EXPECT_EQ(notebook.currentIndex(), 1);
    EXPECT_TRUE(notebook.tab(1)->hasFocus());
    QTest::keyClick(notebook.tab(1), Qt::Key_Left);
    QTest::keyClick(notebook.tab(0), Qt::Key_Left);
    EXPECT_EQ(notebook.currentIndex(), 7);
    preferences().Edit2->setFocus();
    QTest::keyClick(preferences().Edit2, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(notebook.currentIndex(), 0);
}

}  // namespace
}  // namespace lumora
