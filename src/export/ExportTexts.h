// Fixed Italian texts of the export windows (frmTrasfPalm, frmItalia) and of the cancel-export
// command: captions, control texts and messages, typed once here.
#pragma once

namespace terv::texts {

// frmTrasfPalm
inline constexpr const char* kTrasfCaption = "Trasferisci al PALMARE";
inline constexpr const char* kFrameCodScarico = "Codice scarico";
inline constexpr const char* kLblDescr = "Descrizione:";
inline constexpr const char* kLblElencoTitle = "Elenco di lavorazione:";
inline constexpr const char* kLblFatti = "Comuni e fogli selezionati:";
inline constexpr const char* kLblQualita = "Qualità foto (100% massima qualità, 0% nessuna foto):";
inline constexpr const char* kDefaultQualita = "50";
inline constexpr const char* kCmdSel = "Seleziona provincia/comune/foglio";
inline constexpr const char* kCmdScarica = "Scarica dati";
inline constexpr const char* kCmdTrasf = "Invia dati al palmare";
inline constexpr const char* kCmdAnnulla = "Annulla scarico";
inline constexpr const char* kLabel2 = "Attendere prego...";
inline constexpr const char* kMsgDescrizione =
    "Inserire una descrizione dello scarico da effettuare.";
inline constexpr const char* kMsgTerminato = "Scarico dati terminato!";
inline constexpr const char* kCaptionAssegno = "Assegno codice scarico";
inline constexpr const char* kCaptionDownload = "Scarico dati dal server";
inline constexpr const char* kCaptionBuild = "Creazione database palmare";

// frmItalia
inline constexpr const char* kItaliaCaption = "Territorio";
inline constexpr const char* kLabel1 = "Elenco di lavorazione:";
inline constexpr const char* kCmdFillElenchi = "...";
inline constexpr const char* kCmdFillElenchiTip = "Carica lista elenchi";
inline constexpr const char* kLabelFiltro = "Filtro scarico:";
inline constexpr const char* kFiltroDaScaricare = "Solo le particelle da scaricare";
inline constexpr const char* kFiltroScaricate = "Solo le particelle già scaricate";
inline constexpr const char* kFiltroNumero = "Numero Scarico";
inline constexpr const char* kLabel4 = "Solo consultazione";
inline constexpr const char* kLabel5 = "Replica scarico";
inline constexpr const char* kLabel3 = "Codice scarico:";
inline constexpr const char* kCommand1 = "Filtra";
inline constexpr const char* kChkOnlyLav = "Filtra comuni/fogli non riportati a video";
inline constexpr const char* kToolCO = "Aggiungi comune";
inline constexpr const char* kToolFO = "Aggiungi foglio";
inline constexpr const char* kCmdSelDone = "Conferma selezione";
inline constexpr const char* kCommand2 = "Mostra tutti i mie scarichi";
inline constexpr const char* kNessunElenco = "Nessun elenco";
inline constexpr const char* kCampo = " (campo)";
inline constexpr const char* kItalia = "Italia";
inline constexpr const char* kNessunaProvincia = "Nessuna provincia da scaricare";
inline constexpr const char* kNessunComune = "Nessun comune";
inline constexpr const char* kNessunFoglio = "Nessun foglio";
inline constexpr const char* kMsgNonAbilitato = "Utente non abilitato su alcun elenco!";
inline constexpr const char* kMsgSelezionareElenco = "Selezionare un elenco di lavorazione!";
inline constexpr const char* kMsgFiltraComuni =
    "Per filtrare i comuni da scaricare, selezionare l'opzione 'Solo le particelle da scaricare'";
inline constexpr const char* kMsgFiltraFogli =
    "Per filtrare i fogli da scaricare, selezionare l'opzione 'Solo le particelle da scaricare'";
inline constexpr const char* kMsgElencoNonDisponibile =
    "Scarico effettuato da un elenco di lavorazione non disponibile per l'utente corrente!";
inline constexpr const char* kMsgSoloMaiScaricate =
    "E' possibile scaricare solo particelle mai scaricate o replicare uno scarico esistente!";

// The list of the operator's exports (selection window and cancel command).
inline constexpr const char* kListaScarichiTitle = "Elenco scarichi";
inline constexpr const char* kListaScarichiColumns = "NUMEROÞ30ÞDESCRIZIONEÞ180ÞDATAÞ120Þ";

// Cancel-export command
inline constexpr const char* kAskAnnulla = "Annullare lo scarico: ";

}  // namespace terv::texts
