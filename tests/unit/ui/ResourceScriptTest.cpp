// The resource script read as the resource compiler reads it: every control
// of the main dialog in its place, the radio groups the creation order and
// group styles make, the menu texts, and the smaller dialogs.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kRoot = [] {
  std::string file = __FILE__;
  for (int i = 0; i < 4; ++i) file = file.substr(0, file.find_last_of("/\\"));
  return file;
}();

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Splits at commas outside quotes.
std::vector<std::string> SplitArguments(const std::string& text) {
  std::vector<std::string> parts(1);
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  for (auto& part : parts) part = Trim(part);
  return parts;
}

std::string Unquote(const std::string& text) {
  return text.size() >= 2 && text.front() == '"' ? text.substr(1, text.size() - 2) : text;
}

const std::map<std::string, std::uint32_t> kStyles = {
    {"WS_POPUP", 0x80000000u}, {"WS_CHILD", 0x40000000u}, {"WS_MINIMIZEBOX", 0x00020000u},
    {"WS_MAXIMIZEBOX", 0x00010000u}, {"WS_VISIBLE", 0x10000000u}, {"WS_DISABLED", 0x08000000u},
    {"WS_CAPTION", 0x00C00000u}, {"WS_BORDER", 0x00800000u}, {"WS_SYSMENU", 0x00080000u},
    {"WS_VSCROLL", 0x00200000u}, {"WS_GROUP", 0x00020000u}, {"WS_TABSTOP", 0x00010000u},
    {"DS_SETFONT", 0x40u}, {"DS_MODALFRAME", 0x80u}, {"DS_SETFOREGROUND", 0x200u},
    {"BS_PUSHBUTTON", 0x0u}, {"BS_DEFPUSHBUTTON", 0x1u}, {"BS_AUTOCHECKBOX", 0x3u},
    {"BS_RADIOBUTTON", 0x4u}, {"BS_GROUPBOX", 0x7u}, {"BS_AUTORADIOBUTTON", 0x9u},
    {"BS_OWNERDRAW", 0xBu}, {"BS_LEFTTEXT", 0x20u}, {"BS_FLAT", 0x8000u},
    {"SS_LEFT", 0x0u}, {"SS_CENTER", 0x1u}, {"SS_RIGHT", 0x2u}, {"SS_ICON", 0x3u},
    {"SS_BLACKFRAME", 0x7u}, {"SS_BITMAP", 0xEu}, {"SS_NOPREFIX", 0x80u}, {"SS_NOTIFY", 0x100u},
    {"ES_MULTILINE", 0x4u}, {"ES_AUTOVSCROLL", 0x40u}, {"ES_AUTOHSCROLL", 0x80u},
    {"ES_READONLY", 0x800u}, {"ES_WANTRETURN", 0x1000u}, {"ES_NUMBER", 0x2000u},
    {"CBS_DROPDOWNLIST", 0x3u}, {"CBS_SORT", 0x100u}, {"WS_EX_APPWINDOW", 0x40000u},
};

struct Control {
  std::string text;  // the text, or the image id of a picture
  int id = 0;
  std::string kind;  // Button, Static, Edit, ComboBox
  std::uint32_t style = 0;
  int x = 0, y = 0, w = 0, h = 0;
};

struct Dialog {
  std::map<std::string, std::string> header;  // STYLE, EXSTYLE, CAPTION, MENU, FONT, size
  std::vector<Control> controls;
};

class Script {
 public:
  Script() {
    std::istringstream ids(ReadFile(kRoot + "/resources/resource.h"));
    for (std::string line; std::getline(ids, line);) {
      std::istringstream words(line);
      std::string define, name, value;
      if (words >> define >> name >> value && define == "#define" && value != "(-1)") {
        ids_[name] = std::stoi(value);
      }
    }
    ids_["IDC_STATIC"] = -1;
    ids_["IDOK"] = 1;
    ids_["IDCANCEL"] = 2;
    text_ = ReadFile(kRoot + "/resources/Mavrion.rc");
  }

