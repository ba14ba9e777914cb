#include "shell/links_window.h"

#include "base/file_name.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "settings/preferences_window.h"
#include "shell/change_icon_dialog.h"
#include "shell/file_copier.h"
#include "shell/icon_list_box.h"
#include "shell/shell_link.h"
#include "ui/directory_list_box.h"
#include "ui/drive_combo_box.h"
#include "ui/file_drag.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/tabbed_notebook.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include <unistd.h>

namespace lumora {
namespace {

constexpr auto kClearingSlice = std::chrono::milliseconds(8);

// The runtime's conversion of a decimal text, failing as it does.
int decimalValue(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw EError(u'\'' + text + QStringLiteral("' is not a valid integer value"));
    return value;
}

// The names of the files a list shows, in its order.
QStringList listedFiles(const TFileListBox* list) {
    QStringList names;
    for (const FileListEntry& entry : *list->Entries())
        if (!entry.directory)
            names << entry.name;
    return names;
}

}  // namespace

TForm13::TForm13() {
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("Links"));
    setDesignClientSize(563, 348);

    TabbedNotebook1 = named(new TTabbedNotebook(this), "TabbedNotebook1");
    TabbedNotebook1->addTab(buildEditPage(), QStringLiteral("Edit/View"));
    TabbedNotebook1->addTab(buildSystemPage(), QStringLiteral("System"));

    Label10 = named(
        new QLabel(QStringLiteral("You can also drag shortcuts on the window to load them"), this),
        "Label10");
    Button5 = named(new QPushButton(QStringLiteral("Close"), this), "Button5");
    // Enter in an edit or a list must not press whichever button had the focus last.
    for (QPushButton* each : findChildren<QPushButton*>())
        each->setAutoDefault(false);

    PBShellLink1 = named(new TPBShellLink(this), "PBShellLink1");
    PBShellLink2 = named(new TPBShellLink(this), "PBShellLink2");
    FileDrag1 = named(new TFileDrag(this), "FileDrag1");

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label10, 1);
    bottom->addWidget(Button5);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(TabbedNotebook1, 1);
    layout->addLayout(bottom);

    struct Command {
        const char* name;
        void (TForm13::*handler)();
    };
    static constexpr Command kCommands[] = {
        {"Button1", &TForm13::Button1Click},
        {"Button2", &TForm13::Button2Click},
        {"Button4", &TForm13::Button4Click},
        {"Button3", &TForm13::Button3Click},
        {"Office97Button1", &TForm13::Office97Button1Click},
        {"Office97Button2", &TForm13::Office97Button2Click},
        {"Office97Button3", &TForm13::Office97Button3Click},
        {"Button5", &TForm13::Button5Click},
    };
    for (const Command& command : kCommands)
        connectCommand(this, command.name, command.handler);
    connectHandler(Edit5, &QLineEdit::textChanged, this, &TForm13::Edit5Change);
    connectHandler(DriveComboBox1, &TDriveComboBox::Change, this, &TForm13::DriveComboBox1Change);
    connectHandler(DirectoryListBox1, &TDirectoryListBox::Change, this,
                   &TForm13::DirectoryListBox1Change);
    connectHandler(FileListBox2, &TFileListBox::Click, this, &TForm13::FileListBox2Click);
    connectHandler(FileListBox1, &TFileListBox::Click, this, &TForm13::FileListBox1Click);
    connectHandler(FileDrag1, &TFileDrag::OnDrop, this, &TForm13::FileDrag1Drop);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });
    // The clearings go on whether or not anything is drawn.
    Timer2 = named(new QTimer(this), "Timer2");
    Timer3 = named(new QTimer(this), "Timer3");
    for (QTimer* clearing : {Timer2, Timer3})
        clearing->setInterval(10);
    connectHandler(Timer2, &QTimer::timeout, this, &TForm13::Timer2Timer);
    connectHandler(Timer3, &QTimer::timeout, this, &TForm13::Timer3Timer);
}

