// The map files of a municipality: against a real terv-central (layers, tile index, tiles a
// JPEG decoder opens), and against a recording servlet that checks every URL byte for byte and
// plays extents and bad answers.
#include <httplib.h>

#include <filesystem>
#include <thread>

#include "ExportFixture.h"
#include "FolderTree.h"
#include "OrvexGeometry.h"
#include "data/net/KovicliLib.h"
#include "export/ScaricaGrafica.h"

namespace terv::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLayers0 =
    "\r\n3|Fogli|Fogli.orvex|0.0|0.0|0 0 255\r\n3|particelle|particelle.orvex|0.3|0.0|0 255 0\r\n";
constexpr const char* kLayersFoto =
    "\r\n0|foto|orvex.orvex_union|0.0|0.0|0 0 0\r\n3|Fogli|Fogli.orvex|0.0|0.0|0 0 255\r\n"
    "3|particelle|particelle.orvex|0.3|0.0|0 255 0\r\n";
constexpr const char* kFogliProps =
    "se_row_id|COD_NAZIONALE|FOGLIO|ALLEGATO|SVILUPPO|DATA_CAT|TIPO|FILENAME|FILETYPE|SE_ROW_ID|"
    "ISTATP|SCALA_ORIG|FLAG_STATO|TAVOLA";

class MapsTest : public ExportTest {
  protected:
    void SetUp() override {
        ExportTest::SetUp();
        folder = home / ("tmp/palmare/" + std::string(kRomaA));
        fs::create_directories(folder);
        trasf.lblCodScarico = "950";
    }
    std::string File(const std::string& name) const { return ReadFileBytes(folder + "/" + name); }
    std::string folder;
};

TEST_P(MapsTest, LayersTileIndexAndTilesFromTheServer) {
    trasf.txtQualita = "50";
    ScaricaGrafica(trasf, kRomaA);
    const std::vector<std::string> shapes = Rows(
        "SELECT SHAPE FROM TERVFGLC A WHERE COD_NAZIONALE='A062' AND EXISTS (SELECT 1 FROM "
        "TERVPLAV B WHERE NUME_SCAR_PALM=950 AND LAST=1 AND B.COD_NAZIONALE=A.COD_NAZIONALE "
        "AND B.FOGLIO=A.FOGLIO)");
    ASSERT_FALSE(shapes.empty());
    central::Box b{0, 0, 0, 0, true};  // the box of the sheets that hold parcels of export 950
    for (const std::string& shape : shapes)
        central::Extend(b, central::BoxOf(central::ParseRings(shape)));
    const auto n = [](double v) { return NumToText(v); };
    EXPECT_EQ(File("default.orvex_project"),
              n(b.x1) + "|" + n(b.y1) + "|" + n(b.x2) + "|" + n(b.y2) + kLayersFoto);
    EXPECT_EQ(File("Fogli.orvex_props"), kFogliProps);
    EXPECT_EQ(File("particelle.orvex_props"), "ID");
    EXPECT_EQ(TextLines(File("Fogli.orvex"), "\r\n").size(), shapes.size());
    const std::vector<std::string> parcels = TextLines(File("particelle.orvex"), "\r\n");
    EXPECT_EQ(std::to_string(parcels.size()),
              Value("SELECT count(*) FROM TERVPART A WHERE COD_NAZIONALE='A062' AND EXISTS "
                    "(SELECT 1 FROM TERVPLAV B WHERE NUME_SCAR_PALM=950 AND LAST=1 AND "
                    "B.COD_NAZIONALE=A.COD_NAZIONALE AND B.FOGLIO=A.FOGLIO AND "
                    "B.PARTICELLA=A.PARTICELLA AND B.SUB=A.SUB)"));
    ASSERT_FALSE(parcels.empty());
    EXPECT_TRUE(parcels[0].starts_with("A0620")) << parcels[0];

    const long long cols = (static_cast<long long>(b.x2 - b.x1) + 1023) / 1024;
    const long long rows = (static_cast<long long>(b.y2 - b.y1) + 1023) / 1024;
    const std::string corner = n(std::floor(b.x1 + 0.5)) + "|" + n(std::floor(b.y1 + 0.5));
    EXPECT_EQ(File("orvex.orvex_union"), std::to_string(cols) + "|" + std::to_string(rows) + "|" +
                                             corner + "|1024|1024|1\r\n1|1|" + corner +
                                             "|1024|1024|16\r\n");
    std::string tiles;
    for (long long i = 0; i < cols * rows; ++i)
        tiles += " '" + folder + "/orvex_" + std::to_string(i) + ".orvex_jpeg'";
    tiles += " '" + folder + "/orvex_1_0.orvex_jpeg'";
    const std::string out = home / "identify.txt";
    ASSERT_EQ(std::system(("identify -format '%m %wx%h\\n'" + tiles + " >'" + out + "'").c_str()),
              0);
    std::string expected;
    for (long long i = 0; i <= cols * rows; ++i)
        expected += "JPEG 1024x1024\n";
    EXPECT_EQ(ReadFileBytes(out), expected);
    EXPECT_EQ(Files(folder).size(), 6u + cols * rows + 1);
    EXPECT_EQ(ui.captions.front(),
              "Scarico foto di sfondo(0/" + std::to_string(cols * rows + 1) + ") [A062]");
}

