#pragma once

#include "ui/animated_bitmap.h"
#include "ui/form.h"

#include <QImage>
#include <QWidget>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace lumora {

// The quick slideshow's progress window: shown modally while the main window
// walks its file list; it ends only by Abort or by the end of the walk.
class TForm15 : public TDialogForm {
    Q_OBJECT
public:
    TForm15();

    TAnimatedBitmap* AnimatedBitmap1;
    QLabel* Label2;
    QLabel* Label1;  // the selected file's name, set by the main window's refresh
    QProgressBar* ProgressBar1;
    QLabel* Label3;
    QPushButton* BitBtn1;  // Abort
    QTimer* Timer1;
    // The main list's selection at launch (-1: none), restored by Abort.
    QSpinBox* I;

    // Where the walk is (-1: nowhere yet) and how many entries it walks; the
    // refresh shows them.
    void setWalkPosition(int cursor, int count);

    void FormCreate() override;
    void setVisible(bool visible) override;

signals:
    // Abort was pressed: the walk must stop (and the selection come back)
    // before the window closes.
    void aborted();

public slots:
    void Timer1Timer();
    void BitBtn1Click();
    // Escape and the window manager's close do nothing.
    void reject() override {}

private:
    int cursor_ = -1;
    int count_ = 0;
};

}  // namespace lumora
