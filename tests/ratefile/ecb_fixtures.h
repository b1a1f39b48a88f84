/* SPDX-License-Identifier: Apache-2.0 */
// The same reference rates written in the four ECB publication formats, for the tests.
#ifndef TARVO_TESTS_ECB_FIXTURES_H
#define TARVO_TESTS_ECB_FIXTURES_H

#include <string>
#include <vector>

namespace fixtures {

struct Day {
    std::string date;  // YYYY-MM-DD
    std::string label; // "17 May 2007", the daily CSV form
    // USD, JPY, IDR, CYP (retired 2008), GBP; "" where no rate was published
    std::vector<std::string> rates;
};

inline const std::vector<std::string>& currencies() {
    static const std::vector<std::string> c{"USD", "JPY", "IDR", "CYP", "GBP"};
    return c;
}

// Newest first, as the ECB publishes them.
inline const std::vector<Day>& days() {
    static const std::vector<Day> d{
        {"2007-05-17", "17 May 2007", {"1.3516", "163.95", "11893.45", "0.5826", "0.68140"}},
        {"2007-05-16", "16 May 2007", {"1.3524", "163.42", "11950.2", "", "0.68325"}},
        {"2007-05-14", "14 May 2007", {"1.3530", "162.10", "12011.06", "0.5831", "0.67990"}},
    };
    return d;
}

inline std::string xml(const std::vector<Day>& ds) {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<gesmes:Envelope xmlns:gesmes=\"http://www.gesmes.org/xml/2002-08-01\" "
                    "xmlns=\"http://www.ecb.int/vocabulary/2002-08-01/eurofxref\">\n"
                    "\t<gesmes:subject>Reference rates</gesmes:subject>\n"
                    "\t<gesmes:Sender>\n\t\t<gesmes:name>European Central Bank</gesmes:name>\n"
                    "\t</gesmes:Sender>\n\t<Cube>\n";
    for (const Day& d : ds) {
        s += "\t\t<Cube time='" + d.date + "'>\n";
        for (std::size_t i = 0; i < currencies().size(); ++i)
            if (!d.rates[i].empty())
                s += "\t\t\t<Cube currency='" + currencies()[i] + "' rate='" + d.rates[i] + "'/>\n";
        s += "\t\t</Cube>\n";
    }
    return s + "\t</Cube>\n</gesmes:Envelope>\n";
}

inline std::string dailyXml() {
    return xml({days().front()});
}
inline std::string histXml() {
    return xml(days());
}

inline std::string histCsv() {
    std::string s = "Date,";
    for (const auto& c : currencies())
        s += c + ",";
    s += "\n";
    for (const Day& d : days()) {
        s += d.date + ",";
        for (const auto& r : d.rates)
            s += (r.empty() ? std::string("N/A") : r) + ",";
        s += "\n";
    }
    return s;
}

// The daily CSV carries only the currencies published that day.
inline std::string dailyCsv() {
    const Day& d = days().front();
    std::string head = "Date", row = d.label;
    for (std::size_t i = 0; i < currencies().size(); ++i) {
        if (d.rates[i].empty())
            continue;
        head += ", " + currencies()[i];
        row += ", " + d.rates[i];
    }
    return head + ", \n" + row + ", \n";
}

} // namespace fixtures

#endif
