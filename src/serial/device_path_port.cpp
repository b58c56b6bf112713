#include "serial/device_path_port.h"

#include <memory>
#include <utility>

namespace klv {
namespace {

class DevicePathPort final : public SerialPort {
 public:
  // With an empty `from`, every open goes to `device`; otherwise only an open
  // of `from` does.
  DevicePathPort(std::filesystem::path device, std::filesystem::path from, std::unique_ptr<SerialPort> inner)
      : device_(std::move(device)), from_(std::move(from)), inner_(std::move(inner)) {}

  PortOpenStatus Open(const std::filesystem::path& asked, const LineSettings& settings) override {
    return inner_->Open(from_.empty() || asked == from_ ? device_ : asked, settings);
  }
  bool IsOpen() const override { return inner_->IsOpen(); }
  WriteOutcome Write(std::span<const uint8_t> bytes) override { return inner_->Write(bytes); }
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) override {
    return inner_->Read(buffer, frameEnd);
  }
  void DiscardInput() override { inner_->DiscardInput(); }
  std::size_t ReadWaiting(std::span<uint8_t> buffer) override { return inner_->ReadWaiting(buffer); }
  void Close() override { inner_->Close(); }

 private:
  std::filesystem::path device_;
  std::filesystem::path from_;
  std::unique_ptr<SerialPort> inner_;
};

}  // namespace

SerialPortFactory RedirectingPortFactory(std::filesystem::path from, std::filesystem::path to,
                                         SerialPortFactory inner) {
  return [from = std::move(from), to = std::move(to), inner = std::move(inner)]() -> PortHandle {
    PortHandle port = inner ? inner() : nullptr;
    if (!port) return nullptr;
    return std::make_unique<DevicePathPort>(to, from, std::move(port));
  };
}

SerialPortFactory DevicePathPortFactory(std::filesystem::path device, SerialPortFactory inner) {
  return RedirectingPortFactory({}, std::move(device), std::move(inner));
}

}  // namespace klv