TEST_P(MapsTest, QualityZeroWritesNoParcelsAndNoPhotos) {
    trasf.txtQualita = "0";
    ScaricaGrafica(trasf, kRomaA);
    EXPECT_EQ(Files(folder),
              (std::vector<std::string>{"Fogli.orvex", "Fogli.orvex_props", "default.orvex_project",
                                        "particelle.orvex_props"}));
    EXPECT_TRUE(File("default.orvex_project").ends_with(kLayers0));
    EXPECT_FALSE(File("Fogli.orvex").empty());
    EXPECT_TRUE(ui.messages.empty());
}

// Requests the servlet cannot serve answer without the success header, so the map job shows
// them; a statement that would change data is refused too.
TEST_P(MapsTest, ServletRefusesBadRequestsWithoutTheHeader) {
    const std::string base = gTervcli().serverterv + "Orvexservlet?function=";
    const std::string out = home / "answer.txt";
    for (const std::string& request :
         {std::string("nope"),
          std::string("select_jpg_union&quality=0.5&width=1024&x1=5&x2=5&y1=0&y2=10"),
          std::string("select_jpg_union&quality=abc&width=1024&x1=0&x2=5&y1=0&y2=10"),
          std::string(
              "select_displist_ext&zipped=N&table=tervfglc&shapefield=shape&attributes=foglio&"
              "where=nonsense%28"),
          std::string("select_extension&table=tervfglc+A&shapefield=shape&wherecond=1%3D1%3Bdelete+"
                      "from+tervfglc")}) {
        SCOPED_TRACE(request);
        ASSERT_NE(HttpDownloadFile(base + request, out, gUserName, gPassword), 0);
        EXPECT_TRUE(ReadFileBytes(out).starts_with("TER_RETCODE:1|*|")) << ReadFileBytes(out);
    }
    EXPECT_NE(Value("SELECT count(*) FROM TERVFGLC"), "0");
}

// The mean brightness of an image file as ImageMagick reads it: 0 black, 1 white.
double Brightness(const std::string& image, const std::string& scratch) {
    const std::string command =
        "identify -format '%[fx:mean]' '" + image + "' >'" + scratch + "' 2>&1";
    return std::system(command.c_str()) == 0 ? std::stod(ReadFileBytes(scratch)) : -1;
}

