#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
    CLI::App app{"opencoder: open-end coding for survey studies"};
    app.require_subcommand(1);
    CLI11_PARSE(app, argc, argv);
    return 0;
}
