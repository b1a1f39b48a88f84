// SPDX-License-Identifier: Apache-2.0
// Currencies of the ECB euro reference rates since 1999 with their ISO 4217 numbers.
#include "ratefile.h"

#include <algorithm>

namespace tarvo::ratefile {

const std::vector<CurrencyInfo>& ecbCurrencies() {
    // Minor digits as ISO 4217 lists them; the rate file knows only two or none.
    static const std::vector<CurrencyInfo> table{
        {"AUD", "036", 2, false}, {"BGN", "975", 2, false}, {"BRL", "986", 2, false},
        {"CAD", "124", 2, false}, {"CHF", "756", 2, false}, {"CNY", "156", 2, false},
        {"CYP", "196", 2, true},  {"CZK", "203", 2, false}, {"DKK", "208", 2, false},
        {"EEK", "233", 2, true},  {"GBP", "826", 2, false}, {"GRD", "300", 2, true},
        {"HKD", "344", 2, false}, {"HRK", "191", 2, true},  {"HUF", "348", 2, false},
        {"IDR", "360", 2, false}, {"ILS", "376", 2, false}, {"INR", "356", 2, false},
        {"ISK", "352", 0, false}, {"JPY", "392", 0, false}, {"KRW", "410", 0, false},
        {"LTL", "440", 2, true},  {"LVL", "428", 2, true},  {"MTL", "470", 2, true},
        {"MXN", "484", 2, false}, {"MYR", "458", 2, false}, {"NOK", "578", 2, false},
        {"NZD", "554", 2, false}, {"PHP", "608", 2, false}, {"PLN", "985", 2, false},
        {"ROL", "642", 2, true},  {"RON", "946", 2, false}, {"RUB", "643", 2, true},
        {"SEK", "752", 2, false}, {"SGD", "702", 2, false}, {"SIT", "705", 2, true},
        {"SKK", "703", 2, true},  {"THB", "764", 2, false}, {"TRL", "792", 0, true},
        {"TRY", "949", 2, false}, {"USD", "840", 2, false}, {"ZAR", "710", 2, false},
    };
    return table;
}

std::optional<CurrencyInfo> findCurrency(std::string_view iso) {
    const auto& table = ecbCurrencies();
    auto it = std::find_if(table.begin(), table.end(),
                           [&](const CurrencyInfo& c) { return c.iso == iso; });
    if (it == table.end())
        return std::nullopt;
    return *it;
}

} // namespace tarvo::ratefile
