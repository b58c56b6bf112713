#include "serial/port_failure_text.h"

#include <cstdio>
#include <string>

#include "text/texts.h"

namespace klv {

std::string PortFailureText(const PortFailure& failure, Language language) {
  const std::string& device = failure.device;
  switch (failure.kind) {
    case PortFailureKind::None: return {};
    case PortFailureKind::NoSuchPort: return Text(TextId::PortNoSuchPort, language, {device});
    case PortFailureKind::NoSuchDevice: return Text(TextId::PortNoSuchDevice, language, {device});
    case PortFailureKind::Busy: return Text(TextId::PortBusy, language, {device});
    case PortFailureKind::PermissionDenied: {
      const std::string& group = failure.ownerGroup;
      if (group.empty() && !failure.owner.empty()) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", failure.mode & 07777u);
        return Text(TextId::PortDeniedOwnerMode, language, {device, failure.owner, mode});
      }
      if (group.empty()) return Text(TextId::PortDenied, language, {device});
      return Text(TextId::PortDeniedJoinGroup, language, {device, group});
    }
    case PortFailureKind::OwnTerminal: return Text(TextId::PortIsOwnTerminal, language, {device});
    case PortFailureKind::ConnectTimeout:
      return Text(TextId::NetConnectTimeout, language, {device, std::to_string(failure.connectSeconds)});
    case PortFailureKind::ConnectionRefused: return Text(TextId::NetConnectionRefused, language, {device});
    case PortFailureKind::UnknownHost: return Text(TextId::NetUnknownHost, language, {device});
    case PortFailureKind::ClosedByServer: return Text(TextId::NetClosedByServer, language, {device});
    case PortFailureKind::ComPortRefused: return Text(TextId::NetComPortRefused, language, {device});
    case PortFailureKind::BadNetworkAddress: return Text(TextId::NetBadAddress, language, {device});
    case PortFailureKind::Other: return device.empty() ? failure.systemText : device + ": " + failure.systemText;
  }
  return {};
}

}  // namespace klv