  int Id(const std::string& token) const {
    auto it = ids_.find(token);
    return it != ids_.end() ? it->second : std::stoi(token);
  }

  std::uint32_t Style(const std::string& expression, std::uint32_t base) const {
    std::uint32_t style = base;
    bool negate = false;
    std::istringstream words(expression);
    for (std::string word; words >> word;) {
      if (word == "|") continue;
      if (word == "NOT") {
        negate = true;
        continue;
      }
      const std::uint32_t bits = kStyles.at(word);
      style = negate ? (style & ~bits) : (style | bits);
      negate = false;
    }
    return style;
  }

  // The block of a resource: the lines between its BEGIN and END, and the
  // statements before BEGIN.
  Dialog ReadDialog(const std::string& name) const {
    Dialog dialog;
    std::istringstream lines(Block(name + " DIALOGEX"));
    std::string line;
    std::getline(lines, line);
    dialog.header["size"] = Trim(line.substr(line.find("DIALOGEX") + 8));
    bool inside = false;
    while (std::getline(lines, line)) {
      line = Trim(line);
      if (line == "BEGIN") {
        inside = true;
      } else if (line == "END") {
        break;
      } else if (!inside) {
        const auto space = line.find(' ');
        dialog.header[line.substr(0, space)] = Trim(line.substr(space + 1));
      } else if (line.rfind("CONTROL ", 0) == 0) {
        const auto args = SplitArguments(line.substr(8));
        Control control;
        control.text = Unquote(args[0]);
        if (!control.text.empty() && args[0][0] != '"') control.text = std::to_string(Id(args[0]));
        control.id = Id(args[1]);
        control.kind = Unquote(args[2]);
        control.style = Style(args[3], kStyles.at("WS_CHILD") | kStyles.at("WS_VISIBLE"));
        control.x = std::stoi(args[4]);
        control.y = std::stoi(args[5]);
        control.w = std::stoi(args[6]);
        control.h = std::stoi(args[7]);
        dialog.controls.push_back(control);
      }
    }
    return dialog;
  }

  std::string Block(const std::string& opening) const {
    const auto start = text_.find("\n" + opening);
    if (start == std::string::npos) return "";
    const auto end = text_.find("\nEND", start);
    return text_.substr(start + 1, end - start);
  }

 private:
  std::map<std::string, int> ids_;
  std::string text_;
};

bool Has(std::uint32_t style, const char* name) {
  const std::uint32_t bits = kStyles.at(name);
  return bits != 0 && (style & bits) == bits;
}
std::uint32_t ButtonType(const Control& c) { return c.style & 0xF; }
bool IsRadio(const Control& c) { return c.kind == "Button" && (ButtonType(c) == 0x4 || ButtonType(c) == 0x9); }

// What the dialog manager makes of the creation order: a group runs from a
// control with WS_GROUP to the next one; only radio buttons count.
std::vector<int> RadioGroupOf(const Dialog& dialog, int firstRadio) {
  std::vector<int> group;
  bool inGroup = false;
  for (const Control& control : dialog.controls) {
    if (inGroup && Has(control.style, "WS_GROUP")) break;
    if (control.id == firstRadio) inGroup = true;
    if (inGroup && IsRadio(control)) group.push_back(control.id);
  }
  return group;
}

struct Expected {
  int id;
  const char* kind;
  const char* text;
  int x, y, w, h;
};

