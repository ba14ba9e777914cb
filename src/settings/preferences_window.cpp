#include "settings/preferences_window.h"

#include "platform/program_files.h"
#include "settings/apply_language_table.h"
#include "settings/form_storage.h"
#include "settings/language_pack.h"
#include "settings/language_table.h"
#include "settings/select_directory_window.h"
#include "ui/color_combo_box.h"
#include "ui/controls.h"
#include "ui/forms.h"
#include "ui/history.h"
#include "ui/list_box.h"
#include "ui/tabbed_notebook.h"
#include "ui/toolbar_glyphs.h"
#include "ui/wrapped_check_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

namespace lumora {
namespace {

constexpr int kDescriptionColour = 13565951;  // pale yellow

QCheckBox* checkBox(const char* name, const char* caption, bool checked) {
    auto* box = named(new QCheckBox(QString::fromUtf8(caption)), name);
    box->setChecked(checked);
    return box;
}

QPushButton* button(const char* name, const char* caption) {
    return named(new QPushButton(QString::fromUtf8(caption)), name);
}

// A read-only tip of a few lines.
TMemo* tipMemo(const char* name, const QString& accessibleName, const QStringList& lines) {
    auto* memo = named(new TMemo, name);
    memo->setReadOnly(true);
    memo->setLines(lines);
    memo->setAccessibleName(accessibleName);
    memo->setFocusPolicy(Qt::ClickFocus);
    return memo;
}

// The pale-yellow panel: "Description" and below it the text of the control
// under the mouse.
QWidget* descriptionPanel(QLabel*& label, const char* name) {
    auto* panel = new QWidget;
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colorFromValue(kDescriptionColour));
    palette.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(palette);
    auto* heading = new QLabel(QStringLiteral("Description"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    label = named(new QLabel, name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for the longest description, three lines.
    label->setMinimumHeight(3 * label->fontMetrics().lineSpacing());
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(2);
    layout->addWidget(heading);
    layout->addWidget(label, 1);
    return panel;
}

QLabel* pageIcon(TPagePicture::Motif motif, const QString& caption) {
    auto* icon = new QLabel;
    icon->setPixmap(TPagePicture::icon(motif, 32));
    icon->setFixedSize(32, 32);
    icon->setAccessibleName(caption + QStringLiteral(" icon"));
    return icon;
}

QVBoxLayout* column(std::initializer_list<QWidget*> widgets) {
    auto* layout = new QVBoxLayout;
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    return layout;
}

void setHighlighted(QCheckBox* box, bool highlighted) {
    QPalette palette = box->palette();
    palette.setColor(
        QPalette::WindowText,
        highlighted ? QColor(Qt::blue) : QApplication::palette(box).color(QPalette::WindowText));
    box->setPalette(palette);
    QFont font = box->font();
    font.setUnderline(highlighted);
    box->setFont(font);
}

}  // namespace

TForm4::TForm4() {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Preferences"));
    // Left only with OK: no system menu, no close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setDesignClientSize(394, 405);

    OpenDialog1.defaultExt = QStringLiteral(".lml");
    OpenDialog1.fileName = QStringLiteral("*.lml");
    OpenDialog1.filter = QStringLiteral("Lumora 1.0.0 Language Packs (*.lml)|*.lml");
    OpenDialog1.initialDir =
        programFile(QStringLiteral("lang"), QStringLiteral("share/lumora/lang"));

    TabbedNotebook1 = named(new TTabbedNotebook, "TabbedNotebook1");
    TabbedNotebook1->addTab(buildGeneralPage(), QStringLiteral("General"));
    TabbedNotebook1->addTab(buildImagesPage(), QStringLiteral("Images"));
    TabbedNotebook1->addTab(buildMoviesPage(), QStringLiteral("Movies"));
    TabbedNotebook1->addTab(buildFavoritesPage(), QStringLiteral("Favorites"));
    TabbedNotebook1->addTab(buildSlideShowPage(), QStringLiteral("SlideShow"));
    TabbedNotebook1->addTab(buildLanguagePage(), QStringLiteral("Language"));
    TabbedNotebook1->addTab(buildToolbarPage(), QStringLiteral("Toolbar"));
    TabbedNotebook1->addTab(buildLinksPage(), QStringLiteral("Links"));

    Button1 = button("Button1", "OK");
    Button1->setIcon(styleIcon(QStyle::SP_DialogOkButton));
    Button1->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(TabbedNotebook1, 1);
    layout->addLayout(buttons);
    connectCommand(this, "Button1", &TForm4::Button1Click);
    connectCommand(this, "Button3", &TForm4::Button3Click);
    connectCommand(this, "Button2", &TForm4::Button2Click);
    connectCommand(this, "Button4", &TForm4::Button4Click);
    connectCommand(this, "Button5", &TForm4::Button5Click);
    connectCommand(this, "Button6", &TForm4::Button6Click);
    connectCommand(this, "Button7", &TForm4::Button7Click);
    connectCommand(this, "Button8", &TForm4::Button8Click);
    connectHandler(ListBox1, &TListBox::Click, this, &TForm4::ListBox1Click);

    // The history records while "Enable HistoryList" is checked.
    HistoryLog::instance().setEnabled(CheckBox951->isChecked());
    connect(CheckBox951, &QCheckBox::toggled, this,
            [](bool checked) { HistoryLog::instance().setEnabled(checked); });

    QStringList stored;
    for (const char* box : {"CheckBox1", "CheckBox11", "CheckBox2", "CheckBox3", "CheckBox4",
                            "CheckBox5", "CheckBox6", "CheckBox7", "CheckBox9"})
        stored << QString::fromLatin1(box) + QStringLiteral(".Checked");
    stored << QStringLiteral("slidestimer.Position") << QStringLiteral("Memo2.Lines")
           << QStringLiteral("bgcolor.ColorValue");
    for (int n : {1, 10, 11, 12, 13, 14, 15, 2, 3, 4, 5, 6, 7, 8, 9})
        stored << QStringLiteral("SpeedButton%1.Down").arg(n);
    stored << QStringLiteral("Label5.Caption") << QStringLiteral("CheckBox10.Checked")
           << QStringLiteral("CheckBox951.Checked") << QStringLiteral("Edit2.Text")
           << QStringLiteral("Edit3.Text") << QStringLiteral("ListBox1.Items");
    FormStorage1 = new TFormStorage(this, QStringLiteral("preferences"), stored);
    FormStorage1->setFixedListSize(QStringLiteral("ListBox1"), kFavoriteSlots);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });
}

QWidget* TForm4::picturePage(PicturePage& page, TPagePicture::Motif motif, const char* pictureName,
                             const QString& caption, QLayout* controls,
                             const char* descriptionName) {
    auto* widget = new QWidget;
    page.picture = named(new TPagePicture(motif, widget), pictureName);
    page.picture->setAccessibleName(caption + QStringLiteral(" picture"));

    auto* top = new QHBoxLayout;
    top->addLayout(controls, 1);
    top->addWidget(pageIcon(motif, caption), 0, Qt::AlignTop | Qt::AlignRight);
    auto* content = new QVBoxLayout;
    content->setContentsMargins(8, 8, 8, 8);
    content->addLayout(top, 1);
    content->addWidget(descriptionPanel(page.description, descriptionName));

    // The picture fills the page under the controls.
    auto* grid = new QGridLayout(widget);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(page.picture, 0, 0);
    grid->addLayout(content, 0, 0);
    page.picture->lower();

    const PicturePage* described = &page;
    connect(page.picture, &TPagePicture::mouseMoved, this, [described] {
        described->description->clear();
        for (QCheckBox* box : described->hoverBoxes)
            setHighlighted(box, false);
    });
    return widget;
}

void TForm4::describe(QWidget* control, const PicturePage& page, const QString& text) {
    descriptions_.insert(control, {page.description, text, &page});
    control->installEventFilter(this);
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter) {
        const auto found = descriptions_.constFind(watched);
        if (found != descriptions_.constEnd()) {
            found->label->setText(found->text);
            // Only the check box under the mouse is highlighted.
            for (QCheckBox* box : found->page->hoverBoxes)
                setHighlighted(box, box == watched);
        }
    }
    return TDialogForm::eventFilter(watched, event);
}

