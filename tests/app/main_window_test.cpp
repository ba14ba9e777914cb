#include "app/main_window.h"
#include "app/browser_panel.h"
#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/splash_window.h"
#include "app/start_up.h"
#include "media/media_player_window.h"
#include "platform/launch.h"
#include "settings/preferences_window.h"
#include "shell/icon_list_box.h"
#include "slideshow/slideshow_editor.h"
#include "slideshow/slideshow_player.h"
#include "support/fake_dialogs.h"
#include "support/fake_launcher.h"
#include "support/program.h"
#include "support/programs_on_path.h"
#include "support/scratch_dir.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QResource>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStorageInfo>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace lumora {
namespace {

using test::FakeLauncher;
using test::ModalAnswer;
using test::ProgramTest;

TForm1& main() {
    return *forms().Form1;
}

// Selects the list entry shown as `text`, the way a click would.
void selectEntry(const QString& text) {
    QAbstractItemModel* model = main().FileListBox1->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (index.data().toString() == text) {
            main().FileListBox1->setCurrentIndex(index);
            return;
        }
    }
    FAIL() << "no entry " << text.toStdString();
}

class MainWindowTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        QFile(folder.filePath(QStringLiteral("picture.bmp"))).open(QIODevice::WriteOnly);
        QFile(folder.filePath(QStringLiteral("notes.txt"))).open(QIODevice::WriteOnly);
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().FileListBox1->setDirectory(folder.path());
        main().directorylistbox1->setDirectory(folder.path());
    }

    test::ScratchDir folder;
};

TEST_F(MainWindowTest, StartUpLeavesTheWindowsInTheirDesignedState) {
    // Creation side effects: splash picture in the view, status texts empty,
    // the preferences applied by the About window's creation.
    // The splash picture is the resource picture's pixels, shown where they
    // lie in the program rather than decoded at start.
    const QImage splash = TTempform::picture();
    const QImage drawn(qEnvironmentVariable("LUMORA_SOURCE_DIR") +
                       QStringLiteral("/resources/splash.png"));
    ASSERT_FALSE(drawn.isNull());
    const QImage expected = drawn.convertToFormat(splash.format());
    const auto bytes = [](const QImage& image) {
        return QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    };
    EXPECT_EQ(bytes(splash), bytes(expected));
    EXPECT_EQ(splash.constBits(),
              QResource(QStringLiteral(":/lumora/splash.raw")).data() + 3 * sizeof(qint32));
    EXPECT_EQ(main().jpg->picture().size(), splash.size());
    // Cleared at creation; the folder change handler then writes the capacity.
    for (int i = 1; i < 4; ++i)
        EXPECT_TRUE(main().StatusPanels.text(i).isEmpty()) << i;
    EXPECT_TRUE(main().StatusPanels.text(0).endsWith(QStringLiteral(" MB free )")));
    EXPECT_FALSE(forms().Form4->isVisible());
    EXPECT_TRUE(main().jpg->Stretch());
    EXPECT_TRUE(main().jpg->Center());
    EXPECT_TRUE(main().StretchImages1->isChecked());
    EXPECT_TRUE(main().ToolbarButton972->isChecked());
    EXPECT_EQ(forms().Form8->Timer1->interval(), 1000);
    for (QAction* favorite : main().favoriteItems)
        EXPECT_FALSE(favorite->isVisible());
    for (int i = 0; i < 15; ++i)
        EXPECT_TRUE(main().toolbarButtonVisible(i)) << i;
    EXPECT_TRUE(main().SupportedFiles1->isChecked());
    EXPECT_EQ(main().savedFileType, unsigned(TFileListBox::ftAll));
    EXPECT_TRUE(main().pendingStartArgument.isEmpty());
    EXPECT_EQ(main().size(), QSize(622, 444));
    EXPECT_EQ(main().WinSplit1->handleWidth(), 3);
    EXPECT_EQ(main().tray->toolTip(), QStringLiteral("Lumora 1.0.1"));
}

