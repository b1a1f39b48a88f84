// SPDX-License-Identifier: Apache-2.0
// The tarvo program end to end: the built binary run with real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

#include "../ratefile/ecb_fixtures.h"
#include "atomic_file.h"
#include "convkern.h"
#include "ctrldata.h"
#include "messages.h"
#include "ratefile.h"
#include "returncode.h"

namespace fs = std::filesystem;
namespace rf = tarvo::ratefile;
namespace tool = tarvo::tool;

namespace {

struct Outcome {
    int rc;
    std::string out, err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void spit(const fs::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary) << s;
}

class Tarvo : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "tarvo-tool-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        rates_ = dir_ / "WAEHKURS.DAT";
        rf::writeRateFile(rates_, rf::importEcb(fixtures::histXml()));
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs tarvo in the test folder (no TARVO.DAT there: built-in control data).
    // `output` is the redirection of standard output, `env` assignments for the program.
    Outcome tarvo(const std::string& args, const std::string& input = "",
                  const std::string& output = "> .out", const std::string& env = "") const {
        fs::path out = dir_ / ".out", err = dir_ / ".err", in = dir_ / ".in";
        spit(in, input);
        spit(out, "");
        std::string cmd = "cd '" + dir_.string() +
                          "' && env -u TARVO_STEUDAT -u TARVO_WAEHKURS -u LC_ALL -u LC_MESSAGES "
                          "-u LANG " +
                          env + " '" + std::string(TARVO_EXE) + "' " + args + " < .in " + output +
                          " 2> .err";
        int status = std::system(cmd.c_str());
        Outcome r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
        fs::remove(out);
        fs::remove(err);
        fs::remove(in);
        return r;
    }

    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }

    fs::path dir_, rates_;
};

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(Tarvo, ConvertPrintsResultAndOutputFields) {
    struct Case {
        std::string args;
        int rc;
        std::vector<std::string> out; // parts of standard output (or error when rc != 0)
    } cases[] = {
        {"convert 100 DEM EUR --date 2001-01-01",
         0,
         {"51.13 EUR\n", "function             U1",
          "rate DEM             1.95583 (1.9558300 x 1), fixed euro rate",
          "rounding difference  -0.000812"}},
        {"convert 100 DEM FRF --date 2001-01-01",
         0,
         {"335.38 FRF\n", "U3 (through EUR)", "intermediate amount  51.129 EUR",
          "rate FRF             6.55957 (6.5595700 x 1), fixed euro rate"}},
        {"convert -100 DEM EUR --date 2001-01-01", 0, {"-51.13 EUR\n", "0.000812"}},
        {"convert 100 EUR USD --date 2007-05-15 --rate-file WAEHKURS.DAT",
         0,
         {"135.30 USD\n", // 15 May has no rates: the record of 14 May applies
          "1.353 (1.3530000 x 1), market rate, quotation M, rate of 2007-05-14, file date "
          "2007-05-17"}},
        {"convert 100 EUR IDR --date 2007-05-17 --rate-file WAEHKURS.DAT",
         0,
         {"1189345.00 IDR\n",
          "11893.45 (118.9345000 x 100), market rate, quotation M, rate of 2007-05-17"}},
        {"convert 100 EUR JPY --date 2007-05-17 --rate-file WAEHKURS.DAT",
         0,
         {"16395 JPY\n", "decimals             0"}},
        {"convert 100 EUR USD --rate-to 1.1 --date 2007-05-17", 0, {"110.00 USD\n", "U2"}},
        {"convert 100 USD JPY --rate-from 1.25 --rate-to 160 --date 2007-05-17",
         0,
         {"12800.00 JPY\n", "U4", "intermediate amount  80.000 EUR"}},
        {"convert 100 DEM EUR --rate-from 2 --date 2001-01-01",
         0,
         {"51.13 EUR\n", "warning              261"}},
        {"convert 100 DEM FRF --date 2001-01-01 --json",
         0,
         {"\"result\": \"335.38\"", "\"intermediate_amount\": \"51.129\"", "\"code\": 0"}},
        {"convert 100 EUR XYZ --rate-file WAEHKURS.DAT", 1, {"unknown currency XYZ"}},
        {"convert 100 EUR USD --date 2007-05-13 --rate-file WAEHKURS.DAT",
         1,
         {"485 No valid price found"}},
        {"convert 100 EUR USD --rate-file missing.dat", 1, {"489 Currency file not found"}},
        {"convert 100 EUR EUR", 1, {"462 Non-permissible ISO-Code combination"}},
    };
    for (const Case& c : cases) {
        Outcome r = tarvo(c.args);
        EXPECT_EQ(r.rc, c.rc) << c.args << "\n" << r.out << r.err;
        for (const auto& part : c.out)
            EXPECT_TRUE(has(c.rc == 0 ? r.out : r.err, part)) << c.args << ": " << part << "\n"
                                                              << r.out << r.err;
    }
}

TEST_F(Tarvo, UsageErrorsExitWithTwo) {
    for (const char* args :
         {"", "convert", "convert 100 DEM", "convert abc DEM EUR", "convert 1.234 DEM EUR",
          "convert 100 DEM EUR --date 2001-02-30", "convert 100 DEMX EUR",
          "convert 100 DEM EUR --rate-type Q", "convert 100 DEM EUR --bogus",
          "convert 100 EUR USD --rate-to 12345.6", "rates", "rates import x.xml",
          "smooth DEM EUR 1 --unit 5 --exponent 2", "frobnicate"}) {
        Outcome r = tarvo(args);
        EXPECT_EQ(r.rc, 2) << args << "\n" << r.out << r.err;
    }
    for (const char* args :
         {"--help", "convert --help", "batch --help", "balance --help", "smooth --help",
          "rates import --help", "rates show --help", "rates check --help",
          "controldata export --help", "controldata show --help"}) {
        Outcome r = tarvo(args);
        EXPECT_EQ(r.rc, 0) << args;
        EXPECT_TRUE(has(r.out, "Usage")) << args;
    }
}

