#include "settings/easy_filter_window.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "settings/ini_file.h"
#include "support/fake_dialogs.h"
#include "support/layout_faults.h"
#include "support/program.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/list_box.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace lumora {
namespace {

using test::ModalAnswer;

TForm1& main() {
    return *forms().Form1;
}
TForm19& easy() {
    return *forms().Form19;
}

class EasyFilterTest : public test::ProgramTest {
protected:
    // Opens the dialog from the Filter menu and lets `act` work in it.
    void inDialog(const std::function<void()>& act) {
        ModalAnswer answer([&act](QWidget* window) {
            ASSERT_EQ(window, &easy());
            act();
        });
        main().EasyFilter1->trigger();
        EXPECT_TRUE(answer.wasShown());
    }
    void apply(const QString& mask) {
        inDialog([mask] {
            easy().Edit1->setText(mask);
            QTest::keyClick(easy().Edit1, Qt::Key_Return);
            EXPECT_FALSE(easy().isVisible());
        });
    }
    void doubleClickEntry(int row) {
        TListBox& list = *easy().ListBox1;
        const QPoint at = list.visualItemRect(list.item(row)).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(EasyFilterTest, OkAppliesTheMaskAndMarksOnlyEasyFilter) {
    apply(QStringLiteral("*.bmp;*.jpg"));
    EXPECT_EQ(main().FileListBox1->Mask(), QStringLiteral("*.bmp;*.jpg"));
    int checked = 0;
    for (QAction* item : main().Filter1->actions())
        checked += item->isChecked() ? 1 : 0;
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(main().EasyFilter1->isChecked());
    EXPECT_EQ(easy().ListBox1->Items(), QStringList({"*.bmp;*.jpg"}));
    EXPECT_EQ(historyActions().mid(historyActions().size() - 2),
              QStringList({"Easy Filter Activated,", "OK Easy Filter Clicked,"}));
}

TEST_F(EasyFilterTest, TheMarkComesOnlyWithOk) {
    inDialog([] {
        easy().Button2->click();
        EXPECT_FALSE(easy().isVisible());
    });
    EXPECT_FALSE(main().EasyFilter1->isChecked());
    EXPECT_TRUE(main().SupportedFiles1->isChecked());
    EXPECT_EQ(historyActions().last(), QStringLiteral("Cancel Easy Filter Clicked,"));
}

TEST_F(EasyFilterTest, EnterInAnEmptyFieldSaysSoAndStays) {
    inDialog([] {
        easy().Edit1->clear();
        easy().Timer1Timer();
        EXPECT_FALSE(easy().Button1->isEnabled());
        QTest::keyClick(easy().Edit1, Qt::Key_Return);
        EXPECT_TRUE(easy().isVisible());
        easy().Edit1->setText(QStringLiteral("*.x"));
        easy().Timer1Timer();
        EXPECT_TRUE(easy().Button1->isEnabled());
        easy().Edit1->clear();
    });
    ASSERT_EQ(test::fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(test::fakeDialogs().messages[0].title, QStringLiteral("Information"));
    EXPECT_EQ(test::fakeDialogs().messages[0].text, QStringLiteral("No Filter Avaiable"));
    EXPECT_EQ(test::fakeDialogs().messages[0].icon, MsgIcon::Information);
    EXPECT_TRUE(easy().ListBox1->Items().isEmpty());
    EXPECT_FALSE(main().EasyFilter1->isChecked());
}

TEST_F(EasyFilterTest, AFilterAppliedTwiceOrDoubleClickedIsListedAgain) {
    apply(QStringLiteral("*.gif"));
    apply(QStringLiteral("*.gif"));
    EXPECT_EQ(easy().ListBox1->Items(), QStringList({"*.gif", "*.gif"}));

    inDialog([this] {
        easy().ListBox1->item(0)->setText(QStringLiteral("*.pcx"));
        doubleClickEntry(0);
        EXPECT_FALSE(easy().isVisible());
    });
    EXPECT_EQ(main().FileListBox1->Mask(), QStringLiteral("*.pcx"));
    EXPECT_EQ(easy().ListBox1->Items(), QStringList({"*.pcx", "*.gif", "*.pcx"}));
}

TEST_F(EasyFilterTest, RemoveTakesTheClickedEntry) {
    apply(QStringLiteral("*.a"));
    apply(QStringLiteral("*.b"));
    inDialog([] {
        TListBox& list = *easy().ListBox1;
        easy().Timer1Timer();
        EXPECT_FALSE(easy().Button4->isEnabled());
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(0)).center());
        EXPECT_EQ(easy().Edit2->text(), QStringLiteral("*.a"));
        easy().Timer1Timer();
        EXPECT_TRUE(easy().Button4->isEnabled());
        easy().Button4->click();
        EXPECT_TRUE(easy().Edit2->text().isEmpty());
        EXPECT_EQ(list.Items(), QStringList({"*.b"}));
        EXPECT_TRUE(easy().isVisible());
    });
    EXPECT_EQ(historyActions().mid(historyActions().size() - 2),
              QStringList({"Easy Filter Activated,", "Remove Easy Filter Clicked,"}));
}

TEST_F(EasyFilterTest, RemoveAllStaysEmptyAfterARestart) {
    apply(QStringLiteral("*.a"));
    apply(QStringLiteral("*.b"));
    inDialog([] {
        easy().Edit2->setText(QStringLiteral("*.a"));
        easy().Button3->click();
        EXPECT_TRUE(easy().ListBox1->Items().isEmpty());
        EXPECT_EQ(easy().Edit2->text(), QStringLiteral("*.a"));
        easy().Button2->click();
    });
    EXPECT_TRUE(historyActions().contains(QStringLiteral("Remove All Easy Filter Clicked,")));
    destroyForms();
    createForms({});
    inDialog([] { EXPECT_TRUE(easy().ListBox1->Items().isEmpty()); });
    EXPECT_EQ(IniFile().readString(QStringLiteral("easy filter.ListBox1_Items"),
                                   QStringLiteral("Count"), {}),
              QStringLiteral("0"));
}

TEST_F(EasyFilterTest, EveryControlIsNamedAndFits) {
    inDialog([] {
        EXPECT_EQ(test::unnamedControls(&easy()), QStringList());
        for (QString fault : test::layoutFaults(&easy(), [](const QWidget*) { return false; }))
            ADD_FAILURE() << fault.toStdString();
    });
}

}  // namespace
}  // namespace lumora
