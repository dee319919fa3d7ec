// Entry point of the standalone editor.
#include <cstdio>

int main(int argc, char** argv)
{
  (void)argc;
  (void)argv;
  std::printf("VQEditor4: the window, the MIDI set-up and the editor pages are not built yet.\n"
              "Run tools/test.sh to build and test what is there.\n");
  return 0;
}
