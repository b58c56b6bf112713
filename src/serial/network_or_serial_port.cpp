#include "serial/network_or_serial_port.h"

#include <utility>

#include "serial/network_address.h"

namespace klv {
namespace {

class NetworkOrSerialPort final : public SerialPort {
 public:
  NetworkOrSerialPort(SerialPortMaker serial, SerialPortMaker network)
      : serial_(std::move(serial)), network_(std::move(network)) {}

  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) override {
    Close();
    const SerialPortMaker& make = OpensNetworkPort(device) ? network_ : serial_;
    inner_ = make ? make() : nullptr;
    if (!inner_) return {PortStatus::CannotOpen};
    PortOpenStatus opened = inner_->Open(device, settings);
    if (opened.status != PortStatus::Ok) inner_.reset();
    return opened;
  }
  bool IsOpen() const override { return inner_ && inner_->IsOpen(); }
  WriteOutcome Write(std::span<const uint8_t> bytes) override { return inner_ ? inner_->Write(bytes) : WriteOutcome{}; }
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) override {
    return inner_ ? inner_->Read(buffer, frameEnd) : 0;
  }
  void DiscardInput() override {
    if (inner_) inner_->DiscardInput();
  }
  std::size_t ReadWaiting(std::span<uint8_t> buffer) override { return inner_ ? inner_->ReadWaiting(buffer) : 0; }
  void Close() override {
    if (inner_) inner_->Close();
    inner_.reset();
  }

 private:
  SerialPortMaker serial_;
  SerialPortMaker network_;
  std::unique_ptr<SerialPort> inner_;
};

}  // namespace

bool OpensNetworkPort(const std::filesystem::path& device) {
  return HasNetworkScheme(device.string()) || NetworkAddressInFile(device).has_value();
}

std::unique_ptr<SerialPort> MakeNetworkOrSerialPort(SerialPortMaker serial, SerialPortMaker network) {
  return std::make_unique<NetworkOrSerialPort>(std::move(serial), std::move(network));
}

}  // namespace klv
