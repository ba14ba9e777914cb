#include "app/folder_tree.h"
#include "app/main_window.h"
#include "base/file_name.h"
#include "shell/wallpaper_progress_window.h"
#include "support/fake_desktop.h"
#include "support/fake_dialogs.h"
#include "support/fake_registry.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QProgressBar>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

using test::ProgramTest;

TForm1& main() {
    return *forms().Form1;
}

class WallpaperTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        registry_.events = &events_;
        desktop_.events = &events_;
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().show();
    }
    void TearDown() override {
        main().hide();
        ProgramTest::TearDown();
    }

    // A small red picture named by these bytes, listed and selected.
    QString select(const QByteArray& name) {
        const QString path = dir_.path() + u'/' + decodeFileName(name);
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QByteArray bmp;
        {
            QBuffer buffer(&bmp);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, "BMP");
        }
        EXPECT_TRUE(writeBytes(path, bmp));
        main().directorylistbox1->setDirectory(dir_.path());
        main().FileListBox1->Update();
        selectListed(decodeFileName(name));
        return path;
    }
    static void selectListed(const QString& name) {
        EXPECT_TRUE(main().FileListBox1->selectItem(name)) << name.toStdString();
        main().Timer1Timer();  // the refresh enables the file commands
    }
    static bool writeBytes(const QString& path, const QByteArray& bytes) {
        const int fd = ::open(encodeFileName(path).constData(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        return fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() &&
               ::close(fd) == 0;
    }
    // Runs a command of the window as the user does, by its object name.
    static void command(const char* name) {
        main().findChild<QAction*>(QLatin1String(name))->trigger();
    }

    test::ScratchDir dir_;
    QStringList events_;
    test::FakeRegistry registry_;
    test::RegistryScope registryScope_{registry_};
    test::FakeDesktop desktop_;
    test::DesktopScope desktopScope_{desktop_};
};

TEST_F(WallpaperTest, EachCommandAppliesOnceAfterItsHistoryEntryAndClosesItsWindow) {
    const QString path = select("red.bmp");
    QStringList historyAtApplication;
    main().wallpaper->OnBeginChange = [&] { historyAtApplication = historyActions(); };

    command("Normal1");
    EXPECT_EQ(historyAtApplication.value(historyAtApplication.size() - 1),
              QStringLiteral("Applied red.bmp as normal wallpaper,"));
    EXPECT_EQ(events_, QStringList({QStringLiteral("registry TileWallPaper=0"),
                                    QStringLiteral("desktop centred ") + path,
                                    QStringLiteral("registry Wallpaper=") + path}));
    ASSERT_EQ(desktop_.requests.size(), 1u);
    EXPECT_EQ(desktop_.requests[0].picture.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_TRUE(desktop_.requests[0].desktopReadsFile);
    const TForm10& progress = *forms().Form10;
    EXPECT_FALSE(progress.isVisible());
    EXPECT_FALSE(progress.Timer1->isActive());
    EXPECT_EQ(progress.ProgressBar1->value(), 0);
    EXPECT_FALSE(main().wallpaper->Active());

    // The picture's pop-up runs the same commands.
    events_.clear();
    command("Tiled2");
    EXPECT_EQ(historyActions().back(), QStringLiteral("Applied red.bmp as tiled wallpaper,"));
    EXPECT_EQ(events_, QStringList({QStringLiteral("registry TileWallPaper=1"),
                                    QStringLiteral("desktop tiled ") + path,
                                    QStringLiteral("registry Wallpaper=") + path}));
    events_.clear();
    command("None2");
    EXPECT_EQ(historyActions().back(), QStringLiteral("Removed wallpaper,"));
    EXPECT_EQ(events_, QStringList({QStringLiteral("registry TileWallPaper=0"),
                                    QStringLiteral("desktop none "),
                                    QStringLiteral("registry Wallpaper=")}));
    EXPECT_EQ(registry_.desktopValue("Wallpaper"), QString());
    EXPECT_EQ(desktop_.requests.size(), 3u);
    EXPECT_TRUE(test::fakeDialogs().messages.empty());
}

TEST_F(WallpaperTest, NamesReachTheDesktopAndTheRegistryByTheirExactBytes) {
    for (const QByteArray& name : {QByteArray("100% #1.bmp"), QByteArray("two\nlines.bmp"),
                                   QByteArray("caf\xe9 \xff.bmp")}) {
        const QString path = select(name);
        command("Normal1");
        ASSERT_FALSE(desktop_.requests.empty());
        EXPECT_EQ(encodeFileName(desktop_.requests.back().file), encodeFileName(path));
        EXPECT_EQ(encodeFileName(registry_.desktopValue("Wallpaper").value_or(QString())),
                  encodeFileName(path));
    }
    EXPECT_EQ(desktop_.requests.size(), 3u);
}

TEST_F(WallpaperTest, AFileGoneOrNotRegularBringsBackNoOlderWallpaper) {
    const QString first = select("first.bmp");
    command("Normal1");
    ASSERT_EQ(registry_.desktopValue("Wallpaper"), first);

    // A pipe named like a picture, listed as the system files are.
    ASSERT_EQ(mkfifo(QFile::encodeName(dir_.path() + QStringLiteral("/x.bmp")).constData(), 0644),
              0);
    main().FileListBox1->setFileType(main().FileListBox1->FileType() | TFileListBox::ftSystem);
    const QString gone = select("gone.bmp");
    ASSERT_TRUE(QFile::remove(gone));
    events_.clear();
    command("Tiled1");
    selectListed(QStringLiteral("x.bmp"));
    command("Normal1");

    EXPECT_EQ(historyActions().mid(historyActions().size() - 2),
              QStringList({QStringLiteral("Applied gone.bmp as tiled wallpaper,"),
                           QStringLiteral("Applied x.bmp as normal wallpaper,")}));
    EXPECT_TRUE(events_.isEmpty()) << events_.join(u'\n').toStdString();
    EXPECT_EQ(registry_.desktopValue("Wallpaper"), first);
    EXPECT_EQ(registry_.desktopValue("TileWallPaper"), QStringLiteral("0"));
    EXPECT_EQ(desktop_.requests.size(), 1u);
}

TEST_F(WallpaperTest, APictureThatDoesNotDecodeIsRecordedButNotHandedOver) {
    // Claims 20,000 x 20,000 pixels and ends after its header.
    QByteArray header("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18);
    const qint32 size[2] = {20000, 20000};
    header.append(reinterpret_cast<const char*>(size), 8).append("\1\0\x18\0", 4);
    const QString huge = select("huge.bmp");
    ASSERT_TRUE(writeBytes(huge, header));
    command("Normal1");
    EXPECT_TRUE(desktop_.requests.empty());
    EXPECT_EQ(registry_.desktopValue("Wallpaper"), huge);
    EXPECT_TRUE(test::fakeDialogs().messages.empty());
}

TEST_F(WallpaperTest, WithoutASelectionThePopUpCommandsDoNotRemoveTheWallpaper) {
    main().directorylistbox1->setDirectory(dir_.path());
    const qsizetype entries = historyActions().size();
    command("Normal2");
    command("Tiled2");
    EXPECT_EQ(historyActions().size(), entries);
    EXPECT_TRUE(desktop_.requests.empty());
}

TEST_F(WallpaperTest, WhatKeptTheWallpaperFromTheDesktopIsShownAfterTheWindowCloses) {
    select("red.bmp");
    desktop_.failure = QStringLiteral("plasmashell did not answer within 5 seconds");
    registry_.failWrites = true;
    command("Normal1");
    ASSERT_EQ(test::fakeDialogs().messages.size(), 1u);
    const auto& box = test::fakeDialogs().messages.front();
    EXPECT_EQ(box.icon, MsgIcon::Error);
    EXPECT_EQ(box.title, QStringLiteral("Wallpaper"));
    EXPECT_TRUE(box.text.contains(desktop_.failure)) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QStringLiteral("Unable to write to the fake hive")))
        << box.text.toStdString();
}

}  // namespace
}  // namespace lumora
