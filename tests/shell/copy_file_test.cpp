#include "shell/copy_file.h"

#include "platform/application.h"
#include "platform/errors.h"
#include "shell/copy_progress_window.h"
#include "shell/file_copier.h"
#include "shell/file_copy_fixtures.h"
#include "support/fake_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <functional>
#include <vector>

namespace lumora {
namespace {

using test::entries;
using test::exists;
using test::fakeDialogs;
using test::pattern;
using test::readBytes;
using test::statOf;
using test::writeBytes;

// What the progress windows of the copies showed: caption, size and label as
// they appeared, and each value their bar painted.
class ProgressWatch final : public QObject {
public:
    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }

    struct Shown {
        QString caption;
        QSize size;
        QString label;
        Qt::WindowFlags flags;
    };
    std::vector<Shown> shown;
    std::vector<int> painted;
    std::function<void(int value)> onPaint;

    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* window = qobject_cast<Tprogform*>(object))
                shown.push_back({window->windowTitle(), window->size(), window->LFilename->text(),
                                 window->windowFlags()});
        } else if (event->type() == QEvent::Paint && object->objectName() == "ProgressBar1" &&
                   qobject_cast<Tprogform*>(object->parent())) {
            const int value = static_cast<QProgressBar*>(object)->value();
            painted.push_back(value);
            if (onPaint)
                onPaint(value);
        }
        return false;
    }
};

class CopyFileTest : public test::CopyFoldersTest {
protected:
    void SetUp() override {
        CopyFoldersTest::SetUp();
        fakeDialogs().reset();
        component.Progress = true;
        component.TransferTimeDate = true;
        component.Caption = QStringLiteral("Copying..");
    }
    void TearDown() override { fakeDialogs().reset(); }

    // Runs CopyFile; the text of the exception it ended with, if any.
    QString run(const QString& source, const QString& destination) {
        component.CopyFrom = source;
        component.CopyTo = destination;
        try {
            component.CopyFile();
        } catch (const EInOutError& error) {
            return error.message();
        }
        return {};
    }

    TCopyFile component;
    ProgressWatch watch;
};

TEST_F(CopyFileTest, ProgressWindowPaintsEachPercentOnce) {
    const QString source = from + QStringLiteral("/large.avi");
    const QString target = to + QStringLiteral("/film.avi");
    // Three hundred blocks: every percent takes three.
    ASSERT_TRUE(writeBytes(source, pattern(300 * kCopyBlockSize)));
    component.ShowFileNames = true;
    // The window manager's close leaves the window to the copy.
    bool refused = false;
    watch.onPaint = [&refused](int value) {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (value == 50 && qobject_cast<Tprogform*>(window))
                refused = !window->close() && window->isVisible();
    };
    EXPECT_EQ(run(source, target), QString());
    EXPECT_TRUE(refused) << "the progress window closed before its copy ended";
    EXPECT_EQ(readBytes(target), pattern(300 * kCopyBlockSize));
    EXPECT_EQ(component.Processed(), 100);

    ASSERT_EQ(watch.shown.size(), 1u);
    EXPECT_EQ(watch.shown[0].caption, QStringLiteral("Copying.."));
    EXPECT_EQ(watch.shown[0].size, QSize(275, 73));
    // The names without their folders, whole.
    EXPECT_EQ(watch.shown[0].label, QStringLiteral("large.avi -> film.avi"));
    EXPECT_TRUE(watch.shown[0].flags.testFlag(Qt::WindowContextHelpButtonHint));
    EXPECT_FALSE(watch.shown[0].flags.testFlag(Qt::WindowCloseButtonHint));

    ASSERT_FALSE(watch.painted.empty());
    EXPECT_EQ(watch.painted.back(), 100);
    EXPECT_LE(watch.painted.size(), 104u);  // not one paint per block
    for (size_t i = 1; i < watch.painted.size(); ++i)
        EXPECT_GE(watch.painted[i], watch.painted[i - 1]);
    // The window went with the copy.
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<Tprogform*>(window)) << "progress window left";
}

TEST_F(CopyFileTest, EmptyFileLeavesTheBarAtZeroAndNamesAreShownOnlyWhenAsked) {
    const QString source = from + QStringLiteral("/empty.txt");
    ASSERT_TRUE(writeBytes(source, QByteArray()));
    EXPECT_EQ(run(source, to + QStringLiteral("/empty.txt")), QString());
    EXPECT_TRUE(exists(to + QStringLiteral("/empty.txt")));
    EXPECT_EQ(statOf(to + QStringLiteral("/empty.txt")).st_size, 0);
    EXPECT_EQ(component.Processed(), 0);
    ASSERT_EQ(watch.shown.size(), 1u);
    EXPECT_TRUE(watch.shown[0].label.isEmpty());
    for (const int value : watch.painted)
        EXPECT_EQ(value, 0);

    // Without Progress there is no window at all.
    component.Progress = false;
    EXPECT_EQ(run(source, to + QStringLiteral("/again.txt")), QString());
    EXPECT_EQ(watch.shown.size(), 1u);
}

