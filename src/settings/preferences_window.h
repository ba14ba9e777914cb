#pragma once

#include "ui/form.h"

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QTimer;
class QToolButton;

namespace lumora {

class TColorComboBox;
class TFormStorage;
class TMemo;

// The preferences. Its controls are the live options record that the other
// windows read at the moment of use; OK pushes some options into them.
class TForm4 : public TDialogForm {
    Q_OBJECT
public:
    TForm4();

    QTabWidget* TabbedNotebook1;

    // General
    QCheckBox* CheckBox951;  // Enable HistoryList
    QCheckBox* CheckBox7;    // No Taskbar
    QCheckBox* CheckBox9;    // Hide Toolbar
    QCheckBox* CheckBox10;   // double-click opens with the associated program
    QLabel* label10;
    // Images
    QCheckBox* CheckBox6;   // Stretch
    QCheckBox* CheckBox11;  // Center
    QLabel* Label12;
    // Movies
    QCheckBox* CheckBox1;  // Transparent
    QCheckBox* CheckBox2;  // Stretch
    QCheckBox* CheckBox3;  // Repetitions on
    QCheckBox* CheckBox4;  // Play Sound
    QCheckBox* CheckBox5;  // Center video
    QLabel* Label14;
    // Favorites
    QListWidget* ListBox1;  // the 20 favourite-folder slots
    QLineEdit* Edit1;
    QLabel* Label6;
    QPushButton* Button3;  // Add
    QPushButton* Button2;  // Add Dir
    QPushButton* Button4;  // Delete
    QPushButton* Button5;  // Sort
    QPushButton* Button6;  // Move Up
    QPushButton* Button7;  // Move Down
    QLabel* Label16;
    // SlideShow
    QGroupBox* GroupBox1;
    QScrollBar* slidestimer;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QGroupBox* GroupBox2;
    TColorComboBox* bgcolor;
    TMemo* Memo1;
    QLabel* Label18;
    // Language
    QPushButton* Button8;
    QLabel* Label4;
    QLabel* Label5;
    TMemo* Memo2;  // the language table
    QLabel* Label20;
    // Toolbar
    std::array<QToolButton*, 15> SpeedButtons;  // SpeedButton1 .. SpeedButton15
    TMemo* Memo3;
    // Links
    QLineEdit* Edit2;  // Documents folder
    QLineEdit* Edit3;  // Cookies folder

    QPushButton* Button1;  // OK
    QTimer* Timer1;
    TFormStorage* FormStorage1;

    static constexpr int kFavoriteSlots = 20;

signals:
    // OK pushes the options to the windows that use them: they connect here
    // and read the controls they need.
    void optionsApplied();

public slots:
    // OK: applies every pushed option and closes the window.
    void Button1Click();
    void Timer1Timer();

private:
    QWidget* buildGeneralPage();
    QWidget* buildImagesPage();
    QWidget* buildMoviesPage();
    QWidget* buildFavoritesPage();
    QWidget* buildSlideShowPage();
    QWidget* buildLanguagePage();
    QWidget* buildToolbarPage();
    QWidget* buildLinksPage();
};

}  // namespace lumora