TEST_F(Tarvo, ConvertGivesWhatTheKernelGives) {
    ::setenv("TARVO_WAEHKURS", rates_.c_str(), 1);
    PS_SB ps{};
    PS_EB eb{};
    int32_t aux = 0;
    std::memcpy(ps.SB_VERSION, "01", 2);
    std::memcpy(ps.SENDER, "TESTS   ", 8);
    std::memcpy(ps.EB_VERSION, "  ", 2);
    std::memcpy(ps.ANWENDUNG, "        ", 8);
    std::memcpy(ps.BEZUGSDATUM, "20070516", 8);
    ASSERT_EQ(PS_LesenTarvoDaten(&ps, &aux, &eb), 0);

    U1_SB u1{};
    std::memcpy(u1.SB_VERSION, "01", 2);
    std::memcpy(u1.SENDER, "TESTS   ", 8);
    u1.RATE_TYPE = 'M';
    std::memcpy(u1.ISO_CODE_E, "GBP", 3);
    std::memcpy(u1.ISO_CODE_A, "EUR", 3);
    u1.RATE_PRINT_FLAG = 'N';
    std::memcpy(u1.BOOKING_DATE, "20070516", 8);
    std::memcpy(u1.AMOUNT_E, "+000000001234567", 16);
    ASSERT_EQ(U1_UmrFwaehrBwaehr(&u1, &eb, &aux), 0);
    ::unsetenv("TARVO_WAEHKURS");
    std::string kernel(u1.AMOUNT_A_13_2, 16); // "+000000001807..."
    Outcome r = tarvo("convert 12345.67 GBP EUR --date 2007-05-16 --rate-file WAEHKURS.DAT --json");
    ASSERT_EQ(r.rc, 0) << r.err;
    // 12345.67 / 0.68325 = 18069.0377..., the kernel's own text decides.
    std::string digits = kernel.substr(1, 13);
    digits.erase(0, digits.find_first_not_of('0'));
    EXPECT_TRUE(has(r.out, "\"result\": \"" + digits + "." + kernel.substr(14, 2) + "\""))
        << kernel << " " << r.out;

    U2_SB u2{};
    std::memcpy(u2.SB_VERSION, "01", 2);
    std::memcpy(u2.SENDER, "TESTS   ", 8);
    std::memcpy(u2.ISO_CODE_E, "EUR", 3);
    std::memcpy(u2.ISO_CODE_A, "CHF", 3);
    std::memcpy(u2.AMOUNT_E, "+000000000099999", 16);
    std::memcpy(u2.RATE, "+00016543210", 12);
    u2.RATE_UNIT[0] = 1;
    u2.DEC_FLAG_A = '2';
    u2.QUOTATION = 'M';
    ASSERT_EQ(U2_UmrFwaehrBwaehrKv(&u2, &eb, &aux), 0);
    Outcome g = tarvo("convert 999.99 EUR CHF --rate-to 1.654321 --date 2007-05-16 --json");
    ASSERT_EQ(g.rc, 0) << g.err;
    std::string k2(u2.AMOUNT_A_13_2, 16);
    std::string d2 = k2.substr(1, 13);
    d2.erase(0, d2.find_first_not_of('0'));
    EXPECT_TRUE(has(g.out, "\"result\": \"" + d2 + "." + k2.substr(14, 2) + "\"")) << k2 << g.out;
}

TEST_F(Tarvo, BatchStreamsRowsAndReportsBadLines) {
    std::string input = "amount,from,to,date\n"
                        "100,DEM,EUR,2001-01-01\n"
                        "100,DEM,FRF,2001-01-01\n"
                        "\n"
                        "1.234,DEM,EUR\n"
                        "100,DEM\n"
                        "100,EUR,USD,20070515\n"
                        "100,EUR,XYZ,20070515\n"
                        "-250.5,ATS,EUR,2001-01-01\n"
                        "100,EUR,USD,2007-02-30\n";
    spit(dir_ / "in.csv", input);
    Outcome r = tarvo("batch in.csv -o out.csv --rate-file WAEHKURS.DAT --no-progress");
    EXPECT_EQ(r.rc, 1) << r.err;
    EXPECT_TRUE(has(r.err, "4 converted, 4 failed")) << r.err;
    std::istringstream out(slurp(dir_ / "out.csv"));
    std::vector<std::string> lines;
    for (std::string l; std::getline(out, l);)
        lines.push_back(l);
    std::vector<std::string> expect{
        "line,amount,from,to,date,result,code,message",
        "2,100,DEM,EUR,20010101,51.13,0,",
        "3,100,DEM,FRF,20010101,335.38,0,",
        "5,1.234,DEM,EUR,20070517,,input,amount \"1.234\" is not a number with at most 13 "
        "integer digits and 2 decimals",
        "6,100,DEM,,", // and today's date
        "7,100,EUR,USD,20070515,135.30,0,",
        "8,100,EUR,XYZ,20070515,,482,ISO-Code not found in the currency file",
        "9,-250.5,ATS,EUR,20010101,-18.20,0,",
        "10,100,EUR,USD,2007-02-30,,input,\"date \"\"2007-02-30\"\" is not a valid date\"",
    };
    // Lines without a date take --date, today by default: compare the rest.
    ASSERT_EQ(lines.size(), expect.size()) << slurp(dir_ / "out.csv");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 3) {
            EXPECT_TRUE(has(lines[i], ",,input,\"amount \"\"1.234\"\" is not")) << lines[i];
            continue;
        }
        if (i == 4) {
            EXPECT_EQ(lines[i].rfind(expect[i], 0), 0u) << lines[i];
            EXPECT_TRUE(has(lines[i], ",,input,the line has no column to")) << lines[i];
            continue;
        }
        EXPECT_EQ(lines[i], expect[i]);
    }
    // The same rows one by one give the same results.
    EXPECT_TRUE(has(tarvo("convert -250.5 ATS EUR --date 2001-01-01").out, "-18.20 EUR\n"));
    EXPECT_TRUE(has(tarvo("convert 100 EUR USD --date 2007-05-15 --rate-file WAEHKURS.DAT").out,
                    "135.30 USD\n"));

    // Standard input to standard output, chunk of one line.
    Outcome s = tarvo("batch --chunk 1 --no-progress", "100,DEM,EUR,2001-01-01\n");
    EXPECT_EQ(s.rc, 0) << s.err;
    EXPECT_TRUE(has(s.out, "1,100,DEM,EUR,20010101,51.13,0,\n")) << s.out;
}

