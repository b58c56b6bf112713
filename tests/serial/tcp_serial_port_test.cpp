// A line over the network: klv-sim behind the tests' own device server on
// 127.0.0.1, reached through tcp:// and rfc2217:// as the program reaches a
// serial device server; and the ways a connection fails, each with its own
// line for the operator.
#include "serial/tcp_serial_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "serial/port_failure_text.h"
#include "serial/torvalek_frame.h"
#include "support/network_line_server.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

using Kind = NetworkLineServer::Kind;
using Behaviour = NetworkLineServer::Behaviour;

LineSettings Line(int32_t speed, int dataBits, Parity parity, int stopBits) {
  LineSettings line;
  line.speed = speed;
  line.dataBits = dataBits;
  line.parity = parity;
  line.stopBits = stopBits;
  line.readTimeout = std::chrono::milliseconds(200);
  line.writeTimeout = std::chrono::milliseconds(200);
  return line;
}

// A listening socket on 127.0.0.1 whose accept queue is full, so a further
// connect waits for an answer that never comes.
class FullListener {
 public:
  FullListener() {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listen_, 0);
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    // Connections until one is left hanging: the queue is then full.
    for (int i = 0; i < 8; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      fillers_.push_back(fd);
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      pollfd waiting{fd, POLLOUT, 0};
      if (::poll(&waiting, 1, 200) == 0) break;
    }
  }
  ~FullListener() {
    for (const int fd : fillers_) ::close(fd);
    ::close(listen_);
  }
  uint16_t Port() const { return port_; }

 private:
  int listen_ = -1;
  uint16_t port_ = 0;
  std::vector<int> fillers_;
};

// A port on 127.0.0.1 where nothing listens.
uint16_t ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(fd);
  return ntohs(address.sin_port);
}

class NetworkLineTest : public TransferRig {
 protected:
  // The ports the connection makes reach the device through the server.
  void Through(const NetworkLineServer& server) { ports_ = DevicePathPortFactory(server.Url()); }
};

// The same read over the pseudo-terminal and over each kind of server gives
// the same values; with Modbus RTU the replies hold 0xFF (values -1 and -2),
// which RFC 2217 doubles on the way.
TEST_F(NetworkLineTest, AReadOverTheNetworkEqualsOneOverThePseudoTerminal) {
  for (const Protocol protocol : {Protocol::Torvalek, Protocol::ModbusRtu}) {
    sim::SimConfig config = Device(ModelKind::Klv40);
    config.protocol = protocol;
    Connect(config);
    device_->Preset(Register{0x012A}, -2);
    device_->Preset(Register{0x012B}, -1);
    device_->Preset(Register{0x011F}, 750);
    connection_.settings.protocol = protocol;
    const TransferCommandOutcome direct = Read();
    ASSERT_TRUE(direct.report.succeeded) << direct.report.text;
    const ParameterSet overPty = parameters_;
    EXPECT_EQ(overPty.rampLowerLimit, -2);
    for (const Kind kind : {Kind::RawTcp, Kind::Rfc2217}) {
      NetworkLineServer server(device_->Path(), kind);
      ASSERT_TRUE(server.Ready());
      Through(server);
      parameters_ = ParameterSet{};
      const TransferCommandOutcome outcome = Read();
      ASSERT_TRUE(outcome.open.ok) << outcome.open.message;
      EXPECT_TRUE(outcome.report.succeeded) << outcome.report.text;
      EXPECT_EQ(parameters_, overPty) << server.Url();
      ports_ = DevicePathPortFactory(device_->Path());
    }
  }
}

