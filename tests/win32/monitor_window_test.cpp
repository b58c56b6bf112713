// The monitor window and its trend graph on Windows, driven through their
// controls against a simulated regulator in this process: live values and
// lamps, the data record, a silent regulator, closing, and the graph's
// drawing and exports. What the windows show is checked against the core.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <wincodec.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/program_state.h"
#include "monitor/data_recorder.h"
#include "monitor/monitor_window_texts.h"
#include "monitor/trend_export.h"
#include "support/fake_clock.h"
#include "support/regulator_port.h"
#include "text/texts.h"
#include "win32/main_window.h"
#include "win32/monitor_window.h"
#include "win32/trend_graph_window.h"
#include "win32/wide_text.h"

namespace klv {
namespace {

using klv::testing::FakeClock;
using klv::testing::InProcessRegulator;

// A fake clock whose wall time follows its monotonic time, so that the data
// record sees the seconds pass as the monitor's ticks move the clock.
class WallClock final : public Clock {
 public:
  TimePoint Now() const override { return clock_.Now(); }
  void SleepFor(Duration duration) override { clock_.SleepFor(duration); }
  LocalTime LocalNow() const override {
    const long long total = 8 * 3600 + 5 * 60 + 3 +
                            std::chrono::duration_cast<std::chrono::seconds>(clock_.Now() - TimePoint{}).count();
    return LocalTime{2026, 12, 9, static_cast<int>((total / 3600) % 24), static_cast<int>((total / 60) % 60),
                     static_cast<int>(total % 60)};
  }

 private:
  FakeClock clock_;
};

class MonitorOperator : public WindowOperator {
 public:
  std::vector<std::string> messages;
  std::deque<std::filesystem::path> exportFiles;
  std::optional<std::filesystem::path> recordFile;
  int recordAsked = 0;
  int settingsShown = 0;

  void ShowMessage(HWND, std::string_view text) override { messages.emplace_back(text); }
  SaveAnswer AskSaveChanges(HWND, std::string_view) override { return SaveAnswer::No; }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view,
                                                        const std::filesystem::path&) override {
    return std::nullopt;
  }
  bool ConfirmCommSettings(HWND, ProgramState&) override {
    ++settingsShown;
    return true;
  }
  std::optional<std::filesystem::path> ChooseRecordFile(HWND, std::string_view,
                                                        const std::filesystem::path&) override {
    ++recordAsked;
    return recordFile;
  }
  std::optional<std::filesystem::path> ChooseExportFile(HWND, TrendExport, std::string_view,
                                                        const std::filesystem::path&) override {
    if (exportFiles.empty()) return std::nullopt;
    std::filesystem::path file = exportFiles.front();
    exportFiles.pop_front();
    return file;
  }
};

// A line on which nothing ever answers. Each read waits until the test
// opens the gate, so the test knows an exchange is under way on the line
// thread while it works the window.
class GatedSilentPort final : public SerialPort {
 public:
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<bool> reading{false};
    std::atomic<int> reads{0};
    std::atomic<int> openPorts{0};
    void Open() {
      {
        std::lock_guard lock(mutex);
        open = true;
      }
      opened.notify_all();
    }
  };
  explicit GatedSilentPort(Gate& gate) : gate_(gate) {}
  ~GatedSilentPort() override { Close(); }
  PortOpenStatus Open(const std::filesystem::path&, const LineSettings&) override {
    if (!open_) ++gate_.openPorts;
    open_ = true;
    return {};
  }
  bool IsOpen() const override { return open_; }
  WriteOutcome Write(std::span<const uint8_t> bytes) override { return {open_, open_ ? bytes.size() : 0}; }
  std::size_t Read(std::span<uint8_t>, const FrameEndTest&) override {
    gate_.reading = true;
    std::unique_lock lock(gate_.mutex);
    gate_.opened.wait_for(lock, std::chrono::seconds(20), [this] { return gate_.open; });
    gate_.reading = false;
    ++gate_.reads;
    return 0;
  }
  void DiscardInput() override {}
  void Close() override {
    if (open_) --gate_.openPorts;
    open_ = false;
  }

 private:
  Gate& gate_;
  bool open_ = false;
};

