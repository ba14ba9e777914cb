#include "shell/file_info_window.h"

#include "base/file_name.h"
#include "shell/file_index_icon.h"
#include "shell/icon_list_box.h"
#include "ui/history.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumora {
namespace {

QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// The extension with its dot; empty without one.
QString extensionOf(const QString& path) {
    const QString name = nameOf(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

// The folder without a trailing separator, but for the root itself.
QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(std::max<qsizetype>(slash, 1));
}

}  // namespace

TForm16::TForm16() {
    setObjectName(QStringLiteral("Form16"));
    setWindowTitle(QStringLiteral("Info"));
    setDesignClientSize(295, 193);

    Image1 = named(new QLabel(this), "Image1");
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setFixedSize(48, 48);
    Image1->setAccessibleName(QStringLiteral("Icon"));
    Label1 = named(new QLabel(this), "Label1");
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A file name is shown as it is, never as markup.
    Label1->setTextFormat(Qt::PlainText);
    Label2 = named(new QLabel(QStringLiteral("Type :"), this), "Label2");
    Label5 = named(new QLabel(this), "Label5");
    Label5->setTextFormat(Qt::PlainText);
    Label3 = named(new QLabel(QStringLiteral("Path :"), this), "Label3");
    // A box without a border, so the folder can be selected and copied.
    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit1->setReadOnly(true);
    Edit1->setFrame(false);
    Edit1->setAccessibleName(QStringLiteral("Path"));
    QPalette flat = Edit1->palette();
    flat.setColor(QPalette::Base, flat.color(QPalette::Window));
    Edit1->setPalette(flat);
    Label3->setBuddy(Edit1);
    Label4 = named(new QLabel(QStringLiteral("Size :"), this), "Label4");
    Label7 = named(new QLabel(this), "Label7");
    Edit2 = named(new QLineEdit(this), "Edit2");
    Edit2->setVisible(false);
    Button1 = named(new QPushButton(QStringLiteral("OK"), this), "Button1");
    Button1->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->addWidget(Image1, 0, 0);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Label5, 1, 1);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(Edit1, 2, 1);
    grid->addWidget(Label4, 3, 0);
    grid->addWidget(Label7, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    grid->addWidget(Button1, 5, 0, 1, 2, Qt::AlignHCenter);

    connectCommand(this, "Button1", &TForm16::Button1Click);
}

void TForm16::FormShow() {
    centreOnScreen(this);
    // Filled as the window shows: without a window manager no activation comes.
    FormActivate();
}

void TForm16::FormActivate() {
    TFileIndexIcon icon(standardIconPixels(this));
    icon.setFileName(FileName);
    icon.setIndex(Edit2->text().toInt());
    Edit2->setText(QString::number(icon.Index()));
    Image1->setPixmap(icon.Pixmap(devicePixelRatioF()));

    Label1->setText(nameOf(FileName));
    Label5->setText(extensionOf(FileName));
    Edit1->setText(folderOf(FileName));

    QFile file;
    const qint64 size = openRegularFile(file, FileName);
    Label7->setText(size >= 0 ? QString::number(size) + QStringLiteral(" bytes")
                              : QStringLiteral("Error while getting filesize"));
}

void TForm16::Button1Click() {
    AddHistoryEntry(QStringLiteral("Close Info Window,"));
    done(QDialog::Accepted);
}

}  // namespace lumora
