#include "frmTrasfPalm.h"

#include "QtBinding.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "ExportTexts.h"
#include "data/net/KovicliLib.h"
#include "fraTrasferimento.h"
#include "frmItalia.h"

namespace terv {

frmTrasfPalm::frmTrasfPalm(QWidget* parent)
    : QDialog(parent),
      lblCodScarico_(Named(new QLabel(this), "lblCodScarico")),
      txtDescr_(Named(new QLineEdit(this), "txtDescr")),
      txtQualita_(Named(new QLineEdit(this), "txtQualita")),
      lblelenco_(Named(new QLabel(this), "lblelenco")),
      lstFatti_(Named(new QListWidget(this), "lstFatti")),
      cmdSel_(Named(new QPushButton(texts::kCmdSel, this), "cmdSel")),
      cmdScarica_(Named(new QPushButton(texts::kCmdScarica, this), "cmdScarica")),
      cmdTrasf_(Named(new QPushButton(texts::kCmdTrasf, this), "cmdTrasf")),
      label2_(Named(new QLabel(texts::kLabel2, this), "Label2")),
      lblcurrop_(Named(new QLabel(this), "lblcurrop")),
      progress_(Named(new QProgressBar(this), "prgCurrop")) {
    setObjectName("frmTrasfPalm");
    setWindowTitle(texts::kTrasfCaption);
    auto* frame = Named(new QGroupBox(texts::kFrameCodScarico, this), "fraCodScarico");
    (new QHBoxLayout(frame))->addWidget(lblCodScarico_);
    auto* annulla = Named(new QPushButton(texts::kCmdAnnulla, this), "CmdAnnulla");
    auto* grid = new QGridLayout(this);
    grid->addWidget(frame, 0, 0, 1, 2);
    grid->addWidget(Named(new QLabel(texts::kLblDescr, this), "lblDescr"), 1, 0);
    grid->addWidget(txtDescr_, 1, 1);
    grid->addWidget(Named(new QLabel(texts::kLblElencoTitle, this), "lblElencoTitle"), 2, 0);
    grid->addWidget(lblelenco_, 2, 1);
    grid->addWidget(Named(new QLabel(texts::kLblFatti, this), "lblFatti"), 3, 0, 1, 2);
    grid->addWidget(lstFatti_, 4, 0, 1, 2);
    grid->addWidget(Named(new QLabel(QString::fromUtf8(texts::kLblQualita), this), "lblQualita"), 5,
                    0);
    grid->addWidget(txtQualita_, 5, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdSel_, cmdScarica_, cmdTrasf_, annulla})
        buttons->addWidget(b);
    grid->addLayout(buttons, 6, 0, 1, 2);
    grid->addWidget(label2_, 7, 0, 1, 2);
    auto* step = new QHBoxLayout;
    step->addWidget(lblcurrop_, 1);
    step->addWidget(progress_, 1);
    grid->addLayout(step, 8, 0, 1, 2);
    grid->addWidget(MakeTrasferimentoFrame(this, state_, cmdTrasf_), 9, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    resize(640, 520);

    connect(cmdSel_, &QPushButton::clicked, this, [this] { cmdSel_Click(); });
    connect(cmdScarica_, &QPushButton::clicked, this, [this] { cmdScarica_Click(); });
    connect(annulla, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtDescr_, &QLineEdit::textEdited, this,
            [this](const QString& t) { state_.txtDescr = t.toStdString(); });
    connect(txtQualita_, &QLineEdit::textEdited, this,
            [this](const QString& t) { state_.txtQualita = t.toStdString(); });

    state_.txtQualita = texts::kDefaultQualita;
    state_.onChange = [this] { Sync(); };
    LoadTrasfPalm(state_);
    Sync();
}

void frmTrasfPalm::Sync() {
    lblCodScarico_->setText(Q(state_.lblCodScarico));
    if (txtDescr_->text() != Q(state_.txtDescr))
        txtDescr_->setText(Q(state_.txtDescr));
    if (txtQualita_->text() != Q(state_.txtQualita))
        txtQualita_->setText(Q(state_.txtQualita));
    lblelenco_->setText(Q(state_.lblelencoCaption));
    lblelenco_->setProperty("Tag", Q(state_.lblelencoTag));
    ShowEntries(lstFatti_, state_.lstFatti);
    cmdSel_->setEnabled(state_.cmdSelEnabled);
    cmdScarica_->setEnabled(state_.cmdScaricaEnabled);
    cmdTrasf_->setEnabled(state_.cmdTrasfEnabled);
    BusyLine{label2_, lblcurrop_, progress_}.Show(state_);
    if (state_.descrFocusRequests != focusRequestsSeen_) {
        focusRequestsSeen_ = state_.descrFocusRequests;
        txtDescr_->setFocus();
    }
}

void frmTrasfPalm::cmdSel_Click() {
    ItaliaWindow().ShowFor(state_, this);
    KOVICLISetParentWnd(static_cast<intptr_t>(winId()));
    Sync();
}

void frmTrasfPalm::cmdScarica_Click() {
    terv::cmdScarica_Click(state_);
}

void frmTrasfPalm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        KOVICLISetParentWnd(static_cast<intptr_t>(winId()));
}

}  // namespace terv
