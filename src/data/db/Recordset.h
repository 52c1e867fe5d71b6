// A recordset in the manner of DAO: the rows of a table, stored query or SELECT, one current row
// at a time.
//
// - dbOpenForwardOnly: read once from first to last, straight from the statement (the fastest).
// - dbOpenTable: a whole table, in index order once an index is chosen with SetIndex; Seek
//   finds the first row whose index fields match and MoveNext reads on in index order.
// - dbOpenDynaset: all rows read at open; moves in both directions; Edit/AddNew and Update
//   write the current row back when the source is a single table.
// - dbOpenSnapshot: as dynaset, read-only.
// Fields are found by name ignoring letter case; values are Variants, so Null stays apart from
// empty text. Errors throw DbError.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Variant.h"

namespace terv {

enum RecordsetType {
    dbOpenTable = 1,
    dbOpenDynaset = 2,
    dbOpenSnapshot = 4,
    dbOpenForwardOnly = 8
};

struct RecordsetImpl;

class Recordset {
  public:
    Recordset();
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool IsOpen() const;
    RecordsetType Type() const;
    // Past the last row (also true for an empty recordset).
    bool Eof() const;
    // Before the first row (an empty recordset, or MovePrevious from the first row).
    bool Bof() const;

    void MoveNext();
    // Back to the first row (forward-only and table recordsets run their statement again).
    void MoveFirst();
    // Dynaset and snapshot only.
    void MovePrevious();
    void MoveLast();

    // Dynaset/snapshot: all rows; table: rows of the table; forward-only: rows read so far.
    long RecordCount() const;
    // Zero-based place of the current row; -1 when there is none.
    long AbsolutePosition() const;

    int FieldCount() const;
    std::string FieldName(int index) const;
    bool HasField(std::string_view name) const;
    // Value of a field of the current row. DbError when there is no current row or no such field.
    Variant Field(std::string_view name) const;
    Variant Field(int index) const;

    // Starts changing the current row (Edit) or a new row (AddNew, all fields Null); SetField
    // changes the copy, Update writes it, CancelUpdate drops it. DbError on a read-only
    // recordset or when no change was started.
    void Edit();
    void AddNew();
    void SetField(std::string_view name, const Variant& value);
    void Update();
    void CancelUpdate();

    // Table recordsets: reads in the order of the named index ("PrimaryKey" for the primary
    // key). DbError when the table has no such index.
    void SetIndex(std::string_view name);
    const std::string& Index() const;
    // Table recordsets with an index: makes current the first row whose leading index fields
    // compare to `keys` by `op` ("=", ">=" or ">"), text without regard to case. NoMatch()
    // tells whether one was found; reading on follows the index order.
    void Seek(std::string_view op, const std::vector<Variant>& keys);
    bool NoMatch() const;

    void Close();

  private:
    friend class Database;
    explicit Recordset(std::unique_ptr<RecordsetImpl> impl);
    RecordsetImpl& Get() const;

    std::unique_ptr<RecordsetImpl> impl_;
};

}  // namespace terv
