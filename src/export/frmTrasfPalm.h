// The export window "Trasferisci al PALMARE": the export number, the description, the chosen
// work list and selection, the photo quality, and the buttons that open the selection window,
// run the export and close the window. It mirrors a TrasfPalmState and runs the procedures of
// modTrasfPalm on it.
#pragma once

#include <QDialog>

#include "modTrasfPalm.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace terv {

class frmTrasfPalm : public QDialog {
    Q_OBJECT
  public:
    // Loads the window: draws the export number from the server.
    explicit frmTrasfPalm(QWidget* parent = nullptr);

    TrasfPalmState& state() { return state_; }
    // "Seleziona provincia/comune/foglio": the selection window, modally.
    void cmdSel_Click();
    // "Scarica dati": the export procedure.
    void cmdScarica_Click();

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void Sync();
    TrasfPalmState state_;
    QLabel* lblCodScarico_;
    QLineEdit* txtDescr_;
    QLineEdit* txtQualita_;
    QLabel* lblelenco_;
    QListWidget* lstFatti_;
    QPushButton* cmdSel_;
    QPushButton* cmdScarica_;
    QPushButton* cmdTrasf_;
    QLabel* label2_;
    QLabel* lblcurrop_;
    QProgressBar* progress_;
    int focusRequestsSeen_ = 0;
};

}  // namespace terv
