// The report page drawn into a memory bitmap and an enhanced metafile, the
// small window that asks for the unit's note, and File > Report with the
// print dialog answered by a test operator.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "editor/unit_report.h"
#include "model/register_catalogue.h"
#include "support/fake_clock.h"
#include "text/texts.h"
#include "win32/main_window.h"
#include "win32/report_note_dialog.h"
#include "win32/report_page.h"
#include "win32/screen_controls.h"
#include "win32/wide_text.h"

namespace klv {
namespace {

UnitReport SampleReport(ModelKind model, Language language, const std::string& note = "SN 4711") {
  UnitReportInputs inputs;
  LoadDefaults(inputs.parameters, model);
  inputs.parameters.slowUpTime = 321;
  inputs.model = model;
  inputs.language = language;
  inputs.fileName = "炉１.klv";
  inputs.created = LocalTime{2026, 12, 11, 9, 30, 0};
  inputs.note = note;
  return ComposeUnitReport(inputs);
}

// A white page of size in a memory device context, drawn on by the caller.
class PageBitmap {
 public:
  explicit PageBitmap(const ReportPageSize& size) : size_(size) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, size.width, size.height);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    const RECT all{0, 0, size.width, size.height};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~PageBitmap() {
    if (dc_ != nullptr) {
      SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    DeleteObject(bitmap_);
  }
  PageBitmap(const PageBitmap&) = delete;
  PageBitmap& operator=(const PageBitmap&) = delete;

  HDC Dc() const { return dc_; }
  // Hands the device context over (its new owner deletes it); the bitmap
  // stays here and outlives it.
  HDC Release() {
    HDC dc = dc_;
    dc_ = nullptr;
    return dc;
  }

  // Top-down 32-bit pixels, row after row.
  std::vector<uint32_t> Pixels() const {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size_.width;
    info.bmiHeader.biHeight = -size_.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<std::size_t>(size_.width) * static_cast<std::size_t>(size_.height));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap_, 0, static_cast<UINT>(size_.height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return pixels;
  }
  // How many rows from top to bottom hold a pixel that is not white.
  int InkedRows(int top, int bottom) const {
    const std::vector<uint32_t> pixels = Pixels();
    int rows = 0;
    for (int y = std::max(0, top); y < std::min(bottom, size_.height); ++y) {
      const auto begin = pixels.begin() + static_cast<std::ptrdiff_t>(y) * size_.width;
      if (std::any_of(begin, begin + size_.width, [](uint32_t p) { return (p & 0xFFFFFF) != 0xFFFFFF; })) ++rows;
    }
    return rows;
  }

 private:
  ReportPageSize size_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

int CALLBACK NoteText(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM context) {
  if (record->iType == EMR_EXTTEXTOUTW) {
    const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
    const auto* characters =
        reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
    reinterpret_cast<std::vector<std::string>*>(context)->push_back(
        Narrow(std::wstring_view(characters, text->emrtext.nChars)));
  }
  return 1;
}

// The texts of page `page` as the metafile records them, one per ExtTextOutW; and the page count.
std::vector<std::string> MetafileTexts(const UnitReport& report, const ReportPageSize& size, int page,
                                       int* pages = nullptr) {
  HDC metafile = CreateEnhMetaFileW(nullptr, nullptr, nullptr, L"KLV Loader\0report\0");
  const int count = DrawUnitReportPage(metafile, size, report, page);
  if (pages != nullptr) *pages = count;
  HENHMETAFILE drawn = CloseEnhMetaFile(metafile);
  std::vector<std::string> texts;
  EnumEnhMetaFile(nullptr, drawn, NoteText, &texts, nullptr);
  DeleteEnhMetaFile(drawn);
  return texts;
}

bool Holds(const std::vector<std::string>& texts, const std::string& wanted) {
  return std::find(texts.begin(), texts.end(), wanted) != texts.end();
}

// ---- The page -------------------------------------------------------------------------

struct PageCase {
  ModelKind model;
  Language language;
};

class ReportPageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(ReportPageTest, MetafileHoldsEveryTextOfTheReport) {
  const PageCase c = GetParam();
  const UnitReport report = SampleReport(c.model, c.language);
  int pages = 0;
  const std::vector<std::string> texts = MetafileTexts(report, A4Page(96), 0, &pages);
  EXPECT_EQ(pages, 1);  // one A4 page, as the PDF has it
  EXPECT_TRUE(Holds(texts, report.program + " \u2014 " + report.title));
  for (const ReportFact& fact : report.facts) {
    EXPECT_TRUE(Holds(texts, fact.label)) << fact.label;
  }
  EXPECT_TRUE(Holds(texts, std::string(ModelName(c.model))));
  EXPECT_TRUE(Holds(texts, "SN 4711"));
  for (const std::string& column : report.columns) EXPECT_TRUE(Holds(texts, column)) << column;
  for (const ReportRow& row : report.rows) {
    EXPECT_TRUE(Holds(texts, row.address)) << row.address;
    EXPECT_TRUE(Holds(texts, row.value)) << row.address << " " << row.value;
  }
  // The heading comes first and the lines to sign on last, as on the PDF.
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front(), report.program + " \u2014 " + report.title);
  const auto signature = std::find_if(texts.begin(), texts.end(), [&](const std::string& text) {
    return text.starts_with(report.signOff.front());
  });
  const auto lastRow = std::find(texts.begin(), texts.end(), report.rows.back().address);
  EXPECT_LT(lastRow, signature);
}

TEST_P(ReportPageTest, BitmapHasTheHeadingInkAndARowPerParameter) {
  const PageCase c = GetParam();
  const UnitReport report = SampleReport(c.model, c.language);
  const ReportPageSize size = A4Page(96);
  PageBitmap page(size);
  ASSERT_EQ(DrawUnitReportPage(page.Dc(), size, report, 0), 1);
  const int margin = MulDiv(250, 96, 254);
  // Nothing in the margin above the heading; the heading's band holds ink.
  EXPECT_EQ(page.InkedRows(0, margin - 1), 0);
  EXPECT_GT(page.InkedRows(margin, margin + 20), 8);
  // The table: ruled rows, each with text, so far more inked rows than parameters.
  EXPECT_GT(page.InkedRows(margin, size.height - margin), static_cast<int>(report.rows.size()) * 8);
}

INSTANTIATE_TEST_SUITE_P(EachModelInBothLanguages, ReportPageTest,
                         ::testing::Values(PageCase{ModelKind::Klv40, Language::English},
                                           PageCase{ModelKind::Klv40, Language::Japanese},
                                           PageCase{ModelKind::Klv30, Language::English},
                                           PageCase{ModelKind::Klv30E, Language::Japanese}));

TEST(ReportPage, ShortPagesCarryEveryRowOnceUnderTheColumnHeadings) {
  const UnitReport report = SampleReport(ModelKind::Klv40, Language::English);
  const ReportPageSize small{A4Page(96).width, 500, 96};
  int pages = 0;
  MetafileTexts(report, small, 0, &pages);
  ASSERT_GT(pages, 2);
  std::vector<std::string> all;
  for (int page = 0; page < pages; ++page) {
    const std::vector<std::string> texts = MetafileTexts(report, small, page);
    EXPECT_TRUE(Holds(texts, std::to_string(page + 1))) << "page number " << page + 1;
    all.insert(all.end(), texts.begin(), texts.end());
    if (page > 0 && std::any_of(report.rows.begin(), report.rows.end(),
                                [&](const ReportRow& row) { return Holds(texts, row.address); })) {
      EXPECT_TRUE(Holds(texts, report.columns.front())) << "headings on page " << page + 1;
    }
  }
  for (const ReportRow& row : report.rows) {
    EXPECT_EQ(std::count(all.begin(), all.end(), row.address), 1) << row.address;
  }
  // Past the last page, nothing.
  EXPECT_TRUE(MetafileTexts(report, small, pages).empty());
}

// ---- The note -------------------------------------------------------------------------

TEST(ReportNoteDialog, OffersTheLastNoteSelectedAndReturnsTheTypedOneTrimmed) {
  ReportNoteDialog dialog(Language::Japanese, "SN 1");
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  HWND field = GetDlgItem(window, report_note_id::kNote);
  wchar_t text[64] = {};
  GetWindowTextW(field, text, 64);
  EXPECT_EQ(Narrow(text), "SN 1");
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);
  GetWindowTextW(window, text, 64);
  EXPECT_EQ(Narrow(text), Text(TextId::ReportDialogTitle, Language::Japanese));
  SetWindowTextW(field, L"  号機 ２ ");
  SendMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(dialog.Closed());
  ASSERT_TRUE(dialog.Note());
  EXPECT_EQ(*dialog.Note(), "号機 ２");
}

TEST(ReportNoteDialog, CancelGivesNoNote) {
  ReportNoteDialog dialog(Language::English, "SN 1");
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  SendMessageW(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_FALSE(dialog.Note());
}

// ---- File > Report --------------------------------------------------------------------

class PrintingOperator : public WindowOperator {
 public:
  std::vector<std::string> messages;
  std::vector<std::string> notesOffered;
  std::optional<std::string> note;
  PrinterChoice::Status printer = PrinterChoice::Status::Chosen;
  std::unique_ptr<PageBitmap> page;
  int printDialogs = 0;

  void ShowMessage(HWND, std::string_view text) override { messages.emplace_back(text); }
  SaveAnswer AskSaveChanges(HWND, std::string_view) override { return SaveAnswer::Cancel; }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path&) override { return {}; }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view, const std::filesystem::path&) override {
    return {};
  }
  bool ConfirmCommSettings(HWND, ProgramState&) override { return false; }
  std::optional<std::string> AskReportNote(HWND, std::string_view lastNote) override {
    notesOffered.emplace_back(lastNote);
    return note;
  }
  PrinterChoice ChoosePrinter(HWND) override {
    ++printDialogs;
    if (printer != PrinterChoice::Status::Chosen) return {printer, nullptr};
    return {printer, page->Release()};
  }
};

class ReportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::filesystem::path(temp) / (L"klv-report-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(folder_);
    state_ = std::make_unique<ProgramState>(clock_, MakeSystemSerialPort, Language::English);
    state_->settingsPath = folder_ / "KlvTool.ini";
    dialogs_.page = std::make_unique<PageBitmap>(A4Page(96));
    window_ = std::make_unique<MainWindow>(*state_, dialogs_);
    ASSERT_TRUE(window_->Create(GetModuleHandleW(nullptr)));
  }
  void Report() {
    SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(CommandId(MenuItem::Report), 0), 0);
  }
  // The page the window should have printed: the screen's set with the note.
  std::vector<uint32_t> ExpectedPage(const std::string& note) {
    UnitReportInputs inputs;
    inputs.parameters = state_->parameters;
    inputs.model = state_->currentModel;
    inputs.fileName = window_->DocumentTitle();
    inputs.created = clock_.LocalNow();
    inputs.note = note;
    PageBitmap expected(A4Page(96));
    DrawUnitReportPage(expected.Dc(), A4Page(96), ComposeUnitReport(inputs), 0);
    return expected.Pixels();
  }

  void TearDown() override {
    window_.reset();
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }

  testing::FakeClock clock_;
  std::filesystem::path folder_;
  PrintingOperator dialogs_;
  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(ReportCommandTest, PrintsTheScreensSetWithTheNoteOnThePrinterChosen) {
  dialogs_.note = "SN 4711";
  Report();
  EXPECT_EQ(dialogs_.printDialogs, 1);
  EXPECT_TRUE(dialogs_.messages.empty());
  const std::vector<uint32_t> printed = dialogs_.page->Pixels();
  EXPECT_EQ(printed, ExpectedPage("SN 4711"));
  EXPECT_NE(printed, ExpectedPage("SN 4712"));
  // The next report offers the last note.
  dialogs_.note.reset();
  Report();
  ASSERT_EQ(dialogs_.notesOffered.size(), 2u);
  EXPECT_EQ(dialogs_.notesOffered[1], "SN 4711");
  EXPECT_EQ(dialogs_.printDialogs, 1);
}

struct RefusalCase {
  std::optional<std::string> note;
  PrinterChoice::Status printer;
  int printDialogs;
  bool cannotPrint;
};

class ReportRefusalTest : public ReportCommandTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ReportRefusalTest, PrintsNothing) {
  const RefusalCase c = GetParam();
  dialogs_.note = c.note;
  dialogs_.printer = c.printer;
  Report();
  EXPECT_EQ(dialogs_.printDialogs, c.printDialogs);
  EXPECT_EQ(dialogs_.page->InkedRows(0, A4Page(96).height), 0);
  if (c.cannotPrint) {
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0], ReportMessageText(ReportMessage::CannotPrint, Language::English));
  } else {
    EXPECT_TRUE(dialogs_.messages.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    CancelledOrFailed, ReportRefusalTest,
    ::testing::Values(RefusalCase{std::nullopt, PrinterChoice::Status::Chosen, 0, false},
                      RefusalCase{"SN 1", PrinterChoice::Status::Cancelled, 1, false},
                      RefusalCase{"SN 1", PrinterChoice::Status::Failed, 1, true}));

}  // namespace
}  // namespace klv
