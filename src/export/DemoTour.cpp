#include "DemoTour.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <fstream>
#include <functional>

#include "frmItalia.h"
#include "frmTrasfPalm.h"

namespace terv {

namespace {

struct Tour {
    QWidget* main;
    QString folder;

    void Shot(QWidget* window, const char* name) const {
        window->grab().save(folder + "/" + name + ".png");
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
                Shot(box, ("messaggio-" + std::to_string(++*count)).c_str());
                if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                    yes->click();
                else
                    box->accept();
            }
            AnswerMessages(running, count);
        });
    }
};

void Trigger(QWidget* main, const char* item) {
    if (auto* action = main->findChild<QAction*>(item))
        action->trigger();
}

void Select(frmItalia& italia) {
    TerritorySelection& sel = italia.selection();
    sel.Form_Activate();
    italia.findChild<QComboBox*>("cmbElenchi")->setCurrentIndex(0);
    if (QTreeWidgetItem* root = italia.Item("ITALIA"))
        root->setExpanded(true);
    const std::vector<std::string> provinces = sel.TreeViewElenco.Children("ITALIA");
    if (provinces.empty() || !italia.Item(provinces.front()))
        return;
    italia.Item(provinces.front())->setExpanded(true);
    const std::vector<std::string> comuni = sel.TreeViewElenco.Children(provinces.front());
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

// The receipt of an earlier export rebuilt from the server: its row chosen in the list of
// exports, the question answered Yes.
void Rigenera(const Tour& tour, int* messages, const std::function<void()>& rigenera) {
    tour.OnModal("frmLista", [&tour](QWidget* list) {
        auto* rows = list->findChild<QTreeWidget*>("lstElenco");
        for (int i = 0; rows && i < rows->topLevelItemCount(); ++i) {
            if (rows->topLevelItem(i)->text(0) == kDemoRicevuta)
                rows->setCurrentItem(rows->topLevelItem(i));
        }
        tour.Shot(list, "rigenera-elenco");
        static_cast<QDialog*>(list)->accept();
    });
    static bool answering = true;
    tour.AnswerMessages(&answering, messages);
    rigenera();
    answering = false;
}

}  // namespace

void StartDemoTour(QWidget* mainWindow, const std::string& folder, std::function<void()> rigenera) {
    static Tour tour;
    static bool running = true;
    static int messages = 0;
    static std::function<void()> receipt;
    receipt = std::move(rigenera);
    tour = {mainWindow, QString::fromStdString(folder)};
    QDir().mkpath(tour.folder);
    QTimer::singleShot(1500, mainWindow, [] {
        tour.Shot(tour.main, "frmMain");
        tour.OnModal("frmTrasfPalm", [](QWidget* trasf) {
            tour.Shot(trasf, "frmTrasfPalm");
            tour.OnModal("frmItalia", [](QWidget* window) {
                auto& italia = static_cast<frmItalia&>(*window);
                Select(italia);
                tour.Shot(&italia, "frmItalia");
                italia.cmdSelDone_Click();
            });
            QTimer::singleShot(300, trasf, [trasf] {
                trasf->findChild<QPushButton*>("cmdSel")->click();
                auto* descr = trasf->findChild<QLineEdit*>("txtDescr");
                descr->setText("Scarico dimostrativo");
                static_cast<frmTrasfPalm*>(trasf)->state().txtDescr = "Scarico dimostrativo";
                tour.Shot(trasf, "frmTrasfPalm-selezione");
                tour.AnswerMessages(&running, &messages);
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
        tour.OnModal("frmLista", [](QWidget* list) {
            tour.Shot(list, "elenco-scarichi");
            static_cast<QDialog*>(list)->reject();
        });
        Trigger(tour.main, "MNU_TRASF_ANNULLA_SCARICO");
        running = false;
        if (receipt)
            Rigenera(tour, &messages, receipt);
        std::ofstream((tour.folder + "/fatto.txt").toStdString()) << "ok\n";
        tour.main->close();
    });
}

}  // namespace terv
