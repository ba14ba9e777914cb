#include "shell/wallpaper_changer.h"
#include "support/deep_folder.h"
#include "support/fake_desktop.h"
#include "support/fake_registry.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

namespace lumora {
namespace {

class ChangerTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry_.events = &events_;
        desktop_.events = &events_;
        changer_.OnBeginChange = [this] { events_ << QStringLiteral("begin"); };
        changer_.OnFinishChange = [this] { events_ << QStringLiteral("finish"); };
    }

    QString picture(const char* name) {
        const QString path = dir_.filePath(QLatin1String(name));
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::blue);
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    // Runs the apply operation and waits for its end.
    void applyAndWait() {
        changer_.Apply();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !changer_.Changing(); }, 10000));
    }

    test::ScratchDir dir_;
    QStringList events_;
    test::FakeRegistry registry_;
    test::RegistryScope registryScope_{registry_};
    test::FakeDesktop desktop_;
    test::DesktopScope desktopScope_{desktop_};
    TWallPaperChanger changer_{[](const QString& path) { return QImage(path, "BMP"); }};
};

TEST_F(ChangerTest, TheFirstApplicationComesOneIntervalAfterActive) {
    changer_.setFilename(picture("blue.bmp"));
    changer_.setInterval(400);
    QElapsedTimer since;
    since.start();
    changer_.setActive(true);
    changer_.setActive(true);  // no change, no new start
    QTest::qWait(200);
    EXPECT_TRUE(desktop_.requests.empty());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !desktop_.requests.empty(); }, 10000));
    EXPECT_GE(since.elapsed(), 380);  // a coarse timer may fire 5 % early
    // Off: the timer stops, nothing more is applied.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !changer_.Changing(); }, 10000));
    changer_.setActive(false);
    QTest::qWait(900);
    EXPECT_EQ(desktop_.requests.size(), 1u);
}

TEST_F(ChangerTest, OneApplicationAtATimeHoweverLongTheDesktopTakes) {
    desktop_.answerMs = -1;  // never answers, as a desktop that hangs before its timeout
    changer_.setFilename(picture("blue.bmp"));
    changer_.setInterval(50);
    changer_.setActive(true);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !desktop_.requests.empty(); }, 10000));
    changer_.Apply();
    QTest::qWait(300);
    EXPECT_EQ(desktop_.requests.size(), 1u);
    EXPECT_TRUE(changer_.Changing());
    EXPECT_FALSE(events_.contains(QStringLiteral("finish")));
    // Its answer ends the application; the next comes an Interval later.
    desktop_.pending(QString());
    EXPECT_FALSE(changer_.Changing());
    EXPECT_EQ(events_.mid(events_.size() - 2),
              QStringList({QStringLiteral("registry Wallpaper=") + changer_.Filename(),
                           QStringLiteral("finish")}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return desktop_.requests.size() == 2; }, 10000));
    changer_.setActive(false);
}

TEST_F(ChangerTest, OnlyRegularFilesAreTakenAndTheEmptyNameAlways) {
    const QString path = picture("blue.bmp");
    changer_.setFilename(path);
    changer_.setFilename(dir_.filePath(QStringLiteral("missing.bmp")));
    EXPECT_EQ(changer_.Filename(), path);
    const QString pipe = dir_.filePath(QStringLiteral("x.bmp"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    changer_.setFilename(pipe);
    changer_.setFilename(dir_.path());
    EXPECT_EQ(changer_.Filename(), path);
    changer_.setFilename(QString());
    EXPECT_EQ(changer_.Filename(), QString());

    // A path of 4,000 bytes is handed over whole.
    test::DeepFolder deep(dir_.path(), 'd', 205, 19);
    ASSERT_TRUE(deep.isValid());
    const QString longPath = deep.path() + QStringLiteral("/picture-with-a-long-name.bmp");
    ASSERT_GT(longPath.size(), 3900);
    ASSERT_TRUE(QImage(4, 3, QImage::Format_RGB32).save(longPath, "BMP"));
    changer_.setFilename(longPath);
    applyAndWait();
    ASSERT_EQ(desktop_.requests.size(), 1u);
    EXPECT_EQ(desktop_.requests[0].file, longPath);
    EXPECT_EQ(registry_.desktopValue("Wallpaper"), longPath);
}

}  // namespace
}  // namespace lumora
