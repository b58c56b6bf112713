#pragma once
// The tool's connection to the regulator, set up as the window's is.
#include <memory>

#include "cli_options.h"
#include "environment.h"
#include "serial/connection.h"

namespace klv::cli {

// The stored settings with the command line's options over them. A --port
// device path is opened as given and names the port in the log's header;
// otherwise COM<n> is looked up among the data folder's port links.
std::unique_ptr<Connection> MakeToolConnection(const ConnectionOptions& options, const Environment& environment,
                                               Language language);

}  // namespace klv::cli