TEST_F(NetworkLineTest, TheRfc2217ServerReceivesTheLineSettings) {
  Connect(Device(ModelKind::Klv40));
  struct Case {
    LineSettings line;
    uint8_t parity;
  };
  const Case cases[] = {{Line(9600, 7, Parity::Even, 1), rfc2217::kParityEven},
                        {Line(19200, 8, Parity::None, 2), rfc2217::kParityNone},
                        {Line(19200, 7, Parity::Odd, 1), rfc2217::kParityOdd}};
  for (const Case& c : cases) {
    NetworkLineServer server(device_->Path(), Kind::Rfc2217);
    TcpSerialPort port;
    ASSERT_EQ(port.Open(server.Url(), c.line).status, PortStatus::Ok);
    // A byte after the settings: once the server has it, it has them all.
    const uint8_t mark[] = {0x7F};
    ASSERT_TRUE(port.Write(mark).ok);
    for (int i = 0; i < 200 && server.Received().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const RequestedLineSettings received = server.Settings();
    EXPECT_EQ(received.speed, static_cast<uint32_t>(c.line.speed));
    EXPECT_EQ(received.dataSize, c.line.dataBits);
    EXPECT_EQ(received.parity, c.parity);
    EXPECT_EQ(received.stopSize, c.line.stopBits);
    EXPECT_EQ(received.control, rfc2217::kControlNone);
  }
}

TEST_F(NetworkLineTest, DataWithIacReachesTheServerUndoubled) {
  Connect(Device(ModelKind::Klv40));
  NetworkLineServer server(device_->Path(), Kind::Rfc2217, Behaviour::Silent);
  TcpSerialPort port;
  ASSERT_EQ(port.Open(server.Url(), Line(9600, 8, Parity::None, 1)).status, PortStatus::Ok);
  const std::vector<uint8_t> data = {0x01, 0xFF, 0xFF, 0x03, 0xFF};
  ASSERT_TRUE(port.Write(data).ok);
  for (int i = 0; i < 200 && server.Received().size() < data.size(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(server.Received(), data);
}

TEST_F(NetworkLineTest, ASilentServerIsNoReplyAndAClosedOneReadsNothingFromThenOn) {
  Connect(Device(ModelKind::Klv40));
  {
    NetworkLineServer server(device_->Path(), Kind::RawTcp, Behaviour::Silent);
    Through(server);
    const TransferCommandOutcome outcome = Read();
    ASSERT_TRUE(outcome.open.ok) << outcome.open.message;
    EXPECT_FALSE(outcome.report.succeeded);
    EXPECT_EQ(outcome.result.count, 0);
    EXPECT_EQ(outcome.report.text, "KLV40 Parameter reading failure");
    const std::vector<std::string> log = SplitLines(connection_.log.Text());
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1], "002. KLV->PC: ");
  }
  // The server cuts the connection part-way through the replies.
  NetworkLineServer server(device_->Path(), Kind::RawTcp, Behaviour::CloseMidReply, 150);
  Through(server);
  const ParameterSet before = parameters_;
  const TransferCommandOutcome outcome = Read();
  EXPECT_FALSE(outcome.report.succeeded);
  EXPECT_EQ(outcome.report.text.rfind("Parameter reading incomplete", 0), 0u) << outcome.report.text;
  EXPECT_EQ(parameters_, before);

  TcpSerialPort port;
  NetworkLineServer cutting(device_->Path(), Kind::RawTcp, Behaviour::CloseMidReply, 3);
  ASSERT_EQ(port.Open(cutting.Url(), Line(9600, 7, Parity::Even, 1)).status, PortStatus::Ok);
  // Address 1 asks for 0110, as the read's first request does.
  FrameBuffer frame{};
  ASSERT_EQ(BuildReadRequest(frame, 1, 1, "110", 1, FrameStyle::StxEtxCr, BccKind::Sum), FrameError::None);
  const std::string request(reinterpret_cast<const char*>(frame.data()), kReadRequestLength);
  ASSERT_TRUE(port.Write(std::span(reinterpret_cast<const uint8_t*>(request.data()), request.size())).ok);
  uint8_t reply[64];
  std::size_t got = 0;
  for (int i = 0; i < 5 && got < 3; ++i) got += port.Read(std::span(reply).subspan(got), nullptr);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(port.Read(reply, nullptr), 0u);
  EXPECT_FALSE(port.Write(std::span(reinterpret_cast<const uint8_t*>(request.data()), request.size())).ok);
  EXPECT_TRUE(port.IsOpen());
}

TEST(NetworkLineOpen, EachFailedConnectionSaysWhatHappenedAndWhatToTry) {
  const LineSettings line = Line(9600, 7, Parity::Even, 1);
  const FullListener full;
  const std::string refusedAt = "127.0.0.1:" + std::to_string(ClosedPort());
  const std::string fullAt = "127.0.0.1:" + std::to_string(full.Port());
  struct Case {
    std::string address;
    PortFailureKind kind;
    std::string english;  // the start of the operator's line
  };
  const Case cases[] = {
      {"tcp://" + refusedAt, PortFailureKind::ConnectionRefused, refusedAt + ": connection refused; check the port"},
      {"rfc2217://" + refusedAt, PortFailureKind::ConnectionRefused, refusedAt + ": connection refused"},
      {"tcp://" + fullAt, PortFailureKind::ConnectTimeout, "could not connect to " + fullAt + " within 1 s; check"},
      {"tcp://nosuchhost.invalid:4001", PortFailureKind::UnknownHost, "nosuchhost.invalid:4001: unknown host"},
      {"tcp://nosuchhost.invalid", PortFailureKind::BadNetworkAddress, "tcp://nosuchhost.invalid: not a network address"},
  };
  for (const Case& c : cases) {
    TcpSerialPort port(std::chrono::milliseconds(1000));
    const PortOpenStatus opened = port.Open(c.address, line);
    EXPECT_EQ(opened.status, PortStatus::CannotOpen) << c.address;
    EXPECT_EQ(opened.failure.kind, c.kind) << c.address;
    EXPECT_EQ(PortFailureText(opened.failure, Language::English).rfind(c.english, 0), 0u)
        << PortFailureText(opened.failure, Language::English);
    EXPECT_FALSE(port.IsOpen());
  }
}

TEST(NetworkLineOpen, AServerThatRefusesComPortOptionIsSaidSo) {
  SimulatedDevice device(SimModel(ModelKind::Klv40), [](const std::string& what) { ADD_FAILURE() << what; });
  NetworkLineServer server(device.Path(), NetworkLineServer::Kind::Rfc2217, NetworkLineServer::Behaviour::RefuseComPort);
  TcpSerialPort port;
  const PortOpenStatus opened = port.Open(server.Url(), Line(9600, 7, Parity::Even, 1));
  EXPECT_EQ(opened.failure.kind, PortFailureKind::ComPortRefused);
  const std::string at = "127.0.0.1:" + std::to_string(server.Port());
  EXPECT_EQ(PortFailureText(opened.failure, Language::English),
            at + ": the server refused the RFC 2217 line settings (COM-PORT-OPTION); set the line on the server and "
                 "use tcp://" + at + " instead");
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace klv::testing
