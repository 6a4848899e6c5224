#pragma once
// Between the configuration page's value lists and the serial link's
// blocks: a tab's schema rows as block descriptors, the values of a list in
// schema order (what a write puts into a block or a text command), and the
// values a local read brought back into the list.
//
// A list row with several values (a PGN,SPN pair, a CAN row of nine) holds
// them joined by commas; here each value is one schema row, so a value
// that itself holds a comma (a text parameter) does not shift the others.

#include <optional>
#include <string>
#include <vector>

#include "common/param_blocks.h"
#include "manager/logic/param_list.h"
#include "manager/logic/serial_blocks.h"

// The block places of the tab's schema rows, in schema order.
std::vector<ParamDescriptor> LocalDescriptors(int tab, int deviceType);

// The list's values in schema order (Latin-1, as they cross the cable).
SerialValues LocalValuesOf(const ParamList& list, int tab, int deviceType);

// One value per schema row into the list rows.
void LocalApplyValues(ParamList& list, int tab, int deviceType, const SerialValues& values);

// The answers of a Vimko-1 tab read, one per list row; rows that were not
// answered keep their values.
void LocalApplyRowValues(ParamList& list, int tab, int deviceType,
                         const std::vector<std::optional<std::string>>& rows);
