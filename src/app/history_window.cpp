#include "app/history_window.h"

#include "app/main_window.h"
#include "settings/own_filter_window.h"
#include "ui/forms.h"
#include "ui/history.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lumora {

TForm21::TForm21() {
    setObjectName(QStringLiteral("Form21"));
    setWindowTitle(QStringLiteral("HistoryList"));
    setDesignClientSize(427, 273);

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("History"));
    ListView1->setColumnCount(2);
    ListView1->setHeaderLabels({QStringLiteral("Action"), QStringLiteral("Time")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->setColumnWidth(0, 300);
    ListView1->setColumnWidth(1, 102);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::SelectedClicked);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListView1);

    BrkApart1.AllowEmptyString = false;
    HistoryLog::instance().attach(&History);
}

TForm21::~TForm21() {
    HistoryLog::instance().detach(&History);
}

void TForm21::FormCreate() {
    // The browser starts in "Supported Files", reached through "Show All Files".
    forms().Form1->ShowAllFiles1Click();
    forms().Form1->SupportedFiles1Click();
    // The stored own filters become the Filter menu's items.
    TForm18* ownFilters = forms().Form18;
    ownFilters->runShownOffScreen([ownFilters] { ownFilters->Button1Click(); });
}

void TForm21::FormActivate() {
    fillListView();
}

void TForm21::fillListView() {
    ListView1->clear();
    QList<QTreeWidgetItem*> items;
    for (const QString& line : History) {
        if (line.isEmpty())
            break;
        BrkApart1.BaseString = line;
        BrkApart1.BreakString = QStringLiteral(",");
        BrkApart1.Split();
        auto* item = new QTreeWidgetItem;
        item->setText(0, BrkApart1.StringList.value(0));
        item->setText(1, BrkApart1.StringList.value(1));
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        items << item;
        BrkApart1.StringList.clear();
    }
    ListView1->addTopLevelItems(items);
}

}  // namespace lumora
