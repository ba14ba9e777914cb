#include "app/history_window.h"
#include "nviewlib/nviewlib.h"
#include "settings/preferences_window.h"
#include "slideshow/slide_prefetch.h"
#include "slideshow/slideshow_player.h"
#include "support/fake_dialogs.h"
#include "support/program.h"
#include "support/scratch_dir.h"
#include "ui/color_combo_box.h"
#include "ui/forms.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace lumora {
namespace {

using test::fakeDialogs;

TForm8& player() {
    return *forms().Form8;
}

QString caption(const QString& path, int number, int count) {
    return path + QStringLiteral("   -  Image %1 of %2").arg(number).arg(count);
}

// Waits (running the event loop) until done() holds or a second has passed.
template <class Condition>
bool waitFor(Condition done) {
    for (int i = 0; i < 200 && !done(); ++i)
        QTest::qWait(5);
    return done();
}

class PlayerTest : public test::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        red = slide("red.bmp", Qt::red);
        green = slide("green.bmp", Qt::green);
        blue = slide("blue.bmp", Qt::blue);
        forms().Form4->bgcolor->setColorValue(0x808000);  // teal
        forms().Form21->History.clear();                  // start-up's own entries
    }
    void TearDown() override {
        player().hide();
        ProgramTest::TearDown();
    }

    QString slide(const char* name, QColor colour, QSize size = {40, 30}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = folder.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    // The colour on screen at the window's centre.
    static QColor centre() {
        const QImage shot = player().grab().toImage();
        return shot.pixelColor(shot.width() / 2, shot.height() / 2);
    }
    void expectSlide(const QString& path, int number, int count) {
        EXPECT_EQ(player().Panel1->text(), caption(path, number, count));
        EXPECT_EQ(player().Image1->picture(), NViewLibLoad(path, 0)) << path.toStdString();
    }

    test::ScratchDir folder;
    QString red, green, blue;
    const QColor teal{0, 128, 128};
};

