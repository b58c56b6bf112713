#pragma once
// "Find device": the scan for regulators behind a progress bar, off the
// window thread. With several ports, all are scanned at once, each with a
// bar and a line of its own under the bar of the whole scan. What is found is
// listed as it turns up, in the order of the ports; the operator takes one
// row's settings, or stops the scan of every port (Stop, or closing the
// window).
#include <QDialog>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "device/regulator_scan.h"
#include "platform/clock.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace klv {

class FindDeviceDialog : public QDialog {
  Q_OBJECT

 public:
  // The scan starts at once with ports (each pointed at a plan's device).
  FindDeviceDialog(ScanPlan plan, SerialPortFactory ports, Language language, QWidget* parent = nullptr,
                   Clock& clock = SystemClock());
  ~FindDeviceDialog() override;

  // The regulator whose settings were taken (the dialog was accepted).
  const std::optional<FoundRegulator>& Chosen() const { return chosen_; }
  bool Finished() const { return finished_; }

  // The controls, for the tests and pictures.
  QTableWidget* FoundTable() const { return table_; }
  QPushButton* TakeButton() const { return take_; }
  QPushButton* StopButton() const { return stop_; }
  QLabel* StatusLabel() const { return status_; }
  QProgressBar* Bar() const { return bar_; }
  // One per port, in the plan's order; none when only one port is scanned.
  const std::vector<QProgressBar*>& PortBars() const { return portBars_; }
  const std::vector<QLabel*>& PortLabels() const { return portLabels_; }

  void reject() override;

 private:
  void Build(const std::vector<ScanPort>& ports);
  void StopScan();
  void ShowProgress(const ScanProgress& progress, const QString& text);
  void AddFound(const FoundRegulator& found);
  void AddTrouble(const QString& text);
  void ShowFinished(bool cancelled);

  Language language_;
  std::vector<ScanPort> ports_;
  std::vector<Protocol> protocols_;  // what the scan speaks, for "No regulator found"
  std::vector<FoundRegulator> found_;  // in the table's order
  std::optional<FoundRegulator> chosen_;
  std::atomic<bool> cancel_{false};
  bool finished_ = false;
  std::thread worker_;

  QLabel* status_ = nullptr;
  QProgressBar* bar_ = nullptr;
  std::vector<QProgressBar*> portBars_;
  std::vector<QLabel*> portLabels_;
  QTableWidget* table_ = nullptr;
  QLabel* troubles_ = nullptr;
  QPushButton* take_ = nullptr;
  QPushButton* stop_ = nullptr;
};

// "Find device" in the language: the caption of this window.
QString FindDeviceCaption(Language language);
// The same with its mnemonic, for the button: "&Find device", "機器検索(&F)".
QString FindDeviceButtonCaption(Language language);

}  // namespace klv
