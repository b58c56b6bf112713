#include "editor/field_rules.h"

namespace klv {

namespace {

FieldCorrection Number(int value) { return std::to_string(value); }

}  // namespace

int SimpleRangeUpper(EditField field) {
  switch (field) {
    case EditField::HeaterBreakCurrent: return 100;
    case EditField::SlowUp:
    case EditField::SlowDown:
    case EditField::BootLimiterTime: return 999;
    case EditField::BootLimiter: return 1000;
    default: return 0;
  }
}

bool CheckedWhileTyping(EditField field) {
  switch (field) {
    case EditField::HeaterBreakCurrent:
    case EditField::SlowUp:
    case EditField::SlowDown:
    case EditField::BootLimiter:
    case EditField::BootLimiterTime:
    case EditField::CurrentLimiter: return true;
    case EditField::RampLowerLimit:
    case EditField::RampUpperSetting:
    case EditField::ScaleLow:
    case EditField::ScaleHigh: return false;
  }
  return false;
}

FieldCorrection SimpleRangeOnChange(EditField field, int n) {
  if (n < 0) return Number(0);
  const int upper = SimpleRangeUpper(field);
  if (n > upper) return Number(upper);
  return std::nullopt;
}

FieldCorrection SimpleRangeOnLeave(EditField field, const std::string& text, int n, bool screenReady) {
  if (field == EditField::HeaterBreakCurrent) return text.empty() ? Number(0) : std::nullopt;
  if (screenReady && n <= 0) return Number(0);
  return std::nullopt;
}

FieldCorrection ScalingOnLeave(EditField field, int n, ModelKind model) {
  const bool controlInputScaling = model == ModelKind::Klv30E;
  if (field == EditField::ScaleLow) {
    if (n <= 0) return Number(0);
    const int upper = controlInputScaling ? 200 : 1000;
    if (n > upper) return Number(upper);
    return std::nullopt;
  }
  // "799 or less" and "0 or less": 800 and 0 themselves are rewritten
  // only on the analog output scaling, where that changes no value.
  if (controlInputScaling ? n <= 799 : n <= 0) return Number(controlInputScaling ? 800 : 0);
  if (n > 1000) return Number(1000);
  return std::nullopt;
}

RampAdjustment RampOnNumberClick(int lower, int higher) {
  RampAdjustment result;
  if (higher <= lower) result.lowerText = Number(higher - 1);
  result.lowerSpinUpper = higher - 1;
  return result;
}

RampAdjustment RampOnHigherLeave(int lower, int higher) {
  RampAdjustment result;
  if (higher < 1) {
    result.higherText = Number(1);
    higher = 1;
  } else if (higher > 1000) {
    result.higherText = Number(1000);
    higher = 1000;
  }
  result.lowerSpinUpper = higher - 1;
  if (higher <= lower) result.lowerText = Number(higher - 1);
  return result;
}

FieldCorrection RampOnLowerLeave(int lower, int higher) {
  if (lower < 1) return Number(0);
  if (lower >= higher) return Number(higher - 1);
  return std::nullopt;
}

int CurrentLimiterMinimum(ModelKind model) { return model == ModelKind::Klv30 ? 0 : 10; }

LimiterCorrection CurrentLimiterOnLeave(int n, ModelKind model) {
  if (n < CurrentLimiterMinimum(model)) {
    if (model == ModelKind::Klv30E) return {Number(10), 10};
    return {std::string(kLimiterOffText), 0};
  }
  if (n > 120) return {Number(120), n};
  return {std::nullopt, n};
}

LimiterCorrection CurrentLimiterOnChange(int n, ModelKind model, bool typed) {
  if (!typed && n != 0 && n < CurrentLimiterMinimum(model)) return {Number(0), 0};
  if (n > 120) return {Number(120), n};
  return {std::nullopt, n};
}

SpinMove CurrentLimiterSpin(int n, SpinMove move, ModelKind model) {
  if (model == ModelKind::Klv30) return move;
  move.position = n;
  if (n == 0) {
    move.step *= 10;
  } else if (n == 10 && move.step < 0) {
    move.step = -10;
  } else if (n < 10) {
    move.step *= 10 - n;
  }
  return move;
}

}  // namespace klv
