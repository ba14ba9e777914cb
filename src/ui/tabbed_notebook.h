#pragma once

#include <QList>
#include <QWidget>

class QAbstractButton;
class QStackedWidget;

namespace lumora {

// Pages with a row of tabs above them that wraps into as many rows as the
// captions need, the row of the current page next to the page: a dialog of
// fixed width keeps every caption whole, also in a language with long words.
// The calls are QTabWidget's, so the language table and tests treat both alike.
class TTabbedNotebook : public QWidget {
    Q_OBJECT
public:
    explicit TTabbedNotebook(QWidget* parent = nullptr);

    int addTab(QWidget* page, const QString& caption);
    int count() const;
    QWidget* widget(int index) const;
    QString tabText(int index) const;
    void setTabText(int index, const QString& caption);
    int currentIndex() const;
    void setCurrentIndex(int index);
    // The tab of a page, for tests and for the checks of the layout.
    QAbstractButton* tab(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The tab rows for a width, first row first, as lists of tab indexes.
    QList<QList<int>> rows(int width) const;
    int tabHeight() const;
    int stripHeight(int width) const;
    void layoutTabs();
    QRect paneRect() const;

    QWidget* strip_;
    QStackedWidget* pages_;
    QList<QAbstractButton*> tabs_;
};

}  // namespace lumora
