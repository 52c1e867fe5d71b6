#include "ScaricaGrafica.h"

#include <cmath>
#include <fstream>

#include "data/FileUtil.h"
#include "data/net/KovicliLib.h"
#include "platform/Cp1252.h"
#include "platform/UiPort.h"
#include "platform/VbText.h"
#include "shell/base/modMain.h"
#include "shell/config/clsTervcli.h"

namespace terv {
namespace {

// The selection of the exported sheets, shared by the extent and sheet requests: `alias` is
// the sheet table's name in the statement.
std::string ExportedSheets(const std::string& alias, const std::string& code,
                           const std::string& n) {
    return alias + ".cod_nazionale%3D%27" + code +
           "%27+and+%28select+1+from+tervplav+B+where+NUME_SCAR_PALM%3D" + n +
           "+and+rownum%3D1+and+B.COD_NAZIONALE%3D" + alias + ".COD_NAZIONALE+AND+B.FOGLiO%3D" +
           alias + ".FOGLiO+AND+B.LAST%3D1%29+%3D1";
}

std::string ExtentUrl(const std::string& code, const std::string& n) {
    return gTervcli().serverterv +
           "/Orvexservlet?function=select_extension&logid=0&table=tervfglc+A&shapefield=shape&"
           "wherecond=" +
           ExportedSheets("A", code, n);
}

std::string SheetsUrl(const std::string& code, const std::string& n) {
    return gTervcli().serverterv +
           "/Orvexservlet?function=select_displist_ext&logid=0&shapefield=shape&zipped=N&"
           "table=tervfglc&where=" +
           ExportedSheets("tervfglc", code, n) +
           "&attributes=se_row_id%2CCOD_NAZIONALE%2CFOGLIO%2CALLEGATO%2CSVILUPPO%2CDATA_CAT%"
           "2CTIPO%2CFILENAME%2CFILETYPE%2CSE_ROW_ID%2CISTATP%2CSCALA_ORIG%2CFLAG_STATO%"
           "2CTAVOLA&numofadditionalfields=13";
}

std::string ParcelsUrl(const std::string& code, const std::string& n) {
    return gTervcli().serverterv +
           "/Orvexservlet?function=select_displist_ext&logid=0&shapefield=shape&zipped=N&"
           "table=tervpart+A&where=A.cod_nazionale%3D%27" +
           code +
           "%27+and+A.data_fine_val%3Dto_date%28%2799991231000000%27%2C%27YYYYMMDDHH24MISS%27%"
           "29+AND+%28select+1+from+tervplav+B+where+NUME_SCAR_PALM%3D" +
           n +
           "+and+rownum%3D1+and+B.COD_NAZIONALE%3DA.COD_NAZIONALE+AND+B.FOGLiO%3DA.FOGLiO+AND+"
           "B.PARTICELLA%3DA.PARTICELLA+AND+B.SUB%3DA.SUB+AND+B.LAST%3D1%29+%3D1&attributes="
           "cod_nazionale+%7C%7C+Trim%28To_Char%28foglio%2C%270000%27%29%29+%7C%7C+particella+%"
           "7C%7C+Decode%28sub%2C%27+%27%2C%27_%27%2Csub%29&numofadditionalfields=0";
}

// The tile URL has no "/" between the server address and the servlet name.
std::string TileUrl(const std::string& q, long long x, long long y, long long p) {
    return gTervcli().serverterv + "Orvexservlet?function=select_jpg_union&logid=0&quality=0" + q +
           "&type=ECW&uniontable=tervfotq+A&wherecond=*&shapefield=shape&filenamefield=%28SELECT+"
           "PATH+FROM+tervfotf+B+WHERE+B.SUB_PATH+%3D+A.VOLO%29+%7C%7C+nome&width=" +
           std::to_string(kTilePixels) + "&x1=" + NumToText(x) +
           "&x2=" + NumToText(x + kTilePixels * p) + "&y1=" + NumToText(y) +
           "&y2=" + NumToText(y + kTilePixels * p);
}

bool Download(const std::string& url, const std::string& file) {
    return HttpDownloadFile(url, file, gUserName, gPassword) != 0;
}

std::string LayerList(bool photos) {
    std::string list = "\r\n";
    if (photos)
        list += "0|foto|orvex.orvex_union|0.0|0.0|0 0 0\r\n";
    return list +
           "3|Fogli|Fogli.orvex|0.0|0.0|0 0 255\r\n"
           "3|particelle|particelle.orvex|0.3|0.0|0 255 0\r\n";
}

std::string Folder(const std::string& code) {
    return gAppPath + "/tmp/palmare/" + code;
}

long long Rounded(const std::string& part) {
    return static_cast<long long>(std::floor(Val(part) + 0.5));
}

long long TilesAlong(long long from, long long to, long long size) {
    return to > from ? (to - from + size - 1) / size : 0;
}

void ShowTile(TrasfPalmState& form, long long i, long long total, const std::string& code) {
    const std::string caption = "Scarico foto di sfondo(" + std::to_string(i) + "/" +
                                std::to_string(total) + ") [" + code + "]";
    form.lblcurrop = caption;
    form.progressMax = static_cast<long>(total);
    form.progressValue = static_cast<long>(std::min(i, total));
    form.Changed();
    Ui().Progress(caption);
    Ui().ProgressValue(form.progressValue, form.progressMax);
    Ui().Repaint();
}

}  // namespace

bool StripHeader(const std::string& source, const std::string& destination,
                 const std::string& suffix) {
    std::ifstream in(source, std::ios::binary);
    std::ofstream out(destination, std::ios::binary | std::ios::trunc);
    char head[16];
    in.read(head, sizeof head);
    const std::string header(head, static_cast<size_t>(in.gcount()));
    if (header != kAnswerHeader) {
        MsgBox(kMsgErroreHeader + Cp1252ToUtf8(header), vbExclamation);
        return false;
    }
    char block[1024];
    while (in.read(block, sizeof block) || in.gcount() > 0)
        out.write(block, in.gcount());
    if (!suffix.empty())
        out << Utf8ToCp1252(suffix);
    return static_cast<bool>(out.flush());
}

void ScaricaFoto(TrasfPalmState& form, const std::vector<std::string>& parts,
                 const std::string& code) {
    auto part = [&](size_t i) { return i < parts.size() ? parts[i] : std::string(); };
    const long long x1 = Rounded(part(2)), y1 = Rounded(part(3));
    const long long x2 = Rounded(part(4)), y2 = Rounded(part(5));
    const long long total = TilesAlong(y1, y2, kTilePixels) * TilesAlong(x1, x2, kTilePixels) + 1;
    const std::string q = NumToText(Val(form.txtQualita) / 100);
    const std::string folder = Folder(code);
    std::string index;
    for (const auto& [p, prefix] : {std::pair<long long, std::string>{1, ""}, {16, "1_"}}) {
        long long i = 0, rows = 0, columns = 0;
        for (long long y = y1; y < y2; y += kTilePixels * p) {
            ++rows;
            columns = 0;
            for (long long x = x1; x < x2; x += kTilePixels * p) {
                ++columns;
                ShowTile(form, i, total, code);
                gTervcli().ClearTransito();
                Download(TileUrl(q, x, y, p),
                         folder + "/orvex_" + prefix + std::to_string(i) + ".orvex_jpeg");
                ++i;
            }
        }
        index += std::to_string(columns) + "|" + std::to_string(rows) + "|" + std::to_string(x1) +
                 "|" + std::to_string(y1) + "|1024|1024|" + std::to_string(p) + "\r\n";
    }
    WriteTextFile(folder + "/orvex.orvex_union", index, false);
}

void ScaricaGrafica(TrasfPalmState& form, const std::string& code) {
    clsTervcli& tervcli = gTervcli();
    const std::string& transit = tervcli.FileTempTransito;
    const std::string folder = Folder(code);
    const std::string& n = form.lblCodScarico;
    const bool photos = Val(form.txtQualita) != 0;
    tervcli.ClearTransito();
    if (!Download(ExtentUrl(code, n), transit))
        return;
    std::string last;
    ReadLastLine(transit, last);
    const std::vector<std::string> parts = Split(last, "|");
    StripHeader(transit, folder + "/default.orvex_project", LayerList(photos));
    WriteTextFile(folder + "/Fogli.orvex_props",
                  "se_row_id|COD_NAZIONALE|FOGLIO|ALLEGATO|SVILUPPO|DATA_CAT|TIPO|FILENAME|"
                  "FILETYPE|SE_ROW_ID|ISTATP|SCALA_ORIG|FLAG_STATO|TAVOLA",
                  false);
    WriteTextFile(folder + "/particelle.orvex_props", "ID", false);
    tervcli.ClearTransito();
    if (!Download(SheetsUrl(code, n), transit))
        return;
    StripHeader(transit, folder + "/Fogli.orvex", "");
    tervcli.ClearTransito();
    if (!photos)
        return;
    if (!Download(ParcelsUrl(code, n), transit))
        return;
    StripHeader(transit, folder + "/particelle.orvex", "");
    ScaricaFoto(form, parts, code);
}

}  // namespace terv
