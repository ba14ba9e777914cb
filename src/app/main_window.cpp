#include "app/main_window.h"

#include "app/about_window.h"
#include "app/browser_panel.h"
#include "app/file_list_box.h"
#include "app/folder_tree.h"
#include "app/forms.h"
#include "app/history.h"
#include "app/history_window.h"
#include "app/picture_view.h"
#include "platform/launch.h"
#include "platform/locale_format.h"
#include "settings/form_storage.h"
#include "settings/own_filter_window.h"
#include "settings/preferences_window.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStorageInfo>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lumora {
namespace {

constexpr int kDefaultBrowserWidth = 185;

// The help contents page, installed beside the program by the build.
QString helpContentsPage() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
}

template <class Widget>
Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

void TStatusPanels::setText(int panel, const QString& text) {
    labels[size_t(panel)]->setText(text);
}

QString TStatusPanels::text(int panel) const {
    return labels[size_t(panel)]->text();
}

QString TSaveDialog::Execute(QWidget* parent) const {
    FileDialogOptions options;
    options.filter = Filter;
    options.defaultExt = DefaultExt;
    options.fileName = FileName;
    options.initialDir = QDir::currentPath();
    return withDefaultExtension(dialogs().saveFile(parent, options), DefaultExt);
}

TForm1::TForm1() : NoTask1(this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Lumora 98"));
    setWindowIcon(QIcon(QStringLiteral(":/lumora/lumora.png")));

    buildMenus();
    buildToolbar();
    buildBrowserAndPreview();
    buildStatusBar();
    buildPopupMenus();
    buildTray();

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

    FormStorage1 =
        new TFormStorage(this, QStringLiteral("main window"), {QStringLiteral("Panel1.Width")});

    // Client size 622 x 444 at 175, 110.
    move(175, 110);
    resize(622, 444);
}

QAction* TForm1::action(QMenu* menu, const char* name, const QString& caption,
                        const QKeySequence& shortcut) {
    auto* item = new QAction(caption, this);
    item->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        item->setShortcut(shortcut);
        item->setShortcutContext(Qt::WindowShortcut);
    }
    if (menu)
        menu->addAction(item);
    addAction(item);  // shortcuts work while the menu is closed
    return item;
}

