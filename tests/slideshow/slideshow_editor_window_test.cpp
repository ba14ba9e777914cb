#include "app/history_window.h"
#include "app/main_window.h"
#include "base/file_name.h"
#include "nviewlib/nviewlib.h"
#include "platform/application.h"
#include "platform/dir_watch.h"
#include "settings/preferences_window.h"
#include "settings/read_only_folder.h"
#include "slideshow/path_list_file.h"
#include "slideshow/slideshow_editor.h"
#include "slideshow/slideshow_player.h"
#include "support/fake_dialogs.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/controls.h"
#include "ui/directory_list_box.h"
#include "ui/drive_combo_box.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/list_box.h"
#include "ui/picture_view.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

using test::fakeDialogs;

TForm7& editor() {
    return *forms().Form7;
}

QString label1(int items, int seconds) {
    return QStringLiteral("Total item(s) : %1   Total time of slide : %2 sec")
        .arg(items)
        .arg(seconds);
}

class EditorTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(home.isValid());
        forms().Form4->slidestimer->setValue(1000);
        editor().Button1Click();
        forms().Form21->History.clear();
    }
    void TearDown() override {
        editor().hide();
        ProgramTest::TearDown();
    }

    // A folder below the test's own with pictures of those names.
    QString folder(const QString& name, const QStringList& pictures = {}) {
        const QString path = home.filePath(name);
        EXPECT_TRUE(QDir().mkpath(path));
        for (const QString& picture : pictures)
            EXPECT_TRUE(write(path + u'/' + picture, bitmap()));
        return path;
    }
    static QByteArray bitmap() {
        static const QByteArray bytes = [] {
            QImage image(8, 6, QImage::Format_RGB32);
            image.fill(Qt::red);
            QByteArray data;
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "BMP");
            return data;
        }();
        return bytes;
    }
    static bool write(const QString& path, const QByteArray& bytes) {
        const int fd = ::open(encodeFileName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool ok =
            fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
        return ::close(fd) == 0 && ok;
    }
    static void browse(const QString& path) { editor().DirectoryListBox1->setDirectory(path); }
    static QStringList slides() { return editor().ListBox1->Items(); }
    static QStringList paths(const QString& folder, const QStringList& names) {
        QStringList result;
        for (const QString& name : names)
            result << folder + u'/' + name;
        return result;
    }
    // Runs the pending Add All to its end.
    static void finishAddAll() {
        for (int tick = 0; tick < 10000 && editor().addingAll(); ++tick)
            editor().addalltimerTimer();
    }
    static void drop(const QStringList& files) {
        QList<QUrl> urls;
        for (const QString& file : files)
            urls << QUrl(QStringLiteral("file://") +
                         QString::fromLatin1(encodeFileName(file).toPercentEncoding("/")));
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = editor().rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&editor(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&editor(), &dropped);
        QCoreApplication::processEvents();  // dropped files are handled after the drop
    }

    test::ScratchDir home;
};

