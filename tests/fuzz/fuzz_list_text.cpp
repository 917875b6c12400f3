// Fuzz target: the text form of the replacement list. Rows come back
// exactly from their text; any text reads as rows whose text reads back as
// the same rows.
#include "fuzz_input.h"
#include "list_text.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    constexpr std::string_view kCells = "a\t\n\r\\x0A \xC3\xA4";
    std::vector<ListRow> rows;
    const std::size_t count = input.Below(6);
    for (std::size_t i = 0; i < count; ++i) {
        rows.emplace_back(input.Text(6, kCells), input.Text(6, kCells));
    }
    // Any rows without zero bytes (which the notation cannot carry) come back.
    FUZZ_CHECK(ListRowsFromText(ListRowsToText(rows)) == rows);

    const std::string text = input.Rest();
    const std::vector<ListRow> read = ListRowsFromText(text);
    bool zero = false;
    for (const ListRow& row : read) {
        zero = zero || row.first.find('\0') != std::string::npos ||
               row.second.find('\0') != std::string::npos;
    }
    if (!zero) {
        FUZZ_CHECK(ListRowsFromText(ListRowsToText(read)) == read);
    }
    return 0;
}
