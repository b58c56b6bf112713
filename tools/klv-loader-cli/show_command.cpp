// show: a parameter file as the main window would present it, one line per
// parameter of the file's model, with the screen's caption and the meaning of
// the value (the screen's choice, or the number with its unit).
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/utf8_path.h"
#include "file_refusal.h"
#include "cli_texts.h"
#include "commands.h"
#include "editor/parameter_description.h"
#include "editor/parameter_file.h"
#include "text/texts.h"
#include "environment.h"
#include "json_text.h"

namespace klv::cli {
namespace {

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t used = DisplayWidth(text);
  return used >= width ? text + " " : text + std::string(width - used, ' ');
}

}  // namespace

int RunShow(const CommandLine& line) {
  const Language language = LocaleLanguage();
  const ParameterFileLoad load = LoadParameterFile(PathFromUtf8(line.file));
  if (!FileUsable(load)) {
    PrintError(FileRefusedMessage(line.file, load, language));
    return kExitUnusable;
  }
  const ModelKind model = load.contents->model;
  const ParameterSet& set = load.contents->parameters;
  const ParameterSheet sheet = DescribeParameters(set, model, language);
  const std::vector<std::string>& options = sheet.options;
  const std::vector<ParameterLine>& lines = sheet.lines;

  if (line.json) {
    std::string out = "{\n  \"file\": " + JsonString(line.file) + ",\n  \"model\": " + JsonString(ModelName(model)) +
                      ",\n  \"modelCode\": " + std::to_string(ModelCode(model)) +
                      ",\n  \"optionFlags\": " + std::to_string(set.optionFlags) +
                      ",\n  \"optionDetect\": " + std::to_string(set.optionDetect) + ",\n  \"options\": [";
    for (std::size_t i = 0; i < options.size(); ++i) out += (i ? ", " : "") + JsonString(options[i]);
    out += "],\n  \"parameters\": [\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const ParameterLine& l = lines[i];
      out += "    {\"register\": " + JsonString(l.address.Text()) + ", \"name\": " + JsonString(l.name) +
             ", \"caption\": " + JsonString(l.caption) + ", \"value\": " + std::to_string(l.value) +
             ", \"meaning\": " + JsonString(l.meaning) +
             ", \"transferred\": " + (l.transferred ? "true" : "false") + "}" + (i + 1 < lines.size() ? "," : "") +
             "\n";
    }
    out += "  ]\n}\n";
    std::fputs(out.c_str(), stdout);
    return kExitSuccess;
  }

  std::string options_text;
  for (const std::string& option : options) options_text += (options_text.empty() ? "" : ", ") + option;
  if (options_text.empty()) options_text = CliText(CliTextId::ShowNoOptions, language);
  std::printf("%s\n%s\n%s\n\n", CliText(CliTextId::ShowFile, language, {line.file}).c_str(),
              CliText(CliTextId::ShowModel, language, {ModelName(model)}).c_str(),
              CliText(CliTextId::ShowOptions, language,
                      {options_text, std::to_string(set.optionFlags), std::to_string(set.optionDetect)})
                  .c_str());
  std::size_t width = 9;
  for (const ParameterLine& l : lines) width = std::max(width, DisplayWidth(l.caption) + 2);
  const std::string parameter = CliText(CliTextId::ShowParameter, language);
  std::printf("%s\n", CliText(CliTextId::ShowHeading, language, {Padded(parameter, width)}).c_str());
  const std::string notTransferred = "  " + CliText(CliTextId::ShowNotTransferred, language);
  for (const ParameterLine& l : lines) {
    std::printf("%.*s      %s%6d  %s%s\n", 4, l.address.Text().c_str(),
                Padded(l.caption, width).c_str(), l.value, l.meaning.c_str(),
                l.transferred ? "" : notTransferred.c_str());
  }
  return kExitSuccess;
}

}  // namespace klv::cli
