#pragma once
// The trend graph window "Graph display": control input and output of the
// monitored regulator as two lines on a 0-100.0 % scale over the last 555
// polling cycles, drawn with GDI (trend_graph_drawing.h). Owned by the
// monitor window, which creates it hidden, shows and hides it and hands its
// history the monitor's trend calls; "OK", Escape and the close box only
// hide it, so the history stays until the monitor closes. Its timer runs the
// whole time, shown or not: 1000 ms at first, then every 100 ms a new
// sample is plotted or the chart repainted. "Save picture…" writes the face
// as PNG with a caption line above (when, what, where), "Save data…" the
// shown history as CSV, each through the operator's save dialog, replacing
// the file as a whole, then says how it went.
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "monitor/trend_export.h"
#include "monitor/trend_history.h"
#include "platform/clock.h"
#include "text/language.h"
#include "win32/png_encoder.h"
#include "win32/trend_graph_drawing.h"
#include "win32/window_operator.h"

namespace klv {

class TrendGraphWindow {
 public:
  static constexpr const wchar_t* kClassName = L"KlvTrendGraph";
  static constexpr int kOkId = 401;
  static constexpr int kSavePictureId = 402;
  static constexpr int kSaveDataId = 403;
  static constexpr UINT kFirstTimerMs = 1000;
  static constexpr UINT kTimerMs = 100;
  static constexpr int kInitialWidth = 640;
  static constexpr int kInitialHeight = 380;

  // font: the monitor's (none: the system's); clock stamps each plotted point.
  TrendGraphWindow(Language language, Clock& clock, WindowOperator& dialogs, HWND owner, HFONT font);
  ~TrendGraphWindow();
  TrendGraphWindow(const TrendGraphWindow&) = delete;
  TrendGraphWindow& operator=(const TrendGraphWindow&) = delete;

  // Creates the window, hidden, and starts its timer. False when it cannot be made.
  bool Create();
  HWND Handle() const { return window_; }

  TrendHistory& History() { return history_; }
  // "Graph display": shown when hidden, hidden when shown.
  void Toggle();
  // The timer's tick: plots a new sample (input and output one point each)
  // or repaints.
  void GraphTick();

  // Where the save dialogs start, and who hears of the folder chosen.
  void SetExportFolder(std::filesystem::path folder, std::function<void(const std::filesystem::path&)> remember) {
    exportFolder_ = std::move(folder);
    rememberFolder_ = std::move(remember);
  }
  // The regulator and the port the caption of a picture names.
  void SetSource(std::string model, std::string port) {
    model_ = std::move(model);
    port_ = std::move(port);
  }
  void SavePicture();
  void SaveData();
  // The PNG as "Save picture…" writes it.
  PngBytes PictureBytes();
  // The picture before encoding: the face under its caption line (caller
  // deletes it).
  HBITMAP MakePicture();
  // The face into any device context of the window's client size.
  void Draw(HDC dc, int width, int height);
  // Where Draw puts the parts in a face of that size.
  TrendGraphGeometry GeometryFor(int width, int height);

  int Paints() const { return paints_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Arrange();
  void Paint();
  void Export(TrendExport kind);
  SIZE ButtonSize(HWND button) const;

  Language language_;
  Clock& clock_;
  WindowOperator& dialogs_;
  HWND owner_;
  HFONT font_;
  HWND window_ = nullptr;
  HWND ok_ = nullptr;
  HWND savePicture_ = nullptr;
  HWND saveData_ = nullptr;
  TrendHistory history_;
  TrendChartLayout layout_;
  std::filesystem::path exportFolder_;
  std::function<void(const std::filesystem::path&)> rememberFolder_;
  std::string model_;
  std::string port_;
  int paints_ = 0;
};

}  // namespace klv