// Keeps the window thread's messages flowing until the condition holds; a
// generous bound so that a fault fails the test instead of hanging it.
template <typename Condition>
bool PumpUntil(Condition condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    // One message at a time: on the test's clock the line thread posts as
    // fast as it is drained.
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    } else {
      Sleep(1);
    }
  }
  return true;
}

std::filesystem::path MakeFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  static int count = 0;
  const std::filesystem::path folder =
      std::filesystem::path(temp) /
      (L"klv-monitor-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count));
  std::filesystem::create_directories(folder);
  return folder;
}

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string TextOf(HWND control) {
  wchar_t text[1024] = {};
  GetWindowTextW(control, text, 1024);
  return Narrow(text);
}

bool Shown(HWND control) { return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

HBITMAP PictureOf(HWND control) {
  return reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

class MonitorWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = MakeFolder(); }
  void TearDown() override {
    monitor_.reset();
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }

  void OpenOn(SerialPortFactory ports, Language language = Language::English) {
    connection_ = std::make_unique<Connection>(std::move(ports));
    dependencies_ = std::make_unique<MonitorWindowDependencies>(
        MonitorWindowDependencies{*connection_, folder_ / "datalog.csv", clock_, language});
    dependencies_->armRecord = armRecord_;
    monitor_ = std::make_unique<MonitorWindow>(*dependencies_, operator_, nullptr);
    ASSERT_TRUE(monitor_->Create());
  }
  // The regulator speaks what the line's settings (their defaults) say.
  void OpenOnRegulator(sim::SimConfig config, Language language = Language::English) {
    const CommSettings defaults;
    config.protocol = defaults.protocol;
    config.deviceAddress = defaults.deviceAddress;
    device_ = std::make_unique<InProcessRegulator>(config);
    OpenOn(device_->Factory(), language);
  }
  HWND Control(int id) const { return monitor_->Control(id); }
  std::string StartCaption() const { return TextOf(Control(monitor_id::kStart)); }
  // The value the regulator gives a register now (its clock stands still).
  int16_t RegulatorValue(Register reg) {
    return device_->With([&](sim::SimulatedRegulator& r) { return r.ReadRegister(reg).value; });
  }

  WallClock clock_;
  MonitorOperator operator_;
  std::filesystem::path folder_;
  bool armRecord_ = false;
  std::unique_ptr<InProcessRegulator> device_;
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<MonitorWindowDependencies> dependencies_;
  std::unique_ptr<MonitorWindow> monitor_;
};

struct LiveCase {
  ModelKind model;
  Language language;
};

class MonitorLiveValuesTest : public MonitorWindowTest, public ::testing::WithParamInterface<LiveCase> {};

