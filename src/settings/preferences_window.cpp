#include "settings/preferences_window.h"

#include "settings/form_storage.h"
#include "settings/language_table.h"
#include "ui/color_combo_box.h"
#include "ui/controls.h"
#include "ui/history.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace lumora {
namespace {

QCheckBox* checkBox(const char* name, const char* caption, bool checked) {
    auto* box = named(new QCheckBox(QString::fromUtf8(caption)), name);
    box->setChecked(checked);
    return box;
}

// The pale-yellow description panel of the first six pages.
QWidget* descriptionPanel(QLabel*& label, const char* name) {
    auto* panel = new QWidget;
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colorFromValue(13565951));
    palette.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(palette);
    auto* heading = new QLabel(QStringLiteral("Description"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    label = named(new QLabel, name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMinimumHeight(48);
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(heading);
    layout->addWidget(label, 1);
    return panel;
}

QWidget* page(QLayout* top, QWidget* description) {
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->addLayout(top);
    layout->addStretch(1);
    if (description)
        layout->addWidget(description);
    return widget;
}

QLabel* tipLabel(const QStringList& lines) {
    auto* label = new QLabel(lines.join(u'\n'));
    label->setWordWrap(true);
    return label;
}

}  // namespace

TForm4::TForm4() {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Preferences"));
    // Left only with OK: no system menu, no close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setDesignClientSize(394, 405);

    TabbedNotebook1 = named(new QTabWidget, "TabbedNotebook1");
    TabbedNotebook1->addTab(buildGeneralPage(), QStringLiteral("General"));
    TabbedNotebook1->addTab(buildImagesPage(), QStringLiteral("Images"));
    TabbedNotebook1->addTab(buildMoviesPage(), QStringLiteral("Movies"));
    TabbedNotebook1->addTab(buildFavoritesPage(), QStringLiteral("Favorites"));
    TabbedNotebook1->addTab(buildSlideShowPage(), QStringLiteral("SlideShow"));
    TabbedNotebook1->addTab(buildLanguagePage(), QStringLiteral("Language"));
    TabbedNotebook1->addTab(buildToolbarPage(), QStringLiteral("Toolbar"));
    TabbedNotebook1->addTab(buildLinksPage(), QStringLiteral("Links"));

    Button1 = named(new QPushButton(QStringLiteral("OK")), "Button1");
    Button1->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TabbedNotebook1, 1);
    layout->addLayout(buttons);
    connectCommand(this, "Button1", &TForm4::Button1Click);

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

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::CoarseTimer);
    runWhileVisible(Timer1, [this] { Timer1Timer(); });
}

QWidget* TForm4::buildGeneralPage() {
    CheckBox951 = checkBox("CheckBox951", "Enable HistoryList", true);
    CheckBox7 = checkBox("CheckBox7", "No Taskbar", false);
    CheckBox9 = checkBox("CheckBox9", "Hide Toolbar", false);
    CheckBox10 = checkBox("CheckBox10",
                          "Doubleclicking on a file opens file with associated program", false);
    auto* top = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(CheckBox951), static_cast<QWidget*>(CheckBox7),
                       static_cast<QWidget*>(CheckBox9), static_cast<QWidget*>(CheckBox10)})
        top->addWidget(w);
    return page(top, descriptionPanel(label10, "label10"));
}

QWidget* TForm4::buildImagesPage() {
    CheckBox6 = checkBox("CheckBox6", "Stretch", true);
    CheckBox11 = checkBox("CheckBox11", "Center", true);
    auto* top = new QVBoxLayout;
    top->addWidget(CheckBox6);
    top->addWidget(CheckBox11);
    return page(top, descriptionPanel(Label12, "Label12"));
}

QWidget* TForm4::buildMoviesPage() {
    CheckBox1 = checkBox("CheckBox1", "Transparent", false);
    CheckBox2 = checkBox("CheckBox2", "Stretch", false);
    CheckBox3 = checkBox("CheckBox3", "Repetitions on", true);
    CheckBox4 = checkBox("CheckBox4", "Play Sound", true);
    CheckBox5 = checkBox("CheckBox5", "Center Videos", true);
    auto* top = new QVBoxLayout;
    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5})
        top->addWidget(box);
    return page(top, descriptionPanel(Label14, "Label14"));
}

QWidget* TForm4::buildFavoritesPage() {
    ListBox1 = named(new QListWidget, "ListBox1");
    for (int i = 0; i < kFavoriteSlots; ++i)
        ListBox1->addItem(QStringLiteral("Empty"));
    Edit1 = named(new QLineEdit, "Edit1");
    Edit1->setVisible(false);
    Label6 = named(new QLabel, "Label6");
    Label6->setVisible(false);
    Button3 = named(new QPushButton(QStringLiteral("Add")), "Button3");
    Button2 = named(new QPushButton(QStringLiteral("Add Dir")), "Button2");
    Button4 = named(new QPushButton(QStringLiteral("Delete")), "Button4");
    Button5 = named(new QPushButton(QStringLiteral("Sort")), "Button5");
    Button6 = named(new QPushButton(QStringLiteral("Move Up")), "Button6");
    Button7 = named(new QPushButton(QStringLiteral("Move Down")), "Button7");
    Button6->setEnabled(false);
    Button7->setEnabled(false);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {Button3, Button2, Button4, Button5, Button6, Button7})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(ListBox1, 1);
    top->addLayout(buttons);
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->addLayout(top, 1);
    layout->addWidget(Edit1);
    layout->addWidget(Label6);
    layout->addWidget(descriptionPanel(Label16, "Label16"));
    return widget;
}

