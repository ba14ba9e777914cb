#include "app/main_window.h"
#include "app/start_up.h"
#include "base/file_name.h"
#include "settings/apply_language_table.h"
#include "settings/ini_file.h"
#include "settings/language_pack.h"
#include "settings/language_table.h"
#include "settings/preferences_window.h"
#include "shell/copy_move_window.h"
#include "slideshow/fullscreen_viewer.h"
#include "slideshow/quick_slideshow_window.h"
#include "slideshow/slideshow_editor.h"
#include "slideshow/slideshow_player.h"
#include "support/fake_dialogs.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/controls.h"
#include "ui/forms.h"
#include "ui/tabbed_notebook.h"
#include "ui/wrapped_check_box.h"

#include <sys/stat.h>
#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <cstdio>

namespace lumora {
namespace {

using test::fakeDialogs;
using test::ModalAnswer;
using Window = LanguagePosition::Window;

TForm1& main() {
    return *forms().Form1;
}
TForm4& preferences() {
    return *forms().Form4;
}

QStringList lines(int count, const char* prefix, const char* suffix = "") {
    QStringList result;
    for (int n = 0; n < count; ++n)
        result << QString::fromLatin1(prefix) + QString::number(n) + QString::fromLatin1(suffix);
    return result;
}

// What every position shows now, then the full-screen viewer's two items.
QStringList shownTexts() {
    QStringList shown;
    for (const LanguagePosition& position : languageTable()) {
        if (position.property == LanguagePosition::Property::Reserved)
            continue;
        QWidget* window = findLanguageWindow(position.window);
        QObject* target = window ? findLanguageTarget(window, position) : nullptr;
        shown << (target ? languageText(target, position) : QStringLiteral("<missing>"));
    }
    shown << forms().Form5->NextImage1->text() << forms().Form5->PreviousImage1->text();
    return shown;
}

class LanguagePackTest : public test::ProgramTest {
protected:
    QString writePack(const QString& name, const QByteArray& bytes) {
        const QString path = folder.path() + u'/' + name;
        // By the exact bytes of its name, which need not be UTF-8.
        FILE* file = std::fopen(encodeFileName(path).constData(), "wb");
        EXPECT_NE(file, nullptr);
        if (file) {
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
            std::fclose(file);
        }
        return path;
    }
    // Load a Language with the dialog answering path (empty: cancelled).
    void load(const QString& path) {
        if (!path.isEmpty())
            fakeDialogs().fileAnswers.push_back(path);
        preferences().Button8->click();
    }

