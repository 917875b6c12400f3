#include "list_text.h"

#include "escape_notation.h"
#include "velmor_strings.h"

std::string ListRowsToText(const std::vector<ListRow>& rows) {
    std::string text;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += Velmor_EncodeString(rows[i].first);
        text += '\t';
        text += Velmor_EncodeString(rows[i].second);
    }
    return text;
}

std::vector<ListRow> ListRowsFromText(std::string_view text) {
    std::vector<ListRow> rows;
    for (std::string& line : SplitAt(text, '\n')) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::size_t tab = line.find('\t');
        std::string first = line.substr(0, tab);
        std::string second = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        Velmor_DecodeString(first);
        Velmor_DecodeString(second);
        rows.emplace_back(std::move(first), std::move(second));
    }
    return rows;
}
