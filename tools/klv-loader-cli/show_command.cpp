// show: a parameter file as the main window would present it, one line per
// parameter of the file's model, with the screen's caption and the meaning of
// the value (the screen's choice, or the number with its unit).
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "cli_texts.h"
#include "commands.h"
#include "editor/parameter_file.h"
#include "editor/texts.h"
#include "environment.h"
#include "model/register_catalogue.h"

namespace klv::cli {
namespace {

constexpr int kTextVariationLimit = 194;
constexpr int kTextLinear = 195;
constexpr int kTextAnalogOutputScaling = 223;
constexpr int kTextControlInputScaling = 226;

// The slots' names, in slot order (the order of the KLV40 catalogue).
constexpr std::string_view kSlotNames[kParameterSlotCount] = {
    "keyLock",          "fuseMeltedAlarm",     "powerSupplyErrorAlarm", "currentErrorAlarm",  "hardwareErrorAlarm",
    "temperatureErrorAlarm", "heaterBreakAlarm", "do1Setting",         "do2Setting",         "rampLowerLimit",
    "rampUpperSelection", "rampUpperSetting",  "slowUpTime",            "slowDownTime",       "currentLimiter",
    "heaterBreakCurrent", "di1Setting",        "di2Setting",            "di3Setting",         "bootLimiter",
    "bootLimiterTime",  "analogInputSetting",  "analogOutputSetting",   "scaleLow",           "scaleHigh",
    "controlInputRange", "powerDipHandling",
};

struct Choice {
  int16_t value;
  std::string_view key;  // screen caption key
};

class Describer {
 public:
  Describer(ModelKind model, Language language) : model_(model), language_(language) {}

  std::string Caption(int slot) const {
    switch (slot) {
      case 0: return Key("Key lock");
      case 1: return Key("Fuse melted");
      case 2: return Key("Power supply error");
      case 3: return Key("Current error");
      case 4: return Key("H/W error");
      case 5: return Key("Temperature error");
      case 6: return Key("Heater break");
      case 7: return Key("DO-1");
      case 8: return Key("DO-2");
      case 9: return Key("Ramp lower limit");
      case 10: return Key("Ramp higher limit selection");
      case 11: return Key("Ramp higher limit setting");
      case 12: return model_ == ModelKind::Klv30 ? std::string(Text(kTextVariationLimit, language_)) : Key("Slow-up");
      case 13: return Key("Slow-down");
      case 14: return Key("Current limiter ( % )");
      case 15: return Key("Heater break alarm current");
      case 16: return Key("DI-1") + " (" + Key("Manual operation") + ")";
      case 17: return Key("DI-2") + " (" + Key("EXE setting") + ")";
      case 18: return Key("DI-3") + " (" + Key("Restrictions when booting") + ")";
      case 19: return Key("Limiter when booting") + ": " + Key("Output limiter");
      case 20: return Key("Limiter when booting") + ": " + Key("Limiter time");
      case 21: return Key("Analog input");
      case 22: return Key("Analog output");
      case 23: return ScalingGroup() + ": " + Key("Lower limit value");
      case 24: return ScalingGroup() + ": " + Key("Higher limit value");
      case 25: return Key("Control input");
      case 26: return Key("Power supply instantaneous") + " " + Key("stop handling function");
      default: return {};
    }
  }