QWidget* TForm4::buildGeneralPage() {
    PicturePage& page = pages_[0];
    CheckBox951 = checkBox("CheckBox951", "Enable HistoryList", true);
    CheckBox7 = checkBox("CheckBox7", "No Taskbar", false);
    CheckBox9 = checkBox("CheckBox9", "Hide Toolbar", false);
    CheckBox10 = named(new TWrappedCheckBox(QStringLiteral(
                           "Doubleclicking on a file opens file with associated program")),
                       "CheckBox10");
    auto* controls = column({CheckBox951, CheckBox7, CheckBox9, CheckBox10});
    controls->addStretch(1);
    QWidget* widget = picturePage(page, TPagePicture::Motif::General, "Image1",
                                  QStringLiteral("General"), controls, "label10");
    label10 = page.description;
    page.hoverBoxes = {CheckBox951, CheckBox7, CheckBox9, CheckBox10};
    describe(CheckBox7, page, QStringLiteral("Hides the Lumora taskbar"));
    describe(CheckBox9, page, QStringLiteral("Hides the toolbar found just under the menu"));
    describe(
        CheckBox10, page,
        QStringLiteral("When you doubleclick on a file it will open with the associated program"));
    describe(CheckBox951, page,
             QStringLiteral("Shows a list of all the actions. To see them go to VIEW then click "
                            "on HISTORYLIST"));
    Image1 = page.picture;
    return widget;
}

