// The text form of a two-column list (the replacement list): one row a line
// (rows separated by LF), the two cells separated by TAB, each cell in escape
// notation. The program's list view and the profile code share it, so a
// profile saved by the program loads in the batch tool and the other way round.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using ListRow = std::pair<std::string, std::string>;

std::string ListRowsToText(const std::vector<ListRow>& rows);
// Reads the rows back. A line without TAB is a row whose second cell is
// empty; the empty text has no rows.
std::vector<ListRow> ListRowsFromText(std::string_view text);
