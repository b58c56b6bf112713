#include "win32/report_page.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "win32/screen_face.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

// As the PDF has them: 9 points for the text, a larger bold heading, about
// 25 mm around the text (a KLV40 report then fits one A4 page).
constexpr int kPointSize = 9;
constexpr int kHeadingPointSize = 13;
constexpr int kMarginTenthsOfMm = 250;
// Register, parameter, value, meaning: the captions and meanings take the room.
constexpr std::array<int, 4> kColumnPercent = {11, 42, 8, 39};
constexpr COLORREF kHeadingShade = RGB(0xe8, 0xe8, 0xe8);
constexpr COLORREF kRuleColour = RGB(0x80, 0x80, 0x80);
constexpr UINT kWrapped = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS;

// Japanese and other East Asian characters: a Latin face has no glyphs for
// them (a file name in Japanese on an English report).
bool NeedsJapaneseFace(const std::wstring& text) {
  return std::any_of(text.begin(), text.end(), [](wchar_t ch) { return ch >= 0x2E80; });
}

enum class Style { Normal, Bold, Italic, Heading };

// The report's faces: the language's screen face, and the Japanese one for
// texts that need it.
class ReportFonts {
 public:
  ReportFonts(Language language, int unitsPerInch) {
    const auto makeSet = [&](Language faceLanguage, std::array<HFONT, 4>& set) {
      const std::wstring face = Widen(ScreenFaceName(faceLanguage));
      const BYTE charset = faceLanguage == Language::Japanese ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
      const auto make = [&](int points, int weight, bool italic) {
        return CreateFontW(-MulDiv(points, unitsPerInch, 72), 0, 0, 0, weight, italic, FALSE, FALSE, charset,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                           face.c_str());
      };
      set = {make(kPointSize, FW_NORMAL, false), make(kPointSize, FW_BOLD, false), make(kPointSize, FW_NORMAL, true),
             make(kHeadingPointSize, FW_BOLD, false)};
    };
    makeSet(language, own_);
    if (language == Language::Japanese) {
      japanese_ = own_;
    } else {
      makeSet(Language::Japanese, japanese_);
      separateJapanese_ = true;
    }
  }
  ~ReportFonts() {
    for (HFONT font : own_) DeleteObject(font);
    if (separateJapanese_) {
      for (HFONT font : japanese_) DeleteObject(font);
    }
  }
  ReportFonts(const ReportFonts&) = delete;
  ReportFonts& operator=(const ReportFonts&) = delete;

  HFONT For(Style style, const std::wstring& text) const {
    const auto index = static_cast<std::size_t>(style);
    return NeedsJapaneseFace(text) ? japanese_[index] : own_[index];
  }

 private:
  std::array<HFONT, 4> own_{};
  std::array<HFONT, 4> japanese_{};
  bool separateJapanese_ = false;
};

struct Cell {
  Cell(std::wstring text, Style style, UINT align = DT_LEFT, std::wstring mark = {}, bool writeOn = false)
      : text(std::move(text)), style(style), align(align), mark(std::move(mark)), writeOn(writeOn) {}
  std::wstring text;
  Style style;
  UINT align;
  std::wstring mark;  // a second line in italics (a row the options leave out)
  bool writeOn;       // a line to write on follows the text to the cell's end
};

// Lays the report out from the top of page 0 and draws what falls on the
// page asked for; at the end, the page count is known.
class PageWriter {
 public:
  PageWriter(HDC dc, const ReportPageSize& size, const ReportFonts& fonts, int wanted)
      : dc_(dc), fonts_(fonts), wanted_(wanted) {
    const int margin = MulDiv(kMarginTenthsOfMm, size.unitsPerInch, 254);
    left_ = margin;
    right_ = std::max(margin + 1, size.width - margin);
    top_ = margin;
    bottom_ = std::max(margin + 1, size.height - margin);
    pad_ = std::max(1, MulDiv(3, size.unitsPerInch, 96));
    rule_ = std::max(1, MulDiv(1, size.unitsPerInch, 96));
    y_ = top_;
    pageHeight_ = size.height;
  }

  int Width() const { return right_ - left_; }
  int Left() const { return left_; }
  int Pad() const { return pad_; }
  int Pages() const { return page_ + 1; }

