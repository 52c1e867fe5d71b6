// The frame "Trasferimento" of the export window: the software update check box, the memory
// card choice, and the hand-over of "Invia dati al palmare" to the transfer procedure.
#pragma once

#include "modTrasfPalm.h"

class QGroupBox;
class QPushButton;
class QWidget;

namespace terv {

// Builds the frame (chkAggSW, cmbmemoria with no card chosen) and connects `cmdTrasf` to the
// transfer on `state`.
QGroupBox* MakeTrasferimentoFrame(QWidget* parent, TrasfPalmState& state, QPushButton* cmdTrasf);

}  // namespace terv
