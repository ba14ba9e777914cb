// The video component: opening, passes and loops, its options, how it draws,
// and how it keeps time, the GUI thread and its teardown.

#include "media/avi_play.h"
#include "platform/avifile.h"
#include "support/media_files.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>

namespace lumora {
namespace {

using namespace test;

// Counts the paints a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

QString tenFrames() {
    return numberedAvi(QStringLiteral("ten.avi"), 10);
}

QString hundredFrames() {
    return numberedAvi(QStringLiteral("hundred.avi"), 100);
}

// A second at 15 frames a second with 22 kHz PCM.
QString filmWithSound() {
    return aviFile(QStringLiteral("tone15.avi"), 15, {"-c:v", "mjpeg", "-q:v", "3"},
                   {"-c:a", "pcm_s16le", "-ar", "22050"});
}

// A copy of an AVI with its video header changed.
QString patchedVideoHeader(const QString& from, const QString& name,
                           const std::function<void(QByteArray&, qsizetype)>& patch) {
    QByteArray bytes = readFile(from);
    const qsizetype vids = aviStreamHeader(bytes, "vids");
    EXPECT_GT(vids, 0);
    patch(bytes, vids);
    return writeFile(name, bytes);
}

class AviPlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent.setAutoFillBackground(true);
        parent.setPalette(QPalette(Qt::green));
        parent.resize(400, 300);
        view = new TDCAVIPlay(&parent);
        view->move(20, 10);
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
        fakeDialogs().reset();
    }

    void playToTheEnd() {
        view->setActive(true);
        ASSERT_TRUE(waitFor([this] { return !view->Active(); }));
    }

    QWidget parent;
    TDCAVIPlay* view = nullptr;
};

TEST_F(AviPlayTest, CreatedWithItsDefaults) {
    EXPECT_EQ(view->size(), QSize(100, 50));
    EXPECT_FALSE(view->Active());
    EXPECT_TRUE(view->AutoSize());
    EXPECT_TRUE(view->Center());
    EXPECT_TRUE(view->FileName().isEmpty());
    EXPECT_TRUE(view->PlaySound());
    EXPECT_EQ(view->Repetitions(), 0);
    EXPECT_EQ(view->StartFrame(), 1);
    EXPECT_EQ(view->StopFrame(), 0);
    EXPECT_FALSE(view->Stretch());
    EXPECT_TRUE(view->Transparent());
}

TEST_F(AviPlayTest, OpeningTakesTheFilmsFramesSizeAndInterval) {
    int opened = 0;
    QObject::connect(view, &TDCAVIPlay::OnOpen, [&] { ++opened; });
    // The header claims 400 x 300: the control takes the size that decodes.
    view->setFileName(patchedVideoHeader(filmWithSound(), QStringLiteral("big-header.avi"),
                                         [](QByteArray& avi, qsizetype vids) {
                                             setLe16(avi, vids + 52, 400);
                                             setLe16(avi, vids + 54, 300);
                                         }));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(view->FrameCount(), 15);
    EXPECT_EQ(view->StartFrame(), 0);
    EXPECT_EQ(view->StopFrame(), 14);
    EXPECT_EQ(view->FrameInterval(), 67);
    EXPECT_EQ(view->FramePeriod().numerator * 15, view->FramePeriod().denominator);
    EXPECT_EQ(view->size(), QSize(160, 120));

    view->setStopFrame(1000);
    EXPECT_EQ(view->StopFrame(), 14);
    view->setStartFrame(-5);
    EXPECT_EQ(view->StartFrame(), 0);

    view->setFileName(tenFrames());
    EXPECT_EQ(view->FrameInterval(), 40);
    EXPECT_EQ(view->size(), QSize(32, 24));

    // Frame numbers of 32 bits: 70,000 is no 4,464.
    view->setFileName(patchedVideoHeader(
        tenFrames(), QStringLiteral("long.avi"),
        [](QByteArray& avi, qsizetype vids) { setLe32(avi, vids + 32, 100000); }));
    EXPECT_EQ(view->FrameCount(), 100000);
    view->setStopFrame(70000);
    EXPECT_EQ(view->StopFrame(), 70000);
}

TEST_F(AviPlayTest, OnePassStopsOnceAndEndlessPassesGoOn) {
    int started = 0;
    int stopped = 0;
    QObject::connect(view, &TDCAVIPlay::OnStart, [&] { ++started; });
    QObject::connect(view, &TDCAVIPlay::OnStop, [&] { ++stopped; });
    view->setFileName(tenFrames());
    view->setRepetitions(1);
    playToTheEnd();
    EXPECT_EQ(started, 1);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(view->CurrentFrame(), 9);  // it stays on the last frame
    // No sound track: it played in silence.
    EXPECT_FALSE(view->sound().playing());

    view->setRepetitions(0);
    view->setActive(true);
    int highest = 0;
    ASSERT_TRUE(waitFor([&] {
        highest = std::max(highest, view->CurrentFrame());
        return highest == 9 && view->CurrentFrame() < 9;
    }));
    EXPECT_TRUE(view->Active());
    view->setActive(false);
    EXPECT_EQ(started, 2);
    EXPECT_EQ(stopped, 2);
}

