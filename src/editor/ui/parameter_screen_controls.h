#pragma once
// The controls of the parameter screen as its builder makes them and the
// screen's code reads them; shared by parameter_screen.cpp and
// parameter_screen_builder.cpp only.
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <array>
#include <cstddef>
#include <vector>

#include "editor/ui/parameter_screen.h"
#include "widgets/screen_controls.h"

namespace klv {

constexpr std::size_t Index(RadioGroup group) { return static_cast<std::size_t>(group); }
constexpr std::size_t Index(EditField field) { return static_cast<std::size_t>(field); }

// The buttons of "Control input".
constexpr int kInputCount = 8;

struct ParameterScreen::Controls {
  struct Radios {
    ScreenGroupBox* box = nullptr;
    QButtonGroup* group = nullptr;
    std::vector<QRadioButton*> buttons;
    QLabel* note = nullptr;  // the text inside a "DI" group and "Power supply instantaneous"
  };
  // The labels beside an edit field: caption, ":" and unit, each null where
  // the field has none.
  struct LabelRow {
    QLabel* label = nullptr;
    QLabel* colon = nullptr;
    QLabel* unit = nullptr;
  };

  std::array<Radios, kRadioGroupCount> radios;
  std::array<ScreenEdit*, kEditFieldCount> edits{};
  std::array<ScreenSpinButton*, kEditFieldCount> spins{};
  QButtonGroup* inputKind = nullptr;
  QRadioButton* current = nullptr;
  QRadioButton* voltage = nullptr;
  std::array<QCheckBox*, 5> options{};

  ScreenGroupBox* slowBox = nullptr;
  ScreenGroupBox* bootBox = nullptr;
  ScreenGroupBox* scalingBox = nullptr;
  ScreenGroupBox* optionsOneSeries = nullptr;
  ScreenGroupBox* optionsKlv40 = nullptr;

  std::array<LabelRow, kEditFieldCount> labels{};

  Radios& operator[](RadioGroup group) { return radios[Index(group)]; }
  const Radios& operator[](RadioGroup group) const { return radios[Index(group)]; }
};

}  // namespace klv