TEST_F(Tarvo, BatchRowsDoNotDependOnThreadsChunksOrNeighbours) {
    // Dates on both sides of the changeover dates, interleaved, so that every chunk holds
    // several control-data blocks; each row must equal the single conversion.
    const char* dates[] = {"1998-12-31", "2001-06-15", "2002-03-01", "2007-05-16"};
    const char* pairs[][2] = {{"DEM", "EUR"}, {"EUR", "FRF"}, {"EUR", "USD"},
                              {"GRD", "EUR"}, {"DEM", "ATS"}, {"IDR", "EUR"}};
    std::string input = "amount,from,to,date\r\n";
    std::vector<std::string> expected;
    for (int i = 0; i < 24; ++i) {
        const char* date = dates[i % 4];
        const auto& p = pairs[i % 6];
        const std::string amount = std::to_string(100 + 37 * i) + ".5";
        input += amount + "," + p[0] + ",\"" + p[1] + "\"," + date + "\r\n";
        Outcome one = tarvo("convert " + amount + " " + p[0] + " " + p[1] + " --date " + date +
                            " --rate-file WAEHKURS.DAT");
        // "51.13 EUR" -> "51.13,0"; "tarvo: conversion failed: 462 ..." -> ",462"
        const std::size_t code = one.err.find("failed: ");
        expected.push_back(one.rc == 0 ? one.out.substr(0, one.out.find(' ')) + ",0"
                                       : "," + one.err.substr(code + 8, 3));
    }
    input += "100,DEM\n# comment\n\n1.234,DEM,EUR,2001-01-01\n100,DEM,EUR,2001-01-01"; // no '\n'
    spit(dir_ / "in.csv", input);
    Outcome ref = tarvo("batch in.csv --threads 1 --rate-file WAEHKURS.DAT --no-progress");
    std::istringstream rows(ref.out);
    std::string row;
    std::getline(rows, row); // header
    for (const std::string& want : expected) {
        ASSERT_TRUE(std::getline(rows, row));
        std::vector<std::string> f;
        std::istringstream cells(row);
        for (std::string cell; std::getline(cells, cell, ',');)
            f.push_back(cell);
        ASSERT_GE(f.size(), 7u) << row;
        EXPECT_EQ(f[5] + "," + f[6], want) << row;
    }
    EXPECT_TRUE(has(ref.out, "\n26,100,DEM,,")) << ref.out;
    EXPECT_TRUE(has(ref.out, "\n30,100,DEM,EUR,20010101,51.13,0,\n")) << ref.out;

    struct Run {
        const char* args;
        bool fromStdin, toFile;
    } runs[] = {{"batch in.csv --threads 2 --chunk 1", false, false},
                {"batch in.csv --threads 3 --chunk 5", false, false},
                {"batch --threads 2 --chunk 2", true, false},
                {"batch in.csv -o out.csv --threads 2 --chunk 3", false, true}};
    for (const Run& run : runs) {
        Outcome r = tarvo(std::string(run.args) + " --rate-file WAEHKURS.DAT --no-progress",
                          run.fromStdin ? input : "");
        EXPECT_EQ(r.rc, ref.rc) << run.args;
        EXPECT_EQ(r.err, ref.err) << run.args;
        EXPECT_EQ(run.toFile ? slurp(dir_ / "out.csv") : r.out, ref.out) << run.args;
    }
}

TEST_F(Tarvo, BatchLeavesNoHalfWrittenOutput) {
    spit(dir_ / "in.csv", "100,DEM,EUR,2001-01-01\n");
    std::size_t before = entries();
    Outcome r = tarvo("batch in.csv -o missing/out.csv");
    EXPECT_NE(r.rc, 0);
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
    Outcome m = tarvo("batch nothere.csv -o out.csv");
    EXPECT_EQ(m.rc, 1);
    EXPECT_EQ(entries(), before);
}

TEST_F(Tarvo, BatchFailingLateKeepsTheOldOutput) {
    // A folder as input opens but cannot be read: the run fails after the output was begun.
    fs::create_directory(dir_ / "folder.csv");
    spit(dir_ / "out.csv", "old result\n");
    fs::permissions(dir_ / "out.csv", fs::perms(0640));
    const std::size_t before = entries();
    Outcome r = tarvo("batch folder.csv -o out.csv --no-progress");
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(has(r.err, "error reading folder.csv")) << r.err;
    EXPECT_EQ(slurp(dir_ / "out.csv"), "old result\n");
    EXPECT_EQ(entries(), before) << "a temporary file was left behind";

    // A successful run replaces the file and keeps its permissions.
    spit(dir_ / "in.csv", "100,DEM,EUR,2001-01-01\n");
    ASSERT_EQ(tarvo("batch in.csv -o out.csv --no-progress").rc, 0);
    EXPECT_TRUE(has(slurp(dir_ / "out.csv"), "1,100,DEM,EUR,20010101,51.13,0,\n"));
    EXPECT_EQ(fs::status(dir_ / "out.csv").permissions(), fs::perms(0640));
    EXPECT_EQ(entries(), before + 1); // in.csv
}

// The output file helper itself.
class AtomicFile : public Tarvo {};

TEST_F(AtomicFile, ReplacesOnlyOnCommit) {
    const fs::path target = dir_ / "out.csv";
    spit(target, "old");
    fs::permissions(target, fs::perms(0604));
    {
        tool::AtomicOutputFile a(target);
        // The target is locked: a second writer in the same thread is refused, not blocked.
        EXPECT_THROW(tool::AtomicOutputFile{target}, rf::Error);
        EXPECT_EQ(fs::path(a.temporaryPath()).parent_path(), dir_);
        const std::string aTemp = a.temporaryPath();
        a.write("new ");
        a.write("content");
        EXPECT_EQ(slurp(target), "old");
        EXPECT_EQ(slurp(a.temporaryPath()), "new content");
        a.commit();
        tool::AtomicOutputFile b(target);
        EXPECT_NE(aTemp, b.temporaryPath());
        EXPECT_FALSE(fs::exists(aTemp));
        EXPECT_TRUE(fs::exists(b.temporaryPath()));
        EXPECT_THROW(a.write("more"), rf::Error);
        EXPECT_THROW(a.commit(), rf::Error);
    } // b is dropped without a commit
    EXPECT_EQ(slurp(target), "new content");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0604));
    EXPECT_EQ(entries(), 2u) << "WAEHKURS.DAT and out.csv only";
}

