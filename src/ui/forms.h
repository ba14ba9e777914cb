#pragma once

namespace lumora {

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm13;
class TIconDlg;
class TForm15;
class TForm16;
class TForm17;
class TForm18;
class TForm19;
class TForm20;
class TForm21;
class TForm22;

// The single instance of every window. Windows of different subsystems reach
// each other only through this registry; a window includes only the windows
// below it (the program assembles them in app/start_up).
struct Forms {
    TForm1* Form1 = nullptr;    // main window
    TForm2* Form2 = nullptr;    // media player
    TForm3* Form3 = nullptr;    // copy/move
    TForm4* Form4 = nullptr;    // preferences, the live options record
    TForm5* Form5 = nullptr;    // full screen viewer
    TForm6* Form6 = nullptr;    // select a directory
    TForm7* Form7 = nullptr;    // slideshow editor
    TForm8* Form8 = nullptr;    // slideshow player
    TForm9* Form9 = nullptr;    // open slideshow
    TForm10* Form10 = nullptr;  // wallpaper progress
    TForm11* Form11 = nullptr;  // about
    TForm13* Form13 = nullptr;  // links
    TIconDlg* IconDlg = nullptr;
    TForm15* Form15 = nullptr;  // quick slideshow
    TForm16* Form16 = nullptr;  // file info
    TForm17* Form17 = nullptr;  // association
    TForm18* Form18 = nullptr;  // own filter setup
    TForm19* Form19 = nullptr;  // easy filter
    TForm20* Form20 = nullptr;  // favourite slideshows
    TForm21* Form21 = nullptr;  // history list
    TForm22* Form22 = nullptr;  // slideshow sounds
};

Forms& forms();

}  // namespace lumora