TEST_P(MonitorLiveValuesTest, ShowsTheRegulatorsValuesLampsAndLayout) {
  const LiveCase& c = GetParam();
  sim::SimConfig config;
  config.model = c.model;
  config.controlInput = 523;
  OpenOnRegulator(config, c.language);
  EXPECT_EQ(StartCaption(), Caption(Screen::Monitor, "Monitor start", c.language));
  Click(Control(monitor_id::kStart));
  // A whole polling cycle has been shown.
  ASSERT_TRUE(PumpUntil([&] {
    return monitor_->View().lastPoll && monitor_->View().lastPoll->cycleEnd &&
           TextOf(Control(monitor_id::Value(4))) == "523";
  }));

  const MonitorView& view = monitor_->View();
  EXPECT_EQ(StartCaption(), Text(TextId::EndMonitor, c.language));
  EXPECT_EQ(TextOf(monitor_->Handle()), view.display.title);
  EXPECT_NE(view.display.title.find(std::string(ModelName(c.model))), std::string::npos);
  EXPECT_FALSE(IsWindowEnabled(Control(monitor_id::kRecord)));
  for (int row = 0; row < kMonitorRowCount; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(TextOf(Control(monitor_id::RowCaption(row))), MonitorRowCaption(view.display, row, c.language));
    EXPECT_EQ(Shown(Control(monitor_id::RowCaption(row))), view.display.RowShown(row));
  }
  // The alarm outputs as the regulator gives them, each lamp from its bit.
  const int16_t alarms = RegulatorValue(Register{0x0108});
  const LampBitmaps& pictures = monitor_->Pictures();
  for (int lamp = 0; lamp < 4; ++lamp) {
    SCOPED_TRACE(lamp);
    const bool on = (alarms >> lamp & 1) != 0;
    EXPECT_EQ(PictureOf(Control(monitor_id::Lamp(lamp))), pictures.Lamp(lamp, on ? kLampOn : kLampOff));
    EXPECT_EQ(Shown(Control(monitor_id::Lamp(lamp))), view.display.LampShown(lamp));
  }
  EXPECT_EQ(TextOf(Control(monitor_id::Value(kAlarmOutputRow))), view.display.rowTexts[kAlarmOutputRow]);
  // The row read last is marked; the others are dark.
  const int marked = view.display.markedRow;
  EXPECT_EQ(PictureOf(Control(monitor_id::Marker(marked))), pictures.Marker(true));
  EXPECT_EQ(PictureOf(Control(monitor_id::Marker(marked == 0 ? 2 : 0))), pictures.Marker(false));

  Click(Control(monitor_id::kStart));
  ASSERT_TRUE(PumpUntil([&] { return StartCaption() == Text(TextId::StartMonitor, c.language); }));
  EXPECT_FALSE(connection_->line.IsOpen());
  EXPECT_TRUE(IsWindowEnabled(Control(monitor_id::kRecord)));
  EXPECT_TRUE(operator_.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Models, MonitorLiveValuesTest,
                         ::testing::Values(LiveCase{ModelKind::Klv40, Language::English},
                                           LiveCase{ModelKind::Klv30, Language::Japanese},
                                           LiveCase{ModelKind::Klv30E, Language::English}));

TEST_F(MonitorWindowTest, TheDataRecordGetsItsHeaderAndRows) {
  armRecord_ = true;
  sim::SimConfig config;
  config.controlInput = 523;
  OpenOnRegulator(config);
  connection_->settings.samplingInterval = 10;
  connection_->settings.recordDuration = 600;
  ASSERT_EQ(SendMessageW(Control(monitor_id::kRecord), BM_GETCHECK, 0, 0), BST_CHECKED);
  Click(Control(monitor_id::kStart));
  // Three rows of sixty on the clock the ticks move.
  ASSERT_TRUE(PumpUntil([&] { return monitor_->View().recordProgress >= 50; }));
  EXPECT_EQ(TextOf(Control(monitor_id::kStatus)), MonitorStatusText(monitor_->View(), Language::English));
  EXPECT_EQ(TextOf(Control(monitor_id::kStatus)), "10sec-sample 10min-log ");
  EXPECT_EQ(SendMessageW(Control(monitor_id::kRecordProgress), PBM_GETPOS, 0, 0), monitor_->View().recordProgress);
  Click(Control(monitor_id::kStart));
  ASSERT_TRUE(PumpUntil([&] { return StartCaption() == "Start monitor"; }));

  const std::string record = Bytes(folder_ / "datalog.csv");
  ASSERT_EQ(record.rfind(kDataLogHeader, 0), 0u) << record;
  std::size_t rows = 0;
  for (std::size_t at = record.find("\r\n"); at + 2 < record.size(); at = record.find("\r\n", at + 2)) ++rows;
  EXPECT_GE(rows, 3u);
  EXPECT_NE(record.find(",523,"), std::string::npos);
  // Stopped: the box is unchecked and the bar back at 0.
  EXPECT_EQ(SendMessageW(Control(monitor_id::kRecord), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(Control(monitor_id::kRecordProgress), PBM_GETPOS, 0, 0), 0);
}

// Nothing answers, and each read waits: the window goes on taking the
// operator's clicks while the line thread waits, then says what was tried.
TEST_F(MonitorWindowTest, ASilentRegulatorShowsTheNoReplyStateAndTheWindowStaysResponsive) {
  GatedSilentPort::Gate gate;
  OpenOn([&gate]() -> PortHandle { return std::make_unique<GatedSilentPort>(gate); });
  Click(Control(monitor_id::kStart));
  ASSERT_TRUE(PumpUntil([&] { return gate.reading.load(); }));
  // An exchange is under way on the line thread: the window still answers.
  const HWND graph = monitor_->Graph()->Handle();
  EXPECT_FALSE(Shown(graph));
  Click(Control(monitor_id::kGraph));
  EXPECT_TRUE(Shown(graph));
  Click(Control(monitor_id::kGraph));
  EXPECT_FALSE(Shown(graph));
  EXPECT_TRUE(gate.reading.load());
  EXPECT_EQ(gate.reads.load(), 0);

  gate.Open();
  ASSERT_TRUE(PumpUntil([&] { return monitor_->View().running && monitor_->View().nothingAnswered; }));
  const std::string status = TextOf(Control(monitor_id::kStatus));
  EXPECT_EQ(status, monitor_->View().noReplyText);
  EXPECT_EQ(status.rfind("No reply from address 1 on COM1 (", 0), 0u) << status;
  EXPECT_NE(status.find(Text(TextId::NoReplyFindDevice, Language::English)), std::string::npos);
  for (const int row : {0, 4}) EXPECT_EQ(TextOf(Control(monitor_id::Value(row))), kNoReadingText);

  // Closing ends the line thread and the port.
  Click(Control(monitor_id::kClose));
  EXPECT_TRUE(monitor_->Closed());
  EXPECT_TRUE(monitor_->LineThreadEnded());
  EXPECT_EQ(gate.openPorts.load(), 0);
}

// The regulator falls silent while monitored: after three silent rounds the
// status line says the line is lost, and the lamps turn grey.
TEST_F(MonitorWindowTest, ARegulatorThatFallsSilentShowsTheLostLine) {
  OpenOnRegulator(sim::SimConfig{});
  Click(Control(monitor_id::kStart));
  ASSERT_TRUE(PumpUntil([&] { return monitor_->View().lastPoll && monitor_->View().lastPoll->cycleEnd; }));
  device_->Silence();
  ASSERT_TRUE(PumpUntil([&] { return monitor_->View().display.lineLost; }));
  EXPECT_EQ(TextOf(Control(monitor_id::kStatus)), Text(TextId::LineLostReconnecting, Language::English));
  EXPECT_EQ(PictureOf(Control(monitor_id::Lamp(0))), monitor_->Pictures().Lamp(0, kLampUnknown));
  EXPECT_TRUE(monitor_->View().running);
  EXPECT_TRUE(operator_.messages.empty());
}

// The adapter is unplugged: its device cannot be opened.
class UnpluggedPort final : public SerialPort {
 public:
  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings&) override {
    return {PortStatus::CannotOpen, {}, PortFailure{PortFailureKind::NoSuchDevice, device.string()}};
  }
  bool IsOpen() const override { return false; }
  WriteOutcome Write(std::span<const uint8_t>) override { return {}; }
  std::size_t Read(std::span<uint8_t>, const FrameEndTest&) override { return 0; }
  void DiscardInput() override {}
  void Close() override {}
};

TEST_F(MonitorWindowTest, AnUnpluggedAdapterIsSaidAndMonitoringDoesNotStart) {
  const SerialPortFactory unplugged = []() -> PortHandle { return std::make_unique<UnpluggedPort>(); };
  OpenOn(unplugged);
  Click(Control(monitor_id::kStart));
  ASSERT_TRUE(PumpUntil([&] { return !monitor_->Pending(); }));
  // The words the core gives that failure.
  Connection same(unplugged);
  const OpenPortResult open = same.Open();
  ASSERT_FALSE(open.ok);
  ASSERT_EQ(operator_.messages.size(), 1u);
  EXPECT_EQ(operator_.messages[0], open.message);
  EXPECT_EQ(StartCaption(), "Monitor start");
  EXPECT_FALSE(monitor_->View().running);
  EXPECT_TRUE(IsWindowEnabled(Control(monitor_id::kStart)));
}

// ---- Through the main window ---------------------------------------------------------------

class MainWindowMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeFolder();
    state_ = std::make_unique<ProgramState>(clock_, [this] { return device_->Factory()(); });
    sim::SimConfig config;
    config.controlInput = 523;
    config.protocol = state_->connection.settings.protocol;
    config.deviceAddress = state_->connection.settings.deviceAddress;
    device_ = std::make_unique<InProcessRegulator>(config);
    state_->settingsPath = folder_ / "KlvTool.ini";
    state_->dataLogPath = folder_ / "datalog.csv";
    window_ = std::make_unique<MainWindow>(*state_, operator_);
    ASSERT_TRUE(window_->Create(GetModuleHandleW(nullptr)));
  }
  void TearDown() override {
    window_.reset();
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }
  void Command(MenuItem item) { SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(CommandId(item), 0), 0); }

  WallClock clock_;
  MonitorOperator operator_;
  std::filesystem::path folder_;
  std::unique_ptr<InProcessRegulator> device_;
  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<MainWindow> window_;
};