// The main dialog's controls in creation order.
const Expected kMainControls[] = {
    {1051, "Button", "Screen Recording Options", 7, 172, 306, 113},
    {1025, "Button", "Record only specific program(s) or Application(s).    Click to select the program", 19, 186, 290, 10},
    {1027, "Button", "Record Specific Area of screen.", 19, 231, 116, 10},
    {1026, "Button", "Record Entire Screen.", 19, 213, 115, 10},
    {1043, "Button", "Record Entire Screen leaving the taskbar", 19, 201, 166, 10},
    {1, "Button", "Close", 289, 273, 19, 14},
    {1046, "Static", "Output Video File Name :", 31, 45, 85, 8},
    {1000, "Edit", "", 121, 43, 166, 12},
    {1001, "Button", "...", 290, 43, 19, 12},
    {3, "Button", "Pause [F7]", 114, 4, 52, 13},
    {1003, "Button", "Record Audio and Video :", 34, 75, 96, 8},
    {1004, "Button", "Record Only Video :", 172, 75, 78, 8},
    {-1, "Static", "Video Height:", 53, 142, 63, 8},
    {-1, "Static", "Video Width:", 175, 142, 62, 8},
    {-1, "Static", "Video Frame Rate per Second :", 15, 60, 101, 8},
    {1010, "ComboBox", "", 121, 140, 48, 101},
    {1011, "ComboBox", "", 241, 140, 48, 127},
    {1014, "ComboBox", "", 121, 58, 48, 116},
    {4, "Button", "Stop     [F9]", 59, 4, 52, 13},
    {-1, "Static", "Video Image Quality :", 169, 60, 71, 8},
    {1015, "ComboBox", "", 241, 58, 48, 116},
    {5, "Button", "Start     [F6]", 4, 4, 52, 13},
    {1053, "Static", nullptr, 3, 298, 140, 10},
    {1052, "Static", nullptr, 145, 298, 109, 10},
    {-1, "Static", "Left:", 34, 248, 18, 8},
    {-1, "Static", "Top:", 89, 249, 27, 8},
    {-1, "Static", "Height:", 28, 262, 24, 8},
    {-1, "Static", "Width:", 89, 259, 27, 8},
    {1028, "Edit", "", 120, 247, 26, 12},
    {1029, "Edit", "", 57, 246, 26, 12},
    {1030, "Edit", "", 57, 261, 26, 12},
    {1031, "Edit", "", 120, 262, 26, 12},
    {1032, "Static", "136", 274, 252, 21, 20},
    {-1, "Static", "Finder Tool", 266, 245, 38, 8},
    {1045, "Button", "Audio and Video Settings", 7, 31, 306, 131},
    {1047, "Static", "Press the left-mouse button on the Finder Tool and drag it over a region or window you want to record.", 151, 245, 111, 33},
    {1035, "Button", "Flash Recording Area :", 44, 107, 86, 8},
    {1054, "Button", "To keep default video size  similar to desktop, Height and Width should be Zero", 17, 127, 287, 30},
    {-1, "Button", "", 15, 223, 291, 56},
    {6, "Button", "Save Settings", 184, 4, 52, 13},
    {-1, "Button", "", 16, 181, 290, 17},
    {-1, "Static", "Audio Input Device :", 51, 90, 66, 8},
    {1017, "ComboBox", "", 121, 87, 168, 102},
    {1048, "Static", "Time: 00 : 00 : 00", 256, 298, 59, 10},
    {1049, "Button", "Click to Set video author and copyright", 138, 104, 151, 15},
    {-1, "Static", "", 174, 3, 1, 16},
};

TEST(ResourceScriptTest, MainDialogHasEveryControlInItsPlaceAndOrder) {
  const Script script;
  const Dialog dialog = script.ReadDialog("IDD_MAVRION_DIALOG");
  ASSERT_EQ(dialog.controls.size(), std::size(kMainControls));
  for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
    const Control& c = dialog.controls[i];
    const Expected& e = kMainControls[i];
    SCOPED_TRACE("control #" + std::to_string(i) + " id " + std::to_string(e.id));
    EXPECT_EQ(c.id, e.id);
    EXPECT_EQ(c.kind, e.kind);
    if (e.text != nullptr) EXPECT_EQ(c.text, e.text);
    EXPECT_EQ(c.x, e.x);
    EXPECT_EQ(c.y, e.y);
    EXPECT_EQ(c.w, e.w);
    EXPECT_EQ(c.h, e.h);
    // Groups start at 1025, 1003, every label and the footer lines.
    const bool label = c.kind == "Static" && c.id != 1047 && c.id != 1032 && !c.text.empty();
    const bool startsGroup = c.id == 1025 || c.id == 1003 || label;
    EXPECT_EQ(Has(c.style, "WS_GROUP"), startsGroup);
  }

  EXPECT_EQ(RadioGroupOf(dialog, 1025), (std::vector<int>{1025, 1027, 1026, 1043}));
  EXPECT_EQ(RadioGroupOf(dialog, 1003), (std::vector<int>{1003, 1004}));
}