TEST_F(AtomicFile, NewFileAndFailures) {
    // A new file gets the permissions open() would give it.
    const mode_t mask = ::umask(027);
    {
        tool::AtomicOutputFile f(dir_ / "fresh.csv");
        f.write("x");
        f.commit();
    }
    ::umask(mask);
    EXPECT_EQ(fs::status(dir_ / "fresh.csv").permissions(), fs::perms(0640));

    // An exception between opening and committing removes the temporary file.
    const std::size_t before = entries();
    try {
        tool::AtomicOutputFile f(dir_ / "fresh.csv");
        f.write("half");
        throw std::runtime_error("stop");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(slurp(dir_ / "fresh.csv"), "x");

    // No folder, or a folder in place of the file: nothing is created.
    EXPECT_THROW(tool::AtomicOutputFile(dir_ / "missing" / "out.csv"), rf::Error);
    fs::create_directory(dir_ / "sub");
    EXPECT_THROW(tool::AtomicOutputFile{dir_ / "sub"}, rf::Error); // refused before writing
    EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
    EXPECT_EQ(entries(), before + 1);
}

TEST_F(Tarvo, RatesImportShowAndCheck) {
    spit(dir_ / "eurofxref-hist.xml", fixtures::histXml());
    spit(dir_ / "eurofxref-hist.csv", fixtures::histCsv());
    spit(dir_ / "eurofxref-daily.xml", fixtures::dailyXml());
    spit(dir_ / "eurofxref.csv", fixtures::dailyCsv());
    Outcome x = tarvo("rates import eurofxref-hist.xml -o a.dat");
    ASSERT_EQ(x.rc, 0) << x.err;
    EXPECT_TRUE(has(x.out, "historical XML, 14 rates")) << x.out;
    EXPECT_TRUE(has(x.out, "5 currencies, 14 rates from 2007-05-14 to 2007-05-17")) << x.out;
    ASSERT_EQ(tarvo("rates import eurofxref-hist.csv -o b.dat").rc, 0);
    EXPECT_EQ(slurp(dir_ / "a.dat"), slurp(dir_ / "b.dat"));
    ASSERT_EQ(tarvo("rates import eurofxref-daily.xml -o c.dat").rc, 0);
    ASSERT_EQ(tarvo("rates import eurofxref.csv -o d.dat").rc, 0);
    EXPECT_EQ(slurp(dir_ / "c.dat"), slurp(dir_ / "d.dat"));
    // Keeping a file current: the old file plus the newest daily file.
    ASSERT_EQ(tarvo("rates import eurofxref-hist.csv eurofxref-daily.xml -o e.dat").rc, 0);
    EXPECT_EQ(slurp(dir_ / "a.dat"), slurp(dir_ / "e.dat"));
    ASSERT_EQ(tarvo("rates import c.dat eurofxref-hist.xml -o c.dat").rc, 0);
    EXPECT_EQ(slurp(dir_ / "a.dat"), slurp(dir_ / "c.dat"));

    Outcome check = tarvo("rates check a.dat");
    EXPECT_EQ(check.rc, 0);
    EXPECT_TRUE(has(check.out, "ok, 14 rates of 5 currencies, file date 2007-05-17")) << check.out;

    Outcome show = tarvo("rates show a.dat --currency IDR --date 2007-05-16");
    EXPECT_EQ(show.rc, 0);
    EXPECT_TRUE(has(show.out, "IDR  360  2007-05-16  11950.2")) << show.out;
    Outcome all = tarvo("rates show a.dat");
    EXPECT_TRUE(has(all.out, "CYP  196  2007-05-14  0.5831")) << all.out;

    std::string bad = slurp(dir_ / "a.dat");
    bad[2 * 252 + 31 + 3] = '7';
    spit(dir_ / "bad.dat", bad);
    Outcome bc = tarvo("rates check bad.dat");
    EXPECT_EQ(bc.rc, 1);
    EXPECT_TRUE(has(bc.out, "bad.dat: record 3: unit")) << bc.out;
}

TEST_F(Tarvo, BrokenInputsLeaveTheOutputAlone) {
    ASSERT_EQ(tarvo("rates import WAEHKURS.DAT -o out.dat").rc, 0);
    const std::string before = slurp(dir_ / "out.dat");
    spit(dir_ / "broken.xml", fixtures::histXml().substr(0, 500));
    spit(dir_ / "columns.csv", "Date,USD,JPY,\n2007-05-18,1.3\n");
    spit(dir_ / "unknown.csv", "Date,USD,QQQ,\n2007-05-18,1.3,4,\n");
    spit(dir_ / "absurd.csv", "Date,USD,\n2007-05-18,99999999999,\n");
    spit(dir_ / "conflict.csv", "Date,USD,\n2007-05-17,1.4,\n");
    struct Case {
        const char *file, *message;
    } cases[] = {{"broken.xml", "broken.xml:"},
                 {"columns.csv", "columns.csv:2:1: line 2 has 2 columns"},
                 {"unknown.csv", "unknown.csv:1:10: unknown currency \"QQQ\""},
                 {"absurd.csv", "absurd.csv:2:12: USD 20070518: rate \"99999999999\""},
                 {"conflict.csv", "USD 20070517: two different rates for the same day"}};
    std::size_t files = entries();
    for (const Case& c : cases) {
        Outcome r = tarvo(std::string("rates import WAEHKURS.DAT ") + c.file + " -o out.dat");
        EXPECT_EQ(r.rc, 1) << c.file;
        EXPECT_TRUE(has(r.err, c.message)) << c.file << ": " << r.err;
        EXPECT_EQ(slurp(dir_ / "out.dat"), before) << c.file;
        EXPECT_EQ(entries(), files) << c.file; // no temporary file left
    }
    EXPECT_EQ(tarvo("rates import WAEHKURS.DAT conflict.csv --replace -o out.dat").rc, 0);
}

TEST_F(Tarvo, BalanceAndSmooth) {
    struct Case {
        std::string args;
        int rc;
        std::vector<std::string> out;
    } cases[] = {
        {"balance DEM EUR 3.00 1.50 1.50 --date 2001-01-01",
         0,
         {"total               3.00              1.53              1.53  -",
          "1                   1.50              0.77              0.76  -",
          "2                   1.50              0.77              0.77   "}},
        {"balance DEM EUR 3.00 1.50 1.50 --method 1 --date 2001-01-01",
         0,
         {"1                   1.50              0.77              0.77   ",
          "2                   1.50              0.77              0.76  -"}},
        {"balance DEM EUR 100 50 49.99 --date 2001-01-01", 1, {"472"}},
        {"smooth DEM EUR 2414.59 -2456.52 --unit 100 --date 2001-01-01",
         0,
         {"1234.56          12             34.56  0", "-1256.00         -13             44.00"}},
        {"smooth DEM EUR 2456.52 --exponent 2 --method M --date 2001-01-01",
         0,
         {"1256.00          12             56.00"}},
        {"smooth DEM EUR 100 --exponent 7", 1, {"475"}},
        {"smooth EUR XYZ 100 --exponent 2 --rate-file WAEHKURS.DAT", 1, {"482"}},
    };
    for (const Case& c : cases) {
        Outcome r = tarvo(c.args);
        EXPECT_EQ(r.rc, c.rc) << c.args << "\n" << r.out << r.err;
        for (const auto& part : c.out)
            EXPECT_TRUE(has(r.out + r.err, part)) << c.args << ": [" << part << "]\n"
                                                  << r.out << r.err;
    }
}

TEST_F(Tarvo, ControlDataExportRoundTrips) {
    Outcome builtin = tarvo("controldata show --date 2001-01-01");
    ASSERT_EQ(builtin.rc, 0) << builtin.err;
    EXPECT_TRUE(has(builtin.out, "base currency        EUR")) << builtin.out;
    EXPECT_TRUE(has(builtin.out, "DEM  1.9558300")) << builtin.out;
    auto body = [](const std::string& s) { return s.substr(s.find('\n') + 1); };
    for (const char* variant : {"", " --lf", " --ebcdic", " --ebcdic --lf"}) {
        Outcome e = tarvo(std::string("controldata export T.DAT") + variant);
        ASSERT_EQ(e.rc, 0) << variant << e.err;
        Outcome s = tarvo("controldata show --control-data T.DAT --date 2001-01-01");
        ASSERT_EQ(s.rc, 0) << variant << s.err;
        EXPECT_TRUE(has(s.out, "source               T.DAT")) << s.out;
        EXPECT_EQ(body(s.out), body(builtin.out)) << variant;
    }
    Outcome conv = tarvo("convert 100 DEM EUR --date 2001-01-01 --control-data T.DAT");
    EXPECT_TRUE(has(conv.out, "51.13 EUR")) << conv.out << conv.err;
    EXPECT_EQ(tarvo("controldata export missing/T.DAT").rc, 1);
}

TEST_F(Tarvo, FailedWritesOfStandardOutputFail) {
    spit(dir_ / "in.csv", "100,DEM,EUR,2001-01-01\n");
    for (const char* args : {"convert 100 DEM EUR --date 2001-01-01",
                             "convert 100 DEM EUR --date 2001-01-01 --json",
                             "convert 100 DEM EUR --date 2001-01-01 -q",
                             "batch in.csv --no-progress",
                             "batch in.csv --no-progress --format json",
                             "balance DEM EUR 3 1.5 1.5 --date 2001-01-01",
                             "balance DEM EUR 3 1.5 1.5 --date 2001-01-01 --json",
                             "smooth DEM EUR 100 --unit 10 --date 2001-01-01",
                             "rates import WAEHKURS.DAT -o x.dat",
                             "rates import WAEHKURS.DAT -o -",
                             "rates show WAEHKURS.DAT",
                             "rates show WAEHKURS.DAT --json",
                             "rates check WAEHKURS.DAT",
                             "controldata show --date 2001-01-01",
                             "controldata show --json",
                             "controldata export c.dat",
                             "controldata export -",
                             "--help",
                             "convert --help",
                             "--version"}) {
        for (const char* output : {"> /dev/full", ">&-"}) {
            Outcome r = tarvo(args, "", output);
            EXPECT_EQ(r.rc, 1) << args << " " << output << "\n" << r.err;
            EXPECT_TRUE(has(r.err, "cannot write to standard output"))
                << args << " " << output << "\n"
                << r.err;
        }
    }
}

TEST_F(Tarvo, ExitCodesAndMessages) {
    struct Case {
        std::string args, env;
        int rc;
        std::string out, err; // parts of standard output and error
    } cases[] = {
        {"convert 100 dem eur --date 2001-01-01", "", 0, "51.13 EUR\n", ""},
        {"convert 100 DEM eUr --date 2001-01-01 -q", "", 0, "51.13\n", ""},
        {"convert 100 DEX EUR --rate-file WAEHKURS.DAT", "", 1, "",
         "tarvo: unknown currency DEX\n"},
        {"convert 100 DEM ATS --date 1998-12-31", "", 1, "", "482"}, // exists, not yet fixed
        {"--bogus", "", 2, "", "unknown option or argument: --bogus"},
        {"convert 100 DEM EUR --bogus", "", 2, "", "unknown option or argument: --bogus"},
        {"", "", 2, "", "a command is required"},
        {"controldata", "", 2, "", "a command is required"},
        {"batch nothere.csv", "", 1, "", "cannot open nothere.csv"},
        {"rates show nothere.DAT", "", 1, "", "cannot open nothere.DAT"},
        {"rates check nothere.DAT", "", 1, "", "cannot open nothere.DAT"},
        {"convert 100 DEM EUR --control-data missing.dat", "", 1, "", "missing.dat does not exist"},
        {"convert 100 EUR EUR", "", 1, "", "462 Non-permissible ISO-Code combination"},
        // One language per run: German by option or locale, the option winning.
        {"--lang de convert 100 DEX EUR", "", 1, "", "tarvo: unbekannte Währung DEX\n"},
        {"convert 100 EUR EUR", "LANG=de_DE.UTF-8", 1, "",
         "Umrechnung fehlgeschlagen: 462 Unzulässige ISO-Code-Kombination"},
        {"convert 100 EUR EUR --lang=en", "LC_ALL=de_DE.UTF-8", 1, "", "conversion failed: 462"},
        {"convert 100 EUR EUR", "LC_ALL=C LANG=de_DE", 1, "", "conversion failed"},
        {"convert 100 DEM EUR --date 2001-01-01 --lang de", "", 0,
         "Kurs DEM             1.95583 (1.9558300 x 1), fester Euro-Kurs", ""},
        {"controldata show --date 2001-01-01", "LANG=de_DE.UTF-8", 0, "Basiswährung         EUR",
         ""},
        {"rates show WAEHKURS.DAT --lang de", "", 0, "Dateidatum 2007-05-17, 14 Kurssätze", ""},
        {"balance DEM EUR 3 1.5 1.5 --date 2001-01-01 --lang de", "", 0, "Summe ", ""},
        {"--lang fr convert 100 DEM EUR", "", 2, "", "--lang"},
    };
    for (const Case& c : cases) {
        Outcome r = tarvo(c.args, "", "> .out", c.env);
        EXPECT_EQ(r.rc, c.rc) << c.args << "\n" << r.out << r.err;
        EXPECT_TRUE(has(r.out, c.out)) << c.args << "\n" << r.out;
        EXPECT_TRUE(has(r.err, c.err)) << c.args << "\n" << r.err;
    }
}

TEST_F(Tarvo, DashIsStandardInputAndOutput) {
    const std::string rates = slurp(rates_);
    Outcome imp = tarvo("rates import - -o -", rates);
    ASSERT_EQ(imp.rc, 0) << imp.err;
    EXPECT_EQ(imp.out, rates);
    EXPECT_TRUE(has(imp.err, "wrote -: 5 currencies, 14 rates")) << imp.err;
    EXPECT_FALSE(fs::exists(dir_ / "-"));
    Outcome show = tarvo("rates show - --currency idr --date 2007-05-16", rates);
    EXPECT_TRUE(has(show.out, "IDR  360  2007-05-16  11950.2              100   119.5020000"))
        << show.out;
    Outcome check = tarvo("rates check -", rates);
    EXPECT_TRUE(has(check.out, "-: ok, 14 rates of 5 currencies")) << check.out;
    Outcome cd = tarvo("controldata export -");
    ASSERT_EQ(cd.rc, 0) << cd.err;
    ASSERT_EQ(tarvo("controldata export T.DAT").rc, 0);
    EXPECT_EQ(cd.out, slurp(dir_ / "T.DAT"));
    EXPECT_FALSE(fs::exists(dir_ / "-"));
}

TEST_F(Tarvo, ImportReadsAndReplacesItsTargetInOneStep) {
    // The target as one of the inputs: read after the output file was set up, replaced whole.
    spit(dir_ / "daily.xml", fixtures::dailyXml());
    ASSERT_EQ(tarvo("rates import eurofxref-none -o t.dat").rc, 1);
    EXPECT_FALSE(fs::exists(dir_ / "t.dat"));
    ASSERT_EQ(tarvo("rates import daily.xml -o t.dat").rc, 0);
    spit(dir_ / "hist.xml", fixtures::histXml());
    Outcome r = tarvo("rates import t.dat hist.xml -o t.dat --json");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\"rates\": 14")) << r.out;
    EXPECT_EQ(slurp(dir_ / "t.dat"), slurp(rates_));
    EXPECT_EQ(entries(), 4u) << "no temporary file left";
}

