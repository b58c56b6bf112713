// defaults: the default parameter set of the model stored in the settings
// file, as the program starts with it.
#include <cstdio>

#include "commands.h"
#include "environment.h"
#include "model/parameter_set.h"
#include "model/register_catalogue.h"
#include "platform/data_folder.h"

namespace klv::cli {

int RunDefaults() {
  const Environment environment = LoadEnvironment();
  if (!environment.dataFolderError.empty()) {
    PrintError("data folder: " + environment.dataFolderError);
    return kExitFailed;
  }
  if (!environment.settingsWarning.empty()) PrintError(environment.settingsWarning);
  const std::filesystem::path settingsPath = environment.dataFolder / kSettingsFileName;
  const ModelKind model = environment.model;
  ParameterSet parameters;
  LoadDefaults(parameters, model);

  std::printf("Model %.*s (settings: %s)\n", static_cast<int>(ModelName(model).size()), ModelName(model).data(),
              settingsPath.string().c_str());
  std::printf("Register  Default  Range          Option mask\n");
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    std::printf("%.*s      %7d  %6d..%-6d  %u\n", static_cast<int>(row.address.size()), row.address.data(),
                row.value.In(parameters), row.minimum, row.maximum, static_cast<unsigned>(row.optionMask));
  }
  return kExitSuccess;
}

}  // namespace klv::cli
