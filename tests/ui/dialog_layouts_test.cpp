#include "ui/dialog_layouts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace quintrel {
namespace {

// A string as the resource decompiler writes it: plain when ASCII, else L"\x...." per unit.
std::string quoted(std::u16string_view text) {
  bool ascii = true;
  std::string plain;
  std::string escaped;
  char unit[8];
  for (const char16_t c : text) {
    ascii = ascii && c < 0x80;
    plain.push_back(static_cast<char>(c));
    std::snprintf(unit, sizeof unit, "\\x%04x", static_cast<unsigned>(c));
    escaped += unit;
  }
  return ascii ? '"' + plain + '"' : "L\"" + escaped + '"';
}

// The table in the lines of the decompiled templates (all but FONT, BEGIN and END).
std::vector<std::string> decompiled_lines(const DialogLayout& dialog) {
  static constexpr const char* kKinds[] = {"COMBOBOX", "PUSHBUTTON", "DEFPUSHBUTTON",
                                           "EDITTEXT", "RTEXT",      "CTEXT"};
  char line[160];
  std::snprintf(line, sizeof line, "%d DIALOGEX 0, 0, %d, %d", dialog.id, dialog.cx, dialog.cy);
  std::vector<std::string> lines = {line};
  std::snprintf(line, sizeof line, "STYLE 0x%x", static_cast<unsigned>(dialog.style));
  lines.push_back(line);
  lines.push_back("CAPTION " + quoted(dialog.caption));
  for (const ControlLayout& c : dialog.controls) {
    const bool has_text = c.kind != ControlKind::kComboBox && c.kind != ControlKind::kEditText;
    std::snprintf(line, sizeof line, "  %s %s%d, %d, %d, %d, %d, 0x%x",
                  kKinds[static_cast<int>(c.kind)], has_text ? (quoted(c.text) + ", ").c_str() : "",
                  c.id, c.x, c.y, c.cx, c.cy, static_cast<unsigned>(c.style));
    lines.push_back(line);
  }
  return lines;
}

// dialog-templates.expected is the record of the templates compiled into Quintrel.exe from
// quintrel.rc, so the Qt windows and the Windows ones cannot drift apart.
TEST(DialogLayouts, MatchTheCompiledTemplates) {
  std::ifstream file(QUINTREL_DIALOG_TEMPLATES);
  ASSERT_TRUE(file) << QUINTREL_DIALOG_TEMPLATES;
  std::vector<std::string> recorded;
  for (std::string line; std::getline(file, line);) {
    if (!line.starts_with("FONT ") && line != "BEGIN" && line != "END") {
      recorded.push_back(line);
    }
  }
  std::vector<std::string> described = decompiled_lines(kMainDialogLayout);
  const std::vector<std::string> message = decompiled_lines(kMessageDialogLayout);
  described.insert(described.end(), message.begin(), message.end());
  EXPECT_EQ(described, recorded);
}

}  // namespace
}  // namespace quintrel