    test::ScratchDir folder;
};

TEST_F(LanguagePackTest, EveryPositionReachesItsControlInEveryBuiltWindow) {
    const auto& table = languageTable();
    for (size_t n = 0; n < table.size(); ++n) {
        const LanguagePosition& position = table[n];
        if (position.property == LanguagePosition::Property::Reserved)
            continue;
        QWidget* window = findLanguageWindow(position.window);
        QObject* target = window ? findLanguageTarget(window, position) : nullptr;
        EXPECT_NE(target, nullptr)
            << "position " << n << " names " << position.control << ", which its window lacks";
    }

    // Each line with an access key: a menu or button takes it, a label with
    // a buddy shows it as it is.
    const QStringList numbered = lines(kLanguageLineCount, "#", " &x");
    load(writePack(QStringLiteral("numbered.lml"), numbered.join(u'\n').toUtf8()));
    for (size_t n = 0; n < table.size(); ++n) {
        const LanguagePosition& position = table[n];
        if (position.property == LanguagePosition::Property::Reserved)
            continue;
        QObject* target = findLanguageTarget(findLanguageWindow(position.window), position);
        EXPECT_EQ(languageText(target, position), numbered[int(n)]) << "position " << n;
    }
    // Line 150 is the File menu's, between the positions of other windows;
    // 145 and 146 rename both pop-ups.
    EXPECT_EQ(main().ExtractIcon1->text(), QStringLiteral("#150 &x"));
    for (QAction* item : {forms().Form8->NextImage1, forms().Form5->NextImage1})
        EXPECT_EQ(item->text(), QStringLiteral("#145 &x"));
    for (QAction* item : {forms().Form8->PreviousImage1, forms().Form5->PreviousImage1})
        EXPECT_EQ(item->text(), QStringLiteral("#146 &x"));
    // A glyph's name for a screen reader follows its hint.
    EXPECT_EQ(main().copy->accessibleName(), QStringLiteral("#56 &x"));
    EXPECT_EQ(forms().Form3->Label1->text(), QStringLiteral("#93 &&x"));
    // The Preferences' toolbar toggles are named as the buttons they show.
    EXPECT_EQ(preferences().SpeedButtons[0]->toolTip(), QStringLiteral("#56 &x"));
    EXPECT_EQ(preferences().SpeedButtons[14]->accessibleName(), QStringLiteral("#70 &x"));
    EXPECT_EQ(preferences().Label5->text(), QStringLiteral("numbered.lml"));
    EXPECT_EQ(preferences().Memo2->Lines(), numbered);
}

TEST_F(LanguagePackTest, AFreshStartShowsTheBuiltInLinesAndTheEnglishPackChangesOnlyTheName) {
    EXPECT_EQ(preferences().CheckBox10->text(),
              QStringLiteral("Doubleclicking on a file opens file with associated program"));
    EXPECT_EQ(preferences().TabbedNotebook1->tabText(4), QStringLiteral("Slideshow"));
    EXPECT_EQ(main().QuickSlideshow1->text(), QStringLiteral("Quick SlideShow"));
    EXPECT_EQ(forms().Form15->windowTitle(), QStringLiteral("Quick SlideShow"));
    EXPECT_EQ(preferences().Label5->text(), QStringLiteral("Standard English Language"));

    const QStringList before = shownTexts();
    const QStringList history = historyActions();
    load(qEnvironmentVariable("LUMORA_LANG_DIR") + QStringLiteral("/english.lml"));
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_EQ(shownTexts(), before);
    EXPECT_EQ(preferences().Memo2->Lines(), builtInLanguageLines());
    EXPECT_EQ(preferences().Label5->text(), QStringLiteral("english.lml"));
    EXPECT_EQ(historyActions(), history);  // no history entry

    ASSERT_EQ(fakeDialogs().fileRequests.size(), 1u);
    const FileDialogOptions& asked = fakeDialogs().fileRequests[0];
    EXPECT_EQ(asked.defaultExt, QStringLiteral(".lml"));
    EXPECT_EQ(asked.fileName, QStringLiteral("*.lml"));
    EXPECT_EQ(asked.filter, QStringLiteral("Lumora 1.0.0 Language Packs (*.lml)|*.lml"));
}

TEST_F(LanguagePackTest, TheRealDialogStartsWithTheMaskAndTakesAnyNameTyped) {
    const QString german =
        qEnvironmentVariable("LUMORA_SOURCE_DIR") + QStringLiteral("/resources/lang/deutsch.nlp");
    QStringList names;
    test::withRealFileDialogs([] { preferences().Button8->click(); },
                              [&](test::RealFileDialog& dialog) {
                                  names << dialog.name->text();
                                  dialog.name->setText(german);  // not an .lml: taken all the same
                                  dialog.buttons->button(QDialogButtonBox::Open)->click();
                              });
    EXPECT_EQ(names, QStringList{QStringLiteral("*.lml")});
    EXPECT_EQ(preferences().Label5->text(), QStringLiteral("deutsch.nlp"));
    EXPECT_EQ(preferences().Memo2->Lines(), readLanguagePack(german));
}

TEST_F(LanguagePackTest, ShortPacksLeaveTheirMissingPositionsEmpty) {
    // 100 lines ending in a lone LF: positions 100-151 get empty texts.
    load(writePack(QStringLiteral("short.nlp"), lines(100, "L").join(u'\n').toUtf8() + '\n'));
    EXPECT_EQ(main().Show1->text(), QStringLiteral("L0"));
    EXPECT_EQ(preferences().CheckBox9->text(), QStringLiteral("L99"));
    EXPECT_TRUE(preferences().CheckBox10->text().isEmpty());
    TForm7& editor = *forms().Form7;
    for (QPushButton* button : {editor.Button1, editor.Button2, editor.Button3, editor.Button4,
                                editor.Button5, editor.Button6, editor.Button7, editor.Button8,
                                editor.Button9, editor.Button10, editor.Button11})
        EXPECT_TRUE(button->text().isEmpty()) << qPrintable(button->objectName());
    EXPECT_TRUE(forms().Form5->NextImage1->text().isEmpty());
    EXPECT_TRUE(main().ExtractIcon1->text().isEmpty());

    // LF CR ends two lines, with an empty one between.
    load(writePack(QStringLiteral("lfcr.nlp"), "Zeigen\n\rEnde"));
    EXPECT_EQ(main().Show1->text(), QStringLiteral("Zeigen"));
    EXPECT_TRUE(main().Preferences2->text().isEmpty());
    EXPECT_EQ(main().About2->text(), QStringLiteral("Ende"));
    EXPECT_EQ(preferences().Label5->text(), QStringLiteral("lfcr.nlp"));
}

TEST_F(LanguagePackTest, AnOldPackInWindows1252ShowsItsLetters) {
    load(writePack(QStringLiteral("alt.lml"),
                   "Anzeigen\r\nEinstellungen\r\n\xDC"
                   "ber\r\n"
                   "Beenden\r\n\xC4ndern \x80\r\n"));
    EXPECT_EQ(main().About2->text(), QString::fromUtf8("Über"));
    EXPECT_EQ(main().Unstretch1->text(), QString::fromUtf8("Ändern €"));
}

TEST_F(LanguagePackTest, AFailedOrCancelledLoadChangesNothing) {
    const QStringList before = shownTexts();
    auto unchanged = [&](const char* what) {
        EXPECT_EQ(shownTexts(), before) << what;
        EXPECT_EQ(preferences().Memo2->Lines(), builtInLanguageLines()) << what;
        EXPECT_EQ(preferences().Label5->text(), QStringLiteral("Standard English Language"))
            << what;
    };
    load({});
    EXPECT_TRUE(fakeDialogs().messages.empty());
    unchanged("cancel");

    const QString pipe = folder.filePath(QStringLiteral("pipe.lml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString gone = folder.filePath(QStringLiteral("removed.lml"));
    const QString large = writePack(QStringLiteral("large.lml"), QByteArray(2 << 20, 'x'));
    for (const QString& path : {gone, pipe, folder.path(), large}) {
        fakeDialogs().messages.clear();
        load(path);
        const QString expected = path == large ? QStringLiteral("Text exceeds memo capacity")
                                               : QStringLiteral("Cannot open file ") + path;
        EXPECT_EQ(fakeDialogs().messageTexts(), QStringList{expected});
        unchanged(qPrintable(path));
    }
}

TEST_F(LanguagePackTest, AnEmptyPackBlanksTheMenusButKeepsTheWayBack) {
    load(writePack(QStringLiteral("empty.nlp"), {}));
    EXPECT_TRUE(main().File1->title().isEmpty());
    EXPECT_TRUE(main().Preferences1->text().isEmpty());
    EXPECT_TRUE(preferences().Button8->text().isEmpty());
    // The toolbar keeps its glyphs and its names for a screen reader.
    EXPECT_FALSE(main().options->icon().isNull());
    EXPECT_EQ(main().options->accessibleName(), QStringLiteral("Preferences"));
    // Ctrl+R still opens the Preferences, where another pack can be loaded.
    main().show();
    main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    QWidget* shown = nullptr;
    {
        ModalAnswer answer([&](QWidget* window) { shown = window; });
        QTest::keyClick(main().windowHandle(), Qt::Key_R, Qt::ControlModifier);
    }
    EXPECT_EQ(shown, &preferences());
    main().hide();
}

TEST_F(LanguagePackTest, ThePackIsInForceAtTheNextStartUnderItsOwnName) {
    QFile german(qEnvironmentVariable("LUMORA_SOURCE_DIR") +
                 QStringLiteral("/resources/lang/deutsch.nlp"));
    ASSERT_TRUE(german.open(QIODevice::ReadOnly));
    // A name that is not UTF-8 keeps its bytes, shown and stored.
    const QString name = decodeFileName(QByteArray("d\xFCtsch.nlp"));
    load(writePack(name, german.readAll()));
    EXPECT_EQ(preferences().Label5->text(), name);
    EXPECT_EQ(main().File1->title(), QStringLiteral("&Datei"));
    preferences().Button1Click();  // the Preferences close: their section is written

    IniFile ini;
    EXPECT_EQ(
        ini.readString(QStringLiteral("preferences.Memo2_Lines"), QStringLiteral("Count"), {}),
        QStringLiteral("152"));
    QFile stored(test::settingsFile());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stored.readAll().contains("Label5_Caption=d\xFCtsch.nlp\r\n"));

    destroyForms();
    createForms({});
    EXPECT_EQ(preferences().Label5->text(), name);
    EXPECT_EQ(main().File1->title(), QStringLiteral("&Datei"));
    EXPECT_EQ(main().Edit1->title(), QStringLiteral("&Bearbeiten"));
    EXPECT_EQ(preferences().TabbedNotebook1->tabText(0), QStringLiteral("Allgemein"));
    EXPECT_EQ(forms().Form5->NextImage1->text(), QString::fromUtf8("&Nächstes Bild"));
}

// The access key of a caption: the character after a single "&".
QChar accessKey(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toLower();
        ++i;
    }
    return {};
}

void expectUniqueAccessKeys(const QList<QAction*>& items, const QString& menu) {
    QHash<QChar, QString> taken;
    for (QAction* item : items) {
        const QChar key = accessKey(item->text());
        if (key.isNull() || !item->isVisible())
            continue;
        EXPECT_FALSE(taken.contains(key))
            << "in " << qPrintable(menu) << ": " << qPrintable(item->text()) << " and "
            << qPrintable(taken.value(key));
        taken.insert(key, item->text());
    }
}

TEST_F(LanguagePackTest, TheGermanPackIsCompleteWithOneAccessKeyPerItem) {
    const QString path =
        qEnvironmentVariable("LUMORA_SOURCE_DIR") + QStringLiteral("/resources/lang/deutsch.nlp");
    const QStringList german = readLanguagePack(path);
    ASSERT_EQ(german.size(), kLanguageLineCount);
    const auto& table = languageTable();
    for (int n = 0; n < kLanguageLineCount; ++n) {
        if (table[size_t(n)].property != LanguagePosition::Property::Reserved) {
            EXPECT_FALSE(german[n].trimmed().isEmpty()) << "line " << n;
        }
    }
    EXPECT_EQ(german[15], QStringLiteral("&Datei"));
    EXPECT_EQ(german[30], QStringLiteral("&Einstellungen"));

    load(path);
    for (QWidget* window : {static_cast<QWidget*>(&main()), static_cast<QWidget*>(forms().Form8),
                            static_cast<QWidget*>(forms().Form5)}) {
        for (QMenu* menu : window->findChildren<QMenu*>())
            expectUniqueAccessKeys(menu->actions(), menu->objectName());
    }
    expectUniqueAccessKeys(main().menuBar()->actions(), QStringLiteral("the menu bar"));
}

}  // namespace
}  // namespace lumora