TEST_F(EditorTest, OpensAsADialogOfItsDesignWithEveryControlNamed) {
    TForm7& e = editor();
    EXPECT_EQ(e.minimumSize(), QSize(484, 487));
    EXPECT_EQ(e.maximumSize(), QSize(484, 487));
    EXPECT_EQ(e.FileListBox1->Mask(),
              QStringLiteral("*.bmp;*.wmf;*.jpg;*.jpeg;*.jif;*.dib;*.rle;*.tga;*.pcx"));
    EXPECT_EQ(e.Label3->text(),
              QStringLiteral("Make sure that the drive is valid and that the "
                             "required disc is inserted or the program will crash"));
    EXPECT_TRUE(e.Image1->Stretch());
    EXPECT_EQ(e.Image1->size(), QSize(119, 79));
    const QStringList captions{"New",   "Open",    "Save",      "Add",     "Remove", "Remove All",
                               "Close", "Move Up", "Move Down", "Add All", "Play"};
    for (int n = 1; n <= 11; ++n) {
        auto* button = e.findChild<QPushButton*>(QStringLiteral("Button%1").arg(n));
        ASSERT_TRUE(button);
        EXPECT_EQ(button->text(), captions[n - 1]);
    }
    EXPECT_EQ(e.soundbutton->text(), QStringLiteral("Setup Sound"));
    for (QWidget* unnamed :
         std::initializer_list<QWidget*>{e.DriveComboBox1, e.DirectoryListBox1, e.FileListBox1,
                                         e.ListBox1, e.Image1, e.favorites})
        EXPECT_FALSE(unnamed->accessibleName().isEmpty()) << qPrintable(unnamed->objectName());
    for (const FileDialogOptions* d : {&e.OpenDialog1, &e.SaveDialog1}) {
        EXPECT_EQ(d->filter, QStringLiteral("Lumora Slideshow (*.lss)|*.lss"));
        EXPECT_EQ(d->defaultExt, QStringLiteral(".lss"));
    }
    EXPECT_EQ(e.SaveDialog1.fileName, QStringLiteral("*.lss"));

    // Every control a user can reach has a name assistive technologies read:
    // buttons their caption, lists, the combo and the preview their own.
    e.show();
    QList<QWidget*> controls{e.Image1};
    for (QWidget* child : e.findChildren<QWidget*>())
        if (child->isVisible() && child->focusPolicy() != Qt::NoFocus)
            controls << child;
    EXPECT_GE(controls.size(), 17);
    for (QWidget* control : controls) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_TRUE(accessible);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
            << qPrintable(control->objectName());
    }

    // The caption is the language text, read again as it changes.
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Create/Edit Slideshow"));
    QStringList lines = forms().Form4->Memo2->Lines();
    lines[126] = QStringLiteral("Diaschau");
    forms().Form4->Memo2->setLines(lines);
    e.Timer1Timer();
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Diaschau"));
}

TEST_F(EditorTest, LabelsAndCommandsFollowTheFolderAndTheList) {
    TForm7& e = editor();
    browse(folder(QStringLiteral("empty")));
    EXPECT_EQ(e.Label2->text(), QStringLiteral("0 file(s) found"));
    EXPECT_FALSE(e.Button10->isEnabled());  // Add All
    EXPECT_FALSE(e.Button4->isEnabled());   // Add
    EXPECT_FALSE(e.Button11->isEnabled());  // Play
    EXPECT_FALSE(e.Button3->isEnabled());   // Save
    EXPECT_EQ(e.Label1->text(), label1(0, 0));

    const QString pictures = folder(QStringLiteral("pictures"), {"a.bmp", "b.jpg", "c.txt"});
    browse(pictures);
    EXPECT_EQ(e.Label2->text(), QStringLiteral("2 file(s) found"));
    EXPECT_TRUE(e.Button10->isEnabled());
    EXPECT_FALSE(e.Button4->isEnabled());
    e.FileListBox1->setItemIndex(1);
    EXPECT_TRUE(e.Button4->isEnabled());

    forms().Form4->slidestimer->setValue(3000);
    for (int i = 0; i < 7; ++i)
        e.Button4Click();
    EXPECT_EQ(e.Label1->text(), label1(7, 21));
    EXPECT_TRUE(e.Button11->isEnabled());
    EXPECT_TRUE(e.Button3->isEnabled());

    for (QPushButton* b : {e.Button5, e.Button8, e.Button9})
        EXPECT_FALSE(b->isEnabled());
    e.ListBox1->setItemIndex(2);
    e.ListBox1Click();
    for (QPushButton* b : {e.Button5, e.Button8, e.Button9})
        EXPECT_TRUE(b->isEnabled());
}

TEST_F(EditorTest, AddAllAppendsEveryListedFileOnceInListOrderAndAgainWhenAskedAgain) {
    TForm7& e = editor();
    const QString one = folder(QStringLiteral("one"), {"only.jpg"});
    browse(one);
    e.Button10Click();
    EXPECT_TRUE(e.addingAll());
    e.show();
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Please Wait while adding all files"));
    finishAddAll();
    EXPECT_EQ(slides(), paths(one, {"only.jpg"}));
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Create/Edit Slideshow"));

    const QString mixed = folder(QStringLiteral("mixed"), {"z.bmp", "b.PCX", "a.jpg"});
    browse(mixed);
    e.Button10Click();
    finishAddAll();
    e.Button10Click();
    finishAddAll();
    const QStringList order = paths(mixed, {"z.bmp", "a.jpg", "b.PCX"});  // the mask's order
    EXPECT_EQ(slides(), paths(one, {"only.jpg"}) + order + order);
    EXPECT_EQ(historyActions(), QStringList(3, QStringLiteral("Pressed Add All Files,")));
}

