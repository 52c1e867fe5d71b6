#include "FotoCampo.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "RientroDati.h"
#include "data/FileUtil.h"
#include "data/HandheldKey.h"
#include "data/TextUtil.h"
#include "data/db/Database.h"
#include "data/db/mdbUtil.h"
#include "platform/Cp1252.h"
#include "platform/FileSearch.h"
#include "platform/VbText.h"
#include "shell/base/modMain.h"

namespace terv {
namespace {

namespace fs = std::filesystem;

// A value placed inside an SQL literal: quotes doubled.
std::string Quoted(std::string_view text) {
    return Replace(text, "'", "''");
}

// Sign, digits, an optional fraction and exponent: the only coordinate text the insert takes as
// it stands, so that a damaged data file cannot change the statement.
bool IsPlainNumber(std::string_view t) {
    size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    size_t digits = 0;
    auto run = [&] {
        size_t n = 0;
        for (; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])); ++i)
            ++n;
        return n;
    };
    digits += run();
    if (i < t.size() && t[i] == '.') {
        ++i;
        digits += run();
    }
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '-' || t[i] == '+'))
            ++i;
        if (run() == 0)
            return false;
    }
    return i == t.size();
}

std::string Coordinate(const std::string& line) {
    const std::string t = Trim(line);
    return IsPlainNumber(t) ? t : "Null";
}

// The lines of a file as the handheld wrote them: ended by CR LF, LF or CR.
std::vector<std::string> Righe(const std::string& bytes) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += bytes[i];
        }
    }
    return lines;
}

// The file of `folder` named `name` without regard to letter case; "" when there is none.
std::string Trova(const std::string& folder, const std::string& name) {
    for (const FoundEntry& e : FindEntries(folder, name))
        if (!e.isFolder && EqualsNoCase(e.name, name))
            return folder + e.name;
    return "";
}

std::string Upload(const std::string& nuovo, const char* ext) {
    return gAppPath + "/tmp/fotoc/upload/" + nuovo + ext;
}

// Renames `from[i]` to `to[i]`, all or none. False with `error` set when a target exists or a
// rename fails (the ones made before are undone).
bool RinominaTutti(const std::vector<std::string>& from, const std::vector<std::string>& to,
                   std::string& error) {
    for (const std::string& target : to)
        if (fs::exists(target)) {
            error = target + ": il file esiste già";
            return false;
        }
    for (size_t i = 0; i < from.size(); ++i) {
        std::error_code ec;
        fs::rename(from[i], to[i], ec);
        if (ec) {
            error = from[i] + ": " + ec.message();
            while (i-- > 0)
                fs::rename(to[i], from[i], ec);
            return false;
        }
    }
    return true;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Insert(const DatiFoto& d, const std::string& nuovo, int fotoEff) {
    return "insert into FOTO_RILE(ID_PART,PROG_FOTO,FILENAME,DATA_LAV,COORDX,COORDY,ANGOLO,"
           "FOTOEFF)values('" +
           Quoted(d.idPart) + "'," + std::to_string(d.progFoto) + ",'" + Quoted(nuovo) + "','" +
           Quoted(d.dataLav) + "'," + d.coordX + "," + d.coordY + "," + d.angolo + "," +
           std::to_string(fotoEff) + ")";
}

bool GiaNota(Database& db, const DatiFoto& d) {
    return DbGetLong(db, "SELECT COUNT(*) FROM FOTO_RILE WHERE ID_PART='" + Quoted(d.idPart) +
                             "' AND PROG_FOTO=" + std::to_string(d.progFoto)) != 0;
}

// One data file; true when it became a row (the count of new names goes on).
bool ImportaUna(Database& db, const std::string& folder, const std::string& nome,
                const std::string& nuovoPrefisso, long n) {
    const std::string dat = folder + nome;
    if (FileSizeOf(dat) < 1)
        return false;
    DatiFoto d;
    const std::string base = StripExtension(nome);
    if (!LeggiNomeFoto(base, d)) {
        LogRientro(dat + ": nome del file dati foto non valido");
        return false;
    }
    LeggiRigheFoto(FileBytes(dat), d);
    if (GiaNota(db, d))
        return false;
    const std::string nuovo = Left(base, 4) + nuovoPrefisso + std::to_string(n);
    const std::string jpg = Trova(folder, base + ".jpg");
    const std::vector<std::string> from = {jpg, dat};
    const std::vector<std::string> to = {Upload(nuovo, ".jpg"), Upload(nuovo, ".DAT")};
    std::string error;
    if (!jpg.empty()) {
        MakePath(gAppPath + "/tmp/fotoc/upload/");
        if (!RinominaTutti(from, to, error)) {
            LogRientro(error);
            return false;
        }
    }
    try {
        db.Execute(Insert(d, nuovo, jpg.empty() ? 0 : 1), dbFailOnError);
    } catch (const DbError& e) {
        LogRientro(dat + ": " + e.what());
        if (!jpg.empty())
            RinominaTutti(to, from, error);
        return false;
    }
    if (jpg.empty())
        DeleteIfExists(dat);
    return true;
}

}  // namespace

bool LeggiNomeFoto(const std::string& base, DatiFoto& d) {
    const long len = static_cast<long>(Len(base));
    const std::string prog = Right(base, 3);
    if (len < 16 || prog.size() != 3 ||
        !std::all_of(prog.begin(), prog.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const std::string sub = Mid(base, 14, len - 16);
    d.idPart = Left(base, 13) + (sub.empty() ? "_" : sub);
    d.progFoto = CLng(prog);
    return true;
}

void LeggiRigheFoto(const std::string& bytes, DatiFoto& d) {
    std::vector<std::string> lines = Righe(bytes);
    lines.resize(std::max<size_t>(lines.size(), 4));
    for (std::string& line : lines)
        line = Cp1252ToUtf8(ScrambleText(kHandheldScrambleKey, line));
    d.dataLav = Left(lines[0], 14);
    d.coordX = Coordinate(lines[1]);
    d.coordY = Coordinate(lines[2]);
    // The column is a Long: a fractional angle is rounded as the database would round it.
    d.angolo = NumToText(CLng(Val(Trim(lines[3]))));
}

void ImportaFotoCampo(Database& db, const std::string& folder, int32_t numeroRientro) {
    if (!fs::is_directory(folder)) {
        LogRientro(folder + ": cartella delle foto mancante");
        return;
    }
    const std::string prefisso = std::to_string(numeroRientro) + "campo";
    long n = 1;
    for (const FoundEntry& e : FindEntries(folder, "*.dat"))
        if (!e.isFolder && ImportaUna(db, folder, e.name, prefisso, n))
            ++n;
}

}  // namespace terv
