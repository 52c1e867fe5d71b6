// The receipt of a return ("ricevuta"): a PDF listing, parcel by parcel, what the inspector
// recorded on the handheld, grouped by municipality and sheet, each group under its bar code,
// with boxes for signature and stamp on every page.
//
// Written into gAppPath/tmp/palmare/ricevuta<n>.pdf (or the first free ricevuta<n>_<k>.pdf), copied
// to gTmpPath/<YYYYMMDDHHNNSS>.pdf, announced with a message and opened through the UI port.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/db/Database.h"
#include "pdf/clsPagemint.h"

namespace terv {

// Texts of the receipt.
inline constexpr const char* kRicTitolo = "Ricevuta Palmare";
inline constexpr const char* kRicIntestazione =
    "ZIVE-CONTROLLI REGIME P.U. 2005 - RIENTRO DATI PALMARE";
inline constexpr const char* kRicNessuna = "Nessuna particella da stampare";
inline constexpr const char* kRicProvinciaIgnota = "Provincia di riferimento non riconosciuta!";
inline constexpr const char* kRicGenerata = "la ricevuta è stata generata:";
inline constexpr const char* kRicErrore = "Errore nella generazione della ricevuta: ";

// The printed rows of one parcel: column 1 carries the parcel on the first row only, columns 2 to
// 5 one line each per recorded use, violation, tree species and the photo count.
struct ColonneParticella {
    std::string particella;
    std::vector<std::string> utilizzi;
    std::vector<std::string> violazioni;
    std::vector<std::string> fag;
    std::string foto;
    // The longest column, at least 1.
    size_t Righe() const;
};

// The page layout of a receipt: the row printer with its line height and page row count, page
// header and footer. Used by StampaRicevuta; a separate class so that each step stays small.
class RicevutaPdf {
  public:
    RicevutaPdf(int32_t numeScar, std::string province);

    // Starts the document in `fileName` with the page set-up and the two fonts.
    void Inizia(std::string fileName);
    // Closes an open page; draws the bar code of `text` (bitmap in gTmpPath) and loads it as the
    // picture the next page headers draw. False with `error` set when the bar code failed.
    bool NuovoGruppo(const std::string& text, std::string& error);
    // Prints one row of five columns; a column 1 starting with "comune" is a centred group line.
    void StampaRiga(const std::string& c1, const std::string& c2 = "", const std::string& c3 = "",
                    const std::string& c4 = "", const std::string& c5 = "");
    // "di " and the page count on the last page, its footer, and the file's end.
    void Chiudi();

  private:
    void ChiudiPagina();
    void Intestazione();
    void PiePagina();

    int32_t numeScar_;
    std::string province_;
    clsPagemint pdf_;
    std::string immagine_;  // picture of the current group; "" before the first group
    int gruppi_ = 0;
    double Y_ = 0;
    int righe_ = 0;
    bool paginaAperta_ = false;
};

// Reads a parcel's child rows (UTIL_RILE, NORME_RILE, FAG_RILE, FOTO_RILE) in the receipt's
// columns. The tables must carry the "<table>_IP" indexes on ID_PART.
class LettoreParticelle {
  public:
    explicit LettoreParticelle(Database& db);
    ColonneParticella Leggi(const std::string& idPart, const std::string& dataLav);

  private:
    Recordset util_, norme_, fag_, foto_;
};

// The receipt of export `numeScar` from the open transit database `db`. An empty province is
// asked of the server (export numbers from 1); when still unknown the user is told and the
// receipt carries none. Returns the receipt's path; "" when it could not be written (the user got
// a message naming the cause).
std::string StampaRicevuta(int32_t numeScar, std::string province, Database& db);

// The receipt file for an export: ricevuta<n>.pdf in `folder`, or ricevuta<n>_<k>.pdf with the
// first k from 1 whose file does not exist.
std::string NomeRicevuta(const std::string& folder, int32_t numeScar);

}  // namespace terv
