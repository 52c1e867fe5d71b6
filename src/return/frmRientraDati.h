// The return window "Rientro dati PALMARE": the memory card, the software-update box, the
// return command, the earlier-returns upload, the receipt folder and receipt rebuild commands.
// It mirrors a RientroState and runs the return procedure on it.
#pragma once

#include <QDialog>
#include <functional>

#include "RientroDati.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace terv {

class frmRientraDati : public QDialog {
    Q_OBJECT
  public:
    // `upload` is the upload of the staged databases that every return ends with.
    explicit frmRientraDati(UploadFunction upload, QWidget* parent = nullptr);

    RientroState& state() { return state_; }
    // Installs the work of "Chiudi scarichi precedenti" (Command2) or "Rigenera ricevuta da
    // centrale" (Command4); each button stays disabled until its work is installed.
    void SetCommand2(std::function<void()> command);
    void SetCommand4(std::function<void()> command);

    void cmdTrasf_Click();
    // "Apri cartella Ricevute": the receipt folder in the file manager.
    void Command3_Click();

  private:
    void Sync();
    void SetCommand(QPushButton* button, std::function<void()> command);

    UploadFunction upload_;
    RientroState state_;
    QComboBox* cmbmemoria_;
    QCheckBox* chkAggSW_;
    QPushButton* cmdTrasf_;
    QPushButton* command2_;
    QPushButton* command4_;
    QLabel* label2_;
    QLabel* lblcurrop_;
    QProgressBar* progress_;
    int focusRequestsSeen_ = 0;
};

}  // namespace terv
