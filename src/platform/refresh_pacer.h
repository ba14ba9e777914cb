#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <vector>

namespace lumora {

// Paces the windows' refresh timers. A refresh shows what the user just did,
// so it runs every 16 ms while the user is at work (input in the last second)
// or while something plays, and once a second otherwise: an idle program does
// not wake 60 times a second for nothing.
class RefreshPacer : public QObject {
    Q_OBJECT
public:
    static RefreshPacer& instance();

    static constexpr int kActiveInterval = 16;
    static constexpr int kIdleInterval = 1000;
    static constexpr int kActiveSpellMs = 1000;

    void add(QTimer* timer);
    // Keeps the fast pace while something plays, whatever the input.
    void setBusy(QObject* owner, bool busy);
    // Input or another change the user will want to see: fast pace for a while.
    void poke();

    bool active() const { return active_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RefreshPacer();
    void apply(bool active);

    std::vector<QPointer<QTimer>> timers_;
    std::vector<QPointer<QObject>> busy_;
    QTimer calm_;  // ends the active spell
    bool active_ = true;
};

}  // namespace lumora
