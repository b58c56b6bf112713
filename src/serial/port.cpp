#include "serial/port.h"

#include <algorithm>
#include <span>
#include <utility>

#include "serial/line_settings.h"
#include "serial/modbus_codec.h"
#include "serial/reply_check.h"
#include "serial/port_failure_text.h"
#include "serial/port_device.h"

namespace klv {
namespace {

std::string StatusMessage(PortStatus status) {
  switch (status) {
    case PortStatus::Ok: return {};
    case PortStatus::CannotOpen: return "Port cannot be used";
    case PortStatus::NotASerialLine: return "SYS ERR: The port is not a serial line (its settings cannot be read)";
    case PortStatus::SetupFailed: return "SYS ERR: Port setup failed";
    case PortStatus::TimeoutSetupFailed: return "SYS ERR: Timeout setup failed";
  }
  return "Port cannot be used";
}

}  // namespace

SerialLine::SerialLine() : SerialLine(MakeSystemSerialPort) {}

SerialLine::SerialLine(SerialPortFactory factory) : factory_(std::move(factory)) {}

SerialLine::~SerialLine() { ClosePort(); }

OpenPortResult SerialLine::OpenPort(CommSettings& settings, const std::filesystem::path& dataFolder) {
  ClosePort();
  const int32_t number = CorrectPortNumber(settings);
  const std::filesystem::path device = ResolvePortDevice(number, dataFolder);
  if (device.empty()) {
    const PortFailure noPort{PortFailureKind::NoSuchPort, PortName(number), {}, {}};
    return {false, PortStatus::CannotOpen,
            StatusMessage(PortStatus::CannotOpen) + "\n" + PortFailureText(noPort, language_)};
  }

  PortHandle port = factory_ ? factory_() : nullptr;
  if (!port) return {false, PortStatus::CannotOpen, StatusMessage(PortStatus::CannotOpen)};
  const PortOpenStatus opened = port->Open(device, BuildLineSettings(settings));
  if (opened.status != PortStatus::Ok) {
    port->Close();
    std::string message = StatusMessage(opened.status);
    // The parts when the port gave them, in the operator's language; else its own line.
    const std::string cause =
        opened.failure.kind != PortFailureKind::None ? PortFailureText(opened.failure, language_) : opened.cause;
    if (opened.status == PortStatus::CannotOpen && !cause.empty()) {
      message += "\n" + PortName(number) + ", " + cause;
    }
    return {false, opened.status, std::move(message)};
  }
  handle_ = std::move(port);
  return {true, PortStatus::Ok, {}};
}

void SerialLine::ClosePort() {
  if (!handle_) return;
  handle_->Close();
  handle_.reset();
}

WriteOutcome SerialLine::SendFrame(FrameBuffer& frame, std::size_t length, Protocol protocol,
                                   RtuRequestCopy& lastRtuRequest) {
  length = std::min(length, frame.size());
  ToModbusRequest(frame, length, FrameDirection::Request, protocol, lastRtuRequest);
  length = std::min(length, frame.size());
  if (!handle_) return {};
  return handle_->Write(std::span<const uint8_t>(frame.data(), length));
}

std::size_t SerialLine::ReceiveWireFrame(FrameBuffer& buffer, std::size_t wanted, Protocol protocol) {
  if (!handle_) return 0;
  const std::size_t count =
      handle_->Read(std::span<uint8_t>(buffer.data(), std::min(wanted, buffer.size())), FrameEndFor(protocol));
  return std::min(count, buffer.size());
}

std::size_t SerialLine::ReceiveExactly(std::span<uint8_t> buffer) {
  if (!handle_ || buffer.empty()) return 0;
  const std::size_t wanted = buffer.size();
  const FrameEndTest allIn = [wanted](std::span<const uint8_t> received) { return received.size() >= wanted; };
  return std::min(handle_->Read(buffer, allIn), wanted);
}

void SerialLine::DiscardInput() {
  if (handle_) handle_->DiscardInput();
}

std::size_t SerialLine::ReadWaiting(std::span<uint8_t> buffer) {
  return handle_ ? std::min(handle_->ReadWaiting(buffer), buffer.size()) : 0;
}

std::size_t SerialLine::ReadUntilQuiet(std::span<uint8_t> buffer) {
  if (!handle_) return 0;
  // Each read returns with its first byte, so the time-out counts from the
  // last byte seen.
  const FrameEndTest anyByte = [](std::span<const uint8_t> received) { return !received.empty(); };
  std::size_t got = 0;
  while (got < buffer.size()) {
    const std::size_t count = std::min(handle_->Read(buffer.subspan(got), anyByte), buffer.size() - got);
    if (count == 0) break;
    got += count;
  }
  return got;
}

}  // namespace klv
