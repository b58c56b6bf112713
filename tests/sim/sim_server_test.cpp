// The simulator on a real pseudo-terminal, in real time: the far end is
// opened raw, as the program opens its port.
#include "sim/sim_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/clock.h"
#include "serial/posix_serial_port.h"
#include "sim/sim_test_util.h"

namespace klv::sim {
namespace {

using namespace std::chrono_literals;
using testing::ReadRequest;
using testing::Text;
using testing::TorvalekFrame;
using testing::WriteRequest;

class SimServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server_.OpenPseudoTerminal(error)) << error;
    ASSERT_FALSE(server_.Path().empty());
  }
  void TearDown() override {
    server_.Stop();
    if (fd_ >= 0) ::close(fd_);
  }

  void OpenFarEnd() {
    fd_ = ::open(server_.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd_, 0) << server_.Path();
    termios tio{};
    ASSERT_EQ(::tcgetattr(fd_, &tio), 0);
    ::cfmakeraw(&tio);
    // The program's TORVALEK line: 7 data bits, even parity. A
    // pseudo-terminal keeps 8 bits without parity, and some kernels then
    // answer EINVAL although the raw mode took: the read-back decides.
    tio.c_cflag = (tio.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB | CLOCAL | CREAD;
    const int set = ::tcsetattr(fd_, TCSANOW, &tio);
    ASSERT_TRUE(set == 0 || errno == EINVAL) << std::strerror(errno);
    termios applied{};
    ASSERT_EQ(::tcgetattr(fd_, &applied), 0);
    ASSERT_EQ(applied.c_lflag & (ICANON | ECHO | ISIG), 0u);
  }

  // Reads until `wanted` bytes are in, the line hangs up, or the time is out.
  std::string Receive(std::size_t wanted, std::chrono::milliseconds limit, bool* hungUp = nullptr) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (got.size() < wanted) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd in{fd_, POLLIN, 0};
      if (::poll(&in, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[64];
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n > 0) {
        got.append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        if (hungUp != nullptr) *hungUp = true;
        break;
      }
    }
    return got;
  }

  void Send(const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  SimulatedRegulator regulator_{SimConfig{}, SystemClock()};
  SimServer server_{regulator_};
  int fd_ = -1;
};

TEST_F(SimServerTest, AnswersTheModelCodeOverThePseudoTerminal) {
  OpenFarEnd();
  ASSERT_TRUE(server_.Start());
  Send(ReadRequest(1, "0110"));
  EXPECT_EQ(Receive(16, 2000ms), TorvalekFrame("011R00,0028"));
  // A request in two pieces with a pause between them is still one request.
  const std::vector<uint8_t> request = ReadRequest(1, "0119");
  Send(std::vector<uint8_t>(request.begin(), request.begin() + 5));
  std::this_thread::sleep_for(10ms);
  Send(std::vector<uint8_t>(request.begin() + 5, request.end()));
  EXPECT_EQ(Receive(16, 2000ms), TorvalekFrame("011R00,0000"));
  EXPECT_EQ(server_.WithRegulator([](SimulatedRegulator& r) { return r.ExchangeCount(); }), 2u);
}

TEST_F(SimServerTest, SplitReplyArrivesInTwoPiecesAndLateReplyLate) {
  FaultPlan plan;
  plan.AddRegisterFault(Register{0x0110}, {FaultKind::Split, 300ms});
  plan.AddRegisterFault(Register{0x0119}, {FaultKind::Late, 300ms});
  server_.WithRegulator([&](SimulatedRegulator& r) { r.SetFaultPlan(plan); });
  OpenFarEnd();
  ASSERT_TRUE(server_.Start());

  Send(ReadRequest(1, "0110"));
  const std::string first = Receive(16, 150ms);
  EXPECT_GT(first.size(), 0u);
  EXPECT_LT(first.size(), 16u);
  EXPECT_EQ(first + Receive(16 - first.size(), 2000ms), TorvalekFrame("011R00,0028"));

  Send(ReadRequest(1, "0119"));
  EXPECT_EQ(Receive(16, 100ms), "");
  EXPECT_EQ(Receive(16, 2000ms), TorvalekFrame("011R00,0000"));
}

