#include "frmLogin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <stdexcept>

#include "data/db/DbError.h"
#include "data/net/Kovicli.h"
#include "platform/FileSearch.h"
#include "platform/UiPort.h"
#include "reference/GestTabelle.h"
#include "shell/base/IniFiles.h"
#include "shell/base/clsCtrlForms.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {

namespace {

QLabel* Label(QWidget* parent, const char* name, const char* text, QWidget* buddy) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

// The configuration object, constructed on first use; every reference database error of its
// construction becomes the operator's message.
clsTervcli& LoadConfiguration() {
    try {
        return gTervcli();
    } catch (const DbError&) {
        throw std::runtime_error("Impossibile aprire il database di riferimento:\r" + gAppPath +
                                 "/" + kTabelleFile +
                                 "\rReinstallare il programma o copiare un tabelle.mdb integro "
                                 "nella cartella del programma.");
    }
}

}  // namespace

bool IsServerSwitchKey(int nativeScanCode, int qtKey, Qt::KeyboardModifiers modifiers) {
    if ((modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                      Qt::MetaModifier)) != Qt::ShiftModifier) {
        return false;
    }
    return nativeScanCode == 94 || qtKey == Qt::Key_Greater || qtKey == Qt::Key_Less;
}

frmLogin::frmLogin(QWidget* parent)
    : QWidget(parent),
      user_(new QLineEdit(this)),
      password_(new QLineEdit(this)),
      timer_(new QTimer(this)) {
    setObjectName("frmLogin");
    setWindowTitle("Login [TERV CLIENT]");
    user_->setObjectName("txtUserName");
    password_->setObjectName("txtPassword");
    password_->setEchoMode(QLineEdit::Password);
    password_->setStyleSheet("lineedit-password-character: 42");  // "*"
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("cmdCancel");
    cancel->setShortcut(Qt::Key_Escape);
    auto* form = new QFormLayout;
    form->addRow(Label(this, "lblLabels_0", "&Nome utente:", user_), user_);
    form->addRow(Label(this, "lblLabels_1", "&Password:", password_), password_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setTabOrder(user_, password_);
    setTabOrder(password_, ok);
    setTabOrder(ok, cancel);
    timer_->setObjectName("TimerDoLogin");
    timer_->setInterval(100);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { cmdOK_Click(); });
    connect(ok, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    setAttribute(Qt::WA_DeleteOnClose);
    user_->setText(QString::fromStdString(
        ReadIni("DEFAULT", "UID", "", LoadConfiguration().FileServerSetting)));
    gCtrlForms().AddForm("frmLogin", false);
    qApp->installEventFilter(this);
}

frmLogin::~frmLogin() {
    if (!unloadDone_)
        gCtrlForms().RemForm("frmLogin");
}

std::string frmLogin::UserText() const {
    return user_->text().toStdString();
}
std::string frmLogin::PasswordText() const {
    return password_->text().toStdString();
}
void frmLogin::SetUserText(const std::string& t) {
    user_->setText(QString::fromStdString(t));
}
void frmLogin::SetPasswordText(const std::string& t) {
    password_->setText(QString::fromStdString(t));
}

void frmLogin::SelectPassword() {
    password_->setFocus();
    password_->selectAll();
}

void frmLogin::Step() {
    emit stepDone();
}

void frmLogin::cmdOK_Click() {
    timer_->stop();
    emit attemptStarted();
    DoLogin(*this);
    if (gRuolo > 0) {
        hide();
        close();
    }
}

void frmLogin::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Activated();
}

void frmLogin::Activated() {
    OpenHttpLog(gTervcli().NomeFileLogKovicli, static_cast<intptr_t>(winId()));
    if (!user_->text().isEmpty())
        password_->setFocus();
    if (gCommandLineDone != 0)
        return;
    gCommandLineDone = 1;
    if (ApplyCommandLine(gCommandLine, *this))
        timer_->start();
}

bool frmLogin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != this && !isAncestorOf(widget))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!IsServerSwitchKey(static_cast<int>(key->nativeScanCode()), key->key(), key->modifiers()))
        return false;
    ChooseServerFile();
    return true;
}

void frmLogin::ChooseServerFile() {
    const std::string bak = gAppPath + "/bak";
    if (!std::filesystem::is_directory(bak))
        return;
    std::vector<std::string> files;
    std::string rows;
    for (const FoundEntry& entry : FindEntries(bak, "servers*.dat")) {
        if (entry.isFolder)
            continue;
        rows += std::to_string(files.size()) + "|" + entry.name + "Þ";
        files.push_back(entry.name);
    }
    initlist("Selezionare servers.dat da usare", "IDÞ0ÞSERVERÞ1500Þ", rows, "|", "Þ");
    int chosen = -1;
    if (showlist(chosen) != 0 || chosen < 0 || chosen >= static_cast<int>(files.size()))
        return;
    clsTervcli& cli = gTervcli();
    const std::string picked = JoinPath(bak, files[chosen]);
    std::error_code ec;
    std::filesystem::copy_file(picked, cli.FileServerSetting,
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        MsgBox("Impossibile copiare " + picked + ": " + ec.message(), vbExclamation);
        return;
    }
    SetUserText(ReadIni("DEFAULT", "UID", "", picked));
    cli.serverterv = ReadIni("SERVER", "LOCATION", "", picked);
    QString pwd = password_->text();
    if (!pwd.isEmpty())
        password_->setText(pwd.left(pwd.size() - 1));
}

void frmLogin::closeEvent(QCloseEvent* event) {
    event->accept();
    if (unloadDone_)
        return;
    unloadDone_ = true;
    const bool loggedIn = gRuolo >= 1;
    if (loggedIn)
        WriteIni("DEFAULT", "UID", UserText(), gTervcli().FileServerSetting);
    emit unloaded(loggedIn);
    gCtrlForms().RemForm("frmLogin");
}

}  // namespace terv
