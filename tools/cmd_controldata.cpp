// SPDX-License-Identifier: Apache-2.0
// tarvo controldata: write the built-in control data as a file, show what the loader yields.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "commands.h"
#include "ctrlfile.h"
#include "output.h"

namespace tarvo::tool {

namespace {

std::string text(const char* p, std::size_t n) {
    std::string s(p, strnlen(p, n));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return s;
}

std::string shownDate(const char* d) {
    std::string s = text(d, 8);
    if (s.size() != 8 || s == "00000000")
        return s.size() == 8 ? "-" : (s.empty() ? "-" : s);
    return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2);
}

// The built-in control data as a file's bytes, written through a private temporary folder.
std::string builtinFileBytes(int32_t variant) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tarvo-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr)
        throw FileError(msg(Msg::CannotWrite, {tmpl, std::strerror(errno)}));
    const std::filesystem::path dir = tmpl;
    struct Remove {
        std::filesystem::path p;
        ~Remove() {
            std::error_code ec;
            std::filesystem::remove_all(p, ec);
        }
    } remove{dir};
    const std::string file = (dir / "TARVO.DAT").string();
    int32_t rc = CF_WriteBuiltinFile(variant, file.c_str());
    if (rc != CF_OK)
        throw FileError(msg(Msg::CannotWrite, {"-", CF_ResultText(rc)}));
    std::ifstream in(file, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return std::move(ss).str();
}

int runExport(const std::string& path, bool ebcdic, bool lf, bool json) {
    int32_t variant = ebcdic ? (lf ? CF_EBCDIC_NL : CF_EBCDIC) : (lf ? CF_ASCII_LF : CF_ASCII_CRLF);
    static const char* names[] = {"ASCII, CR LF", "ASCII, LF", "EBCDIC, CR LF", "EBCDIC, NL"};
    std::ostream& report = path == "-" ? std::cerr : std::cout;
    if (path == "-") {
        if (!writeStandardOutput(builtinFileBytes(variant)))
            return 1; // main reports the failed write
    } else {
        int32_t rc = CF_WriteBuiltinFile(variant, path.c_str());
        if (rc != CF_OK) {
            complain(msg(Msg::CannotWrite, {path, CF_ResultText(rc)}));
            return 1;
        }
    }
    if (json)
        report << JsonObject()
                      .str("command", "controldata export")
                      .str("output", path)
                      .str("variant", names[variant])
                      .done()
               << "\n";
    else
        report << msg(Msg::ExportWrote, {path, names[variant]}) << "\n";
    return 0;
}

int showJson(const ControlData& cd, const std::string& ref, const std::string& source) {
    const PS_EB& eb = cd.eb;
    const PS_Anwendung& a = eb.Anwendung;
    std::string list;
    const int32_t n =
        eb.WaehrAnzahl < 0 ? 0 : (eb.WaehrAnzahl > PS_WAEHR_MAX ? PS_WAEHR_MAX : eb.WaehrAnzahl);
    for (int32_t i = 0; i < n; ++i) {
        const PS_Waehrung& w = eb.Waehrung[i];
        std::string rate = text(w.FixKurs, 12);
        const bool hasRate = rate.size() == 12 && rate != "+00000000000";
        list += (i ? ", " : "") +
                JsonObject()
                    .str("currency", text(w.ISOCode, 4))
                    .strOrNull("fixed_rate", hasRate ? fieldToDecimal(w.FixKurs, 4, 7) : "")
                    .str("valid_from", shownDate(w.GueltigAb))
                    .str("valid_until", shownDate(w.GueltigBis))
                    .str("decimals", text(&w.Dezimalen, 1))
                    .str("unit_exponent", text(&w.EinheitExp, 1))
                    .str("circulation", text(&w.UmlaufKz, 1))
                    .done();
    }
    std::cout << JsonObject()
                     .str("command", "controldata show")
                     .num("code", cd.rc)
                     .str("text", returnText(cd.rc))
                     .str("source", source)
                     .str("version", text(eb.EB_Version, 3))
                     .str("reference_date", shownDate(ref.c_str()))
                     .str("base_currency", text(eb.BasisWaehrung, 4))
                     .str("home_currency", text(eb.HeimWaehrung, 4))
                     .str("application", text(a.Name, 8))
                     .str("changeover_begin", shownDate(a.UmstBeginn))
                     .str("changeover_end", shownDate(a.UmstEnde))
                     .str("switch_date", shownDate(a.Stichtag))
                     .raw("currencies", "[" + list + "]")
                     .done()
              << "\n";
    return 0;
}