// A tile shows the ground only inside the quadrants of the orthophoto index that its condition
// selects and whose image file lies in a flight's archive folder; elsewhere it is white.
TEST_P(MapsTest, TilesShowTheGroundOnlyInsideIndexedQuadrants) {
    const central::Box sheet = central::BoxOf(central::ParseRings(
        Value("SELECT SHAPE FROM TERVFGLC WHERE COD_NAZIONALE='A062' AND FOGLIO=1")));
    ASSERT_FALSE(sheet.empty);
    const std::string file =
        "%28SELECT+PATH+FROM+tervfotf+B+WHERE+B.SUB_PATH+%3D+A.VOLO%29+%7C%7C+nome";
    struct Case {
        const char* name;
        std::string wherecond, filenamefield;
        double x;
        bool ground;
    };
    const Case cases[] = {
        {"EveryQuadrant", "*", file, sheet.x1, true},
        {"TheDemoFlight", "A.VOLO%3D%27AGEA2025_058%27", file, sheet.x1, true},
        {"AnotherFlight", "A.VOLO%3D%27AGEA1999_058%27", file, sheet.x1, false},
        {"FileWithoutFolder", "*", "nome", sheet.x1, false},
        {"NoQuadrantThere", "*", file, 0, false},
    };
    const std::string tile = home / "tile.jpg";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string url =
            gTervcli().serverterv +
            "Orvexservlet?function=select_jpg_union&logid=0&quality=0.5&type=ECW&uniontable="
            "tervfotq+A&wherecond=" +
            c.wherecond + "&shapefield=shape&filenamefield=" + c.filenamefield +
            "&width=1024&x1=" + NumToText(c.x) + "&x2=" + NumToText(c.x + 1024) +
            "&y1=" + NumToText(sheet.y1) + "&y2=" + NumToText(sheet.y1 + 1024);
        ASSERT_NE(HttpDownloadFile(url, tile, gUserName, gPassword), 0);
        const double brightness = Brightness(tile, home / "mean.txt");
        if (c.ground)
            EXPECT_LT(brightness, 0.8);
        else
            EXPECT_EQ(brightness, 1.0);
    }
}

