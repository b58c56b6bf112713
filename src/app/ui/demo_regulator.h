#pragma once
// The demo mode: a simulated regulator in this process, on a pseudo-terminal
// that the program's COM1 reaches for this run only. The operator's port
// links and settings file are not touched for it.
#include <filesystem>
#include <memory>

#include "text/texts.h"
#include <optional>
#include <string>
#include <string_view>

#include "model/model_kind.h"
#include "serial/port.h"

namespace klv {

namespace sim {
class ServedRegulator;
}  // namespace sim

// "KLV40", "KLV30", "KLV30E" (any case); nothing for another text.
std::optional<ModelKind> ParseDemoModel(std::string_view text);

class DemoRegulator {
 public:
  explicit DemoRegulator(ModelKind model);
  ~DemoRegulator();
  DemoRegulator(const DemoRegulator&) = delete;
  DemoRegulator& operator=(const DemoRegulator&) = delete;

  // Ports that open the simulated line when asked for COM1's device. Usable
  // before Start: the route is set by Start.
  SerialPortFactory Ports() const;

  // Starts the simulated regulator at deviceAddress, reached by COM1 as the
  // data folder resolves it. False (with the reason) when no
  // pseudo-terminal could be made.
  bool Start(int deviceAddress, const std::filesystem::path& dataFolder, std::string& error);

  ModelKind Model() const { return model_; }
  // The note the window's title carries while the demo runs.
  std::string TitleNote(Language language = Language::English) const;

 private:
  struct Route;
  ModelKind model_;
  std::shared_ptr<Route> route_;
  std::unique_ptr<sim::ServedRegulator> device_;
};

class MainWindow;
class ProgramState;

// Starts the demo for a window that has been initialised: the simulated
// regulator on COM1, the window on its model's screen (unless a file named on
// the command line chose the screen), the title's note, and COM1 shown as
// simulated in the communication settings. False (with the reason) when the
// simulated regulator could not start; the window is left as it was.
bool BeginDemo(DemoRegulator& demo, MainWindow& window, ProgramState& state, std::string& error);

}  // namespace klv