TEST_F(EditorTest, AddAllWalksTheFilesListedWhenItStarted) {
    TForm7& e = editor();
    QStringList names;
    for (int i = 0; i < 300; ++i)
        names << QStringLiteral("p%1.bmp").arg(i, 3, 10, QLatin1Char('0'));
    const QString first = folder(QStringLiteral("first"), names);
    const QString other = folder(QStringLiteral("other"), {"x.bmp", "y.bmp"});
    browse(first);
    e.Button10Click();
    e.Button10Click();  // one run only
    // Before and between its ticks the user clicks, a file appears and the
    // list is read again, the folder changes.
    e.FileListBox1->setItemIndex(5);
    ASSERT_TRUE(write(first + QStringLiteral("/p000a.bmp"), bitmap()));
    e.FileListBox1->Update();
    e.addalltimerTimer();
    EXPECT_GT(slides().size(), 1);  // a tick appends many
    browse(other);
    e.FileListBox1->setItemIndex(1);
    finishAddAll();
    EXPECT_EQ(slides(), paths(first, names));
    EXPECT_EQ(e.FileListBox1->ItemIndex(), 1);  // the other folder's selection is left alone
}

TEST_F(EditorTest, NewOpenAndCloseEndARunningAddAll) {
    TForm7& e = editor();
    browse(folder(QStringLiteral("pictures"), {"a.bmp", "b.bmp"}));
    for (void (TForm7::*stop)() :
         {&TForm7::Button1Click, &TForm7::Button2Click, &TForm7::Button7Click}) {
        e.Button1Click();
        e.Button10Click();
        ASSERT_TRUE(e.addingAll());
        (e.*stop)();  // Open is cancelled: the list stays
        EXPECT_FALSE(e.addingAll());
        QTest::qWait(40);
        EXPECT_TRUE(slides().isEmpty());
    }
    // Hidden by its close box as well.
    e.show();
    e.Button10Click();
    e.close();
    EXPECT_FALSE(e.addingAll());
}

TEST_F(EditorTest, AddRemoveAndMoveActOnTheSelection) {
    TForm7& e = editor();
    const QString pictures = folder(QStringLiteral("pictures"), {"a.bmp", "b.bmp", "c.bmp"});
    browse(pictures);
    for (int row : {0, 1, 2}) {
        e.FileListBox1->setItemIndex(row);
        e.Button4Click();
    }
    const QStringList abc = paths(pictures, {"a.bmp", "b.bmp", "c.bmp"});
    ASSERT_EQ(slides(), abc);

    // Nothing selected: nothing moves or goes.
    e.Button8Click();
    e.Button9Click();
    e.Button5Click();
    EXPECT_EQ(slides(), abc);

    e.ListBox1->setItemIndex(0);
    e.Button8Click();  // the first stays first
    EXPECT_EQ(slides(), abc);
    e.Button9Click();
    e.Button9Click();
    EXPECT_EQ(slides(), paths(pictures, {"b.bmp", "c.bmp", "a.bmp"}));
    EXPECT_EQ(e.ListBox1->ItemIndex(), 2);
    e.Button9Click();  // the last stays last
    e.Button8Click();
    EXPECT_EQ(slides(), paths(pictures, {"b.bmp", "a.bmp", "c.bmp"}));
    EXPECT_EQ(e.ListBox1->ItemIndex(), 1);

    e.ListBox1Click();
    EXPECT_EQ(e.Edit1->text(), abc[0]);
    e.Button5Click();
    EXPECT_EQ(slides(), paths(pictures, {"b.bmp", "c.bmp"}));
    EXPECT_TRUE(e.Edit1->text().isEmpty());
    EXPECT_EQ(e.ListBox1->ItemIndex(), -1);
    e.Button6Click();
    EXPECT_TRUE(slides().isEmpty());

    EXPECT_EQ(historyActions(),
              QStringList({"Pressed Add File,", "Pressed Add File,", "Pressed Add File,",
                           "Pressed Move File,", "Pressed Move File,", "Pressed Remove File,",
                           "Pressed Move File,", "Pressed Move File,", "Pressed Move File,",
                           "Pressed Move File,", "Pressed Move File,", "Pressed Remove File,",
                           "Pressed Removed All Files,"}));
}

