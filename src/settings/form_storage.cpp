#include "settings/form_storage.h"

#include "platform/application.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <optional>

namespace lumora {
namespace {

constexpr int kRestoreToMaximized = 0x2;
// Far beyond any list a person keeps, so that a damaged "Count" cannot make
// us build, show and write back millions of empty items.
constexpr int kMaxListItems = 10000;

bool allDigits(QStringView text, int base) {
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool digit = u >= '0' && u <= '9';
        const bool hex = (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (!digit && !(base == 16 && hex))
            return false;
    }
    return true;
}

// A signed decimal, or hexadecimal after "0x" or "$" (all 32 bits, so a
// system colour comes back negative). Anything else is 0, as is a decimal
// outside the 32-bit range.
int toInteger(QStringView text) {
    bool negative = false;
    if (text.startsWith(u'-') || text.startsWith(u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    int base = 10;
    if (text.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        text = text.mid(2);
    } else if (text.startsWith(u'$')) {
        base = 16;
        text = text.mid(1);
    }
    if (!allDigits(text, base))
        return 0;
    bool ok = false;
    const qulonglong magnitude = text.toULongLong(&ok, base);
    if (!ok)
        return 0;
    if (base == 16) {
        if (magnitude > 0xFFFFFFFFull)
            return 0;
        const auto bits = static_cast<quint32>(magnitude);
        return static_cast<qint32>(negative ? 0u - bits : bits);
    }
    if (negative)
        return magnitude <= 0x80000000ull ? static_cast<int>(-qint64(magnitude)) : 0;
    return magnitude <= 0x7FFFFFFFull ? static_cast<int>(magnitude) : 0;
}

// Placement words are separated by commas and blanks.
QList<QStringView> words(QStringView text) {
    QList<QStringView> result;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool separator = i == text.size() || text[i] == u',' || text[i].isSpace();
        if (separator && start >= 0) {
            result << text.mid(start, i - start);
            start = -1;
        } else if (!separator && start < 0) {
            start = i;
        }
    }
    return result;
}

QMargins frameMargins(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

// The rectangle the window has in the normal state, frame included.
QRect normalFrameRect(const QWidget* window) {
    QRect rect = window->geometry();
    if (window->windowState() &
        (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        const QRect normal = window->normalGeometry();
        if (normal.isValid())
            rect = normal;
    }
    return rect.marginsAdded(frameMargins(window));
}

bool isFixedSize(const QWidget* window) {
    if (window->windowFlags() & Qt::MSWindowsFixedSizeDialogHint)
        return true;
    if (const QLayout* layout = window->layout())
        if (layout->sizeConstraint() == QLayout::SetFixedSize)
            return true;
    return window->minimumSize() == window->maximumSize();
}

QString position(int x, int y, int z, int w) {
    return QStringLiteral("%1,%2,%3,%4").arg(x).arg(y).arg(z).arg(w);
}

template <class Widget, class Get, class Set>
bool access(QObject* object, Get get, Set set, std::function<QVariant(QObject*)>& getter,
            std::function<void(QObject*, const QVariant&)>& setter) {
    if (!qobject_cast<Widget*>(object))
        return false;
    getter = [get](QObject* o) { return QVariant(get(static_cast<Widget*>(o))); };
    setter = [set](QObject* o, const QVariant& v) { set(static_cast<Widget*>(o), v); };
    return true;
}

}  // namespace

QString storedText(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

TFormStorage::TFormStorage(QWidget* window, const QString& section, const QStringList& storedProps,
                           int)
    : QObject(window), window_(window), iniSection_(section) {
    setStoredProps(storedProps);
    window->installEventFilter(this);
}

TFormStorage::~TFormStorage() {
    if (!windowGone_ && window_ && detach_)
        detach_();
}

QStringList TFormStorage::StoredProps() const {
    QStringList result;
    for (const Binding& binding : bindings_)
        result << binding.component + u'.' + binding.property;
    return result;
}

void TFormStorage::setStoredProps(const QStringList& entries) {
    bindings_.clear();
    linked_ = false;
    for (const QString& entry : entries) {
        const qsizetype dot = entry.indexOf(u'.');
        if (dot < 0)
            continue;
        Binding binding;
        binding.component = entry.left(dot).trimmed();
        binding.property = entry.mid(dot + 1).trimmed();
        if (binding.component.isEmpty() || binding.property.isEmpty())
            continue;
        bindings_.push_back(std::move(binding));
    }
}

void TFormStorage::link() {
    std::erase_if(bindings_, [this](Binding& binding) { return !bind(binding); });
    linked_ = true;
}

bool TFormStorage::bind(Binding& b) const {
    QObject* object = nullptr;
    if (window_->objectName() == b.component)
        object = window_;
    else
        object = window_->findChild<QObject*>(b.component);
    if (!object)
        return false;
    b.object = object;

    const QString& name = b.property;
    std::optional<Kind> designKind;
    if (name == u"Checked" || name == u"Down")
        designKind = Kind::Boolean;
    else if (name == u"Position" || name == u"Width" || name == u"ColorValue")
        designKind = Kind::Integer;
    else if (name == u"Text" || name == u"Caption")
        designKind = Kind::String;
    else if (name == u"Lines" || name == u"Items")
        designKind = Kind::List;

    // A property of the component's own, under the design's name, always wins.
    const QByteArray propertyName = name.toLatin1();
    const int index = object->metaObject()->indexOfProperty(propertyName.constData());
    if (index >= 0) {
        const QMetaProperty property = object->metaObject()->property(index);
        if (!property.isReadable() || !property.isWritable())
            return false;
        if (designKind) {
            b.kind = *designKind;
        } else {
            switch (property.metaType().id()) {
                case QMetaType::Bool:
                    b.kind = Kind::Boolean;
                    break;
                case QMetaType::Int:
                case QMetaType::UInt:
                case QMetaType::Short:
                case QMetaType::UShort:
                case QMetaType::Long:
                case QMetaType::ULong:
                case QMetaType::LongLong:
                case QMetaType::ULongLong:
                    b.kind = Kind::Integer;
                    break;
                case QMetaType::QString:
                    b.kind = Kind::String;
                    break;
                case QMetaType::QStringList:
                    b.kind = Kind::List;
                    break;
                default:
                    return false;
            }
        }
        b.get = [propertyName](QObject* o) { return o->property(propertyName.constData()); };
        b.set = [propertyName](QObject* o, const QVariant& v) {
            o->setProperty(propertyName.constData(), v);
        };
        return true;
    }
    if (!designKind)
        return false;
    b.kind = *designKind;
    auto& get = b.get;
    auto& set = b.set;

    if (name == u"Checked" || name == u"Down") {
        // A speed button's "Down" is the checked state of a checkable tool button.
        return access<QAbstractButton>(
                   object, [](QAbstractButton* w) { return w->isChecked(); },
                   [](QAbstractButton* w, const QVariant& v) { w->setChecked(v.toBool()); }, get,
                   set) ||
               access<QGroupBox>(
                   object, [](QGroupBox* w) { return w->isChecked(); },
                   [](QGroupBox* w, const QVariant& v) { w->setChecked(v.toBool()); }, get, set);
    }
    if (name == u"Position") {
        // The slider clamps the value to its range.
        return access<QAbstractSlider>(
            object, [](QAbstractSlider* w) { return w->value(); },
            [](QAbstractSlider* w, const QVariant& v) { w->setValue(v.toInt()); }, get, set);
    }
    if (name == u"Width") {
        return access<QWidget>(
            object, [](QWidget* w) { return w->width(); },
            [](QWidget* w, const QVariant& v) { w->resize(v.toInt(), w->height()); }, get, set);
    }
    if (name == u"Text") {
        return access<QLineEdit>(
                   object, [](QLineEdit* w) { return w->text(); },
                   [](QLineEdit* w, const QVariant& v) { w->setText(v.toString()); }, get, set) ||
               access<QComboBox>(
                   object, [](QComboBox* w) { return w->currentText(); },
                   [](QComboBox* w, const QVariant& v) { w->setCurrentText(v.toString()); }, get,
                   set) ||
               access<QLabel>(
                   object, [](QLabel* w) { return w->text(); },
                   [](QLabel* w, const QVariant& v) { w->setText(v.toString()); }, get, set);
    }
    if (name == u"Caption") {
        if (object == window_)
            return access<QWidget>(
                object, [](QWidget* w) { return w->windowTitle(); },
                [](QWidget* w, const QVariant& v) { w->setWindowTitle(v.toString()); }, get, set);
        return access<QLabel>(
                   object, [](QLabel* w) { return w->text(); },
                   [](QLabel* w, const QVariant& v) { w->setText(v.toString()); }, get, set) ||
               access<QAbstractButton>(
                   object, [](QAbstractButton* w) { return w->text(); },
                   [](QAbstractButton* w, const QVariant& v) { w->setText(v.toString()); }, get,
                   set) ||
               access<QGroupBox>(
                   object, [](QGroupBox* w) { return w->title(); },
                   [](QGroupBox* w, const QVariant& v) { w->setTitle(v.toString()); }, get, set);
    }
    if (name == u"Items") {
        return access<QListWidget>(
                   object,
                   [](QListWidget* w) {
                       QStringList items;
                       items.reserve(w->count());
                       for (int i = 0; i < w->count(); ++i)
                           items << w->item(i)->text();
                       return items;
                   },
                   [](QListWidget* w, const QVariant& v) {
                       w->clear();
                       w->addItems(v.toStringList());
                   },
                   get, set) ||
               access<QComboBox>(
                   object,
                   [](QComboBox* w) {
                       QStringList items;
                       for (int i = 0; i < w->count(); ++i)
                           items << w->itemText(i);
                       return items;
                   },
                   [](QComboBox* w, const QVariant& v) {
                       w->clear();
                       w->addItems(v.toStringList());
                   },
                   get, set);
    }
    if (name == u"Lines") {
        return access<QPlainTextEdit>(
            object,
            [](QPlainTextEdit* w) {
                const QString text = w->toPlainText();
                return text.isEmpty() ? QStringList() : text.split(u'\n');
            },
            [](QPlainTextEdit* w, const QVariant& v) {
                w->setPlainText(v.toStringList().join(u'\n'));
            },
            get, set);
    }
    return false;
}

void TFormStorage::setFixedListSize(const QString& component, int items) {
    fixedListSizes_.insert(component, items);
}

int TFormStorage::listBound(const Binding& binding) const {
    return fixedListSizes_.value(binding.component, kMaxListItems);
}

void TFormStorage::restore() {
    if (!active_ || !window_)
        return;
    if (!linked_)
        link();
    saved_ = false;
    const IniDocument doc = IniFile(iniFileName_).load();
    readPlacement(doc);
    restored_ = true;
    readProperties(doc);
}

void TFormStorage::save() {
    if (!active_ || !restored_ || !window_)
        return;
    IniFile(iniFileName_).update([this](IniDocument& doc) {
        writePlacement(doc);
        writeProperties(doc);
    });
    saved_ = true;
}

void TFormStorage::readPlacement(const IniDocument& doc) {
    QWidget* window = window_;
    const QString& section = iniSection_;
    if (const auto flags = doc.value(section, QStringLiteral("Flags")))
        flags_ = toInteger(storedText(*flags));

    const QString minMax = storedText(doc.readString(section, QStringLiteral("MinMaxPos"), {}));
    const QString norm = storedText(doc.readString(section, QStringLiteral("NormPos"), {}));
    if (!minMax.isEmpty()) {
        int values[4] = {minPosition_.x(), minPosition_.y(), maxPosition_.x(), maxPosition_.y()};
        const auto parts = words(minMax);
        for (qsizetype i = 0; i < 4 && i < parts.size(); ++i)
            values[i] = toInteger(parts[i]);
        minPosition_ = QPoint(values[0], values[1]);
        maxPosition_ = QPoint(values[2], values[3]);
    }
    if ((!minMax.isEmpty() || !norm.isEmpty()) && (options_ & fpPosition)) {
        const QRect current = normalFrameRect(window);
        int edges[4] = {current.x(), current.y(), current.x() + current.width(),
                        current.y() + current.height()};
        const auto parts = words(norm);
        for (qsizetype i = 0; i < 4 && i < parts.size(); ++i)
            edges[i] = toInteger(parts[i]);
        const bool fixed = isFixedSize(window);
        if (fixed) {
            edges[2] = edges[0] + current.width();
            edges[3] = edges[1] + current.height();
        }
        // A rectangle without width or height is damage, not a placement.
        if (edges[2] > edges[0] && edges[3] > edges[1]) {
            QRect frame(QPoint(edges[0], edges[1]), QPoint(edges[2] - 1, edges[3] - 1));
            // A window placed on a screen that is gone comes back to the primary one.
            bool onScreen = false;
            for (const QScreen* screen : QGuiApplication::screens())
                onScreen = onScreen || screen->geometry().intersects(frame);
            if (!onScreen)
                if (const QScreen* primary = QGuiApplication::primaryScreen())
                    frame.moveTopLeft(primary->availableGeometry().topLeft());
            window->move(frame.topLeft());
            if (!fixed) {
                // The stored size includes the frame; before the window was
                // mapped the frame is unknown, so the size is corrected later.
                const QMargins margins = frameMargins(window);
                window->resize(frame.size().shrunkBy(margins));
                pendingFrame_ = margins.isNull() ? frame : QRect();
            }
        }
    }

    if (!(options_ & fpState))
        return;
    const int showCmd = toInteger(
        storedText(doc.readString(section, QStringLiteral("ShowCmd"), QStringLiteral("0"))));
    Qt::WindowStates state = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    switch (showCmd) {
        case 2:
        case 6:
            if (qobject_cast<QMainWindow*>(window)) {
                // The main window minimises the application once it is up.
                window->setWindowState(state);
                QTimer::singleShot(0, window, [window] { window->showMinimized(); });
                return;
            }
            state |= Qt::WindowMinimized;
            if (flags_ & kRestoreToMaximized)
                state |= Qt::WindowMaximized;
            break;
        case 3:
            state |= Qt::WindowMaximized;
            break;
        default:
            break;
    }
    window->setWindowState(state);
}

void TFormStorage::writePlacement(IniDocument& doc) const {
    const QWidget* window = window_;
    const Qt::WindowStates state = window->windowState();
    const bool minimized = state & Qt::WindowMinimized;
    const bool maximized = state & Qt::WindowMaximized;
    int flags = flags_ & ~kRestoreToMaximized;
    if (minimized && maximized)
        flags |= kRestoreToMaximized;
    QPoint maxPosition = maxPosition_;
    if (maximized && !minimized)
        maxPosition = window->frameGeometry().topLeft();
    const QRect normal = pendingFrame_.isValid() ? pendingFrame_ : normalFrameRect(window);

    const QString& section = iniSection_;
    doc.writeString(section, QStringLiteral("Flags"), QString::number(flags));
    doc.writeString(section, QStringLiteral("ShowCmd"),
                    QString::number(minimized   ? 2
                                    : maximized ? 3
                                                : 1));
    doc.writeString(section, QStringLiteral("MinMaxPos"),
                    position(minPosition_.x(), minPosition_.y(), maxPosition.x(), maxPosition.y()));
    doc.writeString(section, QStringLiteral("NormPos"),
                    position(normal.x(), normal.y(), normal.x() + normal.width(),
                             normal.y() + normal.height()));
}

void TFormStorage::readProperties(const IniDocument& doc) {
    for (const Binding& b : bindings_) {
        QObject* object = b.object;
        if (!object)
            continue;
        const QString key = b.component + u'_' + b.property;
        if (b.kind == Kind::List) {
            const QString section = iniSection_ + u'.' + key;
            int count = toInteger(
                storedText(doc.readString(section, QStringLiteral("Count"), QStringLiteral("0"))));
            if (count <= 0)
                continue;
            count = std::min(count, listBound(b));
            QStringList items;
            items.reserve(count);
            for (int i = 0; i < count; ++i)
                items << doc.readString(section, QStringLiteral("Item%1").arg(i), QString());
            b.set(object, items);
            continue;
        }
        const auto stored = doc.value(iniSection_, key);
        if (!stored)
            continue;
        const QString text = storedText(*stored);
        switch (b.kind) {
            case Kind::Boolean:
                if (text.compare(u"False", Qt::CaseInsensitive) == 0)
                    b.set(object, false);
                else if (text.compare(u"True", Qt::CaseInsensitive) == 0)
                    b.set(object, true);
                break;
            case Kind::Integer:
                b.set(object, toInteger(text));
                break;
            case Kind::String:
                b.set(object, text);
                break;
            case Kind::List:
                break;
        }
    }
}

void TFormStorage::writeProperties(IniDocument& doc) const {
    for (const Binding& b : bindings_) {
        QObject* object = b.object;
        if (!object)
            continue;
        const QString key = b.component + u'_' + b.property;
        const QVariant value = b.get(object);
        switch (b.kind) {
            case Kind::Boolean:
                doc.writeString(iniSection_, key,
                                value.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
                break;
            case Kind::Integer: {
                // 32 bits, signed: a colour with the high bit set is written negative.
                const auto bits = static_cast<quint32>(value.toLongLong());
                doc.writeString(iniSection_, key, QString::number(static_cast<qint32>(bits)));
                break;
            }
            case Kind::String:
                // Written also when empty: an emptied field clears its stored text.
                doc.writeString(iniSection_, key, storedText(value.toString()));
                break;
            case Kind::List: {
                // An emptied list is written as Count=0, so it stays empty: the
                // earlier entries must not come back with the next start. A
                // Count of 0 reads as it always did (the list keeps what it has).
                // What lies beyond the bound would not be read again. The
                // section keeps its place, so an unchanged list changes no byte.
                const QStringList items = value.toStringList().mid(0, listBound(b));
                const QString section = iniSection_ + u'.' + key;
                doc.clearSection(section);
                doc.writeString(section, QStringLiteral("Count"), QString::number(items.size()));
                for (qsizetype i = 0; i < items.size(); ++i)
                    doc.writeString(section, QStringLiteral("Item%1").arg(i), items[i]);
                break;
            }
        }
    }
}

void TFormStorage::applyPendingFrame() {
    QWidget* window = window_;
    if (!window->isVisible() ||
        (window->windowState() &
         (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const QMargins margins = frameMargins(window);
    if (margins.isNull())
        return;
    const QRect frame = pendingFrame_;
    pendingFrame_ = QRect();
    window->move(frame.topLeft());
    window->resize(frame.size().shrunkBy(margins));
}

bool TFormStorage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && pendingFrame_.isValid()) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::WindowStateChange:
                applyPendingFrame();
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TFormStorage::formShowing() {
    if (!active_)
        return;
    try {
        restore();
    } catch (const std::exception& error) {
        TApplication::showException(error);
    }
}

void TFormStorage::formClosed() {
    if (!restored_)
        return;
    try {
        save();
    } catch (const std::exception& error) {
        TApplication::showException(error);
    }
}

void TFormStorage::formDestroying() {
    windowGone_ = true;
    if (!restored_ || saved_)
        return;
    try {
        save();
    } catch (const std::exception& error) {
        TApplication::showException(error);
    }
}

}  // namespace lumora

// Compiled here rather than with the folder's other moc output, so that a
// program using only the storage does not pull in every window of the folder.
#include "moc_form_storage.cpp"
