#pragma once

class QWidget;

namespace lumora {

// The task-bar presence of a top-level window (_NET_WM_STATE_SKIP_TASKBAR).
void setSkipTaskbar(QWidget* window, bool skip);

// Hides the main window from the task bar (HideForm true) or restores it.
class TNoTask {
public:
    explicit TNoTask(QWidget* window) : window_(window) {}
    bool HideForm() const { return hideForm_; }
    void setHideForm(bool hide);
    // The window manager forgets the state while a window is unmapped.
    void windowShown();

private:
    QWidget* window_;
    bool hideForm_ = false;
};

}  // namespace lumora
