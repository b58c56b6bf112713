// defaults: the default parameter set of the model stored in the settings
// file, as the program starts with it.
#include <cstdio>

#include "cli_texts.h"
#include "commands.h"
#include "environment.h"
#include "model/parameter_set.h"
#include "model/register_catalogue.h"
#include "platform/data_folder.h"

namespace klv::cli {

int RunDefaults() {
  const Language language = LocaleLanguage();
  const Environment environment = LoadEnvironment(language);
  if (!environment.dataFolderError.empty()) {
    PrintError(CliText(CliTextId::DataFolderUnusable, language, {environment.dataFolderError}));
    return kExitFailed;
  }
  if (!environment.settingsWarning.empty()) PrintError(environment.settingsWarning);
  const std::filesystem::path settingsPath = environment.dataFolder / kSettingsFileName;
  const ModelKind model = environment.model;
  ParameterSet parameters;
  LoadDefaults(parameters, model);

  std::printf("%s\n", CliText(CliTextId::DefaultsModel, language, {ModelName(model), settingsPath.string()}).c_str());
  std::printf("%s\n", CliText(CliTextId::DefaultsHeading, language).c_str());
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    std::printf("%.*s      %7d  %6d..%-6d  %u\n", 4, row.address.Text().c_str(),
                row.value.In(parameters), row.minimum, row.maximum, static_cast<unsigned>(row.optionMask));
  }
  return kExitSuccess;
}

}  // namespace klv::cli
