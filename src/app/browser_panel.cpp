#include "app/browser_panel.h"

#include <QSplitter>

namespace lumora {

int TBrowserPanel::Width() const {
    // Before the first layout the splitter knows the width better than the widget.
    auto* splitter = qobject_cast<QSplitter*>(parentWidget());
    if (splitter && !isVisible()) {
        const int index = splitter->indexOf(const_cast<TBrowserPanel*>(this));
        if (index >= 0)
            return splitter->sizes().value(index, width());
    }
    return width();
}

void TBrowserPanel::setWidth(int width) {
    auto* splitter = qobject_cast<QSplitter*>(parentWidget());
    const int index = splitter ? splitter->indexOf(this) : -1;
    if (index < 0) {
        resize(width, height());
        return;
    }
    QList<int> sizes = splitter->sizes();
    int total = 0;
    for (int size : sizes)
        total += size;
    if (total <= 0)
        total = splitter->width();
    sizes[index] = qMax(0, width);
    // The pane beside the browser takes what is left.
    const int other = index == 0 ? 1 : 0;
    if (other < sizes.size())
        sizes[other] = qMax(0, total - sizes[index]);
    splitter->setSizes(sizes);
}

}  // namespace lumora
