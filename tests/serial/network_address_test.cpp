// Network addresses as the operator writes them, and ports/ entries that hold one.
#include "serial/network_address.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "transfer/transfer_rig.h"

namespace klv {
namespace {

TEST(NetworkAddress, ParsesHostAndPortOfBothSchemesAndRefusesTheMalformed) {
  struct Case {
    const char* text;
    std::optional<NetworkAddress> expected;
  };
  const Case cases[] = {
      {"tcp://10.0.0.5:4001", NetworkAddress{NetworkScheme::RawTcp, "10.0.0.5", 4001}},
      {"TCP://cabinet-3.plant.local:4001/", NetworkAddress{NetworkScheme::RawTcp, "cabinet-3.plant.local", 4001}},
      {"rfc2217://[fe80::1]:2217", NetworkAddress{NetworkScheme::Rfc2217, "fe80::1", 2217}},
      {"rfc2217://server:65535", NetworkAddress{NetworkScheme::Rfc2217, "server", 65535}},
      {"tcp://server", std::nullopt},
      {"tcp://:4001", std::nullopt},
      {"tcp://server:0", std::nullopt},
      {"tcp://server:65536", std::nullopt},
      {"tcp://server:40a1", std::nullopt},
      {"tcp://server:4001/path", std::nullopt},
      {"tcp://fe80::1:4001", std::nullopt},
      {"tcp://bad host:4001", std::nullopt},
      {"udp://server:4001", std::nullopt},
      {"/dev/ttyUSB0", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseNetworkAddress(c.text), c.expected) << c.text;
  EXPECT_EQ(ParseNetworkAddress("rfc2217://[::1]:2217")->Text(), "rfc2217://[::1]:2217");
  EXPECT_EQ(ParseNetworkAddress("tcp://10.0.0.5:4001")->HostAndPort(), "10.0.0.5:4001");
}

TEST(NetworkAddress, AnEntryFileIsReadOnlyWhenItIsAShortTextFileWithAnAddress) {
  testing::TempFolder folder;
  const std::filesystem::path entry = folder.Path() / "COM3";
  std::ofstream(entry) << "  rfc2217://10.0.0.5:2217\r\n# second line ignored\n";
  EXPECT_EQ(NetworkAddressInFile(entry), "rfc2217://10.0.0.5:2217");

  const std::filesystem::path link = folder.Path() / "COM4";
  std::filesystem::create_symlink(entry, link);
  EXPECT_EQ(NetworkAddressInFile(link), "rfc2217://10.0.0.5:2217");

  const std::filesystem::path other = folder.Path() / "COM5";
  std::ofstream(other) << "/dev/ttyUSB0\n";
  EXPECT_EQ(NetworkAddressInFile(other), std::nullopt);
  const std::filesystem::path big = folder.Path() / "COM6";
  std::ofstream(big) << "tcp://10.0.0.5:4001" << std::string(1000, ' ') << "\n";
  EXPECT_EQ(NetworkAddressInFile(big), std::nullopt);
  // A link to a device is never read (a read could wait for the line).
  const std::filesystem::path device = folder.Path() / "COM7";
  std::filesystem::create_symlink("/dev/null", device);
  EXPECT_EQ(NetworkAddressInFile(device), std::nullopt);
  EXPECT_EQ(NetworkAddressInFile(folder.Path() / "COM8"), std::nullopt);
}

}  // namespace
}  // namespace klv