QWidget* TForm4::buildImagesPage() {
    PicturePage& page = pages_[1];
    CheckBox6 = checkBox("CheckBox6", "Stretch", true);
    CheckBox11 = checkBox("CheckBox11", "Center", true);
    auto* controls = column({CheckBox6, CheckBox11});
    controls->addStretch(1);
    QWidget* widget = picturePage(page, TPagePicture::Motif::Images, "Image2",
                                  QStringLiteral("Images"), controls, "Label12");
    Label12 = page.description;
    page.hoverBoxes = {CheckBox6, CheckBox11};
    describe(CheckBox6, page, QStringLiteral("This will stretch the image"));
    describe(CheckBox11, page,
             QStringLiteral("This will center your images if stretch is not enabled and the "
                            "image is smaller than the imagescreen"));
    Image2 = page.picture;
    return widget;
}

QWidget* TForm4::buildMoviesPage() {
    PicturePage& page = pages_[2];
    CheckBox1 = checkBox("CheckBox1", "Transparent", false);
    CheckBox2 = checkBox("CheckBox2", "Stretch", false);
    CheckBox3 = checkBox("CheckBox3", "Repetitions on", true);
    CheckBox4 = checkBox("CheckBox4", "Play Sound", true);
    CheckBox5 = checkBox("CheckBox5", "Center Videos", true);
    auto* controls = column({CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5});
    controls->addStretch(1);
    QWidget* widget = picturePage(page, TPagePicture::Motif::Movies, "Image3",
                                  QStringLiteral("Movies"), controls, "Label14");
    Label14 = page.description;
    page.hoverBoxes = {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5};
    describe(CheckBox1, page,
             QStringLiteral("Transparent movies. When enabled it will slow down your movies"));
    describe(CheckBox2, page,
             QStringLiteral("Movies will be stretched over the moviescreen. This may slow down "
                            "your movies"));
    describe(CheckBox3, page, QStringLiteral("Will loop your movies"));
    describe(CheckBox4, page, QStringLiteral("Plays your movies with sound"));
    describe(CheckBox5, page,
             QStringLiteral("This will center your movie when it is smaller than the moviescreen"));
    Image3 = page.picture;
    return widget;
}