TEST_F(AviPlayTest, TheSoundFollowsPlaySound) {
    view->setFileName(filmWithSound());
    view->setActive(true);
    EXPECT_TRUE(view->sound().playing());
    EXPECT_GT(view->sound().buffersInFlight(), 0);
    EXPECT_LE(view->sound().buffersInFlight(), TAudioPlay::kBuffers);
    view->setPlaySound(false);
    EXPECT_FALSE(view->sound().playing());
    EXPECT_EQ(view->sound().buffersInFlight(), 0);
    view->setPlaySound(true);
    EXPECT_TRUE(view->sound().playing());
    view->Stop();
    EXPECT_FALSE(view->sound().playing());
    EXPECT_EQ(view->sound().buffersInFlight(), 0);

    // Not playing, the switch only takes note.
    view->setPlaySound(false);
    view->setPlaySound(true);
    EXPECT_FALSE(view->sound().playing());
}

TEST_F(AviPlayTest, AnEmptyFileNameClearsItAndRepaintsTheParent) {
    int closed = 0;
    QObject::connect(view, &TDCAVIPlay::OnClose, [&] { ++closed; });
    view->setFileName(tenFrames());
    view->setActive(true);
    PaintCounter parentPaints(&parent);
    view->setFileName(QString());
    EXPECT_GT(parentPaints.paints, 0);  // at once, not at the next pass of the event loop
    EXPECT_FALSE(view->isOpen());
    EXPECT_FALSE(view->Active());
    EXPECT_EQ(view->FrameCount(), 0);
    EXPECT_GE(closed, 1);
}

// Whether two colours are the same but for rounding in a codec's colour space.
bool near(const QColor& seen, Qt::GlobalColor expected) {
    const QColor e(expected);
    return std::abs(seen.red() - e.red()) <= 3 && std::abs(seen.green() - e.green()) <= 3 &&
           std::abs(seen.blue() - e.blue()) <= 3;
}

// A 64 x 48 frame: magenta (the key colour, bottom left) round a white box.
QString keyedFilm() {
    return ffmpegFile(QStringLiteral("keyed.avi"),
                      {"-f", "lavfi", "-i",
                       "color=c=magenta:s=64x48:r=25:d=0.2,"
                       "drawbox=x=16:y=12:w=32:h=24:color=white:t=fill",
                       "-c:v", "rawvideo", "-pix_fmt", "bgr24"});
}

TEST_F(AviPlayTest, DrawsCentredStretchedOrOverItsParent) {
    QPalette blue = view->palette();
    blue.setColor(QPalette::Window, Qt::blue);
    view->setPalette(blue);
    view->setAutoSize(false);
    view->setTransparent(false);
    view->resize(200, 100);
    view->setFileName(keyedFilm());
    const auto seen = [this](int x, int y) { return QColor(view->grab().toImage().pixel(x, y)); };
    // Centred: the frame spans 68..131 x 26..73, bands of the control's colour round it.
    EXPECT_TRUE(near(seen(100, 50), Qt::white));
    EXPECT_TRUE(near(seen(70, 28), Qt::magenta));
    EXPECT_TRUE(near(seen(10, 10), Qt::blue));
    EXPECT_TRUE(near(seen(190, 90), Qt::blue));
    view->setCenter(false);
    EXPECT_TRUE(near(seen(2, 2), Qt::magenta));
    EXPECT_TRUE(near(seen(150, 80), Qt::blue));
    view->setStretch(true);
    EXPECT_TRUE(near(seen(2, 2), Qt::magenta));
    EXPECT_TRUE(near(seen(197, 97), Qt::magenta));
    EXPECT_TRUE(near(seen(100, 50), Qt::white));

    // Transparent: the key colour and the bands show the parent.
    view->setStretch(false);
    view->setCenter(true);
    view->setTransparent(true);
    const auto through = [this](int x, int y) {
        return QColor(parent.grab(view->geometry()).toImage().pixel(x, y));
    };
    EXPECT_TRUE(near(through(100, 50), Qt::white));
    EXPECT_TRUE(near(through(70, 28), Qt::green));
    EXPECT_TRUE(near(through(10, 10), Qt::green));

    // Empty and opaque, it is all the control's colour.
    view->setTransparent(false);
    view->setFileName(QString());
    EXPECT_TRUE(near(seen(100, 50), Qt::blue));
}

