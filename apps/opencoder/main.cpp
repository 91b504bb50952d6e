// opencoder: batch equivalents of the component's commands, for scripting.
#include <CLI/CLI.hpp>

#include "cli_common.h"
#include "commands.h"

int main(int argc, char** argv) {
    CLI::App app{"opencoder: prepare, code, merge and report open-ended survey answers"};
    app.require_subcommand(1);
    int result = cli::exit_ok;
    cli::add_study_command(app, result);
    cli::add_list_command(app, result);
    cli::add_status_command(app, result);
    cli::add_prepare_command(app, result);
    cli::add_examine_command(app, result);
    cli::add_code_command(app, result);
    cli::add_merge_command(app, result);
    cli::add_frame_command(app, result);
    cli::add_groups_command(app, result);
    cli::add_agree_command(app, result);
    cli::add_export_command(app, result);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return cli::exit_usage;
    }
    return result;
}
