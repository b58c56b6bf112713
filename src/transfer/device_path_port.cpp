#include "transfer/device_path_port.h"

#include <memory>
#include <utility>

namespace klv {
namespace {

class DevicePathPort final : public SerialPort {
 public:
  DevicePathPort(std::filesystem::path device, std::unique_ptr<SerialPort> inner)
      : device_(std::move(device)), inner_(std::move(inner)) {}

  PortOpenStatus Open(const std::filesystem::path&, const LineSettings& settings) override {
    return inner_->Open(device_, settings);
  }
  bool IsOpen() const override { return inner_->IsOpen(); }
  WriteOutcome Write(std::span<const uint8_t> bytes) override { return inner_->Write(bytes); }
  std::size_t Read(std::span<uint8_t> buffer) override { return inner_->Read(buffer); }
  void Close() override { inner_->Close(); }

 private:
  std::filesystem::path device_;
  std::unique_ptr<SerialPort> inner_;
};

}  // namespace

SerialPortFactory DevicePathPortFactory(std::filesystem::path device, SerialPortFactory inner) {
  return [device = std::move(device), inner = std::move(inner)]() -> PortHandle {
    PortHandle port = inner ? inner() : nullptr;
    if (!port) return nullptr;
    return std::make_unique<DevicePathPort>(device, std::move(port));
  };
}

}  // namespace klv
