// Tells ahead of the local database that a result value passes the checks of its field.
//
// A local table's fields carry checks of width and type. Adding a long answer row by row, the
// database spends much of its time on them; the table writer can instead run this test on each
// value and leave to the database's checks only the rows this test cannot vouch for. The test
// is strict: a value it lets through is one the field's checks take, after the column's own
// type conversion; anything it cannot be sure of (a real number bound for a short text field,
// a real number for a whole number field, a malformed text) is left to the database.
#pragma once

#include "RecordStream.h"
#include "data/db/JetSql.h"
#include "data/db/TableDef.h"

namespace terv::net {

class FieldPrecheck {
  public:
    explicit FieldPrecheck(const FieldDef& field);
    // True when `value`, bound for the field with its own type, certainly passes its checks.
    bool Passes(const WireValue& value) const;

  private:
    // How the column converts what is bound to it (its declared type's affinity).
    enum class Affinity { kText, kNumeric, kInteger, kReal, kBlob };
    bool TextFits(const WireValue& value) const;

    FieldCheck check_;
    Affinity affinity_;
};

}  // namespace terv::net
