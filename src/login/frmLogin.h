// The login window "Login [TERV CLIENT]": user name and password boxes, OK and Cancel, the
// automatic login from the command line and the server file choice on Shift + the "<>" key.
#pragma once

#include <QWidget>

#include "modLogin.h"

class QLineEdit;
class QPushButton;
class QTimer;

namespace terv {

class frmLogin : public QWidget, public LoginForm {
    Q_OBJECT
  public:
    // Loads the window: constructs the configuration object on first use, fills the user name
    // from servers.dat and registers the window. Throws std::runtime_error with the message for
    // the operator when the reference database tabelle.mdb is missing or unreadable.
    explicit frmLogin(QWidget* parent = nullptr);
    ~frmLogin() override;

    std::string UserText() const override;
    std::string PasswordText() const override;
    void SetUserText(const std::string& text) override;
    void SetPasswordText(const std::string& text) override;
    void SelectPassword() override;
    void Step() override;

    // The OK button: one login attempt; on success the window hides and unloads.
    void cmdOK_Click();
    // Shift + key 226: lets the operator pick another servers*.dat from the bak folder.
    void ChooseServerFile();
    QTimer* timer() const { return timer_; }

  signals:
    // Emitted when the window unloads: true after a successful login (the main window is to
    // be shown), false when the program is to shut down.
    void unloaded(bool loggedIn);
    // A login attempt starts; then one signal per step done.
    void attemptStarted();
    void stepDone();

  protected:
    void changeEvent(QEvent* event) override;
    // Key preview: the server file switch key is taken before the box with the focus types it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void Activated();
    QLineEdit* user_;
    QLineEdit* password_;
    QTimer* timer_;
    bool unloadDone_ = false;
};

// True for Shift alone plus the key Windows numbers 226: the "<>" key beside the left Shift of
// Italian keyboards (X11/Wayland scan code 94, the evdev key 86 "102ND" plus 8).
bool IsServerSwitchKey(int nativeScanCode, int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace terv
