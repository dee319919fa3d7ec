// The editor's program-file operations as the editor sees them: program text files, the
// current-program file, the program list, received dumps and the two scratch folders. The
// program library implements them (library/program_library.h, MakeProgramLibrary); the editor
// calls them through its members of the same names and never includes the library's headers.
// Without an implementation every operation does nothing and reports failure.
//
// Every operation runs under the plug mutex (recursive); the implementation takes it itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class VQEditor;

// The text after the last "/" without its extension, whole.
std::string FileStemOfPath(std::string_view path);
// A program's name from its file: its stem, at most 32 bytes (what the editor shows and keeps).
std::string ProgramNameOfPath(std::string_view path);

// One row of the program manager's browser: a folder, the ".." row or a program file (the same
// rows serve the online database's list).
struct OnlineListRow {
  uint8_t flags[4] = {};  // flags[2]: 1 program file, 0 folder or ".."
  char name[256] = {};
  char idOrUrl[256] = {};
};

class VQProgramFiles {
 public:
  virtual ~VQProgramFiles() = default;

  // Reads a program file of any version into the record and applies it to the parameters
  // (nothing is sent). False, with the editor's program unchanged, when the file cannot be
  // read, is too large, has an unknown version or a value out of range.
  virtual bool LoadProgramFileToEditor(VQEditor& editor, const char* path) = 0;
  // Writes the current program, packed from the parameters, as a version-244 file.
  virtual bool WriteProgramDumpText(VQEditor& editor, const char* path) = 0;
  // The text that writes, taken under the editor's lock: the disk can be waited for outside it.
  virtual std::string ProgramDumpText(VQEditor& editor) = 0;
  // Writes the last received dump as a version-244 file; the program on screen keeps its name.
  virtual bool SaveProgramFile(VQEditor& editor, const char* path) = 0;
  virtual std::string ReceivedDumpFileText(VQEditor& editor) = 0;  // what that writes
  // Converts one ".pr3"/".prg" (or version-243) file into a ".pr4" beside it; never replaces an
  // existing ".pr4". True when a file was written.
  virtual bool ConvertOldProgramFile(VQEditor& editor, const char* path) = 0;
  // Converts every older file of a folder (a path ending in "/", not one of the editor's own)
  // and tells the user how many were converted and skipped; returns the count written.
  virtual int ConvertOldProgramFiles(VQEditor& editor, const char* folder) = 0;

  // "lastprogram.pr4" beside the settings file.
  virtual bool SaveRamProgram(VQEditor& editor) = 0;
  virtual bool LoadRamProgram(VQEditor& editor) = 0;

  // Rebuilds the program list from the path's folder and makes the path's file current.
  virtual void LocateProgramInFolder(VQEditor& editor, const char* path) = 0;
  // Names a single dump just received and offers it through the save selector, under that
  // name; the program on screen keeps its own.
  virtual void NameReceivedProgram(VQEditor& editor, int slot) = 0;
  // Fills the manager's browser rows from a folder.
  virtual void ListProgramFolder(VQEditor& editor, const char* folder) = 0;
  // Removes a scratch folder with everything in it; refuses anything outside the settings
  // folder.
  virtual void ResetFolder(VQEditor& editor, const char* path) = 0;
};
