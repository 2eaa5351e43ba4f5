// Protocol window lines from any bytes: each line the store keeps comes back exactly as it
// came in, and decoding the rows (frames, pairing, filters) never fails.
#include "WkFrameDecoder.h"
#include "WkLogRows.h"
#include "WkLogStore.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DecodeRequest({data, size});
    DecodeAnswer({data, size}, {data, size / 2});
    WkLogStore store;
    store.SetLineLimit(5);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        lines.emplace_back(text.substr(start, end - start));
        store.Append(lines.back(), static_cast<int>(lines.size() % 3));
        start = end + 1;
    }
    for (WkLogStore::LineId id = store.FirstId(); id < store.EndId(); ++id) {
        if (store.Text(id) != lines[id]) {
            std::abort();
        }
    }
    WkLogRows rows(store);
    WkLogFilter filter;
    filter.errorsOnly = true;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::uint64_t row = 0; row < rows.RowCount(); ++row) {
            rows.CsvLine(row);
            rows.PartnerRow(row);
        }
        rows.Find("0", std::nullopt, true);
        rows.SetFilter(filter);
    }
    return 0;
}
