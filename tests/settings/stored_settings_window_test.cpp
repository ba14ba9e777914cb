#include "app/browser_panel.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "settings/ini_file.h"
#include "settings/own_filter_window.h"
#include "settings/preferences_window.h"
#include "settings/select_directory_window.h"
#include "shell/copy_move_window.h"
#include "shell/file_info_window.h"
#include "slideshow/slideshow_editor.h"
#include "support/fake_dialogs.h"
#include "support/program.h"
#include "ui/color_combo_box.h"
#include "ui/forms.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QStandardPaths>
#include <QToolBar>

#include <sys/stat.h>

namespace lumora {
namespace {

using test::ProgramTest;

QString configFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lumora");
}

void writeSettings(const QByteArray& text) {
    QDir().mkpath(configFolder());
    QFile file(test::settingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray settingsText() {
    QFile file(test::settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every window, from nothing to the end of a run, as a fixture of its own so
// tests can stop and start the program.
class StoredSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(configFolder()).removeRecursively();
        test::fakeDialogs().reset();
    }
    void TearDown() override {
        if (running)
            stop();
        QFile::setPermissions(configFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
    }
    void start() {
        createForms({});
        running = true;
    }
    void stop() {
        destroyForms();
        running = false;
    }
    bool running = false;
};

TEST_F(StoredSettingsTest, AFreshStartWritesThePreferencesWithTheirDefaults) {
    start();
    const IniFile ini;
    const QStringList keys = ini.readSectionKeys(QStringLiteral("preferences"));
    QStringList expected = {QStringLiteral("Flags"), QStringLiteral("ShowCmd"),
                            QStringLiteral("MinMaxPos"), QStringLiteral("NormPos")};
    for (const char* box : {"CheckBox1", "CheckBox11", "CheckBox2", "CheckBox3", "CheckBox4",
                            "CheckBox5", "CheckBox6", "CheckBox7", "CheckBox9"})
        expected << QString::fromLatin1(box) + QStringLiteral("_Checked");
    expected << QStringLiteral("slidestimer_Position") << QStringLiteral("bgcolor_ColorValue");
    for (int n : {1, 10, 11, 12, 13, 14, 15, 2, 3, 4, 5, 6, 7, 8, 9})
        expected << QStringLiteral("SpeedButton%1_Down").arg(n);
    expected << QStringLiteral("Label5_Caption") << QStringLiteral("CheckBox10_Checked")
             << QStringLiteral("CheckBox951_Checked") << QStringLiteral("Edit2_Text")
             << QStringLiteral("Edit3_Text");
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(keys.size(), 4 + 31);
    const auto value = [&](const char* key) {
        return ini.readString(QStringLiteral("preferences"), QString::fromLatin1(key), QString());
    };
    EXPECT_EQ(value("CheckBox951_Checked"), QStringLiteral("True"));
    EXPECT_EQ(value("CheckBox7_Checked"), QStringLiteral("False"));
    EXPECT_EQ(value("slidestimer_Position"), QStringLiteral("1000"));
    EXPECT_EQ(value("bgcolor_ColorValue"), QStringLiteral("0"));
    EXPECT_EQ(value("Label5_Caption"), QStringLiteral("Standard English Language"));
    EXPECT_EQ(value("Edit2_Text"), QStringLiteral("c:\\windows\\recent"));
    EXPECT_EQ(
        ini.readString(QStringLiteral("preferences.Memo2_Lines"), QStringLiteral("Count"), {}),
        QStringLiteral("152"));
    EXPECT_EQ(
        ini.readString(QStringLiteral("preferences.Memo2_Lines"), QStringLiteral("Item15"), {}),
        QStringLiteral("&File"));
    EXPECT_EQ(
        ini.readString(QStringLiteral("preferences.ListBox1_Items"), QStringLiteral("Count"), {}),
        QStringLiteral("20"));
    EXPECT_EQ(
        ini.readString(QStringLiteral("preferences.ListBox1_Items"), QStringLiteral("Item19"), {}),
        QStringLiteral("Empty"));
    // The main window has not been shown: nothing of it yet.
    EXPECT_FALSE(settingsText().contains("[main window]"));
}

TEST_F(StoredSettingsTest, DialogsKeepTheirDesignSizeAndTakeOnlyAStoredPosition) {
    writeSettings("[preferences]\r\nNormPos=30,40,900,800\r\n");
    start();
    // The About window's creation showed the preferences: placement read.
    TForm4& preferences = *forms().Form4;
    // The stored position, give or take the frame.
    EXPECT_TRUE(QRect(24, 34, 12, 12).contains(preferences.pos())) << preferences.pos().x();
    const std::pair<QWidget*, QSize> dialogs[] = {
        {forms().Form4, {394, 405}},  {forms().Form21, {427, 273}}, {forms().Form6, {387, 68}},
        {forms().Form18, {403, 220}}, {forms().Form3, {417, 125}},  {forms().Form16, {295, 193}},
        {forms().Form7, {484, 487}},
    };
    for (const auto& [dialog, design] : dialogs) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        EXPECT_EQ(dialog->size(), design);
        EXPECT_EQ(dialog->minimumSize(), design);
        EXPECT_EQ(dialog->maximumSize(), design);
    }
}

TEST_F(StoredSettingsTest, StartUpWindowsAreShownOnlyUntilPlacedAndAnUnchangedRunWritesNothing) {
    // The first run shows the preferences and own filters off the screen:
    // showing centres them, and their sections keep that place.
    start();
    const QPoint preferencesPlace = forms().Form4->pos();
    const QPoint ownFiltersPlace = forms().Form18->pos();
    EXPECT_NE(forms().Form4->windowHandle(), nullptr);
    stop();

    // Later runs read the same sections without a window on the X server.
    start();
    for (QWidget* window : std::initializer_list<QWidget*>{forms().Form4, forms().Form18}) {
        SCOPED_TRACE(window->objectName().toStdString());
        EXPECT_EQ(window->windowHandle(), nullptr);
        EXPECT_FALSE(window->isVisible());
    }
    EXPECT_EQ(forms().Form4->pos(), preferencesPlace);
    EXPECT_EQ(forms().Form18->pos(), ownFiltersPlace);
    stop();

    // Every section, lists included, stays where it is: a run that changes
    // nothing leaves the file as it was, not even replaced by the same bytes.
    const QByteArray stored = settingsText();
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(test::settingsFile()).constData(), &before), 0);
    start();
    stop();
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(test::settingsFile()).constData(), &after), 0);
    EXPECT_EQ(settingsText(), stored);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(StoredSettingsTest, TheBrowserWidthAndPlacementSurviveARestart) {
    start();
    TForm1& main = *forms().Form1;
    main.show();
    main.Panel1->setWidth(260);
    main.setGeometry(120, 90, 700, 500);
    stop();
    EXPECT_EQ(
        IniFile().readString(QStringLiteral("main window"), QStringLiteral("Panel1_Width"), {}),
        QStringLiteral("260"));

    start();
    forms().Form1->show();
    EXPECT_EQ(forms().Form1->Panel1->Width(), 260);
    EXPECT_EQ(forms().Form1->size(), QSize(700, 500));
    stop();
}