QWidget* TForm13::buildEditPage() {
    auto* page = new QWidget;
    const auto field = [page]<class Control>(Control*& control, const char* controlName,
                                             QLabel*& label, const char* labelName,
                                             const char* caption) {
        control = named(new Control(page), controlName);
        control->setAccessibleName(QString::fromUtf8(caption));
        label = named(new QLabel(QString::fromUtf8(caption), page), labelName);
        label->setBuddy(control);
    };
    field(Edit5, "Edit5", Label1, "Label1", "File Name");
    field(Edit1, "Edit1", Label2, "Label2", "Description");
    field(Edit2, "Edit2", Label3, "Label3", "Working Dir");
    field(Edit3, "Edit3", Label4, "Label4", "Target");
    field(Edit4, "Edit4", Label5, "Label5", "Arguments");
    field(ComboBox1, "ComboBox1", Label6, "Label6", "Window State");
    field(HotKey1, "HotKey1", Label7, "Label7", "HotKey");
    field(Edit6, "Edit6", Label8, "Label8", "Icon File");
    field(Edit7, "Edit7", Label9, "Label9", "Icon Index");
    ComboBox1->addItems(
        {QStringLiteral("Normal"), QStringLiteral("Minimized"), QStringLiteral("Maximized")});
    HotKey1->setKeySequence(QKeySequence(Qt::CTRL | Qt::Key_A));
    // A hot key is one key with its modifiers: the box keeps the first.
    connect(HotKey1, &QKeySequenceEdit::keySequenceChanged, this, [this](const QKeySequence& keys) {
        if (keys.count() > 1)
            HotKey1->setKeySequence(QKeySequence(keys[0]));
    });
    HotKey1->installEventFilter(this);

    DriveComboBox1 = named(new TDriveComboBox(page), "DriveComboBox1");
    DirectoryListBox1 = named(new TDirectoryListBox(DriveComboBox1, page), "DirectoryListBox1");
    FileListBox2 = named(new TFileListBox(page), "FileListBox2");
    FileListBox2->setFileType(TFileListBox::ftNormal);
    FileListBox2->setMask(QStringLiteral("*.lnk"));
    FileListBox2->setAccessibleName(QStringLiteral("Shortcuts"));

    Button1 = named(new QPushButton(QStringLiteral("Read"), page), "Button1");
    Button2 = named(new QPushButton(QStringLiteral("Write"), page), "Button2");
    Button4 = named(new QPushButton(QStringLiteral("Icon"), page), "Button4");
    Button3 = named(new QPushButton(QStringLiteral("Delete"), page), "Button3");

    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(3);
    const std::pair<QLabel*, QWidget*> rows[] = {
        {Label1, Edit5},     {Label2, Edit1},   {Label3, Edit2}, {Label4, Edit3}, {Label5, Edit4},
        {Label6, ComboBox1}, {Label7, HotKey1}, {Label8, Edit6}, {Label9, Edit7},
    };
    int row = 0;
    for (const auto& [label, control] : rows) {
        fields->addWidget(label, row, 0);
        fields->addWidget(control, row++, 1);
    }
    fields->setRowStretch(row, 1);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* each : {Button1, Button2, Button4, Button3})
        buttons->addWidget(each);
    auto* browse = new QVBoxLayout;
    browse->setSpacing(3);
    browse->addWidget(DriveComboBox1);
    browse->addWidget(DirectoryListBox1, 1);
    browse->addWidget(FileListBox2, 1);
    browse->addLayout(buttons);

    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(fields, 11);
    layout->addLayout(browse, 9);
    return page;
}

