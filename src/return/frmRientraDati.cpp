#include "frmRientraDati.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "export/QtBinding.h"
#include "export/Trasferimento.h"
#include "platform/UiPort.h"

namespace terv {

namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

frmRientraDati::frmRientraDati(UploadFunction upload, QWidget* parent)
    : QDialog(parent),
      upload_(std::move(upload)),
      cmbmemoria_(Named(new QComboBox(this), "cmbmemoria")),
      chkAggSW_(Named(new QCheckBox(U(kChkAggSW), this), "chkAggSW")),
      cmdTrasf_(Named(new QPushButton(U(kCmdTrasfRientro), this), "cmdTrasf")),
      command2_(Named(new QPushButton(U(kCommand2Rientro), this), "Command2")),
      command4_(Named(new QPushButton(U(kCommand4Rientro), this), "Command4")),
      label2_(Named(new QLabel(U(kLabel2Rientro), this), "Label2")),
      lblcurrop_(Named(new QLabel(this), "lblcurrop")),
      progress_(Named(new QProgressBar(this), "prgCurrop")) {
    setObjectName("frmRientraDati");
    setWindowTitle(U(kRientroCaption));
    cmbmemoria_->addItems({U(kMemoriaPrincipale), U(kSecondaMemoria)});
    cmbmemoria_->setCurrentIndex(-1);
    auto* frame = Named(new QGroupBox(U(kFrame3Rientro), this), "Frame3");
    auto* device = new QGridLayout(frame);
    device->addWidget(cmbmemoria_, 0, 0);
    device->addWidget(chkAggSW_, 1, 0);
    device->addWidget(cmdTrasf_, 2, 0);
    auto* command3 = Named(new QPushButton(U(kCommand3Rientro), this), "Command3");
    auto* command1 = Named(new QPushButton(U(kCommand1Rientro), this), "Command1");
    // The receipt draws its bar code itself; the picture box only keeps its font.
    auto* picture = Named(new QLabel(this), "Picture1");
    picture->setFont(QFont("Code 39"));
    picture->hide();
    auto* grid = new QGridLayout(this);
    grid->addWidget(frame, 0, 0, 1, 2);
    grid->addWidget(command2_, 1, 0);
    grid->addWidget(command3, 1, 1);
    grid->addWidget(command4_, 2, 0);
    grid->addWidget(command1, 2, 1);
    grid->addWidget(label2_, 3, 0, 1, 2);
    auto* step = new QHBoxLayout;
    step->addWidget(lblcurrop_, 1);
    step->addWidget(progress_, 1);
    grid->addLayout(step, 4, 0, 1, 2);
    resize(560, 300);
    command2_->setEnabled(false);
    command4_->setEnabled(false);

    connect(cmdTrasf_, &QPushButton::clicked, this, [this] { cmdTrasf_Click(); });
    connect(command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(command1, &QPushButton::clicked, this, &QDialog::reject);
    state_.onChange = [this] { Sync(); };
    Sync();
}

void frmRientraDati::SetCommand(QPushButton* button, std::function<void()> command) {
    disconnect(button, &QPushButton::clicked, nullptr, nullptr);
    connect(button, &QPushButton::clicked, this, [command] { command(); });
    button->setEnabled(true);
}

void frmRientraDati::SetCommand2(std::function<void()> command) {
    SetCommand(command2_, std::move(command));
}

void frmRientraDati::SetCommand4(std::function<void()> command) {
    SetCommand(command4_, std::move(command));
}

void frmRientraDati::cmdTrasf_Click() {
    state_.cmbmemoria = cmbmemoria_->currentIndex();
    state_.chkAggSW = chkAggSW_->isChecked();
    terv::cmdTrasf_Click(state_, upload_);
}

void frmRientraDati::Command3_Click() {
    Ui().ShellOpen(CartellaPalmare());
}

void frmRientraDati::Sync() {
    cmdTrasf_->setEnabled(state_.cmdTrasfEnabled);
    BusyLine{label2_, lblcurrop_, progress_}.Show(state_);
    if (state_.memoriaFocusRequests != focusRequestsSeen_) {
        focusRequestsSeen_ = state_.memoriaFocusRequests;
        cmbmemoria_->setFocus();
    }
}

}  // namespace terv
