/* SPDX-License-Identifier: Apache-2.0 */
// The subcommands of the tarvo program.
#ifndef TARVO_TOOLS_COMMANDS_H
#define TARVO_TOOLS_COMMANDS_H

#include <functional>
#include <string>

#include <CLI/CLI.hpp>

#include "common.h"

namespace tarvo::tool {

// Options every command shares, and the action the chosen command leaves to run.
struct Context {
    DataFiles files;
    std::string application; // "" = default entry
    std::string cdVersion;   // "" = first block
    std::function<int()> run;
};

// Adds --control-data, --rate-file, --application and --cd-version to a command.
void addDataOptions(CLI::App& cmd, Context& ctx);

void addConvertCommand(CLI::App& app, Context& ctx);
void addBatchCommand(CLI::App& app, Context& ctx);
void addBalanceCommands(CLI::App& app, Context& ctx);
void addRatesCommands(CLI::App& app, Context& ctx);
void addControlDataCommands(CLI::App& app, Context& ctx);

// Shared parsing of command arguments (throw UsageError).
std::string amountField(const std::string& text);
std::string dateArg(const std::string& text, const char* what);
std::string currencyArg(const std::string& text);

} // namespace tarvo::tool

#endif
