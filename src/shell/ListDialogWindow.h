// The list dialog of the GIS utility library: a title, columns with widths in twips (0 hides a
// column) and rows; the operator picks one row with OK or a double click, or cancels.
#pragma once

#include <QDialog>

#include "platform/UiPort.h"

class QTreeWidget;

namespace terv {

class ListDialogWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ListDialogWindow(const ListDialog& dialog, QWidget* parent = nullptr);
    // Index of the chosen row, -1 when none is selected.
    int chosenRow() const;
    QTreeWidget* list() const { return list_; }

  private:
    QTreeWidget* list_;
};

// Screen pixels of a width in twips (15 twips to a pixel at 96 dpi).
int TwipsToPixels(int twips);

}  // namespace terv
