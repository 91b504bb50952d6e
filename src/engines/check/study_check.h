// `study check`: every file of a study read and checked, each problem named
// with its file and byte offset; and the repairs that lose nothing.
#pragma once

#include <string>
#include <vector>

namespace oc {

struct check_report {
    std::vector<std::string> problems;  // "FILE: offset N: what" where an offset applies
    std::vector<std::string> repaired;  // what --repair did
    bool clean() const { return problems.empty(); }
};

// Checks the study DIR/NAME: the label file; the index (magic, whole
// entries, every chain, every version entry reached by one chain); every
// record version; the .add file's entries; the coder list against the coder
// data files on disk (listed files that do not read, status fields that
// disagree, complete coder files NAME.NNN that the list does not name); a
// leftover merge or import journal; leftover temporaries. The caller holds
// the study's writers' lock.
check_report check_study(const std::string& base);

// Rolls back an unfinished merge, finishes an interrupted import, removes
// leftover temporaries and lists complete coder files the list lacks; then
// checks the study as check_study does. Nothing a user made is removed.
check_report repair_study(const std::string& base);

}  // namespace oc
