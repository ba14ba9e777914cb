// Restoring a window that keeps what the preferences keep: 31 simple
// properties, a 152-line memo and a 20-item list, from a file written before;
// and saving it.
#include "bench_report.h"
#include "settings/form_storage.h"
#include "ui/controls.h"
#include "ui/form.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

using namespace lumora;

// The colour drop-down's stored value, without the preferences window's library.
class ColorHolder : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int ColorValue READ ColorValue WRITE setColorValue)
public:
    using QWidget::QWidget;
    int ColorValue() const { return value; }
    void setColorValue(int v) { value = v; }
    int value = 0;
};

template <class Widget>
Widget* named(Widget* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

class TPreferencesLike : public TDialogForm {
public:
    TPreferencesLike() {
        QStringList props;
        for (const char* box : {"CheckBox1", "CheckBox11", "CheckBox2", "CheckBox3", "CheckBox4",
                                "CheckBox5", "CheckBox6", "CheckBox7", "CheckBox9"}) {
            named(new QCheckBox(this), QString::fromLatin1(box));
            props << QString::fromLatin1(box) + QStringLiteral(".Checked");
        }
        named(new QScrollBar(this), QStringLiteral("slidestimer"))->setRange(1000, 30000);
        props << QStringLiteral("slidestimer.Position") << QStringLiteral("Memo2.Lines");
        Memo2 = named(new TMemo(this), QStringLiteral("Memo2"));
        named(new ColorHolder(this), QStringLiteral("bgcolor"));
        props << QStringLiteral("bgcolor.ColorValue");
        for (int i : {1, 10, 11, 12, 13, 14, 15, 2, 3, 4, 5, 6, 7, 8, 9}) {
            auto* button = named(new QToolButton(this), QStringLiteral("SpeedButton%1").arg(i));
            button->setCheckable(true);
            props << button->objectName() + QStringLiteral(".Down");
        }
        named(new QLabel(this), QStringLiteral("Label5"));
        named(new QCheckBox(this), QStringLiteral("CheckBox10"));
        named(new QCheckBox(this), QStringLiteral("CheckBox951"));
        named(new QLineEdit(this), QStringLiteral("Edit2"));
        named(new QLineEdit(this), QStringLiteral("Edit3"));
        ListBox1 = named(new QListWidget(this), QStringLiteral("ListBox1"));
        props << QStringLiteral("Label5.Caption") << QStringLiteral("CheckBox10.Checked")
              << QStringLiteral("CheckBox951.Checked") << QStringLiteral("Edit2.Text")
              << QStringLiteral("Edit3.Text") << QStringLiteral("ListBox1.Items");
        storage = new TFormStorage(this, QStringLiteral("preferences"), props);
    }
    TMemo* Memo2;
    QListWidget* ListBox1;
    TFormStorage* storage;
};

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    if (lumora::bench::wanted("ini_restore_preferences_ms")) {
        {
            TPreferencesLike writer;
            writer.storage->restore();  // no file yet: as on a fresh installation
            QStringList lines;
            for (int i = 0; i < 152; ++i)
                lines << QStringLiteral("Interface text number %1 of the language table").arg(i);
            writer.Memo2->setLines(lines);
            for (int i = 0; i < 20; ++i)
                writer.ListBox1->addItem(i % 3 ? QStringLiteral("Empty")
                                               : QStringLiteral("/home/user/Pictures/%1").arg(i));
            writer.storage->save();
        }
        TPreferencesLike reader;
        std::vector<double> runs;
        for (int i = 0; i < 300; ++i) {
            const auto start = std::chrono::steady_clock::now();
            reader.storage->restore();
            runs.push_back(lumora::bench::msSince(start));
        }
        if (reader.Memo2->Lines().size() != 152 || reader.ListBox1->count() != 20)
            return 1;
        std::nth_element(runs.begin(), runs.begin() + long(runs.size() / 2), runs.end());
        lumora::bench::report("ini_restore_preferences_ms", runs[runs.size() / 2], "ms");
    }
    if (lumora::bench::wanted("ini_save_preferences_ms")) {
        // One replace of the file, synced to disk, per save.
        TPreferencesLike window;
        window.storage->restore();
        std::vector<double> runs;
        for (int i = 0; i < 50; ++i) {
            const auto start = std::chrono::steady_clock::now();
            window.storage->save();
            runs.push_back(lumora::bench::msSince(start));
        }
        std::nth_element(runs.begin(), runs.begin() + long(runs.size() / 2), runs.end());
        lumora::bench::report("ini_save_preferences_ms", runs[runs.size() / 2], "ms");
    }
    return 0;
}

#include "bench_settings_ini.moc"
