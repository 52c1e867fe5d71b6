#include "frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <cstdlib>
#include <filesystem>

#include "data/net/Kovicli.h"
#include "export/AnnullaScarico.h"
#include "export/DemoTour.h"
#include "export/frmItalia.h"
#include "export/frmTrasfPalm.h"
#include "frmSplash.h"
#include "modStartup.h"
#include "platform/Process.h"
#include "platform/UiPort.h"
#include "return/Caricamento.h"
#include "return/RigeneraRicevuta.h"
#include "return/frmRientraDati.h"
#include "shell/base/IniFiles.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {

std::string MainWindowTitle(const std::string& version, const std::string& clientName) {
    std::string title = "Gestione - PALMARE V" + version + clientName;
    if (!clientName.empty())
        title += " - ";
    return title;
}

namespace {

// The upload's captions and bar, shown on the return window.
CaricaUi UiRientro(RientroState& state) {
    return {[&state](const std::string& caption) {
                state.lblcurrop = caption;
                state.Changed();
            },
            [&state](long value, long max) {
                state.progressValue = value;
                state.progressMax = max;
                state.Changed();
            }};
}

}  // namespace

void ApriRientro(QWidget* parent) {
    RientroState* state = nullptr;
    frmRientraDati window([&state] { return CaricaScarichi(UiRientro(*state)); }, parent);
    state = &window.state();
    window.SetCommand2([state] {
        const auto label2 = [state](bool visible) {
            state->Label2Visible = visible;
            state->Changed();
        };
        ChiudiScarichiPrecedenti({UiRientro(*state), label2, [] { StartPhotoLoader(); }});
    });
    window.SetCommand4([] { RigeneraRicevuta(); });
    window.exec();
}

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), mdi_(new QMdiArea(this)) {
    setObjectName("frmMain");
    setCentralWidget(mdi_);
    const std::string version = ReadIni("AGGIO", "VERSION", "", gAppPath + "/defaults.ini");
    setWindowTitle(QString::fromStdString(MainWindowTitle(version, gClientName)));
    BuildMenu();
    resize(1024, 700);
    if (const char* shots = std::getenv("TERVPALM_DEMO_SHOTS"); shots && *shots) {
        const char* part = std::getenv("TERVPALM_DEMO_PART");
        StartDemoTour(this, shots, part ? part : "");
    }
}

void frmMain::BuildMenu() {
    auto item = [this](QMenu* menu, const char* name, const char* caption) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(name);
        action->setEnabled(false);
        return action;
    };
    QMenuBar* bar = menuBar();
    QAction* esci = bar->addAction("&Esci");
    esci->setObjectName("MNU_ESCI");
    connect(esci, &QAction::triggered, this, &QWidget::close);
    QMenu* utilita = bar->addMenu(QString::fromUtf8("Utilità"));
    utilita->setObjectName("MNU_UTILITA");
    item(utilita, "MNU_UTILITA_LOADFOTO", "Carica foto di campo");
    QMenu* trasf = bar->addMenu("Trasferisci al palmare");
    trasf->setObjectName("MNU_TRASF");
    item(trasf, "MNU_TRASF_ANNULLA_SCARICO", "Annulla uno scarico");
    item(trasf, "MNU_TRASF_DATI", "Trasferisci dati");
    QMenu* rientr = bar->addMenu("Rientro dati su PC");
    rientr->setObjectName("MNU_RIENTR");
    item(rientr, "MNU_RIENTR_TRASF", "Trasferici dati");
    SetCommand("MNU_UTILITA_LOADFOTO", [] { StartPhotoLoader(); });
    SetCommand("MNU_TRASF_ANNULLA_SCARICO", [] { AnnullaScarico(); });
    SetCommand("MNU_RIENTR_TRASF", [this] { ApriRientro(this); });
    SetCommand("MNU_TRASF_DATI", [this] {
        frmTrasfPalm window(this);
        window.exec();
    });
}

void frmMain::SetCommand(const char* menuItem, std::function<void()> command) {
    QAction* action = findChild<QAction*>(menuItem);
    if (!action)
        return;
    disconnect(action, &QAction::triggered, nullptr, nullptr);
    connect(action, &QAction::triggered, this, [command] { command(); });
    action->setEnabled(true);
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Activated();
}

void frmMain::Activated() {
    OpenHttpLog(gTervcli().NomeFileLogKovicli, static_cast<intptr_t>(winId()));
    UnloadSplashIfOpen();
}

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    ReleaseItaliaWindow();
    ShutDown();
}

}  // namespace terv