void TForm1::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto menu = [this, bar](const char* name, const QString& caption) {
        QMenu* m = named(bar->addMenu(caption), name);
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto submenu = [](QMenu* parent, const char* name, const QString& caption) {
        QMenu* m = named(parent->addMenu(caption), name);
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };

    File1 = menu("File1", QStringLiteral("&File"));
    Open1 = submenu(File1, "Open1", QStringLiteral("Open"));
    AssociatedProgram1 = action(Open1, "AssociatedProgram1", QStringLiteral("Associated Program"));
    Wallpaper1 = submenu(File1, "Wallpaper1", QStringLiteral("Wallpaper"));
    Normal1 = action(Wallpaper1, "Normal1", QStringLiteral("Normal"));
    Tiled1 = action(Wallpaper1, "Tiled1", QStringLiteral("Tiled"));
    None1 = action(Wallpaper1, "None1", QStringLiteral("None"));
    File1->addSeparator();
    SaveToBmp1 = action(File1, "SaveToBmp1", QStringLiteral("Save To Bmp"));
    ExtractIcon1 = action(File1, "ExtractIcon1", QStringLiteral("Extract/Save Icon"));
    Info2 = action(File1, "Info2", QStringLiteral("Info"));
    File1->addSeparator();
    Exit1 = action(File1, "Exit1", QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_X));

    Edit1 = menu("Edit1", QStringLiteral("&Edit"));
    clipboard1 = action(Edit1, "clipboard1", QStringLiteral("Copy To Clipboard"));
    Edit1->addSeparator();
    Copy1 = action(Edit1, "Copy1", QStringLiteral("Copy File"));
    Move1 = action(Edit1, "Move1", QStringLiteral("Move File"));
    Delete1 = action(Edit1, "Delete1", QStringLiteral("Delete File"));
    Edit1->addSeparator();
    Close1 = action(Edit1, "Close1", QStringLiteral("Close File"));
    Reload1 = action(Edit1, "Reload1", QStringLiteral("Reload File"), QKeySequence(Qt::Key_F5));
    Edit1->addSeparator();
    Preferences1 = action(Edit1, "Preferences1", QStringLiteral("Preferences"),
                          QKeySequence(Qt::CTRL | Qt::Key_R));

    View1 = menu("View1", QStringLiteral("&View"));
    Mediaplayer1 = action(View1, "Mediaplayer1", QStringLiteral("Mediaplayer"),
                          QKeySequence(Qt::CTRL | Qt::Key_M));
    Mediaplayer1->setCheckable(true);
    Mixer1 = action(View1, "Mixer1", QStringLiteral("Mixer"));
    View1->addSeparator();
    StretchImages1 = action(View1, "StretchImages1", QStringLiteral("Stretch Images"));
    StretchImages1->setCheckable(true);
    FullScreen1 = action(View1, "FullScreen1", QStringLiteral("Fullscreen"),
                         QKeySequence(Qt::CTRL | Qt::Key_F4));
    View1->addSeparator();
    RefreshBrowser1 = action(View1, "RefreshBrowser1", QStringLiteral("Refresh Browser"),
                             QKeySequence(Qt::Key_F8));
    DefaultBrowserPosition1 =
        action(View1, "DefaultBrowserPosition1", QStringLiteral("Default Browser Position"),
               QKeySequence(Qt::Key_F11));
    View1->addSeparator();
    Links1 = action(View1, "Links1", QStringLiteral("Links"), QKeySequence(Qt::CTRL | Qt::Key_L));
    HistoryList1 = action(View1, "HistoryList1", QStringLiteral("HistoryList"));

    Filter1 = menu("Filter1", QStringLiteral("F&ilter"));
    EasyFilter1 = action(Filter1, "EasyFilter1", QStringLiteral("Easy Filter"),
                         QKeySequence(Qt::CTRL | Qt::Key_E));
    Filter1->addSeparator();
    ShowAllFiles1 = action(Filter1, "ShowAllFiles1", QStringLiteral("Show All Files"),
                           QKeySequence(Qt::SHIFT | Qt::Key_F1));
    SupportedFiles1 = action(Filter1, "SupportedFiles1", QStringLiteral("Supported Files"),
                             QKeySequence(Qt::SHIFT | Qt::Key_F2));
    Images1 = action(Filter1, "Images1", QStringLiteral("Only Images"),
                     QKeySequence(Qt::SHIFT | Qt::Key_F3));
    Wavs1 =
        action(Filter1, "Wavs1", QStringLiteral("Only Wavs"), QKeySequence(Qt::SHIFT | Qt::Key_F4));
    Videos1 = action(Filter1, "Videos1", QStringLiteral("Only Videos"),
                     QKeySequence(Qt::SHIFT | Qt::Key_F5));
    Midi1 =
        action(Filter1, "Midi1", QStringLiteral("Only Midi"), QKeySequence(Qt::SHIFT | Qt::Key_F6));
    Icons1 = action(Filter1, "Icons1", QStringLiteral("Only Icons"),
                    QKeySequence(Qt::SHIFT | Qt::Key_F7));
    Filter1->addSeparator();
    SetupOwnFilter1 = action(Filter1, "SetupOwnFilter1", QStringLiteral("Setup Own Filter"),
                             QKeySequence(Qt::CTRL | Qt::Key_F));
    N21 = named(Filter1->addSeparator(), "N21");
    N21->setVisible(false);
    for (int k = 0; k < 5; ++k) {
        QAction* item = action(Filter1, "", QString());
        item->setObjectName(QStringLiteral("eigen%1").arg(k + 1));
        item->setVisible(false);  // captions come with "Apply Own Filters"
        ownFilterItems[size_t(k)] = item;
    }
    for (QAction* item :
         {EasyFilter1, ShowAllFiles1, SupportedFiles1, Images1, Wavs1, Videos1, Midi1, Icons1})
        item->setCheckable(true);
    for (QAction* item : ownFilterItems)
        item->setCheckable(true);
    SupportedFiles1->setChecked(true);

    Slideshow1 = menu("Slideshow1", QStringLiteral("&Slideshow"));
    Create1 =
        action(Slideshow1, "Create1", QStringLiteral("Create"), QKeySequence(Qt::CTRL | Qt::Key_C));
    OpenandPlay1 = action(Slideshow1, "OpenandPlay1", QStringLiteral("Open and Play"),
                          QKeySequence(Qt::CTRL | Qt::Key_P));
    QuickSlideshow1 = action(Slideshow1, "QuickSlideshow1", QStringLiteral("Quick Slideshow"),
                             QKeySequence(Qt::CTRL | Qt::Key_Q));

    Favorites1 = menu("Favorites1", QStringLiteral("F&avorites"));
    Organize1 = submenu(Favorites1, "Organize1", QStringLiteral("Organize"));
    Folder2 =
        action(Organize1, "Folder2", QStringLiteral("Folder"), QKeySequence(Qt::CTRL | Qt::Key_O));
    Slideshow3 = action(Organize1, "Slideshow3", QStringLiteral("Slideshow"),
                        QKeySequence(Qt::CTRL | Qt::Key_S));
    Favorites1->addSeparator();
    for (int k = 0; k < 20; ++k) {
        QAction* item = action(Favorites1, "", QStringLiteral("Empty"));
        item->setObjectName(QStringLiteral("f%1").arg(k + 1));
        item->setVisible(false);
        favoriteItems[size_t(k)] = item;
    }

    Help1 = menu("Help1", QStringLiteral("&Help"));
    Help2 = action(Help1, "Help2", QStringLiteral("Help"), QKeySequence(Qt::Key_F1));
    Associate1 = action(Help1, "Associate1", QStringLiteral("Associate"));
    Help1->addSeparator();
    About1 = action(Help1, "About1", QStringLiteral("About"));

    auto wire = [this](QAction* item, void (TForm1::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    wire(Exit1, &TForm1::Exit1Click);
    wire(Close1, &TForm1::Close1Click);
    wire(Reload1, &TForm1::Reload1Click);
    // The command toggles on the check as it was, so the automatic toggle of a
    // checkable item is undone before it runs.
    connect(StretchImages1, &QAction::triggered, this, [this](bool checked) {
        StretchImages1->setChecked(!checked);
        guarded([this] { StretchImages1Click(); });
    });
    wire(SaveToBmp1, &TForm1::SaveToBmp1Click);
    wire(clipboard1, &TForm1::clipboard1Click);
    wire(RefreshBrowser1, &TForm1::RefreshBrowser1Click);
    wire(ShowAllFiles1, &TForm1::ShowAllFiles1Click);
    wire(SupportedFiles1, &TForm1::SupportedFiles1Click);
    wire(Images1, &TForm1::Images1Click);
    wire(Wavs1, &TForm1::Wavs1Click);
    wire(Videos1, &TForm1::Videos1Click);
    wire(Midi1, &TForm1::Midi1Click);
    wire(Icons1, &TForm1::Icons1Click);
    wire(ownFilterItems[0], &TForm1::eigen1Click);
    wire(ownFilterItems[1], &TForm1::eigen2Click);
    wire(ownFilterItems[2], &TForm1::eigen3Click);
    wire(ownFilterItems[3], &TForm1::eigen4Click);
    wire(ownFilterItems[4], &TForm1::eigen5Click);
    wire(Preferences1, &TForm1::Preferences1Click);
    wire(DefaultBrowserPosition1, &TForm1::defaultClick);
    wire(HistoryList1, &TForm1::HistoryList1Click);
    wire(Help2, &TForm1::Help2Click);
    wire(About1, &TForm1::About1Click);
}

QToolButton* TForm1::toolButton(const char* name, const QString& hint, const QString& iconName,
                                int fallbackIcon) {
    auto* button = named(new QToolButton(this), name);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setIcon(QIcon::fromTheme(
        iconName, style()->standardIcon(static_cast<QStyle::StandardPixmap>(fallbackIcon))));
    return button;
}

void TForm1::buildToolbar() {
    Toolbar971 = named(new QToolBar(QStringLiteral("Toolbar"), this), "Toolbar971");
    Toolbar971->setIconSize(QSize(20, 20));
    addToolBar(Qt::TopToolBarArea, Toolbar971);

    copy = toolButton("copy", QStringLiteral("Copy"), QStringLiteral("edit-copy"),
                      QStyle::SP_FileDialogDetailedView);
    move_ = toolButton("move", QStringLiteral("Move"), QStringLiteral("go-jump"),
                       QStyle::SP_ArrowForward);
    delete_ = toolButton("delete", QStringLiteral("Delete"), QStringLiteral("edit-delete"),
                         QStyle::SP_TrashIcon);
    closeimage = toolButton("closeimage", QStringLiteral("Close File"),
                            QStringLiteral("window-close"), QStyle::SP_DialogCloseButton);
    execute = toolButton("execute", QStringLiteral("Open"), QStringLiteral("document-open"),
                         QStyle::SP_DialogOpenButton);
    reload = toolButton("reload", QStringLiteral("Reload"), QStringLiteral("view-refresh"),
                        QStyle::SP_BrowserReload);
    mplayer = toolButton("mplayer", QStringLiteral("Mediaplayer"),
                         QStringLiteral("multimedia-player"), QStyle::SP_MediaPlay);
    mplayer->setCheckable(true);
    ToolbarButton971 = toolButton("ToolbarButton971", QStringLiteral("Mixer"),
                                  QStringLiteral("audio-volume-high"), QStyle::SP_MediaVolume);
    ToolbarButton972 = toolButton("ToolbarButton972", QStringLiteral("Stretch Images"),
                                  QStringLiteral("zoom-fit-best"), QStyle::SP_TitleBarMaxButton);
    ToolbarButton972->setCheckable(true);
    fullscreen = toolButton("fullscreen", QStringLiteral("Fullscreen"),
                            QStringLiteral("view-fullscreen"), QStyle::SP_DesktopIcon);
    createslideshow = toolButton("createslideshow", QStringLiteral("Create/Edit Slideshow"),
                                 QStringLiteral("document-new"), QStyle::SP_FileDialogNewFolder);
    openslideshow = toolButton("openslideshow", QStringLiteral("Open & Play Slideshow"),
                               QStringLiteral("media-playback-start"), QStyle::SP_MediaSeekForward);
    ToolbarButton977 = toolButton("ToolbarButton977", QStringLiteral("Favorites"),
                                  QStringLiteral("bookmarks"), QStyle::SP_DirLinkIcon);
    options = toolButton("options", QStringLiteral("Preferences"),
                         QStringLiteral("preferences-system"), QStyle::SP_FileDialogContentsView);
    default_ = toolButton("default", QStringLiteral("Set Default Browser positions"),
                          QStringLiteral("view-restore"), QStyle::SP_TitleBarNormalButton);

    PopupMenu4 = named(new QMenu(this), "PopupMenu4");
    Folder1 = action(PopupMenu4, "Folder1", QStringLiteral("Folder"));
    Slideshow2 = action(PopupMenu4, "Slideshow2", QStringLiteral("Slideshow"));
    ToolbarButton977->setMenu(PopupMenu4);
    ToolbarButton977->setPopupMode(QToolButton::InstantPopup);

    const auto buttons = toolbarButtons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        toolbarActions_[i] = Toolbar971->addWidget(buttons[i]);
        if (buttons[i] == reload || buttons[i] == ToolbarButton972 || buttons[i] == openslideshow)
            Toolbar971->addSeparator();
    }

    auto wire = [this](QToolButton* button, void (TForm1::*handler)()) {
        connect(button, &QToolButton::clicked, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    wire(options, &TForm1::optionsClick);
    wire(closeimage, &TForm1::closeimageClick);
    wire(reload, &TForm1::reloadClick);
    connect(ToolbarButton972, &QToolButton::clicked, this, [this](bool checked) {
        ToolbarButton972->setChecked(!checked);
        guarded([this] { StretchImages1Click(); });
    });
    wire(default_, &TForm1::defaultClick);
}

std::array<QToolButton*, 15> TForm1::toolbarButtons() const {
    return {copy,
            move_,
            delete_,
            closeimage,
            execute,
            reload,
            mplayer,
            ToolbarButton971,
            ToolbarButton972,
            fullscreen,
            createslideshow,
            openslideshow,
            ToolbarButton977,
            options,
            default_};
}

void TForm1::setToolbarButtonVisible(int index, bool visible) {
    toolbarActions_[size_t(index)]->setVisible(visible);
}

bool TForm1::toolbarButtonVisible(int index) const {
    return toolbarActions_[size_t(index)]->isVisible();
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
    Panel7 = named(new QWidget(Panel6), "Panel7");
    Panel7->setAutoFillBackground(true);
    Panel7->setPalette(QApplication::palette());
    Button1 = named(new QPushButton(QStringLiteral("Play"), Panel7), "Button1");
    Button2 = named(new QPushButton(QStringLiteral("Pause"), Panel7), "Button2");
    Button3 = named(new QPushButton(QStringLiteral("Stop"), Panel7), "Button3");
    Button4 = named(new QPushButton(QStringLiteral("Update"), Panel7), "Button4");
    Scrollbar321 = named(new QScrollBar(Qt::Horizontal, Panel7), "Scrollbar321");
    auto* bar = new QHBoxLayout(Panel7);
    bar->setContentsMargins(2, 2, 2, 2);
    for (QPushButton* b : {Button1, Button2, Button3, Button4})
        bar->addWidget(b);
    bar->addWidget(Scrollbar321, 1);
    auto* panel6Layout = new QVBoxLayout(Panel6);
    panel6Layout->setContentsMargins(0, 0, 0, 0);
    panel6Layout->addStretch(1);
    panel6Layout->addWidget(Panel7);
    Panel6->setVisible(false);

    IconListBox1 = named(new QListWidget(Panel3), "IconListBox1");
    IconListBox1->setViewMode(QListView::IconMode);
    IconListBox1->setVisible(false);
    DCAVIPlay1 = named(new QWidget(Panel3), "DCAVIPlay1");
    DCAVIPlay1->setVisible(false);

    auto* surfaces = new QVBoxLayout(Panel3);
    surfaces->setContentsMargins(0, 0, 0, 0);
    for (QWidget* surface :
         {static_cast<QWidget*>(jpg), Panel6, static_cast<QWidget*>(IconListBox1), DCAVIPlay1})
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
    const int widths[4] = {200, 130, 100, 200};
    const Qt::Alignment alignments[4] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter,
                                         Qt::AlignCenter, Qt::AlignCenter};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(StatusBar1);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setFixedWidth(widths[i]);
        label->setAlignment(alignments[i]);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(label);
        StatusPanels.labels[size_t(i)] = label;
    }
    setStatusBar(StatusBar1);
}