// What the operator does inside the monitor's own message loop: a timer of
// this thread takes each step once the window shows what it waits for.
struct OperatorSteps {
  static OperatorSteps* current;
  int step = 0;
  std::string valueSeen;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    OperatorSteps& self = *current;
    const HWND monitor = FindWindowW(MonitorWindow::kClassName, nullptr);
    if (monitor == nullptr) return;
    if (self.step == 0) {
      Click(GetDlgItem(monitor, monitor_id::kStart));
      self.step = 1;
    } else if (self.step == 1 && TextOf(GetDlgItem(monitor, monitor_id::Value(4))) == "523") {
      self.valueSeen = "523";
      Click(GetDlgItem(monitor, monitor_id::kClose));
      self.step = 2;
    }
  }
};
OperatorSteps* OperatorSteps::current = nullptr;

TEST_F(MainWindowMonitorTest, RecordDataAsksForTheFileThenMonitorsUntilClosedAndJoinsTheLineThread) {
  const std::filesystem::path record = folder_ / "line-3.csv";
  operator_.recordFile = record;
  OperatorSteps steps;
  OperatorSteps::current = &steps;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, OperatorSteps::Tick);
  Command(MenuItem::RecordData);  // returns once the monitor has closed
  KillTimer(nullptr, timer);

  EXPECT_EQ(steps.step, 2);
  EXPECT_EQ(steps.valueSeen, "523");
  EXPECT_EQ(operator_.recordAsked, 1);
  EXPECT_EQ(operator_.settingsShown, 1);
  EXPECT_EQ(state_->dataLogPath, record);
  EXPECT_EQ(FindWindowW(MonitorWindow::kClassName, nullptr), nullptr);
  EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
  EXPECT_FALSE(state_->connection.line.IsOpen());
  // The line thread has ended: nothing more goes over the line.
  const int requests = device_->Requests();
  Sleep(100);
  EXPECT_EQ(device_->Requests(), requests);
  EXPECT_EQ(Bytes(record).rfind(kDataLogHeader, 0), 0u);
  EXPECT_TRUE(operator_.messages.empty()) << operator_.messages.front();
}