TEST_F(PlayerTest, StartShowsTheFirstSlideAndCyclesAtTheTimersPace) {
    const QStringList list{red, green, blue};
    player().Timer1->setInterval(30);
    int starts = 0;
    player().startSounds = [&] { ++starts; };
    QStringList seen;
    QColor background;
    bool maximised = false, fillsScreen = false;
    QObject context;
    auto record = [&] {
        seen << player().Panel1->text();
        if (seen.size() == 4)
            QTest::keyClick(&player(), Qt::Key_F4);
    };
    // Runs right after each step (connected after the player's own handler).
    QObject::connect(player().Timer1, &QTimer::timeout, &context, record);
    QTimer::singleShot(0, &context, [&] {
        background = player().palette().color(QPalette::Window);
        maximised = player().windowState() & Qt::WindowMaximized;
        fillsScreen = player().Image1->geometry() == player().rect() &&
                      player().geometry() == QGuiApplication::primaryScreen()->availableGeometry();
        record();  // the first slide, on screen before the window showed
    });
    player().Start(&list);  // returns once F4 closed it
    player().startSounds = nullptr;
    EXPECT_EQ(seen, QStringList({caption(red, 1, 3), caption(green, 2, 3), caption(blue, 3, 3),
                                 caption(red, 1, 3)}));
    EXPECT_EQ(background, teal);
    EXPECT_TRUE(maximised);
    EXPECT_TRUE(fillsScreen);
    EXPECT_GE(starts, 1);  // activation starts the sound list
    // Each later slide came from the look-ahead, started after the paint.
    const TSlidePrefetch::Counts counts = player().prefetch().counts();
    EXPECT_EQ(counts.prefetched + counts.waited, 3);
    EXPECT_EQ(counts.decodedHere, 1);
    EXPECT_FALSE(player().Timer1->isActive());
    EXPECT_EQ(player().ListBox1, list);       // a copy, kept for the next show
    EXPECT_TRUE(historyActions().isEmpty());  // F4 ends without an entry
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

TEST_F(PlayerTest, OneSlideIsShownAgainAtEveryTick) {
    const QStringList one{green};
    player().prepareShow(&one);
    player().Timer1->stop();
    for (int tick = 0; tick < 3; ++tick) {
        const quint64 before = player().Image1->pictureSerial();
        player().Timer1Timer();
        expectSlide(green, 1, 1);
        EXPECT_GT(player().Image1->pictureSerial(), before);  // loaded again, not kept
        EXPECT_EQ(player().position(), -1);
    }
}

TEST_F(PlayerTest, PreviousImageStopsAtTheBeginning) {
    const QStringList list{red, green, blue};
    player().prepareShow(&list);
    player().Timer1->stop();
    player().show();
    player().Timer2Timer();
    EXPECT_FALSE(player().PreviousImage1->isEnabled());

    const quint64 serial = player().Image1->pictureSerial();
    QTest::keyClick(&player(), Qt::Key_F6);
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0].text, QStringLiteral("You are at the beginning!"));
    EXPECT_EQ(fakeDialogs().messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(fakeDialogs().messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(player().Image1->pictureSerial(), serial);
    expectSlide(red, 1, 3);

    player().Timer1Timer();
    player().Timer2Timer();
    EXPECT_TRUE(player().PreviousImage1->isEnabled());
    // Right after the last slide (-1) F6 does nothing and the command keeps its state.
    player().Timer1Timer();
    ASSERT_EQ(player().position(), -1);
    player().Timer2Timer();
    EXPECT_TRUE(player().PreviousImage1->isEnabled());
    QTest::keyClick(&player(), Qt::Key_F6);
    EXPECT_EQ(fakeDialogs().messages.size(), 1u);
    expectSlide(blue, 3, 3);

    player().Timer1Timer();  // red
    player().Timer1Timer();  // green
    QTest::keyClick(&player(), Qt::Key_F6);
    expectSlide(red, 1, 3);
    EXPECT_EQ(player().position(), 0);
    EXPECT_EQ(historyActions(), QStringList({QStringLiteral("Pressed Previous Image,")}));
}

TEST_F(PlayerTest, ManualCycleStopsTheTimerWhileKeysStillStep) {
    const QStringList list{red, green, blue};
    player().prepareShow(&list);
    player().show();
    ASSERT_TRUE(player().Timer1->isActive());

    QTest::keyClick(&player(), Qt::Key_F2);
    EXPECT_FALSE(player().Timer1->isActive());
    EXPECT_TRUE(player().ManualCycle1->isChecked());
    QTest::keyClick(&player(), Qt::Key_F7);  // one press, one step
    expectSlide(green, 2, 3);
    QTest::keyClick(&player(), Qt::Key_F6);
    expectSlide(red, 1, 3);
    QTest::keyClick(&player(), Qt::Key_F7);
    QTest::keyClick(&player(), Qt::Key_F7);
    expectSlide(blue, 3, 3);
    QTest::keyClick(&player(), Qt::Key_Escape);  // other keys are ignored
    EXPECT_TRUE(player().isVisible());

    // The menu command flips the mark exactly as the key does.
    player().ManualCycle1->trigger();
    EXPECT_TRUE(player().Timer1->isActive());
    EXPECT_FALSE(player().ManualCycle1->isChecked());
    player().ManualCycle1->trigger();
    EXPECT_FALSE(player().Timer1->isActive());
    EXPECT_TRUE(player().ManualCycle1->isChecked());
    EXPECT_EQ(historyActions(),
              QStringList(
                  {QStringLiteral("Pressed Manual Cycle,"), QStringLiteral("Pressed Next Image,"),
                   QStringLiteral("Pressed Previous Image,"), QStringLiteral("Pressed Next Image,"),
                   QStringLiteral("Pressed Next Image,"), QStringLiteral("Pressed Manual Cycle,"),
                   QStringLiteral("Pressed Manual Cycle,")}));

    // A new show starts cycling again.
    player().prepareShow(&list);
    EXPECT_TRUE(player().Timer1->isActive());
    EXPECT_FALSE(player().ManualCycle1->isChecked());
    expectSlide(red, 1, 3);
}

TEST_F(PlayerTest, EndStopsTheSoundsAndOnlyTheMenuRecordsIt) {
    int stops = 0;
    player().stopSounds = [&] { ++stops; };
    const QStringList list{red};
    QTimer::singleShot(0, [] { QTest::keyClick(&player(), Qt::Key_F4); });
    player().Start(&list);
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(historyActions().isEmpty());

    QTimer::singleShot(0, [] { player().EndSlideShow1->trigger(); });
    player().Start(&list);
    EXPECT_EQ(stops, 2);
    EXPECT_FALSE(player().isVisible());
    EXPECT_FALSE(player().Timer1->isActive());
    EXPECT_EQ(historyActions(), QStringList({QStringLiteral("Pressed End Slideshow,")}));
    player().stopSounds = nullptr;
}

TEST_F(PlayerTest, BadEntriesShowTheBackgroundAndTheShowGoesOn) {
    const QString missing = folder.filePath(QStringLiteral("gone.bmp"));
    const QString garbage = folder.filePath(QStringLiteral("text.jpg"));
    QFile text(garbage);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture\r\n");
    text.close();
    const QStringList list{red, missing, garbage, blue};
    player().prepareShow(&list);
    player().Timer1->stop();
    player().show();
    player().Timer1Timer();
    EXPECT_TRUE(player().Image1->picture().isNull());
    EXPECT_EQ(player().Panel1->text(), caption(missing, 2, 4));
    EXPECT_EQ(centre(), teal);
    player().Timer1Timer();
    EXPECT_TRUE(player().Image1->picture().isNull());
    EXPECT_EQ(player().Panel1->text(), caption(garbage, 3, 4));
    player().Timer1Timer();
    expectSlide(blue, 4, 4);
    EXPECT_EQ(centre(), QColor(Qt::blue));
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

TEST_F(PlayerTest, AnEmptyListWaitsQuietlyForTheEnd) {
    const QStringList list{red};
    player().prepareShow(&list);  // a caption from an earlier show must not linger
    const QStringList empty;
    player().prepareShow(&empty);
    player().show();
    for (int tick = 0; tick < 3; ++tick)
        player().Timer1Timer();
    QTest::keyClick(&player(), Qt::Key_F7);
    QTest::keyClick(&player(), Qt::Key_F6);
    EXPECT_EQ(player().Panel1->text(), QStringLiteral("Please Wait"));
    EXPECT_TRUE(player().Image1->picture().isNull());
    EXPECT_EQ(centre(), teal);
    EXPECT_TRUE(fakeDialogs().messages.empty());
    QTest::keyClick(&player(), Qt::Key_F4);
    EXPECT_FALSE(player().isVisible());
}

TEST_F(PlayerTest, DrawsTheSlideCentredAtItsOwnSize) {
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QString big = slide("big.bmp", Qt::yellow, screen + QSize(201, 100));
    const QStringList list{red, big};
    player().prepareShow(&list);
    player().Timer1->stop();
    player().show();
    QImage shot = player().grab().toImage();
    const QRect small = player().Image1->pictureRect();
    EXPECT_EQ(small,
              QRect(QPoint((screen.width() - 40) / 2, (screen.height() - 30) / 2), QSize(40, 30)));
    EXPECT_EQ(shot.pixelColor(small.topLeft()), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(small.topLeft() - QPoint(1, 1)), teal);
    EXPECT_EQ(shot.pixelColor(small.bottomRight() + QPoint(1, 1)), teal);
    EXPECT_EQ(shot.pixelColor(0, 0), teal);

    player().Timer1Timer();
    shot = player().grab().toImage();
    EXPECT_EQ(player().Image1->pictureRect().topLeft(), QPoint(-100, -50));
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(Qt::yellow));  // cut, not scaled down
    EXPECT_EQ(shot.pixelColor(shot.width() - 1, 0), QColor(Qt::yellow));
    EXPECT_EQ(player().Image1->picture().size(), screen);  // only what shows is kept

    // A JPEG larger than the screen is decoded only where it shows, exactly
    // as the whole picture has it there.
    QImage photo(screen + QSize(301, 203), QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 7 % 256, y * 3 % 256, (x ^ y) % 256));
    const QString jpeg = folder.filePath(QStringLiteral("large.jpg"));
    ASSERT_TRUE(photo.save(jpeg, "JPG", 90));
    const QStringList large{jpeg};
    player().prepareShow(&large);
    player().Timer1->stop();
    EXPECT_EQ(player().Image1->pictureRect().topLeft(), QPoint(-150, -101));
    EXPECT_EQ(player().Image1->picture(),
              NViewLibLoad(jpeg, 0).copy(QRect(QPoint(150, 101), screen)));
    shot = player().grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), NViewLibLoad(jpeg, 0).pixel(150, 101));
}

