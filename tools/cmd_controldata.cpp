// tarvo controldata: write the built-in control data as a file, show what the loader yields.
#include <filesystem>
#include <iostream>
#include <memory>

#include "commands.h"
#include "ctrlfile.h"

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

int runExport(const std::string& path, bool ebcdic, bool lf) {
    int32_t variant = ebcdic ? (lf ? CF_EBCDIC_NL : CF_EBCDIC) : (lf ? CF_ASCII_LF : CF_ASCII_CRLF);
    int32_t rc = CF_WriteBuiltinFile(variant, path.c_str());
    if (rc != CF_OK) {
        std::cerr << "tarvo: cannot write " << path << ": " << CF_ResultText(rc) << "\n";
        return 1;
    }
    static const char* names[] = {"ASCII, CR LF", "ASCII, LF", "EBCDIC, CR LF", "EBCDIC, NL"};
    std::cout << "wrote " << path << " (built-in control data, " << names[variant] << ")\n";
    return 0;
}

int runShow(const std::string& date, const Context& ctx) {
    std::string ref = date.empty() ? today() : dateArg(date, "--date");
    ControlData cd = loadControlData(ctx.cdVersion, ctx.application, ref);
    if (!controlDataLoaded(cd.rc)) {
        std::cerr << "tarvo: control data: " << describe(cd.rc) << "\n";
        return 1;
    }
    const PS_EB& eb = cd.eb;
    const PS_Anwendung& a = eb.Anwendung;
    const char* file = FileName ? FileName : "";
    std::error_code ec;
    if (*file && std::filesystem::exists(file, ec))
        std::cout << "source               " << file << "\n";
    else
        std::cout << "source               built-in (no " << (*file ? file : "TARVO.DAT") << ")\n";
    if (cd.rc == tarvo::rc::kDefaultEntryUsed)
        std::cout << "note                 " << describe(cd.rc) << ": default entry used\n";
    std::cout << "version              " << text(eb.EB_Version, 3) << "\n"
              << "reference date       " << shownDate(ref.c_str()) << "\n"
              << "base currency        " << text(eb.BasisWaehrung, 4) << "\n"
              << "home currency        " << text(eb.HeimWaehrung, 4) << "\n"
              << "quotation home base  " << text(&eb.NotierungHeim, 1) << "\n"
              << "quotation euro base  " << text(&eb.NotierungEuro, 1) << "\n"
              << "application          \"" << text(a.Name, 8) << "\" mode " << text(&a.Modus, 1)
              << "\n"
              << "period flags         \"" << std::string(a.PeriodenKz, 10) << "\"\n"
              << "changeover           " << shownDate(a.UmstBeginn) << " to "
              << shownDate(a.UmstEnde) << ", switch date " << shownDate(a.Stichtag) << "\n"
              << "currencies           " << eb.WaehrAnzahl << "\n"
              << "ISO  fixed rate     codes    valid from  valid until dec unit circ\n";
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
    cd->require_subcommand(1, 1);
    {
        struct Export {
            std::string path;
            bool ebcdic = false, lf = false;
        };
        auto o = std::make_shared<Export>();
        CLI::App* cmd = cd->add_subcommand(
            "export", "Write the built-in control data as an editable control-data file");
        cmd->add_option("FILE", o->path, "File to write (atomically)")->required();
        cmd->add_flag("--ebcdic", o->ebcdic, "Write EBCDIC, as a host system would");
        cmd->add_flag("--lf", o->lf, "Bare line ends (LF, or NL with --ebcdic)");
        cmd->callback(
            [o, &ctx] { ctx.run = [o] { return runExport(o->path, o->ebcdic, o->lf); }; });
    }
    {
        auto date = std::make_shared<std::string>();
        CLI::App* cmd = cd->add_subcommand(
            "show", "Show the control data PS_LesenTarvoDaten yields for a version, "
                    "application and reference date");
        cmd->add_option("--date", *date, "Reference date (default: today)");
        addDataOptions(*cmd, ctx);
        cmd->callback([date, &ctx] { ctx.run = [date, &ctx] { return runShow(*date, ctx); }; });
    }
}

} // namespace tarvo::tool
