#include "shell/association_window.h"

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/file_types.h"
#include "platform/registry.h"
#include "settings/form_storage.h"
#include "shell/icon_list_box.h"
#include "ui/directory_list_box.h"
#include "ui/drive_combo_box.h"
#include "ui/file_list_box.h"
#include "ui/history.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace lumora {
namespace {

const QString kIconMask = QStringLiteral("*.exe;*.icl;*.ico;*.dll");

// What the class keys and the desktop's files can carry as a name.
bool isPlainName(const QString& name) {
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
               c == u'_' || c == u'+' || c == u'-';
    });
}

QLineEdit* readOnlyEdit(QWidget* parent, const char* name) {
    auto* edit = named(new QLineEdit(parent), name);
    edit->setReadOnly(true);
    return edit;
}

}  // namespace

TForm17::TForm17() {
    setObjectName(QStringLiteral("Form17"));
    setWindowTitle(QStringLiteral("Association"));
    setDesignClientSize(627, 213);

    Edit1 = readOnlyEdit(this, "Edit1");
    Edit1->setText(QStringLiteral(".lss"));
    Edit2 = readOnlyEdit(this, "Edit2");
    Edit3 = readOnlyEdit(this, "Edit3");
    Edit3->setText(QStringLiteral("LMR98-Slideshow"));
    Edit4 = readOnlyEdit(this, "Edit4");
    Edit5 = readOnlyEdit(this, "Edit5");
    const auto label = [this](const char* name, const char* caption, QLineEdit* buddy) {
        auto* shown = named(new QLabel(QLatin1String(caption), this), name);
        shown->setBuddy(buddy);
        buddy->setAccessibleName(QString::fromLatin1(caption).chopped(2));
        return shown;
    };
    Label1 = label("Label1", "Extension :", Edit1);
    Label2 = label("Label2", "Reg-Key :", Edit2);
    Label3 = label("Label3", "Description :", Edit3);
    Label4 = label("Label4", "Icon :", Edit4);
    Label5 = label("Label5", "Program :", Edit5);
    Label7 = named(
        new QLabel(QStringLiteral("Here you can associate your created slideshows with Lumora. "
                                  "Just select an icon (I've included eye5.ico which is good to "
                                  "use) and the program (this must be lumora.exe)"),
                   this),
        "Label7");
    Label7->setWordWrap(true);

    BitBtn1 = named(new QPushButton(QStringLiteral("Associate"), this), "BitBtn1");
    BitBtn1->setEnabled(false);
    BitBtn2 = named(new QPushButton(QStringLiteral("Cancel"), this), "BitBtn2");
    setCancelButton(BitBtn2);

    TabbedNotebook1 = named(new QTabWidget(this), "TabbedNotebook1");
    TabbedNotebook1->setAccessibleName(QStringLiteral("Icon and program"));
    TabbedNotebook1->addTab(buildIconPage(), QStringLiteral("Icon"));
    TabbedNotebook1->addTab(buildProgramPage(), QStringLiteral("Program"));

    auto* fields = new QGridLayout;
    int row = 0;
    for (auto [caption, edit] : {std::pair{Label1, Edit1},
                                 {Label2, Edit2},
                                 {Label3, Edit3},
                                 {Label4, Edit4},
                                 {Label5, Edit5}}) {
        fields->addWidget(caption, row, 0);
        fields->addWidget(edit, row++, 1);
    }
    fields->addWidget(Label7, row, 0, 1, 2);
    fields->setRowStretch(row, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    fields->addLayout(buttons, row + 1, 0, 1, 2);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(fields, 2);
    layout->addWidget(TabbedNotebook1, 3);
    // The design's height was made for a smaller font: grow so the note reads whole.
    ensurePolished();
    layout->activate();
    const int shortfall = Label7->heightForWidth(Label7->width()) - Label7->height();
    if (shortfall > 0)
        setDesignClientSize(627, 213 + shortfall);

    connectCommand(this, "BitBtn1", &TForm17::BitBtn1Click);
    connectCommand(this, "BitBtn2", &TForm17::BitBtn2Click);
    connectHandler(DriveComboBox1, &TDriveComboBox::Change, this, &TForm17::DriveComboBox1Change);
    connectHandler(DirectoryListBox1, &TDirectoryListBox::Change, this,
                   &TForm17::DirectoryListBox1Change);
    connectHandler(DriveComboBox2, &TDriveComboBox::Change, this, &TForm17::DriveComboBox2Change);
    connectHandler(DirectoryListBox2, &TDirectoryListBox::Change, this,
                   &TForm17::DirectoryListBox2Change);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(16);
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });

    FormStorage1 = new TFormStorage(
        this, QStringLiteral("associate"),
        {QStringLiteral("Edit1.Text"), QStringLiteral("Edit2.Text"), QStringLiteral("Edit3.Text")});
}