QWidget* TForm4::buildFavoritesPage() {
    PicturePage& page = pages_[3];
    ListBox1 = named(new TListBox, "ListBox1");
    ListBox1->setAccessibleName(QStringLiteral("Favorite folders"));
    for (int i = 0; i < kFavoriteSlots; ++i)
        ListBox1->addItem(QStringLiteral("Empty"));
    // Not shown: they only remember the slot last clicked.
    Edit1 = named(new QLineEdit, "Edit1");
    Edit1->setVisible(false);
    Label6 = named(new QLabel, "Label6");
    Label6->setAlignment(Qt::AlignCenter);
    Label6->setVisible(false);
    Button3 = button("Button3", "Add");
    Button2 = button("Button2", "Add Dir");
    Button4 = button("Button4", "Delete");
    Button5 = button("Button5", "Sort");
    Button6 = button("Button6", "Move Up");
    Button7 = button("Button7", "Move Down");
    Button6->setEnabled(false);
    Button7->setEnabled(false);
    auto* buttons = column({Button3, Button2, Button4, Button5, Button6, Button7});
    buttons->addStretch(1);
    auto* controls = new QHBoxLayout;
    controls->addWidget(ListBox1, 1);
    controls->addLayout(buttons);
    QWidget* widget = picturePage(page, TPagePicture::Motif::Favorites, "Image12",
                                  QStringLiteral("Favorites"), controls, "Label16");
    Edit1->setParent(widget);
    Label6->setParent(widget);
    Label16 = page.description;
    describe(Button3, page, QStringLiteral("This allows you to add a folder to your favorites"));
    describe(Button2, page,
             QStringLiteral("This will add your currently selected folder (from the foldertree) "
                            "to your favorites"));
    describe(Button4, page, QStringLiteral("This will delete the favorite you have selected"));
    describe(Button5, page, QStringLiteral("Sorts your favorites by name"));
    describe(Button6, page, QStringLiteral("Moves your currently selected favorite one space up"));
    describe(Button7, page,
             QStringLiteral("Moves your currently selected favorite one space down"));
    describe(ListBox1, page, QString());
    Image12 = page.picture;
    return widget;
}

QWidget* TForm4::buildSlideShowPage() {
    PicturePage& page = pages_[4];
    GroupBox1 = named(new QGroupBox(QStringLiteral("Delay between slides")), "GroupBox1");
    slidestimer = named(new QScrollBar(Qt::Horizontal), "slidestimer");
    slidestimer->setAccessibleName(QStringLiteral("Delay between slides"));
    slidestimer->setRange(1000, 30000);
    slidestimer->setSingleStep(1000);
    slidestimer->setPageStep(1000);
    slidestimer->setValue(1000);
    slidestimer->setFocusPolicy(Qt::StrongFocus);
    Label1 = named(new QLabel(QStringLiteral("1 sec")), "Label1");
    Label2 = named(new QLabel(QStringLiteral("30 sec")), "Label2");
    Label3 = named(new QLabel(QStringLiteral("1 sec")), "Label3");
    Label3->setAlignment(Qt::AlignCenter);
    auto* delay = new QGridLayout(GroupBox1);
    delay->addWidget(Label3, 0, 0, 1, 3);
    delay->addWidget(Label1, 1, 0);
    delay->addWidget(slidestimer, 1, 1);
    delay->addWidget(Label2, 1, 2);
    delay->setColumnStretch(1, 1);

    GroupBox2 = named(new QGroupBox(QStringLiteral("Background color")), "GroupBox2");
    bgcolor = named(new TColorComboBox, "bgcolor");
    bgcolor->setAccessibleName(QStringLiteral("Background color"));
    auto* colour = new QVBoxLayout(GroupBox2);
    colour->addWidget(bgcolor);

    Memo1 = tipMemo(
        "Memo1", QStringLiteral("Slideshow tip"),
        {QStringLiteral(" Tip : when you use jpegs in your slideshow it is advised that you set "),
         QStringLiteral("the speed to + 1, because it will take longer for a jpg file to load.")});
    Memo1->setFixedHeight(4 * Memo1->fontMetrics().lineSpacing() + 12);

    auto* controls = column({GroupBox1, GroupBox2, Memo1});
    QWidget* widget = picturePage(page, TPagePicture::Motif::SlideShow, "Image13",
                                  QStringLiteral("SlideShow"), controls, "Label18");
    Label18 = page.description;
    describe(GroupBox1, page, QStringLiteral("The time between pictures in your slideshow"));
    describe(GroupBox2, page, QStringLiteral("The background color for your slideshow"));
    Image13 = page.picture;
    return widget;
}

