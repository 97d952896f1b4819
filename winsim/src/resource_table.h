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

// The resource script and the header of identifiers it includes, as text (not NUL-terminated), for
// the dialog templates.
extern const unsigned char kResourceScriptText[];
extern const unsigned kResourceScriptSize;
extern const unsigned char kResourceHeaderText[];
extern const unsigned kResourceHeaderSize;

}  // namespace winsim
