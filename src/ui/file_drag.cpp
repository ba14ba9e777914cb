#include "ui/file_drag.h"

#include "base/file_name.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace lumora {
namespace {

// The file a URL names on this machine, by the exact bytes of its name; empty
// for anything else.
QString localFile(const QUrl& url) {
    if (!url.isLocalFile())
        return {};
    return decodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

bool hasLocalFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return false;
    for (const QUrl& url : data->urls())
        if (!localFile(url).isEmpty())
            return true;
    return false;
}

}  // namespace

TFileDrag::TFileDrag(QWidget* owner) : QObject(owner), owner_(owner) {}

void TFileDrag::setEnableDrop(bool on) {
    enableDrop_ = on;
    owner_->setAcceptDrops(on);
    // Files dropped anywhere on the window count, also on an edit that would
    // take the file's URL as text.
    for (QWidget* part : owner_->findChildren<QWidget*>())
        part->installEventFilter(this);
    owner_->installEventFilter(this);
}

void TFileDrag::drop(const QList<QUrl>& urls) {
    NameWithPath.clear();
    NameOnly.clear();
    Extension.clear();
    for (const QUrl& url : urls) {
        const QString path = localFile(url);
        if (path.isEmpty())
            continue;
        const QString name = path.mid(path.lastIndexOf(u'/') + 1);
        const qsizetype dot = name.lastIndexOf(u'.');
        NameWithPath << path;
        NameOnly << name;
        Extension << (dot < 0 ? QString() : name.mid(dot + 1));
    }
    if (!NameWithPath.isEmpty())
        emit OnDrop();
}

bool TFileDrag::eventFilter(QObject*, QEvent* event) {
    if (!enableDrop_)
        return false;
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* moving = static_cast<QDragMoveEvent*>(event);
            if (!hasLocalFile(moving->mimeData()))
                return false;
            moving->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* dropped = static_cast<QDropEvent*>(event);
            if (!hasLocalFile(dropped->mimeData()))
                return false;
            dropped->acceptProposedAction();
            drop(dropped->mimeData()->urls());
            return true;
        }
        default:
            return false;
    }
}

}  // namespace lumora
