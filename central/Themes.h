// The theme list shared with the program (resources/themes.csv and theme_fields.csv): the
// server's table names by theme number and the fields the program expects in them.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace terv::central {

struct ThemeField {
    std::string name;
    int type = 10;  // 2 and 3 integer, 7 double, 10 text
};

struct Theme {
    int id = 0;
    std::string name;
    int type = 0;
    std::vector<ThemeField> fields;
};

class ThemeList {
  public:
    // Reads both files of `folder`. Returns false with a text in *error when a file is missing
    // or a line is malformed.
    bool Load(const std::string& folder, std::string* error);
    // The table name of theme `id`, or `fallback` when the list has no such theme.
    std::string Name(int id, const std::string& fallback) const;
    const std::map<int, Theme>& all() const { return themes_; }

  private:
    std::map<int, Theme> themes_;
};

// Theme numbers the server gives a meaning to.
enum ThemeId {
    kThemeDual = 0,
    kThemeCentroids = 1,
    kThemeMunicipalityCodes = 2,
    kThemeDeclaredUses = 3,
    kThemeExports = 4,
    kThemeParcelsToSurvey = 5,
    kThemeMunicipalities = 6,
    kThemeSheets = 7,
    kThemeParcelShapes = 8,
    kThemeRules = 9,
    kThemeReturnParcels = 10,
    kThemeReturnUses = 11,
    kThemeReturnRules = 12,
    kThemeReturnTrees = 13,
    kThemeReturnPhotos = 14,
    kThemeWorkLists = 15,
    kThemeParcels = 16,
    kThemeUses = 17,
    kThemeRuleResults = 18,
    kThemeTrees = 19,
    kThemePhotos = 20,
    kThemeRegionalCodes = 21,
    kThemeVarieties = 22,
    kThemeEligible = 23,
    kThemeInspectors = 24,
    kThemeSurveyParcels = 25,
    kThemeRoles = 26,
    kThemeExportLog = 27,
    kThemeProvinces = 28,
    kThemeRegions = 29,
    kThemeSectors = 30,
    kThemeVariables = 31,
    kThemeUsers = 32,
};

}  // namespace terv::central
