// winsim: the dialog templates, read from the program's resource script (resources/sarvello.rc and
// the identifiers of resources/resource.h) as the resource compiler reads them — DIALOG blocks of
// CONTROL statements, the only form the script uses.
#include <cctype>
#include <map>

#include "dialog_state.h"
#include "resource_table.h"

namespace {
using winsim::DialogControlSpec;
using winsim::DialogTemplateSpec;

[[noreturn]] void Refuse(const std::string& what) { winsim::Unmodelled("the resource script", what); }

// The published values of the style names the script may use.
const std::map<std::string, long>& StyleNames() {
  static const auto* names = new std::map<std::string, long>{
      {"WS_OVERLAPPED", 0x00000000L},
      {"WS_POPUP", 0x80000000L},
      {"WS_CHILD", 0x40000000L},
      {"WS_VISIBLE", 0x10000000L},
      {"WS_DISABLED", 0x08000000L},
      {"WS_CAPTION", 0x00C00000L},
      {"WS_BORDER", 0x00800000L},
      {"WS_VSCROLL", 0x00200000L},
      {"WS_HSCROLL", 0x00100000L},
      {"WS_SYSMENU", 0x00080000L},
      {"WS_GROUP", 0x00020000L},
      {"WS_TABSTOP", 0x00010000L},
      {"DS_SETFONT", 0x40L},
      {"DS_MODALFRAME", 0x80L},
      {"DS_CENTER", 0x800L},
      {"BS_PUSHBUTTON", 0x0L},
      {"BS_DEFPUSHBUTTON", 0x1L},
      {"SS_LEFT", 0x0L},
      {"ES_LEFT", 0x0L},
      {"ES_AUTOHSCROLL", 0x80L},
      {"ES_NUMBER", 0x2000L},
      {"CBS_DROPDOWN", 0x2L},
      {"CBS_DROPDOWNLIST", 0x3L},
      {"CBS_SORT", 0x100L},
      {"TBS_HORZ", 0x0L},
      {"TBS_BOTH", 0x8L},
      {"TBS_NOTICKS", 0x10L},
      {"IDC_STATIC", -1L},
  };
  return *names;
}

constexpr DWORD kChildVisible = 0x50000000u;  // WS_CHILD | WS_VISIBLE, which CONTROL implies
constexpr DWORD kSetFont = 0x40u;             // DS_SETFONT, which FONT implies

class Script {
 public:
  Script(const unsigned char* text, unsigned size, std::map<std::string, long>* defines)
      : text_(reinterpret_cast<const char*>(text), size), defines_(defines) {}

  // Reads every statement; dialog templates go to `templates`.
  void Read(std::vector<DialogTemplateSpec>* templates) {
    while (!AtEnd()) {
      const long id = Number();
      const std::string type = Word();
      if (type == "DIALOG") {
        templates->push_back(Dialog(static_cast<int>(id)));
      } else if (type == "DIALOGEX" || type == "MENU" || type == "STRINGTABLE" || type == "ACCELERATORS") {
        Refuse("resource type " + type);
      } else {
        Text();  // a resource in a file of its own: the file's name
      }
    }
  }

  // Reads "#define NAME NUMBER" lines only, as resource.h holds them.
  void ReadDefines() {
    while (!AtEnd()) {
      const std::string word = Word();
      if (word == "#define") {
        const std::string name = Word();
        (*defines_)[name] = Number();
      }
    }
  }

 private:
  DialogTemplateSpec Dialog(int id) {
    DialogTemplateSpec layout{id, 0x80880000u, "", "", 0, 0, 0, 0, 0, {}};  // WS_POPUP|WS_BORDER|WS_SYSMENU
    layout.x = static_cast<int>(Number());
    Comma();
    layout.y = static_cast<int>(Number());
    Comma();
    layout.width = static_cast<int>(Number());
    Comma();
    layout.height = static_cast<int>(Number());
    for (std::string word = Word(); word != "BEGIN"; word = Word()) {
      if (word == "STYLE") {
        layout.style = Style();
      } else if (word == "CAPTION") {
        layout.caption = Text();
      } else if (word == "FONT") {
        layout.pointSize = static_cast<int>(Number());
        Comma();
        layout.font = Text();
        layout.style |= kSetFont;
      } else {
        Refuse("dialog statement " + word);
      }
    }
    for (std::string word = Word(); word != "END"; word = Word()) {
      if (word != "CONTROL") Refuse("control statement " + word + " (write controls as CONTROL)");
      DialogControlSpec control{};
      control.text = Text();
      Comma();
      control.id = static_cast<int>(static_cast<unsigned short>(Number()));  // a DIALOG stores words
      Comma();
      control.className = Text();
      for (char& c : control.className) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      Comma();
      control.style = Style() | kChildVisible;
      int* place[] = {&control.x, &control.y, &control.width, &control.height};
      for (int* value : place) {
        Comma();
        *value = static_cast<int>(Number());
      }
      if (Peek() == ',') Refuse("an extended style on control " + control.text);
      layout.controls.push_back(control);
    }
    return layout;
  }