TEST(ResourceScriptTest, MainDialogStylesAndFrame) {
  const Script script;
  const Dialog dialog = script.ReadDialog("IDD_MAVRION_DIALOG");
  std::map<int, Control> byId;
  for (const Control& c : dialog.controls) byId[c.id] = c;

  for (int id : {5, 4, 3, 6}) {
    EXPECT_EQ(ButtonType(byId[id]), 0xBu) << id;  // owner-drawn
    EXPECT_TRUE(Has(byId[id].style, "WS_TABSTOP")) << id;
    EXPECT_EQ(Has(byId[id].style, "WS_DISABLED"), id == 4 || id == 3) << id;
  }
  EXPECT_FALSE(Has(byId[1].style, "WS_VISIBLE"));
  EXPECT_TRUE(Has(byId[1].style, "WS_TABSTOP"));
  EXPECT_EQ(byId[1032].style & 0x1FF, 0x10Eu);  // SS_BITMAP | SS_NOTIFY
  EXPECT_TRUE(Has(byId[1000].style, "ES_READONLY"));
  for (int id : {1028, 1029, 1030, 1031}) EXPECT_TRUE(Has(byId[id].style, "ES_NUMBER")) << id;
  for (int id : {1010, 1011, 1014, 1015, 1017}) {
    EXPECT_EQ(byId[id].style & 0x3, 0x3u) << id;  // drop-down list
    EXPECT_TRUE(Has(byId[id].style, "CBS_SORT")) << id;
  }
  for (int id : {1003, 1004, 1035}) EXPECT_TRUE(Has(byId[id].style, "BS_LEFTTEXT")) << id;

  const std::uint32_t style = script.Style(dialog.header.at("STYLE"), 0);
  for (const char* name : {"WS_POPUP", "WS_CAPTION", "WS_SYSMENU", "WS_MINIMIZEBOX", "DS_MODALFRAME", "DS_SETFOREGROUND"}) {
    EXPECT_TRUE(Has(style, name)) << name;
  }
  EXPECT_FALSE(Has(style, "WS_MAXIMIZEBOX"));
  EXPECT_EQ(dialog.header.at("EXSTYLE"), "WS_EX_APPWINDOW");
  EXPECT_EQ(dialog.header.at("CAPTION"), "\"Mavrion - Screen Recorder and Presentation Developer\"");
  EXPECT_EQ(script.Id(dialog.header.at("MENU")), 132);
  EXPECT_EQ(dialog.header.at("FONT").substr(0, 12), "8, \"Calibri\"");
  EXPECT_EQ(dialog.header.at("size"), "0, 0, 320, 310");
}

