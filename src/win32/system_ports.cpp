#include "win32/system_ports.h"

#include <windows.h>
// The ports' device class is defined here, not taken from a library.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <vector>

#include "win32/wide_text.h"

namespace klv {

namespace {

constexpr int32_t kHighestPort = 24;  // "+ 12" over twelve buttons

bool Known(const std::vector<SystemPort>& ports, int32_t number) {
  return std::any_of(ports.begin(), ports.end(), [number](const SystemPort& p) { return p.number == number; });
}

void AddDeviceManagerPorts(std::vector<SystemPort>& ports) {
  HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    wchar_t portName[32] = {};
    DWORD size = sizeof portName - sizeof(wchar_t);
    DWORD type = 0;
    const LONG read = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ) continue;
    const std::optional<int32_t> number = ComNumberOf(Narrow(portName));
    if (!number || *number > kHighestPort || Known(ports, *number)) continue;
    wchar_t friendly[256] = {};
    const BOOL named = SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                         reinterpret_cast<BYTE*>(friendly),
                                                         sizeof friendly - sizeof(wchar_t), nullptr);
    ports.push_back({*number, named ? Narrow(friendly) : Narrow(portName)});
  }
  SetupDiDestroyDeviceInfoList(devices);
}

void AddDeviceNames(std::vector<SystemPort>& ports) {
  // Every device name of the system, each ended by a null, a null after all.
  std::vector<wchar_t> names(65536);
  const DWORD length = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
  if (length == 0) return;
  for (const wchar_t* name = names.data(); *name != L'\0' && name < names.data() + length;
       name += wcslen(name) + 1) {
    const std::optional<int32_t> number = ComNumberOf(Narrow(name));
    if (number && *number <= kHighestPort && !Known(ports, *number)) ports.push_back({*number, Narrow(name)});
  }
}

}  // namespace

std::optional<int32_t> ComNumberOf(std::string_view name) {
  if (name.size() < 4 || name.size() > 6) return std::nullopt;
  for (std::size_t i = 0; i < 3; ++i) {
    if ((name[i] & ~0x20) != "COM"[i]) return std::nullopt;
  }
  int32_t number = 0;
  for (const char c : name.substr(3)) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number < 1) return std::nullopt;
  return number;
}

std::vector<SystemPort> SystemComPorts() {
  std::vector<SystemPort> ports;
  AddDeviceManagerPorts(ports);
  AddDeviceNames(ports);
  std::sort(ports.begin(), ports.end(), [](const SystemPort& a, const SystemPort& b) { return a.number < b.number; });
  return ports;
}

}  // namespace klv
