// The selection window "Territorio": work list, download filter, the territory tree and the
// selection list. It mirrors a TerritorySelection and forwards its controls' events to it. One
// window serves the whole run: closing it only hides it, and its work lists stay loaded.
#pragma once

#include <QDialog>
#include <map>

#include "modItalia.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QAction;

namespace terv {

class frmItalia : public QDialog {
    Q_OBJECT
  public:
    explicit frmItalia(QWidget* parent = nullptr);
    ~frmItalia() override;

    // Shows the window modally for the export window's state; returns when it is hidden.
    void ShowFor(TrasfPalmState& target, QWidget* owner);
    TerritorySelection& selection() { return sel_; }
    // The tree item of a node key; null when the tree shows no such node.
    QTreeWidgetItem* Item(const std::string& key) const;
    // "Conferma selezione".
    void cmdSelDone_Click();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void Connect();
    void Sync();
    void SyncTree();
    void SyncCombo();
    TerritorySelection sel_;
    TrasfPalmState* target_ = nullptr;
    bool syncing_ = false;
    QComboBox* cmbElenchi_;
    QComboBox* cmbFiltroScarico_;
    QLabel* label4_;
    QLabel* label5_;
    QGroupBox* frame1_;
    QLineEdit* text1_;
    QCheckBox* chkOnlyLav_;
    QAction* co_;
    QAction* fo_;
    QTreeWidget* tree_;
    QListWidget* listasel_;
    std::map<std::string, QTreeWidgetItem*> items_;
};

// The one selection window, created (and loaded) on first use.
frmItalia& ItaliaWindow();
// Unloads the selection window if it exists (program end; tests).
void ReleaseItaliaWindow();

// Icon of an image index of the tree's image list (1 Italia, 2 province, 3 municipality,
// 4 sheet); a null icon for 0.
QIcon TreeImage(int index);

}  // namespace terv
