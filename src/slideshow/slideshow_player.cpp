#include "slideshow/slideshow_player.h"

#include "nviewlib/nviewlib.h"
#include "platform/dialogs.h"
#include "settings/preferences_window.h"
#include "slideshow/slide_prefetch.h"
#include "ui/color_combo_box.h"
#include "ui/controls.h"
#include "ui/forms.h"
#include "ui/history.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <utility>

namespace lumora {
namespace {

constexpr int kCaptionHeight = 41;

QImage decodeSlide(const QString& path) {
    return NViewLibLoad(path, 0);
}

}  // namespace

// --- TSlideImage

TSlideImage::TSlideImage(QWidget* parent) : QWidget(parent) {}

void TSlideImage::setPicture(QImage picture) {
    picture_ = std::move(picture);
    ++serial_;
    update();
}

QRect TSlideImage::pictureRect() const {
    if (picture_.isNull())
        return {};
    return QRect(QPoint((width() - picture_.width()) / 2, (height() - picture_.height()) / 2),
                 picture_.size());
}

void TSlideImage::paintEvent(QPaintEvent* event) {
    if (!picture_.isNull()) {
        // Only the part on screen is drawn: a 12-megapixel slide costs what
        // the screen costs.
        const QRect target = pictureRect();
        const QRect visible = target.intersected(event->rect());
        if (!visible.isEmpty()) {
            QPainter painter(this);
            painter.drawImage(visible.topLeft(), picture_, visible.translated(-target.topLeft()));
        }
    }
    emit painted(serial_);
}

// --- TForm8

TForm8::TForm8() : prefetch_(std::make_unique<TSlidePrefetch>(decodeSlide)) {
    setObjectName(QStringLiteral("Form8"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    Image1 = named(new TSlideImage(this), "Image1");
    Image1->setContextMenuPolicy(Qt::CustomContextMenu);

    Panel1 = named(new QLabel(QStringLiteral("Please Wait"), this), "Panel1");
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setAutoFillBackground(false);                    // the picture shows through
    Panel1->setAttribute(Qt::WA_TransparentForMouseEvents);  // right clicks reach Image1
    QPalette caption = Panel1->palette();
    caption.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Panel1->setPalette(caption);
    QFont font = Panel1->font();
    font.setPixelSize(16);
    Panel1->setFont(font);

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    NextImage1 = addKeyCommand(PopupMenu1, "NextImage1", QStringLiteral("Next Image"), Qt::Key_F7);
    PreviousImage1 =
        addKeyCommand(PopupMenu1, "PreviousImage1", QStringLiteral("Previous Image"), Qt::Key_F6);
    PopupMenu1->addSeparator();
    ManualCycle1 =
        addKeyCommand(PopupMenu1, "ManualCycle1", QStringLiteral("Manual Cycle"), Qt::Key_F2);
    ManualCycle1->setCheckable(true);
    PopupMenu1->addSeparator();
    EndSlideShow1 =
        addKeyCommand(PopupMenu1, "EndSlideShow1", QStringLiteral("End SlideShow"), Qt::Key_F4);

    connectCommand(this, "NextImage1", &TForm8::NextImage1Click);
    connectCommand(this, "PreviousImage1", &TForm8::PreviousImage1Click);
    connectCommand(this, "ManualCycle1", &TForm8::ManualCycle1Click);
    connectCommand(this, "EndSlideShow1", &TForm8::EndSlideShow1Click);
    // The enabled state is exact whenever the menu is seen, whatever the
    // refresh pace.
    connectHandler(PopupMenu1, &QMenu::aboutToShow, this, &TForm8::Timer2Timer);
    connect(Image1, &TSlideImage::painted, this, [this] {
        if (prefetchAfterPaint_.isNull())
            return;
        // Queued: runs after the paint has been flushed to the screen.
        QTimer::singleShot(0, this, [this] {
            if (prefetchAfterPaint_.isNull() || !lookAhead_)
                return;
            prefetch_->request(std::exchange(prefetchAfterPaint_, QString()));
        });
    });
    connect(Image1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(Image1->mapToGlobal(at)); });

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);
    connectHandler(Timer1, &QTimer::timeout, this, &TForm8::Timer1Timer);

    Timer2 = named(new QTimer(this), "Timer2");
    Timer2->setInterval(16);
    Timer2->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer2, [this] { Timer2Timer(); });
}

// Joins the look-ahead worker before the widgets go.
TForm8::~TForm8() {
    prefetch_.reset();
}

void TForm8::setLookAhead(bool on) {
    lookAhead_ = on;
    if (!on) {
        prefetchAfterPaint_.clear();
        prefetch_->stop();
    }
}

void TForm8::applyPreferences() {
    Timer1->setInterval(forms().Form4->slidestimer->value());
}

