// set: changes values of a parameter file from a script. Only the words of
// the changed values differ afterwards, so setting every value to what show
// --json printed leaves the file byte for byte as it was.
#include <cstdio>
#include <string>

#include "platform/utf8_path.h"
#include "assignment_check.h"
#include "cli_texts.h"
#include "commands.h"
#include "editor/parameter_file.h"
#include "environment.h"
#include "file_refusal.h"
#include "platform/file_store.h"

namespace klv::cli {

int RunSet(const CommandLine& line) {
  const Language language = LocaleLanguage();
  const auto unchanged = [&](const std::string& why) {
    PrintError(CliText(CliTextId::FileLeftUnchanged, language, {why, line.file}));
    return kExitUnusable;
  };
  // The bytes as they are, so that the reserved word, the addresses and the
  // markers stay whatever the file holds.
  const ReadOutcome read = ReadFilePrefix(PathFromUtf8(line.file), kParameterFileReadLimit);
  ParameterFileLoad load;
  if (read.status != ReadOutcome::Status::Ok) {
    load.error = read.error;
  } else if ((load.contents = DecodeParameterFile(read.bytes))) {
    load.status = ParameterFileStatus::Loaded;
  } else {
    load.status = ParameterFileStatus::Unauthorized;
  }
  if (!FileUsable(load)) {
    PrintError(FileRefusedMessage(line.file, load, language));
    return kExitUnusable;
  }
  const ParameterFileContents& contents = *load.contents;
  const AssignmentCheck check = CheckAssignments(line.assignments, contents.model, contents.parameters, language);
  if (!check.error.empty()) return unchanged(check.error);

  std::vector<uint8_t> bytes = read.bytes;
  ParameterSet values = contents.parameters;
  std::string changes;  // one line per value, old and new, said once the file is saved
  for (const ParameterAssignment& a : check.accepted) {
    SetParameterFileValue(bytes, a.slot, a.number);
    int16_t& slot = values.Slot(static_cast<std::size_t>(a.slot));
    changes += CliText(CliTextId::SetChanged, language,
                       {a.address.Text(), a.key, std::to_string(slot), std::to_string(a.number)}) +
               "\n";
    slot = a.number;
  }
  const SaveOutcome saved =
      SaveFileAtomically(PathFromUtf8(line.file), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!saved.ok) {
    return unchanged(line.file + ": " + std::string(Text(TextId::FileException, language)) + " (" + saved.error + ")");
  }
  std::fputs(changes.c_str(), stdout);
  return kExitSuccess;
}

}  // namespace klv::cli
