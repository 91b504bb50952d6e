// `opencoder study import|dump`: build a study from CSV files, and print a
// study's respondents, versions and variables.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli_common.h"
#include "commands.h"
#include "engines/check/study_check.h"
#include "suite/study_dump.h"
#include "suite/study_import.h"
#include "study_locks.h"

namespace cli {

namespace {

// An import never replaces a study silently: its data may hold merged codes.
bool study_exists(const std::string& out) {
    study_paths study = parse_study(out);
    std::string prefix = study.directory.empty() ? "" : study.directory + "/";
    for (const std::string& file : {study.labels(), study.data(), study.index()})
        if (std::filesystem::exists(prefix + file)) return true;
    return false;
}

int run_import(const std::string& labels, const std::string& data, const std::string& out, bool replace,
               double wait_seconds) {
    oc::study_write_session session;
    if (!open_for_writing(out, "opencoder study import", wait_seconds, session)) return exit_failure;
    if (!replace && study_exists(out)) {
        print_error("The study " + out + " already exists; use --replace to overwrite it.");
        return exit_failure;
    }
    oc::import_result imported = oc::import_study(labels, data, out);
    if (!imported.ok) {
        print_error(imported.message);
        return exit_failure;
    }
    print_error(imported.message);
    return exit_ok;
}

int run_dump(const std::string& base) {
    oc::study_read_session session;
    if (!open_for_reading(base, kReaderWaitSeconds, session)) return exit_failure;
    oc::dump_result dumped = oc::dump_study(base, std::cout);
    std::cout.flush();
    if (!dumped.ok) {
        print_error(dumped.message);
        return exit_failure;
    }
    return exit_ok;
}

// Problems on standard output, one a line; what a repair did on standard error.
int run_check(const std::string& base, bool repair, double wait_seconds) {
    oc::study_write_session session;
    if (!open_for_writing(base, repair ? "opencoder study check --repair" : "opencoder study check", wait_seconds,
                          session, false) ||
        !lock_study_data(base, wait_seconds, session))
        return exit_failure;
    oc::check_report report = repair ? oc::repair_study(base) : oc::check_study(base);
    for (const std::string& line : report.repaired) print_error("Repaired: " + line);
    for (const std::string& line : report.problems) std::cout << line << '\n';
    std::cout.flush();
    return report.clean() ? exit_ok : exit_failure;
}

}  // namespace

void add_study_command(CLI::App& app, int& result) {
    auto* study = app.add_subcommand("study", "Import a study from CSV files, or dump a study's data");
    study->require_subcommand(1);

    struct import_options {
        std::string labels, data, out;
        bool replace = false;
        double wait_seconds = 0;
    };
    auto in = std::make_shared<import_options>();
    auto* import = study->add_subcommand("import", "Create NAME.lbl, NAME.DAT and NAME.idx from CSV files");
    import->add_option("--labels", in->labels, "Labels CSV: name,type,other,text")->required();
    import->add_option("--data", in->data, "Data CSV: respondent,sequence,complete,Q1,Q3[2],...")->required();
    import->add_option("--out", in->out, "Study base path DIR/NAME to create")->required();
    import->add_flag("--replace", in->replace, "Overwrite the study's files if they exist");
    add_wait_option(*import, in->wait_seconds);
    import->callback(
        [in, &result] { result = run_import(in->labels, in->data, in->out, in->replace, in->wait_seconds); });

    auto base = std::make_shared<std::string>();
    auto* dump = study->add_subcommand("dump", "Print every respondent's record versions and variables");
    dump->add_option("--study", *base, "Study base path DIR/NAME")->required();
    dump->callback([base, &result] { result = run_dump(*base); });

    struct check_options {
        std::string base;
        bool repair = false;
        double wait_seconds = 0;
    };
    auto checked = std::make_shared<check_options>();
    auto* check = study->add_subcommand("check", "Check every file of a study; problems are listed with file and offset");
    check->add_option("--study", checked->base, "Study base path DIR/NAME")->required();
    check->add_flag("--repair", checked->repair,
                    "Roll back an unfinished merge, finish an interrupted import, remove leftover temporaries, "
                    "list unlisted coder files");
    add_wait_option(*check, checked->wait_seconds);
    check->callback(
        [checked, &result] { result = run_check(checked->base, checked->repair, checked->wait_seconds); });
}

}  // namespace cli
