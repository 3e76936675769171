// Writing payload entries below the Arduino folder, and never outside it.
#pragma once

/// Makes sure the directory `path` exists, creating missing levels (mode
/// 0755 less the umask) below `root`, which must exist and be a prefix of
/// `path`. Returns 0, or a negative value after report_error (or, for a
/// level that mkdir made but that cannot be opened, without one).
int ensure_directory(const char* path, const char* root);

/// Commits the open jar, creates the folders, then writes the bytes of
/// payload entry `entry` to folder + dir_part + relative, from memory in one
/// call. An executable ends with mode 0755 exactly. Returns 1, or a negative
/// value after report_error.
int write_entry_file(const char* folder, const char* dir_part, const char* relative, int entry, bool executable);

/// What the writer did since the last file_writer_reset().
struct WriterStats {
  long long files;
  long long bytes;
  long long executables;
};
WriterStats writer_stats();

/// Forgets the directories known to exist and clears the counts.
void file_writer_reset();
