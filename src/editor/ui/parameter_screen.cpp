#include "editor/ui/parameter_screen.h"

namespace klv {

// Placeholder until the screen's controls are built: it holds the model and
// leaves the parameter set as it is.
ParameterScreen::ParameterScreen(ParameterSet& parameters, Language language, QWidget* parent)
    : QWidget(parent), parameters_(parameters), language_(language) {}

ParameterScreen::~ParameterScreen() = default;

void ParameterScreen::ShowParameters() {}

void ParameterScreen::ReadScreen() {}

void ParameterScreen::ApplyModelLayout(ModelKind model) {
  model_ = model;
  ShowParameters();
}

void ParameterScreen::FocusKeyLockOff() {}

}  // namespace klv