TEST_F(CopyFileTest, MissingFolderIsAskedForWithItsAbsolutePath) {
    const QString source = from + QStringLiteral("/a.jpg");
    ASSERT_TRUE(writeBytes(source, pattern(8193)));
    const QString folder = to + QStringLiteral("/new/deeper/");
    fakeDialogs().messageAnswers = {MsgResult::Yes};
    EXPECT_EQ(run(source, folder + QStringLiteral("a.jpg")), QString());
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0].text,
              QStringLiteral("Destination Directory ") + folder +
                  QStringLiteral(" doesn't exists...\n\nDo you want to create the directory ?"));
    EXPECT_EQ(fakeDialogs().messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(readBytes(folder + QStringLiteral("a.jpg")), pattern(8193));

    // No: a move changes nothing at all.
    fakeDialogs().reset();
    fakeDialogs().messageAnswers = {MsgResult::No};
    component.Movefile = true;
    EXPECT_EQ(run(source, to + QStringLiteral("/other/a.jpg")), QString());
    EXPECT_EQ(fakeDialogs().messageTexts().value(1), QStringLiteral("Process Aborted"));
    EXPECT_EQ(fakeDialogs().messages.at(1).icon, MsgIcon::Warning);
    EXPECT_FALSE(exists(to + QStringLiteral("/other")));
    EXPECT_EQ(readBytes(source), pattern(8193));
    EXPECT_TRUE(watch.shown.size() == 1u);  // only the first copy showed progress
}

TEST_F(CopyFileTest, MissingSourceShowsOnNotExistsIfThereIsOne) {
    component.OnNotExists = QStringLiteral("ERROR! The file(s) does not exists!");
    EXPECT_EQ(run(from + QStringLiteral("/gone.jpg"), to + QStringLiteral("/gone.jpg")), QString());
    const QString source = from + QStringLiteral("/here.jpg");
    ASSERT_TRUE(writeBytes(source, "x"));
    EXPECT_EQ(run(source, QString()), QString());
    EXPECT_EQ(fakeDialogs().messageTexts(),
              QStringList(2, QStringLiteral("ERROR! The file(s) does not exists!")));
    EXPECT_EQ(fakeDialogs().messages[0].title, TApplication::Title());

    component.OnNotExists.clear();
    fakeDialogs().reset();
    EXPECT_EQ(run(from + QStringLiteral("/gone.jpg"), to + QStringLiteral("/gone.jpg")), QString());
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_TRUE(entries(to).isEmpty());
}

TEST_F(CopyFileTest, MoveCarriesTheTimeAndDeletesTheSource) {
    const QString source = from + QStringLiteral("/old.bmp");
    ASSERT_TRUE(writeBytes(source, pattern(20000)));
    const struct timespec times[2] = {{0, UTIME_OMIT}, {631152000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, source.toUtf8().constData(), times, 0), 0);
    component.Movefile = true;
    EXPECT_EQ(run(source, to + QStringLiteral("/old.bmp")), QString());
    EXPECT_FALSE(exists(source));
    EXPECT_EQ(statOf(to + QStringLiteral("/old.bmp")).st_mtim.tv_sec, 631152000);

    // TransferTimeDate off: the copy is new.
    ASSERT_TRUE(writeBytes(source, pattern(20000)));
    ASSERT_EQ(::utimensat(AT_FDCWD, source.toUtf8().constData(), times, 0), 0);
    component.Movefile = false;
    component.TransferTimeDate = false;
    EXPECT_EQ(run(source, to + QStringLiteral("/new.bmp")), QString());
    EXPECT_GT(statOf(to + QStringLiteral("/new.bmp")).st_mtim.tv_sec, 631152000);
}

