#pragma once

#include "platform/dialogs.h"
#include "settings/page_picture.h"
#include "ui/form.h"
#include "ui/list_box.h"

#include <QHash>
#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class QToolButton;

namespace lumora {

class TColorComboBox;
class TFormStorage;
class TMemo;
class TTabbedNotebook;

// The preferences. Its controls are the live options record that the other
// windows read at the moment of use; OK pushes some options into them.
class TForm4 : public TDialogForm {
    Q_OBJECT
public:
    TForm4();

    TTabbedNotebook* TabbedNotebook1;

    // General
    QCheckBox* CheckBox951;  // Enable HistoryList
    QCheckBox* CheckBox7;    // No Taskbar
    QCheckBox* CheckBox9;    // Hide Toolbar
    QCheckBox* CheckBox10;   // double-click opens with the associated program
    TPagePicture* Image1;
    QLabel* label10;
    // Images
    QCheckBox* CheckBox6;   // Stretch
    QCheckBox* CheckBox11;  // Center
    TPagePicture* Image2;
    QLabel* Label12;
    // Movies
    QCheckBox* CheckBox1;  // Transparent
    QCheckBox* CheckBox2;  // Stretch
    QCheckBox* CheckBox3;  // Repetitions on
    QCheckBox* CheckBox4;  // Play Sound
    QCheckBox* CheckBox5;  // Center video
    TPagePicture* Image3;
    QLabel* Label14;
    // Favorites
    TListBox* ListBox1;  // the 20 favourite-folder slots
    QLineEdit* Edit1;    // the slot last clicked; empty: none
    QLabel* Label6;
    QPushButton* Button3;  // Add
    QPushButton* Button2;  // Add Dir
    QPushButton* Button4;  // Delete
    QPushButton* Button5;  // Sort
    QPushButton* Button6;  // Move Up
    QPushButton* Button7;  // Move Down
    TPagePicture* Image12;
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
    TPagePicture* Image13;
    QLabel* Label18;
    // Language
    QPushButton* Button8;
    QLabel* Label4;
    QLabel* Label5;
    TMemo* Memo2;  // the language table
    TPagePicture* Image14;
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
    static constexpr int kFavoritesPage = 3;

    // The language pack dialog; it starts in the folder of the shipped packs.
    FileDialogOptions OpenDialog1;

    // The folder the main window's file list shows, for "Add Dir".
    std::function<QString()> currentFolder;

signals:
    // OK pushes the options to the windows that use them: they connect here,
    // in the order of the steps they take, and read the controls they need.
    void optionsApplied();

public slots:
    // OK: applies every pushed option and closes the window.
    void Button1Click();
    void Timer1Timer();
    // The favourite slots.
    void ListBox1Click();
    void Button3Click();  // Add
    void Button2Click();  // Add Dir
    void Button4Click();  // Delete
    void Button5Click();  // Sort
    void Button6Click();  // Move Up
    void Button7Click();  // Move Down
    // Load a Language: reads a pack into the language list and applies it.
    void Button8Click();

public:
    // Reads the pack into the language list, applies it and names it in
    // Label5; raises the read's error and changes nothing then.
    void loadLanguagePack(const QString& path);
    // After a slot was filled or freed: no slot counts as clicked any more.
    void forgetClickedSlot();

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Every way out of the window is OK's.
    void reject() override;

private:
    // A page with a picture behind it, a small icon and a description panel.
    struct PicturePage {
        TPagePicture* picture;
        QLabel* description;
        QList<QCheckBox*> hoverBoxes;  // underlined in blue under the mouse
    };
    struct Description {
        QLabel* label;
        QString text;
        const PicturePage* page;
    };

    QWidget* buildGeneralPage();
    QWidget* buildImagesPage();
    QWidget* buildMoviesPage();
    QWidget* buildFavoritesPage();
    QWidget* buildSlideShowPage();
    QWidget* buildLanguagePage();
    QWidget* buildToolbarPage();
    QWidget* buildLinksPage();
    QWidget* picturePage(PicturePage& page, TPagePicture::Motif motif, const char* pictureName,
                         const QString& caption, QLayout* controls, const char* descriptionName);
    void describe(QWidget* control, const PicturePage& page, const QString& text);
    void moveSlot(int step);

    std::array<PicturePage, 6> pages_{};
    QHash<QObject*, Description> descriptions_;
};

}  // namespace lumora
