#pragma once

#include "ui/form.h"

class QLabel;
class QProgressBar;

namespace lumora {

// The progress of one copy: shown while it runs, then destroyed.
class Tprogform : public TForm {
    Q_OBJECT
public:
    explicit Tprogform(QWidget* owner = nullptr);

    QLabel* LFilename;
    QProgressBar* ProgressBar1;

    // Shows the file names on the label, cut in the middle where they do not fit.
    void setFileNames(const QString& text);
    // Centred on the screen, painted before the copy starts.
    void showCentred();
    // Paints the new percentage at once: the copy gives the event loop only
    // the odd moment.
    void showPercent(int percent);

protected:
    // A window manager offers a close box all the same: the window stays
    // until its copy ends.
    void FormCloseQuery(bool& canClose) override { canClose = false; }
};

}  // namespace lumora
