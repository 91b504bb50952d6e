#include "engines/texts/string_table.h"

#include <algorithm>
#include <iterator>

namespace oc {

namespace {

struct entry {
    int id;
    const char* text;
};

// Texts exactly as users know them, including their double spaces.
constexpr entry kStrings[] = {
    {700, "Examine Openend Responses"},
    {704, "Openend Files (%1.p?\?)|%1.p?\?|"},
    {705, "Coder Data Files (%1.0?\?,...)|%1.0?\?;%1.1?\?;%1.2?\?;%1.3?\?;%1.4?\?;%1.5?\?;%1.6?\?;%1.7?\?;%1.8?\?;%1.9?\?|"},
    {706, "An error occurred while printing the OPENEND responses."},
    {707, "An error occurred while writing the OPENEND output file."},
    {708, "An error occurred while writing the coder data file."},
    {709, "An error occurred while reading the coder data file."},
    {710, "An error occurred while reading the coder file."},
    {711, "An error occurred while reading the .add file."},
    {712, "You specified respondents or questions that are already included in coder files.  Duplicate coding "
          "information will overwrite previously entered codes.  Consult coder status to view the data currently "
          "in coder files.  Continue?"},
    {713, "Coding is complete for this file.  If you continue and make changes, when this file is merged, changed "
          "data will overwrite existing data."},
    {714, "Data have been merged for this file.  If you continue (choose OK) and make changes and re-merge the "
          "file, changed data will overwrite existing data.  Consult the status report on the Coder Main Menu to "
          "view the information that has been merged."},
    {715, "Unable to locate any of the coder data files."},
    {716, "Prepare Coder Data"},
    {717, "Select a Coder File to Code"},
    {718, "Select a Coder File to Merge"},
    {719, "The codes were merged successfully into the data files."},
    {720, "&How Many"},
    {721, "&Minimum"},
    {722, "Append"},
    {723, "Replace"},
    {724, "Questions"},
    {725, "Type"},
    {726, "Coder Files"},
    {727, "# Respondents"},
    {728, "# Questions"},
    {729, "# Records"},
    {730, "Interviews Included"},
    {731, "Completes AND Incompletes"},
    {732, "Completes ONLY"},
    {733, "Incompletes ONLY"},
    {734, "Action"},
    {735, "Width"},
    {736, "Max # Codes"},
    {737, "Last Rec Coded"},
    {738, "Sequence #"},
    {739, "Respondent #"},
    {740, "This coder data file was created successfully."},
    {741, "The codes in this file have already been merged.  If you choose to continue, you will overwrite "
          "previously merged codes.  Do you want to re-merge these codes into the data file?"},
    {742, "There are no codes to be merged in this file."},
    {743, "No qualified data found to create file."},
    {744, "Last record coded."},
    {745, "No OPENEND or OTHER data to found to code in this file."},
    {746, "Duplicate respondent numbers have been found in the data file.  You cannot select the option \"Merge "
          "based on respondent numbers ONLY\" unless you have unique respondent numbers."},
    {747, "A matching respondent record cannot be found in the data file.  If you have edited your file or "
          "re-accumulated the data files, the \"sequence\" numbers may not match.  If you have unique respondent "
          "numbers, check the box \"Merge based on respondent numbers ONLY\" and try again."},
    {748, "Error in reading or writing the coder files."},
    {749, "An error occurred while reading the .idx file."},
    {750, "Delete file %s%s ?"},
    {751, "No sound file selected for deletion."},
    {752, "Delete file %s%s%s ?"},
    {753, "Unable to delete file."},
    {754, "The software will not permit you specify a fixed number of respondents and more than one question to "
          "code.  If you want a fixed number of respondents, please specify only one question per coding file."},
    {20624, "noclose"},
    {20625, "Select Directory"},
};

}  // namespace

const char* string_text(int id) {
    auto it = std::find_if(std::begin(kStrings), std::end(kStrings), [id](const entry& e) { return e.id == id; });
    return it == std::end(kStrings) ? nullptr : it->text;
}

int interviews_string(int code) {
    switch (code) {
    case 0: return IDS_COMPLETES_AND_INCOMPLETES;
    case 1: return IDS_COMPLETES_ONLY;
    case 2: return IDS_INCOMPLETES_ONLY;
    default: return 0;  // not a code a coder file is written with
    }
}

}  // namespace oc
