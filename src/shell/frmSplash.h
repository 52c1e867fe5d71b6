// The splash window: covers start-up and login, shows the version and a progress bar that the
// login advances; any key or a click closes it. Registers itself in the window registry while
// it is open.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace terv {

class frmSplash : public QWidget {
    Q_OBJECT
  public:
    explicit frmSplash(QWidget* parent = nullptr);
    ~frmSplash() override;

    // Shows the window on top of all others with the warning and an empty progress bar.
    void PortamiDavanti();
    // Advances the progress bar by one and repaints it.
    void GoOn();
    // Closes and destroys the window (it leaves the registry).
    void Unload();

    QProgressBar* progressBar() const { return progress_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QLabel* AddLabel(const char* name, const QString& text);
    // Leaves the registry once; the window is gone for the program from then on.
    void Forget();
    bool unloaded_ = false;
    QProgressBar* progress_;
    QLabel* warning_;
};

// The splash window while it is open, else nullptr.
frmSplash* CurrentSplash();
// Unloads the splash window when the registry still counts it as open.
void UnloadSplashIfOpen();
// "Version " + major.minor.revision of the program.
QString SplashVersionText();

}  // namespace terv
