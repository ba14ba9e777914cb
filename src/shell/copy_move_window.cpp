#include "shell/copy_move_window.h"

#include "platform/dialogs.h"
#include "shell/copy_file.h"
#include "shell/file_copier.h"
#include "ui/history.h"
#include "ui/toolbar_glyphs.h"
#include "ui/user_caption.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace lumora {
namespace {

constexpr int kFavoritesGlyph = 12;  // the main toolbar's Favorites glyph

}  // namespace

TForm3::TForm3() {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Copy"));
    setDesignClientSize(417, 125);

    Label1 = named(new QLabel(QStringLiteral("Original"), this), "Label1");
    original = named(new QLineEdit(this), "original");
    original->setReadOnly(true);
    original->setAccessibleName(QStringLiteral("Original"));
    Label1->setBuddy(original);

    Label2 = named(new QLabel(QStringLiteral("Destination"), this), "Label2");
    destination = named(new QLineEdit(this), "destination");
    destination->setAccessibleName(QStringLiteral("Destination"));
    Label2->setBuddy(destination);
    destinationBrowse = named(new QToolButton(this), "destinationBrowse");
    destinationBrowse->setText(QStringLiteral("..."));
    destinationBrowse->setToolTip(QStringLiteral("Browse"));
    destinationBrowse->setAccessibleName(QStringLiteral("Browse"));

    favorites = named(new QToolButton(this), "favorites");
    favorites->setIcon(toolbarGlyph(kFavoritesGlyph));
    favorites->setAccessibleName(QStringLiteral("Favorites"));
    favorites->setPopupMode(QToolButton::InstantPopup);
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    favoriteItems = makeFavoriteItems(PopupMenu1, this);
    favorites->setMenu(PopupMenu1);

    Label3 = named(new QLabel(QStringLiteral("Note! : only type in the directory, in the "
                                             "destination box. Eg. : c:\\windows\\desktop or c: "
                                             "without \"\\\""),
                              this),
                   "Label3");
    Label3->setWordWrap(true);

    Button1 = named(new QPushButton(QStringLiteral("OK"), this), "Button1");
    Button1->setDefault(true);
    Button1->setEnabled(false);
    Button2 = named(new QPushButton(QStringLiteral("Cancel"), this), "Button2");
    setCancelButton(Button2);

    CopyFile1 = new TCopyFile(this);
    CopyFile1->setObjectName(QStringLiteral("CopyFile1"));
    CopyFile1->Progress = true;
    CopyFile1->ShowFileNames = false;
    CopyFile1->Movefile = false;
    CopyFile1->TransferTimeDate = true;

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setVerticalSpacing(4);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(original, 0, 1, 1, 3);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(destination, 1, 1);
    grid->addWidget(destinationBrowse, 1, 2);
    grid->addWidget(favorites, 1, 3);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label3, 1);
    bottom->addWidget(Button1, 0, Qt::AlignBottom);
    bottom->addWidget(Button2, 0, Qt::AlignBottom);
    grid->addLayout(bottom, 2, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    connectCommand(this, "Button1", &TForm3::Button1Click);
    connectCommand(this, "Button2", &TForm3::Button2Click);
    connectCommand(this, "destinationBrowse", &TForm3::destinationBrowseClick);
    for (QAction* item : favoriteItems)
        connectCommand(this, qPrintable(item->objectName()),
                       [this, item] { destination->setText(userCaption(item)); });

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });
}

void TForm3::FormShow() {
    // The dialog is modal: what it shows cannot change between its showing
    // and its activation, and an X server without a window manager may never
    // activate it.
    destination->setFocus();
    favorites->setToolTip(FavoritesHint);
    favorites->setAccessibleName(FavoritesHint);
    if (windowTitle() == QLatin1String("Copy"))
        CopyFile1->Movefile = false;
    else if (windowTitle() == QLatin1String("Move"))
        CopyFile1->Movefile = true;
    original->setText(SelectedFile);
    showFavoriteFolders(favoriteItems);
}

void TForm3::Timer1Timer() {
    Button1->setEnabled(!destination->text().isEmpty());
}

void TForm3::destinationBrowseClick() {
    const QString start = destination->text().isEmpty()
                              ? BrowserFolder
                              : destinationFolder(destination->text(), BrowserFolder);
    const QString chosen = dialogs().folder(this, QStringLiteral("Destination"), start);
    if (!chosen.isEmpty())
        destination->setText(chosen);
}

void TForm3::Button1Click() {
    if (destination->text().isEmpty())
        return;  // OK is disabled then; Enter must not copy either
    const QString source = original->text();
    const QString name = fileNameOf(source);
    CopyFile1->CopyFrom = source;
    CopyFile1->CopyTo = joinPath(destinationFolder(destination->text(), BrowserFolder), name);
    CopyFile1->OnNotExists = QStringLiteral("ERROR! The file(s) does not exists!");
    CopyFile1->Progress = true;
    CopyFile1->ShowFileNames = true;
    CopyFile1->TransferTimeDate = true;
    CopyFile1->Caption = QStringLiteral("Copying..");
    CopyFile1->CopyFile();
    emit filesChanged();
    if (windowTitle() == QLatin1String("Copy"))
        AddHistoryEntry(QStringLiteral("Copied ") + name + QStringLiteral(" to") +
                        destination->text() + u',');
    else if (windowTitle() == QLatin1String("Move"))
        AddHistoryEntry(QStringLiteral("Moved ") + name + QStringLiteral(" to") +
                        destination->text() + u',');
    Close();
}

void TForm3::Button2Click() {
    AddHistoryEntry(QStringLiteral("Cancelled Favorite Folder,"));
    Close();
}

}  // namespace lumora
