#include "report_usage.h"

namespace klv::cli {

std::string_view ReportUsageText(ReportUsage text, Language language) {
  const bool japanese = language == Language::Japanese;
  switch (text) {
    case ReportUsage::Usage:
      return japanese ? "使い方: klv-loader-cli report FILE.klv --output FILE.pdf [--note TEXT]\n"
                        "\n"
                        "パラメータファイルのレポートを PDF で保存します。機種、オプション、機種が使う\n"
                        "すべてのパラメータ（画面の項目名、値、その意味）、ファイル名、作成日時、\n"
                        "メモ（製造番号など）を載せます。ロケールが日本語のときレポートも日本語です。\n"
                        "\n"
                        "  --output FILE.pdf     保存する PDF ファイル（既存のファイルは置き換えます）\n"
                        "  --note TEXT           製造番号またはメモ\n"
                        "\n"
                        "終了コード: 0、使い方の誤り、開けないファイル、パラメータファイルでないファイル、\n"
                        "保存できないレポートのとき 2。\n"
                      : "Usage: klv-loader-cli report FILE.klv --output FILE.pdf [--note TEXT]\n"
                        "\n"
                        "Saves a PDF report of the parameter file: the model, the options, every\n"
                        "parameter the model uses with its screen caption, value and meaning, the\n"
                        "file name, the date and time, and the note (for example the unit's serial\n"
                        "number). The report is in Japanese when the locale is Japanese.\n"
                        "\n"
                        "  --output FILE.pdf     the PDF file to save (an existing file is replaced)\n"
                        "  --note TEXT           the unit's serial number or a note\n"
                        "\n"
                        "Exit status: 0, or 2 for a usage error, a file that cannot be opened or is\n"
                        "not a parameter file, or a report that cannot be saved.\n";
    case ReportUsage::Summary:
      return japanese ? "  report FILE.klv --output FILE.pdf [--note TEXT]\n"
                        "                                     パラメータファイルのレポートを PDF で保存\n"
                      : "  report FILE.klv --output FILE.pdf [--note TEXT]\n"
                        "                                     save a PDF report of a parameter file\n";
    case ReportUsage::NeedsOutput:
      return japanese ? "report には --output FILE.pdf が必要です" : "report needs --output FILE.pdf";
    case ReportUsage::Unavailable:
      return japanese ? "report: このビルドは PDF を作れません（Qt なしでビルドされています）"
                      : "report: this build cannot make PDF files (it was built without Qt)";
  }
  return {};
}

}  // namespace klv::cli