QWidget* TForm13::buildSystemPage() {
    auto* page = new QWidget;
    const auto column = [page](QLabel*& text, const char* textName, const char* caption,
                               TFileListBox*& list, const char* listName, const char* mask,
                               const char* listCaption, QLabel*& count, const char* countName,
                               QPushButton*& clear, const char* clearName,
                               const char* clearCaption) {
        text = named(new QLabel(QString::fromUtf8(caption), page), textName);
        text->setWordWrap(true);
        list = named(new TFileListBox(page), listName);
        list->setFileType(TFileListBox::ftNormal);
        list->setMask(QString::fromLatin1(mask));
        list->setAccessibleName(QString::fromUtf8(listCaption));
        count = named(new QLabel(QStringLiteral("10 items"), page), countName);
        clear = named(new QPushButton(QString::fromUtf8(clearCaption), page), clearName);
        clear->setFlat(true);
        auto* layout = new QVBoxLayout;
        layout->setSpacing(3);
        layout->addWidget(text);
        layout->addWidget(list, 1);
        layout->addWidget(count);
        layout->addWidget(clear);
        return layout;
    };
    QVBoxLayout* documents =
        column(Label11, "Label11",
               "In this section you can view and clear your recently used documents list",
               FileListBox1, "FileListBox1", "*.lnk;*.pif", "Recent documents", Label13, "Label13",
               Office97Button1, "Office97Button1", "Click here to clear your documents list");
    QVBoxLayout* cookies =
        column(Label12, "Label12", "In this section you can view and clear your Cookies",
               FileListBox3, "FileListBox3", "*.txt", "Cookies", Label14, "Label14",
               Office97Button2, "Office97Button2", "Click here to clear your Cookies");

    Panel1 = named(new QFrame(page), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label15 = named(new QLabel(Panel1), "Label15");
    Label15->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* panel = new QHBoxLayout(Panel1);
    panel->setContentsMargins(4, 2, 4, 2);
    panel->addWidget(Label15);

    GroupBox1 = named(new QGroupBox(QStringLiteral("Process"), page), "GroupBox1");
    ProgressBar1 = named(new QProgressBar(GroupBox1), "ProgressBar1");
    ProgressBar1->setAccessibleName(QStringLiteral("Process"));
    ProgressBar1->setTextVisible(false);
    auto* process = new QHBoxLayout(GroupBox1);
    process->setContentsMargins(6, 2, 6, 4);
    process->addWidget(ProgressBar1);
    Office97Button3 = named(new QPushButton(QStringLiteral("Update"), page), "Office97Button3");
    Office97Button3->setFlat(true);

    auto* lists = new QHBoxLayout;
    lists->addLayout(documents);
    lists->addLayout(cookies);
    auto* progress = new QHBoxLayout;
    progress->addWidget(GroupBox1, 1);
    progress->addWidget(Office97Button3, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addLayout(lists, 1);
    layout->addWidget(Panel1);
    layout->addLayout(progress);
    return page;
}

bool TForm13::eventFilter(QObject* watched, QEvent* event) {
    // Tab and Shift+Tab leave the hot-key box as they leave any other box
    // instead of becoming the hot key.
    if (watched == HotKey1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & ~Qt::ShiftModifier);
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            focusNextPrevChild(key->key() == Qt::Key_Tab);
            return true;
        }
    }
    return TDialogForm::eventFilter(watched, event);
}

void TForm13::FormCreate() {
    FileDrag1->setEnableDrop(true);
}

void TForm13::FormShow() {
    // Done as the window shows rather than at each activation: coming back from
    // the icon picker must not move the lists away from the shortcut being edited.
    // The window is modal, so nothing changes between its showing and its activation.
    centreOnScreen(this);
    DirectoryListBox1->setDirectory(BrowserFolder);
    FileListBox2->setDirectory(BrowserFolder);
    const TForm4& preferences = *forms().Form4;
    documentsFolder_ = clearableFolder(
        preferences.Edit2->text(), QStringLiteral("c:\\windows\\recent"), QStringLiteral("Recent"));
    cookiesFolder_ =
        clearableFolder(preferences.Edit3->text(), QStringLiteral("c:\\windows\\Cookies"),
                        QStringLiteral("Cookies"));
    listFolder(FileListBox1, documentsFolder_.path);
    listFolder(FileListBox3, cookiesFolder_.path);
    for (TFileListBox* list : {FileListBox2, FileListBox1, FileListBox3})
        list->Update();
}