  // The height of text wrapped to width, at least one line.
  int Measure(Style style, const std::wstring& text, int width) const {
    SelectObject(dc_, fonts_.For(style, text));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc_, &metrics);
    if (text.empty()) return metrics.tmHeight;
    RECT box{0, 0, std::max(1, width), 0};
    DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &box, kWrapped | DT_CALCRECT);
    return std::max<int>(metrics.tmHeight, box.bottom - box.top);
  }
  int TextWidth(Style style, const std::wstring& text) const {
    SelectObject(dc_, fonts_.For(style, text));
    SIZE extent{};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &extent);
    return extent.cx;
  }

  // Goes on to the next page when height does not fit below; true when it did.
  bool MakeRoom(int height) {
    if (y_ + height <= bottom_ || y_ == top_) return false;
    NewPage();
    return true;
  }
  void NewPage() {
    DrawPageNumber();
    ++page_;
    y_ = top_;
  }
  void Skip(int height) { y_ += height; }
  int Y() const { return y_; }

  void Text(Style style, const std::wstring& text, RECT box, UINT align) const {
    if (!Drawing() || text.empty()) return;
    SelectObject(dc_, fonts_.For(style, text));
    DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &box, kWrapped | align);
  }
  void Shade(const RECT& box, COLORREF colour) const {
    if (!Drawing()) return;
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc_, &box, brush);
    DeleteObject(brush);
  }
  void Frame(const RECT& box) const {
    if (!Drawing()) return;
    HPEN pen = CreatePen(PS_SOLID, rule_, kRuleColour);
    HGDIOBJ old = SelectObject(dc_, pen);
    HGDIOBJ oldBrush = SelectObject(dc_, GetStockObject(NULL_BRUSH));
    Rectangle(dc_, box.left, box.top, box.right + rule_, box.bottom + rule_);
    SelectObject(dc_, oldBrush);
    SelectObject(dc_, old);
    DeleteObject(pen);
  }

  // A row of cells across the widths given; framed cells have ruled edges.
  void Row(const std::vector<Cell>& cells, const std::vector<int>& widths, bool framed, COLORREF shade,
           bool shaded) {
    const int height = RowHeight(cells, widths);
    int x = left_;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const RECT box{x, y_, x + widths[i], y_ + height};
      if (shaded) Shade(box, shade);
      if (framed) Frame(box);
      RECT inside{box.left + pad_, box.top + pad_, box.right - pad_, box.bottom - pad_};
      Text(cells[i].style, cells[i].text, inside, cells[i].align);
      if (!cells[i].mark.empty()) {
        inside.top += Measure(cells[i].style, cells[i].text, inside.right - inside.left);
        Text(Style::Italic, cells[i].mark, inside, cells[i].align);
      }
      if (cells[i].writeOn) WriteOnLine(cells[i], inside);
      x += widths[i];
    }
    y_ += height;
  }
  int RowHeight(const std::vector<Cell>& cells, const std::vector<int>& widths) const {
    int height = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const int inner = widths[i] - 2 * pad_;
      int cell = Measure(cells[i].style, cells[i].text, inner);
      if (!cells[i].mark.empty()) cell += Measure(Style::Italic, cells[i].mark, inner);
      height = std::max(height, cell);
    }
    return height + 2 * pad_;
  }

  void DrawPageNumber() const {
    const std::wstring number = std::to_wstring(page_ + 1);
    Text(Style::Normal, number, RECT{left_, bottom_ + pad_, right_, pageHeight_}, DT_RIGHT);
  }

 private:
  bool Drawing() const { return page_ == wanted_; }

  // From the end of the cell's text to the cell's end, on the text's baseline.
  void WriteOnLine(const Cell& cell, const RECT& inside) const {
    if (!Drawing()) return;
    SelectObject(dc_, fonts_.For(cell.style, cell.text));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc_, &metrics);
    const int start = inside.left + TextWidth(cell.style, cell.text) + pad_;
    const int baseline = inside.top + metrics.tmAscent;
    if (start >= inside.right) return;
    HPEN pen = CreatePen(PS_SOLID, rule_, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc_, pen);
    MoveToEx(dc_, start, baseline, nullptr);
    LineTo(dc_, inside.right, baseline);
    SelectObject(dc_, old);
    DeleteObject(pen);
  }

  HDC dc_;
  const ReportFonts& fonts_;
  int wanted_;
  int left_ = 0, right_ = 0, top_ = 0, bottom_ = 0, pad_ = 1, rule_ = 1, pageHeight_ = 0;
  int y_ = 0;
  int page_ = 0;
};

