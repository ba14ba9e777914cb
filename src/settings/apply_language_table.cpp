#include "settings/apply_language_table.h"

#include "ui/tabbed_notebook.h"
#include "ui/toolbar_glyphs.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

namespace lumora {
namespace {

using Window = LanguagePosition::Window;
using Property = LanguagePosition::Property;

// The full-screen viewer takes the player's two pop-up texts a second time.
constexpr int kViewerLines[] = {145, 146};

const char* windowName(Window window) {
    switch (window) {
        case Window::Main:
            return "Form1";
        case Window::Wallpaper:
            return "Form10";
        case Window::About:
            return "Form11";
        case Window::Links:
            return "Form13";
        case Window::QuickSlideshow:
            return "Form15";
        case Window::MediaPlayer:
            return "Form2";
        case Window::CopyMove:
            return "Form3";
        case Window::Preferences:
            return "Form4";
        case Window::SelectDirectory:
            return "Form6";
        case Window::SlideshowEditor:
            return "Form7";
        case Window::OpenSlideshow:
            return "Form9";
        case Window::ChangeIcon:
            return "IconDlg";
        case Window::SlideshowPlayer:
            return "Form8";
        case Window::None:
            break;
    }
    return nullptr;
}

QWidget* topLevelNamed(const char* name) {
    const QString wanted = QLatin1String(name);
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == wanted)
            return widget;
    return nullptr;
}

void setPageCaption(QObject* target, int page, const QString& text) {
    if (auto* notebook = qobject_cast<TTabbedNotebook*>(target))
        notebook->setTabText(page, text);
    else if (auto* tabs = qobject_cast<QTabWidget*>(target))
        tabs->setTabText(page, text);
}

void setHint(QObject* target, const QString& text) {
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget)
        return;
    widget->setToolTip(text);
    // A glyph says nothing to a screen reader: the hint names the button,
    // and an emptied hint leaves it the name it had.
    if (!text.isEmpty())
        widget->setAccessibleName(text);
}

// A label shows an "&" as it is; one with a buddy would take it for an
// access key.
QString labelText(const QLabel* label, const QString& text) {
    return label->buddy() ? QString(text).replace(u'&', QStringLiteral("&&")) : text;
}

void setCaption(QObject* target, const QString& text) {
    // A menu and the item that opens it carry the same name: either will do.
    if (auto* menu = qobject_cast<QMenu*>(target))
        menu->setTitle(text);
    else if (auto* action = qobject_cast<QAction*>(target))
        action->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(target))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(target))
        label->setText(labelText(label, text));
    else if (auto* group = qobject_cast<QGroupBox*>(target))
        group->setTitle(text);
    else if (auto* window = qobject_cast<QWidget*>(target); window && window->isWindow())
        window->setWindowTitle(text);
}

void apply(QWidget* window, const LanguagePosition& position, const QString& text) {
    if (!window)
        return;
    QObject* target = findLanguageTarget(window, position);
    if (!target)
        return;
    switch (position.property) {
        case Property::Caption:
            setCaption(target, text);
            break;
        case Property::Hint:
            setHint(target, text);
            break;
        case Property::PageCaption:
            setPageCaption(target, position.page, text);
            break;
        case Property::Reserved:
            break;
    }
}

}  // namespace

QWidget* findLanguageWindow(Window window) {
    const char* name = windowName(window);
    return name ? topLevelNamed(name) : nullptr;
}

QObject* findLanguageTarget(QWidget* window, const LanguagePosition& position) {
    if (!*position.control)
        return window;
    return window->findChild<QObject*>(QLatin1String(position.control));
}

QString languageText(QObject* target, const LanguagePosition& position) {
    if (position.property == Property::Hint)
        if (auto* widget = qobject_cast<QWidget*>(target))
            return widget->toolTip();
    if (position.property == Property::PageCaption) {
        if (auto* notebook = qobject_cast<TTabbedNotebook*>(target))
            return notebook->tabText(position.page);
        if (auto* tabs = qobject_cast<QTabWidget*>(target))
            return tabs->tabText(position.page);
    }
    if (position.property != Property::Caption)
        return {};
    if (auto* menu = qobject_cast<QMenu*>(target))
        return menu->title();
    if (auto* action = qobject_cast<QAction*>(target))
        return action->text();
    if (auto* button = qobject_cast<QAbstractButton*>(target))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(target))
        return label->buddy()
                   ? QString(label->text()).replace(QStringLiteral("&&"), QStringLiteral("&"))
                   : label->text();
    if (auto* group = qobject_cast<QGroupBox*>(target))
        return group->title();
    if (auto* window = qobject_cast<QWidget*>(target); window && window->isWindow())
        return window->windowTitle();
    return {};
}

void ApplyLanguageTable(const QStringList& lines) {
    const auto& table = languageTable();
    // Each window is looked up once, not once per position.
    QWidget* windows[int(Window::SlideshowPlayer) + 1] = {};
    bool looked[int(Window::SlideshowPlayer) + 1] = {};
    for (size_t n = 0; n < table.size(); ++n) {
        const LanguagePosition& position = table[n];
        if (position.property == Property::Reserved)
            continue;
        const int w = int(position.window);
        if (!looked[w]) {
            windows[w] = findLanguageWindow(position.window);
            looked[w] = true;
        }
        apply(windows[w], position, lines.value(qsizetype(n)));
    }
    QWidget* viewer = topLevelNamed("Form5");
    for (int n : kViewerLines)
        apply(viewer, table[size_t(n)], lines.value(n));
    // The Preferences' toolbar toggles show the glyphs of those buttons and
    // are named by the same hints.
    if (QWidget* preferences = windows[int(Window::Preferences)]) {
        for (int i = 0; i < kToolbarGlyphs; ++i)
            setHint(preferences->findChild<QWidget*>(QStringLiteral("SpeedButton%1").arg(i + 1)),
                    lines.value(kFirstToolbarHint + i));
    }
}

}  // namespace lumora
