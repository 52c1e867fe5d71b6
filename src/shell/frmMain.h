// The main window: a multiple-document frame whose menu opens the export and return windows,
// the cancel-export command and the photo loader. Closing it ends the program.
#pragma once

#include <QMainWindow>
#include <functional>
#include <string>

#include "return/LoadFoto.h"
#include "return/RientroDati.h"

class QMdiArea;

namespace terv {

class frmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmMain(QWidget* parent = nullptr);

    // Commands of later windows; an item whose command is not installed stays disabled.
    void SetCommand(const char* menuItem, std::function<void()> command);

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenu();
    // On every activation: reopens the HTTP log (appending) with this window as the owner of
    // the HTTP client's dialogs, and closes the splash window if it is still open.
    void Activated();
    QMdiArea* mdi_;
};

// The return window, modally: every return ends with the upload of the staged databases; its
// buttons also upload earlier returns and rebuild a receipt from the server.
void ApriRientro(QWidget* parent);
// "Gestione - PALMARE V" + version + client name (followed by " - " when not empty).
std::string MainWindowTitle(const std::string& version, const std::string& clientName);

}  // namespace terv
