// Run with two screens side by side (two_screens.json, see CMakeLists.txt):
// the full-screen windows open on the screen that holds the main window.
#include "app/main_window.h"
#include "slideshow/fullscreen_viewer.h"
#include "slideshow/quick_slideshow_window.h"
#include "slideshow/slideshow_player.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"

#include <QGuiApplication>
#include <QScreen>

namespace lumora {
namespace {

using test::ModalAnswer;

class TwoScreensTest : public test::ProgramTest {};

TEST_F(TwoScreensTest, FullScreenWindowsOpenWhereTheMainWindowIs) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2)
        GTEST_SKIP() << "needs the two-screen offscreen configuration";
    TForm1& main = *forms().Form1;
    for (QScreen* screen : {screens[1], screens[0]}) {
        main.move(screen->geometry().topLeft() + QPoint(50, 50));
        main.show();
        ASSERT_EQ(main.screen(), screen);

        test::ScratchDir dir;
        QImage image(20, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QString path = dir.filePath(QStringLiteral("a.bmp"));
        ASSERT_TRUE(image.save(path, "BMP"));
        main.FileListBox1->setDirectory(dir.path());
        main.FileListBox1->Update();
        main.FileListBox1->selectItem(QStringLiteral("a.bmp"));
        main.FileListBox1Click();

        QRect viewer;
        ModalAnswer answer([&](QWidget*) { viewer = forms().Form5->geometry(); });
        main.FullScreen1Click();
        ASSERT_TRUE(answer.wasShown());
        EXPECT_EQ(viewer, screen->geometry());

        TForm8& player = *forms().Form8;
        const QStringList list{path};
        player.prepareShow(&list);
        player.Timer1->stop();
        EXPECT_EQ(player.geometry(), screen->availableGeometry());

        TForm15& progress = *forms().Form15;
        progress.show();
        EXPECT_TRUE(screen->geometry().contains(progress.geometry()));
        progress.hide();
        main.hide();
    }
}

}  // namespace
}  // namespace lumora
