#include "settings/form_storage.h"
#include "settings/ini_file.h"
#include "support/fake_dialogs.h"
#include "support/qt_print.h"
#include "ui/controls.h"
#include "ui/form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <memory>

#include "read_only_folder.h"

// Readable geometry in failure messages.
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "QRect(" << r.x() << "," << r.y() << " " << r.width() << "x" << r.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* os) {
    *os << "QPoint(" << p.x() << "," << p.y() << ")";
}

namespace lumora {
namespace {

// A component whose list lives in a property of its own.
class ItemHolder : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE setItems)
    Q_PROPERTY(int Width READ Width WRITE setWidth)
public:
    using QObject::QObject;
    QStringList Items() const { return items; }
    void setItems(const QStringList& value) { items = value; }
    int Width() const { return width; }
    void setWidth(int value) { width = value; }
    QStringList items;
    int width = 185;
};

// The colour drop-down's stored value, without its window library.
class TColorValueHolder : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int ColorValue READ ColorValue WRITE setColorValue)
public:
    using QWidget::QWidget;
    int ColorValue() const { return value; }
    void setColorValue(int v) { value = v; }
    int value = 0;
};

const QStringList kProps = {"CheckBox7.Checked",  "slidestimer.Position", "Memo2.Lines",
                            "bgcolor.ColorValue", "SpeedButton1.Down",    "Label5.Caption",
                            "Edit2.Text",         "ListBox1.Items",       "Panel1.Width"};

// A settings-keeping dialog with one control of each stored kind.
class TTestDialog : public TDialogForm {
public:
    explicit TTestDialog(const QStringList& props = kProps) {
        setObjectName(QStringLiteral("TestDialog"));
        // No layout: the stored sizes must not be bent by the controls' minimum sizes.
        CheckBox7 = named(new QCheckBox(QStringLiteral("No Taskbar"), this), "CheckBox7");
        slidestimer = named(new QScrollBar(Qt::Horizontal, this), "slidestimer");
        slidestimer->setRange(1000, 30000);
        Memo2 = named(new TMemo(this), "Memo2");
        bgcolor = named(new TColorValueHolder(this), "bgcolor");
        SpeedButton1 = named(new QToolButton(this), "SpeedButton1");
        SpeedButton1->setCheckable(true);
        SpeedButton1->setChecked(true);
        Label5 = named(new QLabel(QStringLiteral("Standard"), this), "Label5");
        Edit2 = named(new QLineEdit(QStringLiteral("c:\\windows\\recent"), this), "Edit2");
        ListBox1 = named(new QListWidget(this), "ListBox1");
        Panel1 = named(new QWidget(this), "Panel1");
        storage = new TFormStorage(this, QStringLiteral("test dialog"), props);
    }

    QCheckBox* CheckBox7;
    QScrollBar* slidestimer;
    TMemo* Memo2;
    TColorValueHolder* bgcolor;
    QToolButton* SpeedButton1;
    QLabel* Label5;
    QLineEdit* Edit2;
    QListWidget* ListBox1;
    QWidget* Panel1;
    TFormStorage* storage;

    QString editTextAtShow;

protected:
    void FormShow() override { editTextAtShow = Edit2->text(); }
};

class TTestMain : public TMainForm {
public:
    TTestMain() {
        setObjectName(QStringLiteral("Form1"));
        Panel1 = named(new ItemHolder(this), "Panel1");
        storage = new TFormStorage(this, QStringLiteral("main window"), {"Panel1.Width"});
    }
    ItemHolder* Panel1;
    TFormStorage* storage;
};

