#include "UiPort.h"

#include "VbText.h"

namespace terv {

std::string gAppTitle = "TERVPalm";

namespace {

UiPort* gPort = nullptr;
ListDialog gPendingList;
bool gDialogsRefused = false;

int FirstButton(int style) {
    switch (style & 7) {
        case vbAbortRetryIgnore:
            return vbAbort;
        case vbYesNoCancel:
        case vbYesNo:
            return vbYes;
        case vbRetryCancel:
            return vbRetry;
        default:
            return vbOK;
    }
}

}  // namespace

RecordingUiPort& DefaultRecordingPort() {
    static RecordingUiPort port;
    return port;
}

UiPort& Ui() {
    return gPort ? *gPort : DefaultRecordingPort();
}

void SetUiPort(UiPort* port) {
    gPort = port;
}

int MsgBox(const std::string& text, int style, const std::string& title) {
    if (gDialogsRefused)
        return RefusalAnswer(style);
    return Ui().MsgBox(text, style, title);
}

int RefusalAnswer(int style) {
    switch (style & 7) {
        case vbOKCancel:
        case vbYesNoCancel:
        case vbRetryCancel:
            return vbCancel;
        case vbYesNo:
            return vbNo;
        case vbAbortRetryIgnore:
            return vbAbort;
        default:
            return vbOK;
    }
}

void SetDialogsRefused(bool refused) {
    gDialogsRefused = refused;
}

ListDialog ParseListDialog(const std::string& title, const std::string& layout,
                           const std::string& rowsText, const std::string& fieldSep,
                           const std::string& rowSep) {
    ListDialog dialog{title, {}, {}};
    const auto parts = Split(layout, "\xC3\x9E");  // "Þ"
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        dialog.columns.push_back({parts[i], CLng(parts[i + 1])});
    }
    for (const auto& row : Split(rowsText, rowSep)) {
        if (!row.empty())
            dialog.rows.push_back(Split(row, fieldSep));
    }
    return dialog;
}

void initlist(const std::string& title, const std::string& layout, const std::string& rowsText,
              const std::string& fieldSep, const std::string& rowSep) {
    gPendingList = ParseListDialog(title, layout, rowsText, fieldSep, rowSep);
}

int showlist(int& chosen) {
    int index = -1;
    if (gDialogsRefused)
        return 1;
    if (!Ui().ShowList(gPendingList, index) || index < 0)
        return 1;
    chosen = index;
    return 0;
}

int RecordingUiPort::MsgBox(const std::string& text, int style, const std::string& title) {
    messages.push_back({text, style, title.empty() ? gAppTitle : title});
    if (msgAnswers.empty())
        return FirstButton(style);
    const int answer = msgAnswers.front();
    msgAnswers.erase(msgAnswers.begin());
    return answer;
}

bool RecordingUiPort::ShowList(const ListDialog& dialog, int& chosen) {
    lists.push_back(dialog);
    if (listAnswers.empty())
        return false;
    const int answer = listAnswers.front();
    listAnswers.erase(listAnswers.begin());
    if (answer < 0 || answer >= static_cast<int>(dialog.rows.size()))
        return false;
    chosen = answer;
    return true;
}

bool RecordingUiPort::ShellOpen(const std::string& path) {
    opened.push_back(path);
    return shellOpenResult;
}

void RecordingUiPort::Reset() {
    *this = RecordingUiPort();
}

}  // namespace terv
