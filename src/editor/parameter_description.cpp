#include "editor/parameter_description.h"

#include <initializer_list>

#include "model/register_catalogue.h"
#include "text/texts.h"

namespace klv {
namespace {


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
      case 12: return model_ == ModelKind::Klv30 ? std::string(Text(TextId::VariationLimit, language_)) : Key("Slow-up");
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
        if (value == 0 && model_ != ModelKind::Klv40) return std::string(Text(TextId::Linear, language_));
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
        Text(model_ == ModelKind::Klv30E ? TextId::ControlInputScaling : TextId::AnalogOutputScaling, language_));
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
    return shown.empty() ? std::string(Text(TextId::NotAChoiceNoneShown, language_))
                         : Text(TextId::NotAChoiceShown, language_, {Key(shown)});
  }

  static std::string Tenths(int16_t value, std::string_view unit) {
    const int magnitude = value < 0 ? -value : value;
    return std::string(value < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10) +
           " " + std::string(unit);
  }

  ModelKind model_;
  Language language_;
};

}  // namespace

int SlotIndexOf(const CatalogueEntry& row) {
  for (std::size_t i = 0; i < ParameterSet::kSlots.size(); ++i) {
    if (ParameterSet::kSlots[i] == row.value.Member()) return static_cast<int>(i);
  }
  return -1;
}


namespace {
// Columns a text takes on a terminal: East Asian wide characters take two.
}  // namespace

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


ParameterSheet DescribeParameters(const ParameterSet& set, ModelKind model, Language language) {
  const Describer describe(model, language);
  ParameterSheet sheet;
  sheet.model = model;
  const bool klv40 = model == ModelKind::Klv40;
  // The word of the model's family decides which rows a transfer sends.
  const uint16_t optionWord = klv40 ? set.optionFlags : set.optionDetect;
  if (klv40) {
    const std::pair<uint16_t, std::string_view> boxes[] = {{kOptionAnalogInput, "Analog auxiliary input"},
                                                           {kOptionAlarmOutput2, "Alarm output 2"},
                                                           {kOptionDigitalOutput, "Digital control output"},
                                                           {kOptionAnalogOutput, kAnalogOutputOptionKey}};
    for (const auto& [bit, key] : boxes) {
      if ((set.optionFlags & bit) != 0) sheet.options.push_back(describe.Key(key));
    }
  } else if (set.optionDetect != 0) {
    sheet.options.push_back(describe.Key("Output current detection function"));
  }
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    const int slot = SlotIndexOf(row);
    if (slot < 0) continue;
    const int16_t value = set.Slot(static_cast<std::size_t>(slot));
    sheet.lines.push_back({row.address, slot, kSlotNames[slot], describe.Caption(slot), value,
                           describe.Meaning(slot, value), IsEntryPresent(row, optionWord)});
  }
  return sheet;
}

std::string ParameterCaption(ModelKind model, int slot, Language language) {
  return Describer(model, language).Caption(slot);
}

std::string ValueMeaning(ModelKind model, int slot, int16_t value, Language language) {
  return Describer(model, language).Meaning(slot, value);
}

int SlotOfRegister(ModelKind model, Register address) {
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (row.address == address) return SlotIndexOf(row);
  }
  return -1;
}

std::string_view SlotName(int slot) {
  return slot >= 0 && slot < static_cast<int>(kParameterSlotCount) ? kSlotNames[slot] : std::string_view{};
}

int SlotNamed(std::string_view name) {
  for (std::size_t i = 0; i < kParameterSlotCount; ++i) {
    if (kSlotNames[i] == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace klv