TEST_F(Tarvo, ConcurrentImportsIntoOneFileLoseNoUpdate) {
    // Each import reads s.dat, adds one day and replaces s.dat. The lock on the target covers
    // the read, so however the runs interleave, every day ends up in the file.
    const int runs = 6;
    std::string cmd = "cd '" + dir_.string() + "' || exit 1; ";
    for (int k = 1; k <= runs; ++k) {
        const std::string date = "2007-04-0" + std::to_string(k);
        spit(dir_ / ("d" + std::to_string(k) + ".xml"),
             fixtures::xml({{date, "", {"1.3" + std::to_string(k), "160", "", "", "0.68"}}}));
        cmd += "('" + std::string(TARVO_EXE) + "' rates import s.dat d" + std::to_string(k) +
               ".xml -o s.dat >/dev/null 2>>errors || echo failed >>errors) & ";
    }
    spit(dir_ / "s.dat", slurp(rates_));
    ASSERT_EQ(std::system((cmd + "wait").c_str()), 0);
    EXPECT_EQ(slurp(dir_ / "errors"), "");
    std::set<std::string> dates;
    for (const rf::RateRecord& r : rf::readRateFile(dir_ / "s.dat").records)
        dates.insert(r.rateDate);
    for (int k = 1; k <= runs; ++k)
        EXPECT_EQ(dates.count("2007040" + std::to_string(k)), 1u) << "day " << k << " lost";
}