TEST_F(EditorTest, ClicksPreviewAndDoubleClickAppends) {
    TForm7& e = editor();
    const QString pictures = folder(QStringLiteral("pictures"), {"a.bmp", "gone.bmp"});
    browse(pictures);
    e.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&e));
    auto clickRow = [&](QAbstractItemView* view, int row, bool twice = false) {
        const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    };
    clickRow(e.FileListBox1, 0);
    EXPECT_EQ(e.Image1->picture(), NViewLibLoad(pictures + QStringLiteral("/a.bmp"), 0));
    EXPECT_FALSE(e.Image1->isEmpty());
    EXPECT_TRUE(e.Button4->isEnabled());
    clickRow(e.FileListBox1, 0, true);
    EXPECT_EQ(slides(), paths(pictures, {"a.bmp"}));
    EXPECT_TRUE(historyActions().isEmpty());  // a double-click records nothing

    // A file that went after it was listed: an empty preview, no message.
    ASSERT_TRUE(QFile::remove(pictures + QStringLiteral("/gone.bmp")));
    clickRow(e.FileListBox1, 1);
    EXPECT_TRUE(e.Image1->isEmpty());

    clickRow(e.ListBox1, 0);
    EXPECT_EQ(e.Edit1->text(), slides()[0]);
    EXPECT_EQ(e.ListBox1->toolTip(), slides()[0]);
    EXPECT_FALSE(e.Image1->isEmpty());
    EXPECT_TRUE(fakeDialogs().messages.empty());

    // The preview is small: a large JPEG is decoded at an eighth of its size.
    QImage photo(1203, 805, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    ASSERT_TRUE(photo.save(pictures + QStringLiteral("/large.jpg"), "JPG"));
    e.FileListBox1->Update();
    ASSERT_TRUE(e.FileListBox1->selectItem(QStringLiteral("large.jpg")));
    e.FileListBox1Click();
    EXPECT_EQ(e.Image1->pictureSize(), QSize(1203, 805));
    EXPECT_EQ(e.Image1->keptSize(), QSize(151, 101));
    EXPECT_EQ(e.Image1->picture().size(), QSize(1203, 805));
}

