#include "fraTrasferimento.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

#include "Trasferimento.h"

namespace terv {

QGroupBox* MakeTrasferimentoFrame(QWidget* parent, TrasfPalmState& state, QPushButton* cmdTrasf) {
    auto* frame = new QGroupBox("Trasferimento", parent);
    frame->setObjectName("fraTrasferimento");
    auto* chk = new QCheckBox(QString::fromUtf8(kChkAggSW), frame);
    chk->setObjectName("chkAggSW");
    auto* cmb = new QComboBox(frame);
    cmb->setObjectName("cmbmemoria");
    cmb->addItems({QString::fromUtf8(kMemoriaPrincipale), QString::fromUtf8(kSecondaMemoria)});
    cmb->setCurrentIndex(-1);
    auto* row = new QHBoxLayout(frame);
    row->addWidget(chk);
    row->addWidget(cmb, 1);
    QObject::connect(cmdTrasf, &QPushButton::clicked, frame, [&state, chk, cmb] {
        TrasferimentoControls controls{chk->isChecked(), cmb->currentIndex(), 0};
        cmdTrasf_Click(state, controls);
        if (controls.memoriaFocusRequests > 0)
            cmb->setFocus();
    });
    return frame;
}

}  // namespace terv