TEST_F(PlayerTest, LookAheadGivesWhatTheSynchronousDecodeGives) {
    QImage jpeg(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < jpeg.height(); ++y)
        for (int x = 0; x < jpeg.width(); ++x)
            jpeg.setPixel(x, y, qRgb(x * 4, y * 5, 90));
    const QString photo = folder.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(jpeg.save(photo, "JPG"));
    const QStringList list{red, photo, green, blue};
    player().prepareShow(&list);
    player().Timer1->stop();  // the test steps by hand
    const TSlidePrefetch& prefetch = player().prefetch();
    for (int tick = 0; tick < 5; ++tick) {
        const QString next = list[(tick + 1) % list.size()];
        ASSERT_TRUE(waitFor([&] { return prefetch.ready(next); })) << tick;
        player().Timer1Timer();
        EXPECT_EQ(player().Image1->picture(), NViewLibLoad(next, 0)) << tick;
    }
    EXPECT_EQ(prefetch.counts().prefetched, 5);
    EXPECT_EQ(prefetch.counts().decodedHere, 1);  // only the first slide

    // A file rewritten after its look-ahead: the step shows the new content.
    // (File times are coarse: let the clock move past the first write.)
    ASSERT_TRUE(waitFor([&] { return prefetch.ready(green); }));
    QTest::qWait(20);
    slide("green.bmp", Qt::magenta);
    player().Timer1Timer();
    EXPECT_EQ(player().Image1->picture().pixelColor(0, 0), QColor(Qt::magenta));
    // Previous leaves the look-ahead's path: that picture is not used either.
    ASSERT_TRUE(waitFor([&] { return prefetch.ready(blue); }));
    player().PreviousImage1Click();
    expectSlide(photo, 2, 4);
    EXPECT_EQ(prefetch.counts().decodedHere, 3);

    player().setLookAhead(false);
    const int before = prefetch.counts().decodedHere;
    player().Timer1Timer();
    expectSlide(green, 3, 4);
    EXPECT_EQ(prefetch.counts().decodedHere, before);

    // Closing the window ends the worker.
    player().setLookAhead(true);
    player().Timer1Timer();
    player().show();
    QTest::keyClick(&player(), Qt::Key_F4);
    EXPECT_TRUE(waitFor([&] { return !prefetch.workerAlive(); }));
}