TEST_F(Tarvo, BatchReadsCsvAsAccountingProgramsWriteIt) {
    const std::string head = "line,amount,from,to,date,result,code,message";
    struct Case {
        const char* what;
        std::string args, input, output;
    } cases[] = {
        {"quoted thousands", "", "\"1,000\",DEM,EUR,2001-01-01\n",
         head + "\n1,\"1,000\",DEM,EUR,20010101,511.29,0,\n"},
        {"byte-order mark, header in any case, CR LF", "",
         "\xEF\xBB\xBF"
         "Amount,From,To,Date\r\n100,DEM,EUR,2001-01-01\r\n",
         head + "\n2,100,DEM,EUR,20010101,51.13,0,\n"},
        {"fifth column passed through", "",
         "amount,from,to,date,booking\n100,DEM,EUR,2001-01-01,B-17\n",
         head + ",booking\n2,100,DEM,EUR,20010101,51.13,0,,B-17\n"},
        {"bare CR line ends", "", "100,DEM,EUR\r200,DEM,EUR\r",
         head + "\n1,100,DEM,EUR,20010101,51.13,0,\n2,200,DEM,EUR,20010101,102.26,0,\n"},
        {"header after a comment, semicolons", "--delimiter ';'",
         "# export of 2001\nAMOUNT;FROM;TO\n100;DEM;EUR\n",
         "line;amount;from;to;date;result;code;message\n3;100;DEM;EUR;20010101;51.13;0;\n"},
        {"columns by name, decimal comma, two passed through",
         "--delimiter ';' --amount-column Betrag --from-column von --to-column NACH "
         "--decimal-comma",
         "Beleg;Betrag;Von;Nach;Text\n17;\"1.000,50\";DEM;EUR;Miete\n",
         "line;amount;from;to;date;result;code;message;Beleg;Text\n"
         "2;1.000,50;DEM;EUR;20010101;511.55;0;;17;Miete\n"},
        {"columns by number, tab",
         "--delimiter tab --amount-column 2 --from-column 3 "
         "--to-column 1 --date-column none",
         "EUR\t100\tDEM\tx\n",
         "line\tamount\tfrom\tto\tdate\tresult\tcode\tmessage\tcolumn4\n"
         "1\t100\tDEM\tEUR\t20010101\t51.13\t0\t\tx\n"},
        {"NUL byte", "", std::string("100,DE\0M,EUR\n", 13),
         head + "\n1,100,DE\xEF\xBF\xBDM,EUR,20010101,,input,column 2 holds a NUL byte\n"},
        {"invalid UTF-8", "", "100,DEM,EUR,2001-01-01,caf\xE9\n",
         head + ",column5\n1,100,DEM,EUR,2001-01-01,,input,column 5 is not valid UTF-8,"
                "caf\xEF\xBF\xBD\n"},
        {"quotes and line ends inside a field", "",
         "amount,from,to,note\n100,DEM,EUR,\"say \"\"hi\"\"\nthere\"\n200,DEM,EUR,\"a\r\nb\"\n",
         head + ",note\n2,100,DEM,EUR,20010101,51.13,0,,\"say \"\"hi\"\"\nthere\"\n"
                "4,200,DEM,EUR,20010101,102.26,0,,\"a\r\nb\"\n"},
        {"comments and blank lines kept", "--comments keep --blank-lines keep",
         "# head\n100,DEM,EUR\n\n# mid, with a comma\n200,DEM,EUR\n",
         head + "\n# head\n2,100,DEM,EUR,20010101,51.13,0,\n\n# mid, with a comma\n"
                "5,200,DEM,EUR,20010101,102.26,0,\n"},
        {"comments and blank lines skipped", "", "# head\n100,DEM,EUR\n\n  \n# mid\n200,DEM,EUR",
         head + "\n2,100,DEM,EUR,20010101,51.13,0,\n6,200,DEM,EUR,20010101,102.26,0,\n"},
        {"quote never closed", "", "100,DEM,EUR\n100,DEM,\"EUR\n",
         head + "\n1,100,DEM,EUR,20010101,51.13,0,\n2,100,DEM,\"EUR\n\",20010101,,input,a quoted "
                "field is not closed\n"},
        {"blanks around fields, passed through as written", "", "100, dem , \"EUR\"\n",
         // Only the command line matches codes in any case: "dem" is no code of the kernel.
         head + "\n1,100, dem ,\" \"\"EUR\"\"\",20010101,,482,ISO-Code not found in the currency "
                "file\n"},
        {"rates used per row", "--audit", "100,EUR,USD,2007-05-15\n100,DEM,FRF\n",
         head + ",rate,stored_rate,unit,quotation,rate_source,rate_date,rate_to,stored_rate_to,"
                "unit_to,quotation_to,rate_source_to,rate_date_to,file_date\n"
                "1,100,EUR,USD,20070515,135.30,0,,1.353,1.3530000,1,M,market,2007-05-14,,,,,,,"
                "2007-05-17\n"
                "2,100,DEM,FRF,20010101,335.38,0,,1.95583,1.9558300,1,M,fixed,,6.55957,6.5595700,1,"
                "M,fixed,,\n"},
        {"four decimals", "--four-decimals", "100.1234,DEM,EUR\n",
         head + ",result_4\n1,100.1234,DEM,EUR,20010101,51.19,0,,51.1923\n"},
        {"given rate per row", "--rate-column rate --unit-column unit",
         "amount,from,to,rate,unit\n100,EUR,USD,1.2,\n100,USD,EUR,,\n1000,EUR,JPY,1.5,100\n",
         head + "\n2,100,EUR,USD,20010101,120.00,0,\n3,100,USD,EUR,20010101,,485,No valid price "
                "found in the currency file\n4,1000,EUR,JPY,20010101,150000.00,0,\n"},
    };
    for (const Case& c : cases) {
        Outcome r = tarvo("batch - --date 2001-01-01 --no-progress " + c.args, c.input);
        EXPECT_EQ(r.out, c.output) << c.what << "\n" << r.err;
        // Any row that failed fails the run.
        const bool failed = has(r.out, "input") || has(r.out, ",48");
        EXPECT_EQ(r.rc, failed ? 1 : 0) << c.what << "\n" << r.err;
    }
}

