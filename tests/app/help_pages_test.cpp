#include "app/main_window.h"
#include "support/program.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocumentFragment>

namespace lumora {
namespace {

using test::ProgramTest;

// The headings of every help page, as a reader sees them.
QStringList helpHeadings() {
    const QDir help(qEnvironmentVariable("LUMORA_SOURCE_DIR") + QStringLiteral("/resources/help"));
    static const QRegularExpression heading(QStringLiteral("<h[12][^>]*>(.*?)</h[12]>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QStringList headings;
    for (const QString& name : help.entryList({QStringLiteral("*.html")})) {
        QFile page(help.filePath(name));
        EXPECT_TRUE(page.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString text = QString::fromUtf8(page.readAll());
        for (const QRegularExpressionMatch& match : heading.globalMatch(text))
            headings << QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText();
    }
    return headings;
}

// A user who reads a window's title bar finds its help page under that title:
// every window the program creates, with the captions it has after start-up
// (the language table applied). The main window's title carries the folder.
TEST_F(ProgramTest, EveryWindowHasAHelpPageUnderItsCaption) {
    const QStringList headings = helpHeadings();
    ASSERT_FALSE(headings.isEmpty());
    static const QRegularExpression formName(QStringLiteral("^(Form\\d+|IconDlg)$"));
    int windows = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!formName.match(window->objectName()).hasMatch())
            continue;
        ++windows;
        // The slideshow player has no title bar and so no caption to look up.
        if (window->windowTitle().isEmpty())
            continue;
        const QString caption = window->objectName() == QStringLiteral("Form1")
                                    ? TForm1::applicationTitle()
                                    : window->windowTitle();
        EXPECT_TRUE(headings.contains(caption)) << window->objectName().toStdString() << " \""
                                                << caption.toStdString() << "\" has no help page";
    }
    EXPECT_EQ(windows, 21);  // every window of the start-up order and the links window
}

}  // namespace
}  // namespace lumora
