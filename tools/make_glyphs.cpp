// make_glyphs: turns Sarvello's glyph source art into the built-in glyph animation file.
// Usage: make_glyphs ART.txt OUT.qolb   (the committed pair: tools/glyph_art/glyphs.txt and
// resources/glyphs.qolb; the build's `artwork` target runs exactly that).
#include <cstdio>
#include <string>

#include "common/tool_files.h"
#include "glyph_art/glyph_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_glyphs ART.txt OUT.qolb\n");
    return 2;
  }
  std::string art;
  if (!tool_files::ReadFile(argv[1], &art)) {
    std::fprintf(stderr, "make_glyphs: cannot read %s\n", argv[1]);
    return 1;
  }
  std::string error;
  const std::vector<unsigned char> bytes = glyph_art::GlyphFileFromArt(art, &error);
  if (bytes.empty()) {
    std::fprintf(stderr, "make_glyphs: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  if (!tool_files::WriteFile(argv[2], bytes)) {
    std::fprintf(stderr, "make_glyphs: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
