#pragma once

#include "settings/ini_file.h"
#include "ui/form.h"

#include <QFlags>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace lumora {

// A text as the settings file keeps it: without leading and trailing blanks
// and control characters.
QString storedText(const QString& text);

// A window's settings: its placement and the listed properties of its
// controls, kept in one section of the settings file. The section is read
// each time the window is shown and written when it closes (or, failing
// that, when it is destroyed), but only for a window shown in this run.
//
//   new TFormStorage(this, "preferences", {"CheckBox1.Checked", "Memo2.Lines"});
//
// Keys are "Component_Property" in the window's section; a string list has
// its own section "<section>.Component_Property" with "Count" and "Item0"...
// Property names follow the design: Checked/Down (button checked state),
// Position (slider value), Width, Text, Caption, Lines, Items, or any
// Q_PROPERTY of that exact name on the component, which always wins.
//
// Placement: "Flags", "ShowCmd" (1 normal, 2 minimised, 3 maximised),
// "MinMaxPos" and "NormPos" (left, top, right, bottom of the normal frame
// rectangle, right and bottom exclusive). A window of fixed size takes only
// the position: fixed means a fixed-size layout constraint, the
// MSWindowsFixedSizeDialogHint flag, or equal minimum and maximum sizes.
class TFormStorage : public QObject, public FormLifecycleHooks {
    Q_OBJECT
public:
    enum PlacementOption { fpState = 0x1, fpPosition = 0x2, fpActiveControl = 0x4 };
    Q_DECLARE_FLAGS(PlacementOptions, PlacementOption)

    // A child of the window that hooks the window's show, close and destruction.
    template <class QtBase>
    TFormStorage(TFormBase<QtBase>* window, const QString& section,
                 const QStringList& storedProps = {})
        : TFormStorage(static_cast<QWidget*>(window), section, storedProps, 0) {
        window->setLifecycleHooks(this);
        detach_ = [window] { window->setLifecycleHooks(nullptr); };
    }
    ~TFormStorage() override;

    bool Active() const { return active_; }
    void setActive(bool active) { active_ = active; }
    const QString& IniFileName() const { return iniFileName_; }
    void setIniFileName(const QString& name) { iniFileName_ = name; }
    const QString& IniSection() const { return iniSection_; }
    void setIniSection(const QString& section) { iniSection_ = section; }
    PlacementOptions Options() const { return options_; }
    void setOptions(PlacementOptions options) { options_ = options; }
    // "Component.Property" entries; malformed ones are dropped at once, and
    // those naming no component of the window when it is first shown.
    QStringList StoredProps() const;
    void setStoredProps(const QStringList& entries);
    // A list of that component has `items` entries at most: a larger count
    // in the file is damage. Other lists are read and written up to a bound
    // that no real list reaches.
    void setFixedListSize(const QString& component, int items);

    bool restored() const { return restored_; }
    bool saved() const { return saved_; }
    // Where the settings file is.
    QString iniPath() const { return IniFile(iniFileName_).path(); }

    // Reads the section into the window; a missing file or key is no error.
    void restore();
    // Writes the section in one replace of the file; nothing for a window
    // never restored. Raises EError "Unable to write to <path>".
    void save();

    void formShowing() override;
    void formClosed() override;
    void formDestroying() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind { Boolean, Integer, String, List };
    struct Binding {
        QString component;
        QString property;
        QPointer<QObject> object;
        Kind kind = Kind::String;
        std::function<QVariant(QObject*)> get;
        std::function<void(QObject*, const QVariant&)> set;
    };

    TFormStorage(QWidget* window, const QString& section, const QStringList& storedProps, int);
    void link();
    bool bind(Binding& binding) const;
    void readPlacement(const IniDocument& doc);
    void writePlacement(IniDocument& doc) const;
    void readProperties(const IniDocument& doc);
    void writeProperties(IniDocument& doc) const;
    void applyPendingFrame();
    int listBound(const Binding& binding) const;

    QPointer<QWidget> window_;
    std::function<void()> detach_;
    bool windowGone_ = false;
    bool active_ = true;
    QString iniFileName_ = QString::fromLatin1(IniFile::kDefaultName);
    QString iniSection_;
    PlacementOptions options_ = PlacementOptions(fpState | fpPosition);
    std::vector<Binding> bindings_;
    QHash<QString, int> fixedListSizes_;
    bool linked_ = false;
    bool restored_ = false;
    bool saved_ = false;

    // The platform's placement values that Qt has no setter for, kept as read.
    int flags_ = 0;
    QPoint minPosition_{-1, -1};
    QPoint maxPosition_{-1, -1};
    // The stored frame rectangle while the frame around the window is not
    // known yet: applied once it is, and written back unchanged until then.
    QRect pendingFrame_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TFormStorage::PlacementOptions)

}  // namespace lumora
