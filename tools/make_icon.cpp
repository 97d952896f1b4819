// make_icon: turns Sarvello's icon source art into the program's icon file.
// Usage: make_icon ART.txt OUT.ico   (the committed pair: tools/icon_art/icon.txt and
// resources/sarvello.ico; the build's `artwork` target runs exactly that).
#include <cstdio>
#include <string>

#include "common/tool_files.h"
#include "icon_art/icon_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icon ART.txt OUT.ico\n");
    return 2;
  }
  std::string art;
  if (!tool_files::ReadFile(argv[1], &art)) {
    std::fprintf(stderr, "make_icon: cannot read %s\n", argv[1]);
    return 1;
  }
  std::string error;
  const std::vector<unsigned char> bytes = icon_art::IconFileFromArt(art, &error);
  if (bytes.empty()) {
    std::fprintf(stderr, "make_icon: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  if (!tool_files::WriteFile(argv[2], bytes)) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