TEST_F(MainWindowTest, OpensAtItsDesignSizeAndNarrowsWithTheStatusPanels) {
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    EXPECT_EQ(main().size(), QSize(622, 444));
    EXPECT_EQ(main().pos(), QPoint(175, 110));
    // The four panels are no lower bound of the window's width.
    EXPECT_LT(main().minimumSizeHint().width(), 400);
    main().resize(400, 444);
    QTest::qWait(20);
    EXPECT_EQ(main().width(), 400);
    // Where there is room the panels have their design widths.
    main().StatusPanels.setText(0, QStringLiteral("short.bmp"));
    main().resize(900, 444);
    QTest::qWait(20);
    const int widths[4] = {200, 130, 100, 200};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(main().StatusPanels.labels[size_t(i)]->width(), widths[i]) << i;
    main().hide();
}

// The clock's seconds change once a second: a new text of the same width
// repaints its panel and lays nothing out; a wider one still moves panels.
TEST_F(MainWindowTest, AClockSecondOfTheSameWidthLaysNothingOut) {
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    struct LayoutCounter : QObject {
        int requests = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            requests += event->type() == QEvent::LayoutRequest;
            return false;
        }
    } counter;
    main().StatusPanels.setText(3, QStringLiteral("10:00:00"));
    QTest::qWait(20);
    main().installEventFilter(&counter);
    main().StatusBar1->installEventFilter(&counter);
    main().StatusPanels.setText(3, QStringLiteral("10:00:01"));
    QTest::qWait(20);
    EXPECT_EQ(main().StatusPanels.text(3), QStringLiteral("10:00:01"));
    EXPECT_EQ(counter.requests, 0);
    QLabel& first = *main().StatusPanels.labels[0];
    main().StatusPanels.setText(0, QString(60, u'W'));
    QTest::qWait(20);
    EXPECT_GT(counter.requests, 0);
    EXPECT_GT(first.width(), 200);
    main().hide();
}

// Panel 0's text is longer than its 200 pixels: at the design size the other
// panels give up their unused room and it shows whole; where even that is
// not enough it is cut, and its tool tip holds the whole text.
TEST_F(MainWindowTest, StatusPanelZeroShowsItsWholeTextOrAToolTipWithIt) {
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    main().DirectoryListBox1Click();  // the drive's capacity
    main().Timer1Timer();             // items, date and time
    QLabel& panel = *main().StatusPanels.labels[0];
    const QString capacity = panel.text();
    ASSERT_TRUE(capacity.endsWith(QStringLiteral(" MB free )")));
    const auto shownWhole = [](const QLabel& label) {
        return label.contentsRect().width() > label.fontMetrics().horizontalAdvance(label.text());
    };
    ASSERT_GT(panel.fontMetrics().horizontalAdvance(capacity), 200);
    QTest::qWait(20);
    EXPECT_TRUE(shownWhole(panel)) << panel.width();
    EXPECT_TRUE(panel.toolTip().isEmpty());
    for (int i = 1; i < 4; ++i) {
        const QLabel& other = *main().StatusPanels.labels[size_t(i)];
        EXPECT_TRUE(shownWhole(other)) << i;  // their texts stay whole too
        EXPECT_GT(other.x(), main().StatusPanels.labels[size_t(i - 1)]->geometry().right()) << i;
    }
    EXPECT_LE(main().StatusPanels.labels[3]->geometry().right(), main().StatusBar1->width());

    main().resize(400, 444);
    QTest::qWait(20);
    EXPECT_FALSE(shownWhole(panel));
    EXPECT_EQ(panel.toolTip(), capacity);
    EXPECT_EQ(panel.text(), capacity);  // what screen readers read
    main().resize(622, 444);
    QTest::qWait(20);
    EXPECT_TRUE(panel.toolTip().isEmpty());
    main().hide();
}

