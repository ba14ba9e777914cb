// The main window's menus, toolbar and pop-up menus, and the one table that
// connects every command to its handler.
#include "app/main_window.h"

#include "settings/favorite_folders.h"
#include "shell/icon_list_box.h"
#include "ui/file_list_box.h"
#include "ui/picture_view.h"
#include "ui/toolbar_glyphs.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace lumora {
namespace {

// A menu and the item that opens it both carry the design name.
QMenu* namedMenu(QMenu* menu, const char* name) {
    named(menu->menuAction(), name);
    return named(menu, name);
}

}  // namespace

QAction* TForm1::action(QMenu* menu, const char* name, const QString& caption,
                        const QKeySequence& shortcut) {
    auto* item = named(new QAction(caption, this), name);
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
    auto menu = [bar](const char* name, const QString& caption) {
        return namedMenu(bar->addMenu(caption), name);
    };
    auto submenu = [](QMenu* parent, const char* name, const QString& caption) {
        return namedMenu(parent->addMenu(caption), name);
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
    favoriteItems = makeFavoriteItems(Favorites1, this);
    for (QAction* item : favoriteItems)
        addAction(item);  // as every item of the window's menus

    Help1 = menu("Help1", QStringLiteral("&Help"));
    Help2 = action(Help1, "Help2", QStringLiteral("Help"), QKeySequence(Qt::Key_F1));
    Associate1 = action(Help1, "Associate1", QStringLiteral("Associate"));
    Help1->addSeparator();
    About1 = action(Help1, "About1", QStringLiteral("About"));
}

QToolButton* TForm1::toolButton(const char* name, const QString& hint, int glyph) {
    auto* button = named(new QToolButton(this), name);
    button->setToolTip(hint);
    button->setAccessibleName(hint);  // a glyph alone says nothing to a screen reader
    button->setAutoRaise(true);
    button->setIcon(toolbarGlyph(glyph));
    return button;
}

void TForm1::buildToolbar() {
    Toolbar971 = named(new QToolBar(QStringLiteral("Toolbar"), this), "Toolbar971");
    Toolbar971->setIconSize(QSize(20, 20));
    addToolBar(Qt::TopToolBarArea, Toolbar971);

    copy = toolButton("copy", QStringLiteral("Copy"), 0);
    move_ = toolButton("move", QStringLiteral("Move"), 1);
    delete_ = toolButton("delete", QStringLiteral("Delete"), 2);
    closeimage = toolButton("closeimage", QStringLiteral("Close File"), 3);
    execute = toolButton("execute", QStringLiteral("Open"), 4);
    reload = toolButton("reload", QStringLiteral("Reload"), 5);
    mplayer = toolButton("mplayer", QStringLiteral("Mediaplayer"), 6);
    mplayer->setCheckable(true);
    ToolbarButton971 = toolButton("ToolbarButton971", QStringLiteral("Mixer"), 7);
    ToolbarButton972 = toolButton("ToolbarButton972", QStringLiteral("Stretch Images"), 8);
    ToolbarButton972->setCheckable(true);
    fullscreen = toolButton("fullscreen", QStringLiteral("Fullscreen"), 9);
    createslideshow = toolButton("createslideshow", QStringLiteral("Create/Edit Slideshow"), 10);
    openslideshow = toolButton("openslideshow", QStringLiteral("Open & Play Slideshow"), 11);
    ToolbarButton977 = toolButton("ToolbarButton977", QStringLiteral("Favorites"), 12);
    options = toolButton("options", QStringLiteral("Preferences"), 13);
    default_ = toolButton("default", QStringLiteral("Set Default Browser positions"), 14);

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

void TForm1::buildPopupMenus() {
    PopupMenu2 = named(new QMenu(this), "PopupMenu2");
    Unstretch1 = action(PopupMenu2, "Unstretch1", QStringLiteral("(Un)stretch"));
    Full1 = action(PopupMenu2, "Full1", QStringLiteral("Fullscreen"));
    PopupMenu2->addSeparator();
    Copy2 = action(PopupMenu2, "Copy2", QStringLiteral("Copy"));
    Move2 = action(PopupMenu2, "Move2", QStringLiteral("Move"));
    Delete2 = action(PopupMenu2, "Delete2", QStringLiteral("Delete"));
    PopupMenu2->addSeparator();
    Wallpaper2 = namedMenu(PopupMenu2->addMenu(QStringLiteral("Wallpaper")), "Wallpaper2");
    Normal2 = action(Wallpaper2, "Normal2", QStringLiteral("Normal"));
    Tiled2 = action(Wallpaper2, "Tiled2", QStringLiteral("Tiled"));
    None2 = action(Wallpaper2, "None2", QStringLiteral("None"));
    Open2 = namedMenu(PopupMenu2->addMenu(QStringLiteral("Open")), "Open2");
    AssociatedProgram2 = action(Open2, "AssociatedProgram2", QStringLiteral("Associated Program"));
    jpg->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(jpg, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu2->popup(jpg->mapToGlobal(at)); });

    PopupMenu3 = named(new QMenu(this), "PopupMenu3");
    Info1 = action(PopupMenu3, "Info1", QStringLiteral("Info"));
    FileListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FileListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu3->popup(FileListBox1->mapToGlobal(at)); });
}

