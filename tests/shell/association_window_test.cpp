#include "shell/association_window.h"
#include "base/file_name.h"
#include "shell/icon_list_box.h"
#include "support/fake_dialogs.h"
#include "support/fake_registry.h"
#include "support/icon_fixtures.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace lumora {
namespace {

using test::fakeDialogs;

TForm17& window() {
    return *forms().Form17;
}

class AssociationTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        registry_.events = &events_;
        ASSERT_TRUE(test::magickIcon({QStringLiteral("-size"), QStringLiteral("16x16"),
                                      QStringLiteral("xc:blue"), dir_.filePath("eye5.ico")}));
        // A Linux program has no extension; a text with the execute bit is none.
        ASSERT_TRUE(test::writeBytes(dir_.filePath("lumora"), "#!/bin/sh\n"));
        ASSERT_TRUE(test::writeBytes(dir_.filePath("notes"), "text\n"));
        for (const char* name : {"lumora", "notes"})
            ::chmod(encodeFileName(dir_.filePath(QLatin1String(name))).constData(), 0755);
        window().BrowserFolder = dir_.path();
    }

    QString classValue(const QString& key) const {
        return registry_.hive.value(RegistryRoot::ClassesRoot, key, {})
            .value_or(QStringLiteral("-"));
    }

    test::ScratchDir dir_;
    QStringList events_;
    test::FakeRegistry registry_;
    test::RegistryScope registryScope_{registry_};
};

TEST_F(AssociationTest, PickingIconAndProgramThenAssociateWritesTheClassAndSaysSo) {
    test::ModalAnswer answer([this](QWidget*) {
        const QLabel& note = *window().Label7;
        EXPECT_GE(note.height(), note.heightForWidth(note.width())) << "the note is cut off";
        // Opened at the browser's folder, with nothing chosen yet.
        EXPECT_EQ(window().DirectoryListBox1->Directory(), dir_.path());
        EXPECT_EQ(window().FileListBox2->Directory(), dir_.path());
        window().Timer1Timer();
        EXPECT_FALSE(window().BitBtn1->isEnabled());

        EXPECT_TRUE(window().FileListBox1->selectItem(QStringLiteral("eye5.ico")));
        window().Timer1Timer();  // the grid loads the file and picks its first icon
        EXPECT_EQ(window().Edit4->text(), dir_.filePath("eye5.ico") + QStringLiteral(",0"));
        EXPECT_FALSE(window().BitBtn1->isEnabled());  // no program yet

        EXPECT_FALSE(window().FileListBox2->selectItem(QStringLiteral("notes")));
        EXPECT_TRUE(window().FileListBox2->selectItem(QStringLiteral("lumora")));
        window().Timer1Timer();
        window().Timer1Timer();  // the button follows on the tick after
        EXPECT_TRUE(window().BitBtn1->isEnabled());
        window().BitBtn1->click();
    });
    window().ShowModal();
    ASSERT_TRUE(answer.wasShown());

    const QString program = dir_.filePath("lumora");
    const QString icon = dir_.filePath("eye5.ico") + QStringLiteral(",0");
    EXPECT_EQ(classValue(QStringLiteral(".lss")), QStringLiteral("lss_auto_file"));
    EXPECT_EQ(classValue(QStringLiteral("lss_auto_file")), QStringLiteral("LMR98-Slideshow"));
    EXPECT_EQ(classValue(QStringLiteral("lss_auto_file\\DefaultIcon")), icon);
    EXPECT_EQ(classValue(QStringLiteral("lss_auto_file\\shell\\open\\command")),
              program + QStringLiteral(" %1"));
    EXPECT_EQ(events_,
              QStringList({QStringLiteral("registry =lss_auto_file"),
                           QStringLiteral("registry =LMR98-Slideshow"),
                           QStringLiteral("registry =") + icon,
                           QStringLiteral("registry =") + program + QStringLiteral(" %1")}));
    EXPECT_EQ(fakeDialogs().messageTexts(),
              QStringList({QStringLiteral("File-Type .lss associated with\r\n") + program +
                           QStringLiteral("\r\n")}));
    EXPECT_EQ(historyActions().mid(historyActions().size() - 1),
              QStringList({QStringLiteral("Associate Slideshows Clicked,")}));
    EXPECT_FALSE(window().isVisible());
}

TEST_F(AssociationTest, NamesFromTheSettingsAreCheckedBeforeAnythingIsWritten) {
    const QString program = dir_.filePath("lumora");
    window().Associate(QStringLiteral("..lss"), {}, QStringLiteral("d"), {}, program);
    EXPECT_EQ(classValue(QStringLiteral(".lss")), QStringLiteral("lss_auto_file"));
    EXPECT_EQ(classValue(QStringLiteral("lss_auto_file\\DefaultIcon")), QStringLiteral("-"));
    EXPECT_EQ(events_.size(), 3);

    events_.clear();
    fakeDialogs().reset();
    for (const auto& [extension, type] : {std::pair{QStringLiteral(".l/ss"), QString()},
                                          {QStringLiteral(".lss"), QStringLiteral("lss file")},
                                          {QStringLiteral(".lss\n[x]"), QString()}}) {
        window().Associate(extension, type, QStringLiteral("d"), {}, program);
    }
    EXPECT_TRUE(events_.isEmpty());
    EXPECT_EQ(fakeDialogs().messageTexts(),
              QStringList(3, QStringLiteral("Invalid extension or type name")));

    // Nothing to associate: no message at all.
    fakeDialogs().reset();
    window().Associate(QStringLiteral("..."), {}, {}, {}, program);
    window().Associate(QStringLiteral(".lss"), {}, {}, {}, {});
    EXPECT_TRUE(events_.isEmpty());
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

TEST_F(AssociationTest, EscapeCancelsAndRecordsAndComingBackFromABoxKeepsTheBrowsedFolder) {
    test::ModalAnswer answer([this](QWidget*) {
        window().DirectoryListBox1->setDirectory(QStringLiteral("/"));
        // Activated again, as after one of our own message boxes.
        QApplication::setActiveWindow(nullptr);
        QApplication::setActiveWindow(&window());
        EXPECT_TRUE(window().isActiveWindow());
        EXPECT_EQ(window().DirectoryListBox1->Directory(), QStringLiteral("/"));
        // Escape is the Cancel button.
        QTest::keyClick(window().focusWidget() ? window().focusWidget() : &window(),
                        Qt::Key_Escape);
    });
    window().ShowModal();
    ASSERT_TRUE(answer.wasShown());
    EXPECT_EQ(historyActions().mid(historyActions().size() - 1),
              QStringList({QStringLiteral("Cancel Association Clicked,")}));
    EXPECT_TRUE(registry_.hive.value(RegistryRoot::ClassesRoot, QStringLiteral(".lss"), {}) ==
                std::nullopt);
}

}  // namespace
}  // namespace lumora