void TForm1::buildPopupMenus() {
    PopupMenu2 = named(new QMenu(this), "PopupMenu2");
    Unstretch1 = action(PopupMenu2, "Unstretch1", QStringLiteral("(Un)stretch"));
    Full1 = action(PopupMenu2, "Full1", QStringLiteral("Fullscreen"));
    PopupMenu2->addSeparator();
    Copy2 = action(PopupMenu2, "Copy2", QStringLiteral("Copy"));
    Move2 = action(PopupMenu2, "Move2", QStringLiteral("Move"));
    Delete2 = action(PopupMenu2, "Delete2", QStringLiteral("Delete"));
    PopupMenu2->addSeparator();
    Wallpaper2 = named(PopupMenu2->addMenu(QStringLiteral("Wallpaper")), "Wallpaper2");
    Wallpaper2->menuAction()->setObjectName(QStringLiteral("Wallpaper2"));
    Normal2 = action(Wallpaper2, "Normal2", QStringLiteral("Normal"));
    Tiled2 = action(Wallpaper2, "Tiled2", QStringLiteral("Tiled"));
    None2 = action(Wallpaper2, "None2", QStringLiteral("None"));
    Open2 = named(PopupMenu2->addMenu(QStringLiteral("Open")), "Open2");
    Open2->menuAction()->setObjectName(QStringLiteral("Open2"));
    AssociatedProgram2 = action(Open2, "AssociatedProgram2", QStringLiteral("Associated Program"));
    connect(Unstretch1, &QAction::triggered, this,
            [this] { guarded([this] { StretchImages1Click(); }); });
    jpg->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(jpg, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu2->popup(jpg->mapToGlobal(at)); });

    PopupMenu3 = named(new QMenu(this), "PopupMenu3");
    Info1 = action(PopupMenu3, "Info1", QStringLiteral("Info"));
    FileListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FileListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu3->popup(FileListBox1->mapToGlobal(at)); });
}

