// winsim: the program's embedded resources, generated from resources/sarvello.rc at build time.
#pragma once

namespace winsim {

struct EmbeddedResource {
  const char* type;  // user-defined type name, such as "DATAFILE"
  int id;
  const unsigned char* bytes;
  unsigned size;
};

extern const EmbeddedResource kProgramResources[];
extern const unsigned kProgramResourceCount;
// The numbers of the program's icon groups (the array ends with an unused 0).
extern const int kProgramIcons[];
extern const unsigned kProgramIconCount;

}  // namespace winsim