QWidget* TForm17::buildIconPage() {
    auto* page = new QWidget;
    DriveComboBox1 = named(new TDriveComboBox(page), "DriveComboBox1");
    DirectoryListBox1 = named(new TDirectoryListBox(DriveComboBox1, page), "DirectoryListBox1");
    FileListBox1 = named(new TFileListBox(page), "FileListBox1");
    FileListBox1->setFileType(TFileListBox::ftNormal);
    FileListBox1->setMask(kIconMask);
    FileListBox1->setAccessibleName(QStringLiteral("Icon files"));
    IconListBox1 = named(new TIconListBox(page), "IconListBox1");
    IconListBox1->setXIcons(8);
    IconListBox1->setAccessibleName(QStringLiteral("Icons"));

    auto* grid = new QGridLayout(page);
    grid->addWidget(DriveComboBox1, 0, 0);
    grid->addWidget(DirectoryListBox1, 1, 0);
    grid->addWidget(FileListBox1, 0, 1, 2, 1);
    grid->addWidget(IconListBox1, 2, 0, 1, 2);
    return page;
}

QWidget* TForm17::buildProgramPage() {
    auto* page = new QWidget;
    DriveComboBox2 = named(new TDriveComboBox(page), "DriveComboBox2");
    DirectoryListBox2 = named(new TDirectoryListBox(DriveComboBox2, page), "DirectoryListBox2");
    FileListBox2 = named(new TFileListBox(page), "FileListBox2");
    FileListBox2->setFileType(TFileListBox::ftNormal);
    FileListBox2->setMask(kIconMask);
    FileListBox2->setListPrograms(true);
    FileListBox2->setAccessibleName(QStringLiteral("Programs"));

    auto* grid = new QGridLayout(page);
    grid->addWidget(DriveComboBox2, 0, 0);
    grid->addWidget(DirectoryListBox2, 1, 0);
    grid->addWidget(FileListBox2, 0, 1, 2, 1);
    return page;
}

void TForm17::FormShow() {
    centreOnScreen(this);
    activatedSinceShow_ = false;
    // Without a window manager no activation comes.
    FormActivate();
}

void TForm17::FormActivate() {
    // Once per opening: coming back from our own message boxes keeps what
    // the user browsed to.
    if (std::exchange(activatedSinceShow_, true))
        return;
    DirectoryListBox1->setDirectory(BrowserFolder);
    DirectoryListBox2->setDirectory(BrowserFolder);
}

void TForm17::Timer1Timer() {
    BitBtn1->setEnabled(!Edit4->text().isEmpty() && !Edit5->text().isEmpty());
    if (const QString iconFile = FileListBox1->FileName(); !iconFile.isEmpty()) {
        IconListBox1->setFileName(iconFile);
        Edit4->setText(iconFile + u',' + QString::number(IconListBox1->ItemIndex()));
    }
    if (const QString program = FileListBox2->FileName(); !program.isEmpty())
        Edit5->setText(program);
}

void TForm17::DriveComboBox1Change() {
    if (!DriveComboBox1->Drive().isEmpty())
        DirectoryListBox1->setDirectory(DriveComboBox1->Drive());
}

void TForm17::DirectoryListBox1Change() {
    FileListBox1->setDirectory(DirectoryListBox1->Directory());
}

void TForm17::DriveComboBox2Change() {
    if (!DriveComboBox2->Drive().isEmpty())
        DirectoryListBox2->setDirectory(DriveComboBox2->Drive());
}

void TForm17::DirectoryListBox2Change() {
    FileListBox2->setDirectory(DirectoryListBox2->Directory());
}

void TForm17::BitBtn1Click() {
    AddHistoryEntry(QStringLiteral("Associate Slideshows Clicked,"));
    Associate(Edit1->text(), Edit2->text(), Edit3->text(), Edit4->text(), Edit5->text());
    Close();
}

void TForm17::BitBtn2Click() {
    AddHistoryEntry(QStringLiteral("Cancel Association Clicked,"));
    done(QDialog::Rejected);
}

void TForm17::Associate(QString extension, QString typeName, const QString& description,
                        const QString& icon, const QString& program) {
    extension.remove(u'.');
    if (extension.isEmpty() || program.isEmpty())
        return;
    // Both come from the settings file and name keys and the desktop's files.
    if (!isPlainName(extension) || !isPlainName(typeName)) {
        dialogs().message(this, TApplication::Title(),
                          QStringLiteral("Invalid extension or type name"), MsgIcon::Error,
                          MsgButtons::Ok);
        return;
    }
    extension.prepend(u'.');
    if (typeName.isEmpty())
        typeName = extension.mid(1) + QStringLiteral("_auto_file");

    constexpr auto kClasses = RegistryRoot::ClassesRoot;
    Registry& classes = registry();
    classes.writeString(kClasses, extension, {}, typeName, KeyAccess::Create);
    classes.writeString(kClasses, typeName, {}, description, KeyAccess::Create);
    if (!icon.isEmpty())
        classes.writeString(kClasses, typeName + QStringLiteral("\\DefaultIcon"), {}, icon,
                            KeyAccess::Create);
    classes.writeString(kClasses, typeName + QStringLiteral("\\shell\\open\\command"), {},
                        program + QStringLiteral(" %1"), KeyAccess::Create);

    const QString failure = exportFileType({extension, typeName, description, icon, program});
    if (!failure.isEmpty()) {
        dialogs().message(
            this, TApplication::Title(),
            QStringLiteral("The desktop could not take the association:\n\n") + failure,
            MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    dialogs().message(this, TApplication::Title(),
                      QStringLiteral("File-Type ") + extension +
                          QStringLiteral(" associated with") + QStringLiteral("\r\n") + program +
                          QStringLiteral("\r\n"),
                      MsgIcon::None, MsgButtons::Ok);
}

}  // namespace lumora
