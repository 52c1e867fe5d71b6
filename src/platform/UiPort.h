// The UI port: everything a procedure asks of the screen.
//
// Procedures (login, export, return ...) never touch Qt directly. They show message boxes,
// list dialogs, progress captions, the busy pointer, beeps and documents through the current
// port. The GUI installs a port that shows real dialogs; tests use RecordingUiPort, which keeps
// every request and answers from a script.
#pragma once

#include <string>
#include <vector>

namespace terv {

// Message box style flags and answers, with the values the program's language gives them.
enum MsgStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
};
enum MsgAnswer : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7
};

// The application title that message boxes carry when the caller gives none.
extern std::string gAppTitle;

struct ListColumn {
    std::string name;
    int width = 0;  // in twips; 0 hides the column
};

// A list dialog of the GIS utility library: a title, columns, and rows of cells.
struct ListDialog {
    std::string title;
    std::vector<ListColumn> columns;
    std::vector<std::vector<std::string>> rows;
};

class UiPort {
  public:
    virtual ~UiPort() = default;
    // Shows a message box; returns the answer (vbOK, vbYes ...). An empty title means gAppTitle.
    virtual int MsgBox(const std::string& text, int style, const std::string& title) = 0;
    // Shows a list dialog; true and the chosen row index when the user confirms.
    virtual bool ShowList(const ListDialog& dialog, int& chosen) = 0;
    // The caption of the current step of a long procedure (the window's progress label).
    virtual void Progress(const std::string& caption) = 0;
    // Position of a step with a known count; max 0 hides the bar.
    virtual void ProgressValue(long value, long max) = 0;
    // Lets the windows repaint and handle input between steps.
    virtual void Repaint() = 0;
    virtual void SetBusy(bool busy) = 0;
    virtual void Beep() = 0;
    // Opens a document with the desktop's program for it; false when that failed.
    virtual bool ShellOpen(const std::string& path) = 0;
};

// The current port (a RecordingUiPort until another is installed).
UiPort& Ui();
// Installs a port; nullptr goes back to the built-in recording port. The caller keeps ownership.
void SetUiPort(UiPort* port);

// Message box through the current port; returns the answer.
int MsgBox(const std::string& text, int style = vbOKOnly, const std::string& title = "");

// The answer that refuses a message box of this style: Cancel where the box has it, else No,
// Abort for Abort/Retry/Ignore, OK for a box with OK alone.
int RefusalAnswer(int style);
// While the program ends on a termination request nobody is there to answer: message boxes
// return their refusal at once and list dialogs are cancelled, without reaching the port.
void SetDialogsRefused(bool refused);

// The list dialog as the GIS utility library builds it: `layout` is "NAMEÞwidthÞ" repeated,
// `rowsText` holds rows ended by `rowSep` with cells separated by `fieldSep`.
ListDialog ParseListDialog(const std::string& title, const std::string& layout,
                           const std::string& rowsText, const std::string& fieldSep,
                           const std::string& rowSep);
// initlist/showlist: prepare the dialog, then show it; showlist returns 0 and the chosen index
// when the user confirms, 1 on cancel.
void initlist(const std::string& title, const std::string& layout, const std::string& rowsText,
              const std::string& fieldSep, const std::string& rowSep);
int showlist(int& chosen);

// Test port: records every request and answers from scripted queues.
class RecordingUiPort : public UiPort {
  public:
    struct Message {
        std::string text;
        int style = 0;
        std::string title;  // gAppTitle when the caller gave none
        bool operator==(const Message&) const = default;
    };

    int MsgBox(const std::string& text, int style, const std::string& title) override;
    bool ShowList(const ListDialog& dialog, int& chosen) override;
    void Progress(const std::string& caption) override { captions.push_back(caption); }
    void ProgressValue(long value, long max) override { lastProgress = {value, max}; }
    void Repaint() override { ++repaints; }
    void SetBusy(bool busy) override { this->busy = busy; }
    void Beep() override { ++beeps; }
    bool ShellOpen(const std::string& path) override;

    // Forgets everything recorded and scripted.
    void Reset();

    std::vector<Message> messages;
    std::vector<ListDialog> lists;
    std::vector<std::string> captions;
    std::vector<std::string> opened;
    std::pair<long, long> lastProgress{0, 0};
    int repaints = 0;
    int beeps = 0;
    bool busy = false;

    // Answers given in order; when empty, a message box answers with its first button and a
    // list dialog is cancelled. A list answer below 0 cancels.
    std::vector<int> msgAnswers;
    std::vector<int> listAnswers;
    bool shellOpenResult = true;
};

// The built-in recording port (the one Ui() returns when no other port is installed).
RecordingUiPort& DefaultRecordingPort();

}  // namespace terv
