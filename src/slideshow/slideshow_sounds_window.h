#pragma once

#include "platform/dialogs.h"
#include "platform/mci.h"
#include "ui/form.h"

#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace lumora {

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TFormStorage;
class TListBox;
class TPositionBar;

// The sounds played during slideshows: the list, its on/off option and the
// hidden player that plays the list in turn, also while the window is closed.
class TForm22 : public TDialogForm {
    Q_OBJECT
public:
    TForm22();
    ~TForm22() override;

    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFileListBox* FileListBox1;
    QToolButton* add;
    QToolButton* remove;
    QToolButton* moveup;
    QToolButton* movedown;
    QCheckBox* enablesound;
    TListBox* ListBox1;  // the sound list
    QToolButton* playsound;
    QToolButton* stopsound;
    TPositionBar* position;
    QToolButton* save;
    QToolButton* open;
    QPushButton* BitBtn1;  // OK
    QLineEdit* Edit1;      // the selected sound; hidden
    FileDialogOptions SaveDialog1;
    FileDialogOptions OpenDialog1;
    std::unique_ptr<MciDevice> MediaPlayer1;
    QTimer* Timer1;  // refresh and continuation, from program start
    TFormStorage* FormStorage1;

    // The current sound: the file the player holds open. A sound that could
    // not be opened leaves none.
    bool hasCurrentSound() const { return !MediaPlayer1->fileName().isEmpty(); }
    // Whether the list goes on to the next sound when one ends.
    bool continuing() const { return continuing_; }

    // The slideshow player's hooks: Start plays the list from its first sound
    // when the option is on; Stop silences it.
    void Start();
    void Stop();

    void FormCreate() override;
    void setVisible(bool visible) override;

public slots:
    void Timer1Timer();
    void DriveComboBox1Change();
    void DirectoryListBox1Change();
    void FileListBox1DblClick();
    void ListBox1Click();
    void ListBox1DblClick();
    void addClick();
    void removeClick();
    void moveupClick();
    void movedownClick();
    void playsoundClick();
    void stopsoundClick();
    void positionChange();
    void saveClick();
    void openClick();
    void BitBtn1Click();

protected:
    void FormShow() override;

private:
    void buildControls();
    void selectSound(int row);
    void beginContinuing();
    void continueWith(int row);
    void reportOnce(const EMciError& error);
    void keepPace(bool busy);

    bool continuing_ = false;
    bool reported_ = false;   // this run of the list has shown its one error box
    bool reporting_ = false;  // that box is open: the continuation waits
    // Sounds in a row that could not be opened or have no length; a whole
    // list of them stops the continuation.
    int silentInRow_ = 0;
    bool busy_ = false;
};

}  // namespace lumora