QWidget* TForm4::buildLanguagePage() {
    PicturePage& page = pages_[5];
    Button8 = button("Button8", "Load a Language");
    Label4 = named(new QLabel(QStringLiteral("Loaded Languagepack :")), "Label4");
    Label5 = named(new QLabel(QStringLiteral("Standard English Language")), "Label5");
    Label5->setWordWrap(true);
    QPalette blue = Label5->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label5->setPalette(blue);
    // Covered by the description panel: the table is never shown.
    Memo2 = named(new TMemo, "Memo2");
    Memo2->setVisible(false);
    Memo2->setLines(builtInLanguageLines());
    auto* controls = new QVBoxLayout;
    controls->addWidget(Button8, 0, Qt::AlignLeft);
    controls->addSpacing(8);
    controls->addWidget(Label4);
    controls->addWidget(Label5);
    controls->addStretch(1);
    QWidget* widget = picturePage(page, TPagePicture::Motif::Language, "Image14",
                                  QStringLiteral("Language"), controls, "Label20");
    Memo2->setParent(widget);
    Label20 = page.description;
    describe(Button8, page,
             QStringLiteral("Press here to load a language pack. The new language packs have an "
                            "*.nlp extension, the old have an *.lml extension"));
    describe(Label5, page, QStringLiteral("The currently loaded language pack"));
    Image14 = page.picture;
    return widget;
}

QWidget* TForm4::buildToolbarPage() {
    auto* grid = new QGridLayout;
    grid->setSpacing(4);
    const auto& table = languageTable();
    for (int i = 0; i < kToolbarGlyphs; ++i) {
        auto* toggle = new QToolButton;
        toggle->setObjectName(QStringLiteral("SpeedButton%1").arg(i + 1));
        toggle->setCheckable(true);
        toggle->setChecked(true);
        toggle->setIcon(toolbarGlyph(i));
        toggle->setIconSize(QSize(24, 24));
        toggle->setFixedSize(36, 36);
        toggle->setFocusPolicy(Qt::StrongFocus);
        // The glyph says nothing to a screen reader: the button's hint does.
        const QString hint = QString::fromUtf8(table[size_t(kFirstToolbarHint + i)].english);
        toggle->setToolTip(hint);
        toggle->setAccessibleName(hint);
        toggle->setAccessibleDescription(
            QStringLiteral("Shows the %1 button on the toolbar").arg(hint));
        SpeedButtons[size_t(i)] = toggle;
        grid->addWidget(toggle, i / 8, i % 8);
    }
    grid->setColumnStretch(8, 1);
    Memo3 = tipMemo("Memo3", QStringLiteral("Toolbar tip"),
                    {QStringLiteral("Tip : if you want to hide the entire toolbar then go to "
                                    "Preferences, "),
                     QStringLiteral("select the General tab and check Hide Toolbar")});
    Memo3->setFixedHeight(4 * Memo3->fontMetrics().lineSpacing() + 12);
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(Memo3);
    layout->addStretch(1);
    return widget;
}

QWidget* TForm4::buildLinksPage() {
    const auto folderGroup = [](const char* groupName, const char* caption, QLineEdit*& edit,
                                const char* editName, const char* folder, const QString& tip) {
        auto* group = named(new QGroupBox(QString::fromUtf8(caption)), groupName);
        edit = named(new QLineEdit(QString::fromUtf8(folder)), editName);
        edit->setAccessibleName(QString::fromUtf8(caption));
        auto* text = new QLabel(tip);
        text->setWordWrap(true);
        auto* layout = new QVBoxLayout(group);
        layout->addWidget(edit);
        layout->addWidget(text);
        return group;
    };
    QGroupBox* documents = folderGroup(
        "GroupBox3", "Set directory for Documents", Edit2, "Edit2", "c:\\windows\\recent",
        QStringLiteral("The directory for your Documents folder is always %:\\windows\\recent, "
                       "where % is your drive and windows is the directory where you have "
                       "installed windows in."));
    QGroupBox* cookies = folderGroup(
        "GroupBox4", "Set directory for Cookies folder", Edit3, "Edit3", "c:\\windows\\Cookies",
        QStringLiteral("The directory for your Cookies folder is always %:\\windows\\Cookies, "
                       "where % is your drive and windows is the directory where you have "
                       "installed windows in."));
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(documents);
    layout->addWidget(cookies);
    layout->addStretch(1);
    return widget;
}

