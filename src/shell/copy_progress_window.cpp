#include "shell/copy_progress_window.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace lumora {

// A single border with only the help button: the copy cannot be closed.
Tprogform::Tprogform(QWidget* owner)
    : TForm(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowContextHelpButtonHint) {
    setObjectName(QStringLiteral("progform"));
    setFixedSize(275, 73);
    LFilename = named(new QLabel(this), "LFilename");
    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addWidget(LFilename);
    layout->addWidget(ProgressBar1);
}

void Tprogform::setFileNames(const QString& text) {
    LFilename->setToolTip(text);
    LFilename->setAccessibleName(text);
    const int room =
        width() - layout()->contentsMargins().left() - layout()->contentsMargins().right();
    LFilename->setText(LFilename->fontMetrics().elidedText(text, Qt::ElideMiddle, room));
}

void Tprogform::showCentred() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Tprogform::showPercent(int percent) {
    // A bar that shows its percentage repaints itself at once when it changes.
    ProgressBar1->setValue(percent);
}

}  // namespace lumora
