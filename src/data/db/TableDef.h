// The structure of a local table: its fields and indexes, as CopyTableDef copies them.
#pragma once

#include <string>
#include <vector>

namespace terv {

struct FieldDef {
    std::string name;
    std::string type;          // Jet type as declared: "TEXT(16)", "LONG", "DOUBLE", "COUNTER" ...
    int size = 0;              // characters of a text field, bytes of a number field
    bool required = false;     // NOT NULL
    std::string defaultValue;  // the default as an SQL literal; empty when none
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
