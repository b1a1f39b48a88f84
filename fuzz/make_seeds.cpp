// SPDX-License-Identifier: Apache-2.0
// Writes the seed corpus of the fuzz harnesses: valid blocks, fields, files and texts.
//   make_seeds <fuzz/corpus>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "convkern.h"
#include "ctrldata.h"
#include "ctrlfile.h"
#include "ratefile.h"

namespace fs = std::filesystem;

namespace {

fs::path g_root;

void put(const std::string& harness, const std::string& name, const void* data, size_t n) {
    fs::create_directories(g_root / harness);
    std::ofstream out(g_root / harness / name, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
}
void put(const std::string& harness, const std::string& name, const std::string& s) {
    put(harness, name, s.data(), s.size());
}
template <class Block> void putBlock(const std::string& name, uint8_t sel, const Block& b) {
    std::string s(1, static_cast<char>(sel));
    s.append(reinterpret_cast<const char*>(&b), sizeof b);
    put("fuzz_kernel", name, s);
}

template <class Block> void head(Block& b) {
    std::memset(&b, 0, sizeof b);
    std::memcpy(b.SB_VERSION, "01", 2);
    std::memcpy(b.SENDER, "SEED    ", 8);
}
void set(char* field, const char* text) {
    std::memcpy(field, text, std::strlen(text));
}
void unit(unsigned char* le, int16_t v) {
    std::memcpy(le, &v, 2);
}

U1_SB u1(const char* e, const char* a, const char* amount, const char* date = "20010615") {
    U1_SB b;
    head(b);
    b.RATE_TYPE = 'M';
    set(b.ISO_CODE_E, e);
    set(b.ISO_CODE_A, a);
    b.RATE_PRINT_FLAG = 'N';
    set(b.BOOKING_DATE, date);
    set(b.AMOUNT_E, amount);
    return b;
}

void kernelSeeds() {
    // sel: low nibble = function, high nibble = control-data date (0 1998, 1 2001, 2 2002).
    putBlock("u1_dem_eur", 0x10, u1("DEM", "EUR", "+000000000010000"));
    putBlock("u1_eur_itl", 0x10, u1("EUR", "ITL", "+000000000010000"));
    putBlock("u1_eur_usd", 0x10, u1("EUR", "USD", "+000000000012345"));
    putBlock("u1_jpy_eur_neg", 0x10, u1("JPY", "EUR", "-000000001234567"));
    putBlock("u1_1998", 0x00, u1("FRF", "DEM", "+000000000010000", "19981231"));

    U2_SB u2;
    head(u2);
    set(u2.ISO_CODE_E, "EUR");
    set(u2.ISO_CODE_A, "CHF");
    set(u2.AMOUNT_E, "+000000000010000");
    set(u2.RATE, "+00015432100");
    unit(u2.RATE_UNIT, 1);
    u2.DEC_FLAG_A = 'J';
    u2.QUOTATION = 'M';
    putBlock("u2_eur_chf", 0x11, u2);
    set(u2.ISO_CODE_A, "DEM");
    putBlock("u2_eur_dem_fixed", 0x11, u2);
    set(u2.ISO_CODE_A, "HUF");
    unit(u2.RATE_UNIT, 100);
    u2.QUOTATION = 'P';
    putBlock("u2_eur_huf_p100", 0x11, u2);

    U3_SB u3;
    head(u3);
    u3.RATE_TYPE = 'M';
    set(u3.ISO_CODE_E, "DEM");
    set(u3.ISO_CODE_A, "FRF");
    u3.RATE_PRINT_FLAG_E = 'N';
    u3.RATE_PRINT_FLAG_A = 'N';
    set(u3.BOOKING_DATE, "20010615");
    set(u3.AMOUNT_E, "+000000000010000");
    putBlock("u3_dem_frf", 0x12, u3);
    set(u3.ISO_CODE_A, "USD");
    putBlock("u3_dem_usd", 0x12, u3);

    U4_SB u4;
    head(u4);
    set(u4.ISO_CODE_E, "CHF");
    set(u4.RATE_E, "+00015432100");
    unit(u4.RATE_UNIT_E, 1);
    set(u4.ISO_CODE_A, "JPY");
    set(u4.RATE_A, "+01072500000");
    unit(u4.RATE_UNIT_A, 1);
    set(u4.AMOUNT_E, "+000000000010000");
    u4.DEC_FLAG_A = 'N';
    u4.QUOTATION_E = 'M';
    u4.QUOTATION_A = 'M';
    putBlock("u4_chf_jpy", 0x13, u4);

    A1_SB a1;
    head(a1);
    a1.RATE_TYPE = 'M';
    set(a1.ISO_CODE_E, "DEM");
    set(a1.ISO_CODE_A, "EUR");
    a1.RATE_PRINT_FLAG = 'N';
    set(a1.BOOKING_DATE, "20010615");
    set(a1.AMOUNT_E, "+000000001000000");
    putBlock("a1_dem_eur", 0x14, a1);

    auto* b1 = new B1_SB;
    head(*b1);
    unit(b1->ITEM_COUNT, 3);
    b1->BALANCING_METHOD = '0';
    const char* amounts[] = {"+000000000000300", "+000000000000150", "+000000000000150"};
    for (int i = 0; i < 3; ++i) {
        b1->ITEMS[i].SB = u1("DEM", "EUR", amounts[i]);
    }
    putBlock("b1_three", 0x15, *b1);
    b1->BALANCING_METHOD = '2';
    putBlock("b1_three_m2", 0x15, *b1);
    delete b1;

    auto* g1 = new G1_SB;
    head(*g1);
    unit(g1->ITEM_COUNT, 2);
    set(g1->SMOOTHING_VALUE, "+000000000000100");
    unit(g1->SMOOTHING_EXPONENT, 1);
    g1->SMOOTHING_METHOD = 'G';
    g1->ITEMS[0].SB = u1("EUR", "DEM", "+000000000125000");
    g1->ITEMS[1].SB = u1("DEM", "EUR", "-000000000125600");
    putBlock("g1_two", 0x16, *g1);
    g1->SMOOTHING_METHOD = 'M';
    putBlock("g1_two_m", 0x16, *g1);
    delete g1;

    U5_ELEM e5[2];
    std::memset(e5, 0, sizeof e5);
    e5[0].SB = u1("DEM", "EUR", "+000000000010000");
    e5[1].SB = u1("EUR", "ATS", "+000000000099999");
    putBlock("u5_two", 0x17, e5);
}

void fieldSeeds() {
    const char* fields[] = {"+000000000010000",
                            "-000000000000004",
                            "+99999999999999999",
                            "+00019558300",
                            "+0000812",
                            "12.345",
                            "05.25",
                            " -7,5"};
    for (int f = 0; f < 11; ++f) {
        for (size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i) {
            std::string s(1, static_cast<char>(f));
            s += fields[i];
            put("fuzz_fields", "f" + std::to_string(f) + "_" + std::to_string(i), s);
        }
    }
}

void arithSeeds() {
    // op, scale a, digits a, digits..., sign, scale b, digits b, digits..., sign, d
    for (int op = 0; op < 10; ++op) {
        std::string s;
        s += static_cast<char>(op);
        s += '\x05';
        s += '\x06';
        s += std::string("\x01\x09\x05\x05\x08\x03", 6);
        s += '\x00';
        s += '\x02';
        s += '\x05';
        s += std::string("\x01\x00\x00\x00\x00", 5);
        s += '\x01';
        s += '\x02';
        put("fuzz_arith", "op" + std::to_string(op), s);
    }
}

void fileSeeds() {
    namespace rf = tarvo::ratefile;
    std::vector<rf::RateRecord> recs = {
        rf::makeRecord("USD", "20010601", "0.8765"), rf::makeRecord("USD", "19990104", "1.1789"),
        rf::makeRecord("JPY", "20010601", "107.25"), rf::makeRecord("IDR", "20010601", "9876.5")};
    std::string file = rf::encodeRateFile(recs, "20010601");
    put("fuzz_ratefile", "usd", std::string("\x00USD", 4) + file);
    put("fuzz_ratefile", "idr_by_number",
        std::string("\x04"
                    "360",
                    4) +
            file);
    put("fuzz_import", "ratefile", file);

    const std::string daily =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gesmes:Envelope "
        "xmlns:gesmes=\"http://www.gesmes.org/xml/2002-08-01\" "
        "xmlns=\"http://www.ecb.int/vocabulary/2002-08-01/eurofxref\">"
        "<gesmes:subject>Reference rates</gesmes:subject><Cube><Cube time=\"2001-06-15\">"
        "<Cube currency=\"USD\" rate=\"0.8521\"/><Cube currency=\"JPY\" rate=\"104.32\"/>"
        "<Cube currency=\"GRD\" rate=\"340.75\"/></Cube></Cube></gesmes:Envelope>\n";
    put("fuzz_import", "daily.xml", daily);
    put("fuzz_import", "hist.csv",
        "Date,USD,JPY,GRD,\n2001-06-15,0.8521,104.32,340.75,\n2001-06-14,0.8530,N/A,340.70,\n");
    put("fuzz_import", "daily.csv",
        "Date, USD, JPY, GRD, \n15 June 2001, 0.8521, 104.32, 340.75, \n");
}

void ctrlSeeds() {
    InitTarvoDaten();
    for (int32_t variant : {CF_ASCII_CRLF, CF_ASCII_LF, CF_EBCDIC, CF_EBCDIC_NL}) {
        size_t size = 0;
        CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, variant, nullptr, 0, &size);
        std::string bytes(size, '\0');
        if (CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, variant,
                            reinterpret_cast<unsigned char*>(bytes.data()), size, &size) != CF_OK) {
            continue;
        }
        for (uint8_t sel : {0x00, 0x15, 0x26}) {
            put("fuzz_ctrlfile", "v" + std::to_string(variant) + "_" + std::to_string(sel),
                std::string(1, static_cast<char>(sel)) + bytes);
        }
    }
}

