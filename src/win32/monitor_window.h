#pragma once
// The monitor window "Monitor" (Tools > Monitor and Tools > Record data,
// after the communication settings): the live rows of the monitor catalogue
// with their markers, captions and values, the alarm/digital-output and
// digital-input lamps, the start/stop, graph and close buttons, and the data
// record group. The logic is MonitorSession's; it runs on a MonitorThread,
// so the window never waits for the line: the window sends it requests and
// shows what comes back, drained on a private message the thread posts.
// Closing stops and joins the thread (waiting at most for the exchange
// under way) and finishes the record. The trend graph window belongs to it.
#include <windows.h>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/monitor_session.h"
#include "monitor/monitor_thread.h"
#include "platform/clock.h"
#include "serial/connection.h"
#include "text/language.h"
#include "win32/lamp_bitmaps.h"
#include "win32/trend_graph_window.h"
#include "win32/window_operator.h"

namespace klv {

// The controls' numbers, for the tests and the pictures.
namespace monitor_id {
constexpr int Marker(int row) { return 600 + row; }
constexpr int RowCaption(int row) { return 620 + row; }
constexpr int Value(int row) { return 640 + row; }  // rows 8 and 9: the hidden bit strings
constexpr int Lamp(int index) { return 660 + index; }
constexpr int LampLabel(int index) { return 670 + index; }
constexpr int kAlarmPanel = 680;
constexpr int kInputPanel = 681;
constexpr int kStart = 690;
constexpr int kGraph = 691;
constexpr int kClose = 692;
constexpr int kRecord = 693;
constexpr int kRecordProgress = 694;
constexpr int kStatus = 695;
constexpr int kRecordGroup = 696;
}  // namespace monitor_id

// The program's things the monitor works on, owned by the caller.
struct MonitorWindowDependencies {
  Connection& connection;             // the program's line, settings and log
  std::filesystem::path dataLogPath;  // datalog.csv; empty: no data record can be made
  Clock& clock;
  Language language = Language::English;
  // Where the graph's save dialogs start, and who keeps the folder chosen.
  std::filesystem::path exportFolder{};
  std::function<void(const std::filesystem::path&)> rememberExportFolder{};
  // Tools > Record data: the window opens with the data record armed, its
  // file already chosen.
  bool armRecord = false;
  // Asks where an armed data record goes before monitoring starts (nothing:
  // cancelled, and monitoring does not start); empty: to dataLogPath as it is.
  std::function<std::optional<std::filesystem::path>(HWND owner)> chooseRecordFile{};
};

class MonitorWindow {
 public:
  static constexpr const wchar_t* kClassName = L"KlvMonitor";

  MonitorWindow(MonitorWindowDependencies& dependencies, WindowOperator& dialogs, HWND owner);
  ~MonitorWindow();
  MonitorWindow(const MonitorWindow&) = delete;
  MonitorWindow& operator=(const MonitorWindow&) = delete;

  // Creates the window (shown when the owner is visible) and its line
  // thread. False when either cannot be made: the operator has been told.
  bool Create();
  // Create, then keeps the messages flowing (the owner disabled, but
  // painting) until the window is closed.
  void Run();
  // "Close" and the close box: the line thread ends, the record is
  // finished, the port closed and the window destroyed.
  void Close();
  bool Closed() const { return closed_; }

  HWND Handle() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  TrendGraphWindow* Graph() const { return graph_.get(); }
  const LampBitmaps& Pictures() const { return pictures_; }
  // What the window shows now, as the thread last reported it.
  const MonitorView& View() const { return view_; }
  // A start or stop asked of the thread and not yet done.
  bool Pending() const { return pending_; }
  // The line thread has ended (after Close).
  bool LineThreadEnded() const { return !thread_ || !thread_->Launched(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateControls();
  HWND Make(const wchar_t* type, const std::wstring& text, DWORD style, int id, int x, int y, int w, int h,
            DWORD extended = 0);
  void StartOrStop();
  void StartMonitoring();
  void StopMonitoring();
  void DrainEvents();
  void Take(MonitorEvent& event);
  void Started(bool started, const std::string& portMessage, const MonitorView& view);
  void Stopped(const MonitorView& view);
  void Show(const MonitorView& view);
  void ShowText(int id, std::string_view text);
  void ShowRowLayout();
  void SetLamp(int index, int state);
  void MarkPolledRow(int row);
  void Message(std::string_view text);
  bool IsGraphMessage(const MSG& message) const;

  MonitorWindowDependencies& dependencies_;
  WindowOperator& dialogs_;
  HWND owner_;
  Language language_;
  MonitorSession session_;
  std::unique_ptr<MonitorThread> thread_;
  LampBitmaps pictures_;
  std::unique_ptr<TrendGraphWindow> graph_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HBRUSH valueBrush_ = nullptr;
  MonitorView view_;
  bool pending_ = false;
  bool recordFileChosen_ = false;  // Tools > Record data asked already
  bool closed_ = false;
  // Events taken from the thread and not yet shown: a message box shown for
  // one lets the next drain run inside it, which then only queues.
  std::vector<MonitorEvent> events_;
  bool draining_ = false;
  std::array<int, kLampCount> lampStates_{};
  int markedRow_ = -1;
  std::string title_;
  // What the controls show, so that only changes are set.
  std::map<int, std::string> shownTexts_;
  int shownProgress_ = 0;
};

}  // namespace klv
