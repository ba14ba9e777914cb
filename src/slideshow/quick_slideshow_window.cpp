#include "slideshow/quick_slideshow_window.h"

#include "settings/apply_language_table.h"
#include "settings/preferences_window.h"
#include "ui/controls.h"
#include "ui/forms.h"
#include "ui/history.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <climits>

namespace lumora {
namespace {

constexpr int kFrameCount = 7;
constexpr int kFrameMs = 150;

// Our own film strip running past: seven frames, the last leading back into
// the first.
std::vector<QImage> filmStripFrames() {
    // A cell pitch of 21 pixels moves 3 pixels a frame: after seven frames
    // the strip has moved one whole cell and the loop is seamless. The
    // sprocket holes repeat every 7 pixels, which 21 is a multiple of.
    constexpr int kWidth = 63, kHeight = 44, kPitch = 21, kStep = kPitch / kFrameCount;
    const QColor film(40, 36, 32), hole(235, 230, 215);
    std::vector<QImage> frames;
    for (int f = 0; f < kFrameCount; ++f) {
        QImage frame(kWidth, kHeight, QImage::Format_RGB32);
        frame.fill(film);
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing);
        const int shift = f * kStep;
        for (int x = -kPitch + shift; x < kWidth; x += 7) {
            p.fillRect(x + 2, 2, 3, 4, hole);
            p.fillRect(x + 2, kHeight - 6, 3, 4, hole);
        }
        for (int x = -kPitch + shift; x < kWidth; x += kPitch) {
            // Each cell is the same small landscape: sky, sun, hill.
            const QRect cell(x + 2, 9, kPitch - 4, kHeight - 18);
            p.save();
            p.setClipRect(cell);
            QLinearGradient sky(cell.topLeft(), cell.bottomLeft());
            sky.setColorAt(0, QColor(70, 130, 220));
            sky.setColorAt(1, QColor(170, 210, 250));
            p.fillRect(cell, sky);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(250, 210, 40));
            p.drawEllipse(QPointF(cell.right() - 4.5, cell.top() + 5.5), 3, 3);
            p.setBrush(QColor(50, 150, 60));
            p.drawEllipse(QPointF(cell.left() + 5, cell.bottom() + 8), 14, 12);
            p.restore();
        }
        p.end();
        frames.push_back(std::move(frame));
    }
    return frames;
}

}  // namespace

// --- TForm15

TForm15::TForm15() {
    setObjectName(QStringLiteral("Form15"));
    setWindowTitle(QStringLiteral("Please wait while creating a Quick Slideshow"));
    // A title bar without a close button: Abort or the walk's end close it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setDesignClientSize(360, 150);

    AnimatedBitmap1 =
        named(new TAnimatedBitmap(filmStripFrames(), kFrameMs, this), "AnimatedBitmap1");
    AnimatedBitmap1->setAccessibleName(QStringLiteral("Film strip animation"));
    Label2 = named(new QLabel(QStringLiteral("Please wait while Lumora is checking for valid files "
                                             "that can be used for the slideshow"),
                              this),
                   "Label2");
    Label2->setWordWrap(true);
    Label1 = named(new QLabel(QStringLiteral("Please Wait"), this), "Label1");
    Label1->setAlignment(Qt::AlignCenter);
    // A long name is cut rather than widening the fixed window.
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Files checked"));
    Label3 = named(new QLabel(QStringLiteral("File 1000 of 1000"), this), "Label3");
    BitBtn1 = named(new QPushButton(QStringLiteral("&Abort"), this), "BitBtn1");
    I = named(new QSpinBox(this), "I");
    I->setRange(-1, INT_MAX);
    I->setValue(-1);
    I->setVisible(false);

    auto* top = new QHBoxLayout;
    top->addWidget(AnimatedBitmap1, 0, Qt::AlignTop);
    top->addWidget(Label2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label3, 1);
    bottom->addWidget(BitBtn1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addLayout(bottom);

    connectCommand(this, "BitBtn1", &TForm15::BitBtn1Click);
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });
}

void TForm15::FormCreate() {
    // Created after every window the language table names: the stored
    // texts (or the built-in ones) reach them all now.
    ApplyLanguageTable(forms().Form4 ? forms().Form4->Memo2->Lines() : builtInLanguageLines());
}

void TForm15::setVisible(bool visible) {
    if (visible && !isVisible()) {
        // Centred on the screen the user works on, not wherever the
        // pointer happens to be.
        centreOnMainWindowScreen(this);
    }
    TDialogForm::setVisible(visible);
}

void TForm15::setWalkPosition(int cursor, int count) {
    cursor_ = cursor;
    count_ = count;
}

void TForm15::Timer1Timer() {
    // A bar of 0..0 would turn into a busy indicator; an empty list shows an
    // empty bar.
    ProgressBar1->setMaximum(qMax(count_, 1));
    if (cursor_ < 0)
        return;
    ProgressBar1->setValue(cursor_ + 1);
    Label3->setText(QStringLiteral("File ") + QString::number(cursor_ + 1) +
                    QStringLiteral(" of ") + QString::number(count_));
}

void TForm15::BitBtn1Click() {
    AddHistoryEntry(QStringLiteral("Abort Quick Slideshow,"));
    emit aborted();
    Close();
}

}  // namespace lumora