QWidget* TForm4::buildSlideShowPage() {
    GroupBox1 = named(new QGroupBox(QStringLiteral("Delay between slides")), "GroupBox1");
    slidestimer = named(new QScrollBar(Qt::Horizontal), "slidestimer");
    slidestimer->setRange(1000, 30000);
    slidestimer->setSingleStep(1000);
    slidestimer->setPageStep(1000);
    slidestimer->setValue(1000);
    Label1 = named(new QLabel(QStringLiteral("1 sec")), "Label1");
    Label2 = named(new QLabel(QStringLiteral("30 sec")), "Label2");
    Label3 = named(new QLabel(QStringLiteral("1 sec")), "Label3");
    Label3->setAlignment(Qt::AlignCenter);
    auto* delay = new QGridLayout(GroupBox1);
    delay->addWidget(Label3, 0, 0, 1, 3);
    delay->addWidget(Label1, 1, 0);
    delay->addWidget(slidestimer, 1, 1);
    delay->addWidget(Label2, 1, 2);

    GroupBox2 = named(new QGroupBox(QStringLiteral("Background color")), "GroupBox2");
    bgcolor = named(new TColorComboBox, "bgcolor");
    auto* colour = new QVBoxLayout(GroupBox2);
    colour->addWidget(bgcolor);

    Memo1 = named(new TMemo, "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLines(
        {QStringLiteral(" Tip : when you use jpegs in your slideshow it is advised that you set "),
         QStringLiteral("the speed to + 1, because it will take longer for a jpg file to load.")});
    Memo1->setMaximumHeight(48);

    auto* top = new QVBoxLayout;
    top->addWidget(GroupBox1);
    top->addWidget(GroupBox2);
    top->addWidget(Memo1);
    return page(top, descriptionPanel(Label18, "Label18"));
}

QWidget* TForm4::buildLanguagePage() {
    Button8 = named(new QPushButton(QStringLiteral("Load a Language")), "Button8");
    Label4 = named(new QLabel(QStringLiteral("Loaded Languagepack :")), "Label4");
    Label5 = named(new QLabel(QStringLiteral("Standard English Language")), "Label5");
    QPalette blue = Label5->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label5->setPalette(blue);
    Memo2 = named(new TMemo, "Memo2");
    Memo2->setVisible(false);
    Memo2->setLines(builtInLanguageLines());
    auto* top = new QVBoxLayout;
    top->addWidget(Button8, 0, Qt::AlignLeft);
    top->addWidget(Label4);
    top->addWidget(Label5);
    top->addWidget(Memo2);
    return page(top, descriptionPanel(Label20, "Label20"));
}

QWidget* TForm4::buildToolbarPage() {
    auto* grid = new QGridLayout;
    for (int i = 0; i < 15; ++i) {
        auto* button = new QToolButton;
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(i + 1));
        button->setCheckable(true);
        button->setChecked(true);
        button->setAutoRaise(false);
        button->setMinimumSize(32, 32);
        SpeedButtons[size_t(i)] = button;
        grid->addWidget(button, i / 8, i % 8);
    }
    Memo3 = named(new TMemo, "Memo3");
    Memo3->setReadOnly(true);
    Memo3->setLines({QStringLiteral("Tip : if you want to hide the entire toolbar then go to "
                                    "Preferences, "),
                     QStringLiteral("select the General tab and check Hide Toolbar")});
    Memo3->setMaximumHeight(48);
    auto* top = new QVBoxLayout;
    top->addLayout(grid);
    top->addWidget(Memo3);
    return page(top, nullptr);
}

QWidget* TForm4::buildLinksPage() {
    auto* documents =
        named(new QGroupBox(QStringLiteral("Set directory for Documents")), "GroupBox3");
    Edit2 = named(new QLineEdit(QStringLiteral("c:\\windows\\recent")), "Edit2");
    auto* documentsLayout = new QVBoxLayout(documents);
    documentsLayout->addWidget(Edit2);
    documentsLayout->addWidget(tipLabel(
        {QStringLiteral("The directory for your Documents folder is always %:\\windows\\recent, "
                        "where % is your drive and windows is the directory where you have "
                        "installed windows in.")}));
    auto* cookies =
        named(new QGroupBox(QStringLiteral("Set directory for Cookies folder")), "GroupBox4");
    Edit3 = named(new QLineEdit(QStringLiteral("c:\\windows\\Cookies")), "Edit3");
    auto* cookiesLayout = new QVBoxLayout(cookies);
    cookiesLayout->addWidget(Edit3);
    cookiesLayout->addWidget(tipLabel(
        {QStringLiteral("The directory for your Cookies folder is always %:\\windows\\Cookies, "
                        "where % is your drive and windows is the directory where you have "
                        "installed windows in.")}));
    auto* top = new QVBoxLayout;
    top->addWidget(documents);
    top->addWidget(cookies);
    return page(top, nullptr);
}

void TForm4::Button1Click() {
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
        Button6->setEnabled(row != 0);
        Button7->setEnabled(row != kFavoriteSlots - 1);
    } else {
        Button3->setEnabled(false);
        Button4->setEnabled(false);
        Button2->setEnabled(false);
    }
}

}  // namespace lumora
