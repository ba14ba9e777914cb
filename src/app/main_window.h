#pragma once

#include "app/status_panels.h"
#include "platform/dialogs.h"
#include "platform/mci.h"
#include "platform/taskbar.h"
#include "settings/favorite_folders.h"
#include "shell/wallpaper_changer.h"
#include "slideshow/quick_slideshow_walk.h"
#include "ui/form.h"

#include <QImage>
#include <QStringList>
#include <array>
#include <chrono>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QStatusBar;
class QSystemTrayIcon;
class QTimer;
class QToolBar;
class QToolButton;

namespace lumora {

class TBrowserPanel;
class TDCAVIPlay;
class TFileListBox;
class TFormStorage;
class TFolderTree;
class TIconListBox;
class TImage;
class TPositionBar;

// A save dialog as the main window configures it.
struct TSaveDialog {
    QString DefaultExt;
    QString FileName;
    QString Filter;
    // The chosen file name, or an empty text when cancelled.
    QString Execute(QWidget* parent) const;
};

// The main window: browser on the left, preview on the right, menus, toolbar,
// status bar and tray icon, and the command table.
class TForm1 : public TMainForm {
    Q_OBJECT
public:
    TForm1();

    static QString applicationTitle() { return QStringLiteral("Lumora 1.0.1"); }

    // --- composition
    QToolBar* Toolbar971;
    TBrowserPanel* Panel1;
    TFolderTree* directorylistbox1;
    TFileListBox* FileListBox1;
    QSplitter* WinSplit1;
    QWidget* Panel3;
    TImage* jpg;
    QWidget* Panel6;
    QWidget* VideoArea;  // Panel6 above its bar, where the video is drawn
    QWidget* Panel7;
    QPushButton* Button1;  // Play
    QPushButton* Button2;  // Pause
    QPushButton* Button3;  // Stop
    QPushButton* Button4;  // Update
    TPositionBar* Scrollbar321;
    TIconListBox* IconListBox1;
    TDCAVIPlay* DCAVIPlay1;
    QStatusBar* StatusBar1;
    TStatusPanels StatusPanels;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLabel* Image1;
    QTimer* Timer1;
    QTimer* qstimer;
    // Inactive, Interval 2000; it decodes pictures as the preview shows them.
    TWallPaperChanger* wallpaper = new TWallPaperChanger(&TForm1::decodeWallpaperPicture, this);
    QSystemTrayIcon* tray;
    TNoTask NoTask1;
    TSaveDialog SaveDialog1;
    TSaveDialog SaveDialog2;
    TFormStorage* FormStorage1;

    // --- menus
    QMenu* File1;
    QMenu* Open1;
    QAction* AssociatedProgram1;
    QMenu* Wallpaper1;
    QAction* Normal1;
    QAction* Tiled1;
    QAction* None1;
    QAction* SaveToBmp1;
    QAction* ExtractIcon1;
    QAction* Info2;
    QAction* Exit1;

    QMenu* Edit1;
    QAction* clipboard1;
    QAction* Copy1;
    QAction* Move1;
    QAction* Delete1;
    QAction* Close1;
    QAction* Reload1;
    QAction* Preferences1;

    QMenu* View1;
    QAction* Mediaplayer1;
    QAction* Mixer1;
    QAction* StretchImages1;
    QAction* FullScreen1;
    QAction* RefreshBrowser1;
    QAction* DefaultBrowserPosition1;
    QAction* Links1;
    QAction* HistoryList1;

    QMenu* Filter1;
    QAction* EasyFilter1;
    QAction* ShowAllFiles1;
    QAction* SupportedFiles1;
    QAction* Images1;
    QAction* Wavs1;
    QAction* Videos1;
    QAction* Midi1;
    QAction* Icons1;
    QAction* SetupOwnFilter1;
    QAction* N21;                              // separator above the own filters
    std::array<QAction*, 5> ownFilterItems{};  // eigen1 .. eigen5

    QMenu* Slideshow1;
    QAction* Create1;
    QAction* OpenandPlay1;
    QAction* QuickSlideshow1;

    QMenu* Favorites1;
    QMenu* Organize1;
    QAction* Folder2;
    QAction* Slideshow3;
    FavoriteItems favoriteItems{};  // f1 .. f20

    QMenu* Help1;
    QAction* Help2;
    QAction* Associate1;
    QAction* About1;

    // --- toolbar, left to right
    QToolButton* copy;
    QToolButton* move_;    // object name "move"
    QToolButton* delete_;  // object name "delete"
    QToolButton* closeimage;
    QToolButton* execute;
    QToolButton* reload;
    QToolButton* mplayer;
    QToolButton* ToolbarButton971;  // mixer
    QToolButton* ToolbarButton972;  // stretch images
    QToolButton* fullscreen;
    QToolButton* createslideshow;
    QToolButton* openslideshow;
    QToolButton* ToolbarButton977;  // favorites
    QToolButton* options;
    QToolButton* default_;  // object name "default"
    QMenu* PopupMenu4;
    QAction* Folder1;
    QAction* Slideshow2;

