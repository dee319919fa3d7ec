// Private-profile (INI) files: the settings store of the program.
//
// A process-wide cache of up to 32 parsed files answers reads from memory until the file
// changes on disk (modification time, size, or the file replaced). Every change rewrites the whole
// file: sections and keys come out sorted case-insensitively, through a uniquely named temporary
// file in the same folder (".<name>.XXXXXX.new") that rename() puts in place, so a reader never
// sees a half-written file and two writing processes never tear it. A temporary file still being
// written when the shut-down's time limit ends the process is removed, never put in place.
//
// File names are matched exactly: on Linux two names that differ in case are two files.
//
// All functions are thread-safe (one process-wide recursive mutex). Strings are 8-bit C strings;
// the file name comes last, as in the Win32 originals.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Value form (section and key given): copies the value, cleaned of surrounding blanks and one
// pair of matching quotes, or the default when the key is missing, cut to size - 1 characters;
// returns the copied length. A size of 0 copies nothing and returns 0.
// List forms (section or key absent): the section names, or the key names of the section, each
// NUL-terminated, then one more NUL; returns the bytes before the final NUL pair. A buffer of
// fewer than 2 bytes receives at most one NUL and the result is 0.
uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultText,
                                 char* out, uint32_t size, const char* file);

// The value as atoi reads it; the default when the key is missing, empty, or not a number.
int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file);

// key == nullptr deletes the section; value == nullptr deletes the key. Returns 1 when the file
// holds the change (or needed none), 0 on bad arguments or when the file could not be rewritten;
// in that case the file on disk is untouched, the cache forgets the change and errno says why
// (a bad argument leaves errno alone). Text that would read back as other lines is a bad
// argument: a line break anywhere, "]" in a section name, "=" in a key or "[" at its start.
int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* file);

// "key=value\0key=value\0\0" of the section; returns the bytes before the final NUL.
uint32_t GetPrivateProfileSection(const char* section, char* out, uint32_t size, const char* file);

// Replaces the section's keys with "key=value" entries of a NUL-separated, NUL-NUL-ended list;
// nothing (0) when one of them is refused as above.
int WritePrivateProfileSection(const char* section, const char* entries, const char* file);

// Binary records stored as upper-case hexadecimal with a trailing checksum byte.
int GetPrivateProfileStruct(const char* section, const char* key, void* dest, uint32_t count,
                            const char* file);
int WritePrivateProfileStruct(const char* section, const char* key, const void* src, uint32_t count,
                              const char* file);

// A burst of changes (the program's start, the editor's shut-down) written once: while held,
// changes reach the cache only (and return 1), and each file changed is rewritten once, whole, when
// the last hold is let go, with the bytes the writes one by one would have left. Holds nest; false
// when a rewrite failed (the cache then forgets those changes).
void WEMU_HoldIniWrites();
bool WEMU_ReleaseIniWrites();

// A change the caller does not wait for: in the cache at once, and on disk from a thread of its
// own (as part of any rewrite of the file that comes first). Changes made so reach the file in
// order; 0 on bad arguments, as above. A failed rewrite forgets the change, as above, and says so
// on the error output and to the failure handler. While the disk takes its time, reads and
// changes go on, and a rewrite the caller waits for does not wait for it: the file keeps the
// newest text of the two.
int WEMU_WriteIniInBackground(const char* section, const char* key, const char* value,
                              const char* file);

// Returns once every change made by WEMU_WriteIniInBackground is on disk or has failed.
void WEMU_WaitForIniWrites();

// Called on the writing thread with the file and errno of a background rewrite that failed;
// replacing it waits for a call under way. Keep it short: it must not wait for anything.
void WEMU_SetIniWriteFailureHandler(std::function<void(const std::string& file, int why)> handler);
