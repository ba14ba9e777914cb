#include "slideshow/favorite_slideshows_window.h"

#include "platform/application.h"
#include "settings/form_storage.h"
#include "ui/directory_list_box.h"
#include "ui/drive_combo_box.h"
#include "ui/file_list_box.h"
#include "ui/history.h"
#include "ui/list_box.h"
#include "ui/toolbar_glyphs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace lumora {

TForm20::TForm20() {
    setObjectName(QStringLiteral("Form20"));
    setWindowTitle(QStringLiteral("Favorite Slideshow"));
    setDesignClientSize(554, 226);
    buildControls();

    connectHandler(DriveComboBox1, &TDriveComboBox::Change, this, &TForm20::DriveComboBox1Change);
    connectHandler(DirectoryListBox1, &TDirectoryListBox::Change, this,
                   &TForm20::DirectoryListBox1Change);
    connectHandler(FileListBox1, &TFileListBox::doubleClicked, this,
                   &TForm20::FileListBox1DblClick);
    // "add" follows the selection however it moved.
    connectHandler(FileListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
                   &TForm20::Timer1Timer);
    connectHandler(TextListBox1, &TListBox::Click, this, &TForm20::TextListBox1Click);
    struct Command {
        const char* name;
        void (TForm20::*handler)();
    };
    static constexpr Command kCommands[] = {
        {"add", &TForm20::addClick},         {"remove", &TForm20::removeClick},
        {"moveup", &TForm20::moveupClick},   {"movedown", &TForm20::movedownClick},
        {"BitBtn1", &TForm20::BitBtn1Click},
    };
    for (const Command& command : kCommands)
        connectCommand(this, command.name, command.handler);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });

    FormStorage1 = new TFormStorage(this, QStringLiteral("slideshows"),
                                    {QStringLiteral("TextListBox1.Items")});
    DirectoryListBox1->setDirectory(FileListBox1->Directory());
}

void TForm20::buildControls() {
    Label1 = named(new QLabel(QStringLiteral("Stored Slideshows :"), this), "Label1");
    Label1->setGeometry(8, 8, 250, 16);
    // Beneath the list: it only holds the favourite last clicked.
    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit1->setAccessibleName(QStringLiteral("Selected slideshow"));
    Edit1->setGeometry(8, 26, 250, 22);
    Edit1->setVisible(false);
    TextListBox1 = named(new TListBox(this), "TextListBox1");
    TextListBox1->setAccessibleName(QStringLiteral("Stored Slideshows"));
    TextListBox1->setGeometry(8, 26, 250, 162);
    Label2 = named(new QLabel(this), "Label2");
    Label2->setGeometry(8, 196, 250, 18);

    add = glyphButton(this, "add", QStringLiteral("Add"), "list-add", QStyle::SP_ArrowLeft);
    remove = glyphButton(this, "remove", QStringLiteral("Remove"), "list-remove",
                         QStyle::SP_DialogDiscardButton);
    moveup = glyphButton(this, "moveup", QStringLiteral("Move Up"), "go-up", QStyle::SP_ArrowUp);
    movedown =
        glyphButton(this, "movedown", QStringLiteral("Move Down"), "go-down", QStyle::SP_ArrowDown);
    int y = 26;
    for (QToolButton* button : {add, remove, moveup, movedown}) {
        button->setGeometry(265, y, 26, 26);
        y += 30;
    }

    DriveComboBox1 = named(new TDriveComboBox(this), "DriveComboBox1");
    DriveComboBox1->setGeometry(298, 8, 248, 22);
    Label3 = named(new QLabel(this), "Label3");
    Label3->setGeometry(298, 34, 248, 16);
    DirectoryListBox1 = named(new TDirectoryListBox(DriveComboBox1, this), "DirectoryListBox1");
    DirectoryListBox1->setGeometry(298, 52, 122, 136);
    FileListBox1 = named(new TFileListBox(this), "FileListBox1");
    FileListBox1->setFileType(TFileListBox::ftNormal);
    FileListBox1->setMask(QStringLiteral("*.lss"));
    FileListBox1->setAccessibleName(QStringLiteral("Slideshow files"));
    FileListBox1->setGeometry(424, 52, 122, 136);

    BitBtn1 = named(new QPushButton(QStringLiteral("OK"), this), "BitBtn1");
    BitBtn1->setIcon(styleIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setGeometry(466, 194, 80, 25);
    BitBtn1->setAutoDefault(false);
}

void TForm20::FormCreate() {
    // The stored list is there before the open-slideshow dialog first copies
    // it. Read without a show: a window made now would open beneath the
    // others where no window manager raises it.
    guarded([this] { FormStorage1->restore(); });
}

void TForm20::FormShow() {
    centreOnScreen(this);
}

void TForm20::Timer1Timer() {
    Label2->setText(QStringLiteral("There are ") + QString::number(TextListBox1->count()) +
                    QStringLiteral(" slideshows in the list"));
    add->setEnabled(!FileListBox1->FileName().isEmpty());
    const bool favoriteSelected = !Edit1->text().isEmpty();
    for (QToolButton* button : {remove, moveup, movedown})
        button->setEnabled(favoriteSelected);
}

void TForm20::DriveComboBox1Change() {
    DirectoryListBox1->showChosenDrive();
}

void TForm20::DirectoryListBox1Change() {
    FileListBox1->setDirectory(DirectoryListBox1->Directory());
    Label3->setText(DirectoryListBox1->Directory());
}

void TForm20::FileListBox1DblClick() {
    addClick();
}

void TForm20::TextListBox1Click() {
    if (const QListWidgetItem* favorite = TextListBox1->currentItem())
        Edit1->setText(favorite->text());
    Timer1Timer();
}

void TForm20::addClick() {
    const QString path = FileListBox1->FileName();
    if (!path.isEmpty())
        TextListBox1->addItem(path);
    AddHistoryEntry(QStringLiteral("Added Slideshow,"));
    Timer1Timer();
}

void TForm20::removeClick() {
    const int row = TextListBox1->ItemIndex();
    if (row < 0)
        return;
    delete TextListBox1->takeItem(row);
    TextListBox1->setItemIndex(-1);
    Edit1->clear();
    AddHistoryEntry(QStringLiteral("Removed Slideshow,"));
    Timer1Timer();
}

void TForm20::moveSelectedFavorite(int step, const QString& historyText) {
    if (TextListBox1->ItemIndex() < 0)
        return;
    TextListBox1->moveSelectedItem(step, TListBox::SelectionAfterMove::StaysOnRow);
    Edit1->clear();
    AddHistoryEntry(historyText);
    Timer1Timer();
}

void TForm20::moveupClick() {
    moveSelectedFavorite(-1, QStringLiteral("Moved slideshow one space up,"));
}

void TForm20::movedownClick() {
    moveSelectedFavorite(1, QStringLiteral("Moved slideshow one space down,"));
}

void TForm20::BitBtn1Click() {
    Close();
    AddHistoryEntry(QStringLiteral("Closed Favorite Slideshow,"));
}

}  // namespace lumora
