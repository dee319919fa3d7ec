// libFuzzer target: reading the layout header "LiveEditLayout.h". Whatever the file holds, the
// read takes it whole and every view's block is a piece of it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "graphics/live_edit.h"
#include "plugin/imodule_gui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  LiveEditState state;
  state.headerPath = vqfuzz::ScratchFolder() + "LiveEditLayout.h";
  state.viewCount = 4;
  state.viewBlocks.assign(4, "kept");
  vqfuzz::WriteBytes(state.headerPath, bytes);
  ReadLayoutHeader(&state);
  FUZZ_CHECK(state.headerTextKnown && state.headerText == bytes);
  std::string lines;  // as the reader sees the text: every line ended by a line feed
  for (size_t at = 0; at < bytes.size();) {
    size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) end = bytes.size();
    lines.append(bytes.substr(at, end - at)).push_back('\n');
    at = end + 1;
  }
  for (const std::string& block : state.viewBlocks)
    FUZZ_CHECK(block == "kept" || lines.find(block) != std::string::npos);
  return 0;
}
