#include "app/about_window.h"

#include "app/main_window.h"
#include "settings/preferences_window.h"
#include "ui/forms.h"
#include "ui/picture_view.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumora {

TForm11::TForm11() {
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("About"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    auto* text =
        new QLabel(QStringLiteral("<b>%1</b><br>A multimedia viewer and file browser.<br><br>"
                                  "Pictures, sounds, MIDI and video in one window;<br>"
                                  "slideshows, favourites and the icons inside programs.")
                       .arg(TForm1::applicationTitle()),
                   this);
    text->setAlignment(Qt::AlignCenter);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Image1);
    layout->addWidget(text);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

void TForm11::FormCreate() {
    // The stored preferences are read and applied before the main window shows.
    TForm4* preferences = forms().Form4;
    preferences->runShownOffScreen([preferences] { preferences->Button1Click(); });
    Image1->setPixmap(QPixmap::fromImage(forms().Form1->jpg->picture()));
}

}  // namespace lumora