void TForm13::listFolder(TFileListBox* list, const QString& folder) {
    // An empty set of file types lists nothing whatever folder the list had.
    list->setFileType(folder.isEmpty() ? 0u : unsigned(TFileListBox::ftNormal));
    if (!folder.isEmpty())
        list->setDirectory(folder);
}

void TForm13::FormCloseQuery(bool&) {
    Timer2->stop();
    Timer3->stop();
    documentsClearing_.stop();
    cookiesClearing_.stop();
}

void TForm13::Timer1Timer() {
    Label13->setText(QString::number(FileListBox1->Count()) + QStringLiteral(" item(s)"));
    Label14->setText(QString::number(FileListBox3->Count()) + QStringLiteral(" item(s)"));
    const bool selected = !FileListBox2->FileName().isEmpty();
    Button1->setEnabled(selected);
    Button2->setEnabled(selected);
    Button3->setEnabled(selected);
    Button4->setEnabled(!Edit6->text().isEmpty());
}

void TForm13::Edit5Change() {
    // A name without a folder is one in the folder the list shows.
    const QString text = Edit5->text();
    PBShellLink1->setFileName(
        text.isEmpty() || text.startsWith(u'/') ? text : joinPath(FileListBox2->Directory(), text));
}

void TForm13::DriveComboBox1Change() {
    if (!DriveComboBox1->Drive().isEmpty())
        DirectoryListBox1->setDirectory(DriveComboBox1->Drive());
}

void TForm13::DirectoryListBox1Change() {
    FileListBox2->setDirectory(DirectoryListBox1->Directory());
}

void TForm13::FileListBox2Click() {
    Edit5->setText(FileListBox2->FileName());
    Edit5Change();
    Button1Click();
}

void TForm13::Button1Click() {
    AddHistoryEntry(QStringLiteral("Read Link Clicked,"));
    PBShellLink1->Read();
    Edit1->setText(PBShellLink1->Description);
    Edit2->setText(PBShellLink1->WorkingDir);
    Edit3->setText(PBShellLink1->Target);
    Edit4->setText(PBShellLink1->Arguments);
    ComboBox1->setCurrentIndex(int(PBShellLink1->WindowState()));
    HotKey1->setKeySequence(QKeySequence(PBShellLink1->HotKey()));
    Edit6->setText(PBShellLink1->FileIcon.FileName);
    Edit7->setText(QString::number(PBShellLink1->FileIcon.IconIndex));
}

void TForm13::Button2Click() {
    AddHistoryEntry(QStringLiteral("Write Link Clicked,"));
    const int iconIndex = decimalValue(Edit7->text());
    PBShellLink1->Description = Edit1->text();
    PBShellLink1->WorkingDir = Edit2->text();
    PBShellLink1->Target = Edit3->text();
    PBShellLink1->Arguments = Edit4->text();
    PBShellLink1->setWindowState(TWindowState(std::max(0, ComboBox1->currentIndex())));
    const QKeySequence keys = HotKey1->keySequence();
    PBShellLink1->setHotKey(keys.isEmpty() ? QKeyCombination() : keys[0]);
    PBShellLink1->FileIcon = {Edit6->text(), iconIndex};
    PBShellLink1->Write();
}

void TForm13::Button4Click() {
    AddHistoryEntry(QStringLiteral("Icon Link Clicked,"));
    const int iconIndex = decimalValue(Edit7->text());
    TIconDlg& picker = *forms().IconDlg;
    picker.IconFileName->setText(Edit6->text().isEmpty() ? Edit3->text() : Edit6->text());
    picker.IconListBox->setItemIndex(iconIndex);
    if (picker.ShowModal() != QDialog::Accepted)
        return;
    Edit6->setText(picker.IconFileName->text());
    Edit7->setText(QString::number(picker.IconListBox->ItemIndex()));
}