QStringList items(const QListWidget* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

class FormStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(folder()).removeRecursively();
        test::fakeDialogs().reset();
    }
    void TearDown() override { QDir(folder()).removeRecursively(); }

    static QString folder() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/lumora");
    }
    static QString iniPath() { return IniFile().path(); }
    static void writeIni(const QByteArray& bytes) {
        QDir().mkpath(folder());
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static QByteArray iniBytes() {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static IniDocument ini() { return IniFile().load(); }

    // Shows a dialog reading "[test dialog]" holding these lines.
    static std::unique_ptr<TTestDialog> shownWith(const QByteArray& lines) {
        writeIni("[test dialog]\r\n" + lines);
        auto dialog = std::make_unique<TTestDialog>();
        dialog->show();
        return dialog;
    }
};

TEST_F(FormStorageTest, ShownWindowWritesPlacementThenPropertiesInOrder) {
    auto dialog = std::make_unique<TTestDialog>();
    dialog->setGeometry(40, 50, 420, 380);
    dialog->show();
    EXPECT_TRUE(dialog->storage->restored());
    // The window system draws a frame of its own around the window.
    const QMargins frame = dialog->windowHandle()->frameMargins();
    dialog->CheckBox7->setChecked(true);
    dialog->slidestimer->setValue(7000);
    dialog->Memo2->setLines({"line one", "", "  line three  "});
    dialog->bgcolor->setColorValue(-2147483643);  // a system colour
    dialog->SpeedButton1->setChecked(false);
    dialog->Label5->setText(QStringLiteral("  german.lml "));
    dialog->Edit2->clear();
    dialog->ListBox1->addItems({"Empty", "/home/me/pictures"});
    dialog->Panel1->resize(185, 10);
    dialog->Close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(dialog->storage->saved());

    const IniDocument doc = ini();
    EXPECT_EQ(doc.keys("test dialog"),
              QStringList({"Flags", "ShowCmd", "MinMaxPos", "NormPos", "CheckBox7_Checked",
                           "slidestimer_Position", "bgcolor_ColorValue", "SpeedButton1_Down",
                           "Label5_Caption", "Edit2_Text", "Panel1_Width"}));
    EXPECT_EQ(doc.sections(), QStringList({"test dialog", "test dialog.Memo2_Lines",
                                           "test dialog.ListBox1_Items"}));
    EXPECT_EQ(doc.readString("test dialog", "ShowCmd", ""), "1");
    const QRect outer = QRect(40, 50, 420, 380).marginsAdded(frame);
    EXPECT_EQ(doc.readString("test dialog", "NormPos", ""), QStringLiteral("%1,%2,%3,%4")
                                                                .arg(outer.x())
                                                                .arg(outer.y())
                                                                .arg(outer.x() + outer.width())
                                                                .arg(outer.y() + outer.height()));
    EXPECT_EQ(doc.readString("test dialog", "CheckBox7_Checked", ""), "True");
    EXPECT_EQ(doc.readString("test dialog", "slidestimer_Position", ""), "7000");
    EXPECT_EQ(doc.readString("test dialog", "bgcolor_ColorValue", ""), "-2147483643");
    EXPECT_EQ(doc.readString("test dialog", "SpeedButton1_Down", ""), "False");
    EXPECT_EQ(doc.readString("test dialog", "Label5_Caption", ""), "german.lml");
    EXPECT_EQ(doc.readString("test dialog", "Edit2_Text", "missing"), "");
    EXPECT_EQ(doc.readString("test dialog", "Panel1_Width", ""), "185");
    EXPECT_EQ(doc.keys("test dialog.Memo2_Lines"),
              QStringList({"Count", "Item0", "Item1", "Item2"}));
    EXPECT_EQ(doc.readString("test dialog.Memo2_Lines", "Item2", ""), "  line three  ");
    EXPECT_EQ(doc.readString("test dialog.ListBox1_Items", "Count", ""), "2");

    // A second window reads everything back, before its own show handler runs.
    dialog.reset();
    auto again = std::make_unique<TTestDialog>();
    again->Edit2->setText(QStringLiteral("to be replaced"));
    again->show();
    EXPECT_EQ(again->editTextAtShow, "");
    EXPECT_TRUE(again->CheckBox7->isChecked());
    EXPECT_EQ(again->slidestimer->value(), 7000);
    EXPECT_EQ(again->Memo2->Lines(), QStringList({"line one", "", "  line three  "}));
    EXPECT_EQ(again->bgcolor->ColorValue(), -2147483643);
    EXPECT_FALSE(again->SpeedButton1->isChecked());
    EXPECT_EQ(again->Label5->text(), "german.lml");
    EXPECT_EQ(items(again->ListBox1), QStringList({"Empty", "/home/me/pictures"}));
    EXPECT_EQ(again->geometry(), QRect(40, 50, 420, 380));
}

TEST_F(FormStorageTest, WindowNeverShownNeitherReadsNorWrites) {
    writeIni("[test dialog]\r\nCheckBox7_Checked=True\r\n; by hand\r\n");
    const QByteArray before = iniBytes();
    {
        TTestDialog dialog;
        EXPECT_FALSE(dialog.CheckBox7->isChecked());
        dialog.CheckBox7->setChecked(false);
        dialog.Edit2->setText(QStringLiteral("set by other code"));
        dialog.Close();  // closing a hidden window passes the close query, but writes nothing
        EXPECT_FALSE(dialog.storage->restored());
    }
    EXPECT_EQ(iniBytes(), before);
}

TEST_F(FormStorageTest, HideWritesNothingAndReshowReloadsTheFile) {
    auto dialog = shownWith("Edit2_Text=stored\r\n");
    EXPECT_EQ(dialog->Edit2->text(), "stored");
    dialog->Edit2->setText(QStringLiteral("unsaved"));
    const QByteArray before = iniBytes();
    dialog->hide();
    EXPECT_EQ(iniBytes(), before);
    dialog->show();
    EXPECT_EQ(dialog->Edit2->text(), "stored");
}

TEST_F(FormStorageTest, DestructionWritesOnlyWhenNotSavedSinceTheLastShow) {
    auto dialog = std::make_unique<TTestDialog>();
    dialog->show();
    dialog->Edit2->setText(QStringLiteral("at exit"));
    dialog.reset();  // program exit with the window open
    EXPECT_EQ(ini().readString("test dialog", "Edit2_Text", ""), "at exit");

    dialog = std::make_unique<TTestDialog>();
    dialog->show();
    dialog->Close();
    dialog->Edit2->setText(QStringLiteral("after the close"));
    dialog.reset();
    EXPECT_EQ(ini().readString("test dialog", "Edit2_Text", ""), "at exit");
}

TEST_F(FormStorageTest, ModalResultWritesTheSection) {
    TTestDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.CheckBox7->setChecked(true);
        dialog.accept();
    });
    EXPECT_EQ(dialog.ShowModal(), int(QDialog::Accepted));
    EXPECT_EQ(ini().readString("test dialog", "CheckBox7_Checked", ""), "True");
}

