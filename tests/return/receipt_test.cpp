// The return receipt written from a transit database and read back by third-party readers.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "BarcodeRicevuta.h"
#include "ReceiptReadBack.h"
#include "Ricevuta.h"
#include "TestSupport.h"
#include "export/HandheldSchema.h"
#include "pdf/BmpReader.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "reference/GestTabelle.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ReceiptBarcodes;
using test::ReceiptPages;
using test::TempFolder;
using test::TempHome;

// Bar codes worked out by hand for reference province "015": "5", the province, ISTAT province
// and municipality, and the check digit (even places doubled, digit sums of products above 9).
constexpr const char* kMilano = "50150151467";  // F205: 5+0+1+1+0+2+5+2+4+3 = 23
constexpr const char* kRoma = "50150580913";    // H501: 5+0+1+1+0+1+8+0+9+2 = 27
constexpr const char* kNapoli = "50150630494";  // F839: 5+0+1+1+0+3+3+0+4+9 = 26
constexpr const char* kAci = "50150870058";     // A029: ... = 22

class ReceiptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        ResetGestTabelle();
        SetUiPort(&ui);
        gTervcli();
        gUserName = "ISPETTORE";
        db = CreateDatabase(gTmpPath + "/ricdb.mdb", dbLangGeneral);
        CreateComuneTables(0, &db);
    }
    void TearDown() override {
        db.Close();
        ReleaseTervcli();
        ResetGestTabelle();
        ResetProgramState();
        SetUiPort(nullptr);
    }

    void Sql(const std::string& sql) { db.Execute(sql, dbFailOnError); }
    // A parcel of export 7 surveyed on 5 June 2026 (flag "S") or left alone ("N").
    void Parcel(const std::string& id, const std::string& flag = "S") {
        Sql("INSERT INTO PART_DICH (ID_PART,COD_NAZIONALE,NUME_SCAR,FLAG_LAVO,DATA_LAV) VALUES('" +
            id + "','" + id.substr(0, 4) + "',7,'" + flag + "','20260605093000')");
    }
    void Uses(const std::string& id, int count) {
        for (int i = 1; i <= count; ++i)
            Sql("INSERT INTO UTIL_RILE (ID_PART,CODI_UTIL,STAT_COLT) VALUES('" + id + "','" +
                FormatZeros(i, 3) + "','01')");
    }

    std::vector<std::string> Barcodes(const std::string& pdf, size_t pages) {
        return ReceiptBarcodes(pdf, pages, gTmpPath);
    }
    // Every page carries the header, its page number, and the count on the last page only.
    void ExpectFrames(const std::vector<std::string>& pages) {
        const std::string count = std::to_string(pages.size());
        for (size_t i = 0; i < pages.size(); ++i) {
            const std::string& page = pages[i];
            EXPECT_NE(page.find(kRicIntestazione), std::string::npos) << i;
            EXPECT_NE(page.find("Codice scarico: 7"), std::string::npos) << page;
            EXPECT_NE(page.find("Utente: ISPETTORE"), std::string::npos) << page;
            EXPECT_NE(page.find("Particella Utilizzi rilevati Violazioni bcaa Fag rilevata Foto "
                                "scattate"),
                      std::string::npos)
                << page;
            EXPECT_NE(page.find("Firma: "), std::string::npos) << page;
            EXPECT_NE(page.find("pag. " + std::to_string(i + 1)), std::string::npos) << page;
            EXPECT_EQ(page.find("di " + count) != std::string::npos, i + 1 == pages.size()) << page;
        }
    }

    RecordingUiPort ui;
    Database db;
    TempHome home;
};

// The cases the receipts' bar codes do not show.
TEST(ReceiptBarcode, CheckDigitsWorkedOutByHand) {
    EXPECT_EQ(CifraControllo("5000000005"), 4);  // 5 + (5*2 -> 1) = 6
    EXPECT_EQ(CifraControllo("50A"), 5);         // letters count as 0
}