// A layer larger than the answer limit: refused with the limit's text while nothing was sent,
// cut off (the download fails) once lines went out; under the limit it streams whole.
TEST_P(MapsTest, LayerAnswersStayWithinTheServersLimit) {
    const std::string count = Value("SELECT count(*) FROM TERVPART");
    const std::string layer =
        "Orvexservlet?function=select_displist_ext&logid=0&shapefield=shape&zipped=N&table="
        "tervpart+A&where=1%3D1&attributes=cod_nazionale&numofadditionalfields=0";
    const std::string out = home / "layer.txt";
    struct Case {
        long long limit;
        bool downloaded;
        std::string answer;  // "" for the whole layer
    };
    const Case cases[] = {
        {1LL << 30, true, ""},
        {30000, true,
         "TER_RETCODE:1|*|ORA-04030: out of process memory: the answer exceeds the server's "
         "limit of 30000 bytes\r\n"},
        {100000, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        server->Stop();
        StartServer(0, c.limit);
        gTervcli().serverterv = "http://127.0.0.1:" + std::to_string(server->port()) + "/terv/";
        LogIn("DEMO", "demo");
        EXPECT_EQ(HttpDownloadFile(gTervcli().serverterv + layer, out, gUserName, gPassword) != 0,
                  c.downloaded);
        if (!c.downloaded)
            continue;
        const std::string answer = ReadFileBytes(out);
        if (!c.answer.empty()) {
            EXPECT_TRUE(answer == c.answer) << answer.substr(0, 300);
            continue;
        }
        ASSERT_TRUE(answer.starts_with(kAnswerHeader));
        const std::vector<std::string> lines = TextLines(answer.substr(16), "\r\n");
        EXPECT_EQ(std::to_string(lines.size()), count);
        EXPECT_GT(answer.size(), 100000u);
        EXPECT_TRUE(lines.back().starts_with("A") && lines.back().ends_with("))"));
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, MapsTest, ::testing::Values("plain", "sso"), ModeName);

// A servlet that records every request target and answers the extent it is given.
class RecordingServlet {
  public:
    explicit RecordingServlet(std::string extentAnswer) : extent_(std::move(extentAnswer)) {
        http_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            targets.push_back(req.target);
            const std::string f = req.get_param_value("function");
            if (f == "select_extension")
                res.set_content(extent_, "text/plain");
            else if (f == "select_displist_ext")
                res.set_content("TER_RETCODE:0|*|layer\r\n", "text/plain");
            else
                res.set_content("JPEG", "image/jpeg");
        });
        port = http_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { http_.listen_after_bind(); });
        while (!http_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~RecordingServlet() {
        KOVICLIDisconnect();  // the shared session would keep the connection open
        http_.stop();
        thread_.join();
    }
    std::vector<std::string> targets;
    int port = 0;

  private:
    std::string extent_;
    httplib::Server http_;
    std::thread thread_;
};

struct ExtentCase {
    const char* name;
    const char* answer;
    const char* unionIndex;
    int level1Tiles;
    int total;
    int x, y;  // the corner the tiles start from
};

class MapsExtentTest : public MapsTest {};

const ExtentCase kExtents[] = {
    {"ThreeByOne", "TER_RETCODE:0|*|0|0|3000|1000",
     "3|1|0|0|1024|1024|1\r\n1|1|0|0|1024|1024|16\r\n", 3, 4, 0, 0},
    {"WidthExactly2048", "TER_RETCODE:0|*|100|200|2148|1224",
     "2|1|100|200|1024|1024|1\r\n1|1|100|200|1024|1024|16\r\n", 2, 3, 100, 200},
    {"RoundedToWholeUnits", "x\r\nTER_RETCODE:0|*|10.4|20.6|1034.49|1044.5",
     "1|1|10|21|1024|1024|1\r\n1|1|10|21|1024|1024|16\r\n", 1, 2, 10, 21},
};

// The layers' and tiles' URLs byte for byte, the tile index and the tiles of each level.
TEST_P(MapsExtentTest, UrlsAndTileCountsByLevel) {
    const std::string tile =
        "/terv/Orvexservlet?function=select_jpg_union&logid=0&quality=0.5&type=ECW&uniontable="
        "tervfotq+A&wherecond=*&shapefield=shape&filenamefield=%28SELECT+PATH+FROM+tervfotf+B+"
        "WHERE+B.SUB_PATH+%3D+A.VOLO%29+%7C%7C+nome&width=1024";
    for (const ExtentCase& c : kExtents) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        fs::create_directories(folder);
        ui.Reset();
        RecordingServlet servlet(c.answer);
        gTervcli().serverterv = "http://127.0.0.1:" + std::to_string(servlet.port) + "/terv/";
        trasf.txtQualita = "50";
        ScaricaGrafica(trasf, kRomaA);
        EXPECT_EQ(File("orvex.orvex_union"), c.unionIndex);
        ASSERT_EQ(servlet.targets.size(), 3u + c.level1Tiles + 1);
        EXPECT_EQ(servlet.targets[0],
                  "/terv//Orvexservlet?function=select_extension&logid=0&table=tervfglc+A&"
                  "shapefield=shape&wherecond=A.cod_nazionale%3D%27A062%27+and+%28select+1+from+"
                  "tervplav+B+where+NUME_SCAR_PALM%3D950+and+rownum%3D1+and+B.COD_NAZIONALE%3DA."
                  "COD_NAZIONALE+AND+B.FOGLiO%3DA.FOGLiO+AND+B.LAST%3D1%29+%3D1");
        EXPECT_EQ(servlet.targets[1],
                  "/terv//Orvexservlet?function=select_displist_ext&logid=0&shapefield=shape&"
                  "zipped=N&table=tervfglc&where=tervfglc.cod_nazionale%3D%27A062%27+and+%28select+"
                  "1+from+tervplav+B+where+NUME_SCAR_PALM%3D950+and+rownum%3D1+and+B.COD_"
                  "NAZIONALE%3Dtervfglc.COD_NAZIONALE+AND+B.FOGLiO%3Dtervfglc.FOGLiO+AND+B.LAST%"
                  "3D1%29+%3D1&attributes=se_row_id%2CCOD_NAZIONALE%2CFOGLIO%2CALLEGATO%2CSVILUPPO%"
                  "2CDATA_CAT%2CTIPO%2CFILENAME%2CFILETYPE%2CSE_ROW_ID%2CISTATP%2CSCALA_ORIG%"
                  "2CFLAG_STATO%2CTAVOLA&numofadditionalfields=13");
        EXPECT_EQ(
            servlet.targets[2],
            "/terv//Orvexservlet?function=select_displist_ext&logid=0&shapefield=shape&zipped=N&"
            "table=tervpart+A&where=A.cod_nazionale%3D%27A062%27+and+A.data_fine_val%3Dto_date%"
            "28%2799991231000000%27%2C%27YYYYMMDDHH24MISS%27%29+AND+%28select+1+from+tervplav+B+"
            "where+NUME_SCAR_PALM%3D950+and+rownum%3D1+and+B.COD_NAZIONALE%3DA.COD_NAZIONALE+AND+"
            "B.FOGLiO%3DA.FOGLiO+AND+B.PARTICELLA%3DA.PARTICELLA+AND+B.SUB%3DA.SUB+AND+B.LAST%3D1%"
            "29+%3D1&attributes=cod_nazionale+%7C%7C+Trim%28To_Char%28foglio%2C%270000%27%29%29+%"
            "7C%7C+particella+%7C%7C+Decode%28sub%2C%27+%27%2C%27_%27%2Csub%29&"
            "numofadditionalfields=0");
        const auto box = [&](int x, int size) {
            return "&x1=" + std::to_string(x) + "&x2=" + std::to_string(x + size) +
                   "&y1=" + std::to_string(c.y) + "&y2=" + std::to_string(c.y + size);
        };
        std::vector<std::string> captions;
        for (int i = 0; i < c.level1Tiles; ++i) {
            EXPECT_EQ(servlet.targets[3 + i], tile + box(c.x + 1024 * i, 1024));
            EXPECT_EQ(File("orvex_" + std::to_string(i) + ".orvex_jpeg"), "JPEG");
            captions.push_back("Scarico foto di sfondo(" + std::to_string(i) + "/" +
                               std::to_string(c.total) + ") [A062]");
        }
        EXPECT_EQ(servlet.targets.back(), tile + box(c.x, 16384));
        captions.push_back("Scarico foto di sfondo(0/" + std::to_string(c.total) + ") [A062]");
        EXPECT_EQ(ui.captions, captions);
        EXPECT_EQ(File("orvex_1_0.orvex_jpeg"), "JPEG");
        EXPECT_FALSE(fs::exists(folder + "/orvex_1_1.orvex_jpeg"));
        EXPECT_EQ(ui.lastProgress, std::make_pair(0L, static_cast<long>(c.total)));
    }
}

TEST_P(MapsExtentTest, BadHeaderShowsItAndLeavesAnEmptyFile) {
    RecordingServlet servlet("ORA-00942: table|0|0|3000|1000");
    gTervcli().serverterv = "http://127.0.0.1:" + std::to_string(servlet.port) + "/terv/";
    trasf.txtQualita = "0";
    ScaricaGrafica(trasf, kRomaA);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Errore, ORA-00942: table");
    EXPECT_EQ(ui.messages[0].style, vbExclamation);
    EXPECT_TRUE(fs::exists(folder + "/default.orvex_project"));
    EXPECT_EQ(File("default.orvex_project"), "");
    EXPECT_EQ(File("Fogli.orvex"), "layer\r\n");
}

INSTANTIATE_TEST_SUITE_P(Modes, MapsExtentTest, ::testing::Values("plain"), ModeName);

}  // namespace
}  // namespace terv::test