TEST_F(FormStorageTest, BooleansAcceptOnlyTrueAndFalseInAnyCase) {
    auto dialog = shownWith("CheckBox7_Checked=yes\r\nSpeedButton1_Down= false \r\n");
    EXPECT_FALSE(dialog->CheckBox7->isChecked());  // unchanged
    EXPECT_FALSE(dialog->SpeedButton1->isChecked());
    dialog.reset();
    dialog = shownWith("CheckBox7_Checked=TRUE\r\nSpeedButton1_Down=1\r\n");
    EXPECT_TRUE(dialog->CheckBox7->isChecked());
    EXPECT_TRUE(dialog->SpeedButton1->isChecked());  // "1" is no boolean: unchanged
}

TEST_F(FormStorageTest, IntegersThatAreNoNumbersGiveZeroAndTheSliderClamps) {
    struct Case {
        QByteArray stored;
        int position;
    };
    for (const Case& c :
         {Case{"abc", 1000}, Case{"99999", 30000}, Case{" 5000 ", 5000}, Case{"0x1388", 5000},
          Case{"5000x", 1000}, Case{"99999999999", 1000}, Case{"-7", 1000}}) {
        auto dialog = shownWith("slidestimer_Position=" + c.stored + "\r\n");
        EXPECT_EQ(dialog->slidestimer->value(), c.position) << c.stored.constData();
    }
    auto dialog = shownWith("bgcolor_ColorValue=0x80000005\r\n");
    EXPECT_EQ(dialog->bgcolor->ColorValue(), -2147483643);
}

TEST_F(FormStorageTest, StringsAreTrimmedBothWays) {
    auto dialog = shownWith("Edit2_Text= \t /masks/*.jpg \x01\r\nLabel5_Caption=\r\n");
    EXPECT_EQ(dialog->Edit2->text(), "/masks/*.jpg");
    EXPECT_EQ(dialog->Label5->text(), "");
    dialog->Edit2->setText(QStringLiteral("  *.bmp;*.pcx  "));
    dialog->Close();
    EXPECT_EQ(ini().readString("test dialog", "Edit2_Text", ""), "*.bmp;*.pcx");

    const QString longText = QString(5000, u'p') + QStringLiteral(".jpg");
    dialog->show();
    dialog->Edit2->setText(longText);
    dialog->Close();
    dialog.reset();
    dialog = std::make_unique<TTestDialog>();
    dialog->show();
    EXPECT_EQ(dialog->Edit2->text(), longText);
}

TEST_F(FormStorageTest, ListCountDecidesTheItems) {
    auto dialog = shownWith("[test dialog.ListBox1_Items]\r\nCount=3\r\nItem0=first\r\n");
    EXPECT_EQ(items(dialog->ListBox1), QStringList({"first", "", ""}));
    dialog.reset();

    // No count (or zero): the list keeps what it has.
    writeIni("[test dialog.ListBox1_Items]\r\nCount=0\r\nItem0=ignored\r\n");
    dialog = std::make_unique<TTestDialog>();
    dialog->ListBox1->addItem(QStringLiteral("own"));
    dialog->show();
    EXPECT_EQ(items(dialog->ListBox1), QStringList({"own"}));
}