TEST_F(Tarvo, BatchRefusesOverlongLines) {
    std::string longLine = "100,DEM,EUR," + std::string(2 << 20, 'x') + "\n";
    for (const std::string& input : {longLine, "\"" + longLine, std::string(3 << 20, '\0')}) {
        Outcome r = tarvo("batch - --no-progress", input);
        EXPECT_EQ(r.rc, 1);
        EXPECT_TRUE(has(r.err, "line 1 is longer than 1 MiB")) << r.err;
    }
}

TEST_F(Tarvo, EndlessInputsEndWithAMessage) {
    // /dev/zero is only read: each command must stop at its limit, not grow until memory ends.
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"batch /dev/zero --no-progress", "longer than 1 MiB"},
        {"rates import /dev/zero -o z.dat", "/dev/zero is larger than 128 MiB"},
        {"rates check /dev/zero", "/dev/zero is larger than 128 MiB"},
        {"rates show /dev/zero", "/dev/zero is larger than 128 MiB"},
    };
    for (const auto& c : cases) {
        Outcome r = tarvo(c.args);
        EXPECT_EQ(r.rc, 1) << c.args;
        EXPECT_TRUE(has(r.err, c.message)) << c.args << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "z.dat"));
}

TEST_F(Tarvo, CompletionsOfferEveryOptionOfEveryCommand) {
    const std::string bash = slurp(fs::path(TARVO_TOOLS_DIR) / "completion" / "tarvo.bash");
    const std::string zsh = slurp(fs::path(TARVO_TOOLS_DIR) / "completion" / "_tarvo");
    ASSERT_FALSE(bash.empty());
    ASSERT_FALSE(zsh.empty());
    for (const char* cmd :
         {"", "convert", "batch", "balance", "smooth", "rates import", "rates show", "rates check",
          "controldata export", "controldata show"}) {
        Outcome help = tarvo(std::string(cmd) + " --help");
        ASSERT_EQ(help.rc, 0) << cmd;
        std::istringstream lines(help.out);
        int options = 0;
        for (std::string l; std::getline(lines, l);) {
            const std::size_t at = l.find("--");
            if (l.rfind("  ", 0) != 0 || at == std::string::npos ||
                l.find_first_not_of(" -,q") < at)
                continue;
            const std::string opt = l.substr(at, l.find_first_of(" \t", at) - at);
            if (opt == "--help")
                continue;
            ++options;
            EXPECT_TRUE(has(bash, " " + opt)) << cmd << ": " << opt << " missing in bash";
            EXPECT_TRUE(has(zsh, opt + "[") || has(zsh, "," + opt + "}"))
                << cmd << ": " << opt << " missing in zsh";
        }
        EXPECT_GT(options, 0) << cmd;
    }
    Outcome version = tarvo("--version");
    EXPECT_EQ(version.out, "tarvo " TARVO_VERSION "\n");
}