    // The fifteen toolbar buttons in the order of the preferences' toggles.
    std::array<QToolButton*, 15> toolbarButtons() const;
    void setToolbarButtonVisible(int index, bool visible);
    bool toolbarButtonVisible(int index) const;

    // --- pop-up menus
    QMenu* PopupMenu1;  // tray
    QAction* Show1;
    QAction* Preferences2;
    QAction* About2;
    QAction* Exit2;
    QMenu* PopupMenu2;  // picture
    QAction* Unstretch1;
    QAction* Full1;
    QAction* Copy2;
    QAction* Move2;
    QAction* Delete2;
    QMenu* Wallpaper2;
    QAction* Normal2;
    QAction* Tiled2;
    QAction* None2;
    QMenu* Open2;
    QAction* AssociatedProgram2;
    QMenu* PopupMenu3;  // file list
    QAction* Info1;

    // --- private state
    unsigned savedFileType = 0;
    QString pendingStartArgument;

    static constexpr int kDefaultBrowserWidth = 185;

    // The selected file's name without its folder.
    QString selectedFileName() const;

    // === Window events and the refresh (main_window.cpp)
    void FormCreate() override;
    void FormShow() override;
    void FormActivate() override;
    // Stops the AVI view; closing always goes on.
    void FormCloseQuery(bool& canClose) override;
    // The video surfaces paint their new areas at once.
    void FormResize();
    // The preferences' OK pushes their options into this window: all but the
    // toolbar selection, which comes after the player's delay.
    void applyPreferences();
    void applyToolbarSelection();

public slots:
    void Timer1Timer();
    // Commands of the window itself: tray, help, about, exit, preferences, history.
    void Exit1Click();
    void Exit2Click();
    void Show1Click();
    void trayDblClick();
    void Help2Click();
    void HistoryList1Click();
    void Preferences1Click();
    void optionsClick();
    void Preferences2Click();
    void About1Click();
    void About2Click();

    // === Browser, filters and favourite folders (main_window_browser.cpp)
public:
    // Checks one filter item of the thirteen and clears the others.
    void checkFilterItem(QAction* item);
    // "Apply Own Filters" of the own-filter setup: the five own-filter items.
    void applyOwnFilters();
    // OK of the easy filter: the list shows that mask, "Easy Filter" checked.
    void applyEasyFilter(const QString& mask);
    // Drive capacity text of the folder listed, for status panel 0.
    static QString driveCapacityText(const QString& folder);
public slots:
    void DirectoryListBox1Change();
    void DirectoryListBox1Click();
    void RefreshBrowser1Click();
    void ShowAllFiles1Click();
    void SupportedFiles1Click();
    void Images1Click();
    void Wavs1Click();
    void Videos1Click();
    void Midi1Click();
    void Icons1Click();
    void eigen1Click();
    void eigen2Click();
    void eigen3Click();
    void eigen4Click();
    void eigen5Click();
    void defaultClick();
    void EasyFilter1Click();
    void SetupOwnFilter1Click();
    void Folder1Click();
    void Folder2Click();
    void f1Click();
    void f2Click();
    void f3Click();
    void f4Click();
    void f5Click();
    void f6Click();
    void f7Click();
    void f8Click();
    void f9Click();
    void f10Click();
    void f11Click();
    void f12Click();
    void f13Click();
    void f14Click();
    void f15Click();
    void f16Click();
    void f17Click();
    void f18Click();
    void f19Click();
    void f20Click();

    // === Media player window and inline player (main_window_media.cpp)
public:
    // The inline player; it draws video into Panel6, above the bar.
    std::unique_ptr<MciDevice> MediaPlayer2;
    // The media player window is closing: its mark and button go.
    void mediaPlayerClosing();
    // The preview's sound and MPEG branches, and what every other branch and
    // Close File do to the players.
    void playSound(const QString& path);
    void playMpeg(const QString& path);
    void stopPlayers();
    void closePlayers();
    // Steps 2-3 of the refresh.
    void refreshInlinePlayer();
public slots:
    void Mediaplayer1Click();
    void mplayerClick();
    void Mixer1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Scrollbar321Scroll();