// A damaged count reads up to the list's bound, and what lies beyond it is
// not written back: a list of fixed size, at most its size.
TEST_F(FormStorageTest, DamagedCountIsBoundedBothWays) {
    writeIni(
        "[holder]\r\n[holder.Holder_Items]\r\nCount=2000000000\r\nItem1=second\r\n"
        "Item10000=beyond\r\n"
        "[holder.Slots_Items]\r\nCount=1000000\r\nItem0=/data\r\nItem20=beyond\r\n");
    TDialogForm window;
    auto* holder = named(new ItemHolder(&window), "Holder");
    auto* favourites = named(new ItemHolder(&window), "Slots");
    auto* storage =
        new TFormStorage(&window, QStringLiteral("holder"), {"Holder.Items", "Slots.Items"});
    storage->setFixedListSize(QStringLiteral("Slots"), 20);
    window.show();
    ASSERT_EQ(holder->items.size(), 10000);
    EXPECT_EQ(holder->items[1], "second");
    EXPECT_EQ(favourites->items, QStringList{"/data"} + QStringList(19));

    holder->items << QStringLiteral("one more");
    window.Close();
    const IniDocument doc = ini();
    EXPECT_EQ(doc.readString("holder.Holder_Items", "Count", {}), "10000");
    EXPECT_EQ(doc.keys("holder.Holder_Items").size(), 10001);
    EXPECT_EQ(doc.readString("holder.Slots_Items", "Count", {}), "20");
    EXPECT_EQ(doc.keys("holder.Slots_Items").size(), 21);
}

TEST_F(FormStorageTest, EmptiedListStaysEmpty) {
    auto dialog =
        shownWith("[test dialog.ListBox1_Items]\r\nCount=2\r\nItem0=*.jpg\r\nItem1=*.bmp\r\n");
    ASSERT_EQ(dialog->ListBox1->count(), 2);
    dialog->ListBox1->clear();
    dialog->Close();
    EXPECT_EQ(ini().keys("test dialog.ListBox1_Items"), QStringList({"Count"}));
    EXPECT_EQ(ini().readString("test dialog.ListBox1_Items", "Count", ""), "0");
    dialog->show();
    EXPECT_EQ(items(dialog->ListBox1), QStringList());
    dialog->Close();

    // Reading Count=0 leaves a list as it was, as it always did.
    writeIni("[test dialog.ListBox1_Items]\r\nCount=0\r\n");
    TTestDialog other;
    other.ListBox1->addItem(QStringLiteral("*.pcx"));
    other.show();
    EXPECT_EQ(items(other.ListBox1), QStringList({"*.pcx"}));
    other.hide();
    dialog->show();

    // A shorter non-empty list replaces the whole section.
    dialog->ListBox1->clear();
    dialog->ListBox1->addItem(QStringLiteral("*.pcx"));
    dialog->Close();
    EXPECT_EQ(ini().keys("test dialog.ListBox1_Items"), QStringList({"Count", "Item0"}));
}

TEST_F(FormStorageTest, StoredPropsDropMalformedAndUnknownEntries) {
    TTestDialog dialog({" CheckBox7 . Checked ", "nodot", ".Checked", "CheckBox7.",
                        "Missing.Checked", "CheckBox7.NoSuchProperty", "TestDialog.Caption"});
    EXPECT_EQ(dialog.storage->StoredProps(),
              QStringList({"CheckBox7.Checked", "Missing.Checked", "CheckBox7.NoSuchProperty",
                           "TestDialog.Caption"}));
    dialog.setWindowTitle(QStringLiteral("Own Title"));
    dialog.show();
    EXPECT_EQ(dialog.storage->StoredProps(),
              QStringList({"CheckBox7.Checked", "TestDialog.Caption"}));
    dialog.Close();
    EXPECT_EQ(ini().keys("test dialog").mid(4),
              QStringList({"CheckBox7_Checked", "TestDialog_Caption"}));
    EXPECT_EQ(ini().readString("test dialog", "TestDialog_Caption", ""), "Own Title");
}

