#pragma once
// A parameter set as the main window presents it, in words: for each
// parameter of the model, the screen's caption and what the value means (the
// screen's choice, or the number with its unit), and the option boxes that
// are checked. The command-line tool's show, compare and report use it, so
// every listing names a value the same way.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "model/register.h"
#include "text/language.h"

namespace klv {

struct ParameterLine {
  Register address;
  int slot = -1;             // index into ParameterSet::kSlots
  std::string_view name;     // the slot's stable name, for machine-readable output
  std::string caption;       // the screen's caption in the language
  int16_t value = 0;
  std::string meaning;       // the choice or the number with its unit
  bool transferred = true;   // false: the options leave the row out of a transfer
};

struct ParameterSheet {
  ModelKind model = ModelKind::Klv40;
  std::vector<std::string> options;  // captions of the checked option boxes
  std::vector<ParameterLine> lines;  // in the model's register order
};

// Every parameter of the model's catalogue with its caption and meaning.
ParameterSheet DescribeParameters(const ParameterSet& parameters, ModelKind model, Language language);

// The caption of a slot on the model's screen, and the meaning of a value in it.
std::string ParameterCaption(ModelKind model, int slot, Language language);
std::string ValueMeaning(ModelKind model, int slot, int16_t value, Language language);

// The slot of a catalogue register, or -1.
int SlotOfRegister(ModelKind model, Register address);

// The slot's stable name, as show --json prints it ("slowUpTime"); the slot
// with exactly that name, or -1.
std::string_view SlotName(int slot);
int SlotNamed(std::string_view name);

// Columns a text takes on a terminal: East Asian wide characters take two.
std::size_t DisplayWidth(std::string_view text);

}  // namespace klv
