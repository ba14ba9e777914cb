#include "slideshow/fullscreen_viewer.h"

#include "slideshow/slideshow_player.h"

#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace lumora {

TForm5::TForm5() {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Fullscreen"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::Base, Qt::black);
    setPalette(black);

    ScrollBox1 = named(new QScrollArea(this), "ScrollBox1");
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAccessibleName(QStringLiteral("Picture area"));
    ScrollBox1->viewport()->setAutoFillBackground(true);
    ScrollBox1->viewport()->setPalette(black);
    // The scroll bars keep the look of the desktop, not the black of the window.
    ScrollBox1->horizontalScrollBar()->setPalette(QPalette());
    ScrollBox1->verticalScrollBar()->setPalette(QPalette());
    jpg = named(new TSlideImage, "jpg");
    jpg->setAccessibleName(QStringLiteral("Picture"));
    ScrollBox1->setWidget(jpg);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ScrollBox1);

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    NextImage1 = addKeyCommand(PopupMenu1, "NextImage1", QStringLiteral("Next Image"), Qt::Key_F12);
    PreviousImage1 =
        addKeyCommand(PopupMenu1, "PreviousImage1", QStringLiteral("Previous Image"), Qt::Key_F11);
    connectCommand(this, "NextImage1", &TForm5::NextImage1Click);
    connectCommand(this, "PreviousImage1", &TForm5::PreviousImage1Click);

    jpg->installEventFilter(this);
    ScrollBox1->viewport()->installEventFilter(this);
    // The scroll area takes its viewport's context-menu events and reports
    // them in viewport coordinates; the picture reports its own.
    for (QWidget* surface : {static_cast<QWidget*>(jpg), static_cast<QWidget*>(ScrollBox1)}) {
        QWidget* origin = surface == ScrollBox1 ? ScrollBox1->viewport() : surface;
        surface->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(surface, &QWidget::customContextMenuRequested, this,
                [this, origin](const QPoint& at) { PopupMenu1->popup(origin->mapToGlobal(at)); });
    }
    connect(jpg, &TSlideImage::painted, this, [this] {
        if (aheadAfterPaint_.isNull())
            return;
        // Queued: runs after the paint has been flushed to the screen, so the
        // decode does not compete with the picture the user waits for.
        QTimer::singleShot(0, this, [this] {
            if (!aheadAfterPaint_.isNull() && prefetch_)
                prefetch_->request(std::exchange(aheadAfterPaint_, QString()));
        });
    });
}

// Joins the look-ahead worker before the widgets go.
TForm5::~TForm5() {
    prefetch_.reset();
}

void TForm5::Open(const QImage& picture) {
    prepareShow(picture);
    ShowModal();
}

void TForm5::prepareShow(const QImage& picture) {
    // The whole screen of the main window, also without a window manager.
    if (QScreen* screen = mainWindowScreen())
        setGeometry(screen->geometry());
    setWindowState(Qt::WindowFullScreen);
    jpg->setVisible(true);
    showPicture(picture);
    ScrollBox1->setFocus();
}

void TForm5::showPicture(const QImage& picture) {
    jpg->setPicture(picture);
    jpg->resize(picture.size());
    // A new picture starts at its top-left corner.
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
}

void TForm5::setLookAheadDecoder(TSlidePrefetch::Decoder decoder) {
    prefetch_ = std::make_unique<TSlidePrefetch>(std::move(decoder));
}

void TForm5::lookAhead(const QString& path) {
    if (path.isEmpty() || !prefetch_) {
        dropLookAhead();
        return;
    }
    // An empty picture is never painted: nothing to wait for.
    if (isVisible() && !jpg->picture().isNull()) {
        aheadAfterPaint_ = path;
        return;
    }
    aheadAfterPaint_.clear();
    prefetch_->request(path);
}

std::optional<QImage> TForm5::takePicture(const QString& path) {
    if (!prefetch_)
        return std::nullopt;
    return prefetch_->take(path);
}

void TForm5::dropLookAhead() {
    aheadAfterPaint_.clear();
    if (prefetch_)
        prefetch_->stop();
}

void TForm5::NextImage1Click() {
    emit stepRequested(+1);
}

void TForm5::PreviousImage1Click() {
    emit stepRequested(-1);
}

void TForm5::FormKeyDown(int key) {
    switch (key) {
        case Qt::Key_F4:
            Close();
            break;
        case Qt::Key_F11:
            PreviousImage1Click();
            break;
        case Qt::Key_F12:
            NextImage1Click();
            break;
        default:
            break;
    }
}

void TForm5::keyPressEvent(QKeyEvent* event) {
    // Not passed on: a dialog would end on Escape. The scroll area has had
    // its arrow keys before they come here.
    event->accept();
    const int key = event->key();
    guarded([this, key] { FormKeyDown(key); });
}

bool TForm5::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == jpg || watched == ScrollBox1->viewport())) {
        guarded([this] { Close(); });
        return true;
    }
    return TDialogForm::eventFilter(watched, event);
}

void TForm5::hideEvent(QHideEvent* event) {
    TDialogForm::hideEvent(event);
    if (event->spontaneous())
        return;
    // Nothing decoded ahead and no big picture kept in a hidden window.
    dropLookAhead();
    jpg->clearPicture();
}

}  // namespace lumora
