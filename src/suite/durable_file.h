// Files that survive a crash whole: new contents written beside the file
// under a temporary name, made durable, then renamed over it, so that at
// every instant the old or the new file exists complete.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace oc {

// Temporaries carry this in their name, so that the leftovers of a crashed
// run can be told from every file a user keeps.
inline constexpr std::string_view kTemporaryMark = ".oc-tmp.";

// The permissions a newly created file gets under the current umask.
mode_t default_file_mode();

// Nobody may write it: a file the user made read-only is not written, though
// a process running as root could.
inline bool read_only_mode(mode_t mode) { return (mode & 0222) == 0; }

// All of `bytes` at the descriptor's position, through short writes and
// interruptions. False on an error.
bool write_whole(int fd, std::string_view bytes);

// Flushes the file's data and size to the disk.
bool sync_file(int fd);
// Makes renames and removals in the directory of `path` durable.
bool sync_directory_of(const std::string& path);

// A new, empty file beside `path` named `path` + kTemporaryMark + six
// characters, with `mode`; its descriptor, or -1. `temp_path` gets the name.
int create_temporary_beside(const std::string& path, mode_t mode, std::string& temp_path);

// Renames `temp_path` over `path` and makes the rename durable. The
// temporary is removed when the rename fails.
bool commit_temporary(const std::string& temp_path, const std::string& path);

// Gives `temp_path` the name `path` only while no file has that name, and
// makes it durable: a file that appeared at `path` meanwhile is never
// replaced. The temporary is gone afterwards either way; false with errno
// EEXIST when `path` exists. Where the file system makes no hard links the
// name is checked just before a rename.
bool commit_temporary_as_new(const std::string& temp_path, const std::string& path);

// `bytes` as the whole of `path`: beside it, synced, renamed over it.
bool replace_file_whole(const std::string& path, std::string_view bytes, mode_t mode);
// An output the user named: `bytes` written whole beside `path`, then put
// at `path` over the file there only with `replace`; without it a file at
// `path` is never replaced (false, errno EEXIST), even one made meanwhile.
bool write_output_whole(const std::string& path, std::string_view bytes, bool replace, mode_t mode);

// The whole file; false when it cannot be read. `exists` says whether it
// was there at all (false: `bytes` empty and the result true).
bool read_file_whole(const std::string& path, std::string& bytes, bool& exists, mode_t* mode = nullptr);

// Leftover temporaries of the study DIR/NAME: names in DIR that begin
// "NAME." and hold kTemporaryMark. Full paths.
std::vector<std::string> leftover_temporaries(const std::string& base);

}  // namespace oc