TEST_F(AviPlayTest, UnplayableFilesLeaveItEmptyWithoutAMessage) {
    const QString film = filmWithSound();
    const auto header = [&](const char* name, qsizetype offset, uint32_t value) {
        return patchedVideoHeader(
            film, QString::fromLatin1(name),
            [=](QByteArray& avi, qsizetype vids) { setLe32(avi, vids + offset, value); });
    };
    QByteArray blank = readFile(film);
    for (qsizetype chunk : aviChunks(blank, "00dc"))
        blankChunk(blank, chunk);
    const QString unplayable[] = {
        header("scale0.avi", 20, 0),
        header("rate0.avi", 24, 0),
        header("empty-length.avi", 32, 0),
        writeFile(QStringLiteral("blank.avi"), blank),
        ffmpegFile(QStringLiteral("wide.avi"), {"-f", "lavfi", "-i", "color=c=red:s=8200x2:d=0.04",
                                                "-c:v", "rawvideo", "-pix_fmt", "bgr24"}),
        writeFile(QStringLiteral("words.avi"), "no film here"),
        mediaFolder() + QStringLiteral("/absent.avi"),
    };
    for (const QString& path : unplayable) {
        view->setFileName(path);
        view->setActive(true);
        EXPECT_FALSE(view->isOpen()) << path.toStdString();
        EXPECT_FALSE(view->Active()) << path.toStdString();
        EXPECT_EQ(view->FrameInterval(), 0);
    }
    EXPECT_TRUE(fakeDialogs().messages.empty());

    // Twenty seconds a frame, and a hundred thousand frames a second: held to 10 s and 1 ms.
    view->setFileName(header("slow.avi", 20, 20 * 15));
    EXPECT_EQ(view->FrameInterval(), 10000);
    view->setFileName(header("fast.avi", 24, 100000 * 15));
    EXPECT_EQ(view->FrameInterval(), 1);
}

TEST_F(AviPlayTest, AFrameThatFailsKeepsTheLastPicture) {
    QByteArray avi =
        readFile(aviFile(QStringLiteral("mjpeg-quiet.avi"), 25, {"-c:v", "mjpeg", "-q:v", "3"}));
    const std::vector<qsizetype> frames = aviChunks(avi, "00dc");
    ASSERT_EQ(frames.size(), 25u);
    blankChunk(avi, frames[3]);
    view->setFileName(writeFile(QStringLiteral("broken3.avi"), avi));
    ASSERT_TRUE(view->isOpen());
    const QImage first = view->grab().toImage();
    view->Play(3, 3, 1);
    EXPECT_EQ(view->grab().toImage(), first);
    view->Play(4, 4, 1);
    EXPECT_NE(view->grab().toImage(), first);
}

TEST_F(AviPlayTest, ABusyGuiThreadGetsOnePaintNotAQueue) {
    view->setFileName(hundredFrames());
    PaintCounter paints(view);
    view->setActive(true);
    ASSERT_TRUE(waitFor([&] { return paints.paints >= 2; }));
    QThread::msleep(600);  // fifteen frames fall due meanwhile
    paints.paints = 0;
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_LE(paints.paints, 1);
}

TEST_F(AviPlayTest, TheLastPassEndsOnTheGuiThread) {
    view->setFileName(tenFrames());
    view->setRepetitions(1);
    int stopped = 0;
    bool onGuiThread = false;
    QObject::connect(view, &TDCAVIPlay::OnStop, [&] {
        ++stopped;
        onGuiThread = QThread::currentThread() == qApp->thread();
    });
    view->setActive(true);
    QThread::msleep(800);  // the pass of 400 ms is over, the GUI thread has not heard of it
    EXPECT_EQ(view->CurrentFrame(), 9);
    EXPECT_TRUE(view->Active());
    EXPECT_EQ(stopped, 0);
    ASSERT_TRUE(waitFor([&] { return !view->Active(); }));
    EXPECT_EQ(stopped, 1);
    EXPECT_TRUE(onGuiThread);
    EXPECT_EQ(view->CurrentFrame(), 9);
}

TEST_F(AviPlayTest, NothingTicksAfterStopOrDestruction) {
    view->setFileName(hundredFrames());
    view->setActive(true);
    ASSERT_TRUE(waitFor([&] { return view->CurrentFrame() >= 3; }));
    view->Stop();
    const int frame = view->CurrentFrame();
    QThread::msleep(100);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->CurrentFrame(), frame);

    // Destroyed while playing with sound: the timer, the sound and the
    // notices go with it (the sanitizers watch).
    auto* playing = new TDCAVIPlay(&parent);
    playing->setFileName(filmWithSound());
    playing->setActive(true);
    ASSERT_TRUE(waitFor([&] { return playing->CurrentFrame() >= 2; }));
    delete playing;
    QThread::msleep(50);
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace lumora
