#include "QtUiPort.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "ListDialogWindow.h"

namespace terv {

namespace {

QMessageBox::Icon IconOf(int style) {
    switch (style & 0x70) {
        case vbCritical:
            return QMessageBox::Critical;
        case vbQuestion:
            return QMessageBox::Question;
        case vbExclamation:
            return QMessageBox::Warning;
        case vbInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons ButtonsOf(int style) {
    switch (style & 0x7) {
        case vbOKCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case vbAbortRetryIgnore:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        case vbYesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case vbYesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case vbRetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        default:
            return QMessageBox::Ok;
    }
}

// The splash window stays on top while the login works; a dialog that waits for the operator
// must not open beneath it.
void KeepAbove(QWidget& dialog) {
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

}  // namespace

int AnswerOfButton(int standardButton) {
    switch (standardButton) {
        case QMessageBox::Cancel:
            return vbCancel;
        case QMessageBox::Abort:
            return vbAbort;
        case QMessageBox::Retry:
            return vbRetry;
        case QMessageBox::Ignore:
            return vbIgnore;
        case QMessageBox::Yes:
            return vbYes;
        case QMessageBox::No:
            return vbNo;
        default:
            return vbOK;
    }
}

QString MessageText(const std::string& text) {
    return QString::fromStdString(text).replace("\r\n", "\n").replace('\r', '\n');
}

int QtUiPort::MsgBox(const std::string& text, int style, const std::string& title) {
    QMessageBox box(IconOf(style), QString::fromStdString(title.empty() ? gAppTitle : title),
                    MessageText(text), ButtonsOf(style), QApplication::activeWindow());
    KeepAbove(box);
    const QList<QAbstractButton*> buttons = box.buttons();
    if ((style & vbDefaultButton2) && buttons.size() > 1) {
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons[1]));
    }
    if (busy_)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box.exec();
    if (busy_)
        QApplication::restoreOverrideCursor();
    return AnswerOfButton(pressed == 0 ? QMessageBox::Cancel
                                       : box.standardButton(box.clickedButton()));
}

bool QtUiPort::ShowList(const ListDialog& dialog, int& chosen) {
    ListDialogWindow window(dialog, QApplication::activeWindow());
    KeepAbove(window);
    if (window.exec() != QDialog::Accepted || window.chosenRow() < 0)
        return false;
    chosen = window.chosenRow();
    return true;
}

void QtUiPort::Progress(const std::string& caption) {
    if (onProgress)
        onProgress(caption);
}

void QtUiPort::ProgressValue(long value, long max) {
    if (onProgressValue)
        onProgressValue(value, max);
}

void QtUiPort::Repaint() {
    QApplication::processEvents();
}

void QtUiPort::SetBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtUiPort::Beep() {
    QApplication::beep();
}

bool QtUiPort::ShellOpen(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace terv
