// The transfer to the device with the real device copy tool on a temporary device root: the
// questions, the size, the copies in caption order, the software update.
#include <zip.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include <filesystem>

#include "ExportFixture.h"
#include "FolderTree.h"
#include "QtTestSupport.h"
#include "data/db/Database.h"
#include "export/Trasferimento.h"
#include "export/frmTrasfPalm.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

class TransferTest : public ExportTest {
  protected:
    void SetUp() override {
        ExportTest::SetUp();
        device = home / "device";
        fs::create_directories(device);
        setenv("TERVPALM_DEVICE_ROOT", device.c_str(), 1);
        WriteWrapper("");
        fs::permissions(home / "RAPIFileCopy", fs::perms::owner_all);
        Database db = CreateDatabase(gTmpPath + "/palmdb.mdb", ";LANGID=0x0409;CP=1252;COUNTRY=0");
        db.Execute("CREATE TABLE PART_DICH (ID_PART TEXT(16), COD_NAZIONALE TEXT(4))");
        for (const char* row :
             {"('A08400010001_','A084')", "('A06200010001_','A062')", "('A06200010002_','A062')"})
            db.Execute(std::string("INSERT INTO PART_DICH VALUES ") + row);
        const std::string palmare = home / "tmp/palmare/";
        fs::create_directories(palmare);
        WriteFileBytes(palmare + "terv34bis_ppc.db", "main");
        for (const char* c : {"A062", "A084", "Z999"}) {
            fs::create_directories(palmare + c);
            for (const char* f :
                 {"default.orvex_project", "Fogli.orvex", "particelle.orvex", "db_comu.db",
                  "orvex.orvex_union", "Fogli.orvex_props", "particelle.orvex_props",
                  "orvex_0.orvex_jpeg", "orvex_1_0.orvex_jpeg", "leggimi.txt"})
                WriteFileBytes(palmare + c + "/" + f, f);
        }
    }
    void TearDown() override {
        unsetenv("TERVPALM_DEVICE_ROOT");
        ExportTest::TearDown();
    }
    // The tool through a wrapper that logs every command line, one per line, and its errors;
    // `before` runs first.
    void WriteWrapper(const std::string& before) {
        WrapCopyTool(RAPIFILECOPY, before, home / "err.txt");
    }
    std::vector<std::string> Runs() { return Split(ReadFileBytes(home / "runs.txt"), "\n"); }

    std::string device;
    TrasferimentoControls controls;
};

TEST_P(TransferTest, CopiesEveryGroupInCaptionOrderOntoTheChosenCard) {
    ui.msgAnswers = {vbYes, vbYes};
    controls.cmbmemoria = 0;  // the second card is chosen in the window's test below
    cmdTrasf_Click(trasf, controls);
    std::vector<std::string> expected = {"Scheda di memoria/orvex/terv34bis_ppc.db"};
    for (const char* c : {"A062", "A084"})
        for (const char* f :
             {"Fogli.orvex", "Fogli.orvex_props", "db_comu.db", "default.orvex_project",
              "orvex.orvex_union", "orvex_0.orvex_jpeg", "orvex_1_0.orvex_jpeg", "particelle.orvex",
              "particelle.orvex_props", "photo/leggimi.txt"})
            expected.push_back(std::string("Scheda di memoria/orvex/") + c + "/" + f);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Files(device), expected);
    std::vector<std::string> captions = {"Trasferimento Db Principale"};
    for (const char* c : {"A062", "A084"})
        for (const char* g :
             {"Trasferimento Project", "Trasferimento dati vettoriali",
              "Trasferimento Elenchi particelle", "Trasferimento Quadri unione",
              "Trasferimento file di proprietà", "Trasferimento Ortofoto", "Trasferimento utilità"})
            captions.push_back(std::string(g) + " [" + c + "]");
    EXPECT_EQ(ui.captions, captions);
    const std::string k = "\\Scheda di memoria\\";
    const std::string palmare = home / "tmp/palmare/";
    std::vector<std::string> runs = {"/d|/q|/s=65536|" + palmare + "terv34bis_ppc.db|" + k +
                                     "orvex\\|"};
    for (const char* c : {"A062", "A084"})
        for (const char* p : {"*.orvex_project", "*.orvex", "*.db", "*.orvex_union",
                              "*.orvex_props", "*.orvex_jpeg", "leggimi.txt"})
            runs.push_back("/d|/q|/s=65536|" + palmare + c + "/" + p + "|" + k + "orvex\\" + c +
                           "\\" + (std::string(p) == "leggimi.txt" ? "photo\\" : "") + "|");
    runs.push_back("");  // the log ends with a line end
    EXPECT_EQ(Runs(), runs);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].text,
              "Attenzione, assicurarsi di aver fatto rientrare gli eventuali dati già presenti "
              "sul palmare!\rPremere NO per terminare lo scarico.");
    EXPECT_EQ(ui.messages[0].style, vbYesNo + vbQuestion);
    EXPECT_EQ(ui.messages[1].text,
              "I dati preparati hanno una dimensione di 1 Mb\rConfermi la copia sul palmare?");
    EXPECT_EQ(ui.messages[2].text, "Invio dati terminato!");
    EXPECT_EQ(ui.messages[2].style, vbInformation);
    EXPECT_TRUE(trasf.cmdTrasfEnabled);
    EXPECT_FALSE(trasf.Label2Visible);
}