TEST_F(EditorTest, DroppedPicturesAreAddedAndOthersRefused) {
    TForm7& e = editor();
    const QString pictures =
        folder(QStringLiteral("pictures"), {"a.jpeg", "b.gif", "c.bmp", "d.JPG"});
    const QString elsewhere = folder(QStringLiteral("elsewhere"), {"e.bmp", "f.bmp"});
    QFile text(pictures + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.close();
    browse(elsewhere);
    e.FileListBox1->setItemIndex(1);

    drop({pictures + QStringLiteral("/a.jpeg")});
    EXPECT_EQ(slides(), paths(pictures, {"a.jpeg"}));
    EXPECT_EQ(e.DirectoryListBox1->Directory(), pictures);
    EXPECT_EQ(e.FileListBox1->FileName(), pictures + QStringLiteral("/a.jpeg"));
    EXPECT_TRUE(fakeDialogs().messages.empty());

    drop({pictures + QStringLiteral("/b.gif")});
    ASSERT_EQ(fakeDialogs().messageTexts(), QStringList{"Not a valid imagefile"});
    EXPECT_EQ(fakeDialogs().messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(slides().size(), 1);

    fakeDialogs().reset();
    drop(paths(pictures, {"c.bmp", "notes.txt", "d.JPG"}));
    EXPECT_EQ(slides(), paths(pictures, {"a.jpeg", "c.bmp", "d.JPG"}));
    EXPECT_EQ(fakeDialogs().messageTexts(), QStringList{"Not a valid imagefile"});

    // A picture the file list does not show is still the one added.
    fakeDialogs().reset();
    ASSERT_TRUE(write(elsewhere + QStringLiteral("/.hidden.jpg"), bitmap()));
    drop({elsewhere + QStringLiteral("/.hidden.jpg")});
    EXPECT_EQ(slides().last(), elsewhere + QStringLiteral("/.hidden.jpg"));
    EXPECT_TRUE(fakeDialogs().messages.empty());

    // Named like a picture, but no file: a folder, a pipe, nothing at all.
    fakeDialogs().reset();
    const QString folderNamed = folder(QStringLiteral("album.jpg"));
    const QString pipe = home.filePath(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(::mkfifo(encodeFileName(pipe).constData(), 0600), 0);
    drop({folderNamed, pipe, home.filePath(QStringLiteral("missing.bmp"))});
    EXPECT_EQ(fakeDialogs().messages.size(), 3u);
    EXPECT_EQ(slides().size(), 4);
}

TEST_F(EditorTest, ADroppedNameThatIsNotUtf8KeepsItsBytes) {
    const QString pictures = folder(QStringLiteral("pictures"));
    const QString name = decodeFileName(QByteArray("caf\xe9.bmp"));
    ASSERT_TRUE(write(pictures + u'/' + name, bitmap()));
    drop({pictures + u'/' + name});
    ASSERT_EQ(slides().size(), 1);
    EXPECT_EQ(encodeFileName(slides()[0]), encodeFileName(pictures) + "/caf\xe9.bmp");
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

TEST_F(EditorTest, SaveAndOpenKeepTheListAndOfferTheSavedName) {
    TForm7& e = editor();
    const QString pictures = folder(QStringLiteral("pictures"));
    const QString odd = decodeFileName(QByteArray("\xff\xfe odd.bmp"));
    const QStringList list = paths(pictures, {"a b.bmp", odd, "a b.bmp"});
    e.ListBox1->setItems(list);
    const QString file = home.filePath(QStringLiteral("show.lss"));
    fakeDialogs().fileAnswers = {file};
    e.Button3Click();
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), encodeFileName(list[0]) + "\r\n" + encodeFileName(list[1]) + "\r\n" +
                                   encodeFileName(list[2]) + "\r\n");

    e.ListBox1->clear();
    e.Button2Click();  // cancelled: offered the saved name, the list stays
    ASSERT_EQ(fakeDialogs().fileRequests.size(), 2u);
    EXPECT_EQ(fakeDialogs().fileRequests[1].fileName, file);
    EXPECT_TRUE(slides().isEmpty());
    fakeDialogs().fileAnswers = {file};
    e.Button2Click();
    EXPECT_EQ(slides(), list);

    e.Button1Click();  // New forgets the name
    e.Button2Click();
    EXPECT_TRUE(fakeDialogs().fileRequests.back().fileName.isEmpty());
    EXPECT_EQ(historyActions(), QStringList({"Pressed Save Slideshow,", "Pressed Open Slideshow,",
                                             "Pressed Open Slideshow,", "Pressed New Slideshow,",
                                             "Pressed Open Slideshow,"}));
}

TEST_F(EditorTest, SaveThatCannotWriteShowsTheErrorAndKeepsTheList) {
    TForm7& e = editor();
    const QString locked = folder(QStringLiteral("locked"));
    e.ListBox1->setItems({QStringLiteral("/a.bmp")});
    const QString file = locked + QStringLiteral("/show.lss");
    fakeDialogs().fileAnswers = {file};
    {
        ReadOnlyFolder readOnly(locked);
        guarded([&] { e.Button3Click(); });  // as the click runs it
    }
    EXPECT_EQ(fakeDialogs().messageTexts(), QStringList{"Cannot create file " + file});
    EXPECT_EQ(slides(), QStringList{"/a.bmp"});
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(EditorTest, OpenTakesHostileFilesWithoutHarm) {
    TForm7& e = editor();
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) % 251 + 1);
    const QByteArray withNul = QByteArray("/a.bmp\r\n/b.bmp", 14) + '\0' + "/c.bmp\r\n";
    QByteArray many;
    for (int i = 0; i < 100000; ++i)
        many += "/p" + QByteArray::number(i) + ".bmp\r\n";
    const QByteArray wide = QByteArray(10000, 'w') + "\r\n" + QByteArray(10000, 'x');
    const struct {
        QByteArray bytes;
        qsizetype entries;
    } files[] = {{garbage, -1}, {withNul, 2}, {many, 100000}, {wide, 2}};
    int n = 0;
    for (const auto& f : files) {
        const QString file = home.filePath(QStringLiteral("f%1.lss").arg(n++));
        ASSERT_TRUE(write(file, f.bytes));
        fakeDialogs().fileAnswers = {file};
        e.Button2Click();
        EXPECT_EQ(slides(), readPathList(file));
        if (f.entries >= 0) {
            EXPECT_EQ(slides().size(), f.entries);
        }
    }
    // A wide entry previews as nothing.
    e.ListBox1->setItemIndex(1);
    e.ListBox1Click();
    EXPECT_TRUE(e.Image1->isEmpty());

    const QString missing = home.filePath(QStringLiteral("missing.lss"));
    fakeDialogs().fileAnswers = {missing};
    guarded([&] { e.Button2Click(); });
    EXPECT_EQ(fakeDialogs().messageTexts(), QStringList{"Cannot open file " + missing});
    EXPECT_EQ(slides().size(), 2);  // the failed open kept the list
}

TEST_F(EditorTest, UnreadableOrVanishedFoldersListNothing) {
    TForm7& e = editor();
    const QString closed = folder(QStringLiteral("closed"), {"a.bmp"});
    browse(folder(QStringLiteral("elsewhere")));
    ASSERT_TRUE(QFile::setPermissions(closed, {}));
    {
        ReadOnlyFolder noOverride{QString()};
        browse(closed);
        EXPECT_EQ(e.FileListBox1->Count(), 0);
        EXPECT_EQ(e.Label2->text(), QStringLiteral("0 file(s) found"));
        EXPECT_FALSE(e.Button10->isEnabled());
    }
    QFile::setPermissions(closed,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const QString gone = folder(QStringLiteral("gone"), {"b.bmp"});
    browse(gone);
    ASSERT_EQ(e.FileListBox1->Count(), 1);
    ASSERT_TRUE(QDir(gone).removeRecursively());
    browse(closed);
    browse(gone);
    EXPECT_EQ(e.DirectoryListBox1->Directory(), gone);
    EXPECT_EQ(e.FileListBox1->Count(), 0);
}

// Other programs change the folder: each opening reads it again, and while
// the editor is open its lists follow, the file list keeping its selection.
TEST_F(EditorTest, EachOpeningReadsTheFolderAgainAndTheListsFollowItWhileOpen) {
    TForm7& e = editor();
    const QString pictures = folder(QStringLiteral("pictures"), {"a.bmp", "b.bmp"});
    browse(pictures);
    const auto files = [&e] {
        QStringList names;
        for (int row = 0; row < e.FileListBox1->Count(); ++row)
            names << e.FileListBox1->Item(row);
        return names;
    };
    const auto folders = [&e] {
        QStringList names;
        for (int row = 0; row < e.DirectoryListBox1->count(); ++row)
            names << e.DirectoryListBox1->item(row)->text();
        return names;
    };
    const int watchesBefore = DirWatch::instance().count();
    ASSERT_TRUE(QFile::remove(pictures + QStringLiteral("/a.bmp")));
    ASSERT_TRUE(write(pictures + QStringLiteral("/c.bmp"), bitmap()));
    ASSERT_TRUE(QDir(pictures).mkdir(QStringLiteral("old")));

    QStringList listedAtOpening, listedLater, foldersLater, slides;
    QString selectedLater;
    test::ModalAnswer answer([&](QWidget*) {
        listedAtOpening = files();
        EXPECT_TRUE(folders().contains(QStringLiteral("old")));
        e.FileListBox1->setItemIndex(1);  // c.bmp
        ASSERT_TRUE(write(pictures + QStringLiteral("/d.bmp"), bitmap()));
        ASSERT_TRUE(QFile::rename(pictures + QStringLiteral("/b.bmp"),
                                  pictures + QStringLiteral("/e.bmp")));
        ASSERT_TRUE(QDir(pictures).rename(QStringLiteral("old"), QStringLiteral("new")));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return files().size() == 3 && folders().contains("new"); }, 5000));
        listedLater = files();
        foldersLater = folders();
        selectedLater = e.FileListBox1->Item(e.FileListBox1->ItemIndex());
        EXPECT_EQ(e.Label2->text(), QStringLiteral("3 file(s) found"));
        e.Button10Click();
        finishAddAll();
        slides = editor().ListBox1->Items();
    });
    forms().Form1->Create1Click();
    ASSERT_TRUE(answer.wasShown());
    EXPECT_EQ(listedAtOpening, QStringList({"b.bmp", "c.bmp"}));
    EXPECT_EQ(listedLater, QStringList({"c.bmp", "d.bmp", "e.bmp"}));
    EXPECT_TRUE(foldersLater.contains(QStringLiteral("new")));
    EXPECT_FALSE(foldersLater.contains(QStringLiteral("old")));
    EXPECT_EQ(selectedLater, QStringLiteral("c.bmp"));
    EXPECT_EQ(slides, paths(pictures, {"c.bmp", "d.bmp", "e.bmp"}));
    // Closed, it watches nothing.
    EXPECT_EQ(DirWatch::instance().count(), watchesBefore);
}