TEST_F(MainWindowTest, ChecksAndToggleButtonsAreSetOnlyByTheirCommands) {
    main().show();
    // Every checkable command of ours: Qt's toolbar overflow button aside, and
    // the toolbar's own toggle, which the window offers in no menu.
    QStringList checkable;
    for (QAction* item : main().findChildren<QAction*>())
        if (item->isCheckable() && item != main().Toolbar971->toggleViewAction())
            checkable << item->objectName();
    for (QAbstractButton* button : main().findChildren<QAbstractButton*>())
        if (button->isCheckable() && !button->objectName().startsWith(QLatin1String("qt_")))
            checkable << button->objectName();
    checkable.sort();
    EXPECT_EQ(checkable, QStringList({"EasyFilter1", "Icons1", "Images1", "Mediaplayer1", "Midi1",
                                      "ShowAllFiles1", "StretchImages1", "SupportedFiles1",
                                      "ToolbarButton972", "Videos1", "Wavs1", "eigen1", "eigen2",
                                      "eigen3", "eigen4", "eigen5", "mplayer"}));

    // Each mark says what is so: one filter in force, the media player
    // window shown, the pictures stretched.
    const auto marksAgree = [] {
        int filters = 0;
        for (QAction* item : main().Filter1->actions())
            filters += item->isChecked() ? 1 : 0;
        EXPECT_EQ(filters, 1);
        EXPECT_EQ(main().Mediaplayer1->isChecked(), forms().Form2->isVisible());
        EXPECT_EQ(main().mplayer->isChecked(), forms().Form2->isVisible());
        EXPECT_EQ(main().StretchImages1->isChecked(), main().jpg->Stretch());
        EXPECT_EQ(main().ToolbarButton972->isChecked(), main().jpg->Stretch());
    };
    for (int round = 0; round < 2; ++round) {
        for (const QString& name : checkable) {
            SCOPED_TRACE(name.toStdString());
            ModalAnswer answer;  // the easy filter asks in a window of its own
            if (QAction* item = main().findChild<QAction*>(name))
                item->trigger();
            else
                main().findChild<QAbstractButton*>(name)->click();
            marksAgree();
        }
    }
    // The easy filter's mark comes only with its OK; cancelled, it stays off.
    EXPECT_FALSE(main().EasyFilter1->isChecked());
    // Closing the window with its close box clears the mark and the button.
    main().Mediaplayer1->trigger();
    ASSERT_TRUE(forms().Form2->isVisible());
    forms().Form2->close();
    marksAgree();
    EXPECT_FALSE(main().Mediaplayer1->isChecked());
    main().hide();
}

TEST_F(MainWindowTest, MediaplayerCommandShowsAndHidesTheWindowWithItsEntries) {
    main().mplayer->click();
    EXPECT_TRUE(forms().Form2->isVisible());
    main().Mediaplayer1->trigger();
    EXPECT_FALSE(forms().Form2->isVisible());
    EXPECT_EQ(
        historyActions().mid(historyActions().size() - 2),
        QStringList({QStringLiteral("Show Mediaplayer,"), QStringLiteral("Hide Mediaplayer,")}));
}

TEST_F(MainWindowTest, ToolbarButtonsAreNamedForScreenReaders) {
    // A glyph alone says nothing; each button carries its hint as its name.
    for (QToolButton* button : main().toolbarButtons()) {
        EXPECT_FALSE(button->toolTip().isEmpty());
        EXPECT_EQ(button->accessibleName(), button->toolTip());
    }
}

TEST_F(MainWindowTest, PreferencesReadAtStartUpReachTheOtherWindows) {
    // The About window's creation runs the preferences' OK after the player
    // exists: a delay chosen before start-up is applied to the step timer.
    destroyForms();
    createForms({});
    forms().Form4->slidestimer->setValue(7000);
    forms().Form4->CheckBox9->setChecked(true);
    forms().Form4->ListBox1->item(2)->setText(QStringLiteral("/tmp"));
    forms().Form4->Button1Click();
    EXPECT_EQ(forms().Form8->Timer1->interval(), 7000);
    EXPECT_TRUE(main().Toolbar971->isHidden());
    EXPECT_TRUE(main().favoriteItems[2]->isVisible());
    EXPECT_EQ(main().favoriteItems[2]->text(), QStringLiteral("/tmp"));
    EXPECT_FALSE(main().favoriteItems[1]->isVisible());
}

