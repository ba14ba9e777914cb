#pragma once

#include "ui/brk_apart.h"
#include "ui/form.h"

#include <QStringList>

class QTreeWidget;

namespace lumora {

// The history list: the actions of this run with their times.
class TForm21 : public TDialogForm {
    Q_OBJECT
public:
    TForm21();
    ~TForm21() override;

    // The history store, oldest entry first; kept for the run only. The
    // history log appends to it.
    QStringList History;

    QTreeWidget* ListView1;
    TBrkApart BrkApart1;

    void FormCreate() override;
    void FormActivate() override;

    // Fills the list view from the store, replacing what it showed.
    void fillListView();

protected:
    // Escape closes it: a list without buttons, and without a window
    // manager no close box either, has no other way out by keyboard.
    void keyPressEvent(QKeyEvent* event) override { QDialog::keyPressEvent(event); }
};

}  // namespace lumora
