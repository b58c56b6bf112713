#pragma once
// The names of the numbered texts. The numbers are the texts' own (the
// window sizes and messages are looked up by them), so a name always stands
// for the same text in both languages.
namespace klv {

enum class TextId : int {
  ManualFileName = 172,
  EndMonitor = 174,
  LogFileCannotBeCreated = 175,
  StartMonitor = 176,
  DataRecordComplete = 177,
  PathCannotBeSet = 178,
  MenuUnavailable = 179,
  SaveChanges = 180,  // follows the document title
  FileWritten = 181,
  Cancelled = 182,
  FileException = 183,
  FileRead = 184,
  FileDataInvalid = 185,
  FileCannotBeOpened = 186,
  ReadFailureUnknownModel = 187,  // "??Parameter reading failure"
  ReadComplete = 188,
  ReadFailure = 189,
  WriteFailureUnknownModel = 191,  // "?? Parameter writing failure"
  WriteFailure = 192,
  WriteComplete = 193,
  VariationLimit = 194,
  Linear = 195,
  IniCannotBeCreated = 197,
  ReadingParameter = 198,
  WritingParameter = 199,
  ModelDiffers = 204,
  OptionsDiffer = 205,
  OptionsOfDevice = 206,
  DigitalControlOutput = 207,
  ConfirmScreenSetting = 208,
  ControlInputDiffers = 209,
  ControlInputOfDevice = 210,
  CurrentInput = 211,
  VoltageInput = 212,
  OutputCurrentDetection = 213,
  AnalogInput = 214,
  AnalogOutput = 215,
  AlarmOutput2 = 216,
  AlDoOutput = 217,
  OutputVolts = 218,
  OutputAmperes = 219,
  OutputKva = 220,
  OutputTenthsPercent = 221,
  AlOutput = 222,
  AnalogOutputScaling = 223,
  MainWindowWidth = 225,  // pixels
  ControlInputScaling = 226,
  SlowUpSlowDown = 227,
  SlowUp = 228,
  MainWindowHeight = 231,
  MonitorWindowWidth = 232,
  MonitorWindowHeight = 233,
  // Said after a failure when nothing answered: what was tried, what next.
  NoReplyFrom = 640,            // "No reply from address %1 on %2 (%3)."
  ModelSelectedNotDetected = 641,  // "%1 is the model selected, not one detected."
  ModelExpectedNotDetected = 642,  // "%1 is the model expected, not one detected."
  NoReplyFindDevice = 643,      // "Check the cable and the address, or use Find device (...)"
  ExchangeInLog = 644,          // "; the exchange is in %1."
  NoReplyEnd = 645,             // "." (no log to name)
};

}  // namespace klv
