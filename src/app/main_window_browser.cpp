// The main window's browser: folder tree and file list, the filter modes and
// the favourite folders.
#include "app/main_window.h"

#include "app/browser_panel.h"
#include "app/folder_tree.h"
#include "settings/easy_filter_window.h"
#include "settings/own_filter_window.h"
#include "settings/preferences_window.h"
#include "ui/file_kinds.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/tabbed_notebook.h"
#include "ui/user_caption.h"

#include <QAction>
#include <QStorageInfo>
#include <algorithm>

namespace lumora {

QString TForm1::driveCapacityText(const QString& folder) {
    const QStorageInfo drive(folder);
    // Byte counts are 64-bit here; an unreadable drive counts as 0.
    const qint64 total = drive.isValid() && drive.isReady() ? drive.bytesTotal() : 0;
    const qint64 free = drive.isValid() && drive.isReady() ? drive.bytesAvailable() : 0;
    return QString::number(qMax<qint64>(0, total) / 1048576) + QStringLiteral(" MB capacity.") +
           QStringLiteral(" ( ") + QString::number(qMax<qint64>(0, free) / 1048576) +
           QStringLiteral(" MB free )");
}

void TForm1::DirectoryListBox1Change() {
    const QString path = directorylistbox1->Directory();
    setWindowTitle(path);
    if (!path.isEmpty()) {
        FileListBox1->setDirectory(path);
        FileListBox1->setFileType(savedFileType);
    } else {
        // A node without a file-system path: nothing to list, the folder stays.
        FileListBox1->setFileType(0);
    }
    DirectoryListBox1Click();
}

void TForm1::DirectoryListBox1Click() {
    StatusPanels.setText(0, driveCapacityText(FileListBox1->Directory()));
}

void TForm1::RefreshBrowser1Click() {
    directorylistbox1->update();
    FileListBox1->Update();
    AddHistoryEntry(QStringLiteral("Refresh Browser,"));
}

void TForm1::checkFilterItem(QAction* item) {
    for (QAction* other :
         {EasyFilter1, ShowAllFiles1, SupportedFiles1, Images1, Wavs1, Videos1, Midi1, Icons1})
        other->setChecked(false);
    for (QAction* other : ownFilterItems)
        other->setChecked(false);
    item->setChecked(true);
}

void TForm1::applyFilter(QAction* item, const QString& historyText, const QString& mask) {
    AddHistoryEntry(historyText);
    checkFilterItem(item);
    FileListBox1->setMask(mask);
}

void TForm1::ShowAllFiles1Click() {
    applyFilter(ShowAllFiles1, QStringLiteral("Show All Files Filter activated,"),
                QStringLiteral("*.*"));
}

void TForm1::SupportedFiles1Click() {
    applyFilter(SupportedFiles1, QStringLiteral("Supported Files Filter Activated,"),
                filterMask(FilterGroup::SupportedFiles));
}

void TForm1::Images1Click() {
    applyFilter(Images1, QStringLiteral("Only Images Filter Activated,"),
                filterMask(FilterGroup::Images));
}

void TForm1::Wavs1Click() {
    applyFilter(Wavs1, QStringLiteral("Only Wavs Filter Activated,"),
                filterMask(FilterGroup::Wavs));
}

void TForm1::Videos1Click() {
    applyFilter(Videos1, QStringLiteral("Only Videos Filter Activated,"),
                filterMask(FilterGroup::Videos));
}

void TForm1::Midi1Click() {
    applyFilter(Midi1, QStringLiteral("Only Midi Filter Activated,"),
                filterMask(FilterGroup::Midi));
}

void TForm1::Icons1Click() {
    applyFilter(Icons1, QStringLiteral("Only Icons Filter Activated,"),
                filterMask(FilterGroup::Icons));
}

void TForm1::ownFilterClick(int number) {
    applyFilter(ownFilterItems[size_t(number - 1)],
                QStringLiteral("Own Filter %1 Activated,").arg(number),
                forms().Form18->appliedFilter(number).mask);
}

void TForm1::applyOwnFilters() {
    const TForm18& setup = *forms().Form18;
    for (size_t k = 0; k < ownFilterItems.size(); ++k) {
        const TForm18::OwnFilter filter = setup.appliedFilter(int(k) + 1);
        setUserCaption(ownFilterItems[k], filter.complete() ? filter.description : QString());
    }
    for (QAction* item : ownFilterItems)
        item->setVisible(!userCaption(item).isEmpty());
    // A filter that went while in force gives way to "Supported Files".
    for (QAction* item : ownFilterItems) {
        if (!item->isVisible() && item->isChecked())
            SupportedFiles1Click();
    }
    N21->setVisible(std::any_of(ownFilterItems.begin(), ownFilterItems.end(),
                                [](const QAction* item) { return item->isVisible(); }));
}

void TForm1::applyEasyFilter(const QString& mask) {
    FileListBox1->setMask(mask);
    checkFilterItem(EasyFilter1);
}

void TForm1::eigen1Click() {
    ownFilterClick(1);
}
void TForm1::eigen2Click() {
    ownFilterClick(2);
}
void TForm1::eigen3Click() {
    ownFilterClick(3);
}
void TForm1::eigen4Click() {
    ownFilterClick(4);
}
void TForm1::eigen5Click() {
    ownFilterClick(5);
}

void TForm1::defaultClick() {
    Panel1->setWidth(kDefaultBrowserWidth);
    AddHistoryEntry(QStringLiteral("Default Browser Position,"));
}

void TForm1::EasyFilter1Click() {
    AddHistoryEntry(QStringLiteral("Easy Filter Activated,"));
    forms().Form19->ShowModal();
}

void TForm1::SetupOwnFilter1Click() {
    AddHistoryEntry(QStringLiteral("Setup Own Filter Activated,"));
    forms().Form18->ShowModal();
}

void TForm1::favoriteFolderClick(int number) {
    AddHistoryEntry(QStringLiteral("Favorite Folder Pressed,"));
    // The tree goes as deep into the path as it finds folders; selecting
    // lists the folder.
    directorylistbox1->setDirectory(userCaption(favoriteItems[size_t(number - 1)]));
    DirectoryListBox1Click();
}

void TForm1::f1Click() {
    favoriteFolderClick(1);
}
void TForm1::f2Click() {
    favoriteFolderClick(2);
}
void TForm1::f3Click() {
    favoriteFolderClick(3);
}
void TForm1::f4Click() {
    favoriteFolderClick(4);
}
void TForm1::f5Click() {
    favoriteFolderClick(5);
}
void TForm1::f6Click() {
    favoriteFolderClick(6);
}
void TForm1::f7Click() {
    favoriteFolderClick(7);
}
void TForm1::f8Click() {
    favoriteFolderClick(8);
}
void TForm1::f9Click() {
    favoriteFolderClick(9);
}
void TForm1::f10Click() {
    favoriteFolderClick(10);
}
void TForm1::f11Click() {
    favoriteFolderClick(11);
}
void TForm1::f12Click() {
    favoriteFolderClick(12);
}
void TForm1::f13Click() {
    favoriteFolderClick(13);
}
void TForm1::f14Click() {
    favoriteFolderClick(14);
}
void TForm1::f15Click() {
    favoriteFolderClick(15);
}
void TForm1::f16Click() {
    favoriteFolderClick(16);
}
void TForm1::f17Click() {
    favoriteFolderClick(17);
}
void TForm1::f18Click() {
    favoriteFolderClick(18);
}
void TForm1::f19Click() {
    favoriteFolderClick(19);
}
void TForm1::f20Click() {
    favoriteFolderClick(20);
}

void TForm1::Folder2Click() {
    AddHistoryEntry(QStringLiteral("Organize Folder Pressed,"));
    forms().Form4->TabbedNotebook1->setCurrentIndex(TForm4::kFavoritesPage);
    forms().Form4->ShowModal();
}

void TForm1::Folder1Click() {
    Folder2Click();
}

}  // namespace lumora