TEST_F(EditorTest, PlayHandsThePlayerACopyAndComesBack) {
    TForm7& e = editor();
    const QString pictures = folder(QStringLiteral("pictures"), {"a.bmp", "b.bmp"});
    e.ListBox1->setItems(paths(pictures, {"a.bmp", "b.bmp"}));
    QStringList played;
    test::ModalAnswer answer([&](QWidget* modal) {
        if (modal == forms().Form8)
            played = forms().Form8->ListBox1;
    });
    e.Button11Click();
    EXPECT_TRUE(answer.wasShown());
    EXPECT_EQ(played, slides());
    EXPECT_EQ(historyActions(), QStringList{"Pressed Play Slideshow,"});
    EXPECT_TRUE(e.isEnabled());
}

TEST_F(EditorTest, CreateOpensANewEditorAndFavoritesMoveTheLists) {
    TForm1& main = *forms().Form1;
    const QString pictures = folder(QStringLiteral("pictures"), {"a.bmp"});
    QListWidget& favoriteFolders = *forms().Form4->ListBox1;
    favoriteFolders.item(0)->setText(QStringLiteral("Empty"));
    favoriteFolders.item(1)->setText(pictures);
    editor().ListBox1->setItems({QStringLiteral("/left/over.bmp")});
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));

    QStringList visible, listed;
    QString drive, hint;
    test::ModalAnswer answer([&](QWidget* modal) {
        if (modal != &editor())
            return;
        EXPECT_TRUE(QTest::qWaitFor([] { return editor().isActiveWindow(); }));
        listed = slides();
        hint = editor().favorites->toolTip();
        for (QAction* item : editor().favoriteItems)
            if (item->isVisible())
                visible << item->text();
        editor().favoriteItems[1]->trigger();
        drive = editor().DriveComboBox1->Drive();
    });
    QTest::keyClick(&main, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(answer.wasShown());
    EXPECT_TRUE(listed.isEmpty());
    // Ended as a window manager's close box ends it: as Close does.
    EXPECT_EQ(historyActions(), QStringList({"Launched Create Slideshow,", "Pressed New Slideshow,",
                                             "Pressed Close Slideshow,"}));
    EXPECT_EQ(hint, main.ToolbarButton977->toolTip());
    ASSERT_FALSE(visible.isEmpty());
    EXPECT_EQ(visible[0], pictures);
    EXPECT_FALSE(visible.contains(QStringLiteral("Empty")));
    EXPECT_EQ(editor().DirectoryListBox1->Directory(), pictures);
    EXPECT_EQ(editor().FileListBox1->Count(), 1);
    EXPECT_EQ(drive, editor().DriveComboBox1->driveOf(pictures));
    EXPECT_FALSE(drive.isEmpty());

    // The toolbar button does the same.
    test::ModalAnswer again;
    QTest::mouseClick(main.createslideshow, Qt::LeftButton);
    EXPECT_TRUE(again.wasShown());
}

}  // namespace
}  // namespace lumora
