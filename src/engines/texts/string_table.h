// The component's string table: every text the user is shown by id.
#pragma once

namespace oc {

// The text of string `id`, or null when the table has no such string.
const char* string_text(int id);

// Message ids used by more than one subsystem.
enum string_id : int {
    IDS_EXAMINE_CAPTION = 700,
    IDS_LISTING_FILTER = 704,
    IDS_CODER_FILE_FILTER = 705,
    IDS_PRINT_ERROR = 706,
    IDS_LISTING_WRITE_ERROR = 707,
    IDS_CODER_WRITE_ERROR = 708,
    IDS_CODER_DATA_READ_ERROR = 709,
    IDS_CODER_LIST_READ_ERROR = 710,
    IDS_ADD_READ_ERROR = 711,
    IDS_DUPLICATE_CODING = 712,
    IDS_CODING_COMPLETE_WARNING = 713,
    IDS_MERGED_WARNING = 714,
    IDS_NO_CODER_FILES = 715,
    IDS_PREPARE_CAPTION = 716,
    IDS_SELECT_TO_CODE = 717,
    IDS_SELECT_TO_MERGE = 718,
    IDS_MERGE_DONE = 719,
    IDS_HOW_MANY = 720,
    IDS_MINIMUM = 721,
    IDS_APPEND = 722,
    IDS_REPLACE = 723,
    IDS_QUESTIONS = 724,
    IDS_TYPE = 725,
    IDS_CODER_FILES = 726,
    IDS_RESPONDENTS_COUNT = 727,
    IDS_QUESTIONS_COUNT = 728,
    IDS_RECORDS_COUNT = 729,
    IDS_INTERVIEWS_INCLUDED = 730,
    IDS_COMPLETES_AND_INCOMPLETES = 731,
    IDS_COMPLETES_ONLY = 732,
    IDS_INCOMPLETES_ONLY = 733,
    IDS_ACTION = 734,
    IDS_WIDTH = 735,
    IDS_MAX_CODES = 736,
    IDS_LAST_REC_CODED = 737,
    IDS_SEQUENCE_NO = 738,
    IDS_RESPONDENT_NO = 739,
    IDS_CODER_FILE_CREATED = 740,
    IDS_ALREADY_MERGED = 741,
    IDS_NOTHING_TO_MERGE = 742,
    IDS_NO_QUALIFIED_DATA = 743,
    IDS_LAST_RECORD_CODED = 744,
    IDS_NO_OPENEND_DATA = 745,
    IDS_DUPLICATE_RESPONDENTS = 746,
    IDS_NO_MATCHING_RECORD = 747,
    IDS_CODER_FILES_IO_ERROR = 748,
    IDS_IDX_READ_ERROR = 749,
    IDS_DELETE_FILE = 750,
    IDS_NO_SOUND_SELECTED = 751,
    IDS_DELETE_TAKE = 752,
    IDS_DELETE_FAILED = 753,
    IDS_FIXED_NUMBER_ONE_QUESTION = 754,
    IDS_NOCLOSE = 20624,
    IDS_SELECT_DIRECTORY = 20625,
};

// The string that names a coder file's interviews code (0 completes and
// incompletes, 1 completes only, 2 incompletes only); 0 for another code.
int interviews_string(int code);

}  // namespace oc