void TForm13::Button3Click() {
    if (dialogs().message(this, QStringLiteral("Confirm"),
                          QStringLiteral("Are you sure you want to delete this shortcut?"),
                          MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    // The shortcut goes, never what a link in its place points to.
    const QByteArray path = encodeFileName(FileListBox2->FileName());
    if (path.isEmpty() || path.contains('\0') || ::unlink(path.constData()) != 0)
        return;
    FileListBox2->Update();
    PBShellLink1->setFileName(QString());
    AddHistoryEntry(QStringLiteral("Delete Link Clicked,"));
}

void TForm13::loadShortcut(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = slash <= 0 ? QStringLiteral("/") : path.left(slash);
    DirectoryListBox1->setDirectory(folder);
    FileListBox2->setDirectory(folder);
    FileListBox2->selectItem(path.mid(slash + 1));
    // The dropped name itself, also one the list does not show (".lnkx", ".pif").
    Edit5->setText(path);
    Edit5Change();
    Button1Click();
}

void TForm13::FileDrag1Drop() {
    for (int i = 0; i < FileDrag1->FileCount(); ++i) {
        // Only the first four characters count, the dot included: ".lnkx" passes.
        const QString extension = FileDrag1->Extension[i];
        const QString kind = extension.isEmpty() ? QString() : (u'.' + extension).toUpper().left(4);
        if (kind != QLatin1String(".LNK") && kind != QLatin1String(".PIF")) {
            dialogs().message(this, QStringLiteral("Error"), QStringLiteral("Not a valid shortcut"),
                              MsgIcon::Error, MsgButtons::Ok);
            continue;
        }
        loadShortcut(FileDrag1->NameWithPath[i]);
    }
}

void TForm13::FileListBox1Click() {
    PBShellLink2->setFileName(FileListBox1->FileName());
    PBShellLink2->Read();
    Label15->setText(PBShellLink2->Target);
}

void TForm13::startClearing(TFileListBox* list, const ClearableFolder& clearable,
                            FolderClearing& clearing, QTimer* timer) {
    if (timer->isActive())
        return;  // one clearing of a list at a time
    const QString& folder = clearable.path;
    const QStringList names = listedFiles(list);
    if (folder.isEmpty() || names.isEmpty())
        return;
    const QString refusal = QStringLiteral("This folder cannot be cleared: ") + folder;
    if (protectedFolder(folder)) {
        dialogs().message(this, windowTitle(), refusal, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    if (!clearable.own &&
        dialogs().message(this, QStringLiteral("Confirm"),
                          QStringLiteral("Delete every listed file in ") + folder + u'?',
                          MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    // A folder that is a link, or gone since it was listed, is not entered.
    if (!clearing.start(folder, names)) {
        dialogs().message(this, windowTitle(), refusal, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    ProgressBar1->setMaximum(clearing.count());
    ProgressBar1->setValue(0);
    list->setItemIndex(0);
    timer->start();
}

void TForm13::clearingTick(TFileListBox* list, FolderClearing& clearing, QTimer* timer) {
    const bool more = clearing.step(kClearingSlice);
    if (more) {
        ProgressBar1->setValue(clearing.position());
        list->setItemIndex(clearing.position());
        return;
    }
    timer->stop();
    list->Update();
    ProgressBar1->setValue(0);
}

void TForm13::Office97Button1Click() {
    AddHistoryEntry(QStringLiteral("Clear Documents Clicked,"));
    startClearing(FileListBox1, documentsFolder_, documentsClearing_, Timer2);
}

void TForm13::Timer2Timer() {
    clearingTick(FileListBox1, documentsClearing_, Timer2);
}

void TForm13::Office97Button2Click() {
    AddHistoryEntry(QStringLiteral("Clear Cookies Clicked,"));
    startClearing(FileListBox3, cookiesFolder_, cookiesClearing_, Timer3);
}

void TForm13::Timer3Timer() {
    clearingTick(FileListBox3, cookiesClearing_, Timer3);
}

void TForm13::Office97Button3Click() {
    AddHistoryEntry(QStringLiteral("Update Links Clicked,"));
    FileListBox1->Update();
    FileListBox3->Update();
}

void TForm13::Button5Click() {
    AddHistoryEntry(QStringLiteral("Close Link Window,"));
    TabbedNotebook1->setFocus();
    Close();
}

}  // namespace lumora