void TForm4::FormShow() {
    // The slots were just read again: none of them is selected any more.
    forgetClickedSlot();
}

void TForm4::reject() {
    // A window manager gives the window a close box and Alt+F4 all the same:
    // they leave it as OK does, so what is stored is what is in force.
    guarded([this] { Button1Click(); });
}

void TForm4::Button1Click() {
    // Steps 1 to 8 are taken by the windows connected here, in order.
    emit optionsApplied();
    Close();
}

void TForm4::Timer1Timer() {
    Label3->setText(QString::number(slidestimer->value() / 1000) + QStringLiteral(" sec"));
    if (!Edit1->text().isEmpty()) {
        Button3->setEnabled(true);
        Button4->setEnabled(true);
        Button2->setEnabled(true);
        const int row = ListBox1->currentRow();
        Button6->setEnabled(row > 0);
        Button7->setEnabled(row >= 0 && row < ListBox1->count() - 1);
    } else {
        Button3->setEnabled(false);
        Button4->setEnabled(false);
        Button2->setEnabled(false);
    }
}

void TForm4::forgetClickedSlot() {
    Edit1->clear();
    Label6->clear();
    Button6->setEnabled(false);
    Button7->setEnabled(false);
}

void TForm4::ListBox1Click() {
    const QListWidgetItem* slot = ListBox1->currentItem();
    if (!slot)
        return;
    Edit1->setText(slot->text());
    Label6->setText(slot->text());
}

void TForm4::Button3Click() {
    forms().Form6->ShowModal();
}

void TForm4::Button2Click() {
    QListWidgetItem* slot = ListBox1->currentItem();
    if (!slot || !currentFolder)
        return;
    slot->setText(currentFolder());
    forgetClickedSlot();
}

void TForm4::Button4Click() {
    QListWidgetItem* slot = ListBox1->currentItem();
    if (!slot)
        return;
    slot->setText(QStringLiteral("Empty"));
    forgetClickedSlot();
}

void TForm4::Button5Click() {
    // Case-insensitive, character by character; the list stays unsorted
    // afterwards, so later edits keep their places.
    const QStringList texts = ListBox1->Items();
    QList<int> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&texts](int a, int b) {
        return QString::compare(texts[a], texts[b], Qt::CaseInsensitive) < 0;
    });
    const int selected = ListBox1->currentRow();
    for (int i = 0; i < order.size(); ++i)
        ListBox1->item(i)->setText(texts[order[i]]);
    // The clicked slot stays selected where it went: the next Add or Delete
    // acts on the slot the user sees selected.
    if (selected >= 0)
        ListBox1->setCurrentRow(int(order.indexOf(selected)));
}

void TForm4::moveSlot(int step) {
    const int row = ListBox1->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= ListBox1->count())
        return;
    const QString moved = ListBox1->item(row)->text();
    ListBox1->item(row)->setText(ListBox1->item(target)->text());
    ListBox1->item(target)->setText(moved);
    ListBox1->setCurrentRow(target);
}

void TForm4::Button6Click() {
    moveSlot(-1);
}

void TForm4::Button7Click() {
    moveSlot(1);
}

void TForm4::Button8Click() {
    const QString chosen = dialogs().openFile(this, OpenDialog1);
    if (!chosen.isEmpty())
        loadLanguagePack(chosen);
}

void TForm4::loadLanguagePack(const QString& path) {
    // Read whole first: a pack that cannot be read changes nothing.
    const QStringList lines = readLanguagePack(path);
    Memo2->setLines(lines);
    ApplyLanguageTable(lines);
    Label5->setText(path.mid(path.lastIndexOf(u'/') + 1));
}

}  // namespace lumora
