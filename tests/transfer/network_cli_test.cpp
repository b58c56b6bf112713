// klv-loader-cli reading a regulator over the network, as a script on a
// production line does: klv-sim behind the tests' own device server on
// 127.0.0.1 (raw TCP and RFC 2217), in real time, with the longest read
// time-out.

#include <gtest/gtest.h>

#include <fstream>

#include "support/cli_tool.h"
#include "support/tool_process.h"
#include "support/network_line_server.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

namespace fs = std::filesystem;
using Kind = NetworkLineServer::Kind;
using Behaviour = NetworkLineServer::Behaviour;

class NetworkCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cli_ = CliPath();
    if (cli_.empty()) GTEST_SKIP() << "klv-loader-cli is not built beside the tests";
    device_ = std::make_unique<SimulatedDevice>(SimModel(ModelKind::Klv40),
                                                [](const std::string& what) { ADD_FAILURE() << what; });
    ASSERT_TRUE(device_->Ready());
    device_->Preset(Register{0x012A}, -2);
    device_->Preset(Register{0x011F}, 750);
    device_->Preset(Register{0x0133}, 800);
  }

  fs::path Ports() const { return folder_.Path() / "data" / "klv-loader" / "ports"; }

  // The tool with its own data folder and the locale given; standard error kept.
  ToolRun Run(std::vector<std::string> args, const std::string& locale = "C") {
    return RunTool(cli_, std::move(args), folder_.Path(), locale);
  }

  // A read into the file through the port given.
  ToolRun ReadInto(const std::string& port, const fs::path& output, std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"read", "--port", port, "--timeout", "200", "--output", output.string()};
    args.insert(args.end(), more.begin(), more.end());
    return Run(args);
  }

  fs::path cli_;
  TempFolder folder_;
  std::unique_ptr<SimulatedDevice> device_;
};

TEST_F(NetworkCliTest, AReadOverEitherKindOfServerWritesTheSameFileAsOneOverThePseudoTerminal) {
  const fs::path direct = folder_.Path() / "direct.klv";
  const ToolRun read = ReadInto(device_->Path(), direct);
  ASSERT_EQ(read.status, 0) << read.err;
  const std::string expected = ReadFile(direct);
  ASSERT_FALSE(expected.empty());

  struct Case {
    Kind kind;
    std::vector<std::string> line;  // line options
    uint32_t speed;
    uint8_t parity;
    uint8_t stopSize;
  };
  const Case cases[] = {
      {Kind::RawTcp, {}, 0, 0, 0},
      {Kind::Rfc2217, {}, 9600, rfc2217::kParityEven, 1},
      {Kind::Rfc2217, {"--speed", "19200", "--parity", "odd", "--stop-bits", "2"}, 19200, rfc2217::kParityOdd, 2},
  };
  for (const Case& c : cases) {
    NetworkLineServer server(device_->Path(), c.kind);
    ASSERT_TRUE(server.Ready());
    const fs::path overNetwork = folder_.Path() / "network.klv";
    const ToolRun run = ReadInto(server.Url(), overNetwork, c.line);
    EXPECT_EQ(run.status, 0) << server.Url() << "\n" << run.err;
    EXPECT_EQ(ReadFile(overNetwork), expected) << server.Url();
    if (c.kind == Kind::Rfc2217) {
      const RequestedLineSettings settings = server.Settings();
      EXPECT_EQ(settings.speed, c.speed);
      EXPECT_EQ(settings.parity, c.parity);
      EXPECT_EQ(settings.stopSize, c.stopSize);
      EXPECT_EQ(settings.dataSize, 7);  // TORVALEK
    }
    fs::remove(overNetwork);
  }

  // COM3 reaches the server through a ports/ entry holding its address.
  NetworkLineServer server(device_->Path(), Kind::Rfc2217);
  fs::create_directories(Ports());
  std::ofstream(Ports() / "COM3") << server.Url() << "\n";
  const fs::path throughEntry = folder_.Path() / "com3.klv";
  const ToolRun run = ReadInto("COM3", throughEntry, {"--address", "1", "--speed", "9600", "--parity", "even",
                                                      "--stop-bits", "1", "--protocol", "torvalek"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(throughEntry), expected);
  EXPECT_EQ(server.Connections(), 1);
}

TEST_F(NetworkCliTest, ASilentServerIsNoReplyAndOneThatClosesMidReadIsAnIncompleteRead) {
  {
    NetworkLineServer server(device_->Path(), Kind::RawTcp, Behaviour::Silent);
    const fs::path output = folder_.Path() / "silent.klv";
    const ToolRun run = ReadInto(server.Url(), output);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("No reply from address 1 on " + server.Url() + " (9600 E 7 1, TORVALEK, 200 ms)"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(output));
  }
  for (const Kind kind : {Kind::RawTcp, Kind::Rfc2217}) {
    // About ten replies in, the server goes away.
    NetworkLineServer server(device_->Path(), kind, Behaviour::CloseMidReply, 150);
    const fs::path output = folder_.Path() / "cut.klv";
    const ToolRun run = ReadInto(server.Url(), output);
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.err.rfind("klv-loader-cli: Parameter reading incomplete: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find("complete ---"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(output));
  }
}

TEST_F(NetworkCliTest, AConnectionThatCannotBeMadeIsSaidPlainlyInEitherLanguage) {
  // A port where nothing listens any more.
  std::string refusedAt;
  {
    NetworkLineServer gone(device_->Path(), Kind::RawTcp);
    refusedAt = "127.0.0.1:" + std::to_string(gone.Port());
  }
  struct Case {
    std::string port;
    std::string locale;
    std::string line;
  };
  const Case cases[] = {
      {"tcp://" + refusedAt, "C",
       "klv-loader-cli: " + refusedAt +
           ": connection refused; check the port number and that the device server has this port enabled\n"},
      {"rfc2217://" + refusedAt, "ja_JP.UTF-8",
       "klv-loader-cli: " + refusedAt +
           ": 接続を拒否されました。ポート番号と、デバイスサーバでこのポートが有効になっていることを確認してください\n"},
      {"tcp://" + refusedAt.substr(0, refusedAt.find(':')), "C",
       "klv-loader-cli: tcp://127.0.0.1: not a network address; write tcp://HOST:PORT or rfc2217://HOST:PORT\n"},
  };
  for (const Case& c : cases) {
    const fs::path output = folder_.Path() / "never.klv";
    const ToolRun run = Run({"read", "--port", c.port, "--timeout", "200", "--output", output.string()}, c.locale);
    EXPECT_EQ(run.status, 2) << c.port;
    EXPECT_NE(run.err.find(c.line), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(output));
  }
}

}  // namespace
}  // namespace klv::testing
