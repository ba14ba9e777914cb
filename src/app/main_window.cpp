#include "app/main_window.h"

#include "app/about_window.h"
#include "app/browser_panel.h"
#include "app/folder_tree.h"
#include "app/history_window.h"
#include "app/splash_window.h"
#include "media/avi_play.h"
#include "platform/application.h"
#include "platform/errors.h"
#include "platform/launch.h"
#include "platform/locale_format.h"
#include "platform/program_files.h"
#include "settings/favorite_folders.h"
#include "settings/form_storage.h"
#include "settings/preferences_window.h"
#include "shell/icon_list_box.h"
#include "slideshow/quick_slideshow_window.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/picture_view.h"
#include "ui/position_bar.h"
#include "ui/user_caption.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lumora {
namespace {

// The help contents page: help/ beside the program in a build tree,
// share/lumora/help/ of its prefix when installed.
QString helpContentsPage() {
    return programFile(QStringLiteral("help/index.html"),
                       QStringLiteral("share/lumora/help/index.html"));
}

}  // namespace

QString TSaveDialog::Execute(QWidget* parent) const {
    FileDialogOptions options;
    options.filter = Filter;
    options.defaultExt = DefaultExt;
    options.fileName = FileName;
    options.initialDir = QDir::currentPath();
    return chooseSaveFile(parent, options);
}

TForm1::TForm1() : NoTask1(this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Lumora 98"));

    buildMenus();
    buildToolbar();
    buildBrowserAndPreview();
    buildInlinePlayer();
    buildStatusBar();
    buildPopupMenus();
    buildTray();
    connectCommands();

    SaveDialog1.DefaultExt = QStringLiteral(".bmp");
    SaveDialog1.FileName = QStringLiteral("*.bmp");
    SaveDialog1.Filter = QStringLiteral(" [*.bmp]|*.bmp");
    SaveDialog2.DefaultExt = QStringLiteral(".ico");
    SaveDialog2.FileName = QStringLiteral("*.ico");
    SaveDialog2.Filter = QStringLiteral("icons [*.ico]|*.ico");

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });
    qstimer = named(new QTimer(this), "qstimer");
    qstimer->setInterval(10);
    connectHandler(qstimer, &QTimer::timeout, this, &TForm1::qstimerTimer);

    FormStorage1 =
        new TFormStorage(this, QStringLiteral("main window"), {QStringLiteral("Panel1.Width")});

    // Client size 622 x 444 at 175, 110.
    move(175, 110);
    resize(622, 444);
}

