#include "shell/wallpaper_progress_window.h"

#include "shell/wallpaper_changer.h"
#include "ui/animated_bitmap.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace lumora {
namespace {

constexpr int kFrameCount = 6;
constexpr int kFrameMs = 100;
constexpr int kStep = 2;  // per tick of Timer1: 50 ticks fill the bar

// Our own animation: a paint roller rolls a new wallpaper across a small
// monitor, a sixth more each frame.
std::vector<QImage> rollerFrames() {
    constexpr int kWidth = 41, kHeight = 38;
    const QRect screen(5, 4, 31, 21);
    std::vector<QImage> frames;
    for (int f = 0; f < kFrameCount; ++f) {
        QImage frame(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
        frame.fill(Qt::transparent);
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing);
        // Monitor: bezel, stand and the old grey screen.
        p.setPen(QColor(60, 60, 64));
        p.setBrush(QColor(150, 150, 156));
        p.drawRoundedRect(QRectF(2.5, 1.5, 36, 27), 2, 2);
        p.fillRect(QRect(17, 29, 7, 4), QColor(120, 120, 126));
        p.fillRect(QRect(11, 33, 19, 3), QColor(90, 90, 96));
        p.fillRect(screen, QColor(96, 96, 104));
        // The new wallpaper up to the roller: coloured tiles.
        static const QColor kTiles[] = {QColor(40, 110, 210), QColor(250, 205, 40),
                                        QColor(40, 140, 60), QColor(230, 90, 150)};
        const int reached = screen.width() * (f + 1) / kFrameCount;
        const QRect painted(screen.topLeft(), QSize(reached, screen.height()));
        for (int y = 0; y < screen.height(); y += 5)
            for (int x = 0; x < reached; x += 5)
                p.fillRect(QRect(screen.left() + x, screen.top() + y, 5, 5) & painted,
                           kTiles[(x / 5 + y / 5) % 4]);
        // The roller at the edge, its handle over the bezel.
        const int x = screen.left() + reached;
        p.fillRect(QRect(x - 2, screen.top() - 1, 4, screen.height() + 2), QColor(230, 70, 40));
        p.setPen(QPen(QColor(50, 40, 30), 1.5));
        p.drawLine(QPointF(x, screen.center().y()), QPointF(x + 3.5, screen.center().y() + 3));
        p.drawLine(QPointF(x + 3.5, screen.center().y() + 3), QPointF(x + 3.5, kHeight - 4.0));
        p.end();
        frames.push_back(std::move(frame));
    }
    return frames;
}

}  // namespace

TForm10::TForm10() {
    setObjectName(QStringLiteral("Form10"));
    // A tool window without a close box.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QStringLiteral("Applying Wallpaper"));
    setDesignClientSize(234, 66);

    AnimatedBitmap1 = named(new TAnimatedBitmap(rollerFrames(), kFrameMs, this), "AnimatedBitmap1");
    AnimatedBitmap1->setAccessibleName(QStringLiteral("Paint roller animation"));
    Label1 = named(
        new QLabel(QStringLiteral("Please wait while Lumora is applying the wallpaper"), this),
        "Label1");
    QFont font(QStringLiteral("Arial Black"));
    font.setPixelSize(11);
    font.setWeight(QFont::Black);
    Label1->setFont(font);
    Label1->setWordWrap(true);
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(palette);
    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(12);
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));

    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(AnimatedBitmap1, 0, Qt::AlignVCenter);
    top->addWidget(Label1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 3, 4, 4);
    layout->setSpacing(3);
    layout->addLayout(top);
    layout->addWidget(ProgressBar1);

    // Its tick closes the window and switches the changer off: it runs
    // whenever started, not only while the window shows.
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(16);
    Timer1->setTimerType(Qt::CoarseTimer);
    connectHandler(Timer1, &QTimer::timeout, this, &TForm10::Timer1Timer);
}

void TForm10::setVisible(bool visible) {
    if (visible && !isVisible())
        centreOnMainWindowScreen(this);
    TDialogForm::setVisible(visible);
}

void TForm10::FormShow() {
    if (wallpaper)
        wallpaper->Apply();
}

void TForm10::FormCloseQuery(bool& canClose) {
    canClose = closing_ || !isVisible();
}

void TForm10::Timer1Timer() {
    ProgressBar1->setValue(qMin(ProgressBar1->value() + kStep, ProgressBar1->maximum()));
    // A desktop that takes longer than the bar keeps the window open until
    // it has answered or timed out.
    if (ProgressBar1->value() < ProgressBar1->maximum() || (wallpaper && wallpaper->Changing()))
        return;
    Timer1->stop();
    if (wallpaper)
        wallpaper->setActive(false);
    ProgressBar1->setValue(0);
    closing_ = true;
    Close();
    closing_ = false;
}

}  // namespace lumora