TEST_F(FormStorageTest, NormPosWithTwoWordsMovesFixedAndSizeableWindows) {
    // Each window writes its own placement as it goes, so each reads a fresh file.
    const QByteArray twoWords = "[test dialog]\r\nNormPos=100, 100\r\nShowCmd=1\r\n";
    writeIni(twoWords);
    {
        TTestDialog fixed;
        fixed.setFixedSize(300, 200);
        fixed.show();
        EXPECT_EQ(fixed.pos(), QPoint(100, 100));
        EXPECT_EQ(fixed.size(), QSize(300, 200));
        fixed.hide();
    }
    writeIni(twoWords);
    {
        TTestDialog fixedByLayout;
        auto* layout = new QVBoxLayout(&fixedByLayout);
        layout->addWidget(new QLabel(QStringLiteral("natural size")));
        layout->setSizeConstraint(QLayout::SetFixedSize);
        fixedByLayout.show();
        const QSize natural = fixedByLayout.sizeHint();
        EXPECT_EQ(fixedByLayout.pos(), QPoint(100, 100));
        EXPECT_EQ(fixedByLayout.size(), natural);
        fixedByLayout.hide();
    }
    writeIni(twoWords);
    {
        TTestDialog sizeable;
        sizeable.setGeometry(10, 20, 400, 300);  // right 410, bottom 320
        sizeable.show();
        EXPECT_EQ(sizeable.frameGeometry(), QRect(100, 100, 310, 220));
        sizeable.hide();
    }
}

TEST_F(FormStorageTest, BrokenNormPosIsIgnoredAndLostScreensAreLeft) {
    for (const QByteArray& broken :
         {QByteArray("300,100,200,400"), QByteArray("100,100,500,100"), QByteArray("a,b,c,d")}) {
        auto dialog = std::make_unique<TTestDialog>();
        dialog->setGeometry(10, 20, 400, 300);
        writeIni("[test dialog]\r\nNormPos=" + broken + "\r\n");
        dialog->show();
        EXPECT_EQ(dialog->geometry(), QRect(10, 20, 400, 300)) << broken.constData();
    }
    auto dialog = shownWith("NormPos=50000,50000,50400,50300\r\n");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(dialog->frameGeometry(), QRect(screen.topLeft(), QSize(400, 300)));
}

TEST_F(FormStorageTest, ShowCmdSetsTheStateAndTheMainWindowMinimisesLater) {
    auto dialog = shownWith("ShowCmd=3\r\nNormPos=30,40,330,240\r\n");
    EXPECT_TRUE(dialog->isMaximized());
    dialog->Close();
    EXPECT_EQ(ini().readString("test dialog", "ShowCmd", ""), "3");
    EXPECT_EQ(ini().readString("test dialog", "NormPos", ""), "30,40,330,240");
    dialog.reset();

    dialog = shownWith("ShowCmd=6\r\n");
    EXPECT_TRUE(dialog->isMinimized());
    dialog.reset();
    dialog = shownWith("ShowCmd=77\r\n");
    EXPECT_FALSE(dialog->isMinimized() || dialog->isMaximized());
    dialog.reset();

    writeIni("[main window]\r\nShowCmd=2\r\nPanel1_Width=240\r\n");
    TTestMain main;
    main.show();
    EXPECT_EQ(main.Panel1->width, 240);  // the component's own "Width" property
    EXPECT_FALSE(main.isMinimized());
    QApplication::processEvents();
    EXPECT_TRUE(main.isMinimized());
    main.close();
    EXPECT_EQ(ini().readString("main window", "ShowCmd", ""), "2");
}

TEST_F(FormStorageTest, WriteFailureIsShownAndTheCloseGoesOn) {
    writeIni("[test dialog]\r\nEdit2_Text=old\r\n");
    const QByteArray before = iniBytes();
    auto dialog = std::make_unique<TTestDialog>();
    dialog->show();
    dialog->Edit2->setText(QStringLiteral("new"));
    {
        ReadOnlyFolder readOnly(folder());
        dialog->Close();
        EXPECT_FALSE(dialog->isVisible());
        ASSERT_EQ(test::fakeDialogs().messageTexts(),
                  QStringList({QStringLiteral("Unable to write to ") + iniPath()}));
        EXPECT_EQ(test::fakeDialogs().messages[0].icon, MsgIcon::Error);
        // Not saved, so the destruction tries again and reports again.
        dialog.reset();
        EXPECT_EQ(test::fakeDialogs().messageTexts().size(), 2);
    }
    EXPECT_EQ(iniBytes(), before);
}

}  // namespace
}  // namespace lumora

#include "form_storage_test.moc"
