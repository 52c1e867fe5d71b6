// Small helpers of the export windows' Qt classes, which mirror their procedures' state.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QString>
#include <algorithm>
#include <string>
#include <vector>

namespace terv {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// `widget` with its object name set, as the window's control name.
template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

// Shows `entries` in `list`, touching the list only when they differ from what it shows, so
// that the operator's current item and scroll position survive a refresh.
inline void ShowEntries(QListWidget* list, const std::vector<std::string>& entries) {
    QStringList wanted;
    for (const std::string& e : entries)
        wanted << Q(e);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    if (shown != wanted) {
        list->clear();
        list->addItems(wanted);
    }
}

// The busy line of the export and return windows: the "wait" label, the current step's caption
// and its bar, which shows only while a step count is known.
struct BusyLine {
    QLabel* label2;
    QLabel* lblcurrop;
    QProgressBar* progress;

    template <typename State>
    void Show(const State& state) const {
        label2->setVisible(state.Label2Visible);
        lblcurrop->setText(Q(state.lblcurrop));
        progress->setVisible(state.progressMax > 0);
        progress->setRange(0, static_cast<int>(std::max(1L, state.progressMax)));
        progress->setValue(static_cast<int>(state.progressValue));
    }
};

}  // namespace terv