// ---- The trend graph -------------------------------------------------------------------------

class TrendGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeFolder();
    graph_ = std::make_unique<TrendGraphWindow>(Language::English, clock_, operator_, nullptr, nullptr);
    ASSERT_TRUE(graph_->Create());
  }
  void TearDown() override {
    graph_.reset();
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }
  // Samples as the monitor hands them over, each plotted by a graph tick.
  void Plot(int32_t input, int32_t output, int times) {
    for (int i = 0; i < times; ++i) {
      graph_->History().PostSample(input, output);
      graph_->GraphTick();
    }
  }

  FakeClock clock_;
  MonitorOperator operator_;
  std::filesystem::path folder_;
  std::unique_ptr<TrendGraphWindow> graph_;
};

// The pixels of a memory bitmap the graph was drawn into, top-down, 0xRRGGBB.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> bits;
  COLORREF At(int x, int y) const {
    const uint32_t p = bits[static_cast<std::size_t>(y * width + x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
};

Pixels Draw(TrendGraphWindow& graph, int width, int height) {
  Pixels pixels;
  pixels.width = width;
  pixels.height = height;
  pixels.bits.resize(static_cast<std::size_t>(width * height));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC memory = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ before = SelectObject(memory, bitmap);
  graph.Draw(memory, width, height);
  GdiFlush();
  std::memcpy(pixels.bits.data(), bits, pixels.bits.size() * sizeof(uint32_t));
  SelectObject(memory, before);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return pixels;
}

TEST_F(TrendGraphTest, DrawsEachTraceWhereItsValuesPutIt) {
  graph_->History().SetOutputScale(0, 100, 20);  // V-FB: output / 013C x 1000
  Plot(500, 25, kTrendPointCount);                // input 50 %, output 25 %
  const int width = 600;
  const int height = 330;
  const Pixels pixels = Draw(*graph_, width, height);
  const TrendGraphGeometry geometry = graph_->GeometryFor(width, height);
  const RECT& chart = geometry.chart;
  const int h = chart.bottom - chart.top;
  // Chart rows counted up from the bottom, as the scale runs.
  const auto rowOf = [&](int32_t value) {
    return chart.top + h - static_cast<int>(static_cast<float>(value) * (static_cast<float>(h) / kTrendRange));
  };
  const int x = chart.left + (chart.right - chart.left) * 3 / 8;
  EXPECT_EQ(pixels.At(x, rowOf(500)), kTrendInputColour);
  EXPECT_EQ(pixels.At(x, rowOf(250)), kTrendOutputColour);
  EXPECT_EQ(pixels.At(x, rowOf(370)), RGB(0, 0, 0));  // the field between them
  EXPECT_EQ(pixels.At(chart.left, chart.top + h / 3), RGB(150, 150, 150));  // the border
  // No data yet: the field, grid and 50 % line only.
  graph_->History().ClearHistory();
  const Pixels empty = Draw(*graph_, width, height);
  EXPECT_EQ(empty.At(x, rowOf(250)), RGB(0, 0, 0));
}

// Reads a PNG back through the system's decoder: its size, or none.
std::optional<SIZE> PngSize(const std::filesystem::path& path) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IWICImagingFactory* factory = nullptr;
  std::optional<SIZE> size;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                 reinterpret_cast<void**>(&factory)))) {
    IWICBitmapDecoder* decoder = nullptr;
    if (SUCCEEDED(factory->CreateDecoderFromFilename(path.wstring().c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder))) {
      GUID format{};
      IWICBitmapFrameDecode* frame = nullptr;
      if (SUCCEEDED(decoder->GetContainerFormat(&format)) && format == GUID_ContainerFormatPng &&
          SUCCEEDED(decoder->GetFrame(0, &frame))) {
        UINT width = 0;
        UINT height = 0;
        if (SUCCEEDED(frame->GetSize(&width, &height))) {
          size = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
        }
        frame->Release();
      }
      decoder->Release();
    }
    factory->Release();
  }
  CoUninitialize();
  return size;
}

