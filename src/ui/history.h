#pragma once

#include <QString>
#include <QStringList>

namespace lumora {

// The run's action history. The history window owns the store and attaches
// it; the preference "Enable HistoryList" switches recording on and off.
class HistoryLog {
public:
    static HistoryLog& instance();

    void attach(QStringList* store) { store_ = store; }
    void detach(const QStringList* store) {
        if (store_ == store)
            store_ = nullptr;
    }
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

    // text + the current time, while recording is on and a store is attached.
    void add(const QString& text);

private:
    QStringList* store_ = nullptr;
    bool enabled_ = true;
};

// Appends text + the current time to the action history while the preference
// "Enable HistoryList" is checked. Every text ends with ",".
inline void AddHistoryEntry(const QString& text) {
    HistoryLog::instance().add(text);
}

}  // namespace lumora