// The picture is drawn downwards from the header's top line to the column headers: its lowest
// sixth stays white so the bars never cover them.
TEST(ReceiptBarcode, BarsLeaveTheLowerEdgeOfThePictureWhite) {
    TempFolder folder;
    const std::string path = folder.path() + "/cb1.bmp";
    std::string error;
    ASSERT_EQ(ScriviBarcodeBmp(kMilano, path, error), 0) << error;
    BmpImage bmp;
    ASSERT_TRUE(DecodeBmp(ReadFileBytes(path), 1, bmp));
    const int bits = bmp.BitsPerPixel;
    const size_t stride = bits == 24 ? bmp.Width : (static_cast<size_t>(bmp.Width) * bits + 7) / 8;
    auto dark = [&](int x, int row) {  // row 0 is the bottom one
        const auto at = [&](size_t i) { return static_cast<unsigned char>(bmp.Samples[i]); };
        if (bits == 24)
            return at(row * stride + x) < 128;
        const size_t bit = static_cast<size_t>(x) * bits;
        const int index = (at(row * stride + bit / 8) >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
        return static_cast<unsigned char>(bmp.Palette[index]) < 128;
    };
    int lowestBar = -1;
    for (int row = 0; row < bmp.Height && lowestBar < 0; ++row)
        for (int x = 0; x < bmp.Width && lowestBar < 0; ++x)
            lowestBar = dark(x, row) ? row : -1;
    EXPECT_GE(lowestBar * 6, bmp.Height) << bmp.Width << "x" << bmp.Height;
}

// Four municipalities in four provinces: a page per group, each with its own bar code and the
// group lines (the rows of a parcel's results are read back by the rebuilt receipt's test).
TEST_F(ReceiptTest, GroupsRowsAndBarcodesReadBack) {
    for (const char* id : {"F205000100123_", "H501001204562AB", "F839000300010_", "A029014000077_"})
        Parcel(id);
    const std::string pdf = StampaRicevuta(7, "015", db);
    ASSERT_EQ(pdf, gAppPath + "/tmp/palmare/ricevuta7.pdf");

    const std::vector<std::string> pages = ReceiptPages(pdf);
    ASSERT_EQ(pages.size(), 4u);
    ExpectFrames(pages);
    const std::pair<size_t, const char*> rows[] = {{0, "Comune: Milano Foglio:1"},
                                                   {0, "123 (05/06/2026)"},
                                                   {1, "Comune: Roma Foglio:12"},
                                                   {1, "4562/AB (05/06/2026)"},
                                                   {2, "Comune: Napoli Foglio:3"},
                                                   {2, "10 (05/06/2026)"},
                                                   {3, "Comune: Aci Sant'Antonio Foglio:140"},
                                                   {3, "77 (05/06/2026)"}};
    for (const auto& [page, row] : rows)
        EXPECT_NE(pages[page].find(row), std::string::npos) << row << "\n" << pages[page];
    EXPECT_EQ(Barcodes(pdf, pages.size()),
              (std::vector<std::string>{kMilano, kRoma, kNapoli, kAci}));
}

// The 70th row of a page, and a row that would fall below 3.3 cm, start a new page with its header
// and the group's bar code.
TEST_F(ReceiptTest, FullPagesContinueOnANewPage) {
    struct Case {
        int parcels;
        int uses;  // of the first parcel
        const char* lastOnPage1;
        const char* firstOnPage2;
    };
    const Case cases[] = {
        {1, 75, "068 - 01", "069 - 01"},  // group line and 68 uses fill 69 rows
        {65, 1, "59 (05/06/2026)", "60 (05/06/2026)"},
    };
    for (const Case& c : cases) {
        Sql("DELETE FROM PART_DICH");
        Sql("DELETE FROM UTIL_RILE");
        for (int i = 1; i <= c.parcels; ++i)
            Parcel("F2050001" + FormatZeros(i, 5) + "_");
        Uses("F205000100001_", c.uses);
        const std::string pdf = StampaRicevuta(7, "015", db);
        ASSERT_FALSE(pdf.empty());
        const std::vector<std::string> pages = ReceiptPages(pdf);
        ASSERT_EQ(pages.size(), 2u);
        ExpectFrames(pages);
        EXPECT_NE(pages[0].find(c.lastOnPage1), std::string::npos) << pages[0];
        EXPECT_NE(pages[1].find(c.firstOnPage2), std::string::npos) << pages[1];
        EXPECT_EQ(pages[0].find(c.firstOnPage2), std::string::npos) << pages[0];
        EXPECT_EQ(Barcodes(pdf, 2), (std::vector<std::string>{kMilano, kMilano}));
    }
}

// No surveyed parcel: one page saying so. Later receipts of the same export take "_1", "_2";
// each is copied into the work folder, announced and opened.
TEST_F(ReceiptTest, EmptyReceiptAndFurtherCopies) {
    Parcel("F205000100001_", "N");
    for (const char* suffix : {"", "_1", "_2"}) {
        ui.Reset();
        const std::string pdf = StampaRicevuta(7, "015", db);
        EXPECT_EQ(pdf, gAppPath + "/tmp/palmare/ricevuta7" + suffix + ".pdf");
        EXPECT_EQ(ui.messages,
                  (std::vector<RecordingUiPort::Message>{
                      {"la ricevuta è stata generata:\r" + pdf, vbInformation, gAppTitle}}));
        EXPECT_EQ(ui.opened, std::vector<std::string>{pdf});
        const std::vector<std::string> pages = ReceiptPages(pdf);
        ASSERT_EQ(pages.size(), 1u);
        ExpectFrames(pages);
        EXPECT_NE(pages[0].find("Nessuna particella da stampare"), std::string::npos);
    }
    size_t copies = 0;
    for (const auto& entry : fs::directory_iterator(gTmpPath))
        copies += std::regex_match(entry.path().filename().string(), std::regex("[0-9]{14}\\.pdf"));
    EXPECT_GE(copies, 1u);
}

// With no province given and no server answering, the user is told and the receipt carries an
// empty province (and a bar code without it).
TEST_F(ReceiptTest, UnknownProvinceIsReportedAndLeftEmpty) {
    Parcel("F205000100001_");
    const std::string pdf = StampaRicevuta(7, "", db);
    ASSERT_FALSE(pdf.empty());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(std::find(ui.messages.begin(), ui.messages.end(),
                        RecordingUiPort::Message{kRicProvinciaIgnota, vbExclamation, gAppTitle}),
              ui.messages.end());
    EXPECT_EQ(Barcodes(pdf, 1), std::vector<std::string>{"50151468"});  // 5+0+1+1+1+8+6 = 22
}

}  // namespace
}  // namespace terv
