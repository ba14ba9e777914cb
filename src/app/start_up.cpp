#include "app/start_up.h"

#include "app/about_window.h"
#include "app/history_window.h"
#include "app/main_window.h"
#include "app/splash_window.h"
#include "base/file_name.h"
#include "media/media_player_window.h"
#include "platform/application.h"
#include "settings/easy_filter_window.h"
#include "settings/own_filter_window.h"
#include "settings/preferences_window.h"
#include "settings/select_directory_window.h"
#include "shell/association_window.h"
#include "shell/change_icon_dialog.h"
#include "shell/copy_move_window.h"
#include "shell/file_info_window.h"
#include "shell/links_window.h"
#include "shell/wallpaper_progress_window.h"
#include "slideshow/favorite_slideshows_window.h"
#include "slideshow/fullscreen_viewer.h"
#include "slideshow/open_slideshow_dialog.h"
#include "slideshow/quick_slideshow_window.h"
#include "slideshow/slideshow_editor.h"
#include "slideshow/slideshow_player.h"
#include "slideshow/slideshow_sounds_window.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QDirIterator>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QToolButton>

#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <future>
#include <thread>
#include <vector>

namespace lumora {

namespace {

// Creates one window, registers it and runs its creation handler, which may
// already reach the windows created before it.
template <class Window>
void create(Window*& slot) {
    slot = new Window;
    slot->FormCreate();
}

// The program icon's pictures, at every size it was rendered at; read on a
// thread of their own (reading the first picture loads the image plugins).
std::vector<QImage> programIconPictures() {
    std::vector<QImage> pictures;
    QDirIterator sizes(QStringLiteral(":/lumora/icons"), QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext())
        pictures.emplace_back(sizes.next());
    return pictures;
}

// The program's icon at every size, so a desktop picks the size it shows
// rather than scaling one.
QIcon programIcon(const std::vector<QImage>& pictures) {
    QIcon icon;
    for (const QImage& picture : pictures)
        icon.addPixmap(QPixmap::fromImage(picture));
    return icon;
}

// The argument as an absolute path, the folder joined by its exact bytes.
QString absoluteArgument(const QString& argument) {
    if (argument.isEmpty() || argument.startsWith(u'/'))
        return argument;
    char folder[PATH_MAX];
    if (!::getcwd(folder, sizeof folder))
        return argument;
    return decodeFileName(QByteArray(folder) + '/') + argument;
}

template <class Window>
void destroy(Window*& slot) {
    delete slot;
    slot = nullptr;
}

}  // namespace

void createForms(const QStringList& arguments) {
    const QString startArgument = absoluteArgument(arguments.value(0));
    Forms& f = forms();
    create(f.Form1);
    create(f.Form2);
    QObject::connect(f.Form2, &TForm2::closing, f.Form1, &TForm1::mediaPlayerClosing);
    create(f.Form3);
    // A copy or move changes the folder the browser lists.
    QObject::connect(f.Form3, &TForm3::filesChanged, f.Form1->FileListBox1, &TFileListBox::Update);
    create(f.Form4);
    create(f.Form5);
    // The viewer steps through the main window's list and preview.
    QObject::connect(f.Form5, &TForm5::stepRequested, f.Form1, &TForm1::fullscreenStep);
    QObject::connect(f.Form1->FileListBox1->model(), &QAbstractItemModel::modelReset, f.Form5,
                     &TForm5::dropLookAhead);
    f.Form5->setLookAheadDecoder(&TForm1::decodePreviewPicture);
    create(f.Form6);
    create(f.Form7);
    // The editor's favourites button shows the main window's Favorites hint.
    f.Form7->favoritesHint = [main = f.Form1] { return main->ToolbarButton977->toolTip(); };
    create(f.Form8);
    // The preferences' OK pushes the options up to the windows that use
    // them, connected in the order of its steps (the main window's, the
    // player's delay, the toolbar selection) before the About window's
    // creation runs it.
    QObject::connect(f.Form4, &TForm4::optionsApplied, f.Form1, &TForm1::applyPreferences);
    QObject::connect(f.Form4, &TForm4::optionsApplied, f.Form8, &TForm8::applyPreferences);
    QObject::connect(f.Form4, &TForm4::optionsApplied, f.Form1, &TForm1::applyToolbarSelection);
    f.Form4->currentFolder = [main = f.Form1] { return main->FileListBox1->Directory(); };
    create(f.Form9);
    create(f.Form10);
    create(f.Form11);
    f.Form1->pendingStartArgument = startArgument;
    create(f.Form13);
    create(f.IconDlg);
    create(f.Form15);
    QObject::connect(f.Form15, &TForm15::aborted, f.Form1, &TForm1::quickSlideshowAborted);
    create(f.Form16);
    create(f.Form17);
    create(f.Form18);
    create(f.Form19);
    // Connected before the history window's creation runs "Apply Own Filters".
    QObject::connect(f.Form18, &TForm18::ownFiltersApplied, f.Form1, &TForm1::applyOwnFilters);
    QObject::connect(f.Form19, &TForm19::easyFilterApplied, f.Form1, &TForm1::applyEasyFilter);
    create(f.Form20);
    create(f.Form21);
    create(f.Form22);
}

void destroyForms() {
    Forms& f = forms();
    destroy(f.Form22);
    destroy(f.Form21);
    destroy(f.Form20);
    destroy(f.Form19);
    destroy(f.Form18);
    destroy(f.Form17);
    destroy(f.Form16);
    destroy(f.Form15);
    destroy(f.IconDlg);
    destroy(f.Form13);
    destroy(f.Form11);
    destroy(f.Form10);
    destroy(f.Form9);
    destroy(f.Form8);
    destroy(f.Form7);
    destroy(f.Form6);
    destroy(f.Form5);
    destroy(f.Form4);
    destroy(f.Form3);
    destroy(f.Form2);
    destroy(f.Form1);
}

int runProgram(int argc, char** argv, const std::function<void(TForm1*)>& beforeShow) {
    // Work that needs no window is done on a second core while this one
    // connects to the X server and builds the windows: fontconfig reads its
    // configuration and caches (the splash's text needs them first), and the
    // program icon's pictures are read.
    std::thread fonts([] { FcInit(); });
    TApplication app(argc, argv);
    auto iconPictures = std::async(std::launch::async, programIconPictures);
    QApplication::setApplicationName(QStringLiteral("Lumora"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    // Desktops match the windows to the desktop entry of this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(LUMORA_APP_ID));

    fonts.join();
    auto* splash = new TTempform;
    splash->showAndPaint();

    TApplication::setTitle(TForm1::applicationTitle());
    // What Qt left of the command line, each argument by its exact bytes.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << decodeFileName(QByteArray(argv[i]));
    createForms(arguments);

    splash->hide();
    delete splash;

    // Every window carries the icon (the splash has no task-bar entry).
    QApplication::setWindowIcon(programIcon(iconPictures.get()));
    if (beforeShow)
        beforeShow(forms().Form1);
    forms().Form1->show();
    const int result = TApplication::exec();
    destroyForms();
    return result;
}

}  // namespace lumora
