#include "ui/directory_edit.h"

#include "platform/application.h"
#include "platform/dialogs.h"
#include "ui/toolbar_glyphs.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

namespace lumora {

TDirectoryEdit::TDirectoryEdit(QWidget* parent) : QWidget(parent) {
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("edit"));
    edit_->setAccessibleName(QStringLiteral("Directory"));
    browse_ = new QToolButton(this);
    browse_->setObjectName(QStringLiteral("browse"));
    browse_->setIcon(styleIcon(QStyle::SP_DirOpenIcon));
    browse_->setToolTip(QStringLiteral("Browse"));
    browse_->setAccessibleName(QStringLiteral("Browse"));
    browse_->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(edit_);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(edit_, 1);
    layout->addWidget(browse_);

    connect(edit_, &QLineEdit::textChanged, this, &TDirectoryEdit::textChanged);
    connect(browse_, &QToolButton::clicked, this, [this] { guarded([this] { browse(); }); });
    auto* drop = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Down), edit_);
    drop->setContext(Qt::WidgetShortcut);
    connect(drop, &QShortcut::activated, this, [this] { guarded([this] { browse(); }); });
}

QString TDirectoryEdit::text() const {
    return edit_->text();
}

void TDirectoryEdit::setText(const QString& text) {
    edit_->setText(text);
}

void TDirectoryEdit::browse() {
    const QString folder = dialogs().folder(window(), dialogTitle_, edit_->text());
    if (!folder.isEmpty())
        edit_->setText(folder);
}

}  // namespace lumora
