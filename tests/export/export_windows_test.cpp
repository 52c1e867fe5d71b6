// The export windows offscreen against terv-central: every control text of "Trasferisci al
// PALMARE" and "Territorio", the export number and the buttons it disables, the tree with its
// images, the tool bar, the hand-over, the export run from the window with its progress bar, and
// the main menu's two export commands.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "ExportFixture.h"
#include "QtTestSupport.h"
#include "export/frmItalia.h"
#include "export/frmTrasfPalm.h"
#include "frmMain.h"

namespace terv::test {
namespace {

// The text a control shows, whatever its kind (a frame shows its title).
std::string TextOf(QObject* control) {
    return control->property(qobject_cast<QGroupBox*>(control) ? "title" : "text")
        .toString()
        .toStdString();
}

struct Text {
    const char* control;
    const char* constant;
    const char* literal;
};

void ExpectTexts(QWidget* window, const std::vector<Text>& table) {
    for (const Text& t : table) {
        QObject* control = window->findChild<QObject*>(t.control);
        ASSERT_NE(control, nullptr) << t.control;
        EXPECT_EQ(TextOf(control), t.constant) << t.control;
        EXPECT_EQ(TextOf(control), t.literal) << t.control;
    }
}

// Records the export window's progress bar each time the procedure moves it.
class BarPort : public RecordingUiPort {
  public:
    void ProgressValue(long value, long max) override {
        RecordingUiPort::ProgressValue(value, max);
        if (auto* bar = QApplication::activeModalWidget()
                            ? QApplication::activeModalWidget()->findChild<QProgressBar*>()
                            : nullptr) {
            seen.push_back({bar->isVisibleTo(bar->window()) ? bar->value() : -1, bar->maximum()});
        }
    }
    std::vector<std::pair<int, int>> seen;
};

class ExportWindowTest : public ExportTest {
  protected:
    void SetUp() override {
        App();
        ExportTest::SetUp();
        gAppTitle = "TERVPalm";
    }
    void TearDown() override {
        ReleaseItaliaWindow();
        ExportTest::TearDown();
    }
    // Runs `step` once the event loop of a modal window runs.
    static void Later(std::function<void()> step) { QTimer::singleShot(0, step); }
};

TEST_P(ExportWindowTest, ExportWindowTextsAndTheNumberItDraws) {
    frmTrasfPalm window;
    EXPECT_EQ(window.windowTitle().toStdString(), "Trasferisci al PALMARE");
    EXPECT_EQ(window.windowTitle().toStdString(), texts::kTrasfCaption);
    ExpectTexts(&window, {{"fraCodScarico", texts::kFrameCodScarico, "Codice scarico"},
                          {"lblDescr", texts::kLblDescr, "Descrizione:"},
                          {"lblElencoTitle", texts::kLblElencoTitle, "Elenco di lavorazione:"},
                          {"lblFatti", texts::kLblFatti, "Comuni e fogli selezionati:"},
                          {"lblQualita", texts::kLblQualita,
                           "Qualità foto (100% massima qualità, 0% nessuna foto):"},
                          {"txtQualita", texts::kDefaultQualita, "50"},
                          {"cmdSel", texts::kCmdSel, "Seleziona provincia/comune/foglio"},
                          {"cmdScarica", texts::kCmdScarica, "Scarica dati"},
                          {"cmdTrasf", texts::kCmdTrasf, "Invia dati al palmare"},
                          {"CmdAnnulla", texts::kCmdAnnulla, "Annulla scarico"},
                          {"Label2", texts::kLabel2, "Attendere prego..."}});
    const std::string number = TextOf(window.findChild<QLabel*>("lblCodScarico"));
    EXPECT_EQ(number, Value("SELECT LAST_VALUE FROM TERV_SEQUENCES WHERE "
                            "SEQUENCE_NAME='PALM_SCARICHI_SEQ'"));
    EXPECT_TRUE(window.findChild<QLabel*>("Label2")->isHidden());
    EXPECT_TRUE(window.findChild<QPushButton*>("cmdSel")->isEnabled());

    // Without the server the number is 0 and the selection and transfer stay closed.
    server->Stop();
    frmTrasfPalm offline;
    EXPECT_EQ(TextOf(offline.findChild<QLabel*>("lblCodScarico")), "0");
    EXPECT_FALSE(offline.findChild<QPushButton*>("cmdSel")->isEnabled());
    EXPECT_FALSE(offline.findChild<QPushButton*>("cmdTrasf")->isEnabled());
    EXPECT_TRUE(offline.findChild<QPushButton*>("cmdScarica")->isEnabled());
}

TEST_P(ExportWindowTest, SelectionWindowFillsTheExportWindowAndTheExportRuns) {
    BarPort port;
    SetUiPort(&port);
    frmTrasfPalm window;
    window.setWindowModality(Qt::ApplicationModal);  // as the main menu opens it
    window.show();
    bool checked = false;
    Later([&] {
        frmItalia& italia = ItaliaWindow();
        auto* combo = italia.findChild<QComboBox*>("cmbElenchi");
        ASSERT_TRUE(RunUntil([&] { return combo->count() == 4; }));
        EXPECT_EQ(italia.windowTitle().toStdString(), "Territorio");
        EXPECT_EQ(italia.windowTitle().toStdString(), texts::kItaliaCaption);
        ExpectTexts(&italia, {{"Label1", texts::kLabel1, "Elenco di lavorazione:"},
                              {"cmdFillElenchi", texts::kCmdFillElenchi, "..."},
                              {"Label2", texts::kLabelFiltro, "Filtro scarico:"},
                              {"Label4", texts::kLabel4, "Solo consultazione"},
                              {"Label5", texts::kLabel5, "Replica scarico"},
                              {"Label3", texts::kLabel3, "Codice scarico:"},
                              {"Command1", texts::kCommand1, "Filtra"},
                              {"chkOnlyLav", texts::kChkOnlyLav,
                               "Filtra comuni/fogli non riportati a video"},
                              {"CO", texts::kToolCO, "Aggiungi comune"},
                              {"FO", texts::kToolFO, "Aggiungi foglio"},
                              {"cmdSelDone", texts::kCmdSelDone, "Conferma selezione"},
                              {"Command2", texts::kCommand2, "Mostra tutti i mie scarichi"}});
        EXPECT_EQ(italia.findChild<QPushButton*>("cmdFillElenchi")->toolTip().toStdString(),
                  "Carica lista elenchi");
        auto* filter = italia.findChild<QComboBox*>("cmbFiltroScarico");
        EXPECT_EQ(filter->itemText(0).toStdString(), "Solo le particelle da scaricare");
        EXPECT_EQ(filter->itemText(1).toStdString(), "Solo le particelle già scaricate");
        EXPECT_EQ(filter->itemText(2).toStdString(), "Numero Scarico");
        EXPECT_TRUE(italia.findChild<QLabel*>("Label4")->isHidden());
        EXPECT_TRUE(italia.findChild<QGroupBox*>("Frame1")->isHidden());
        filter->setCurrentIndex(kNumeroScarico);
        EXPECT_FALSE(italia.findChild<QGroupBox*>("Frame1")->isHidden());
        filter->setCurrentIndex(kDaScaricare);

        combo->setCurrentIndex(0);  // Controlli oggettivi Roma 2026
        for (const char* key : {"ITALIA", "P058", "CA062"})
            italia.Item(key)->setExpanded(true);
        const struct {
            const char* key;
            const char* text;
            int image;
        } nodes[] = {{"ITALIA", "Italia", 1},
                     {"P058", "Roma", 2},
                     {"CA062", "Affile", 3},
                     {"GA0620001", "1", 4}};
        for (const auto& n : nodes) {
            QTreeWidgetItem* item = italia.Item(n.key);
            ASSERT_NE(item, nullptr) << n.key;
            EXPECT_EQ(item->text(0).toStdString(), n.text);
            EXPECT_EQ(item->data(0, Qt::UserRole + 1).toInt(), n.image);
            EXPECT_EQ(item->icon(0).cacheKey(), TreeImage(n.image).cacheKey());
        }
        EXPECT_EQ(italia.Item("NOKA062"), nullptr);
        auto* tree = italia.findChild<QTreeWidget*>("TreeViewElenco");
        const QPoint at = tree->visualItemRect(italia.Item("GA0620001")).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, tree->viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &press);
        auto* fo = italia.findChild<QAction*>("FO");
        ASSERT_TRUE(fo->isEnabled());
        for (int i = 0; i < 3; ++i)
            fo->trigger();
        EXPECT_EQ(italia.findChild<QListWidget*>("listasel")->count(), 3);
        EXPECT_EQ(tree->currentItem(), italia.Item("GA0620004"));
        italia.findChild<QPushButton*>("cmdSelDone")->click();
        checked = true;
    });
    window.findChild<QPushButton*>("cmdSel")->click();
    ASSERT_TRUE(checked);
    EXPECT_TRUE(ItaliaWindow().isHidden());
    auto* lst = window.findChild<QListWidget*>("lstFatti");
    ASSERT_EQ(lst->count(), 3);
    EXPECT_EQ(lst->item(2)->text().toStdString(), "A0620003 Comune - Affile (RM) Foglio: 3");
    EXPECT_EQ(TextOf(window.findChild<QLabel*>("lblelenco")), "Controlli oggettivi Roma 2026");