void TForm1::buildBrowserAndPreview() {
    WinSplit1 = named(new QSplitter(Qt::Horizontal, this), "WinSplit1");
    WinSplit1->setHandleWidth(3);
    WinSplit1->setChildrenCollapsible(false);
    WinSplit1->setStyleSheet(QStringLiteral("QSplitter#WinSplit1::handle { background: black; }"));

    Panel1 = named(new TBrowserPanel, "Panel1");
    auto* browser = named(new QSplitter(Qt::Vertical, Panel1), "BrowserSplit");
    browser->setChildrenCollapsible(false);
    directorylistbox1 = named(new TFolderTree, "directorylistbox1");
    FileListBox1 = named(new TFileListBox, "FileListBox1");
    // Files that come, go or are renamed by other programs show at once; F8 still re-reads.
    FileListBox1->setFollowChanges(true);
    browser->addWidget(directorylistbox1);
    browser->addWidget(FileListBox1);
    browser->setStretchFactor(0, 1);
    browser->setStretchFactor(1, 0);
    browser->setSizes({444 - 108, 108});
    auto* panel1Layout = new QVBoxLayout(Panel1);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    panel1Layout->addWidget(browser);

    Panel3 = named(new QWidget, "Panel3");
    Panel3->setAutoFillBackground(true);
    QPalette white = Panel3->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel3->setPalette(white);

    jpg = named(new TImage(Panel3), "jpg");

    Panel6 = named(new QWidget(Panel3), "Panel6");
    Panel6->setAutoFillBackground(true);
    QPalette black = Panel6->palette();
    black.setColor(QPalette::Window, Qt::black);
    Panel6->setPalette(black);
    VideoArea = named(new QWidget(Panel6), "VideoArea");
    Panel7 = named(new QWidget(Panel6), "Panel7");
    Panel7->setAutoFillBackground(true);
    Panel7->setPalette(black);
    Button1 = named(new QPushButton(QStringLiteral("Play"), Panel7), "Button1");
    Button2 = named(new QPushButton(QStringLiteral("Pause"), Panel7), "Button2");
    Button3 = named(new QPushButton(QStringLiteral("Stop"), Panel7), "Button3");
    Button4 = named(new QPushButton(QStringLiteral("Update"), Panel7), "Button4");
    Scrollbar321 = named(new TPositionBar(Panel7), "Scrollbar321");
    auto* bar = new QHBoxLayout(Panel7);
    bar->setContentsMargins(2, 2, 2, 2);
    for (QPushButton* b : {Button1, Button2, Button3, Button4})
        bar->addWidget(b);
    bar->addWidget(Scrollbar321, 1);
    auto* panel6Layout = new QVBoxLayout(Panel6);
    panel6Layout->setContentsMargins(0, 0, 0, 0);
    panel6Layout->setSpacing(0);
    panel6Layout->addWidget(VideoArea, 1);
    panel6Layout->addWidget(Panel7);
    Panel6->setVisible(false);

    IconListBox1 = named(new TIconListBox(Panel3), "IconListBox1");
    IconListBox1->setFrameShape(QFrame::NoFrame);
    QPalette whiteCells = IconListBox1->palette();
    whiteCells.setColor(QPalette::Base, Qt::white);
    IconListBox1->setPalette(whiteCells);
    IconListBox1->setXIcons(10);
    IconListBox1->setYIcons(20);
    IconListBox1->setEnableCaching(true);
    IconListBox1->setAccessibleName(QStringLiteral("Icons"));
    IconListBox1->setVisible(false);
    DCAVIPlay1 = named(new TDCAVIPlay(Panel3), "DCAVIPlay1");
    DCAVIPlay1->setAutoSize(false);
    DCAVIPlay1->setStartFrame(0);
    DCAVIPlay1->setStopFrame(15);
    DCAVIPlay1->setTransparent(false);
    DCAVIPlay1->setAccessibleName(QStringLiteral("Video"));
    DCAVIPlay1->setVisible(false);

    auto* surfaces = new QVBoxLayout(Panel3);
    surfaces->setContentsMargins(0, 0, 0, 0);
    for (QWidget* surface :
         {static_cast<QWidget*>(jpg), Panel6, static_cast<QWidget*>(IconListBox1),
          static_cast<QWidget*>(DCAVIPlay1)})
        surfaces->addWidget(surface);

    WinSplit1->addWidget(Panel1);
    WinSplit1->addWidget(Panel3);
    WinSplit1->setStretchFactor(0, 0);
    WinSplit1->setStretchFactor(1, 1);
    WinSplit1->setSizes({kDefaultBrowserWidth, 622 - kDefaultBrowserWidth - 3});
    setCentralWidget(WinSplit1);

    Edit2 = named(new QLineEdit(this), "Edit2");
    Edit2->setVisible(false);
    Edit3 = named(new QLineEdit(this), "Edit3");
    Edit3->setVisible(false);
    Image1 = named(new QLabel(this), "Image1");
    Image1->setVisible(false);
}

void TForm1::buildStatusBar() {
    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setSizeGripEnabled(true);
    StatusPanels.create(StatusBar1);
    setStatusBar(StatusBar1);
}

void TForm1::buildTray() {
    buildTrayMenu();
    tray = named(new QSystemTrayIcon(windowIcon(), this), "tray");
    tray->setToolTip(applicationTitle());
    tray->setContextMenu(PopupMenu1);
    connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick)
            guarded([this] { trayDblClick(); });
    });
    // Without a notification area (a bare X server) there is simply no tray icon.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        tray->show();
}

QString TForm1::selectedFileName() const {
    return QFileInfo(FileListBox1->FileName()).fileName();
}

void TForm1::FormCreate() {
    for (int i = 0; i < 4; ++i)
        StatusPanels.setText(i, QString());
    jpg->setPicture(TTempform::picture());
    savedFileType = FileListBox1->FileType();
    connectHandler(directorylistbox1, &TFolderTree::Change, this, &TForm1::DirectoryListBox1Change);
    connectHandler(FileListBox1, &TFileListBox::Click, this, &TForm1::FileListBox1Click);
    DirectoryListBox1Change();
}

void TForm1::FormShow() {
    // Without a window manager (a bare X server) no activation ever arrives;
    // the first show then does what the first activation would.
    QTimer::singleShot(0, this, [this] {
        if (becomesActiveForm(this))
            guarded([this] { FormActivate(); });
    });
}

void TForm1::FormActivate() {
    // The tree follows the list, also with a start argument: no second
    // activation may come to do it.
    directorylistbox1->setDirectory(FileListBox1->Directory());
    if (!pendingStartArgument.isEmpty())
        playStartArgument();
}

void TForm1::FormCloseQuery(bool&) {
    DCAVIPlay1->Stop();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    TMainForm::resizeEvent(event);
    guarded([this] { FormResize(); });
}

void TForm1::FormResize() {
    for (QWidget* surface : {Panel6, static_cast<QWidget*>(DCAVIPlay1)})
        if (surface->isVisible())
            surface->repaint();
}

