#pragma once
// The RS232 action the RS232 page builds when a library function is chosen in its start state:
// the function's line settings (those that name a list entry), format, end character and data
// as the data box shows it, port 1, sent once.
#include <string_view>

#include "Rs232Library.h"
#include "model/ActionTexts.h"

namespace qz {

Rs232Action Rs232ActionOfFunction(const CRS232LibFun& function, std::string_view libName);

} // namespace qz