TEST_P(TransferTest, StopsBeforeCopyingOnNoOrWithoutACard) {
    ui.msgAnswers = {vbNo};
    controls.cmbmemoria = 0;
    cmdTrasf_Click(trasf, controls);
    EXPECT_EQ(ui.messages.size(), 1u);
    ui.Reset();
    ui.msgAnswers = {vbYes};
    controls.cmbmemoria = -1;
    cmdTrasf_Click(trasf, controls);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "Selezionare la scheda di memoria da utilizzare.");
    EXPECT_EQ(ui.messages[1].style, vbExclamation);
    EXPECT_EQ(controls.memoriaFocusRequests, 1);
    ui.Reset();
    ui.msgAnswers = {vbYes, vbNo};
    controls.cmbmemoria = 0;
    cmdTrasf_Click(trasf, controls);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_FALSE(fs::exists(home / "runs.txt"));
    EXPECT_EQ(Files(device), std::vector<std::string>{});
}

TEST_P(TransferTest, SizeInWholeMegabytesRoundedUp) {
    for (const auto& [extra, text] : {std::pair<long long, const char*>{0, "3"}, {1, "4"}}) {
        // 3 145 728 bytes in all: the main database takes what the other files leave.
        long long others = 0;
        for (const char* c : {"A062", "A084"})
            for (const auto& e : fs::directory_iterator(home / ("tmp/palmare/" + std::string(c))))
                if (e.path().filename() != "leggimi.txt")
                    others += static_cast<long long>(e.file_size());
        WriteFileBytes(home / "tmp/palmare/terv34bis_ppc.db",
                       std::string(static_cast<size_t>(3145728 - others + extra), 'x'));
        ui.Reset();
        ui.msgAnswers = {vbNo};
        EXPECT_FALSE(ConfirmSize());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, std::string("I dati preparati hanno una dimensione di ") +
                                           text + " Mb\rConfermi la copia sul palmare?");
    }
}

// The update is unpacked flat into aggpalm and copied first; a hostile entry lands nowhere
// and its refusal is shown as Unzip's number.
TEST_P(TransferTest, SoftwareUpdateUnpackedFlatAndCopiedFirst) {
    int error = 0;
    zip_t* zip = zip_open((home / "aggpalm.zip").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, data] : {std::pair<const char*, const char*>{"bin/Terv34.exe", "exe"},
                                     {"res/a.bmp", "bmp"},
                                     {"../../evil.txt", "x"}}) {
        zip_source_t* s = zip_source_buffer(zip, data, std::strlen(data), 0);
        ASSERT_GE(zip_file_add(zip, name, s, 0), 0);
    }
    ASSERT_EQ(zip_close(zip), 0);
    ui.msgAnswers = {vbYes, vbYes};
    controls.cmbmemoria = 1;
    controls.chkAggSW = true;
    cmdTrasf_Click(trasf, controls);
    EXPECT_EQ(Runs().size(), 1u + 1 + 2 * 7 + 1);
    EXPECT_EQ(ui.captions.front(), "Aggiornamento SW palmare");
    EXPECT_EQ(Files(gTmpPath + "/aggpalm"),
              (std::vector<std::string>{"Terv34.exe", "a.bmp", "leggimi.txt"}));
    EXPECT_EQ(Files(device + "/Scheda di memoria2/Terv34bis"),
              (std::vector<std::string>{"Terv34.exe", "a.bmp", "leggimi.txt"}));
    EXPECT_FALSE(fs::exists(gTmpPath + "/evil.txt"));
    EXPECT_FALSE(fs::exists(home / "tmp/evil.txt"));
    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[2].text, "1");
}