TEST_F(MainWindowTest, TitleNamesFolderAndSelection) {
    main().Timer1Timer();
    const QString folderPart = folder.path() + u'/';
    EXPECT_EQ(main().windowTitle(),
              QStringLiteral("Lumora 1.0.1 - [ ") + folderPart + QStringLiteral(" ]"));
    selectEntry(QStringLiteral("picture.bmp"));
    main().Timer1Timer();
    EXPECT_EQ(main().windowTitle(),
              QStringLiteral("Lumora 1.0.1 - [ ") + folderPart + QStringLiteral("picture.bmp ]"));
    EXPECT_EQ(main().StatusPanels.text(2), QStringLiteral("3 item(s)"));  // [..] and two files
    EXPECT_FALSE(main().StatusPanels.text(3).isEmpty());
}

// An idle tick only moves the clock: the title, the panels and the commands
// are written again only after something they show has changed.
TEST_F(MainWindowTest, AnIdleRefreshWritesNothing) {
    main().Timer1Timer();
    main().setWindowTitle(QStringLiteral("untouched"));
    main().Timer1Timer();
    EXPECT_EQ(main().windowTitle(), QStringLiteral("untouched"));
    selectEntry(QStringLiteral("picture.bmp"));
    main().Timer1Timer();
    EXPECT_TRUE(main().windowTitle().endsWith(QStringLiteral("picture.bmp ]")));
    // A re-read of the folder counts as a change, whatever it found.
    main().setWindowTitle(QStringLiteral("untouched"));
    main().FileListBox1->Update();
    main().Timer1Timer();
    EXPECT_NE(main().windowTitle(), QStringLiteral("untouched"));
}

TEST_F(MainWindowTest, FileCommandsFollowTheSelection) {
    main().Timer1Timer();
    const QList<QAction*> fileItems = {
        main().Info1,   main().Info2,      main().SaveToBmp1,
        main().Copy1,   main().Move1,      main().Delete1,
        main().Normal1, main().Tiled1,     main().Open1->menuAction(),
        main().Reload1, main().FullScreen1};
    const QList<QToolButton*> fileButtons = {main().copy,    main().move_,  main().delete_,
                                             main().execute, main().reload, main().fullscreen};
    for (QAction* item : fileItems)
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    for (QToolButton* b : fileButtons)
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();

    selectEntry(QStringLiteral("notes.txt"));
    main().Timer1Timer();
    for (QAction* item : fileItems)
        EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();
    for (QToolButton* b : fileButtons)
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    // Commands of other states are not touched by the selection.
    EXPECT_TRUE(main().None1->isEnabled());
    EXPECT_TRUE(main().closeimage->isEnabled());

    // A subdirectory entry is no file.
    selectEntry(QStringLiteral("[..]"));
    main().Timer1Timer();
    EXPECT_FALSE(main().Copy1->isEnabled());
}

TEST_F(MainWindowTest, IconAndClipboardCommandsFollowTheirSurfaces) {
    main().show();
    main().jpg->setVisible(true);
    main().IconListBox1->setVisible(false);
    main().Timer1Timer();
    EXPECT_TRUE(main().clipboard1->isEnabled());
    EXPECT_FALSE(main().ExtractIcon1->isEnabled());

    main().jpg->setVisible(false);
    main().IconListBox1->setVisible(true);
    main().Timer1Timer();
    EXPECT_FALSE(main().clipboard1->isEnabled());
    EXPECT_FALSE(main().ExtractIcon1->isEnabled());  // no icon selected yet
    main().Edit2->setText(QStringLiteral("0"));
    main().Timer1Timer();
    EXPECT_TRUE(main().ExtractIcon1->isEnabled());
    main().hide();
}

