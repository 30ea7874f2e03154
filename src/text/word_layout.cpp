// Break units, rows, pages and row arrangement.
#include "text/sk_word.h"

namespace opal {

void TSkWord::Layout(TWdPageList&, int32_t, int32_t) {}

}  // namespace opal