// The card taken out after four copies: the copies made before are whole, the later ones fail
// with a line each on the tool's standard error, and the transfer still ends as usual.
TEST_P(TransferTest, DeviceGoneMidTransferLeavesNoPartialFile) {
    WriteWrapper("[ \"$(wc -l <'" + (home / "runs.txt") + "' 2>/dev/null)\" = 4 ] && mv '" +
                 device + "' '" + device + ".gone'\n");
    ui.msgAnswers = {vbYes, vbYes};
    controls.cmbmemoria = 0;
    cmdTrasf_Click(trasf, controls);
    EXPECT_EQ(Runs().size(), 1u + 2 * 7 + 1);
    EXPECT_EQ(ui.messages.back().text, "Invio dati terminato!");
    const std::vector<std::string> copied = Files(device + ".gone");
    EXPECT_EQ(copied,
              (std::vector<std::string>{"Scheda di memoria/orvex/A062/Fogli.orvex",
                                        "Scheda di memoria/orvex/A062/db_comu.db",
                                        "Scheda di memoria/orvex/A062/default.orvex_project",
                                        "Scheda di memoria/orvex/A062/particelle.orvex",
                                        "Scheda di memoria/orvex/terv34bis_ppc.db"}));
    for (const std::string& f : copied)
        EXPECT_EQ(ReadFileBytes(device + ".gone/" + f),
                  f.ends_with("ppc.db") ? "main" : fs::path(f).filename().string());
    const std::vector<std::string> errors = TextLines(ReadFileBytes(home / "err.txt"));
    EXPECT_EQ(errors.size(), 11u);
    EXPECT_TRUE(errors.at(0).starts_with("RAPIFileCopy: device not connected: ")) << errors.at(0);
}

// The export window's frame: its controls, and "Invia dati al palmare" reading them.
TEST_P(TransferTest, WindowFrameHandsItsControlsToTheTransfer) {
    App();
    frmTrasfPalm window;
    auto* cmb = window.findChild<QComboBox*>("cmbmemoria");
    auto* chk = window.findChild<QCheckBox*>("chkAggSW");
    ASSERT_TRUE(cmb && chk);
    EXPECT_EQ(chk->text().toStdString(), "Aggiorna il software sul palmare");
    ASSERT_EQ(cmb->count(), 2);
    EXPECT_EQ(cmb->itemText(0).toStdString(), "Memoria principale (compact flash)");
    EXPECT_EQ(cmb->itemText(1).toStdString(), "Seconda memoria (SD)");
    EXPECT_EQ(cmb->currentIndex(), -1);
    ui.Reset();
    ui.msgAnswers = {vbYes};
    window.findChild<QPushButton*>("cmdTrasf")->click();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "Selezionare la scheda di memoria da utilizzare.");
    cmb->setCurrentIndex(1);
    ui.Reset();
    ui.msgAnswers = {vbYes, vbYes};
    window.findChild<QPushButton*>("cmdTrasf")->click();
    EXPECT_TRUE(fs::exists(device + "/Scheda di memoria2/orvex/terv34bis_ppc.db"));
    EXPECT_EQ(ui.messages.back().text, "Invio dati terminato!");
}

INSTANTIATE_TEST_SUITE_P(Modes, TransferTest, ::testing::Values("plain"), ModeName);

}  // namespace
}  // namespace terv::test