TEST_F(MainWindowTest, CommandTableNamesShortcutsAndCaptions) {
    struct Row {
        const char* name;
        const char* caption;
        QKeySequence shortcut;
    };
    const Row rows[] = {
        {"Exit1", "Exit", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"Create1", "Create", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"Reload1", "Reload", QKeySequence(Qt::Key_F5)},
        {"Preferences1", "Preferences", QKeySequence(Qt::CTRL | Qt::Key_R)},
        {"Mediaplayer1", "Mediaplayer", QKeySequence(Qt::CTRL | Qt::Key_M)},
        {"FullScreen1", "Fullscreen", QKeySequence(Qt::CTRL | Qt::Key_F4)},
        {"RefreshBrowser1", "Refresh Browser", QKeySequence(Qt::Key_F8)},
        {"DefaultBrowserPosition1", "Default Browser position", QKeySequence(Qt::Key_F11)},
        {"Links1", "Links", QKeySequence(Qt::CTRL | Qt::Key_L)},
        {"EasyFilter1", "Easy Filter", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"ShowAllFiles1", "Show All Files", QKeySequence(Qt::SHIFT | Qt::Key_F1)},
        {"SupportedFiles1", "Supported Files", QKeySequence(Qt::SHIFT | Qt::Key_F2)},
        {"Images1", "Only Images", QKeySequence(Qt::SHIFT | Qt::Key_F3)},
        {"Wavs1", "Only Wavs", QKeySequence(Qt::SHIFT | Qt::Key_F4)},
        {"Videos1", "Only Videos", QKeySequence(Qt::SHIFT | Qt::Key_F5)},
        {"Midi1", "Only Midi", QKeySequence(Qt::SHIFT | Qt::Key_F6)},
        {"Icons1", "Only Icons", QKeySequence(Qt::SHIFT | Qt::Key_F7)},
        {"SetupOwnFilter1", "Setup Own Filter", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"OpenandPlay1", "Open and Play", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"QuickSlideshow1", "Quick SlideShow", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"Folder2", "Folder", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"Slideshow3", "Slideshow", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"Help2", "Help", QKeySequence(Qt::Key_F1)},
        {"clipboard1", "Copy To Clipboard", QKeySequence()},
        {"HistoryList1", "HistoryList", QKeySequence()},
    };
    for (const Row& row : rows) {
        auto* item = main().findChild<QAction*>(QString::fromLatin1(row.name));
        ASSERT_NE(item, nullptr) << row.name;
        EXPECT_EQ(item->text(), QString::fromLatin1(row.caption)) << row.name;
        EXPECT_EQ(item->shortcut(), row.shortcut) << row.name;
    }
    const char* buttons[] = {"copy",
                             "move",
                             "delete",
                             "closeimage",
                             "execute",
                             "reload",
                             "mplayer",
                             "ToolbarButton971",
                             "ToolbarButton972",
                             "fullscreen",
                             "createslideshow",
                             "openslideshow",
                             "ToolbarButton977",
                             "options",
                             "default"};
    const auto inOrder = main().toolbarButtons();
    for (size_t i = 0; i < 15; ++i)
        EXPECT_EQ(inOrder[i]->objectName(), QString::fromLatin1(buttons[i]));
    EXPECT_TRUE(main().mplayer->isCheckable());
    EXPECT_TRUE(main().ToolbarButton972->isCheckable());
    EXPECT_EQ(main().SaveDialog1.Filter, QStringLiteral(" [*.bmp]|*.bmp"));
    EXPECT_EQ(main().SaveDialog2.Filter, QStringLiteral("icons [*.ico]|*.ico"));
}

TEST_F(MainWindowTest, DefaultBrowserPositionRestoresTheWidth) {
    main().show();
    main().WinSplit1->setSizes({300, 319});
    ASSERT_EQ(main().Panel1->width(), 300);
    main().DefaultBrowserPosition1->trigger();
    EXPECT_EQ(main().Panel1->width(), 185);
    EXPECT_EQ(historyActions().last(), QStringLiteral("Default Browser Position,"));
    main().hide();
}

TEST_F(MainWindowTest, HistoryRecordsOnlyWhileEnabled) {
    const qsizetype before = forms().Form21->History.size();
    main().defaultClick();
    ASSERT_EQ(forms().Form21->History.size(), before + 1);
    // The time follows the comma directly.
    const QString entry = forms().Form21->History.last();
    EXPECT_TRUE(entry.startsWith(QStringLiteral("Default Browser Position,")));
    EXPECT_FALSE(entry.at(entry.indexOf(u',') + 1).isSpace());

    forms().Form4->CheckBox951->setChecked(false);
    main().defaultClick();
    EXPECT_EQ(forms().Form21->History.size(), before + 1);  // earlier entries stay
    forms().Form4->CheckBox951->setChecked(true);
}

