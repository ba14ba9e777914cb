// The yardstick of start-up: a bare Qt main window with a menu bar, a tool bar
// and a status bar, reporting its first paint as the program's probe does.
#include "startup_probe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Open"));
    file->addAction(QStringLiteral("Exit"));
    window.menuBar()->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("About"));
    QToolBar* tools = window.addToolBar(QStringLiteral("Tools"));
    tools->addAction(window.style()->standardIcon(QStyle::SP_DialogOpenButton),
                     QStringLiteral("Open"));
    tools->addAction(window.style()->standardIcon(QStyle::SP_DialogSaveButton),
                     QStringLiteral("Save"));
    window.setCentralWidget(new QLabel(QStringLiteral("Bare")));
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    window.resize(622, 444);
    lumora::bench::StartupProbe probe;
    window.winId();
    window.windowHandle()->installEventFilter(&probe);
    window.show();
    return QApplication::exec();
}
