// SPDX-License-Identifier: Apache-2.0
// The exported return-code symbols: each of the 42 names points at its four-digit code text,
// in libconvkern and in libctrldata alike.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

namespace {

struct Expected {
    const char* symbol;
    const char* code;
};

// Written out here, not taken from the kernel's own table.
constexpr Expected kCodes[] = {
    {"Rc0000", "0000"},
    {"Rc00_SBVersFalsch", "0400"},
    {"Rc00_SBAbsFehlt", "0401"},
    {"Rc00_SBFktGrpFalsch", "0402"},
    {"Rc00_EingParamFalsch", "0403"},
    {"Rc01_FktEinzelFalsch", "0440"},
    {"Rc01_SBVersFalsch", "0441"},
    {"Rc01_EBVersFalsch", "0442"},
    {"Rc01_ProjNichtGef", "0443"},
    {"Rc01_SpeicherFehler", "0444"},
    {"Rc02_KursVorgIgnoriert", "0261"},
    {"Rc02_FktEinzelFalsch", "0460"},
    {"Rc02_SBVersFalsch", "0461"},
    {"Rc02_UnzulISOCodes", "0462"},
    {"Rc02_BetragUeberlauf", "0463"},
    {"Rc02_FalscherKurstyp", "0465"},
    {"Rc02_KursVorgVerboten", "0466"},
    {"Rc02_WaehrungGesperrt", "0467"},
    {"Rc02_KuDrKzVerschieden", "0468"},
    {"Rc02_KursNull", "0469"},
    {"Rc02_FalscherIndex", "0470"},
    {"Rc02_AusglMethFalsch", "0471"},
    {"Rc02_SummeFalsch", "0472"},
    {"Rc02_GlaettMethFalsch", "0473"},
    {"Rc02_GlaettWertFehlt", "0474"},
    {"Rc02_GlaettWertFalsch", "0475"},
    {"Rc03_FktEinzelFalsch", "0480"},
    {"Rc03_SBVersFalsch", "0481"},
    {"Rc03_FalscherISOCode", "0482"},
    {"Rc03_FalscheWhrgNr", "0483"},
    {"Rc03_ValNichtGefunden", "0484"},
    {"Rc03_KursNull", "0485"},
    {"Rc03_WaehrungGesperrt", "0487"},
    {"Rc03_DateiFehler", "0489"},
    {"Rc05_FktEinzelFalsch", "0520"},
    {"Rc05_SBVersFalsch", "0521"},
    {"Rc05_SBProzFalsch", "0522"},
    {"Rc05_BetragUeberlauf", "0523"},
    {"Rc05_RundungsArtFalsch", "0524"},
    {"Rc05_RundStelleFalsch", "0525"},
    {"Rc05_SBETagFalsch", "0526"},
    {"Rc05_SBGTagFalsch", "0527"},
};
static_assert(sizeof kCodes / sizeof kCodes[0] == 42);

class ExportedCodes : public ::testing::TestWithParam<const char*> {};

TEST_P(ExportedCodes, EverySymbolPointsAtItsCodeText) {
    void* lib = dlopen(GetParam(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const Expected& e : kCodes) {
        auto* symbol = static_cast<const char* const*>(dlsym(lib, e.symbol));
        ASSERT_NE(symbol, nullptr) << e.symbol;
        ASSERT_NE(*symbol, nullptr) << e.symbol;
        EXPECT_EQ(std::string(*symbol), e.code) << e.symbol;
    }
    dlclose(lib);
}

INSTANTIATE_TEST_SUITE_P(Libraries, ExportedCodes,
                         ::testing::Values(CONVKERN_LIBRARY_FILE, CTRLDATA_LIBRARY_FILE),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             return std::string(param.index == 0 ? "convkern" : "ctrldata");
                         });

} // namespace