TEST_F(MainWindowTest, TrayCommandsOpenTheWindowsWithoutHistory) {
    const QStringList before = historyActions();
    {
        ModalAnswer answer([](QWidget* w) { EXPECT_EQ(w, forms().Form4); });
        main().Preferences2->trigger();
        EXPECT_TRUE(answer.wasShown());
    }
    {
        ModalAnswer answer(
            [](QWidget* w) { EXPECT_EQ(w->objectName(), QStringLiteral("Form11")); });
        main().About2->trigger();
        EXPECT_TRUE(answer.wasShown());
    }
    EXPECT_EQ(historyActions(), before);

    {
        ModalAnswer answer;
        main().Preferences1->trigger();
        EXPECT_TRUE(answer.wasShown());
    }
    {
        ModalAnswer answer;
        main().About1->trigger();
        EXPECT_TRUE(answer.wasShown());
    }
    EXPECT_EQ(historyActions().mid(before.size()),
              QStringList({QStringLiteral("Launched Options,"), QStringLiteral("About Pressed,")}));
}

// Escape reaches a dialog through the control that has the focus: it clicks
// the dialog's Cancel button, and a dialog without one stays open, so its own
// buttons (and what they record) are the way out. The history list, with no
// buttons at all, closes.
TEST_F(MainWindowTest, EscapeIsCancelWhereADialogHasOneAndIgnoredWhereItHasNot) {
    main().show();
    struct Case {
        QAction* command;
        const char* window;
        bool closes;
        QStringList recorded;  // after the command's own entry
    };
    const Case cases[] = {
        {main().Create1, "Form7", false, {}},
        {main().About1, "Form11", false, {}},
        {main().EasyFilter1, "Form19", true, {"Cancel Easy Filter Clicked,"}},
        {main().HistoryList1, "Form21", true, {}},
    };
    for (const Case& c : cases) {
        bool closed = false;
        QStringList recorded;
        ModalAnswer answer([&](QWidget* dialog) {
            ASSERT_EQ(dialog->objectName(), QLatin1String(c.window));
            const QStringList before = historyActions();
            QWidget* focus = dialog->focusWidget() ? dialog->focusWidget() : dialog;
            QTest::keyClick(focus, Qt::Key_Escape);
            closed = !dialog->isVisible();
            recorded = historyActions().mid(before.size());
        });
        c.command->trigger();
        ASSERT_TRUE(answer.wasShown()) << c.window;
        EXPECT_EQ(closed, c.closes) << c.window;
        EXPECT_EQ(recorded, c.recorded) << c.window;
    }

    // A window manager's close box and Alt+F4 leave the editor as Close
    // does, which says so in the history.
    ModalAnswer answer([](QWidget*) {
        forms().Form7->close();
        EXPECT_FALSE(forms().Form7->isVisible());
    });
    main().Create1->trigger();
    EXPECT_EQ(historyActions().last(), QStringLiteral("Pressed Close Slideshow,"));
}

TEST_F(MainWindowTest, HelpOpensTheContentsPage) {
    FakeLauncher launcher;
    setLauncher(&launcher);
    main().Help2->trigger();
    setLauncher(nullptr);
    ASSERT_EQ(launcher.opened.size(), 1);
    EXPECT_TRUE(launcher.opened[0].endsWith(QStringLiteral("/help/index.html")));
    EXPECT_EQ(historyActions().last(), QStringLiteral("Help Pressed,"));
}

