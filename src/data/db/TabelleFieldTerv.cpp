#include "TabelleFieldTerv.h"

#include <iostream>

#include "mdbUtil.h"

namespace terv {

namespace {

struct Catalogue {
    std::vector<std::string> nomeTabella;
    std::vector<int32_t> tipoTema;
    std::vector<int32_t> numCampi;
    std::vector<std::string> campiTema;
    std::vector<std::vector<CampoTemaRecord>> campoTema;
    std::vector<long> skipped;
};

Catalogue& State() {
    static Catalogue c;
    return c;
}

bool InRange(long id, size_t size) {
    return id >= 0 && static_cast<size_t>(id) < size;
}

void LoadFields(Database& db, Catalogue& c, long id) {
    Recordset rs = db.OpenRecordset(
        "SELECT IDREF,NOMECAMPO,TIPODATI,FORMATO,'','','',VISIBILE FROM CAMPIGENERALI WHERE "
        "IDREF=" +
            std::to_string(id) + " ORDER BY IDREF,VISIBILE,ID",
        dbOpenForwardOnly);
    std::vector<CampoTemaRecord>& fields = c.campoTema[id];
    std::string campi;
    size_t count = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++count) {
        if (count >= fields.size())
            fields.resize(count + 5 + 1);
        CampoTemaRecord& f = fields[count];
        f.IdTema = rs.Field(0).AsLong();
        f.NomeCampo = rs.Field(1).AsText();
        f.TipoDati = rs.Field(2).AsLong();
        f.Formato = rs.Field(3).AsText();
        f.Visibile = static_cast<uint8_t>(rs.Field(7).AsLong());
        f.NonIntero = (f.TipoDati == 2 || f.TipoDati == 3) ? 0 : 1;
        if (f.Visibile < 2)
            campi += "," + f.NomeCampo;
    }
    c.numCampi[id] = static_cast<int32_t>(count);
    c.campiTema[id] = campi.empty() ? "" : campi.substr(1);
}

}  // namespace

void LoadTabelleFieldTerv(Database& db) {
    Catalogue c;
    long count = DbGetLong(db, "SELECT COUNT(*) FROM TEMATISMI");
    size_t size = static_cast<size_t>(count) + 1;
    c.nomeTabella.assign(size, "");
    c.tipoTema.assign(size, 0);
    c.numCampi.assign(size, 0);
    c.campiTema.assign(size, "");
    c.campoTema.assign(size, std::vector<CampoTemaRecord>(16));
    Recordset rs = db.OpenRecordset("SELECT ID,NOMETABELLA,TIPO FROM TEMATISMI ORDER BY ID",
                                    dbOpenForwardOnly);
    for (; !rs.Eof(); rs.MoveNext()) {
        long id = rs.Field(0).AsLong();
        if (!InRange(id, size)) {
            c.skipped.push_back(id);
            std::cerr << "TEMATISMI: theme ID " << id << " outside 0.." << count << " skipped ("
                      << rs.Field(1).AsText() << ")\n";
            continue;
        }
        c.nomeTabella[id] = rs.Field(1).AsText();
        c.tipoTema[id] = rs.Field(2).AsLong();
        LoadFields(db, c, id);
    }
    State() = std::move(c);
}

void ResetTabelleFieldTerv() {
    State() = Catalogue();
}

std::string NomeTabella(long id) {
    const Catalogue& c = State();
    return InRange(id, c.nomeTabella.size()) ? c.nomeTabella[id] : "";
}

int32_t TipoTema(long id) {
    const Catalogue& c = State();
    return InRange(id, c.tipoTema.size()) ? c.tipoTema[id] : 0;
}

int32_t NumCampi(long id) {
    const Catalogue& c = State();
    return InRange(id, c.numCampi.size()) ? c.numCampi[id] : 0;
}

std::string CampiTema(long id) {
    const Catalogue& c = State();
    return InRange(id, c.campiTema.size()) ? c.campiTema[id] : "";
}

CampoTemaRecord CampoTema(long id, long index) {
    const Catalogue& c = State();
    if (!InRange(id, c.campoTema.size()) || !InRange(index, c.campoTema[id].size()))
        return {};
    return c.campoTema[id][index];
}

long UpperTema() {
    return static_cast<long>(State().nomeTabella.size()) - 1;
}

const std::vector<long>& SkippedThemeIds() {
    return State().skipped;
}

}  // namespace terv