  // What the value means on the screen of the model.
  std::string Meaning(int slot, int16_t value) const {
    const bool klv40 = model_ == ModelKind::Klv40;
    switch (slot) {
      case 0: return Choose(value, {{0, "OFF"}, {1, "ON"}}, "OFF");
      case 1:
      case 5: return Choose(value, {{0, "AL1"}, {1, "AL2"}, {2, "non"}}, "non");
      case 2:
      case 3:
      case 4:
      case 6:
        return klv40 ? Choose(value, {{0, "AL1"}, {1, "AL2"}, {2, "non"}}, "non")
                     : Choose(value, {{0, "AL1"}, {1, "non"}}, "non");
      case 7:
      case 8: return Choose(value, {{0, "non"}, {1, "STY"}, {2, "EXE"}, {3, "HB"}}, "HB");
      case 9:
        if (value == -1 || value == -2) return Choose(value, {{-1, "VR1"}, {-2, "VR2"}}, {});
        return Tenths(value, "%");
      case 10:
        return Choose(value, {{0, "Ramp higher limit setting only"}, {-1, "VR1"}, {-2, "VR2"}},
                      "Ramp higher limit setting only");
      case 11:
      case 19:
      case 23:
      case 24: return Tenths(value, "%");
      case 12:
      case 13:
      case 20: return Tenths(value, "s");
      case 14:
        if (value == -4) return NotAChoice({});
        if (value < 0 && value >= -3) return Choose(value, {{-1, "VR1"}, {-2, "VR2"}, {-3, "VR3"}}, {});
        return std::to_string(value) + " %";
      case 15: return std::to_string(value) + " %";
      case 16:
      case 17: return Choose(value, {{0, "non"}, {1, "POS"}, {2, "INV"}}, "INV");
      case 18: return Choose(value, {{0, "non"}, {1, "POS"}}, {});
      case 21: return Choose(value, {{0, "NON"}, {1, "GAIN"}}, "GAIN");
      case 22: return Choose(value, {{0, "OUTP"}, {1, "INPT"}}, "INPT");
      case 25:
        if (value == 0 && model_ != ModelKind::Klv40) return std::string(Text(kTextLinear, language_));
        return Choose(value,
                      {{0, "4-20mA"}, {1, "0-20mA"}, {2, "0-1V"}, {3, "1-5V"}, {4, "0-10V"}, {5, "Potential"},
                       {6, "Contact"}, {7, "Voltage pulse"}},
                      {});
      case 26: return Choose(value, {{0, "OFF"}, {1, "ON"}}, {});
      default: return {};
    }
  }

  std::string Key(std::string_view key) const { return std::string(klv::Caption(Screen::MainWindow, key, language_)); }

 private:
  std::string ScalingGroup() const {
    return std::string(
        Text(model_ == ModelKind::Klv30E ? kTextControlInputScaling : kTextAnalogOutputScaling, language_));
  }

  // The caption of the value's choice. A value that is none of them is
  // marked, with what the screen shows for it (`shown`, or nothing checked).
  std::string Choose(int16_t value, std::initializer_list<Choice> choices, std::string_view shown) const {
    for (const Choice& choice : choices) {
      if (choice.value == value) return Key(choice.key);
    }
    return NotAChoice(shown);
  }

  std::string NotAChoice(std::string_view shown) const {
    return shown.empty() ? CliText(CliTextId::NotAChoiceNone, language_)
                         : CliText(CliTextId::NotAChoiceShown, language_, {Key(shown)});
  }

  static std::string Tenths(int16_t value, std::string_view unit) {
    const int magnitude = value < 0 ? -value : value;
    return std::string(value < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10) +
           " " + std::string(unit);
  }