// With the real opener: when nothing shows the page, the history entry is
// followed by an error box that says what is missing.
TEST_F(MainWindowTest, HelpThatNoBrowserShowsSaysWhatIsMissing) {
    test::ProgramsOnPath programs;
    const auto help = [] {
        test::fakeDialogs().reset();
        main().Help2->trigger();
        EXPECT_EQ(historyActions().last(), QStringLiteral("Help Pressed,"));
        // The opener has ended (or never started) once its process is gone.
        EXPECT_TRUE(QTest::qWaitFor(
            [] { return QCoreApplication::instance()->findChildren<QProcess*>().isEmpty(); },
            10000));
        QCoreApplication::processEvents();
        return test::fakeDialogs().messageTexts();
    };
    QStringList shown = help();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("No web browser showed the help page /")));
    EXPECT_TRUE(shown[0].endsWith(QStringLiteral("/help/index.html: xdg-open is not installed.")))
        << shown[0].toStdString();

    programs.install(QStringLiteral("xdg-open"), 3);  // xdg-open's "no program found"
    shown = help();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].endsWith(
        QStringLiteral("/help/index.html: xdg-open found no program that opens it.")))
        << shown[0].toStdString();

    programs.install(QStringLiteral("xdg-open"), 0);
    EXPECT_TRUE(help().isEmpty());
    ASSERT_EQ(programs.started().size(), 2);
    EXPECT_TRUE(programs.started().last().endsWith(QStringLiteral("/help/index.html")));
}

TEST_F(MainWindowTest, ExitClosesTheMainWindowWithoutHistory) {
    main().show();
    const QStringList before = historyActions();
    main().Exit1->trigger();
    EXPECT_FALSE(main().isVisible());
    main().show();
    main().Exit2->trigger();
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(historyActions(), before);
}

TEST_F(MainWindowTest, CapacityTextCountsWholeMegabytes) {
    const QString text = TForm1::driveCapacityText(folder.path());
    const QRegularExpression pattern(
        QStringLiteral("^(\\d+) MB capacity\\. \\( (\\d+) MB free \\)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    ASSERT_TRUE(match.hasMatch()) << text.toStdString();
    const QStorageInfo drive(folder.path());
    EXPECT_EQ(match.captured(1).toLongLong(), drive.bytesTotal() / 1048576);
    EXPECT_LE(match.captured(2).toLongLong(), match.captured(1).toLongLong());
    EXPECT_EQ(TForm1::driveCapacityText(QStringLiteral("/no/such/drive/at/all")),
              QStringLiteral("0 MB capacity. ( 0 MB free )"));
}

TEST_F(MainWindowTest, FilterCommandsCheckOneItemAndRecordTheirEntry) {
    main().Wavs1->trigger();
    EXPECT_TRUE(main().Wavs1->isChecked());
    EXPECT_FALSE(main().SupportedFiles1->isChecked());
    EXPECT_EQ(main().FileListBox1->Mask(), QStringLiteral("*.WAV"));
    EXPECT_EQ(historyActions().last(), QStringLiteral("Only Wavs Filter Activated,"));
    main().ShowAllFiles1->trigger();
    EXPECT_EQ(main().FileListBox1->Mask(), QStringLiteral("*.*"));
    int checked = 0;
    for (QAction* item : main().Filter1->actions())
        checked += item->isChecked() ? 1 : 0;
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(historyActions().last(), QStringLiteral("Show All Files Filter activated,"));
}

TEST_F(MainWindowTest, StartUpHistoryBeginsWithTheFilterCommands) {
    ASSERT_GE(forms().Form21->History.size(), 3);
    EXPECT_EQ(historyActions().mid(0, 3),
              QStringList({QStringLiteral("Show All Files Filter activated,"),
                           QStringLiteral("Supported Files Filter Activated,"),
                           QStringLiteral("Apply Own Filters Clicked,")}));
}

TEST_F(MainWindowTest, ActivationMakesTheTreeFollowTheList) {
    QDir(folder.path()).mkdir(QStringLiteral("inner"));
    main().FileListBox1->setDirectory(folder.filePath(QStringLiteral("inner")));
    main().FormActivate();
    EXPECT_EQ(main().directorylistbox1->Directory(), folder.filePath(QStringLiteral("inner")));
}

TEST_F(MainWindowTest, TheFirstShowFollowsTheListEvenWithoutActivation) {
    QDir(folder.path()).mkdir(QStringLiteral("second"));
    main().FileListBox1->setDirectory(folder.filePath(QStringLiteral("second")));
    main().show();
    QTest::qWait(50);
    EXPECT_EQ(main().directorylistbox1->Directory(), folder.filePath(QStringLiteral("second")));
    main().hide();
}

TEST_F(MainWindowTest, NodesWithoutAPathEmptyTheListAndKeepTheFolder) {
    TFolderTree& tree = *main().directorylistbox1;
    for (QTreeWidgetItem* node : {tree.computerNode(), tree.recycleBinNode(), tree.networkNode()}) {
        tree.setCurrentItem(node);
        EXPECT_EQ(main().FileListBox1->Count(), 0);
        EXPECT_EQ(QDir::currentPath(), folder.path());
        EXPECT_EQ(main().FileListBox1->Directory(), folder.path());
    }
    // Back on a folder, the list shows its entries again.
    tree.setDirectory(folder.path());
    EXPECT_EQ(main().FileListBox1->Count(), 3);
    // The desktop root lists the desktop folder.
    tree.setCurrentItem(tree.rootNode());
    EXPECT_EQ(main().FileListBox1->Directory(),
              QDir(test::testHome()).filePath(QStringLiteral("Desktop")));
}

TEST_F(MainWindowTest, TheListFollowsItsFolderAndRefreshRereadsIt) {
    TFileListBox& list = *main().FileListBox1;
    ASSERT_EQ(list.Count(), 3);  // listed before the file comes
    selectEntry(QStringLiteral("picture.bmp"));
    QFile(folder.filePath(QStringLiteral("late.bmp"))).open(QIODevice::WriteOnly);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.Count() == 4; }, 5000))
        << "a file made by another program is not listed";
    EXPECT_EQ(list.Item(list.ItemIndex()), QStringLiteral("picture.bmp"));
    main().RefreshBrowser1->trigger();
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(historyActions().last(), QStringLiteral("Refresh Browser,"));
}

