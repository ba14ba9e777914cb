#include "settings/own_filter_window.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "settings/ini_file.h"
#include "support/fake_dialogs.h"
#include "support/layout_faults.h"
#include "support/program.h"
#include "ui/file_kinds.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/rop_win.h"
#include "ui/user_caption.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

namespace lumora {
namespace {

using test::ModalAnswer;

TForm1& main() {
    return *forms().Form1;
}
TForm18& setup() {
    return *forms().Form18;
}

void setFilter(int number, const QString& description, const QString& mask) {
    setup().descriptionEdits[size_t(number - 1)]->setText(description);
    setup().maskEdits[size_t(number - 1)]->setText(mask);
}

QStringList visibleOwnFilters() {
    QStringList shown;
    for (QAction* item : main().ownFilterItems)
        if (item->isVisible())
            shown << userCaption(item);
    return shown;
}

class OwnFilterTest : public test::ProgramTest {};

TEST_F(OwnFilterTest, StartUpAppliesTheStoredFiltersAndKeepsTheirSection) {
    // A fresh start: nothing stored, no own-filter items, no separator.
    EXPECT_TRUE(visibleOwnFilters().isEmpty());
    EXPECT_FALSE(main().N21->isVisible());
    EXPECT_EQ(
        IniFile().readSectionKeys(QStringLiteral("own filter")),
        QStringList({"Flags", "ShowCmd", "MinMaxPos", "NormPos", "Edit971_Text", "Edit9710_Text",
                     "Edit972_Text", "Edit973_Text", "Edit974_Text", "Edit975_Text", "Edit976_Text",
                     "Edit977_Text", "Edit978_Text", "Edit979_Text"}));

    // What was stored is in the menu at the next start.
    setup().show();
    setFilter(2, QStringLiteral("Only Jpeg Files"), QStringLiteral("*.jpg;*.jif;*.jpeg"));
    setup().Button1Click();
    destroyForms();
    createForms({});
    EXPECT_EQ(visibleOwnFilters(), QStringList({QStringLiteral("Only Jpeg Files")}));
    EXPECT_TRUE(main().ownFilterItems[1]->isVisible());
    EXPECT_TRUE(main().N21->isVisible());
    EXPECT_EQ(historyActions().mid(0, 3),
              QStringList({"Show All Files Filter activated,", "Supported Files Filter Activated,",
                           "Apply Own Filters Clicked,"}));
}

TEST_F(OwnFilterTest, OnlyCompleteFiltersGetAnItem) {
    setFilter(1, QStringLiteral("Only a description"), QString());
    setFilter(3, QString(), QStringLiteral("*.bmp"));
    setFilter(4, QStringLiteral("Fish & Chips"), QStringLiteral("*.fsh"));
    setup().Button1Click();
    EXPECT_EQ(visibleOwnFilters(), QStringList({QStringLiteral("Fish & Chips")}));
    EXPECT_EQ(main().ownFilterItems[3]->text(), QStringLiteral("Fish && Chips"));
    EXPECT_TRUE(main().ownFilterItems[0]->text().isEmpty());
    EXPECT_TRUE(main().N21->isVisible());

    setFilter(4, QString(), QString());
    setup().Button1Click();
    EXPECT_TRUE(visibleOwnFilters().isEmpty());
    EXPECT_FALSE(main().N21->isVisible());
}

// One rule: the item applies the mask of the last Apply, which is the mask
// stored; edits left without Apply are dropped, also at the next start.
TEST_F(OwnFilterTest, TheMaskStoredIsTheMaskTheItemApplies) {
    const auto stored = [] {
        return IniFile().readString(QStringLiteral("own filter"), QStringLiteral("Edit972_Text"),
                                    QStringLiteral("none"));
    };
    const auto applied = [] {
        main().ownFilterItems[0]->trigger();
        return main().FileListBox1->Mask();
    };
    setup().show();
    setFilter(1, QStringLiteral("Pictures"), QStringLiteral("  *.jpg  "));
    setup().Button1Click();
    EXPECT_EQ(stored(), QStringLiteral("*.jpg"));
    EXPECT_EQ(applied(), QStringLiteral("*.jpg"));
    EXPECT_TRUE(main().ownFilterItems[0]->isChecked());
    EXPECT_EQ(historyActions().last(), QStringLiteral("Own Filter 1 Activated,"));

    // Edited, then left by the close box (Escape does nothing here: no Cancel button).
    setup().show();
    setup().maskEdits[0]->setText(QStringLiteral("*.png"));
    QTest::keyClick(&setup(), Qt::Key_Escape);
    EXPECT_TRUE(setup().isVisible());
    setup().close();
    ASSERT_FALSE(setup().isVisible());
    EXPECT_EQ(stored(), QStringLiteral("*.jpg"));
    EXPECT_EQ(applied(), QStringLiteral("*.jpg"));

    // Erased but never applied, the window closed from code.
    setup().Notebook1->setCurrentIndex(0);
    test::fakeDialogs().messageAnswers.push_back(MsgResult::Yes);
    setup().BitBtn7->click();
    setup().Close();
    EXPECT_EQ(stored(), QStringLiteral("*.jpg"));
    EXPECT_EQ(applied(), QStringLiteral("*.jpg"));

    destroyForms();
    createForms({});
    EXPECT_EQ(visibleOwnFilters(), QStringList{QStringLiteral("Pictures")});
    EXPECT_EQ(applied(), QStringLiteral("*.jpg"));
}

TEST_F(OwnFilterTest, ErasingTheFilterInForceFallsBackToSupportedFiles) {
    setFilter(2, QStringLiteral("Only Jpeg Files"), QStringLiteral("*.jpg;*.jif;*.jpeg"));
    setup().Button1Click();
    main().ownFilterItems[1]->trigger();
    ASSERT_TRUE(main().ownFilterItems[1]->isChecked());

    setup().Notebook1->setCurrentIndex(1);
    test::fakeDialogs().messageAnswers.push_back(MsgResult::Yes);
    setup().BitBtn7->click();
    EXPECT_TRUE(setup().descriptionEdits[1]->text().isEmpty());
    EXPECT_TRUE(setup().maskEdits[1]->text().isEmpty());
    // The menu changes only with Apply.
    EXPECT_TRUE(main().ownFilterItems[1]->isVisible());
    setup().Button1Click();
    EXPECT_FALSE(main().ownFilterItems[1]->isVisible());
    EXPECT_FALSE(main().N21->isVisible());
    EXPECT_TRUE(main().SupportedFiles1->isChecked());
    EXPECT_EQ(main().FileListBox1->Mask(), filterMask(FilterGroup::SupportedFiles));
    EXPECT_EQ(historyActions().mid(historyActions().size() - 2),
              QStringList({"Apply Own Filters Clicked,", "Supported Files Filter Activated,"}));
}

TEST_F(OwnFilterTest, EraseAsksFirstAndNoKeepsTheFilter) {
    setFilter(3, QStringLiteral("Sounds"), QStringLiteral("*.wav"));
    setup().pageButtons[2]->click();
    EXPECT_EQ(setup().Notebook1->currentIndex(), 2);
    EXPECT_EQ(historyActions().last(), QStringLiteral("Own Filter 3 Clicked,"));
    test::fakeDialogs().messageAnswers.push_back(MsgResult::No);
    setup().BitBtn7->click();
    ASSERT_EQ(test::fakeDialogs().messages.size(), 1u);
    const auto& question = test::fakeDialogs().messages.back();
    EXPECT_EQ(question.title, QStringLiteral("Confirm"));
    EXPECT_EQ(question.text,
              QStringLiteral("Are you sure you want to delete the currently selected filter?"));
    EXPECT_EQ(question.buttons, MsgButtons::YesNo);
    EXPECT_EQ(setup().descriptionEdits[2]->text(), QStringLiteral("Sounds"));
    EXPECT_EQ(historyActions().last(), QStringLiteral("Erase Own Filter Clicked,"));
}

TEST_F(OwnFilterTest, SetupOpensWithTheFocusOnApply) {
    bool focused = false;
    ModalAnswer answer([&focused](QWidget* window) {
        EXPECT_EQ(window, &setup());
        EXPECT_EQ(window->size(), QSize(403, 220));
        focused = QApplication::focusWidget() == setup().Button1 ||
                  window->focusWidget() == setup().Button1;
        EXPECT_EQ(test::unnamedControls(window), QStringList());
        for (QString fault : test::layoutFaults(window, [](const QWidget*) { return false; }))
            ADD_FAILURE() << fault.toStdString();
    });
    main().SetupOwnFilter1->trigger();
    EXPECT_TRUE(answer.wasShown());
    EXPECT_TRUE(focused);
    EXPECT_TRUE(setup().Button1->isDefault());
    EXPECT_EQ(historyActions().at(historyActions().size() - 1),
              QStringLiteral("Setup Own Filter Activated,"));
}

TEST_F(OwnFilterTest, TheExampleGoesOnAKeyAndLetsTheMouseGo) {
    TRopWin& example = *setup().RopWin1;
    QSize size;
    QPoint place;
    bool frameless = false;
    ModalAnswer answer([&](QWidget* window) {
        ASSERT_EQ(window, &example);
        size = window->size();
        place = window->pos();
        frameless = window->windowFlags() & Qt::FramelessWindowHint;
        QTest::keyClick(window, Qt::Key_A);
        EXPECT_FALSE(window->isVisible());
    });
    setup().BitBtn6->click();
    EXPECT_TRUE(answer.wasShown());
    EXPECT_EQ(historyActions().last(), QStringLiteral("Show Filter Example Clicked,"));
    EXPECT_EQ(example.Lines().size(), 11);
    EXPECT_EQ(example.Lines().last(),
              QStringLiteral("Filters must always be seperated with ; (semi-colon)"));
    const QSize text = example.textSize();
    EXPECT_EQ(size, text + QSize(40, 30));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(place, QPoint(screen.width() / 2 - text.width() / 2,
                            screen.height() / 2 - text.height() / 2));
    EXPECT_TRUE(frameless);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    // A click ends it as well.
    ModalAnswer click([](QWidget* window) {
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_FALSE(window->isVisible());
    });
    setup().BitBtn6->click();
    EXPECT_TRUE(click.wasShown());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

}  // namespace
}  // namespace lumora
