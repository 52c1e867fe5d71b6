// Small helpers of the export windows' Qt classes, which mirror their procedures' state.
#pragma once

#include <QListWidget>
#include <QString>
#include <string>
#include <vector>

namespace terv {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
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

}  // namespace terv