int runShow(const std::string& date, bool json, const Context& ctx) {
    std::string ref = date.empty() ? today() : dateArg(date, "--date");
    ControlData cd = loadControlData(ctx.cdVersion, ctx.application, ref);
    if (!controlDataLoaded(cd.rc)) {
        complain(msg(Msg::ControlDataFailed, {describe(cd.rc)}));
        return 1;
    }
    const PS_EB& eb = cd.eb;
    const PS_Anwendung& a = eb.Anwendung;
    const char* file = FileName ? FileName : "";
    std::error_code ec;
    if (json)
        return showJson(
            cd, ref, *file && std::filesystem::exists(file, ec) ? file : std::string("built-in"));
    std::ostream& o = std::cout;
    if (*file && std::filesystem::exists(file, ec))
        o << msg(Msg::CdSource, {file}) << "\n";
    else
        o << msg(Msg::CdBuiltin, {*file ? file : "TARVO.DAT"}) << "\n";
    if (cd.rc == tarvo::rc::kDefaultEntryUsed)
        o << msg(Msg::CdNote, {describe(cd.rc)}) << "\n";
    o << msg(Msg::CdVersion, {text(eb.EB_Version, 3)}) << "\n"
      << msg(Msg::CdReference, {shownDate(ref.c_str())}) << "\n"
      << msg(Msg::CdBase, {text(eb.BasisWaehrung, 4)}) << "\n"
      << msg(Msg::CdHome, {text(eb.HeimWaehrung, 4)}) << "\n"
      << msg(Msg::CdQuotHome, {text(&eb.NotierungHeim, 1)}) << "\n"
      << msg(Msg::CdQuotEuro, {text(&eb.NotierungEuro, 1)}) << "\n"
      << msg(Msg::CdApplication, {text(a.Name, 8), text(&a.Modus, 1)}) << "\n"
      << msg(Msg::CdPeriods, {std::string(a.PeriodenKz, 10)}) << "\n"
      << msg(Msg::CdChangeover,
             {shownDate(a.UmstBeginn), shownDate(a.UmstEnde), shownDate(a.Stichtag)})
      << "\n"
      << msg(Msg::CdCount, {std::to_string(eb.WaehrAnzahl)}) << "\n"
      << msg(Msg::CdColumns) << "\n";
    int32_t n =
        eb.WaehrAnzahl < 0 ? 0 : (eb.WaehrAnzahl > PS_WAEHR_MAX ? PS_WAEHR_MAX : eb.WaehrAnzahl);
    for (int32_t i = 0; i < n; ++i) {
        const PS_Waehrung& w = eb.Waehrung[i];
        std::string rate = text(w.FixKurs, 12);
        std::string shown = rate.size() == 12 ? fieldToDecimal(w.FixKurs, 4, 7) : rate;
        if (rate == "+00000000000")
            shown = "-";
        char line[160];
        std::snprintf(line, sizeof line, "%-4s %-14s %-3s %-3s  %-11s %-11s %c   %c    %c\n",
                      text(w.ISOCode, 4).c_str(), shown.c_str(), text(w.CodeNr1, 4).c_str(),
                      text(w.CodeNr2, 4).c_str(), shownDate(w.GueltigAb).c_str(),
                      shownDate(w.GueltigBis).c_str(), w.Dezimalen ? w.Dezimalen : ' ',
                      w.EinheitExp ? w.EinheitExp : ' ', w.UmlaufKz ? w.UmlaufKz : ' ');
        std::cout << line;
    }
    return 0;
}

} // namespace

void addControlDataCommands(CLI::App& app, Context& ctx) {
    CLI::App* cd = app.add_subcommand("controldata", "Export and show control data");
    cd->require_subcommand(0, 1);
    {
        struct Export {
            std::string path;
            bool ebcdic = false, lf = false, json = false;
        };
        auto o = std::make_shared<Export>();
        CLI::App* cmd = cd->add_subcommand(
            "export", "Write the built-in control data as an editable control-data file");
        cmd->add_option("FILE", o->path, "File to write (atomically), - for standard output")
            ->required();
        cmd->add_flag("--json", o->json, "Print the summary as one JSON document");
        cmd->add_flag("--ebcdic", o->ebcdic, "Write EBCDIC, as a host system would");
        cmd->add_flag("--lf", o->lf, "Bare line ends (LF, or NL with --ebcdic)");
        cmd->callback(
            [o, &ctx] { ctx.run = [o] { return runExport(o->path, o->ebcdic, o->lf, o->json); }; });
    }
    {
        struct Show {
            std::string date;
            bool json = false;
        };
        auto o = std::make_shared<Show>();
        CLI::App* cmd = cd->add_subcommand(
            "show", "Show the control data PS_LesenTarvoDaten yields for a version, "
                    "application and reference date");
        cmd->add_option("--date", o->date, "Reference date (default: today)");
        cmd->add_flag("--json", o->json, "Print the control data as one JSON document");
        addDataOptions(*cmd, ctx);
        cmd->callback(
            [o, &ctx] { ctx.run = [o, &ctx] { return runShow(o->date, o->json, ctx); }; });
    }
}

} // namespace tarvo::tool
