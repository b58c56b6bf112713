#pragma once
// "Find device": the scan for regulators behind a bar, off the window
// thread. The scanning threads never touch a control: they leave what they
// report here and post a private message; the window thread then shows it.
// What is found is listed as it turns up, in the order of the ports; the
// operator takes one row's settings, or stops the scan (Stop, Escape or the
// close box; closing waits at most one request for the scan to end).
#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/regulator_scan.h"
#include "platform/clock.h"

namespace klv {

namespace find_id {
constexpr int kStatus = 1301;
constexpr int kBar = 1302;
constexpr int kFoundList = 1303;
constexpr int kTroubles = 1304;
constexpr int kTake = 1305;
constexpr int kStop = 1306;
}  // namespace find_id

class FindDeviceWindow {
 public:
  // The scan starts when the window opens, with ports made by ports.
  FindDeviceWindow(ScanPlan plan, SerialPortFactory ports, Language language, Clock& clock);
  FindDeviceWindow(const FindDeviceWindow&) = delete;
  FindDeviceWindow& operator=(const FindDeviceWindow&) = delete;
  ~FindDeviceWindow();

  // Shows the window modally; the regulator whose settings were taken, if any.
  std::optional<FoundRegulator> Run(HWND owner);
  // Makes the window without waiting (a test drives it).
  HWND Create(HWND owner);
  HWND Handle() const { return window_; }

  // The regulator whose settings were taken.
  const std::optional<FoundRegulator>& Chosen() const { return chosen_; }
  // The scan has ended and the window shows so.
  bool Finished() const { return finished_; }
  // The window has closed (with or without a choice).
  bool Closed() const { return closed_; }

 private:
  // What the scanning threads report, in the order reported.
  struct Event {
    enum class Kind { Found, Trouble, Finished } kind;
    FoundRegulator found;
    std::string trouble;
    bool cancelled = false;
  };

  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Open();
  void StartScan();
  void StopScan();
  void Post(Event event);
  void ShowReports();
  void AddFound(const FoundRegulator& found);
  void AddTrouble(const std::string& text);
  void ShowFinished(bool cancelled);
  void TakeSelected();
  void Close();

  ScanPlan plan_;
  SerialPortFactory ports_;
  Language language_;
  Clock& clock_;
  std::vector<uint32_t> template_;
  HWND window_ = nullptr;
  bool modal_ = false;
  bool finished_ = false;
  bool closed_ = false;
  std::vector<FoundRegulator> found_;  // in the list's order
  std::string troubles_;
  std::optional<FoundRegulator> chosen_;

  std::atomic<bool> cancel_{false};
  std::thread worker_;
  // Guards what follows; the scanning threads leave their reports here.
  std::mutex mutex_;
  std::optional<ScanProgress> progress_;
  std::deque<Event> events_;
  bool posted_ = false;
};

}  // namespace klv
