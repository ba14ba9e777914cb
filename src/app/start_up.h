#pragma once

#include <QStringList>
#include <functional>

namespace lumora {

class TForm1;

// Creates every window once, in the start-up order, running each creation
// handler as its window is registered. The first argument, if any, becomes
// the pending start argument, a relative one taken from the current folder
// as it is now (the file lists change it).
void createForms(const QStringList& arguments);
// Destroys the windows in reverse creation order; each writes its settings.
void destroyForms();

// The program: splash, application title, the windows, the event loop.
// beforeShow sees the main window just before it is first shown.
int runProgram(int argc, char** argv, const std::function<void(TForm1*)>& beforeShow = {});

}  // namespace lumora