TEST_F(TrendGraphTest, SavePictureWritesAPngOfTheGraphUnderItsCaption) {
  Plot(500, 250, 20);
  const std::filesystem::path file = folder_ / L"トレンド.png";
  operator_.exportFiles.push_back(file);
  Click(GetDlgItem(graph_->Handle(), TrendGraphWindow::kSavePictureId));

  ASSERT_EQ(operator_.messages.size(), 1u);
  EXPECT_EQ(operator_.messages[0],
            TrendExportMessage(TrendExport::Picture, Language::English, Narrow(file.wstring()), true));
  const std::optional<SIZE> size = PngSize(file);
  ASSERT_TRUE(size);
  RECT client{};
  GetClientRect(graph_->Handle(), &client);
  EXPECT_EQ(size->cx, client.right);
  EXPECT_GT(size->cy, client.bottom);  // the caption line above the graph
  EXPECT_LT(size->cy, client.bottom + 60);
}

TEST_F(TrendGraphTest, SaveDataWritesTheHistoryAsTheCoreExportsIt) {
  graph_->History().SetOutputScale(1, 100, 20);
  Plot(700, 50, 5);
  const std::filesystem::path file = folder_ / "trend.csv";
  operator_.exportFiles.push_back(file);
  Click(GetDlgItem(graph_->Handle(), TrendGraphWindow::kSaveDataId));

  ASSERT_EQ(operator_.messages.size(), 1u);
  EXPECT_EQ(operator_.messages[0],
            TrendExportMessage(TrendExport::Data, Language::English, Narrow(file.wstring()), true));
  const std::string csv = Bytes(file);
  EXPECT_EQ(csv, TrendHistoryCsv(graph_->History()));
  EXPECT_NE(csv.find(", 70.0, 25.0\r\n"), std::string::npos);  // C-FB: 50 / (20 x 10) x 1000 = 250
}

TEST_F(TrendGraphTest, OkAndTheCloseBoxOnlyHideIt) {
  graph_->Toggle();
  EXPECT_TRUE(Shown(graph_->Handle()));
  Click(GetDlgItem(graph_->Handle(), TrendGraphWindow::kOkId));
  EXPECT_FALSE(Shown(graph_->Handle()));
  graph_->Toggle();
  SendMessageW(graph_->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(graph_->Handle()));
  EXPECT_FALSE(Shown(graph_->Handle()));
}

}  // namespace
}  // namespace klv