  ModelKind model_;
  Language language_;
};

int SlotIndex(const CatalogueEntry& row) {
  for (std::size_t i = 0; i < ParameterSet::kSlots.size(); ++i) {
    if (ParameterSet::kSlots[i] == row.value.Member()) return static_cast<int>(i);
  }
  return -1;
}

struct Line {
  std::string_view address;
  int slot;
  std::string caption;
  int16_t value;
  std::string meaning;
  bool transferred;
};

// Columns a text takes on a terminal: East Asian wide characters take two.
std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<uint8_t>(text[i]);
    uint32_t code = byte;
    std::size_t length = 1;
    if (byte >= 0xF0) {
      length = 4;
      code = byte & 0x07;
    } else if (byte >= 0xE0) {
      length = 3;
      code = byte & 0x0F;
    } else if (byte >= 0xC0) {
      length = 2;
      code = byte & 0x1F;
    }
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k) code = (code << 6) | (text[i + k] & 0x3F);
    const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                      (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                      (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                      (code >= 0xFFE0 && code <= 0xFFE6);
    width += wide ? 2 : 1;
    i += length;
  }
  return width;
}

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t used = DisplayWidth(text);
  return used >= width ? text + " " : text + std::string(width - used, ' ');
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default:
        if (static_cast<uint8_t>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

}  // namespace

int RunShow(const CommandLine& line) {
  const Language language = LocaleLanguage();
  const ParameterFileLoad load = LoadParameterFile(line.file);
  if (load.status != ParameterFileStatus::Loaded || !load.contents) {
    std::string text = line.file + ": " + std::string(Text(RefusalTextNumber(load.status), language));
    if (!load.error.empty()) text += " (" + load.error + ")";
    PrintError(text);
    return kExitUnusable;
  }
  const ModelKind model = load.contents->model;
  const ParameterSet& set = load.contents->parameters;
  const Describer describe(model, language);
  const bool klv40 = model == ModelKind::Klv40;
  // The word of the model's family decides which rows a transfer sends.
  const uint16_t optionWord = klv40 ? set.OptionFlags : set.OptionDetect;

  std::vector<std::string> options;
  if (klv40) {
    const std::pair<uint16_t, std::string_view> boxes[] = {{kOptionAnalogInput, "Analog auxiliary input"},
                                                           {kOptionAlarmOutput2, "Alarm output 2"},
                                                           {kOptionDigitalOutput, "Digital control output"},
                                                           {kOptionAnalogOutput, kAnalogOutputOptionKey}};
    for (const auto& [bit, key] : boxes) {
      if ((set.OptionFlags & bit) != 0) options.push_back(describe.Key(key));
    }
  } else if (set.OptionDetect != 0) {
    options.push_back(describe.Key("Output current detection function"));
  }

  std::vector<Line> lines;
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    const int slot = SlotIndex(row);
    if (slot < 0) continue;
    const int16_t value = set.Slot(static_cast<std::size_t>(slot));
    lines.push_back({row.address, slot, describe.Caption(slot), value, describe.Meaning(slot, value),
                     IsEntryPresent(row, optionWord)});
  }

  if (line.json) {
    std::string out = "{\n  \"file\": " + JsonString(line.file) + ",\n  \"model\": " + JsonString(ModelName(model)) +
                      ",\n  \"modelCode\": " + std::to_string(ModelCode(model)) +
                      ",\n  \"optionFlags\": " + std::to_string(set.OptionFlags) +
                      ",\n  \"optionDetect\": " + std::to_string(set.OptionDetect) + ",\n  \"options\": [";
    for (std::size_t i = 0; i < options.size(); ++i) out += (i ? ", " : "") + JsonString(options[i]);
    out += "],\n  \"parameters\": [\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const Line& l = lines[i];
      out += "    {\"register\": " + JsonString(l.address) + ", \"name\": " + JsonString(kSlotNames[l.slot]) +
             ", \"caption\": " + JsonString(l.caption) + ", \"value\": " + std::to_string(l.value) +
             ", \"meaning\": " + JsonString(l.meaning) +
             ", \"transferred\": " + (l.transferred ? "true" : "false") + "}" + (i + 1 < lines.size() ? "," : "") +
             "\n";
    }
    out += "  ]\n}\n";
    std::fputs(out.c_str(), stdout);
    return kExitSuccess;
  }

  std::string options_text;
  for (const std::string& option : options) options_text += (options_text.empty() ? "" : ", ") + option;
  if (options_text.empty()) options_text = CliText(CliTextId::ShowNoOptions, language);
  std::printf("%s\n%s\n%s\n\n", CliText(CliTextId::ShowFile, language, {line.file}).c_str(),
              CliText(CliTextId::ShowModel, language, {ModelName(model)}).c_str(),
              CliText(CliTextId::ShowOptions, language,
                      {options_text, std::to_string(set.OptionFlags), std::to_string(set.OptionDetect)})
                  .c_str());
  std::size_t width = 9;
  for (const Line& l : lines) width = std::max(width, DisplayWidth(l.caption) + 2);
  const std::string parameter = CliText(CliTextId::ShowParameter, language);
  std::printf("%s\n", CliText(CliTextId::ShowHeading, language, {Padded(parameter, width)}).c_str());
  const std::string notTransferred = "  " + CliText(CliTextId::ShowNotTransferred, language);
  for (const Line& l : lines) {
    std::printf("%.*s      %s%6d  %s%s\n", static_cast<int>(l.address.size()), l.address.data(),
                Padded(l.caption, width).c_str(), l.value, l.meaning.c_str(),
                l.transferred ? "" : notTransferred.c_str());
  }
  return kExitSuccess;
}

}  // namespace klv::cli
