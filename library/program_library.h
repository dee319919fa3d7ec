// The program library behind the editor's program-file members: loading and saving program
// text files, converting older files, the current-program file "lastprogram.pr4", the program
// list of the current folder, naming received dumps, the manager's file browser and emptying
// the scratch folders. The shell hands MakeProgramLibrary() to the editor through
// VQEditorSetup::programFiles.
#pragma once

#include <memory>

#include "editor/program_files.h"

class ProgramLibrary : public VQProgramFiles {
 public:
  bool LoadProgramFileToEditor(VQEditor& editor, const char* path) override;
  bool WriteProgramDumpText(VQEditor& editor, const char* path) override;
  std::string ProgramDumpText(VQEditor& editor) override;
  std::string ReceivedDumpFileText(VQEditor& editor) override;
  bool SaveProgramFile(VQEditor& editor, const char* path) override;
  bool ConvertOldProgramFile(VQEditor& editor, const char* path) override;
  int ConvertOldProgramFiles(VQEditor& editor, const char* folder) override;
  bool SaveRamProgram(VQEditor& editor) override;
  bool LoadRamProgram(VQEditor& editor) override;
  void LocateProgramInFolder(VQEditor& editor, const char* path) override;
  void NameReceivedProgram(VQEditor& editor, int slot) override;
  void ListProgramFolder(VQEditor& editor, const char* folder) override;
  void ResetFolder(VQEditor& editor, const char* path) override;
};

std::unique_ptr<VQProgramFiles> MakeProgramLibrary();