TEST_F(StoredSettingsTest, MalformedValuesFallBackAsTheRulesSay) {
    writeSettings(
        "[preferences]\r\n"
        "CheckBox7_Checked=yes\r\n"
        "CheckBox9_Checked=TRUE\r\n"
        "CheckBox951_Checked=fAlSe\r\n"
        "slidestimer_Position=soon\r\n"
        "Edit2_Text=   /home/me/recent   \r\n"
        "[preferences.ListBox1_Items]\r\n"
        "Count=3\r\n"
        "Item0=/data\r\n");
    start();
    TForm4& preferences = *forms().Form4;
    EXPECT_FALSE(preferences.CheckBox7->isChecked());  // "yes" leaves it as it was
    EXPECT_TRUE(preferences.CheckBox9->isChecked());   // "TRUE" sets it
    EXPECT_FALSE(preferences.CheckBox951->isChecked());
    EXPECT_EQ(preferences.slidestimer->value(), 1000);  // not a number: 0, raised to the minimum
    EXPECT_EQ(preferences.Edit2->text(), QStringLiteral("/home/me/recent"));
    ASSERT_EQ(preferences.ListBox1->count(), 3);
    EXPECT_EQ(preferences.ListBox1->item(0)->text(), QStringLiteral("/data"));
    EXPECT_TRUE(preferences.ListBox1->item(2)->text().isEmpty());
    // Pushed by the start-up OK.
    EXPECT_TRUE(forms().Form1->Toolbar971->isHidden());
    stop();

    writeSettings("[preferences]\r\nslidestimer_Position=45000\r\n");
    start();
    EXPECT_EQ(forms().Form4->slidestimer->value(), 30000);
    stop();
}