// A decoder the test holds up at will, counting calls per path.
struct GatedDecoder {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = true;
    std::atomic<bool> inside{false};
    std::map<QString, int> calls;
    bool throwOnce = false;

    QImage operator()(const QString& path) {
        std::unique_lock lock(mutex);
        ++calls[path];
        inside = true;
        changed.wait(lock, [this] { return open; });
        inside = false;
        if (std::exchange(throwOnce, false))
            throw std::runtime_error("decoder failed");
        return make(path);
    }
    static QImage make(const QString& path) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(QColor::fromRgb(QRgb(qHash(path))));
        return image;
    }
    void setOpen(bool value) {
        std::lock_guard lock(mutex);
        open = value;
        changed.notify_all();
    }
    int callsOf(const QString& path) {
        std::lock_guard lock(mutex);
        return calls[path];
    }
};

// Opens the gate when a test step fails, so the prefetch's destructor can join.
struct GateOpener {
    GatedDecoder& decoder;
    ~GateOpener() { decoder.setOpen(true); }
};

TEST(SlidePrefetch, WaitsForARunningDecodeInsteadOfDecodingTwice) {
    GatedDecoder decoder;
    TSlidePrefetch prefetch(
        [&](const QString& p, const PictureNeed&) { return PicturePart::whole(decoder(p)); });
    GateOpener opener{decoder};
    decoder.setOpen(false);
    prefetch.request(QStringLiteral("/a"));
    ASSERT_TRUE(waitFor([&] { return decoder.inside.load(); }));
    // The worker is held inside "/a"; "/b" replaces the request but is never started.
    prefetch.request(QStringLiteral("/b"));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        decoder.setOpen(true);
    });
    const QImage b = prefetch.take(QStringLiteral("/b")).image;
    release.join();
    EXPECT_EQ(decoder.callsOf(QStringLiteral("/b")), 1);
    EXPECT_EQ(b, GatedDecoder::make(QStringLiteral("/b")));
    // The worker finishes "/a" and drops it: nobody asked for it any more.
    ASSERT_TRUE(waitFor([&] { return prefetch.counts().dropped == 1; }));

    decoder.setOpen(false);
    prefetch.request(QStringLiteral("/c"));
    ASSERT_TRUE(waitFor([&] { return decoder.callsOf(QStringLiteral("/c")) == 1; }));
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        decoder.setOpen(true);
    });
    const QImage c = prefetch.take(QStringLiteral("/c")).image;
    later.join();
    EXPECT_EQ(decoder.callsOf(QStringLiteral("/c")), 1);
    EXPECT_EQ(c, GatedDecoder::make(QStringLiteral("/c")));
    EXPECT_EQ(prefetch.counts().waited, 1);
}

TEST(SlidePrefetch, AFailedDecodeIsRepeatedByTheCallerAndShutdownJoins) {
    GatedDecoder decoder;
    decoder.throwOnce = true;
    auto prefetch = std::make_unique<TSlidePrefetch>(
        [&](const QString& p, const PictureNeed&) { return PicturePart::whole(decoder(p)); });
    GateOpener opener{decoder};
    prefetch->request(QStringLiteral("/x"));
    ASSERT_TRUE(
        waitFor([&] { return decoder.callsOf(QStringLiteral("/x")) == 1 && !decoder.inside; }));
    EXPECT_FALSE(prefetch->take(QStringLiteral("/x")).image.isNull());
    EXPECT_EQ(decoder.callsOf(QStringLiteral("/x")), 2);

    // Destroyed in the middle of a decode: the destructor waits for it.
    decoder.setOpen(false);
    prefetch->request(QStringLiteral("/y"));
    ASSERT_TRUE(waitFor([&] { return decoder.inside.load(); }));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        decoder.setOpen(true);
    });
    prefetch.reset();
    release.join();
    EXPECT_FALSE(decoder.inside);
}

}  // namespace
}  // namespace lumora
