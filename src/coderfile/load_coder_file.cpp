#include <cstdio>

#include "coderfile/coder_file.h"

namespace oc {

std::int16_t load_coder_file(const char* path, coder_spec& spec, quest_list& questions, std::int16_t& question_count) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return -1;
    std::int32_t trailer_offset = 0;
    std::int16_t result = read_coder_header(file, spec, trailer_offset);
    if (result == 0) result = read_coder_trailer(file, spec, questions, question_count, trailer_offset);
    std::fclose(file);
    return result;
}

}  // namespace oc
