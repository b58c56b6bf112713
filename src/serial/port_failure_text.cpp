#include "serial/port_failure_text.h"

#include <cstdio>

namespace klv {

std::string PortFailureText(const PortFailure& failure, Language language) {
  const bool japanese = language == Language::Japanese;
  const std::string& device = failure.device;
  switch (failure.kind) {
    case PortFailureKind::None: return {};
    case PortFailureKind::NoSuchPort: return device + (japanese ? ": そのポートはありません" : ": no such port");
    case PortFailureKind::NoSuchDevice: return device + (japanese ? ": デバイスがありません" : ": no such device");
    case PortFailureKind::Busy:
      return device + (japanese ? ": 使用中です（ほかのプログラムが使っています）" : ": busy, in use by another program");
    case PortFailureKind::PermissionDenied: {
      const std::string& group = failure.ownerGroup;
      if (group.empty() && !failure.owner.empty()) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", failure.mode & 07777u);
        return japanese ? device + ": アクセスが許可されていません（所有者 " + failure.owner + "、モード " + mode + "）"
                        : device + ": permission denied; owned by " + failure.owner + ", mode " + mode;
      }
      if (group.empty()) return device + (japanese ? ": アクセスが許可されていません" : ": permission denied");
      if (japanese) {
        return device + ": アクセスが許可されていません。デバイスを所有するグループ「" + group +
               "」に参加して (sudo usermod -aG " + group + " $USER)、ログインし直してください";
      }
      return device + ": permission denied; join the group \"" + group + "\" that owns it (sudo usermod -aG " +
             group + " $USER) and log in again";
    }
    case PortFailureKind::OwnTerminal:
      return device + (japanese ? ": プログラムが動いている端末です。シリアルポートではありません"
                                : ": this is the terminal the program runs in, not a serial port");
    case PortFailureKind::Other: return device.empty() ? failure.systemText : device + ": " + failure.systemText;
  }
  return {};
}

}  // namespace klv
