// The structure of a local table: its fields and indexes, as CopyTableDef copies them.
#pragma once

#include <string>
#include <vector>

namespace terv {

struct FieldDef {
    std::string name;
    std::string type;  // Jet type as declared: "TEXT(16)", "LONG", "DOUBLE", "INTEGER" ...
    int size = 0;      // characters of a text field, bytes of a number field
};

struct IndexDef {
    std::string name;  // the Jet name ("PrimaryKey" for the primary index)
    std::vector<std::string> fields;
    bool unique = false;
    bool primary = false;
};

struct TableDef {
    std::string name;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
};

}  // namespace terv
