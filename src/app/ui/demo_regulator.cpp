#include "app/ui/demo_regulator.h"

#include "app/program_state.h"
#include "app/ui/main_window.h"
#include "sim/served_regulator.h"
#include "platform/clock.h"
#include "serial/line_settings.h"
#include "serial/device_path_port.h"
#include "serial/port_device.h"
#include "text/ascii_case.h"
#include "text/texts.h"

namespace klv {

struct DemoRegulator::Route {
  std::filesystem::path com1;       // the device COM1 resolves to
  std::filesystem::path simulated;  // the simulated regulator's line
};

std::optional<ModelKind> ParseDemoModel(std::string_view text) {
  for (const ModelKind model : {ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E}) {
    if (EqualsIgnoringAsciiCase(text, ModelName(model))) return model;
  }
  return std::nullopt;
}

DemoRegulator::DemoRegulator(ModelKind model) : model_(model), route_(std::make_shared<Route>()) {}

DemoRegulator::~DemoRegulator() = default;

SerialPortFactory DemoRegulator::Ports() const {
  return [route = route_]() -> PortHandle {
    if (route->simulated.empty()) return MakeSystemSerialPort();
    return RedirectingPortFactory(route->com1, route->simulated)();
  };
}

bool DemoRegulator::Start(int deviceAddress, const std::filesystem::path& dataFolder, std::string& error) {
  sim::SimConfig config;
  config.model = model_;
  // Every option, so that every control and monitor row has something to show.
  config.options = model_ == ModelKind::Klv40 ? 15 : 0;
  config.detect = true;
  config.deviceAddress = std::clamp(deviceAddress, 1, 99);
  device_ = std::make_unique<sim::ServedRegulator>(config, SystemClock());
  if (!device_->Start(error)) {
    device_.reset();
    return false;
  }
  route_->com1 = ResolvePortDevice(1, dataFolder);
  route_->simulated = device_->Path();
  return true;
}

std::string DemoRegulator::TitleNote(Language language) const {
  return Text(TextId::DemoTitle, language, {ModelName(model_)});
}

bool BeginDemo(DemoRegulator& demo, MainWindow& window, ProgramState& state, std::string& error) {
  if (!demo.Start(state.connection.settings.deviceAddress, state.connection.dataFolder, error)) return false;
  state.demoModel = demo.Model();
  if (state.commandLineFile.empty()) window.ChooseModel(demo.Model());
  window.SetTitleNote(demo.TitleNote(state.language));
  return true;
}

}  // namespace klv