TEST(ResourceScriptTest, MenuStringsAndIds) {
  const Script script;
  EXPECT_EQ(script.Id("IDD_ABOUTBOX"), 100);
  EXPECT_EQ(script.Id("IDD_MAVRION_DIALOG"), 102);
  EXPECT_EQ(script.Id("IDD_OPEN_WINDOWS"), 139);
  EXPECT_EQ(script.Id("IDD_VIDEO_DESC"), 140);
  EXPECT_EQ(script.Id("IDM_ABOUTBOX"), 16);

  const std::string menu = script.Block("IDR_MAINMENU MENU");
  const std::vector<std::string> items = {
      "MENUITEM \"Start &Capture          F6\", ID_START_CAPTURE\n",
      "MENUITEM \"Pause Capture        F7\", ID_PAUSE_CAPTURE, GRAYED\n",
      "MENUITEM \"Resume Capture    F8\", ID_RESUME_CAPTURE, GRAYED\n",
      "MENUITEM \"Stop Capture          F9\", ID_STOP_CAPTURE, GRAYED\n",
      "MENUITEM \"Show Application\", ID_SHOW_APPLICATION\n",
      "MENUITEM \"Exit Application\", ID_EXIT_APPLICATION\n",
      "MENUITEM \"Help     F1\", ID_HELP\n",
      "MENUITEM \"About\", ID_APP_ABOUT\n",
  };
  std::size_t at = menu.find("POPUP \"Options\"");
  ASSERT_NE(at, std::string::npos);
  for (const std::string& item : items) {
    const std::size_t found = menu.find(item, at);
    ASSERT_NE(found, std::string::npos) << item;
    at = found;
  }
  EXPECT_LT(menu.find("POPUP \"Options\""), menu.find("POPUP \"Help\""));
  EXPECT_LT(menu.find("POPUP \"Help\""), menu.find("\"Help     F1\""));
  EXPECT_EQ(script.Id("ID_START_CAPTURE"), 32771);
  EXPECT_EQ(script.Id("ID_SHOW_APPLICATION"), 32772);
  EXPECT_EQ(script.Id("ID_EXIT_APPLICATION"), 32773);
  EXPECT_EQ(script.Id("ID_PAUSE_CAPTURE"), 32774);
  EXPECT_EQ(script.Id("ID_STOP_CAPTURE"), 32775);
  EXPECT_EQ(script.Id("ID_RESUME_CAPTURE"), 32776);
  EXPECT_EQ(script.Id("ID_APP_ABOUT"), 32777);
  EXPECT_EQ(script.Id("ID_HELP"), 57670);

  EXPECT_NE(script.Block("STRINGTABLE").find("IDS_ABOUTBOX \"&About Tovask...\""), std::string::npos);
  EXPECT_EQ(script.Id("IDS_ABOUTBOX"), 101);
}

TEST(ResourceScriptTest, VideoDescriptionAndAboutDialogs) {
  const Script script;
  const Dialog description = script.ReadDialog("IDD_VIDEO_DESC");
  EXPECT_EQ(description.header.at("CAPTION"), "\"Video file Properties\"");
  EXPECT_EQ(description.header.at("size"), "0, 0, 267, 164");
  std::vector<int> order;
  for (const Control& c : description.controls) order.push_back(c.id);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 1046, 1050, 1047, 1001, 1048, 1002, 1049, 1003, -1}));
  EXPECT_EQ(ButtonType(description.controls[0]), 0x1u);  // OK is the default button
  const Control& field = description.controls[9];
  EXPECT_TRUE(Has(field.style, "ES_MULTILINE"));
  EXPECT_TRUE(Has(field.style, "ES_AUTOHSCROLL"));
  // Enter must reach the dialog (OK), and the field does not scroll down.
  EXPECT_FALSE(Has(field.style, "ES_WANTRETURN"));
  EXPECT_FALSE(Has(field.style, "WS_VSCROLL"));
  EXPECT_FALSE(Has(field.style, "ES_AUTOVSCROLL"));
  EXPECT_EQ(description.controls[8].text, "Video Desctiption :");

  const Dialog about = script.ReadDialog("IDD_ABOUTBOX");
  EXPECT_EQ(about.header.at("CAPTION"), "\"About Mavrion\"");
  EXPECT_EQ(about.header.at("size"), "0, 0, 235, 166");
  EXPECT_FALSE(Has(script.Style(about.header.at("STYLE"), 0), "WS_MINIMIZEBOX"));
  EXPECT_EQ(about.controls[0].text, "128");
  EXPECT_EQ(about.controls[1].text, "Mavrion - Screen Recorder Version 1.3");
  EXPECT_EQ(about.controls[3].id, 1);
  EXPECT_EQ(ButtonType(about.controls[3]), 0x1u);
}

}  // namespace
