#pragma once
// The tool's own texts in English and Japanese: usage, errors and the
// headings of its listings. The regulator's messages and the screen captions
// come from the program's numbered texts and captions; these are the rest.
// "%1", "%2", ... stand for the values filled in by CliText.
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "text/texts.h"

namespace klv::cli {

enum class CliTextId {
  TryHelp,
  NoCommand,
  UnknownCommand,
  UnknownOption,
  UnknownOptionFor,
  NeedsValue,
  NeedsFileName,
  NotAllowed,
  AllowedPort,
  AllowedAddress,
  AllowedAddresses,
  AllowedSpeed,
  AllowedParity,
  AllowedStopBits,
  AllowedTimeout,
  AllowedProtocol,
  ReadTakesNoFile,
  ReadNeedsOutput,
  NeedsOneFile,
  TakesNoArguments,
  MonitorTakesNoArgument,
  SecondsNotANumber,
  FolderMissing,
  IsAFolder,
  DataFolderUnusable,
  DataFolderForTransfer,
  SettingsUnreadable,
  SettingsCannotBeRead,
  PortsCannotBeRead,
  SettingsTooShort,
  SettingsFieldInvalid,
  ScanUsage,
  ScanSummary,
  ScanNoPorts,
  ScanNoneFound,
  ScanLineTrouble,
  ScanPortHeading,
  ScanAddressHeading,
  ScanEchoHeading,
  ScanEchoOn,
  ScanEchoOff,
  ScanNoOptions,
  ScanOptionsUnknown,
  ScanTrying,
  ScanTook,
  ScanLineHeading,
  ReportUsage,
  ReportSummary,
  ReportNeedsOutput,
  ReportUnavailable,
  FieldPortNumber,
  FieldDeviceAddress,
  FieldSpeed,
  MonitorReopening,
  MonitorLineBack,
  UsageConnection,
  UsageExit,
  UsageRead,
  UsageWrite,
  UsageShow,
  UsageDefaults,
  UsageGeneral,
  UsageMonitor,
  MonitorSummary,
  ShowFile,
  ShowModel,
  ShowOptions,
  ShowNoOptions,
  ShowHeading,
  ShowParameter,
  ShowNotTransferred,
  DefaultsModel,
  DefaultsHeading,
  UsageCompare,
  CompareFile,
  CompareModel,
  CompareOptions,
  CompareDiffers,
  CompareModelsDiffer,
  CompareRegister,
  CompareParameter,
  CompareFileValue,
  CompareDeviceValue,
  UsageExitAll,
  MonitorNoGoodReply,
  OptionNeedsOption,
  NoReplyScan,
  UsageSet,
  SetNeedsAssignment,
  SetNotAnAssignment,
  SetUnknownRegister,
  SetNotPresent,
  SetNotANumber,
  SetOutOfRange,
  SetChanged,
  FileLeftUnchanged,
  NothingSent,
  UsageBus,
  BusOutputNeedsAddress,
  BusUnitHeading,
  BusColumnAddress,
  BusColumnModel,
  BusColumnResult,
  BusResultOk,
  BusResultDiffers,
  BusResultNotTried,
  BusResultFailed,
  BusFailedUnits,
  BusNotTriedUnits,
  BusUnitName,
  ReportBusTakesNoFile,
  MonitorUnitPrefix,
  MonitorUnitLost,
  MonitorUnitBack,
  MonitorRoundsTooSlow,
  MonitorBusHeading,
  MonitorUnitAnswered,
  MonitorUnitNoGoodReply,
  MonitorUnitsNoGoodReply,
};

struct CliTextEntry {
  CliTextId id;
  std::string_view english;
  std::string_view japanese;
};

// Every text, in the order of CliTextId.
std::span<const CliTextEntry> CliTexts();

// The text in the language with %1, %2, ... filled in as every text of the
// program is (FillIn).
std::string CliText(CliTextId id, Language language, std::initializer_list<std::string_view> values = {});

}  // namespace klv::cli