TEST(Messages, EveryReturnNumberHasATextInEachLanguage) {
    // A run in one language never prints the other language's text of a return number.
    for (const tarvo::rc::Row& row : tarvo::rc::kRows) {
        tool::setLanguage(tool::Lang::En);
        const std::string en = tool::returnText(row.number);
        tool::setLanguage(tool::Lang::De);
        const std::string de = tool::returnText(row.number);
        EXPECT_FALSE(en.empty() || de.empty()) << row.number;
        if (row.number == 0) // "OK" in both
            continue;
        if (row.german[0] != '\0') {
            EXPECT_NE(en, row.german) << row.number << " has no English text";
        }
        if (row.english[0] != '\0') {
            EXPECT_NE(de, row.english) << row.number << " has no German text";
        }
    }
    tool::setLanguage(tool::Lang::En);
}

TEST(Messages, LanguageFromOptionThenLocale) {
    struct Case {
        std::vector<const char*> argv;
        const char *lcAll, *lang;
        tool::Lang want;
    } cases[] = {
        {{"tarvo", "convert"}, nullptr, nullptr, tool::Lang::En},
        {{"tarvo", "convert"}, nullptr, "de_AT.UTF-8", tool::Lang::De},
        {{"tarvo", "convert"}, "C", "de_DE", tool::Lang::En},
        {{"tarvo", "--lang", "de"}, nullptr, nullptr, tool::Lang::De},
        {{"tarvo", "--lang=de"}, nullptr, nullptr, tool::Lang::De},
        {{"tarvo", "--lang", "en"}, "de_DE", nullptr, tool::Lang::En},
        {{"tarvo", "--", "--lang", "de"}, nullptr, nullptr, tool::Lang::En},
    };
    for (const Case& c : cases) {
        ::unsetenv("LC_MESSAGES");
        c.lcAll ? ::setenv("LC_ALL", c.lcAll, 1) : ::unsetenv("LC_ALL");
        c.lang ? ::setenv("LANG", c.lang, 1) : ::unsetenv("LANG");
        EXPECT_EQ(tool::languageOf(static_cast<int>(c.argv.size()), c.argv.data()), c.want)
            << c.argv.back();
    }
    ::unsetenv("LC_ALL");
    ::unsetenv("LANG");
}

TEST_F(Tarvo, BatchAmountsColumnsAndHeaders) {
    struct Case {
        std::string args, input;
        int rc;
        std::string out; // standard output (terse: one result per row), or a part of the error
    } cases[] = {
        // Thousands separators between groups of three digits only.
        {"-q", "\"1,000\",DEM,EUR\n\"12,345,678.90\",DEM,EUR\n", 0, "511.29\n6312245.39\n"},
        {"-q", "\"1,00\",DEM,EUR\n\",100\",DEM,EUR\n\"1,0000\",DEM,EUR\n\"1000,\",DEM,EUR\n", 1,
         "\n\n\n\n"},
        {"-q --decimal-comma --delimiter ';'", "\"1.000,50\";DEM;EUR\n-2,5;DEM;EUR\n", 0,
         "511.55\n-1.28\n"},
        {"-q --decimal-comma --delimiter ';'", "1,000.50;DEM;EUR\n", 1, "\n"},
        // Given rates per row: bad units and quotations are error rows.
        {"-q --rate-column 4 --unit-column 5 --quotation-column 6 --date-column none",
         "100,EUR,USD,1.25,1,M\n100,EUR,USD,1.25,10,M\n100,EUR,USD,1.25,1,X\n100,EUR,USD,abc,,\n",
         1, "125.00\n\n\n\n"},
        {"-q --rate-column 4 --rate-to-column 5 --date-column none", "100,USD,JPY,1.25,160\n", 0,
         "12800.00\n"},
        // Header forced on or off; a named column the header lacks is a wrong call.
        {"-q --header no", "amount,from,to\n100,DEM,EUR\n", 1, "\n51.13\n"},
        {"-q --header yes", "a,b,c\n100,DEM,EUR\n", 2, "--amount-column: the header has no"},
        {"-q --header yes --amount-column A --from-column B --to-column C", "a,b,c\n100,DEM,EUR\n",
         0, "51.13\n"},
        {"-q --amount-column Betrag", "100,DEM,EUR\n", 2, "the header has no column \"Betrag\""},
        {"-q --amount-column 0", "100,DEM,EUR\n", 2, "column numbers start at 1"},
        {"--delimiter '|'", "100|DEM|EUR\n", 2, "--delimiter"},
        {"-q --lang de", "abc,DEM,EUR\n", 1, "tarvo: 0 umgerechnet, 1 fehlgeschlagen"},
    };
    for (const Case& c : cases) {
        Outcome r = tarvo("batch - --date 2001-01-01 --no-progress " + c.args, c.input);
        EXPECT_EQ(r.rc, c.rc) << c.args << "\n" << c.input << r.err;
        if (c.rc == 2 || has(c.out, "tarvo:"))
            EXPECT_TRUE(has(r.err, c.out)) << c.args << "\n" << r.err;
        else
            EXPECT_EQ(r.out, c.out) << c.args << "\n" << c.input << r.err;
    }
}
