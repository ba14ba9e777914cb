#include "ui/form.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>

namespace lumora {
namespace {

class CountingForm : public TForm {
public:
    int activations = 0;

protected:
    void FormActivate() override { ++activations; }
};

TEST(Form, ActivationCountsOnlyAmongTheProgramsOwnWindows) {
    CountingForm first, second;
    first.show();
    second.show();
    QApplication::setActiveWindow(&first);
    EXPECT_EQ(first.activations, 1);
    // Off to another program and back: the same window, no new activation.
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(&first);
    EXPECT_EQ(first.activations, 1);
    // From one of our windows to the other and back: each activates.
    QApplication::setActiveWindow(&second);
    QApplication::setActiveWindow(&first);
    EXPECT_EQ(second.activations, 1);
    EXPECT_EQ(first.activations, 2);
}

class Commands : public TForm {
public:
    Commands() {
        toggle = named(new QAction(this), "toggle");
        toggle->setCheckable(true);
        addAction(toggle);
        button = named(new QPushButton(this), "button");
        button->setCheckable(true);
        connectCommand(this, "toggle", &Commands::toggleClick);
        connectCommand(this, "button", &Commands::buttonClick);
    }
    void toggleClick() { seen << toggle->isChecked(); }
    void buttonClick() {
        seen << button->isChecked();
        throw std::runtime_error("shown by the error box, not past the handler");
    }

    QAction* toggle;
    QPushButton* button;
    QList<bool> seen;
};

TEST(Form, CommandsSeeTheirMarkAsItWasAndSetItThemselves) {
    Commands window;
    window.toggle->trigger();
    window.toggle->trigger();
    window.button->click();
    // Qt's own toggling is undone before the handler runs; nobody set it.
    EXPECT_EQ(window.seen, QList<bool>({false, false, false}));
    EXPECT_FALSE(window.toggle->isChecked());
    EXPECT_FALSE(window.button->isChecked());
}

}  // namespace
}  // namespace lumora
