// The upload of staged returns: every "*.mdb" waiting in gAppPath/tmp/palmare/toload/ (a transit
// database staged by the merge) is loaded into the server's return tables, one insert per local
// row, in five phases (PART_DICH, UTIL_RILE, NORME_RILE, FAG_RILE, FOTO_RILE). A row is marked
// (CARICATO = 1) only once the server holds it, so a later pass sends only what is still missing;
// the receipt is printed for each database whose reference province is known, and a staged file
// is deleted only after a pass with no failure. Runs at the end of a return and alone from
// "Chiudi scarichi precedenti".
//
// Rows travel in write batches of up to kRigheBatch inserts; the server stores the good inserts
// of a batch and names the refused ones. A row the server already holds (ORA-20001: an earlier
// pass was cut off between the server's commit and the marking) counts as stored.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Variant.h"

namespace terv {

// What the upload shows while it works; either callback may be empty. Each caption is followed
// by a repaint through the UI port.
struct CaricaUi {
    std::function<void(const std::string&)> caption;  // the window's progress label
    std::function<void(long, long)> progress;         // place in the table, its row count
};

// How a pair of the attribute string is sent.
enum class InvioCoppia {
    Sempre,     // always
    SeNonNull,  // only when the local value is not Null
    SeNonVuoto  // only when the local value is neither Null nor empty text
};

// One "name|value|" pair: the local field is the pair's name (field names ignore case).
struct CoppiaCarico {
    const char* nome;
    InvioCoppia invio = InvioCoppia::SeNonNull;
    bool trim = false;     // the value is stripped of blanks
    bool chiusura = true;  // the pair ends with "|" after its value
};

// A phase: the local table, the server table it is inserted into, the pairs in their order.
struct FaseCarico {
    const char* locale;
    const char* server;
    std::vector<CoppiaCarico> coppie;
};

// The five phases in their order.
const std::vector<FaseCarico>& FasiCarico();

// Inserts sent in one write batch.
inline constexpr size_t kRigheBatch = 100;
// Batches whose marks are committed together in the staged file (and at the end of each phase).
// A mark lost to a crash before its commit only makes the next pass send the row again, which
// the server answers with ORA-20001: stored.
inline constexpr int kBatchPerCommit = 50;

// The attribute string of one row of a phase; `campo(i)` gives the row's value of the field of
// pair i. A value holding "|" gets "/" in its place, so that it cannot shift the pairs after it.
std::string AttributiRiga(const FaseCarico& fase, const std::function<Variant(size_t)>& campo);

// Loads every staged database. Returns the number of staged databases that were not loaded
// completely and stay staged (0: all loaded and deleted, or none waiting). Nothing is shown one
// by one: a batch with refused rows counts once in gErrorCount and its refused writes go to the
// HTTP log, as does a staged file that cannot be read.
int32_t CaricaScarichi(const CaricaUi& ui = {});

// What "Chiudi scarichi precedenti" drives besides the progress label.
struct ChiudiUi {
    CaricaUi carica;
    std::function<void(bool)> label2;     // shows or hides "Attendere prego..."
    std::function<void()> avviaLoadfoto;  // starts the photo loader, not waiting
};

// "Chiudi scarichi precedenti": "Attendere prego..." and the busy pointer, the upload, the
// progress label cleared, the photo loader started, then the closing message. Returns the
// upload's count of databases left staged.
int32_t ChiudiScarichiPrecedenti(const ChiudiUi& ui);

// The closing message of a return: with errors (exclamation) when `failed` > 0, else the
// information that everything is on the server.
void MessaggioFineRecupero(int32_t failed);

}  // namespace terv