void TForm1::Timer1Timer() {
    refreshInlinePlayer();
    // The clock changes once a second; the local time is only worked out then.
    const qint64 second = QDateTime::currentMSecsSinceEpoch() / 1000;
    if (second != clockSecond_) {
        clockSecond_ = second;
        StatusPanels.setText(3, shortDateLongTimeText(QDateTime::currentDateTime()));
    }

    RefreshInputs inputs{FileListBox1->listSerial(),
                         FileListBox1->ItemIndex(),
                         directorylistbox1->Directory(),
                         IconListBox1->isVisible(),
                         Edit2->text(),
                         jpg->isVisible()};
    if (inputs == refreshed_)
        return;
    refreshed_ = std::move(inputs);

    const QString selected = FileListBox1->FileName();
    const bool hasSelection = !selected.isEmpty();
    const QString name = QFileInfo(selected).fileName();
    if (hasSelection)
        forms().Form15->Label1->setText(name);

    QString folder = refreshed_.folder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    setWindowTitle(applicationTitle() + QStringLiteral(" - [ ") + folder + name +
                   QStringLiteral(" ]"));

    StatusPanels.setText(2, QString::number(FileListBox1->Count()) + QStringLiteral(" item(s)"));

    for (QAction* item : {Info1, Info2, SaveToBmp1, Copy1, Move1, Delete1, Normal1, Tiled1,
                          Open1->menuAction(), Reload1, FullScreen1})
        item->setEnabled(hasSelection);
    for (QToolButton* button : {copy, move_, delete_, execute, reload, fullscreen})
        button->setEnabled(hasSelection);
    ExtractIcon1->setEnabled(refreshed_.iconsVisible && !refreshed_.iconIndex.isEmpty());
    clipboard1->setEnabled(refreshed_.pictureVisible);
}

void TForm1::applyPreferences() {
    const TForm4& preferences = *forms().Form4;
    // Without a notification area nothing could bring a window back that has
    // no task-bar entry: the option stays stored and hides nothing.
    NoTask1.setHideForm(preferences.CheckBox7->isChecked() &&
                        QSystemTrayIcon::isSystemTrayAvailable());
    Toolbar971->setVisible(!preferences.CheckBox9->isChecked());
    jpg->setCenter(preferences.CheckBox11->isChecked());
    DCAVIPlay1->setTransparent(preferences.CheckBox1->isChecked());
    DCAVIPlay1->setStretch(preferences.CheckBox2->isChecked());
    DCAVIPlay1->setRepetitions(preferences.CheckBox3->isChecked() ? 0 : 1);
    DCAVIPlay1->setPlaySound(preferences.CheckBox4->isChecked());
    DCAVIPlay1->setCenter(preferences.CheckBox5->isChecked());
    const bool stretch = preferences.CheckBox6->isChecked();
    ToolbarButton972->setChecked(stretch);
    StretchImages1->setChecked(stretch);
    jpg->setStretch(stretch);
    showFavoriteFolders(favoriteItems);
}

void TForm1::applyToolbarSelection() {
    const TForm4& preferences = *forms().Form4;
    for (size_t i = 0; i < preferences.SpeedButtons.size(); ++i)
        setToolbarButtonVisible(int(i), preferences.SpeedButtons[i]->isChecked());
}

void TForm1::closeEvent(QCloseEvent* event) {
    TMainForm::closeEvent(event);
    // Closing the main window ends the program, whatever else is open.
    if (event->isAccepted())
        QCoreApplication::quit();
}

void TForm1::showEvent(QShowEvent* event) {
    TMainForm::showEvent(event);
    NoTask1.windowShown();
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::Exit2Click() {
    close();
}

void TForm1::Show1Click() {
    raise();
}

void TForm1::trayDblClick() {
    raise();
}

void TForm1::Help2Click() {
    AddHistoryEntry(QStringLiteral("Help Pressed,"));
    const QString page = helpContentsPage();
    launch().openDocument(page, {}, [page](const QString& why) {
        TApplication::showException(
            EError(QStringLiteral("No web browser showed the help page %1: %2.").arg(page, why)));
    });
}

void TForm1::HistoryList1Click() {
    forms().Form21->ListView1->clear();
    forms().Form21->ShowModal();
}

void TForm1::Preferences1Click() {
    AddHistoryEntry(QStringLiteral("Launched Options,"));
    forms().Form4->ShowModal();
}

void TForm1::optionsClick() {
    Preferences1Click();
}

void TForm1::Preferences2Click() {
    forms().Form4->ShowModal();
}

void TForm1::About1Click() {
    AddHistoryEntry(QStringLiteral("About Pressed,"));
    forms().Form11->ShowModal();
}

void TForm1::About2Click() {
    forms().Form11->ShowModal();
}

}  // namespace lumora
