// SPDX-License-Identifier: Apache-2.0
// tarvo: exact money conversion, batches, balancing, smoothing, rate files and control data.
#include <iostream>

#include "commands.h"
#include "output.h"
#include "ratefile.h"

using namespace tarvo::tool;

namespace {

// Exit statuses: 0 success, 1 a conversion or a file failed, 2 a wrong call.
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int parseAndRun(CLI::App& app, Context& ctx, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ExtrasError& e) {
        std::string what = e.what();
        const std::size_t colon = what.find(": ");
        complain(
            msg(Msg::UnknownOption, {colon == std::string::npos ? what : what.substr(colon + 2)}));
        return kUsage;
    } catch (const CLI::ParseError& e) {
        complain(msg(Msg::UsageFailed, {e.what()}));
        return kUsage;
    }
    try {
        if (!ctx.run) {
            complain(msg(Msg::CommandRequired));
            return kUsage;
        }
        ctx.files.apply();
        return ctx.run();
    } catch (const UsageError& e) {
        complain(e.what());
        return kUsage;
    } catch (const std::exception& e) {
        // FileError, the rate-file library's Error, and anything unforeseen.
        complain(e.what());
        return kFailed;
    }
}

} // namespace

int main(int argc, char** argv) {
    guardStandardStreams();
    setLanguage(languageOf(argc, argv));
    CLI::App app{"tarvo - exact money conversion between the euro, its national currencies and "
                 "further currencies"};
    app.name("tarvo");
    app.require_subcommand(0, 1);
    app.fallthrough();
    std::string lang;
    app.add_option("--lang", lang,
                   "Language of messages: en or de (default: de under a German locale, else en)")
        ->check(CLI::IsMember({"en", "de"}));
    app.set_version_flag("--version", "tarvo " TARVO_VERSION);
    app.footer("Exit status: 0 success, 1 a conversion or a file failed, 2 a wrong call.");
    Context ctx;
    addConvertCommand(app, ctx);
    addBatchCommand(app, ctx);
    addBalanceCommands(app, ctx);
    addRatesCommands(app, ctx);
    addControlDataCommands(app, ctx);
    int rc = parseAndRun(app, ctx, argc, argv);
    std::string why;
    if (!finishStandardOutput(why)) {
        complain(msg(Msg::StdoutFailed, {why}));
        return kFailed;
    }
    return rc;
}