void TForm1::buildTray() {
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    Show1 = action(PopupMenu1, "Show1", QStringLiteral("Show"));
    Preferences2 = action(PopupMenu1, "Preferences2", QStringLiteral("Preferences"));
    About2 = action(PopupMenu1, "About2", QStringLiteral("About"));
    PopupMenu1->addSeparator();
    Exit2 = action(PopupMenu1, "Exit2", QStringLiteral("Exit"));

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

    auto wire = [this](QAction* item, void (TForm1::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    wire(Show1, &TForm1::Show1Click);
    wire(Preferences2, &TForm1::Preferences2Click);
    wire(About2, &TForm1::About2Click);
    wire(Exit2, &TForm1::Exit2Click);
}

QString TForm1::selectedFileName() const {
    return QFileInfo(FileListBox1->FileName()).fileName();
}

void TForm1::FormCreate() {
    for (int i = 0; i < 4; ++i)
        StatusPanels.setText(i, QString());
    jpg->setPicture(QImage(QStringLiteral(":/lumora/splash.png")));
    savedFileType = FileListBox1->FileType();
    connect(directorylistbox1, &TFolderTree::Change, this,
            [this] { guarded([this] { DirectoryListBox1Change(); }); });
    connect(FileListBox1, &TFileListBox::Change, this,
            [this] { guarded([this] { FileListBox1Click(); }); });
    DirectoryListBox1Change();
}

const QString TForm1::kSupportedFilesMask = QStringLiteral(
    "*.BMP;*.ICO;*.WMF;*.EMF;*.WAV;*.MID;*.AVI;*.JPG;*.JIF;*.EXE;*.DLL;*.ICL;*.CUR;*.ANI;*.MPG;"
    "*.MPA;*.MPEG;*.DIB;*.RLE;*.TGA;*.PCX;*.JPEG");

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
                kSupportedFilesMask);
}

