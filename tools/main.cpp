// tarvo: exact money conversion, batches, balancing, smoothing, rate files and control data.
#include <iostream>

#include "commands.h"
#include "ratefile.h"

using namespace tarvo::tool;

int main(int argc, char** argv) {
    CLI::App app{"tarvo - exact money conversion between the euro, its national currencies and "
                 "further currencies"};
    app.name("tarvo");
    app.require_subcommand(1, 1);
    app.set_version_flag("--version", "tarvo 1.0.0");
    Context ctx;
    addConvertCommand(app, ctx);
    addBatchCommand(app, ctx);
    addBalanceCommands(app, ctx);
    addRatesCommands(app, ctx);
    addControlDataCommands(app, ctx);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    try {
        ctx.files.apply();
        return ctx.run ? ctx.run() : 0;
    } catch (const UsageError& e) {
        std::cerr << "tarvo: " << e.what() << "\n";
        return 2;
    } catch (const tarvo::ratefile::Error& e) {
        std::cerr << "tarvo: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "tarvo: " << e.what() << "\n";
        return 1;
    }
}