TEST_F(StoredSettingsTest, AWindowNeverShownKeepsItsSection) {
    const QByteArray easy = "[easy filter.ListBox1_Items]\r\nCount=1\r\nItem0=*.bmp\r\n";
    writeSettings(easy);
    start();
    stop();
    EXPECT_TRUE(settingsText().contains(easy));
}

TEST_F(StoredSettingsTest, AnEmptiedListIsStoredEmptyAndReadAsBefore) {
    start();
    forms().Form4->show();
    forms().Form4->ListBox1->clear();
    forms().Form4->Button1Click();
    stop();
    EXPECT_EQ(IniFile().readString(QStringLiteral("preferences.ListBox1_Items"),
                                   QStringLiteral("Count"), {}),
              QStringLiteral("0"));
    // Count=0 leaves a list as the window made it: the twenty free slots.
    start();
    EXPECT_EQ(forms().Form4->ListBox1->count(), 20);
}

TEST_F(StoredSettingsTest, TextsThatAreNotUtf8ComeBackByteForByte) {
    // Folders typed by hand in Latin-1, through an edit and a list.
    const QByteArray documents = "Edit2_Text=/home/\xE9\xE8\r\n";
    const QByteArray slot = "Item0=/data/caf\xE9\r\n";
    writeSettings("[preferences]\r\n" + documents + "[preferences.ListBox1_Items]\r\nCount=20\r\n" +
                  slot);
    start();
    forms().Form4->show();
    forms().Form4->Button1Click();
    stop();
    const QByteArray text = settingsText();
    EXPECT_TRUE(text.contains(documents)) << text.constData();
    EXPECT_TRUE(text.contains(slot)) << text.constData();
}

TEST_F(StoredSettingsTest, ADamagedCountGivesTwentyFavouriteSlots) {
    writeSettings(
        "[preferences.ListBox1_Items]\r\nCount=1000000\r\nItem0=/data\r\nItem20=/beyond\r\n");
    start();
    TForm4& preferences = *forms().Form4;
    ASSERT_EQ(preferences.ListBox1->count(), 20);
    EXPECT_EQ(preferences.ListBox1->item(0)->text(), QStringLiteral("/data"));
    stop();
    const IniDocument stored = IniFile().load();
    EXPECT_EQ(stored.readString(QStringLiteral("preferences.ListBox1_Items"),
                                QStringLiteral("Count"), {}),
              QStringLiteral("20"));
    EXPECT_EQ(stored.keys(QStringLiteral("preferences.ListBox1_Items")).size(), 21);
    EXPECT_LT(settingsText().size(), 16384);
}

TEST_F(StoredSettingsTest, AReadOnlyFolderIsReportedAndLosesNothing) {
    writeSettings("[preferences]\r\nCheckBox7_Checked=True\r\n");
    const QByteArray before = settingsText();
    ASSERT_TRUE(
        QFile::setPermissions(configFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    if (QFileInfo(configFolder()).isWritable())
        GTEST_SKIP() << "root may write anywhere";
    start();
    // The start-up OK closed the preferences; its write failed and was shown.
    const QStringList shown = test::fakeDialogs().messageTexts();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown.first().startsWith(QStringLiteral("Unable to write to ")));
    EXPECT_TRUE(shown.first().contains(QStringLiteral("lmr1001.ini")));
    EXPECT_TRUE(forms().Form4->CheckBox7->isChecked());  // the read still worked
    stop();
    EXPECT_EQ(settingsText(), before);
}

TEST_F(StoredSettingsTest, AnUnreplaceableFileIsReportedAndTheProgramGoesOn) {
    // Root writes through any permission, but nobody replaces a folder with a file.
    QDir().mkpath(test::settingsFile() + QStringLiteral("/keep"));
    start();
    const QStringList shown = test::fakeDialogs().messageTexts();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.first(), QStringLiteral("Unable to write to ") + test::settingsFile());
    forms().Form1->show();
    stop();  // the main window's section fails the same way; destruction goes on
    EXPECT_TRUE(QFileInfo(test::settingsFile() + QStringLiteral("/keep")).isDir());
}

}  // namespace
}  // namespace lumora