std::vector<int> ColumnWidths(int width, std::size_t count) {
  std::vector<int> widths;
  int used = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int percent = i < kColumnPercent.size() ? kColumnPercent[i] : 10;
    widths.push_back(i + 1 == count ? width - used : width * percent / 100);
    used += widths.back();
  }
  return widths;
}

}  // namespace

ReportPageSize A4Page(int unitsPerInch) {
  // 210 x 297 mm.
  return {MulDiv(2100, unitsPerInch, 254), MulDiv(2970, unitsPerInch, 254), unitsPerInch};
}

int DrawUnitReportPage(HDC dc, const ReportPageSize& size, const UnitReport& report, int page) {
  const int saved = SaveDC(dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  SetMapMode(dc, MM_TEXT);
  const ReportFonts fonts(report.language, size.unitsPerInch);
  PageWriter writer(dc, size, fonts, page);
  const int width = writer.Width();

  // The heading: the program and the report's title.
  const std::wstring heading = Widen(report.program) + L" \u2014 " + Widen(report.title);
  const int headingHeight = writer.Measure(Style::Heading, heading, width);
  writer.Text(Style::Heading, heading, RECT{writer.Left(), writer.Y(), writer.Left() + width, writer.Y() + headingHeight},
              DT_LEFT);
  writer.Skip(headingHeight + 2 * writer.Pad());

  // The facts: labels in bold, values beside them (a value of several lines keeps them).
  int labelWidth = 0;
  for (const ReportFact& fact : report.facts) {
    labelWidth = std::max(labelWidth, writer.TextWidth(Style::Bold, Widen(fact.label)));
  }
  labelWidth = std::min(labelWidth + 3 * writer.Pad(), width * 2 / 5);
  const std::vector<int> factWidths = {labelWidth, width - labelWidth};
  for (const ReportFact& fact : report.facts) {
    const std::vector<Cell> cells = {{Widen(fact.label), Style::Bold}, {Widen(fact.value), Style::Normal}};
    writer.MakeRoom(writer.RowHeight(cells, factWidths));
    writer.Row(cells, factWidths, false, 0, false);
  }
  writer.Skip(writer.Measure(Style::Normal, L" ", width));

  // The parameters, under the column headings on every page they reach.
  const std::vector<int> widths = ColumnWidths(width, report.columns.size());
  std::vector<Cell> headings;
  for (const std::string& column : report.columns) headings.push_back({Widen(column), Style::Bold});
  const int headingRow = writer.RowHeight(headings, widths);
  writer.MakeRoom(headingRow * 2);
  writer.Row(headings, widths, true, kHeadingShade, true);
  const std::wstring notTransferred = Widen(report.notTransferredMark);
  for (const ReportRow& row : report.rows) {
    const std::vector<Cell> cells = {{Widen(row.address), Style::Normal},
                                     {Widen(row.caption), Style::Normal},
                                     {Widen(row.value), Style::Normal, DT_RIGHT},
                                     {Widen(row.meaning), Style::Normal, DT_LEFT, row.transferred ? L"" : notTransferred}};
    if (writer.MakeRoom(writer.RowHeight(cells, widths))) writer.Row(headings, widths, true, kHeadingShade, true);
    writer.Row(cells, widths, true, 0, false);
  }

  // Room for the person who checks the unit: a label and a line to write on each.
  if (!report.signOff.empty()) {
    std::vector<Cell> lines;
    for (const std::string& label : report.signOff) {
      lines.push_back({Widen(label) + L":", Style::Normal, DT_LEFT, {}, true});
    }
    const std::vector<int> thirds(lines.size(), width / static_cast<int>(lines.size()));
    const int gap = writer.Measure(Style::Normal, L" ", width);
    writer.MakeRoom(gap + writer.RowHeight(lines, thirds) + 4 * writer.Pad());
    writer.Skip(gap);
    writer.Skip(2 * writer.Pad());
    writer.Row(lines, thirds, false, 0, false);
  }
  writer.DrawPageNumber();
  RestoreDC(dc, saved);
  return writer.Pages();
}

}  // namespace klv
