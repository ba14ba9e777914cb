#include "platform/taskbar.h"

#include "platform/net_wm_state.h"

namespace lumora {

void setSkipTaskbar(QWidget* window, bool skip) {
    // Before the window is mapped there is nobody to tell; TNoTask applies the
    // state again when the window shows.
    requestNetWmState(window, "_NET_WM_STATE_SKIP_TASKBAR", skip);
}

void TNoTask::setHideForm(bool hide) {
    if (hideForm_ == hide)
        return;
    hideForm_ = hide;
    setSkipTaskbar(window_, hide);
}

void TNoTask::windowShown() {
    if (hideForm_)
        setSkipTaskbar(window_, true);
}

}  // namespace lumora