TEST_F(SimServerTest, HangUpAfterOneExchangeClosesTheLineAfterTheReply) {
  FaultPlan plan;
  plan.SetHangUpAfter(1);
  server_.WithRegulator([&](SimulatedRegulator& r) { r.SetFaultPlan(plan); });
  OpenFarEnd();
  ASSERT_TRUE(server_.Start());
  Send(ReadRequest(1, "0110"));
  EXPECT_EQ(Receive(16, 2000ms), TorvalekFrame("011R00,0028"));
  bool hungUp = false;
  Receive(1, 2000ms, &hungUp);
  EXPECT_TRUE(hungUp);
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (!server_.Ended() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(server_.Ended(), ServeEnd::HungUp);
}

TEST_F(SimServerTest, TheProgramsPortOpensItAgainAndAgain) {
  ASSERT_TRUE(server_.Start());
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    PosixSerialPort port;
    LineSettings settings;  // TORVALEK: 9600 bit/s, 7 data bits, even parity
    settings.readTimeout = 1000ms;
    const PortOpenStatus opened = port.Open(server_.Path(), settings);
    ASSERT_EQ(opened.status, PortStatus::Ok) << opened.cause;
    const std::vector<uint8_t> request = ReadRequest(1, "0110");
    ASSERT_TRUE(port.Write(request).ok);
    std::vector<uint8_t> reply(16);
    reply.resize(port.Read(reply, {}));
    EXPECT_EQ(Text(reply), TorvalekFrame("011R00,0028"));
    port.Close();
  }
}

TEST_F(SimServerTest, ServeEndsWhenTheWatchedInputCloses) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ::close(pipeFds[1]);
  EXPECT_EQ(server_.Serve(pipeFds[0]), ServeEnd::InputClosed);
  ::close(pipeFds[0]);
}

// Three regulators on one line: each answers its own address; a broadcast
// write is carried out by all and answered by none.
TEST_F(SimServerTest, SeveralRegulatorsAnswerOnlyTheirOwnAddress) {
  SimConfig klv30;
  klv30.model = ModelKind::Klv30;
  klv30.deviceAddress = 2;
  SimConfig klv30e;
  klv30e.model = ModelKind::Klv30E;
  klv30e.deviceAddress = 7;
  SimulatedRegulator second(klv30, SystemClock());
  SimulatedRegulator third(klv30e, SystemClock());
  ASSERT_TRUE(server_.AddRegulator(second));
  ASSERT_TRUE(server_.AddRegulator(third));
  // The same address twice, or another protocol, cannot share the line.
  SimulatedRegulator sameAddress(klv30, SystemClock());
  SimConfig rtu;
  rtu.deviceAddress = 9;
  rtu.protocol = Protocol::ModbusRtu;
  SimulatedRegulator otherProtocol(rtu, SystemClock());
  EXPECT_FALSE(server_.AddRegulator(sameAddress));
  EXPECT_FALSE(server_.AddRegulator(otherProtocol));

  OpenFarEnd();
  ASSERT_TRUE(server_.Start());
  const std::vector<std::pair<int, std::string>> answers = {
      {7, TorvalekFrame("071R00,3045")}, {1, TorvalekFrame("011R00,0000")}, {2, TorvalekFrame("021R00,3330")}};
  for (const auto& [address, reply] : answers) {
    Send(ReadRequest(address, "0119"));
    EXPECT_EQ(Receive(reply.size(), 2000ms), reply) << address;
  }
  // Nobody at address 5: silence, and the next request is answered as usual.
  Send(ReadRequest(5, "0119"));
  EXPECT_EQ(Receive(1, 300ms), "");
  Send(WriteRequest(0, "012C", 55));
  EXPECT_EQ(Receive(1, 300ms), "");
  Send(ReadRequest(2, "012C"));
  EXPECT_EQ(Receive(16, 2000ms), TorvalekFrame("021R00,0037"));
  server_.Stop();
  for (SimulatedRegulator* regulator : {&regulator_, &second, &third}) {
    EXPECT_EQ(regulator->ReadRegister(Register{0x012C}).value, 55) << regulator->Config().deviceAddress;
  }
}

TEST_F(SimServerTest, StopEndsTheThreadPromptly) {
  ASSERT_TRUE(server_.Start());
  const auto begin = std::chrono::steady_clock::now();
  server_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
  EXPECT_EQ(server_.Ended(), ServeEnd::Stopped);
}

}  // namespace
}  // namespace klv::sim
