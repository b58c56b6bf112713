#include "tool_connection.h"

#include "serial/device_path_port.h"

namespace klv::cli {

std::unique_ptr<Connection> MakeToolConnection(const ConnectionOptions& options, const Environment& environment,
                                               Language language) {
  auto connection = options.devicePath.empty()
                        ? std::make_unique<Connection>()
                        : std::make_unique<Connection>(DevicePathPortFactory(options.devicePath));
  connection->settings = ApplyConnectionOptions(environment.settings, options);
  connection->dataFolder = environment.dataFolder;
  connection->portLabel = options.devicePath;
  connection->localEcho = options.localEcho;
  connection->line.SetLanguage(language);
  return connection;
}

}  // namespace klv::cli
