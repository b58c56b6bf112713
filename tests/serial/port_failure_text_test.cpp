// The operator's line about a port that could not be opened, in both languages.
#include "serial/port_failure_text.h"

#include <gtest/gtest.h>


namespace klv {
namespace {

TEST(PortFailureText, EveryCauseInBothLanguages) {
  struct Case {
    PortFailure failure;
    const char* english;
    const char* japanese;
  };
  const Case cases[] = {
      {{PortFailureKind::None, "/dev/ttyS0", {}, {}}, "", ""},
      {{PortFailureKind::NoSuchPort, "COM3", {}, {}}, "COM3: no such port", "COM3: そのポートはありません"},
      {{PortFailureKind::NoSuchDevice, "/dev/ttyUSB0", {}, {}}, "/dev/ttyUSB0: no such device",
       "/dev/ttyUSB0: デバイスがありません"},
      {{PortFailureKind::Busy, "/dev/ttyUSB0", {}, {}}, "/dev/ttyUSB0: busy, in use by another program",
       "/dev/ttyUSB0: 使用中です（ほかのプログラムが使っています）"},
      {{PortFailureKind::PermissionDenied, "/dev/ttyS1", {}, {}}, "/dev/ttyS1: permission denied",
       "/dev/ttyS1: アクセスが許可されていません"},
      {{PortFailureKind::PermissionDenied, "/dev/ttyS1", "dialout", {}},
       "/dev/ttyS1: permission denied; join the group \"dialout\" that owns it (sudo usermod -aG dialout $USER) "
       "and log in again",
       "/dev/ttyS1: アクセスが許可されていません。デバイスを所有するグループ「dialout」に参加して "
       "(sudo usermod -aG dialout $USER)、ログインし直してください"},
      {{PortFailureKind::OwnTerminal, "/dev/pts/3", {}, {}},
       "/dev/pts/3: this is the terminal the program runs in, not a serial port",
       "/dev/pts/3: プログラムが動いている端末です。シリアルポートではありません"},
      {{PortFailureKind::Other, "/dev/ttyS1", {}, "Input/output error"}, "/dev/ttyS1: Input/output error",
       "/dev/ttyS1: Input/output error"},
      {{PortFailureKind::Other, {}, {}, "unsupported speed"}, "unsupported speed", "unsupported speed"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PortFailureText(c.failure, Language::English), c.english);
    EXPECT_EQ(PortFailureText(c.failure, Language::Japanese), c.japanese);
  }
}

}  // namespace
}  // namespace klv