    // === Preview of the selected file (main_window_preview.cpp)
public:
    // A platform picture: BMP and ICO as bitmaps, WMF and EMF as metafiles.
    void loadPlatformPicture(const QString& path);
    // The preview of a file, as selecting it shows it; a picture already
    // decoded (by decodePreviewPicture) is shown without decoding it again.
    void previewFile(const QString& path, std::optional<QImage> decoded = std::nullopt);
    // Whether the preview shows path as a bitmap that decodePreviewPicture makes.
    static bool hasBitmapPreview(const QString& path);
    // That bitmap, made on any thread: the viewer decodes ahead with it.
    static QImage decodePreviewPicture(const QString& path);
public slots:
    void FileListBox1Click();
    void closeimageClick();
    void Close1Click();
    void reloadClick();
    void Reload1Click();
    void StretchImages1Click();
    void SaveToBmp1Click();
    void clipboard1Click();
    // The icon grid: the picked icon, and saving it as an icon file.
    void IconListBox1Click();
    void IconListBox1DblClick();
    void ExtractIcon1Click();
    void IconListBox1FileChanged();

    // === Slideshows and the full-screen viewer (main_window_slideshow.cpp)
public:
    // Work done in one tick of the quick slideshow's walk before the progress
    // window and Abort get their turn; zero examines one file a tick.
    std::chrono::nanoseconds quickWalkSlice = std::chrono::milliseconds(8);
    // The viewer asks for the next (+1) or previous (-1) picture of the list.
    void fullscreenStep(int direction);
    // Abort in the quick slideshow's progress window.
    void quickSlideshowAborted();
    // The first activation's work for a start argument: a folder is browsed,
    // a file the preview shows is selected and previewed; any other file is a
    // slideshow, read into the open-slideshow dialog and played through its
    // Open. A file that cannot be read is reported in the default error box.
    void playStartArgument();
    // A start argument larger than this is no slideshow.
    static constexpr qint64 kMaxStartArgumentSize = 16 * 1024 * 1024;
public slots:
    void Create1Click();
    void createslideshowClick();
    void OpenandPlay1Click();
    void openslideshowClick();
    void Slideshow3Click();
    void Slideshow2Click();
    void QuickSlideshow1Click();
    void qstimerTimer();
    void FullScreen1Click();
    void Full1Click();

    // === File operations (main_window_files.cpp)
public:
    // A picture as the preview shows it, metafiles drawn at their own size.
    static QImage decodeWallpaperPicture(const QString& path);
public slots:
    void copyClick();
    void moveClick();
    void deleteClick();
    void Normal1Click();
    void Tiled1Click();
    void None1Click();
    void Info1Click();
    void Info2Click();
    void executeClick();
    void AssociatedProgram1Click();
    void AssociatedProgram2Click();
    void FileListBox1DblClick();
    void Associate1Click();
    void Links1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // No menu of toolbars: "Hide Toolbar" of the preferences shows and hides it.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    // Construction (main_window.cpp)
    void buildBrowserAndPreview();
    void buildStatusBar();
    // Opens the selected file as the desktop would (main_window_files.cpp).
    void launchSelectedFile();
    void buildTray();
    // Menus, toolbar and the table of commands (main_window_menus.cpp)
    void buildMenus();
    void buildToolbar();
    void buildPopupMenus();
    void buildTrayMenu();
    void connectCommands();
    QAction* action(QMenu* menu, const char* name, const QString& caption,
                    const QKeySequence& shortcut = {});
    QToolButton* toolButton(const char* name, const QString& hint, int glyph);
    // Browser
    void applyFilter(QAction* item, const QString& historyText, const QString& mask);
    void ownFilterClick(int number);
    // Media
    void buildInlinePlayer();
    bool inlinePlayerBusy_ = false;  // the refresh runs at the fast pace while it plays
    // Favourite folders
    void favoriteFolderClick(int number);
    // Preview
    void showOnly(QWidget* surface);
    void showPictureSize();
    // Files
    void showCopyMoveDialog(const QString& caption);
    void applyWallpaper(const QString& historyText, const QString& file, bool tiled);
    void applySelectedWallpaper(bool tiled);

    // Slideshows and the full-screen viewer
    bool selectListEntry(int index, const QString& text);
    void showWalkPosition();
    QString viewerFileAhead(int index, int direction) const;

    QuickSlideshowWalk quickWalk_;
    QString quickSavedEntry_;  // the text of the entry selected at launch

    std::array<QAction*, 15> toolbarActions_{};
    qint64 clockSecond_ = -1;  // the second the clock panel shows
    // What the rest of the refresh shows follows from these alone: while they
    // stay as they were, a tick writes nothing.
    struct RefreshInputs {
        quint64 listSerial = 0;
        int itemIndex = -2;
        QString folder;
        bool iconsVisible = false;
        QString iconIndex;
        bool pictureVisible = false;
        bool operator==(const RefreshInputs&) const = default;
    };
    RefreshInputs refreshed_;
};

}  // namespace lumora