class StartArgumentTest : public ProgramTest {
protected:
    QStringList startArguments() const override { return {QStringLiteral("/tmp/show.lss")}; }
};

TEST_F(StartArgumentTest, TheFirstArgumentIsPendingUntilTheFirstActivation) {
    EXPECT_EQ(main().pendingStartArgument, QStringLiteral("/tmp/show.lss"));
    main().FormActivate();
    EXPECT_TRUE(main().pendingStartArgument.isEmpty());
}

TEST_F(StartArgumentTest, TheTreeFollowsTheListOnceTheArgumentIsHandled) {
    // No window manager: the first show is the only activation there is.
    main().show();
    QTest::qWait(50);
    EXPECT_TRUE(main().pendingStartArgument.isEmpty());
    EXPECT_FALSE(main().directorylistbox1->Directory().isEmpty());
    EXPECT_EQ(main().directorylistbox1->Directory(), main().FileListBox1->Directory());
    EXPECT_GT(main().FileListBox1->Count(), 0);
    main().hide();
}

TEST_F(MainWindowTest, TheTreeShowsTheWholeNodeItFollowsTo) {
    // Many siblings and a long name: the tree scrolls both ways.
    QDir base(folder.path());
    for (int i = 0; i < 40; ++i)
        base.mkdir(QStringLiteral("sibling%1").arg(i, 2, 10, QLatin1Char('0')));
    const QString deep = folder.filePath(QStringLiteral("sibling39/") + QString(90, u'n'));
    ASSERT_TRUE(QDir().mkpath(deep));
    main().directorylistbox1->setCurrentItem(nullptr);
    main().directorylistbox1->collapseAll();
    main().FileListBox1->setDirectory(deep);
    main().show();
    QTest::qWait(100);
    TFolderTree& tree = *main().directorylistbox1;
    ASSERT_EQ(tree.Directory(), deep);
    const QRect node = tree.visualItemRect(tree.currentItem());
    EXPECT_GE(node.top(), 0);
    EXPECT_LE(node.bottom(), tree.viewport()->rect().bottom())
        << node.y() << "+" << node.height() << " in " << tree.viewport()->height();
    main().hide();
}

}  // namespace
}  // namespace lumora