void TForm8::prepareShow(const QStringList* source) {
    QPalette colour = palette();
    colour.setColor(QPalette::Window, forms().Form4
                                          ? colorFromValue(forms().Form4->bgcolor->ColorValue())
                                          : QColor(Qt::black));
    setPalette(colour);
    Image1->clearPicture();
    if (source)
        ListBox1 = *source;
    // Every show starts at its first slide and cycling, whatever the last
    // show was left at (a shorter list would otherwise be indexed past its end).
    position_ = -1;
    ManualCycle1->setChecked(false);
    Panel1->setText(QStringLiteral("Please Wait"));
    soundsToStop_ = true;

    // Without a window manager nobody maximises for us, so the window takes
    // the work area of the screen the user is looking at itself.
    if (QScreen* screen = mainWindowScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);
    layOut();
    Timer1->start();
    step();
}

void TForm8::Start(const QStringList* source) {
    prepareShow(source);
    ShowModal();
}

void TForm8::step() {
    // An empty list has nothing to show: "Please Wait" stays until End.
    if (ListBox1.isEmpty())
        return;
    position_ = position_ + 1 < ListBox1.size() ? position_ + 1 : 0;
    showSlide(position_);
    if (position_ == ListBox1.size() - 1)
        position_ = -1;
    prefetchNext();
}

void TForm8::showSlide(int index) {
    const QString& entry = ListBox1.at(index);
    // A missing or unreadable file gives a null picture: the colour shows.
    Image1->setPicture(lookAhead_ ? prefetch_->take(entry) : decodeSlide(entry));
    Panel1->setText(entry + QStringLiteral("   -  Image ") + QString::number(index + 1) +
                    QStringLiteral(" of ") + QString::number(ListBox1.size()));
}

void TForm8::prefetchNext() {
    if (!lookAhead_ || ListBox1.isEmpty())
        return;
    const int next = position_ + 1 < ListBox1.size() ? position_ + 1 : 0;
    if (isVisible()) {
        // Started once this slide is on screen, so that our own decode does not
        // compete with the paint the user is waiting for.
        prefetchAfterPaint_ = ListBox1.at(next);
        return;
    }
    prefetch_->request(ListBox1.at(next));
}

void TForm8::Timer1Timer() {
    step();
}

void TForm8::Timer2Timer() {
    // At -1 (after the last slide) the command keeps its last state.
    if (position_ == 0)
        PreviousImage1->setEnabled(false);
    else if (position_ > 0)
        PreviousImage1->setEnabled(true);
}

void TForm8::NextImage1Click() {
    AddHistoryEntry(QStringLiteral("Pressed Next Image,"));
    step();
}

void TForm8::PreviousImage1Click() {
    if (position_ == -1 || ListBox1.isEmpty())
        return;
    if (position_ == 0) {
        dialogs().message(this, QStringLiteral("Error"),
                          QStringLiteral("You are at the beginning!"), MsgIcon::Error,
                          MsgButtons::Ok);
        // The window regains activation from its own box, which the program's
        // own activation does not count.
        FormActivate();
        return;
    }
    AddHistoryEntry(QStringLiteral("Pressed Previous Image,"));
    position_ = qMin(position_, int(ListBox1.size())) - 1;
    showSlide(position_);
    prefetchNext();
}

void TForm8::ManualCycle1Click() {
    AddHistoryEntry(QStringLiteral("Pressed Manual Cycle,"));
    if (!ManualCycle1->isChecked()) {
        ManualCycle1->setChecked(true);
        Timer1->stop();
    } else {
        ManualCycle1->setChecked(false);
        Timer1->start();
    }
}

void TForm8::EndSlideShow1Click() {
    endShow(true);
}

void TForm8::stopShowSounds() {
    if (std::exchange(soundsToStop_, false) && stopSounds)
        stopSounds();
}

void TForm8::endShow(bool fromMenu) {
    stopShowSounds();
    if (fromMenu)
        AddHistoryEntry(QStringLiteral("Pressed End Slideshow,"));
    Timer1->stop();
    Close();
}

void TForm8::FormKeyDown(int key) {
    switch (key) {
        case Qt::Key_F4:
            endShow(false);
            break;
        case Qt::Key_F2:
            ManualCycle1Click();
            break;
        case Qt::Key_F6:
            PreviousImage1Click();
            break;
        case Qt::Key_F7:
            NextImage1Click();
            break;
        default:
            break;
    }
}

void TForm8::keyPressEvent(QKeyEvent* event) {
    // Not passed on: a dialog would end on Escape, and other keys are ignored.
    event->accept();
    const int key = event->key();
    guarded([this, key] { FormKeyDown(key); });
}

void TForm8::FormActivate() {
    if (startSounds)
        startSounds();
}

void TForm8::resizeEvent(QResizeEvent* event) {
    TDialogForm::resizeEvent(event);
    layOut();
}

void TForm8::layOut() {
    Image1->setGeometry(rect());
    Panel1->setGeometry(0, height() - kCaptionHeight, width(), kCaptionHeight);
    Panel1->raise();
}

void TForm8::hideEvent(QHideEvent* event) {
    TDialogForm::hideEvent(event);
    if (event->spontaneous())
        return;
    // However the window went (End, or closed from outside), the show stops
    // here: no sound, no ticks, no worker, no picture kept in a hidden window.
    stopShowSounds();
    Timer1->stop();
    prefetchAfterPaint_.clear();
    prefetch_->stop();
    Image1->clearPicture();
}

}  // namespace lumora
