#include "stage/property_table.h"

#include <stdexcept>

namespace opal {

TPropertyTable::TPropertyTable(std::span<const TPropertyRow> rows) : Parent_(nullptr), Rows_(rows) { Enter(); }

TPropertyTable::TPropertyTable(const TPropertyTable& parent, std::span<const TPropertyRow> rows)
    : Parent_(&parent), Rows_(rows), ById_(parent.ById_) {
  Enter();
}

void TPropertyTable::Enter() {
  for (const TPropertyRow& row : Rows_) {
    // The row makers check their numbers at compile time; a row written by
    // hand with a bad number must not write outside the lookup.
    if (PropertyInfo(row.Id) == nullptr) throw std::invalid_argument("property row outside 0..162");
    ById_[static_cast<size_t>(row.Id)] = &row;
  }
}

}  // namespace opal