  DWORD Style() {
    long style = Number();
    while (Peek() == '|') {
      ++at_;
      style |= Number();
    }
    return static_cast<DWORD>(style);
  }

  // Skips blanks, comments and preprocessor lines other than #define.
  void Skip() {
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++at_;
      } else if (text_.compare(at_, 2, "//") == 0) {
        at_ = text_.find('\n', at_);
        if (at_ == std::string::npos) at_ = text_.size();
      } else if (text_.compare(at_, 2, "/*") == 0) {
        at_ = text_.find("*/", at_);
        at_ = at_ == std::string::npos ? text_.size() : at_ + 2;
      } else if (c == '#' && text_.compare(at_, 7, "#define") != 0) {
        const size_t end = text_.find('\n', at_);
        Directive(text_.substr(at_, end == std::string::npos ? std::string::npos : end - at_));
        at_ = end == std::string::npos ? text_.size() : end;
      } else {
        return;
      }
    }
  }

  void Directive(const std::string& line) {
    if (line.rfind("#pragma", 0) == 0) return;
    if (line.rfind("#include <", 0) == 0) return;  // the platform's names are known already
    if (line == "#include \"resource.h\"") {
      Script header(winsim::kResourceHeaderText, winsim::kResourceHeaderSize, defines_);
      header.ReadDefines();
      return;
    }
    Refuse("directive " + line);
  }

  bool AtEnd() {
    Skip();
    return at_ >= text_.size();
  }
  char Peek() { return AtEnd() ? '\0' : text_[at_]; }
  void Comma() {
    if (Peek() != ',') Refuse("a comma missing at offset " + std::to_string(at_));
    ++at_;
  }

  std::string Word() {
    if (AtEnd()) Refuse("an unfinished statement");
    const size_t start = at_;
    while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) &&
           std::string(",|()").find(text_[at_]) == std::string::npos)
      ++at_;
    return text_.substr(start, at_ - start);
  }

  // A number, a negative number in brackets or not, or a known name.
  long Number() {
    const char first = Peek();
    if (first == '(') {
      ++at_;
      const long value = Number();
      if (Peek() != ')') Refuse("an unclosed bracket at offset " + std::to_string(at_));
      ++at_;
      return value;
    }
    if (first == '-') {
      ++at_;
      return -Number();
    }
    std::string word = Word();
    if (word.empty()) Refuse("a number missing at offset " + std::to_string(at_));
    if (std::isdigit(static_cast<unsigned char>(word[0]))) {
      while (!word.empty() && (word.back() == 'L' || word.back() == 'U' || word.back() == 'l' || word.back() == 'u'))
        word.pop_back();
      return static_cast<long>(std::stoul(word, nullptr, 0));
    }
    const auto defined = defines_->find(word);
    if (defined != defines_->end()) return defined->second;
    const auto style = StyleNames().find(word);
    if (style != StyleNames().end()) return style->second;
    Refuse("the name " + word);
  }

  // A quoted text; "" inside stands for one quote, and \n, \t, \\ and \" for what they name.
  std::string Text() {
    if (Peek() != '"') Refuse("a quoted text missing at offset " + std::to_string(at_));
    std::string text;
    for (++at_; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (c == '"') {
        if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
          text += '"';
          ++at_;
          continue;
        }
        ++at_;
        return text;
      }
      if (c == '\\' && at_ + 1 < text_.size()) {
        const char next = text_[++at_];
        text += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        continue;
      }
      text += c;
    }
    Refuse("an unclosed text");
  }

  std::string text_;
  size_t at_ = 0;
  std::map<std::string, long>* defines_;
};

const std::vector<DialogTemplateSpec>& Templates() {
  static const auto* templates = [] {
    auto* read = new std::vector<DialogTemplateSpec>;
    std::map<std::string, long> defines;
    Script(winsim::kResourceScriptText, winsim::kResourceScriptSize, &defines).Read(read);
    return read;
  }();
  return *templates;
}

}  // namespace

namespace winsim {

namespace detail {
const DialogTemplateSpec* FindDialogTemplate(int id) {
  for (const auto& layout : Templates()) {
    if (layout.id == id) return &layout;
  }
  return nullptr;
}
}  // namespace detail

const DialogTemplateSpec& DialogTemplate(int id) {
  const DialogTemplateSpec* layout = detail::FindDialogTemplate(id);
  if (layout == nullptr) Unmodelled("DialogTemplate", "no dialog template " + std::to_string(id));
  return *layout;
}

}  // namespace winsim
