// SPDX-License-Identifier: Apache-2.0
// Helpers of the control-data tests.
#include "support.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ctrltest {

PS_SB makeSb(const std::string& version, const std::string& app, const std::string& date) {
    PS_SB sb{};
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, "TARVON32", 8);
    std::memcpy(sb.EB_VERSION, version.data(), std::min<std::size_t>(version.size(), 2));
    std::memcpy(sb.ANWENDUNG, app.data(), std::min<std::size_t>(app.size(), 8));
    std::memcpy(sb.BEZUGSDATUM, date.data(), std::min<std::size_t>(date.size(), 8));
    return sb;
}

std::string field(const char* p, std::size_t n) {
    return std::string(p, n);
}

Load load(const std::string& version, const std::string& app, const std::string& date) {
    Load l;
    l.sb = makeSb(version, app, date);
    int32_t reserve = 0;
    l.rc = PS_LesenTarvoDaten(&l.sb, &reserve, &l.eb);
    return l;
}

namespace {
std::filesystem::path makeDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "ctrldata-test-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) {
        throw std::runtime_error("no scratch folder");
    }
    return templ;
}
} // namespace

ScratchFile::ScratchFile() : dir_(makeDir()), file_(dir_ / "TARVO.DAT") {
    setenv("TARVO_STEUDAT", file_.c_str(), 1);
}

ScratchFile::~ScratchFile() {
    unsetenv("TARVO_STEUDAT");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void ScratchFile::write(const std::vector<unsigned char>& bytes) const {
    std::ofstream out(file_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> ScratchFile::read() const {
    std::ifstream in(file_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

NoFile::NoFile() : dir_(makeDir()) {
    setenv("TARVO_STEUDAT", (dir_ / "absent.dat").c_str(), 1);
}

NoFile::~NoFile() {
    unsetenv("TARVO_STEUDAT");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::vector<TraceCall>& traceCalls() {
    static std::vector<TraceCall> calls;
    return calls;
}

PS_EB withoutCallTime(PS_EB eb) {
    std::memset(eb.AufrufDatumS0, 0, sizeof eb.AufrufDatumS0);
    std::memset(eb.AufrufDatum, 0, sizeof eb.AufrufDatum);
    std::memset(eb.AufrufZeit, 0, sizeof eb.AufrufZeit);
    eb.AufrufZeitstempel = 0;
    return eb;
}

} // namespace ctrltest

// Replaces the trace entry point of libdecarith for this program, so the tests can count
// the loader's trace calls.
extern "C" __attribute__((visibility("default"))) int32_t
WriteLog(const char* label, int32_t length, const void* data) {
    (void)data;
    ctrltest::traceCalls().push_back({std::string(label, 12), length});
    return 0;
}