void bridgeSeeds() {
    auto join = [](std::initializer_list<const char*> args) {
        std::string s;
        for (const char* a : args) {
            s += a;
            s += '\0';
        }
        return s;
    };
    put("fuzz_bridge", "u1",
        std::string("\x00\x42", 2) +
            join({"  ", "        ", "20010615", "M", "DEM", "EUR", "20010615", "100"}));
    put("fuzz_bridge", "u2",
        std::string("\x01\x42", 2) +
            join({"  ", "        ", "20010615", "EUR", "CHF", "12,5", "1,54321", "1", "M", "J"}));
    put("fuzz_bridge", "u3",
        std::string("\x02\x42", 2) +
            join({"  ", "        ", "20010615", "M", "DEM", "FRF", "20010615", "-0,004"}));
    put("fuzz_bridge", "u4",
        std::string("\x03\x42", 2) + join({"  ", "        ", "20010615", "CHF", "1,5432", "1", "M",
                                           "JPY", "107,25", "1", "M", "100", "N"}));
    put("fuzz_bridge", "version", std::string("\x04\x42", 2));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    g_root = argv[1];
    kernelSeeds();
    fieldSeeds();
    arithSeeds();
    fileSeeds();
    ctrlSeeds();
    bridgeSeeds();
    return 0;
}
