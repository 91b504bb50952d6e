// Subcommands of the opencoder tool. Each registers itself on the app and,
// when run, stores its exit code in `result`.
#pragma once

#include <CLI/CLI.hpp>

namespace cli {

void add_study_command(CLI::App& app, int& result);
void add_list_command(CLI::App& app, int& result);
void add_status_command(CLI::App& app, int& result);
void add_prepare_command(CLI::App& app, int& result);
void add_examine_command(CLI::App& app, int& result);
void add_code_command(CLI::App& app, int& result);
void add_merge_command(CLI::App& app, int& result);
void add_frame_command(CLI::App& app, int& result);
void add_groups_command(CLI::App& app, int& result);
void add_agree_command(CLI::App& app, int& result);
void add_export_command(CLI::App& app, int& result);

}  // namespace cli