void TForm1::Images1Click() {
    applyFilter(Images1, QStringLiteral("Only Images Filter Activated,"),
                QStringLiteral("*.BMP;*.WMF;*.EMF;*.JPG;*.JIF;*.DIB;*.RLE;*.TGA;*.PCX;*.JPEG"));
}

void TForm1::Wavs1Click() {
    applyFilter(Wavs1, QStringLiteral("Only Wavs Filter Activated,"), QStringLiteral("*.WAV"));
}

void TForm1::Videos1Click() {
    applyFilter(Videos1, QStringLiteral("Only Videos Filter Activated,"),
                QStringLiteral("*.AVI;*.MPG;*.MPA;*.MPEG"));
}

void TForm1::Midi1Click() {
    applyFilter(Midi1, QStringLiteral("Only Midi Filter Activated,"), QStringLiteral("*.MID"));
}

void TForm1::Icons1Click() {
    applyFilter(Icons1, QStringLiteral("Only Icons Filter Activated,"),
                QStringLiteral("*.ICO;*.EXE;*.DLL;*.ICL;*.CUR;*.ANI"));
}

void TForm1::ownFilterClick(int number) {
    applyFilter(ownFilterItems[size_t(number - 1)],
                QStringLiteral("Own Filter %1 Activated,").arg(number),
                forms().Form18->filterMask(number));
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

void TForm1::FormShow() {
    // Without a window manager (a bare X server) no activation ever arrives;
    // the first show then does what the first activation would.
    QTimer::singleShot(0, this, [this] {
        if (!activatedOnce_)
            guarded([this] { FormActivate(); });
    });
}

void TForm1::FormActivate() {
    activatedOnce_ = true;
    if (!pendingStartArgument.isEmpty()) {
        // The open-slideshow window plays it (wired with that window).
        pendingStartArgument.clear();
        return;
    }
    directorylistbox1->setDirectory(FileListBox1->Directory());
}

void TForm1::FormCloseQuery(bool& canClose) {
    canClose = true;
}

void TForm1::Timer1Timer() {
    const QString selected = FileListBox1->FileName();
    const bool hasSelection = !selected.isEmpty();
    const QString name = QFileInfo(selected).fileName();

    QString folder = directorylistbox1->Directory();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    setWindowTitle(applicationTitle() + QStringLiteral(" - [ ") + folder + name +
                   QStringLiteral(" ]"));

    StatusPanels.setText(2, QString::number(FileListBox1->Count()) + QStringLiteral(" item(s)"));
    // The clock changes once a second; the local time is only worked out then.
    const qint64 second = QDateTime::currentMSecsSinceEpoch() / 1000;
    if (second != clockSecond_) {
        clockSecond_ = second;
        StatusPanels.setText(3, shortDateLongTimeText(QDateTime::currentDateTime()));
    }

    for (QAction* item : {Info1, Info2, SaveToBmp1, Copy1, Move1, Delete1, Normal1, Tiled1,
                          Open1->menuAction(), Reload1, FullScreen1})
        item->setEnabled(hasSelection);
    for (QToolButton* button : {copy, move_, delete_, execute, reload, fullscreen})
        button->setEnabled(hasSelection);
    ExtractIcon1->setEnabled(IconListBox1->isVisible() && !Edit2->text().isEmpty());
    clipboard1->setEnabled(jpg->isVisible());
}

void TForm1::resizeEvent(QResizeEvent* event) {
    TMainForm::resizeEvent(event);
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

void TForm1::defaultClick() {
    Panel1->setWidth(kDefaultBrowserWidth);
    AddHistoryEntry(QStringLiteral("Default Browser Position,"));
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
    launch().openDocument(helpContentsPage());
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
