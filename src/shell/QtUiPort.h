// The UI port shown with real Qt dialogs: message boxes with the program's icons and buttons,
// the list dialog, the busy pointer, beeps and the desktop's "open".
#pragma once

#include <functional>
#include <string>

#include "platform/UiPort.h"

class QString;
class QWidget;

namespace terv {

class QtUiPort : public UiPort {
  public:
    int MsgBox(const std::string& text, int style, const std::string& title) override;
    bool ShowList(const ListDialog& dialog, int& chosen) override;
    void Progress(const std::string& caption) override;
    void ProgressValue(long value, long max) override;
    void Repaint() override;
    void SetBusy(bool busy) override;
    void Beep() override;
    bool ShellOpen(const std::string& path) override;

    // Where progress captions and bar positions go (the active procedure window installs its
    // label and bar); without one they are ignored.
    std::function<void(const std::string&)> onProgress;
    std::function<void(long, long)> onProgressValue;

  private:
    bool busy_ = false;
};

// The answer of a message box style as VB numbers it, for a pressed Qt standard button.
int AnswerOfButton(int standardButton);
// A message as Qt shows it: the program breaks lines with carriage returns (alone or before a
// line feed), which Qt would draw as blanks.
QString MessageText(const std::string& text);

}  // namespace terv