    auto* descr = window.findChild<QLineEdit*>("txtDescr");
    for (const char* key : {"a", "|", "b"}) {
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, key);
        QApplication::sendEvent(descr, &typed);
    }
    window.findChild<QPushButton*>("cmdScarica")->click();
    EXPECT_EQ(server->WriteBatches(), (std::vector<size_t>{4}));
    EXPECT_EQ(descr->text().toStdString(), "a-b");
    EXPECT_EQ(port.messages,
              (std::vector<Message>{{"Scarico dati terminato!", vbInformation, "TERVPalm"}}));
    EXPECT_TRUE(window.findChild<QLabel*>("Label2")->isHidden());
    EXPECT_TRUE(window.findChild<QPushButton*>("cmdScarica")->isEnabled());
    EXPECT_TRUE(window.findChild<QProgressBar*>()->isHidden());
    // Three entries and the download: steps of five; then the download's and the build's own
    // steps, never past their end; then the bar is hidden.
    ASSERT_GT(port.seen.size(), 7u);
    const std::vector<std::pair<int, int>> first(port.seen.begin(), port.seen.begin() + 5);
    EXPECT_EQ(first, (std::vector<std::pair<int, int>>{{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}}));
    EXPECT_EQ(port.seen[5], (std::pair<int, int>{0, 10}));
    EXPECT_EQ(port.seen.back(), (std::pair<int, int>{-1, 1}));
    for (const auto& [value, max] : port.seen)
        EXPECT_LE(value, max);
    SetUiPort(&ui);
}

// The main menu's two export commands open the cancel list and the export window (a disabled
// command would open nothing).
TEST_P(ExportWindowTest, MainMenuOpensTheExportCommands) {
    frmMain main;
    auto* annulla = main.findChild<QAction*>("MNU_TRASF_ANNULLA_SCARICO");
    auto* dati = main.findChild<QAction*>("MNU_TRASF_DATI");
    ASSERT_TRUE(annulla && dati);
    annulla->trigger();
    ASSERT_EQ(ui.lists.size(), 1u);
    EXPECT_EQ(ui.lists[0].title, "Elenco scarichi");
    std::string opened;
    Later([&] {
        QWidget* modal = QApplication::activeModalWidget();
        opened = modal ? modal->objectName().toStdString() : "";
        if (modal)
            modal->close();
    });
    dati->trigger();
    EXPECT_EQ(opened, "frmTrasfPalm");
}

INSTANTIATE_TEST_SUITE_P(Modes, ExportWindowTest, ::testing::Values("plain"), ModeName);

}  // namespace
}  // namespace terv::test