void TForm1::buildTrayMenu() {
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    Show1 = action(PopupMenu1, "Show1", QStringLiteral("Show"));
    Preferences2 = action(PopupMenu1, "Preferences2", QStringLiteral("Preferences"));
    About2 = action(PopupMenu1, "About2", QStringLiteral("About"));
    PopupMenu1->addSeparator();
    Exit2 = action(PopupMenu1, "Exit2", QStringLiteral("Exit"));
}

void TForm1::connectCommands() {
    struct Command {
        const char* name;
        void (TForm1::*handler)();
    };
    // Menu items, toolbar buttons and pop-up items that do the same run the
    // same handler.
    static constexpr Command kCommands[] = {
        // File
        {"Normal1", &TForm1::Normal1Click},
        {"Tiled1", &TForm1::Tiled1Click},
        {"None1", &TForm1::None1Click},
        {"SaveToBmp1", &TForm1::SaveToBmp1Click},
        {"ExtractIcon1", &TForm1::ExtractIcon1Click},
        {"Info2", &TForm1::Info2Click},
        {"AssociatedProgram1", &TForm1::AssociatedProgram1Click},
        {"Exit1", &TForm1::Exit1Click},
        // Edit
        {"clipboard1", &TForm1::clipboard1Click},
        {"Copy1", &TForm1::copyClick},
        {"Move1", &TForm1::moveClick},
        {"Delete1", &TForm1::deleteClick},
        {"Close1", &TForm1::Close1Click},
        {"Reload1", &TForm1::Reload1Click},
        {"Preferences1", &TForm1::Preferences1Click},
        // View
        {"Mediaplayer1", &TForm1::Mediaplayer1Click},
        {"Mixer1", &TForm1::Mixer1Click},
        {"StretchImages1", &TForm1::StretchImages1Click},
        {"FullScreen1", &TForm1::FullScreen1Click},
        {"RefreshBrowser1", &TForm1::RefreshBrowser1Click},
        {"Links1", &TForm1::Links1Click},
        {"DefaultBrowserPosition1", &TForm1::defaultClick},
        {"HistoryList1", &TForm1::HistoryList1Click},
        // Filter
        {"EasyFilter1", &TForm1::EasyFilter1Click},
        {"SetupOwnFilter1", &TForm1::SetupOwnFilter1Click},
        {"ShowAllFiles1", &TForm1::ShowAllFiles1Click},
        {"SupportedFiles1", &TForm1::SupportedFiles1Click},
        {"Images1", &TForm1::Images1Click},
        {"Wavs1", &TForm1::Wavs1Click},
        {"Videos1", &TForm1::Videos1Click},
        {"Midi1", &TForm1::Midi1Click},
        {"Icons1", &TForm1::Icons1Click},
        {"eigen1", &TForm1::eigen1Click},
        {"eigen2", &TForm1::eigen2Click},
        {"eigen3", &TForm1::eigen3Click},
        {"eigen4", &TForm1::eigen4Click},
        {"eigen5", &TForm1::eigen5Click},
        // Slideshow
        {"Create1", &TForm1::Create1Click},
        {"OpenandPlay1", &TForm1::OpenandPlay1Click},
        {"QuickSlideshow1", &TForm1::QuickSlideshow1Click},
        // Favorites
        {"Folder2", &TForm1::Folder2Click},
        {"Slideshow3", &TForm1::Slideshow3Click},
        {"f1", &TForm1::f1Click},
        {"f2", &TForm1::f2Click},
        {"f3", &TForm1::f3Click},
        {"f4", &TForm1::f4Click},
        {"f5", &TForm1::f5Click},
        {"f6", &TForm1::f6Click},
        {"f7", &TForm1::f7Click},
        {"f8", &TForm1::f8Click},
        {"f9", &TForm1::f9Click},
        {"f10", &TForm1::f10Click},
        {"f11", &TForm1::f11Click},
        {"f12", &TForm1::f12Click},
        {"f13", &TForm1::f13Click},
        {"f14", &TForm1::f14Click},
        {"f15", &TForm1::f15Click},
        {"f16", &TForm1::f16Click},
        {"f17", &TForm1::f17Click},
        {"f18", &TForm1::f18Click},
        {"f19", &TForm1::f19Click},
        {"f20", &TForm1::f20Click},
        // Help
        {"Help2", &TForm1::Help2Click},
        {"Associate1", &TForm1::Associate1Click},
        {"About1", &TForm1::About1Click},
        // Toolbar
        {"copy", &TForm1::copyClick},
        {"execute", &TForm1::executeClick},
        {"move", &TForm1::moveClick},
        {"delete", &TForm1::deleteClick},
        {"closeimage", &TForm1::closeimageClick},
        {"reload", &TForm1::reloadClick},
        {"mplayer", &TForm1::mplayerClick},
        {"ToolbarButton971", &TForm1::Mixer1Click},
        {"ToolbarButton972", &TForm1::StretchImages1Click},
        {"createslideshow", &TForm1::createslideshowClick},
        {"openslideshow", &TForm1::openslideshowClick},
        {"fullscreen", &TForm1::FullScreen1Click},
        {"options", &TForm1::optionsClick},
        {"default", &TForm1::defaultClick},
        // Inline player bar
        {"Button1", &TForm1::Button1Click},
        {"Button2", &TForm1::Button2Click},
        {"Button3", &TForm1::Button3Click},
        {"Button4", &TForm1::Button4Click},
        {"Folder1", &TForm1::Folder1Click},
        {"Slideshow2", &TForm1::Slideshow2Click},
        // Picture pop-up
        {"Unstretch1", &TForm1::StretchImages1Click},
        {"Copy2", &TForm1::copyClick},
        {"Move2", &TForm1::moveClick},
        {"Delete2", &TForm1::deleteClick},
        {"Full1", &TForm1::Full1Click},
        {"Normal2", &TForm1::Normal1Click},
        {"Tiled2", &TForm1::Tiled1Click},
        {"None2", &TForm1::None1Click},
        {"AssociatedProgram2", &TForm1::AssociatedProgram2Click},
        // File list pop-up
        {"Info1", &TForm1::Info1Click},
        // Tray
        {"Show1", &TForm1::Show1Click},
        {"Preferences2", &TForm1::Preferences2Click},
        {"About2", &TForm1::About2Click},
        {"Exit2", &TForm1::Exit2Click},
    };
    for (const Command& command : kCommands)
        connectCommand(this, command.name, command.handler);
    connectHandler(FileListBox1, &TFileListBox::DblClick, this, &TForm1::FileListBox1DblClick);
    connectHandler(IconListBox1, &TIconListBox::Click, this, &TForm1::IconListBox1Click);
    connectHandler(IconListBox1, &TIconListBox::DblClick, this, &TForm1::IconListBox1DblClick);
    connectHandler(IconListBox1, &TIconListBox::OnFileChanged, this,
                   &TForm1::IconListBox1FileChanged);
}

}  // namespace lumora
