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
      {{PortFailureKind::ConnectionRefused, "10.0.0.5:4001", {}, {}},
       "10.0.0.5:4001: connection refused; check the port number and that the device server has this port enabled",
       "10.0.0.5:4001: 接続を拒否されました。ポート番号と、デバイスサーバでこのポートが有効になっていることを確認してください"},
      {{PortFailureKind::UnknownHost, "cabinet7:4001", {}, {}},
       "cabinet7:4001: unknown host; check the host name, or give its IP address",
       "cabinet7:4001: ホストが見つかりません。ホスト名を確認するか、IP アドレスを指定してください"},
      {{PortFailureKind::ClosedByServer, "10.0.0.5:2217", {}, {}},
       "10.0.0.5:2217: the server closed the connection; the port may be in use by another client: close it there "
       "and try again",
       "10.0.0.5:2217: サーバが接続を閉じました。ほかのクライアントがポートを使っている可能性があります。そちらを閉じてからやり直してください"},
      {{PortFailureKind::BadNetworkAddress, "tcp://cabinet7", {}, {}},
       "tcp://cabinet7: not a network address; write tcp://HOST:PORT or rfc2217://HOST:PORT",
       "tcp://cabinet7: ネットワークアドレスではありません。tcp://ホスト:ポート または rfc2217://ホスト:ポート と書いてください"},
  };
  PortFailure timeout{PortFailureKind::ConnectTimeout, "10.0.0.5:4001"};
  timeout.connectSeconds = 3;
  EXPECT_EQ(PortFailureText(timeout, Language::English),
            "could not connect to 10.0.0.5:4001 within 3 s; check that the device server is on and reachable "
            "(host, port, network cable, firewall)");
  EXPECT_EQ(PortFailureText(timeout, Language::Japanese),
            "10.0.0.5:4001 に 3 秒以内に接続できませんでした。デバイスサーバの電源と、ホスト、ポート番号、ネットワークケーブル、"
            "ファイアウォールを確認してください");
  for (const Case& c : cases) {
    EXPECT_EQ(PortFailureText(c.failure, Language::English), c.english);
    EXPECT_EQ(PortFailureText(c.failure, Language::Japanese), c.japanese);
  }
}

}  // namespace
}  // namespace klv
