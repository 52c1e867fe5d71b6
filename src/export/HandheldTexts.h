// Fixed Italian texts of the download into the transit database and of the handheld build:
// step captions and the messages of the failures, typed once here.
#pragma once

#include <string>

namespace terv::texts {

inline constexpr const char* kCaptionCreoDb = "Creo db PALM";
inline constexpr const char* kCaptionIndici = "Creo indici db PALM";
inline constexpr const char* kCaptionListaComuni = "Carico lista comuni";
inline constexpr const char* kCaptionListaAgronomi = "Carico lista agronomi";

// The captions of a municipality's build, each followed by " [" + code + "]".
inline constexpr const char* kCaptionParticelle = "Elaboro elenco particelle";
inline constexpr const char* kCaptionUtilizziDich = "Elaboro uilizzi dichiarati";
inline constexpr const char* kCaptionNorme = "Elaboro norme";
inline constexpr const char* kCaptionCodiciRile = "Elaboro codici uilizzi rilevati";
inline constexpr const char* kCaptionUtilizziRile = "Elaboro uilizzi già rilevati";
inline constexpr const char* kCaptionFagRile = "Elaboro FAG già rilevati";
inline constexpr const char* kCaptionNormeRile = "Elaboro norme già rilevate";
inline constexpr const char* kCaptionGrafica = "Scarico grafica comune";

inline std::string ForComune(const char* caption, const std::string& code) {
    return std::string(caption) + " [" + code + "]";
}

// A step that failed: its caption, then the reason. The handheld files of the step are not left
// behind.
inline std::string MsgPassoFallito(const std::string& caption, const std::string& reason) {
    return "Scarico interrotto durante \"" + caption + "\":\r\n" + reason;
}
inline constexpr const char* kTitleScarico = "Scarico dati";

// Lines of the export's log for the rows a table of the handheld refused: one per row, then
// their number.
inline std::string LogRigaRifiutata(const std::string& db, const std::string& table,
                                    const std::string& reason, const std::string& values) {
    return db + ": " + table + ": riga non scritta (" + reason + "): " + values;
}
inline std::string LogRigheRifiutate(const std::string& db, long count) {
    return db + ": " + std::to_string(count) +
           (count == 1 ? " riga non scritta" : " righe non scritte");
}

}  // namespace terv::texts
