// AVI files in the main window's preview: the AVI view plays them, the other
// previews, Close File and closing the window stop it, Reload opens the file
// again, and the Movies options of the preferences reach it.

#include "app/folder_tree.h"
#include "app/main_window.h"
#include "media/avi_play.h"
#include "settings/preferences_window.h"
#include "support/media_files.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/file_list_box.h"
#include "ui/forms.h"
#include "ui/picture_view.h"

#include <QCheckBox>
#include <QListWidget>
#include <QToolButton>

namespace lumora {
namespace {

using test::ProgramTest;

TForm1& main() {
    return *forms().Form1;
}

TDCAVIPlay& view() {
    return *main().DCAVIPlay1;
}

class AviPreviewTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFile::copy(
            test::aviFile(QStringLiteral("tone15.avi"), 15, {"-c:v", "mjpeg", "-q:v", "3"},
                          {"-c:a", "pcm_s16le", "-ar", "22050"}),
            path("clip.avi")));
        QImage bitmap(40, 30, QImage::Format_RGB32);
        bitmap.fill(Qt::green);
        ASSERT_TRUE(bitmap.save(path("green.bmp"), "BMP"));
        main().FileListBox1->setMask(QStringLiteral("*.*"));
        main().directorylistbox1->setDirectory(dir.path());
        main().show();
    }
    void TearDown() override {
        main().hide();
        ProgramTest::TearDown();
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    void click(const char* entry) {
        main().FileListBox1->Update();
        ASSERT_TRUE(main().FileListBox1->selectItem(QString::fromLatin1(entry))) << entry;
        main().FileListBox1Click();
    }

    test::ScratchDir dir;
};

TEST_F(AviPreviewTest, AnAviPlaysInTheViewUntilAnotherPreview) {
    click("clip.avi");
    EXPECT_TRUE(view().isVisible());
    for (QWidget* other : {static_cast<QWidget*>(main().jpg), main().Panel6,
                           static_cast<QWidget*>(main().IconListBox1)})
        EXPECT_FALSE(other->isVisible()) << other->objectName().toStdString();
    EXPECT_EQ(view().FileName(), path("clip.avi"));
    EXPECT_TRUE(view().Active());
    // Opening replaced the design's 0 .. 15 with the film's frames.
    EXPECT_EQ(view().StartFrame(), 0);
    EXPECT_EQ(view().StopFrame(), 14);
    EXPECT_EQ(view().geometry(), main().Panel3->rect());
    EXPECT_EQ(main().StatusPanels.text(0), QStringLiteral("clip.avi"));
    EXPECT_TRUE(main().StatusPanels.text(1).isEmpty());

    click("green.bmp");
    EXPECT_FALSE(view().Active());
    EXPECT_FALSE(view().isVisible());
    EXPECT_FALSE(view().sound().playing());

    click("clip.avi");
    EXPECT_TRUE(view().Active());
}

TEST_F(AviPreviewTest, CloseReloadAndClosingTheWindowStopOrReopenIt) {
    click("clip.avi");
    int opened = 0;
    QObject::connect(&view(), &TDCAVIPlay::OnOpen, [&] { ++opened; });
    main().Timer1Timer();  // enables the file commands
    main().reload->click();
    EXPECT_EQ(opened, 1);  // the same name is opened again
    EXPECT_TRUE(view().Active());

    main().closeimage->click();
    EXPECT_FALSE(view().Active());
    EXPECT_TRUE(view().FileName().isEmpty());
    EXPECT_FALSE(view().isOpen());

    click("clip.avi");
    bool canClose = false;
    main().FormCloseQuery(canClose);
    EXPECT_FALSE(view().Active());
    EXPECT_FALSE(view().sound().playing());
}

TEST_F(AviPreviewTest, TheMoviesOptionsReachTheView) {
    // As stored at a fresh start.
    EXPECT_FALSE(view().Transparent());
    EXPECT_FALSE(view().Stretch());
    EXPECT_EQ(view().Repetitions(), 0);
    EXPECT_TRUE(view().PlaySound());
    EXPECT_TRUE(view().Center());

    TForm4& preferences = *forms().Form4;
    for (QCheckBox* box : {preferences.CheckBox1, preferences.CheckBox2, preferences.CheckBox3,
                           preferences.CheckBox4, preferences.CheckBox5})
        box->setChecked(!box->isChecked());
    preferences.Button1Click();
    EXPECT_TRUE(view().Transparent());
    EXPECT_TRUE(view().Stretch());
    EXPECT_EQ(view().Repetitions(), 1);  // "Repetitions on" clear: one pass
    EXPECT_FALSE(view().PlaySound());
    EXPECT_FALSE(view().Center());
}

}  // namespace
}  // namespace lumora
