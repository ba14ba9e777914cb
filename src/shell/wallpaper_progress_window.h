#pragma once

#include "ui/form.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace lumora {

class TAnimatedBitmap;
class TWallPaperChanger;

// Shown modally while a wallpaper command runs: the bar fills in 50 ticks,
// and the window closes once it is full and the changer has finished.
class TForm10 : public TDialogForm {
    Q_OBJECT
public:
    TForm10();

    TAnimatedBitmap* AnimatedBitmap1;
    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QTimer* Timer1;  // started by the command that shows the window

    // The changer the window waits for, handed over by the command.
    TWallPaperChanger* wallpaper = nullptr;

    void Timer1Timer();

protected:
    // The application starts as the window opens.
    void FormShow() override;
    // Only the full bar closes the window: the close box, Alt+F4 and Escape do not.
    void FormCloseQuery(bool& canClose) override;
    void setVisible(bool visible) override;

private:
    bool closing_ = false;
};

}  // namespace lumora
