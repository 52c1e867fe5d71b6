#include "DemoTour.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidgetItem>
#include <fstream>
#include <functional>

#include "ExportTexts.h"
#include "frmItalia.h"
#include "frmTrasfPalm.h"

namespace terv {

namespace {

struct Tour {
    QWidget* main;
    QString folder;
    std::string messagePrefix;  // names the message pictures of one part apart from the other's

    void Shot(QWidget* window, const std::string& name) const {
        window->grab().save(folder + "/" + QString::fromStdString(name) + ".png");
    }
    // Runs `action` on the modal window once it is up, polling for at most 30 s.
    void OnModal(const char* name, std::function<void(QWidget*)> action, int tries = 150) const {
        QTimer::singleShot(200, main, [this, name, action, tries] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->objectName() == name) {
                action(modal);
            } else if (tries > 0) {
                OnModal(name, action, tries - 1);
            }
        });
    }
    // Pictures and closes every message box that comes up while `running` is set; a box that
    // asks is answered Yes.
    void AnswerMessages(const bool* running, int* count) const {
        QTimer::singleShot(200, main, [this, running, count] {
            if (!*running)
                return;
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Shot(box, messagePrefix + "messaggio-" + std::to_string(++*count));
                if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                    yes->click();
                else
                    box->accept();
            }
            AnswerMessages(running, count);
        });
    }
    // The end of a part: the mark the demo script waits for, then the program closes.
    void Finish() const {
        std::ofstream((folder + "/fatto.txt").toStdString()) << "ok\n";
        main->close();
    }
};

void Trigger(QWidget* main, const char* item) {
    if (auto* action = main->findChild<QAction*>(item))
        action->trigger();
}

// The municipalities still to survey of the first province of the shown work list that has two
// of them, else of its last province that has any.
std::vector<std::string> Comuni(frmItalia& italia) {
    TerritorySelection& sel = italia.selection();
    if (QTreeWidgetItem* root = italia.Item("ITALIA"))
        root->setExpanded(true);
    std::vector<std::string> comuni;
    for (const std::string& province : sel.TreeViewElenco.Children("ITALIA")) {
        QTreeWidgetItem* item = italia.Item(province);
        if (!item || item->text(0) == QString::fromUtf8(texts::kNessunaProvincia))
            continue;
        item->setExpanded(true);
        if (std::vector<std::string> found = sel.TreeViewElenco.Children(province); !found.empty())
            comuni = std::move(found);
        if (comuni.size() >= 2)
            break;
    }
    return comuni;
}

// A whole municipality and a sheet of another, from the first work list that has two of them
// still to survey, so that a demo folder used again goes on exporting while it can.
void Select(frmItalia& italia) {
    TerritorySelection& sel = italia.selection();
    sel.Form_Activate();
    auto* elenchi = italia.findChild<QComboBox*>("cmbElenchi");
    std::vector<std::string> comuni;
    for (int i = 0; i < elenchi->count() && comuni.size() < 2; ++i) {
        elenchi->setCurrentIndex(i);
        comuni = Comuni(italia);
    }
    for (size_t i = 0; i < comuni.size() && i < 2; ++i) {
        italia.Item(comuni[i])->setExpanded(true);
        if (i == 0) {
            sel.TreeClick(comuni[i]);
            sel.Toolbar2_ButtonClick("CO");
            continue;
        }
        const std::vector<std::string> sheets = sel.TreeViewElenco.Children(comuni[i]);
        if (sheets.empty())
            continue;
        sel.TreeClick(sheets.front());
        sel.Toolbar2_ButtonClick("FO");
        sel.Toolbar2_ButtonClick("FO");
    }
}

// The export window: selection, export, transfer to the first card; then the list of exports.
void Scarico(Tour& tour) {
    static bool running;
    static int messages;
    running = true;
    messages = 0;
    tour.Shot(tour.main, "frmMain");
    tour.OnModal("frmTrasfPalm", [&tour](QWidget* trasf) {
        tour.Shot(trasf, "frmTrasfPalm");
        tour.OnModal("frmItalia", [&tour](QWidget* window) {
            auto& italia = static_cast<frmItalia&>(*window);
            Select(italia);
            tour.Shot(&italia, "frmItalia");
            italia.cmdSelDone_Click();
        });
        QTimer::singleShot(300, trasf, [&tour, trasf] {
            tour.AnswerMessages(&running, &messages);
            trasf->findChild<QPushButton*>("cmdSel")->click();
            auto* descr = trasf->findChild<QLineEdit*>("txtDescr");
            descr->setText("Scarico dimostrativo");
            static_cast<frmTrasfPalm*>(trasf)->state().txtDescr = "Scarico dimostrativo";
            tour.Shot(trasf, "frmTrasfPalm-selezione");
            trasf->findChild<QPushButton*>("cmdScarica")->click();
            tour.Shot(trasf, "frmTrasfPalm-dopo");
            trasf->findChild<QComboBox*>("cmbmemoria")->setCurrentIndex(0);
            tour.Shot(trasf, "frmTrasfPalm-trasferimento");
            trasf->findChild<QPushButton*>("cmdTrasf")->click();
            tour.Shot(trasf, "frmTrasfPalm-inviato");
            static_cast<QDialog*>(trasf)->reject();
        });
    });
    Trigger(tour.main, "MNU_TRASF_DATI");
    tour.OnModal("frmLista", [&tour](QWidget* list) {
        tour.Shot(list, "elenco-scarichi");
        static_cast<QDialog*>(list)->reject();
    });
    Trigger(tour.main, "MNU_TRASF_ANNULLA_SCARICO");
    running = false;
}

// One picture of the return window while the return works, at the first step it shows.
void ShotWhileWorking(const Tour& tour, QWidget* window, const bool* running) {
    QTimer::singleShot(50, window, [&tour, window, running] {
        if (!*running)
            return;
        auto* step = window->findChild<QLabel*>("lblcurrop");
        if (step && !step->text().isEmpty())
            tour.Shot(window, "frmRientraDati-in-corso");
        else
            ShotWhileWorking(tour, window, running);
    });
}

// The return window: the first card, "Recupera dati dal palmare" with its messages answered.
void Rientro(Tour& tour) {
    static bool running;
    static int messages;
    running = true;
    messages = 0;
    tour.messagePrefix = "frmRientraDati-";
    tour.OnModal("frmRientraDati", [&tour](QWidget* window) {
        window->findChild<QComboBox*>("cmbmemoria")->setCurrentIndex(0);
        tour.Shot(window, "frmRientraDati");
        tour.AnswerMessages(&running, &messages);
        ShotWhileWorking(tour, window, &running);
        window->findChild<QPushButton*>("cmdTrasf")->click();
        running = false;
        tour.Shot(window, "frmRientraDati-dopo");
        static_cast<QDialog*>(window)->reject();
    });
    Trigger(tour.main, "MNU_RIENTR_TRASF");
}

}  // namespace

void StartDemoTour(QWidget* mainWindow, const std::string& folder, const std::string& part) {
    static Tour tour;
    tour = {mainWindow, QString::fromStdString(folder), ""};
    QDir().mkpath(tour.folder);
    const bool rientro = part == kDemoRientro;
    QTimer::singleShot(1500, mainWindow, [rientro] {
        if (rientro)
            Rientro(tour);
        else
            Scarico(tour);
        tour.Finish();
    });
}

}  // namespace terv
