// klv-loader: the KLV Loader program.
#include <QApplication>
#include <cstdio>

#include "app/program_state.h"
#include "app/ui/application.h"

int main(int argc, char** argv) {
  const klv::LaunchOptions options = klv::ParseLaunchOptions(argc, argv);
  if (options.help || !options.unknown.empty()) {
    const klv::Language language = klv::SystemLanguage();
    for (const auto& option : options.unknown) {
      std::fprintf(stderr, "%s\n", klv::UnknownOptionText(option, language).c_str());
    }
    std::fputs(klv::UsageText(language).c_str(), options.help ? stdout : stderr);
    return options.help ? 0 : 2;
  }
  if (options.version) {
    std::printf("klv-loader %s\n", KLV_VERSION);
    return 0;
  }
  QApplication application(argc, argv);
  return klv::Application().Run(options);
}
