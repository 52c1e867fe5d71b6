// The receipt procedure and the receipt's page layout.
#include "Ricevuta.h"

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>

#include "BarcodeRicevuta.h"
#include "ProvinciaRif.h"
#include "data/TextUtil.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "reference/GestTabelle.h"
#include "shell/base/modMain.h"

namespace terv {
namespace fs = std::filesystem;

namespace {

constexpr std::array<double, 5> kColonneX = {2, 6, 10, 13, 16};
constexpr std::array<const char*, 5> kColonneTitoli = {
    "Particella", "Utilizzi rilevati", "Violazioni bcaa", "Fag rilevata", "Foto scattate"};
// Tree count columns of FAG_RILE and the species each one counts.
constexpr std::array<std::pair<const char*, const char*>, 7> kSpecie = {
    {{"nume_nocc", " NOCCIOLA"},
     {"nume_noce", " NOCE"},
     {"nume_mand", " MANDORLA"},
     {"nume_pist", " PISTACCHIO"},
     {"nume_carr", " CARRUBO"},
     {"nume_cast", " CASTAGNO"},
     {"nume_altr", " ALTRE"}}};
constexpr std::array<const char*, 4> kTabelleFiglie = {"UTIL_RILE", "NORME_RILE", "FAG_RILE",
                                                       "FOTO_RILE"};
// Rows of one page; the next row starts a new page.
constexpr int kRighePagina = 69;
// Lowest line height of a row before the footer.
constexpr double kFondoPagina = 3.3;

// Runs `fn` on every row of the table recordset (positioned by its ID_PART index) of the parcel.
template <typename Fn>
void PerOgniFiglio(Recordset& rs, const std::string& idPart, Fn fn) {
    rs.Seek("=", {Variant(idPart)});
    if (rs.NoMatch())
        return;
    for (; !rs.Eof() && EqualsNoCase(rs.Field("ID_PART").AsText(), idPart); rs.MoveNext())
        fn(rs);
}

Recordset ApriFiglio(Database& db, const std::string& table) {
    Recordset rs = db.OpenRecordset(table, dbOpenTable);
    rs.SetIndex(table + "_IP");
    return rs;
}

std::string Colonna(const std::vector<std::string>& lines, size_t row) {
    return row < lines.size() ? lines[row] : "";
}

// Parcel number without leading zeros, "/" and the sub-parcel when there is one, and the survey
// day: "12/3   (05/06/2026)".
std::string TestoParticella(const std::string& idPart, const std::string& dataLav) {
    return ParcelLabel(Mid(idPart, 9, 5), Replace(Mid(idPart, 14), "_", " ")) + "   (" +
           StampToDay(dataLav) + ")";
}

void CreaIndici(Database& db) {
    for (const char* table : kTabelleFiglie) {
        try {
            db.Execute(std::string("CREATE INDEX ") + table + "_IP ON " + table + "(ID_PART)");
        } catch (const DbError&) {
            // The index is there already from an earlier receipt of the same database.
        }
    }
}

std::string ProvinciaRicevuta(int32_t numeScar, std::string province, Database& db) {
    if (!province.empty() || numeScar < 1)
        return province;
    if (LeggiProvinciaRif(db, numeScar, province) == 0 || province.empty()) {
        MsgBox(kRicProvinciaIgnota, vbExclamation);
        province.clear();
    }
    return province;
}

// Prints every parcel of PART_DICH that was surveyed, a group line and bar code before each new
// municipality and sheet; the one row kRicNessuna when there is none.
void StampaParticelle(RicevutaPdf& ric, const std::string& province, Database& db) {
    LettoreParticelle lettore(db);
    Recordset parts =
        db.OpenRecordset("select * from PART_DICH where flag_lavo<>'N'", dbOpenForwardOnly);
    std::string gruppo;
    bool stampate = false;
    for (; !parts.Eof(); parts.MoveNext()) {
        const std::string id = parts.Field("ID_PART").AsText();
        if (!stampate || Left(id, 8) != gruppo) {
            gruppo = Left(id, 8);
            const std::string code = Left(id, 4);
            std::string error;
            if (!ric.NuovoGruppo(TestoBarcode(province, IstatProvincia(code), IstatComune(code)),
                                 error))
                MsgBox(kRicErrore + error, vbExclamation);
            ric.StampaRiga("Comune: " + NomeComune(code) +
                           "    Foglio:" + NumText(Variant(Mid(id, 5, 4))));
        }
        stampate = true;
        const ColonneParticella c = lettore.Leggi(id, parts.Field("DATA_LAV").AsText());
        for (size_t row = 0; row < c.Righe(); ++row)
            ric.StampaRiga(row == 0 ? c.particella : "", Colonna(c.utilizzi, row),
                           Colonna(c.violazioni, row), Colonna(c.fag, row), row == 0 ? c.foto : "");
    }
    if (!stampate)
        ric.StampaRiga(kRicNessuna);
}

}  // namespace

size_t ColonneParticella::Righe() const {
    return std::max<size_t>({1, utilizzi.size(), violazioni.size(), fag.size()});
}

std::string NomeRicevuta(const std::string& folder, int32_t numeScar) {
    const std::string base = folder + "/ricevuta" + std::to_string(numeScar);
    std::string name = base + ".pdf";
    for (int k = 1; fs::exists(name); ++k)
        name = base + "_" + std::to_string(k) + ".pdf";
    return name;
}

// ---- Page layout.

RicevutaPdf::RicevutaPdf(int32_t numeScar, std::string province)
    : numeScar_(numeScar), province_(std::move(province)) {}

void RicevutaPdf::Inizia(std::string fileName) {
    pdf_.Title(kRicTitolo);
    pdf_.ScaleMode(4);
    pdf_.PaperSize(0);
    pdf_.Margin(0);
    pdf_.Orientation(1);
    pdf_.EncodeASCII85(false);
    pdf_.InitPDFFile(fileName);
    pdf_.LoadFont("Fnt1", "Arial", 2);
    pdf_.LoadFont("Fnt2", "Arial", 1);
}

bool RicevutaPdf::NuovoGruppo(const std::string& text, std::string& error) {
    ChiudiPagina();
    // Pages share one resource dictionary, so every group's picture needs a name of its own.
    const std::string name = std::to_string(numeScar_) + "Img" + std::to_string(++gruppi_);
    const std::string bmp = gTmpPath + "/cb" + std::to_string(numeScar_) + ".bmp";
    immagine_.clear();
    if (ScriviBarcodeBmp(text, bmp, error) != 0)
        return false;
    if (!pdf_.LoadImgFromBMPFile(name, bmp, 0)) {
        error = bmp;
        return false;
    }
    immagine_ = name;
    return true;
}

void RicevutaPdf::StampaRiga(const std::string& c1, const std::string& c2, const std::string& c3,
                             const std::string& c4, const std::string& c5) {
    if (righe_ == 0) {
        ChiudiPagina();
        Y_ = 25.3;
        pdf_.StartPage();
        paginaAperta_ = true;
        Intestazione();
        Y_ = 25.2;
    }
    ++righe_;
    if (!c1.empty()) {
        Y_ -= 0.03;
        pdf_.MoveTo(2, Y_ - 0.07);
        pdf_.LineTo(19, Y_ - 0.07, 1);
        Y_ -= 0.05;
    }
    Y_ -= 0.29;
    if (LCase(Left(c1, 6)) == "comune") {
        pdf_.DrawText(10.5, Y_, c1, "Fnt2", 8, 3);
    } else {
        const std::array<const std::string*, 5> texts = {&c1, &c2, &c3, &c4, &c5};
        for (size_t i = 0; i < texts.size(); ++i)
            pdf_.DrawText(kColonneX[i], Y_, *texts[i], "Fnt2", 8);
    }
    // A full page gets its footer when the next row or the end comes, so that the last page can
    // still take the page count.
    if (Y_ < kFondoPagina || righe_ >= kRighePagina)
        righe_ = 0;
}

void RicevutaPdf::Chiudi() {
    if (paginaAperta_)
        pdf_.DrawText(18, 1.5, "di " + std::to_string(pdf_.Pages()), "Fnt2", 8, 2);
    ChiudiPagina();
    pdf_.ClosePDFFile();
}

void RicevutaPdf::ChiudiPagina() {
    if (!paginaAperta_)
        return;
    PiePagina();
    pdf_.EndPage();
    paginaAperta_ = false;
    righe_ = 0;
}

void RicevutaPdf::Intestazione() {
    pdf_.DrawText(2, 27, kRicIntestazione, "Fnt1", 12);
    pdf_.DrawText(2, 26.5, "Codice scarico: ", "Fnt2", 10);
    pdf_.DrawText(4.6, 26.5, std::to_string(numeScar_), "Fnt1", 10);
    pdf_.DrawText(5.5, 26.5, "Provincia riferimento: ", "Fnt2", 10);
    pdf_.DrawText(9, 26.5, province_, "Fnt1", 10);
    pdf_.DrawText(2, 26, "Utente: ", "Fnt2", 10);
    pdf_.DrawText(3.3, 26, gUserName, "Fnt1", 10);
    pdf_.DrawText(6, 26, "Data: ", "Fnt2", 10);
    pdf_.DrawText(7, 26, StampToDay(NowStamp()), "Fnt1", 10);
    if (!immagine_.empty())
        pdf_.DrawImg(immagine_, 10.3, 26.9, 8.8, 1.5);
    for (size_t i = 0; i < kColonneX.size(); ++i)
        pdf_.DrawText(kColonneX[i], 25.3, kColonneTitoli[i], "Fnt1", 10);
    pdf_.DrawText(17, 1.5, "pag. " + std::to_string(pdf_.Pages()), "Fnt2", 8, 2);
}

void RicevutaPdf::PiePagina() {
    pdf_.DrawText(2, 1.5, "Firma: ", "Fnt2", 10);
    pdf_.DrawText(8, 1.5, "Timbro: ", "Fnt2", 10);
    pdf_.Rectangle(4, 1.5, 3, 1, 1);
    pdf_.DrawCircle(10, 2, 0.5, 1);
    pdf_.MoveTo(2, 2.6);
    pdf_.LineTo(19, 2.6, 1);
}

// ---- Child rows of a parcel.

LettoreParticelle::LettoreParticelle(Database& db)
    : util_(ApriFiglio(db, "UTIL_RILE")),
      norme_(ApriFiglio(db, "NORME_RILE")),
      fag_(ApriFiglio(db, "FAG_RILE")),
      foto_(ApriFiglio(db, "FOTO_RILE")) {}

ColonneParticella LettoreParticelle::Leggi(const std::string& idPart, const std::string& dataLav) {
    ColonneParticella c;
    c.particella = TestoParticella(idPart, dataLav);
    PerOgniFiglio(util_, idPart, [&](Recordset& rs) {
        c.utilizzi.push_back(rs.Field("codi_util").AsText() + " - " +
                             rs.Field("stat_colt").AsText());
    });
    PerOgniFiglio(norme_, idPart,
                  [&](Recordset& rs) { c.violazioni.push_back(rs.Field("codi_norma").AsText()); });
    std::array<double, kSpecie.size()> totals{};
    PerOgniFiglio(fag_, idPart, [&](Recordset& rs) {
        for (size_t i = 0; i < kSpecie.size(); ++i)
            totals[i] += rs.Field(kSpecie[i].first).AsDouble();
    });
    for (size_t i = 0; i < kSpecie.size(); ++i) {
        if (totals[i] > 0)
            c.fag.push_back(NumText(Variant(totals[i])) + kSpecie[i].second);
    }
    long foto = 0;
    PerOgniFiglio(foto_, idPart,
                  [&](Recordset& rs) { foto += LongOrZero(rs.Field("FOTOEFF")) == 1; });
    if (foto > 0)
        c.foto = std::to_string(foto) + " FOTO";
    return c;
}

// ---- The procedure.

std::string StampaRicevuta(int32_t numeScar, std::string province, Database& db) {
    try {
        province = ProvinciaRicevuta(numeScar, std::move(province), db);
        CreaIndici(db);
        const std::string folder = gAppPath + "/tmp/palmare";
        fs::create_directories(folder);
        const std::string fileName = NomeRicevuta(folder, numeScar);
        fs::remove(fileName);
        RicevutaPdf ric(numeScar, province);
        ric.Inizia(fileName);
        StampaParticelle(ric, province, db);
        ric.Chiudi();
        fs::copy_file(fileName, gTmpPath + "/" + NowStamp() + ".pdf",
                      fs::copy_options::overwrite_existing);
        Ui().SetBusy(false);
        MsgBox(std::string(kRicGenerata) + "\r" + fileName, vbInformation);
        Ui().ShellOpen(fileName);
        return fileName;
    } catch (const std::exception& e) {
        Ui().SetBusy(false);
        MsgBox(kRicErrore + std::string(e.what()), vbExclamation);
        return "";
    }
}

}  // namespace terv
