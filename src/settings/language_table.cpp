#include "settings/language_table.h"

namespace lumora {
namespace {

using Window = LanguagePosition::Window;
using Property = LanguagePosition::Property;

constexpr std::array<LanguagePosition, kLanguageLineCount> kTable{{
    {Window::Main, "Show1", Property::Caption, -1, "Show"},                             // 0
    {Window::Main, "Preferences2", Property::Caption, -1, "Preferences"},               // 1
    {Window::Main, "About2", Property::Caption, -1, "About"},                           // 2
    {Window::Main, "Exit2", Property::Caption, -1, "Exit"},                             // 3
    {Window::Main, "Unstretch1", Property::Caption, -1, "(Un)stretch"},                 // 4
    {Window::Main, "Full1", Property::Caption, -1, "Fullscreen"},                       // 5
    {Window::Main, "Copy2", Property::Caption, -1, "Copy"},                             // 6
    {Window::Main, "Move2", Property::Caption, -1, "Move"},                             // 7
    {Window::Main, "Delete2", Property::Caption, -1, "Delete"},                         // 8
    {Window::Main, "Wallpaper2", Property::Caption, -1, "Wallpaper"},                   // 9
    {Window::Main, "Normal2", Property::Caption, -1, "Normal"},                         // 10
    {Window::Main, "Tiled2", Property::Caption, -1, "Tiled"},                           // 11
    {Window::Main, "None2", Property::Caption, -1, "None"},                             // 12
    {Window::Main, "Open2", Property::Caption, -1, "Open"},                             // 13
    {Window::Main, "AssociatedProgram2", Property::Caption, -1, "Associated Program"},  // 14
    {Window::Main, "File1", Property::Caption, -1, "&File"},                            // 15
    {Window::Main, "Open1", Property::Caption, -1, "Open"},                             // 16
    {Window::Main, "AssociatedProgram1", Property::Caption, -1, "Associated Program"},  // 17
    {Window::Main, "Wallpaper1", Property::Caption, -1, "Wallpaper"},                   // 18
    {Window::Main, "Normal1", Property::Caption, -1, "Normal"},                         // 19
    {Window::Main, "Tiled1", Property::Caption, -1, "Tiled"},                           // 20
    {Window::Main, "None1", Property::Caption, -1, "None"},                             // 21
    {Window::Main, "SaveToBmp1", Property::Caption, -1, "Save To Bmp"},                 // 22
    {Window::Main, "Reload1", Property::Caption, -1, "Reload"},                         // 23
    {Window::Main, "Exit1", Property::Caption, -1, "Exit"},                             // 24
    {Window::Main, "Edit1", Property::Caption, -1, "&Edit"},                            // 25
    {Window::Main, "Copy1", Property::Caption, -1, "Copy"},                             // 26
    {Window::Main, "Move1", Property::Caption, -1, "Move"},                             // 27
    {Window::Main, "Delete1", Property::Caption, -1, "Delete"},                         // 28
    {Window::Main, "Close1", Property::Caption, -1, "Close"},                           // 29
    {Window::Main, "Preferences1", Property::Caption, -1, "Preferences"},               // 30
    {Window::Main, "View1", Property::Caption, -1, "&View"},                            // 31
    {Window::Main, "Mediaplayer1", Property::Caption, -1, "Mediaplayer"},               // 32
    {Window::Main, "Mixer1", Property::Caption, -1, "Mixer"},                           // 33
    {Window::Main, "StretchImages1", Property::Caption, -1, "Stretch Images"},          // 34
    {Window::Main, "FullScreen1", Property::Caption, -1, "Fullscreen"},                 // 35
    {Window::Main, "RefreshBrowser1", Property::Caption, -1, "Refresh Browser"},        // 36
    {Window::Main, "Links1", Property::Caption, -1, "Links"},                           // 37
    {Window::Main, "QuickSlideshow1", Property::Caption, -1, "Quick SlideShow"},        // 38
    {Window::Main, "DefaultBrowserPosition1", Property::Caption, -1,
     "Default Browser position"},                                                    // 39
    {Window::Main, "Filter1", Property::Caption, -1, "F&ilter"},                     // 40
    {Window::Main, "ShowAllFiles1", Property::Caption, -1, "Show All Files"},        // 41
    {Window::Main, "SupportedFiles1", Property::Caption, -1, "Supported Files"},     // 42
    {Window::Main, "Images1", Property::Caption, -1, "Only Images"},                 // 43
    {Window::Main, "Wavs1", Property::Caption, -1, "Only Wavs"},                     // 44
    {Window::Main, "Videos1", Property::Caption, -1, "Only Videos"},                 // 45
    {Window::Main, "Midi1", Property::Caption, -1, "Only Midi"},                     // 46
    {Window::Main, "Icons1", Property::Caption, -1, "Only Icons"},                   // 47
    {Window::Main, "Slideshow1", Property::Caption, -1, "&Slideshow"},               // 48
    {Window::Main, "Create1", Property::Caption, -1, "Create"},                      // 49
    {Window::Main, "OpenandPlay1", Property::Caption, -1, "Open and Play"},          // 50
    {Window::Main, "Favorites1", Property::Caption, -1, "F&avorites"},               // 51
    {Window::Main, "Organize1", Property::Caption, -1, "Organize"},                  // 52
    {Window::Main, "Help1", Property::Caption, -1, "&Help"},                         // 53
    {Window::None, "", Property::Reserved, -1, "(reserved)"},                        // 54
    {Window::Main, "About1", Property::Caption, -1, "About"},                        // 55
    {Window::Main, "copy", Property::Hint, -1, "Copy"},                              // 56
    {Window::Main, "move", Property::Hint, -1, "Move"},                              // 57
    {Window::Main, "delete", Property::Hint, -1, "Delete"},                          // 58
    {Window::Main, "closeimage", Property::Hint, -1, "Close Image"},                 // 59
    {Window::Main, "execute", Property::Hint, -1, "Open"},                           // 60
    {Window::Main, "reload", Property::Hint, -1, "Reload"},                          // 61
    {Window::Main, "mplayer", Property::Hint, -1, "Mediaplayer"},                    // 62
    {Window::Main, "ToolbarButton971", Property::Hint, -1, "Mixer"},                 // 63
    {Window::Main, "ToolbarButton972", Property::Hint, -1, "Stretch Images"},        // 64
    {Window::Main, "fullscreen", Property::Hint, -1, "Fullscreen"},                  // 65
    {Window::Main, "createslideshow", Property::Hint, -1, "Create/Edit Slideshow"},  // 66
    {Window::Main, "openslideshow", Property::Hint, -1, "Open & Play Slideshow"},    // 67
    {Window::Main, "ToolbarButton977", Property::Hint, -1, "Favorites"},             // 68
    {Window::Main, "options", Property::Hint, -1, "Preferences"},                    // 69
    {Window::Main, "default", Property::Hint, -1, "Set Default Browser Position"},   // 70
    {Window::Wallpaper, "", Property::Caption, -1, "Applying Wallpaper"},            // 71
    {Window::None, "", Property::Reserved, -1, "(reserved)"},                        // 72
    {Window::About, "", Property::Caption, -1, "About"},                             // 73
    {Window::Links, "Label1", Property::Caption, -1, "Filename"},                    // 74
    {Window::Links, "Label2", Property::Caption, -1, "Description"},                 // 75
    {Window::Links, "Label3", Property::Caption, -1, "Working Dir"},                 // 76
    {Window::Links, "Label4", Property::Caption, -1, "Target"},                      // 77
    {Window::Links, "Label5", Property::Caption, -1, "Arguments"},                   // 78
    {Window::Links, "Label6", Property::Caption, -1, "Windows State"},               // 79
    {Window::Links, "Label7", Property::Caption, -1, "Hotkey"},                      // 80
    {Window::Links, "Label8", Property::Caption, -1, "Icon File"},                   // 81
    {Window::Links, "Label9", Property::Caption, -1, "Icon Index"},                  // 82
    {Window::Links, "TabbedNotebook1", Property::PageCaption, 0, "Edit/View"},       // 83
    {Window::Links, "Button4", Property::Caption, -1, "Icon"},                       // 84
    {Window::Links, "Button1", Property::Caption, -1, "Read"},                       // 85
    {Window::Links, "Button2", Property::Caption, -1, "Write"},                      // 86
    {Window::Links, "Button3", Property::Caption, -1, "Delete"},                     // 87
    {Window::Links, "Button5", Property::Caption, -1, "Close"},                      // 88
    {Window::Links, "", Property::Caption, -1, "Links"},                             // 89
    {Window::QuickSlideshow, "", Property::Caption, -1, "Quick SlideShow"},          // 90
    {Window::MediaPlayer, "", Property::Caption, -1, "Mediaplayer"},                 // 91
    {Window::MediaPlayer, "CheckBox1", Property::Caption, -1, "Loop Play"},          // 92
    {Window::CopyMove, "Label1", Property::Caption, -1, "Original"},                 // 93
    {Window::CopyMove, "Label2", Property::Caption, -1, "Destination"},              // 94
    {Window::CopyMove, "Button1", Property::Caption, -1, "OK"},                      // 95
    {Window::CopyMove, "Button2", Property::Caption, -1, "Cancel"},                  // 96
    {Window::Preferences, "", Property::Caption, -1, "Preferences"},                 // 97
    {Window::Preferences, "CheckBox7", Property::Caption, -1, "No Taskbar"},         // 98
    {Window::Preferences, "CheckBox9", Property::Caption, -1, "Hide Toolbar"},       // 99
    {Window::Preferences, "CheckBox10", Property::Caption, -1,
     "Doubleclicking on a file opens file with associated program"},                       // 100
    {Window::Preferences, "CheckBox6", Property::Caption, -1, "Stretch"},                  // 101
    {Window::Preferences, "CheckBox11", Property::Caption, -1, "Center"},                  // 102
    {Window::Preferences, "CheckBox1", Property::Caption, -1, "Transparent"},              // 103
    {Window::Preferences, "CheckBox2", Property::Caption, -1, "Stretch"},                  // 104
    {Window::Preferences, "CheckBox3", Property::Caption, -1, "Repetitions on"},           // 105
    {Window::Preferences, "CheckBox4", Property::Caption, -1, "Play Sound"},               // 106
    {Window::Preferences, "CheckBox5", Property::Caption, -1, "Center Videos"},            // 107
    {Window::Preferences, "Button3", Property::Caption, -1, "Add"},                        // 108
    {Window::Preferences, "Button4", Property::Caption, -1, "Delete"},                     // 109
    {Window::Preferences, "Button5", Property::Caption, -1, "Sort"},                       // 110
    {Window::Preferences, "Button2", Property::Caption, -1, "Add Dir"},                    // 111
    {Window::Preferences, "Button6", Property::Caption, -1, "Move Up"},                    // 112
    {Window::Preferences, "Button7", Property::Caption, -1, "Move Down"},                  // 113
    {Window::Preferences, "GroupBox1", Property::Caption, -1, "Delay between slides"},     // 114
    {Window::Preferences, "Button1", Property::Caption, -1, "OK"},                         // 115
    {Window::Preferences, "TabbedNotebook1", Property::PageCaption, 0, "General"},         // 116
    {Window::Preferences, "TabbedNotebook1", Property::PageCaption, 1, "Images"},          // 117
    {Window::Preferences, "TabbedNotebook1", Property::PageCaption, 2, "Movies"},          // 118
    {Window::Preferences, "TabbedNotebook1", Property::PageCaption, 3, "Favorites"},       // 119
    {Window::Preferences, "TabbedNotebook1", Property::PageCaption, 4, "Slideshow"},       // 120
    {Window::Preferences, "TabbedNotebook1", Property::PageCaption, 5, "Language"},        // 121
    {Window::Preferences, "Button8", Property::Caption, -1, "Load a Language"},            // 122
    {Window::SelectDirectory, "", Property::Caption, -1, "Select a directory"},            // 123
    {Window::SelectDirectory, "Button1", Property::Caption, -1, "OK"},                     // 124
    {Window::SelectDirectory, "Button2", Property::Caption, -1, "Cancel"},                 // 125
    {Window::SlideshowEditor, "", Property::Caption, -1, "Create/Edit Slideshow"},         // 126
    {Window::SlideshowEditor, "Button1", Property::Caption, -1, "New"},                    // 127
    {Window::SlideshowEditor, "Button2", Property::Caption, -1, "Open"},                   // 128
    {Window::SlideshowEditor, "Button3", Property::Caption, -1, "Save"},                   // 129
    {Window::SlideshowEditor, "Button4", Property::Caption, -1, "Add"},                    // 130
    {Window::SlideshowEditor, "Button5", Property::Caption, -1, "Remove"},                 // 131
    {Window::SlideshowEditor, "Button6", Property::Caption, -1, "Remove All"},             // 132
    {Window::SlideshowEditor, "Button8", Property::Caption, -1, "Move Up"},                // 133
    {Window::SlideshowEditor, "Button9", Property::Caption, -1, "Move Down"},              // 134
    {Window::SlideshowEditor, "Button7", Property::Caption, -1, "Close"},                  // 135
    {Window::OpenSlideshow, "", Property::Caption, -1, "Open Slideshow"},                  // 136
    {Window::OpenSlideshow, "Button1", Property::Caption, -1, "Open"},                     // 137
    {Window::OpenSlideshow, "Button2", Property::Caption, -1, "Close"},                    // 138
    {Window::ChangeIcon, "", Property::Caption, -1, "Change Icon"},                        // 139
    {Window::ChangeIcon, "Label1", Property::Caption, -1, "Icon Filename :"},              // 140
    {Window::ChangeIcon, "Label2", Property::Caption, -1, "Icons :"},                      // 141
    {Window::ChangeIcon, "OKbtn", Property::Caption, -1, "OK"},                            // 142
    {Window::ChangeIcon, "CancelBtn", Property::Caption, -1, "Cancel"},                    // 143
    {Window::ChangeIcon, "BrowseBtn", Property::Caption, -1, "Browse"},                    // 144
    {Window::SlideshowPlayer, "NextImage1", Property::Caption, -1, "Next Image"},          // 145
    {Window::SlideshowPlayer, "PreviousImage1", Property::Caption, -1, "Previous Image"},  // 146
    {Window::SlideshowPlayer, "ManualCycle1", Property::Caption, -1, "Manual Cycle"},      // 147
    {Window::SlideshowPlayer, "EndSlideShow1", Property::Caption, -1, "End SlideShow"},    // 148
    {Window::SlideshowEditor, "Button10", Property::Caption, -1, "Add All"},               // 149
    {Window::Main, "ExtractIcon1", Property::Caption, -1, "Extract/Save Icon"},            // 150
    {Window::SlideshowEditor, "Button11", Property::Caption, -1, "Play"},                  // 151
}};

}  // namespace

const std::array<LanguagePosition, kLanguageLineCount>& languageTable() {
    return kTable;
}

QStringList builtInLanguageLines() {
    QStringList lines;
    lines.reserve(kLanguageLineCount);
    for (const LanguagePosition& position : kTable)
        lines << QString::fromUtf8(position.english);
    return lines;
}

}  // namespace lumora