TEST_F(CopyFileTest, FailuresEndTheCopyWithTheirTexts) {
    ASSERT_EQ(::chmod(root.path().toUtf8().constData(), 0755), 0);
    const QString unreadable = from + QStringLiteral("/locked.jpg");
    ASSERT_TRUE(writeBytes(unreadable, "locked", 0));
    const QString source = from + QStringLiteral("/open.jpg");
    ASSERT_TRUE(writeBytes(source, pattern(5000)));
    const QString readOnly = root.filePath(QStringLiteral("readonly"));
    ASSERT_TRUE(QDir().mkpath(readOnly));
    ASSERT_EQ(::chmod(readOnly.toUtf8().constData(), 0555), 0);
    const QString shared = root.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(shared.toUtf8().constData(), 0777), 0);
    const QString protectedFile = shared + QStringLiteral("/open.jpg");
    ASSERT_TRUE(writeBytes(protectedFile, "kept", 0444));
    {
        test::AsOrdinaryUser user;
        EXPECT_EQ(run(unreadable, to + QStringLiteral("/locked.jpg")),
                  QStringLiteral("Cannot open file ") + unreadable);
        EXPECT_EQ(run(source, readOnly + QStringLiteral("/open.jpg")),
                  QStringLiteral("Cannot create file ") + readOnly + QStringLiteral("/open.jpg"));
        EXPECT_EQ(run(source, protectedFile),
                  QStringLiteral("Cannot create file ") + protectedFile);
    }
    EXPECT_EQ(readBytes(protectedFile), QByteArray("kept"));
    // A file where the folder would be: no question, no folder.
    EXPECT_EQ(run(source, source + QStringLiteral("/open.jpg")),
              QStringLiteral("Cannot create file ") + source + QStringLiteral("/open.jpg"));
    const QString fifo = from + QStringLiteral("/pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0644), 0);
    EXPECT_EQ(run(fifo, to + QStringLiteral("/pipe.jpg")),
              QStringLiteral("Cannot open file %1: it is not a regular file").arg(fifo));
    EXPECT_EQ(run(source, from + QStringLiteral("/./open.jpg")),
              QStringLiteral("Cannot copy %1 onto itself").arg(source));
    component.Movefile = true;
    EXPECT_EQ(run(source, from + QStringLiteral("/open.jpg")),
              QStringLiteral("Cannot move %1 onto itself").arg(source));
    EXPECT_EQ(readBytes(source), pattern(5000));
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_TRUE(entries(to).isEmpty());
    // Only the read-only destinations got as far as the progress window: the
    // others were refused before it showed.
    EXPECT_EQ(watch.shown.size(), 2u);
}

TEST_F(CopyFileTest, AFullDiskKeepsTheSourceOfAMove) {
    const QString source = from + QStringLiteral("/movie.mpg");
    ASSERT_TRUE(writeBytes(source, pattern(2 << 20)));
    component.Movefile = true;
    QString failure;
    {
        test::FileSizeLimit limit(1 << 20);
        failure = run(source, to + QStringLiteral("/movie.mpg"));
    }
    EXPECT_EQ(failure, QStringLiteral("Write error in file %1/movie.mpg: File too large").arg(to));
    EXPECT_EQ(readBytes(source), pattern(2 << 20));
    EXPECT_TRUE(entries(to).isEmpty());
}

TEST_F(CopyFileTest, AMoveWhoseSourceCannotBeDeletedSaysSoAndKeepsTheCopy) {
    ASSERT_EQ(::chmod(root.path().toUtf8().constData(), 0755), 0);
    const QString source = from + QStringLiteral("/kept.wav");
    ASSERT_TRUE(writeBytes(source, pattern(4000)));
    ASSERT_EQ(::chmod(from.toUtf8().constData(), 0555), 0);
    ASSERT_EQ(::chmod(to.toUtf8().constData(), 0777), 0);
    component.Movefile = true;
    QString failure;
    {
        test::AsOrdinaryUser user;
        failure = run(source, to + QStringLiteral("/kept.wav"));
    }
    ::chmod(from.toUtf8().constData(), 0755);
    EXPECT_EQ(failure, QStringLiteral("%1 was copied to %2/kept.wav but could not be deleted: "
                                      "Permission denied")
                           .arg(source, to));
    EXPECT_EQ(readBytes(source), pattern(4000));
    EXPECT_EQ(readBytes(to + QStringLiteral("/kept.wav")), pattern(4000));
}

TEST_F(CopyFileTest, ASourceChangedDuringTheCopyIsReportedAndKeptByAMove) {
    const QString source = from + QStringLiteral("/log.txt");
    // Each first paint past 0% appends to the source.
    bool appended = false;
    watch.onPaint = [&](int value) {
        if (value > 0 && !appended)
            appended = writeBytes(source, pattern(4 * kCopyBlockSize));
    };
    ASSERT_TRUE(writeBytes(source, pattern(2 * kCopyBlockSize)));
    EXPECT_EQ(run(source, to + QStringLiteral("/log.txt")), QString());
    EXPECT_TRUE(appended);
    EXPECT_EQ(fakeDialogs().messageTexts(),
              QStringList{QStringLiteral("%1 changed while it was copied: %2/log.txt holds it as "
                                         "it was read.")
                              .arg(source, to)});
    EXPECT_EQ(component.Processed(), 100);

    appended = false;
    ASSERT_TRUE(writeBytes(source, pattern(2 * kCopyBlockSize)));
    component.Movefile = true;
    EXPECT_EQ(run(source, to + QStringLiteral("/moved.txt")),
              QStringLiteral("%1 changed while it was moved, so it was kept. %2/moved.txt holds "
                             "it as it was read.")
                  .arg(source, to));
    EXPECT_TRUE(appended);
    EXPECT_EQ(readBytes(source), pattern(4 * kCopyBlockSize));
    EXPECT_EQ(readBytes(to + QStringLiteral("/moved.txt")), pattern(4 * kCopyBlockSize));
}

}  // namespace
}  // namespace lumora
