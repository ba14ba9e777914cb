#include "app/history_window.h"
#include "app/main_window.h"
#include "support/program.h"
#include "ui/brk_apart.h"
#include "ui/forms.h"

#include <QTreeWidget>

namespace lumora {
namespace {

QStringList split(const QString& text, const QString& separator, bool allowEmpty) {
    TBrkApart splitter;
    splitter.BaseString = text;
    splitter.BreakString = separator;
    splitter.AllowEmptyString = allowEmpty;
    splitter.Split();
    return splitter.StringList;
}

TEST(BrkApart, SplitsAtEverySeparator) {
    EXPECT_EQ(split(QStringLiteral("Refresh Browser,12:00:01"), QStringLiteral(","), false),
              QStringList({QStringLiteral("Refresh Browser"), QStringLiteral("12:00:01")}));
    EXPECT_EQ(split(QStringLiteral("no separator"), QStringLiteral(","), false),
              QStringList({QStringLiteral("no separator")}));
    EXPECT_EQ(split(QStringLiteral("a--b--"), QStringLiteral("--"), false),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
}

TEST(BrkApart, EmptyPiecesOnlyWhenAllowed) {
    EXPECT_EQ(split(QStringLiteral(",a,,b,"), QStringLiteral(","), false),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(
        split(QStringLiteral(",a,,b,"), QStringLiteral(","), true),
        QStringList({QString(), QStringLiteral("a"), QString(), QStringLiteral("b"), QString()}));
    EXPECT_TRUE(split(QString(), QStringLiteral(","), false).isEmpty());
    // Splitting again replaces the earlier pieces.
    TBrkApart splitter;
    splitter.BaseString = QStringLiteral("x,y");
    splitter.BreakString = QStringLiteral(",");
    splitter.Split();
    splitter.BaseString = QStringLiteral("z");
    splitter.Split();
    EXPECT_EQ(splitter.StringList, QStringList({QStringLiteral("z")}));
}

class HistoryWindowTest : public test::ProgramTest {};

TEST_F(HistoryWindowTest, ListsActionAndTimeAndIsNotDoubled) {
    TForm21& history = *forms().Form21;
    history.History = {QStringLiteral("Refresh Browser,10:00:00"),
                       QStringLiteral("Closed a,b.bmp,10:00:01")};
    for (int opening = 0; opening < 2; ++opening) {
        test::ModalAnswer answer([&](QWidget*) {
            history.FormActivate();
            ASSERT_EQ(history.ListView1->topLevelItemCount(), 2);
            EXPECT_EQ(history.ListView1->topLevelItem(0)->text(0),
                      QStringLiteral("Refresh Browser"));
            EXPECT_EQ(history.ListView1->topLevelItem(0)->text(1), QStringLiteral("10:00:00"));
            // A name with a comma: its first part is the action, the second the time.
            EXPECT_EQ(history.ListView1->topLevelItem(1)->text(0), QStringLiteral("Closed a"));
            EXPECT_EQ(history.ListView1->topLevelItem(1)->text(1), QStringLiteral("b.bmp"));
        });
        forms().Form1->HistoryList1Click();
        EXPECT_TRUE(answer.wasShown());
    }
    EXPECT_EQ(history.windowTitle(), QStringLiteral("HistoryList"));
    EXPECT_EQ(history.ListView1->headerItem()->text(0), QStringLiteral("Action"));
    EXPECT_EQ(history.ListView1->columnWidth(0), 300);
    EXPECT_EQ(history.ListView1->columnWidth(1), 102);
}

TEST_F(HistoryWindowTest, FillingStopsAtAnEmptyLine) {
    TForm21& history = *forms().Form21;
    history.History = {QStringLiteral("One,1"), QString(), QStringLiteral("Three,3")};
    history.fillListView();
    EXPECT_EQ(history.ListView1->topLevelItemCount(), 1);
}

}  // namespace
}  // namespace lumora
